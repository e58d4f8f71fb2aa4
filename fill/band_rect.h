// The band protocol's rectangles: the band the plug-in asks the host for in
// inRect (and outRect, always the same), advanced after every Continue until
// the empty rectangle ends the host's loop.
#pragma once

#include <cstdint>

#include "fill/host_view.h"

namespace fill {

inline bool rectIsEmpty(const Rect16& rect) { return rect.top >= rect.bottom || rect.left >= rect.right; }

inline void endBands(HostView& view) {
  view.inRect = Rect16{0, 0, 0, 0};
  view.outRect = view.inRect;
}

// The first band: the filter rectangle's top `rows` rows. An empty or
// inverted rectangle has nothing to fill: the empty band at once, so that
// the host does not call Continue.
inline void setFirstBand(HostView& view, std::int32_t rows) {
  view.inRect = view.filterRect;
  std::int32_t bottom = view.inRect.top + rows;
  if (bottom > view.filterRect.bottom) bottom = view.filterRect.bottom;
  view.inRect.bottom = static_cast<std::int16_t>(bottom);
  view.outRect = view.inRect;
  if (rectIsEmpty(view.filterRect)) endBands(view);
}

// Rows or columns of the band to write. outData holds the host's outRect,
// which the plug-in set equal to inRect; a host that has shrunk it since
// gets no more than it handed over.
inline std::int32_t bandExtent(std::int32_t asked, std::int32_t askedEnd, std::int32_t given,
                               std::int32_t givenEnd) {
  const std::int32_t extent = askedEnd - asked;
  const std::int32_t held = givenEnd - given;
  return held < extent ? held : extent;
}

}  // namespace fill
