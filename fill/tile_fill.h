// The tile fill: the texture repeated in both directions, one texture row a
// band (r rows when it is enlarged by replication), each row replicated
// across the band and wrapped at its end. The first fill mode, and the one
// every size choice of the "Size to:" list uses.
#pragma once

#include <cstdint>

#include "fill/fill_job.h"
#include "fill/fill_mode.h"
#include "fill/host_view.h"

namespace fill {

extern const FillMode kTileFill;

// Start's set-up for the tile fill, after the texture is open: planes, the
// first band, the tiling phase, the compressed-TIFF pre-roll, the row buffer.
void prepareFill(const char* fileName, FillJob& job, HostView& view, std::int16_t* result);

}  // namespace fill
