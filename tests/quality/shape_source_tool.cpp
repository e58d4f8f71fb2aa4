// Tells, for the quality script (shape_quality.py), which texel of the
// texture each pixel of a quilted fill (texfill fill --repeat shapes) is
// copied from, so that the script can find the fill's cuts and judge them
// against the texture's joints:
//
//   shape_source TEXTURE.png OUT.bin WIDTH HEIGHT [--seed N] [--cell PERCENT]
//
// The tiles are built as the quilted fill builds them for an 8-bit RGB
// document at the texture's own size (--size Actual), scale 100 % and angle
// 0: from the texture's texels as they are (the prefilter leaves a block at
// scale 1 untouched), the lattice anchored at document pixel (0, 0). OUT.bin
// holds WIDTH x HEIGHT pairs of little-endian 16-bit numbers, the source
// column and row, row after row.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fill/corner_tiles.h"
#include "tools/texfill/png_io.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: shape_source TEXTURE.png OUT.bin WIDTH HEIGHT [--seed N] [--cell PERCENT]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return usage();
  const std::string texturePath = argv[1];
  const std::string outPath = argv[2];
  const long width = std::atol(argv[3]);
  const long height = std::atol(argv[4]);
  long seed = 1;
  long cellPercent = 0;
  for (int i = 5; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--seed" && hasValue) {
      seed = std::atol(argv[++i]);
    } else if (option == "--cell" && hasValue) {
      cellPercent = std::atol(argv[++i]);
    } else {
      return usage();
    }
  }
  // The fill's own ranges (texfill refuses anything else), and a map that
  // fits in memory.
  if (width < 1 || height < 1 || width > 16384 || height > 16384 || seed < 0 || seed > 99999 || cellPercent < 0 ||
      cellPercent > 100) {
    return usage();
  }

  texfill::Image texture;
  std::string error;
  if (!texfill::readPng(texturePath, texture, error)) {
    std::fprintf(stderr, "shape_source: %s: %s\n", texturePath.c_str(), error.c_str());
    return 1;
  }
  // An RGB document takes a gray texture's rows as RGB.
  if (texture.channels == 1) texture = texfill::toRgb(texture);
  // Source positions are written in 16 bits.
  if (texture.width > 65535 || texture.height > 65535) {
    std::fprintf(stderr, "shape_source: %s: wider or higher than 65535 texels\n", texturePath.c_str());
    return 1;
  }
  const TexelBlock block{texture.pixels.data(), texture.width, texture.height, texture.channels,
                         texture.width * texture.channels};
  fill::CornerTiles tiles{};
  if (!fill::buildCornerTiles(block, static_cast<std::int32_t>(cellPercent), static_cast<std::uint32_t>(seed),
                              tiles)) {
    std::fprintf(stderr, "shape_source: out of memory building the tiles\n");
    return 1;
  }
  std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  std::size_t at = 0;
  for (long v = 0; v < height; ++v) {
    for (long u = 0; u < width; ++u) {
      const fill::TexelPosition source = fill::quiltedSource(tiles, u, v, static_cast<std::uint32_t>(seed));
      out[at++] = static_cast<std::uint8_t>(source.x & 0xFF);
      out[at++] = static_cast<std::uint8_t>(source.x >> 8);
      out[at++] = static_cast<std::uint8_t>(source.y & 0xFF);
      out[at++] = static_cast<std::uint8_t>(source.y >> 8);
    }
  }
  std::printf("tile %d %d colours %d\n", tiles.tileWidth, tiles.tileHeight, tiles.colours);
  fill::releaseCornerTiles(tiles);
  FILE* file = std::fopen(outPath.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "shape_source: %s: cannot be written\n", outPath.c_str());
    return 1;
  }
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && written ? 0 : 1;
}
