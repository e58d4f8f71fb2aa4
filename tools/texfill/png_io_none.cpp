// Builds without libpng (the Windows cross build has none) read and write
// TIFF documents only.
#include "tools/texfill/png_io.h"

namespace texfill {

bool readPng(const std::string&, Image&, std::string& error, bool) {
  error = "this build of texfill reads TIFF documents only";
  return false;
}

bool writePng(const std::string&, const Image&, std::string& error) {
  error = "this build of texfill writes TIFF documents only";
  return false;
}

}  // namespace texfill
