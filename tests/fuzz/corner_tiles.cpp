// The quilted fill's tile set built from a texture of fuzzed size, layout
// and contents (flat, noisy, periodic, odd sizes). The first 8 bytes: width
// (2, little-endian), height (2), channels (bit 0: 3, else 1), the cell
// percent, the seed (2); the rest are the samples, repeated to fill the
// texture. Every half row of the tiles around the lattice origin must be
// covered by its runs once, in order, each run's corner one of the four,
// patches and tile sides on the texture's lattice.
#include <cstdint>
#include <memory>

#include "fill/corner_tiles.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The builder's time grows with the tile's area; the sizes, not the area,
// are what varies.
constexpr std::int64_t kMostPixels = 1 << 15;

void checkTiles(const fill::CornerTiles& tiles) {
  const std::int32_t k = tiles.colours;
  for (std::int32_t c = 0; c < k; ++c) {
    if (tiles.sourceX[c] < 0 || tiles.sourceX[c] >= tiles.texture.width || tiles.sourceY[c] < 0 ||
        tiles.sourceY[c] >= tiles.texture.height) {
      fuzzing::fail("a patch position outside the texture");
    }
  }
  // Patches keep the motif's phase: every offset between two of them, and
  // each tile side, on the lattice.
  const fill::TextureLattice& lattice = tiles.lattice;
  if (lattice.across < 1 || lattice.down < 1 || lattice.shift < 0 || lattice.shift >= lattice.across) {
    fuzzing::fail("a lattice out of its normal form");
  }
  if (!fill::onLattice(lattice, tiles.tileWidth, 0) || !fill::onLattice(lattice, 0, tiles.tileHeight)) {
    fuzzing::fail("a tile side off the lattice");
  }
  for (std::int32_t c = 1; c < k; ++c) {
    if (!fill::onLattice(lattice, tiles.sourceX[c] - tiles.sourceX[0], tiles.sourceY[c] - tiles.sourceY[0])) {
      fuzzing::fail("a patch off the lattice");
    }
  }
  for (std::int32_t j = -1; j <= 1; ++j) {
    for (std::int32_t i = -1; i <= 1; ++i) {
      const std::int32_t colour[4] = {fill::cornerColour(tiles, i, j, 9), fill::cornerColour(tiles, i + 1, j, 9),
                                      fill::cornerColour(tiles, i, j + 1, 9),
                                      fill::cornerColour(tiles, i + 1, j + 1, 9)};
      for (std::int32_t y = 0; y < tiles.tileHeight; ++y) {
        std::int32_t x = 0;
        for (const bool right : {false, true}) {
          std::uint32_t run = 0;
          std::uint32_t last = 0;
          fill::halfRowRuns(tiles, colour, y, right, &run, &last);
          for (; run < last; ++run) {
            const auto end = static_cast<std::int32_t>(tiles.runs[run] >> 2);
            if (end <= x) fuzzing::fail("runs out of order");
            x = end;
          }
          if (x != (right ? tiles.tileWidth : tiles.tileWidth / 2)) fuzzing::fail("a half row not covered");
        }
        fill::quiltedTexel(tiles, std::int64_t{i} * tiles.tileWidth + y % tiles.tileWidth,
                           std::int64_t{j} * tiles.tileHeight + y, 9);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  fuzzing::InputScope scope;
  std::int32_t width = 0;
  std::int32_t height = 0;
  fuzzing::pictureSize(data, kMostPixels, width, height);
  if (width <= 0 || height <= 0) return 0;
  const std::int32_t channels = (data[4] & 1) != 0 ? 3 : 1;
  const std::int32_t cell = data[5] % 101;
  const std::uint32_t seed = data[6] | data[7] << 8;
  const std::int64_t bytes = std::int64_t{width} * height * channels;
  std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[bytes]);
  const std::uint8_t* samples = data + 8;
  const std::size_t sampleCount = size - 8;
  for (std::int64_t i = 0; i < bytes; ++i) pixels[i] = sampleCount > 0 ? samples[i % sampleCount] : 0;

  const TexelBlock block{pixels.get(), width, height, channels, width * channels};
  fill::CornerTiles tiles{};
  if (!fill::buildCornerTiles(block, cell, seed, tiles)) return 0;
  checkTiles(tiles);
  fill::releaseCornerTiles(tiles);
  return 0;
}
