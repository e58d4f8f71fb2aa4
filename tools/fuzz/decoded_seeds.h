// Seeds for the PNG and JPEG texture targets, written with libpng and
// libjpeg into memory.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace seeds {

using Bytes = std::vector<std::uint8_t>;
using Named = std::vector<std::pair<std::string, Bytes>>;

// Every colour type, bit depths 1 to 16, interlaced, with text chunks of
// each kind before and after the image data.
Named pngSeeds();

// Baseline, progressive, optimised, restart intervals, gray, RGB without
// the YCbCr transform, CMYK (refused), with comments.
Named jpegSeeds();

// The PNG and JPEG seeds, and pictures larger than the chooser's thumbnail
// in both directions, so that it averages boxes of them.
Named thumbnailSeeds();

}  // namespace seeds
