// How much each texel of a texture looks like part of a joint: a thin line
// darker or lighter than what is on either side of it (grout, mortar, the
// gap between boards, the dark seam between cobbles, the shadow between
// threads). A cut of the quilted fill that runs along a joint does not
// show, as the eye expects one piece to end there and the next to begin.
#pragma once

#include <cstdint>

#include "resample/texel_block.h"

namespace fill {

// The joint strength of every texel of a texture repeated without end, 0
// (none) to 255, row after row into `strength` (width x height bytes): the
// larger of the black and white top-hats of its luminance (closing less
// the texture, the texture less its opening, over a square wider than a
// joint), taken against a few times their mean, so that a texture of
// lines stands out and noise stays low. False when memory runs out.
bool jointStrength(const TexelBlock& texture, std::uint8_t* strength);

}  // namespace fill
