// A texture file read whole through the plug-in's own row source, so that
// texfill sees exactly the texels the plug-in would fill with.
#pragma once

#include <string>

#include "tools/texfill/image.h"

namespace texfill {

// RGB, whatever the file stores. False, with a reason, for a file the
// plug-in cannot open or read. The opener's message boxes are recorded by
// the platform layer, not printed, unless the caller asked for printing.
bool readTextureImage(const std::string& path, Image& rgb, std::string& error);

}  // namespace texfill
