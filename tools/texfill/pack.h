// Making a library texture in memory, for `texfill pack` and its tests.
#pragma once

#include <string>

#include "tools/texfill/image.h"
#include "tools/texfill/library_tiff.h"

namespace texfill {

// `input` must be square (gray or RGB). The texture becomes 512x512 RGB, or
// 128x128 gray with `low`, scaled with the wrap-around resampler; `scaling`
// says how. The previews are the texture reduced to 64x64 and quantised.
bool makeLibraryTexture(const Image& input, const std::string& name, bool low,
                        LibraryTexture& library, std::string& scaling, std::string& error);

}  // namespace texfill
