// The picture the Open Texture dialog's preview panel shows for a file,
// loaded by the panel's own code and turned into an upright RGB image.
#pragma once

#include <string>

#include "tools/texfill/image.h"

namespace texfill {

struct PreviewPicture {
  Image rgb;             // 64x64, top row first
  int bitCount = 0;      // the bitmap's bits per pixel after loading
  bool hasColorMap = false;  // false: the panel shows white (a PNG's or JPEG's: no thumbnail)
};

// `sixteenColours` pretends a 16-colour display, which reads the third
// directory instead of the second. False only when the panel cannot be made.
bool readPanelPreview(const std::string& path, bool sixteenColours, PreviewPicture& preview);

}  // namespace texfill
