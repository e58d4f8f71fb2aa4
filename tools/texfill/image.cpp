#include "tools/texfill/image.h"

#include <algorithm>
#include <cstring>

namespace texfill {

Image makeImage(int width, int height, int channels, std::uint8_t fill) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  image.pixels.assign(static_cast<std::size_t>(width) * height * channels, fill);
  return image;
}

std::uint8_t grayOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<std::uint8_t>((306 * red + 601 * green + 117 * blue) >> 10);
}

Image toGray(const Image& image) {
  if (image.channels == 1) return image;
  Image gray = makeImage(image.width, image.height, 1);
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = image.pixels.data() + 3 * i;
    gray.pixels[i] = grayOf(p[0], p[1], p[2]);
  }
  return gray;
}

Image toRgb(const Image& image) {
  if (image.channels == 3) return image;
  Image rgb = makeImage(image.width, image.height, 3);
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < count; ++i) {
    std::memset(rgb.pixels.data() + 3 * i, image.pixels[i], 3);
  }
  return rgb;
}

void paste(const Image& from, Image& to, int x, int y) {
  if (from.channels != to.channels) return;
  const int firstX = std::max(0, x);
  const int lastX = std::min(to.width, x + from.width);
  if (firstX >= lastX) return;
  for (int row = std::max(0, y); row < std::min(to.height, y + from.height); ++row) {
    std::memcpy(rowOf(to, row) + static_cast<std::size_t>(firstX) * to.channels,
                rowOf(from, row - y) + static_cast<std::size_t>(firstX - x) * from.channels,
                static_cast<std::size_t>(lastX - firstX) * to.channels);
  }
}

Image enlarge(const Image& image, int factor) {
  Image big = makeImage(image.width * factor, image.height * factor, image.channels);
  const int c = image.channels;
  for (int y = 0; y < big.height; ++y) {
    const std::uint8_t* source = rowOf(image, y / factor);
    std::uint8_t* target = rowOf(big, y);
    for (int x = 0; x < big.width; ++x) {
      std::memcpy(target + static_cast<std::size_t>(x) * c, source + static_cast<std::size_t>(x / factor) * c, c);
    }
  }
  return big;
}

Image tile(const Image& image, int across, int down) {
  Image tiled = makeImage(image.width * across, image.height * down, image.channels);
  for (int j = 0; j < down; ++j) {
    for (int i = 0; i < across; ++i) paste(image, tiled, i * image.width, j * image.height);
  }
  return tiled;
}

}  // namespace texfill
