// PNG documents through libpng: 8-bit RGB or grayscale only.
#pragma once

#include <string>

#include "tools/texfill/image.h"

namespace texfill {

// False with a reason in `error` (no file name) for anything but an intact
// 8-bit RGB or grayscale PNG within the size limits of document_io.h.
// `sixteenBit`: 16-bit PNGs are read too, as 16-bit images.
bool readPng(const std::string& path, Image& image, std::string& error, bool sixteenBit = false);
// A non-empty `title` goes into a "Title" text chunk, the long name the
// plug-in lists a PNG texture by.
bool writePng(const std::string& path, const Image& image, std::string& error,
              const std::string& title = std::string());

}  // namespace texfill
