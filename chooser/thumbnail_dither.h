// PNG and JPEG thumbnails in the preview panel's 8-bit indexed form: a
// fixed colour table (a 6 x 6 x 6 colour cube and a ramp of grays) and
// ordered dithering, which keeps flat areas steady and repaints identically.
#pragma once

#include <cstdint>

#include "texture/thumbnail.h"

namespace chooser {

constexpr int kCubeLevels = 6;
constexpr int kCubeEntries = kCubeLevels * kCubeLevels * kCubeLevels;
constexpr int kGrayEntries = 256 - kCubeEntries;
constexpr int kWhiteIndex = kCubeEntries - 1;

// Writes the 256 colour entries (blue, green, red, reserved).
void writeThumbnailColorTable(std::uint8_t* firstEntry);

// Writes the thumbnail centred on white into `pixels` (`height` rows of
// `rowBytes`, bottom row first).
void ditherThumbnail(const texture::Thumbnail& thumbnail, std::uint8_t* pixels, int width,
                     int height, int rowBytes);

}  // namespace chooser
