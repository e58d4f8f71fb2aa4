// Covering the borders with strips from the middle of the picture, joined
// to it along a minimum error boundary cut (A. Efros and W. Freeman,
// "Image Quilting for Texture Synthesis and Transfer", SIGGRAPH 2001).
//
// Tiled, the picture's seams form a cross where four copies meet. A strip
// as tall as the picture, taken from the columns that best match it (as
// quilting picks its patches), is laid over the left and right borders:
// across the wrap it continues as those columns do. It meets the picture on
// either side along the path of least difference between the two, found by
// dynamic programming row by row, with a narrow feather. The same is then
// done across the top and bottom borders with a strip of rows of the
// result, which now repeats across and so may come from any column too.
// What is left (where the paths leave the picture) is for the smooth
// decomposition.
#pragma once

#include "seamless/progress_meter.h"
#include "seamless/seamless.h"

namespace seamless {

// Sides shorter than this are left to the smooth decomposition: the strip,
// its feather and the middle it comes from must not overlap.
constexpr std::int32_t kMinimumCutSide = 32;

Outcome cutAcrossBorders(Picture& picture, ProgressMeter& meter);
std::int64_t cutUnits(const Picture& picture);

}  // namespace seamless
