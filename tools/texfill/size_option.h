// What --size needs that differs between the native texfill, which links the
// plug-in's engine in, and the Windows one, which loads the real .8BF: the
// native build can rescale a texture itself and tell library textures.
#pragma once

#include <string>

#include "tools/texfill/temp_dir.h"

namespace texfill {

// For --size N: the texture rescaled to N x N with the plug-in's resampler,
// written to an uncompressed TIFF in `temp`, whose path goes to `path`.
bool prescaleTexture(const std::string& texture, int pixels, const TempDir& temp,
                     bool verbose, std::string& path, std::string& error);
// True for the textures the dialog's sizes apply to (512x512 RGB or 128x128
// one-sample .tif files, square PNGs and JPEGs of at least 64 pixels); true
// when the build cannot tell.
bool isLibraryTexture(const std::string& texture);

}  // namespace texfill
