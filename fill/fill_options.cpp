#include "fill/fill_options.h"

#include <cmath>

namespace fill {

bool plainTileFill(const FillOptions& options) {
  return options.repeat == repeatTile && options.scalePercent == kScaleDefault &&
         std::fmod(options.angleDegrees, 360.0) == 0.0 && options.offsetX == 0 && options.offsetY == 0;
}

}  // namespace fill
