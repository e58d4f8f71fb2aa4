// Rescaling whole square pictures with the plug-in's wrap-around resampler,
// so that what tiled before still tiles.
#pragma once

#include <string>

#include "tools/texfill/image.h"

namespace texfill {

enum class ScalePath {
  none,            // already the size asked for
  wholeReduction,  // the source is a whole multiple of the target, as the plug-in's own reductions
  general,         // any other ratio, enlargements included
};

ScalePath scalePathFor(int sourceSize, int targetSize);
// "reduced 1024x1024 by 2 to 512x512 with the wrap-around resampler" and the like.
std::string describeScaling(int sourceSize, int targetSize);

// `square` must be square (1 or 3 channels). False, with a reason, when the
// resampler refuses the sizes or runs out of memory.
bool wrapScale(const Image& square, int targetSize, Image& scaled, std::string& error);

}  // namespace texfill
