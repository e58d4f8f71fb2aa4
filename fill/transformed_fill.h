// The texture at any scale and angle, with an offset, tiled or mirrored:
// every output pixel samples the endlessly repeated texture at its centre
// with the point sampler's cubic, after a reduction has been prefiltered by
// the wrap-around resampler so that small scales do not alias. The rows of
// a band are shared out over the cores; a pixel depends only on its document
// position, so any split into bands gives the same bytes.
#pragma once

#include "fill/fill_mode.h"

namespace fill {

extern const FillMode kTransformedFill;

}  // namespace fill
