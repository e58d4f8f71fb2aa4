// The texture laid down at its own size (after the size choice), tiled with
// an offset or mirrored every other copy: every output row is a run of
// whole texture rows, written with the tile fill's run copies. A mirrored
// row is the texture row followed by itself reversed, a period of twice the
// width, and rows go down forwards and then back up.
#pragma once

#include "fill/fill_mode.h"

namespace fill {

extern const FillMode kCopyFill;

// The copy fill's period in a started job: the fill at (x + across, y) and
// at (x, y + down) is the fill at (x, y). False for a job of another mode
// or one not started.
bool copyFillPeriod(const FillJob& job, std::int32_t* across, std::int32_t* down);

}  // namespace fill
