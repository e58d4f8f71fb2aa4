// The texture laid down at its own size (after the size choice), tiled with
// an offset or mirrored every other copy: every output row is a run of
// whole texture rows, written with the tile fill's run copies. A mirrored
// row is the texture row followed by itself reversed, a period of twice the
// width, and rows go down forwards and then back up.
#pragma once

#include "fill/fill_mode.h"

namespace fill {

extern const FillMode kCopyFill;

}  // namespace fill
