// The fill without repetition: the by-example fill (stochastic_texture.h)
// over the prepared texture, at the user's scale, angle and offset and with
// the user's variation. Each pixel depends only on its document position,
// so any split into bands gives the same bytes and fills anchored at the
// document join; the rows of a band are shared out over the cores.
#pragma once

#include "fill/fill_mode.h"

namespace fill {

extern const FillMode kRandomFill;

}  // namespace fill
