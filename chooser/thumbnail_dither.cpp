#include "chooser/thumbnail_dither.h"

#include <cstring>

namespace chooser {
namespace {

// 4 x 4 Bayer thresholds: neighbouring pixels round at different points,
// so a colour between two table entries shows as their mix.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Quantises v to one of `levels` evenly spaced levels, rounding up where
// the fraction passes the threshold (0..15).
int ditherLevel(int v, int levels, int threshold) {
  const int scaled = v * (levels - 1);
  const int level = scaled / 255;
  const int fraction = scaled % 255;
  return level + (fraction * 16 > threshold * 255 + 127 ? 1 : 0);
}

int indexFor(const std::uint8_t* rgb, int threshold) {
  // Grays use the finer ramp, where the cube has only six steps.
  if (rgb[0] == rgb[1] && rgb[1] == rgb[2]) {
    return kCubeEntries + ditherLevel(rgb[0], kGrayEntries, threshold);
  }
  const int r = ditherLevel(rgb[0], kCubeLevels, threshold);
  const int g = ditherLevel(rgb[1], kCubeLevels, threshold);
  const int b = ditherLevel(rgb[2], kCubeLevels, threshold);
  return (r * kCubeLevels + g) * kCubeLevels + b;
}

}  // namespace

void writeThumbnailColorTable(std::uint8_t* firstEntry) {
  for (int i = 0; i < 256; ++i, firstEntry += 4) {
    int r;
    int g;
    int b;
    if (i < kCubeEntries) {
      r = i / (kCubeLevels * kCubeLevels) * 255 / (kCubeLevels - 1);
      g = i / kCubeLevels % kCubeLevels * 255 / (kCubeLevels - 1);
      b = i % kCubeLevels * 255 / (kCubeLevels - 1);
    } else {
      r = g = b = ((i - kCubeEntries) * 255 + (kGrayEntries - 1) / 2) / (kGrayEntries - 1);
    }
    firstEntry[0] = static_cast<std::uint8_t>(b);
    firstEntry[1] = static_cast<std::uint8_t>(g);
    firstEntry[2] = static_cast<std::uint8_t>(r);
    firstEntry[3] = 0;
  }
}

void ditherThumbnail(const texture::Thumbnail& thumbnail, std::uint8_t* pixels, int width,
                     int height, int rowBytes) {
  for (int y = 0; y < height; ++y) {
    std::memset(pixels + static_cast<std::size_t>(y) * rowBytes, kWhiteIndex,
                static_cast<std::size_t>(rowBytes));
  }
  const int shownWidth = thumbnail.width < width ? thumbnail.width : width;
  const int shownHeight = thumbnail.height < height ? thumbnail.height : height;
  const int left = (width - shownWidth) / 2;
  const int top = (height - shownHeight) / 2;
  for (int y = 0; y < shownHeight; ++y) {
    const std::uint8_t* in = thumbnail.rgb + 3 * static_cast<std::size_t>(y) * thumbnail.width;
    // Bottom-up: the picture's top row is the panel's last.
    std::uint8_t* out = pixels + static_cast<std::size_t>(height - 1 - (top + y)) * rowBytes + left;
    for (int x = 0; x < shownWidth; ++x, in += 3) {
      out[x] = static_cast<std::uint8_t>(indexFor(in, kBayer[(top + y) & 3][(left + x) & 3]));
    }
  }
}

}  // namespace chooser
