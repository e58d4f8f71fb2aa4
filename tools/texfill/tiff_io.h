// TIFF documents through libtiff: 8-bit RGB or grayscale, in strips.
#pragma once

#include <string>

#include "tools/texfill/image.h"

typedef struct tiff TIFF;

namespace texfill {

// Opens `path` with libtiff, its error texts going to `error` instead of
// libtiff's global handlers (which the plug-in's core has silenced).
TIFF* openTiff(const std::string& path, const char* mode, std::string& error);

// False with a reason in `error` (no file name) for anything but an intact
// 8-bit RGB or grayscale TIFF within the size limits of document_io.h.
// `sixteenBit`: 16-bit TIFFs are read too, as 16-bit images.
bool readTiff(const std::string& path, Image& image, std::string& error, bool sixteenBit = false);
// Uncompressed, one image directory.
bool writeTiff(const std::string& path, const Image& image, std::string& error);
// Size, 8-bit samples, gray or RGB photometric, interleaved, uncompressed
// strips: the tags shared by every TIFF that texfill writes.
void setUncompressedImageTags(TIFF* tiff, const Image& image);

}  // namespace texfill
