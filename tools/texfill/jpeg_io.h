// JPEG pictures: written through libjpeg for the sample textures, read
// through the plug-in's own decoder for make-seamless.
#pragma once

#include <string>

#include "tools/texfill/image.h"

namespace texfill {

// An 8-bit gray or RGB image as a baseline JPEG of the given quality (1 to
// 100). A non-empty `comment` goes into a comment segment, the long name the
// plug-in lists a JPEG texture by. False with a reason (no file name).
bool writeJpeg(const std::string& path, const Image& image, int quality, const std::string& comment,
               std::string& error);

// Baseline or progressive, gray or colour, within the size limits of
// document_io.h; a gray file gives a gray image. False with a reason (no
// file name).
bool readJpeg(const std::string& path, Image& image, std::string& error);

}  // namespace texfill
