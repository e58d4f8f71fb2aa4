#include "fill/pixel_layout.h"

namespace fill {

namespace {

bool editableTransparency(const HostView& view, std::int32_t colourPlanes) {
  const bool editableCase = view.filterCase == 4 || view.filterCase == 5;
  // The transparency plane follows the colour planes; a host that counts
  // its layer planes otherwise gets the flat-image fill.
  return editableCase && view.inTransparencyMask > 0 && view.outTransparencyMask > 0 &&
         view.inLayerPlanes == colourPlanes && view.outLayerPlanes == colourPlanes;
}

bool lockedTransparency(const HostView& view) { return view.filterCase == 6 || view.filterCase == 7; }

}  // namespace

PixelLayout pixelLayoutOf(const HostView& view) {
  PixelLayout layout{};
  switch (view.imageMode) {
    case kModeGrayscale: layout = {true, 1, 1, 1, false, 0}; break;
    case kModeRgb: layout = {true, 3, 1, 3, false, 0}; break;
    case kModeGray16: layout = {true, 1, 2, 1, false, 0}; break;
    case kModeRgb48: layout = {true, 3, 2, 3, false, 0}; break;
    // Refused at Start; a host that switches to such a mode afterwards
    // still gets the 8-bit RGB band it always got.
    default: return {false, 3, 1, 3, false, view.planes};
  }
  // Hosts lay out the planes asked for next to each other, whatever
  // `planes` says, once a layer is handed over: the colour samples and the
  // transparency sample, or the colour samples alone when transparency is
  // locked. A flat image keeps the stride of `planes` samples it always had.
  if (editableTransparency(view, layout.colourPlanes)) {
    layout.requestedPlanes = layout.colourPlanes + 1;
    layout.opaquePlane = true;
    layout.pixelBytes = layout.requestedPlanes * layout.sampleBytes;
  } else if (lockedTransparency(view)) {
    layout.pixelBytes = layout.colourPlanes * layout.sampleBytes;
  } else {
    layout.pixelBytes = view.planes * layout.sampleBytes;
  }
  return layout;
}

}  // namespace fill
