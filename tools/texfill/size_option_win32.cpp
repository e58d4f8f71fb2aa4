// The Windows --size: texture preparation needs the engine, which this build
// does not link.
#include "tools/texfill/size_option.h"

namespace texfill {

bool prescaleTexture(const std::string&, int pixels, const TempDir&, bool, std::string&,
                     std::string& error) {
  error = "--size " + std::to_string(pixels) +
          " rescales with the engine, which the Windows build does not link; use the native "
          "texfill or one of Actual, 512X512, 256X256, 128X128, 64X64";
  return false;
}

// Only the plug-in knows; it fills other textures at their own size anyway.
bool isLibraryTexture(const std::string&) { return true; }

}  // namespace texfill
