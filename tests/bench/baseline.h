// The least any fill can do, shared by both benchmark programs so that every
// figure has its anchor measured in the same process: each output row of the
// document is built from one tile row with whole-row memcpy runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

// Documents are 8000 pixels square, the size users fill most.
constexpr int kDocumentSide = 8000;
// The transformed fill both programs time: a 512 tile at 73 % turned by
// 30 degrees (counter-clockwise on screen).
constexpr double kTransformScale = 0.73;
constexpr double kTransformDegrees = 30.0;
// Bytes after every document row, as the simulated host lays its document
// out, so that the baseline writes the same memory pattern.
constexpr int kRowPadding = 7;

struct PlainDocument {
  int width;
  int height;
  int planes;
  std::ptrdiff_t rowBytes;
  std::vector<std::uint8_t> bytes;
  PlainDocument(int w, int h, int p)
      : width(w), height(h), planes(p), rowBytes(static_cast<std::ptrdiff_t>(w) * p + kRowPadding),
        bytes(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(h), 0x11) {}
};

// A tile of `tileSide` square pixels with `planes` bytes each, in any pattern.
inline std::vector<std::uint8_t> makeTile(int tileSide, int planes) {
  std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSide) * tileSide * planes);
  for (std::size_t i = 0; i < tile.size(); ++i) tile[i] = static_cast<std::uint8_t>((i * 7 + i / 13) & 0xFF);
  return tile;
}

inline void fillByRuns(const std::uint8_t* tile, int tileSide, PlainDocument& document) {
  const std::size_t tileRowBytes = static_cast<std::size_t>(tileSide) * document.planes;
  const std::size_t outRowBytes = static_cast<std::size_t>(document.width) * document.planes;
  for (int y = 0; y < document.height; ++y) {
    const std::uint8_t* source = tile + static_cast<std::size_t>(y % tileSide) * tileRowBytes;
    std::uint8_t* out = document.bytes.data() + y * document.rowBytes;
    for (std::size_t done = 0; done < outRowBytes; done += tileRowBytes) {
      const std::size_t run = outRowBytes - done < tileRowBytes ? outRowBytes - done : tileRowBytes;
      std::memcpy(out + done, source, run);
    }
  }
}

}  // namespace bench
