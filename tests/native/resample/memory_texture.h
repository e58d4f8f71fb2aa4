// An in-memory texture (square unless a height is given) serving rows to a
// WrapResampler, with a log of the rows asked for and a switch that makes
// reads of one row fail.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "resample/wrap_resampler.h"

namespace resample_test {

struct MemoryTexture {
  int size = 0;  // the width
  int height = 0;
  int channels = 3;
  std::vector<std::uint8_t> bytes;  // height rows of size * channels bytes
  std::vector<int> fetchLog;
  bool requestOutOfRange = false;
  int failingRow = -1;
  int failuresLeft = 0;

  MemoryTexture(int size, int channels) : MemoryTexture(size, size, channels) {}
  MemoryTexture(int width, int height, int channels)
      : size(width), height(height), channels(channels), bytes(std::size_t(width) * height * channels) {}

  std::uint8_t& at(int x, int y, int ch) { return bytes[(std::size_t(y) * size + x) * channels + ch]; }

  void fill(const std::function<std::uint8_t(int x, int y, int ch)>& value) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < size; ++x)
        for (int ch = 0; ch < channels; ++ch) at(x, y, ch) = value(x, y, ch);
  }

  void fillRandom(unsigned seed) {
    std::mt19937 generator(seed);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator() >> 24);
  }

  static int fetch(void* context, std::int32_t row, std::uint8_t* destination) {
    auto& texture = *static_cast<MemoryTexture*>(context);
    if (row < 0 || row >= texture.height) {
      texture.requestOutOfRange = true;
      return -1;
    }
    texture.fetchLog.push_back(row);
    if (row == texture.failingRow && texture.failuresLeft > 0) {
      --texture.failuresLeft;
      return -1;
    }
    const std::size_t rowBytes = std::size_t(texture.size) * texture.channels;
    std::memcpy(destination, texture.bytes.data() + row * rowBytes, rowBytes);
    return 0;
  }

  RowSource source() { return RowSource{&MemoryTexture::fetch, this}; }
};

struct ResamplerDeleter {
  void operator()(WrapResampler* resampler) const { destroyWrapResampler(resampler); }
};
using ResamplerPtr = std::unique_ptr<WrapResampler, ResamplerDeleter>;

inline ResamplerPtr makeResampler(MemoryTexture& texture, int targetSize) {
  return ResamplerPtr(createWrapResampler(texture.size, targetSize, texture.channels, texture.source()));
}

inline ResamplerPtr makeResampler(MemoryTexture& texture, int targetWidth, int targetHeight, EdgeMode edge,
                                  Alignment alignment) {
  return ResamplerPtr(createWrapResampler(
      ResampleShape{texture.size, texture.height, targetWidth, targetHeight, edge, alignment}, texture.channels,
      texture.source()));
}

// Every output row, top to bottom.
inline std::vector<std::uint8_t> resampleAll(WrapResampler& resampler) {
  const std::size_t rowBytes = std::size_t(resampler.targetSize) * resampler.channels;
  std::vector<std::uint8_t> out(rowBytes * resampler.targetRows);
  for (int row = 0; row < resampler.targetRows; ++row) {
    if (resampleRow(&resampler, row, out.data() + row * rowBytes) != 0) return {};
  }
  return out;
}

inline std::vector<std::int16_t> weightsOf(const WrapResampler& resampler, int index) {
  const std::int16_t* first = resampler.weights + std::size_t(index) * resampler.taps;
  return {first, first + resampler.taps};
}

}  // namespace resample_test
