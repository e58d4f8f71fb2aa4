// An image in memory, rows packed without padding: the document the
// command-line host fills, and every picture the tools make or read. Only
// documents read for `fill` may have 16-bit samples (native byte order,
// 0 to 65535 as in the file); every other picture is 8-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace texfill {

struct Image {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 gray, 3 RGB (red first)
  std::vector<std::uint8_t> pixels;
  int sampleBytes = 1;
};

inline std::size_t rowBytesOf(const Image& image) {
  return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.channels) *
         static_cast<std::size_t>(image.sampleBytes);
}
inline std::uint8_t* rowOf(Image& image, int y) {
  return image.pixels.data() + static_cast<std::size_t>(y) * rowBytesOf(image);
}
inline const std::uint8_t* rowOf(const Image& image, int y) {
  return image.pixels.data() + static_cast<std::size_t>(y) * rowBytesOf(image);
}

Image makeImage(int width, int height, int channels, std::uint8_t fill = 0);

// The plug-in's gray: (306 R + 601 G + 117 B) >> 10, so that a document
// turned gray here matches texture rows the plug-in turns gray itself.
std::uint8_t grayOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
Image toGray(const Image& image);
Image toRgb(const Image& image);

// Copies `from` into `to` at (x, y), clipped to `to`; both RGB or both gray.
void paste(const Image& from, Image& to, int x, int y);
// Each pixel becomes a factor x factor block.
Image enlarge(const Image& image, int factor);
// The image repeated across x by y copies of itself.
Image tile(const Image& image, int across, int down);

}  // namespace texfill
