// The fill without repetition that keeps the texture's shapes: corner tiles
// quilted from the texture as the fill places it (corner_tiles.h), each
// lattice corner's colour a hash of its position and the user's variation.
// Each pixel depends only on its document position, so any split into bands
// gives the same bytes and fills anchored at the document join.
#pragma once

#include "fill/fill_mode.h"

namespace fill {

extern const FillMode kShapeFill;

// The rectangle entry's render: the whole band on the caller's thread, whose
// own pool of threads shares out the rectangles (a window of the plane
// serves a block of rows, where one row at a time would copy a dozen times
// the texels).
int renderShapeRectangle(FillJob& job, const BandTarget& band, std::int16_t* result);

}  // namespace fill
