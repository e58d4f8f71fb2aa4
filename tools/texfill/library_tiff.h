// Writing a texture-library TIFF: the texture in the first directory with
// its long name in ImageDescription, then the 64 by 64 preview for palette
// and true-colour displays (8-bit palette) and the one for 16-colour
// displays (4-bit palette).
#pragma once

#include <string>

#include "tools/texfill/image.h"
#include "tools/texfill/quantize.h"

namespace texfill {

struct LibraryTexture {
  Image texture;             // 3 channels (RGB) or 1 (gray), uncompressed in the file
  std::string description;   // the long name; the list shows the text before the first ";"
  IndexedPicture preview256; // at most 256 colours
  IndexedPicture preview16;  // at most 16 colours
};

bool writeLibraryTiff(const std::string& path, const LibraryTexture& library, std::string& error);

}  // namespace texfill
