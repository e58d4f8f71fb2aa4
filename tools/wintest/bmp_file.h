// 24-bit BMP files as the checks write them: textures for the plug-in to
// read, and screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wintest {

// `rgb` holds `height` rows of `width` pixels, the top row first, three
// bytes a pixel, red first. `compression` is written as given, so that a
// check can offer a file the plug-in must refuse.
std::vector<std::uint8_t> bmpFile(int width, int height, const std::uint8_t* rgb,
                                  std::uint32_t compression = 0);
bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace wintest
