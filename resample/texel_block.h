// A texture held whole in memory, one byte a sample: the block the
// transformed and by-example fills sample from, at any position.
#pragma once

#include <cstddef>
#include <cstdint>

struct TexelBlock {
  const std::uint8_t* pixels;  // row 0 first
  std::int32_t width;
  std::int32_t height;
  std::int32_t channels;  // 1 gray, 3 RGB (red first)
  std::int32_t rowBytes;  // distance between rows, at least width x channels
};

inline const std::uint8_t* texelRow(const TexelBlock& block, std::int32_t row) {
  return block.pixels + static_cast<std::ptrdiff_t>(row) * block.rowBytes;
}
