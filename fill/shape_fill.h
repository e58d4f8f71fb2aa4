// The fill without repetition that keeps the texture's shapes: corner tiles
// quilted from the texture as the fill places it (corner_tiles.h), each
// lattice corner's colour a hash of its position and the user's variation.
// Each pixel depends only on its document position, so any split into bands
// gives the same bytes and fills anchored at the document join.
#pragma once

#include "fill/fill_mode.h"

namespace fill {

extern const FillMode kShapeFill;

}  // namespace fill
