// Light flattening: a photograph lit from one side is brighter on that
// side, and tiled, the change of brightness repeats as a stripe every
// period. Dividing the picture by a very wide blur of its brightness and
// multiplying by the mean brightness takes the change out and keeps
// everything smaller than the blur.
#pragma once

#include "seamless/progress_meter.h"
#include "seamless/seamless.h"

namespace seamless {

Outcome flattenLighting(Picture& picture, ProgressMeter& meter);
std::int64_t flattenUnits(const Picture& picture);

}  // namespace seamless
