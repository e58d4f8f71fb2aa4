// Colour reduction of the library previews, through libimagequant.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/texfill/image.h"

namespace texfill {

struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> indices;                // one per pixel, rows top first
  std::vector<std::array<std::uint8_t, 3>> colours;  // at most the colours asked for
};

// `rgb` (3 channels) reduced to at most `colours` (2 to 256) colours.
bool quantize(const Image& rgb, int colours, IndexedPicture& picture, std::string& error);

}  // namespace texfill
