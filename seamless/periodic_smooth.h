// The periodic plus smooth decomposition of L. Moisan, "Periodic plus
// smooth image decomposition", Journal of Mathematical Imaging and Vision
// 39 (2011): a picture u is p + s, where s is the smooth picture whose
// periodic Laplacian is the jumps across u's borders (with mean zero), and
// p, the periodic component, has u's Laplacian inside and no jump across
// the borders. Keeping p keeps every detail and drops the seam; here s is
// taken out whole at the borders and faded out towards the middle, whose
// half is kept as it was.
#pragma once

#include "seamless/progress_meter.h"
#include "seamless/seamless.h"

namespace seamless {

// Replaces the picture with its periodic component near the borders, its
// own pixels in the middle half and a smooth blend between, rounded and
// clamped to the sample range. Progress: units of smoothUnits.
Outcome keepPeriodicComponent(Picture& picture, ProgressMeter& meter);
std::int64_t smoothUnits(const Picture& picture);

}  // namespace seamless
