#include "fill/start_setup.h"

#include "fill/pixel_layout.h"
#include "fill/result_codes.h"

namespace fill {

void requestPlanes(FillJob& job, HostView& view, std::int16_t* result) {
  view.inLoPlane = 0;
  job.rowsTotal = view.filterRect.bottom - view.filterRect.top;
  const PixelLayout layout = pixelLayoutOf(view);
  if (layout.supported) {
    view.inHiPlane = static_cast<std::int16_t>(layout.requestedPlanes - 1);
  } else {
    *result = filterBadMode;
  }
  // A host that gives fewer bytes per pixel than the planes requested would
  // have every row overrun; refuse it before any band is written.
  if (*result == noErr && view.planes < view.inHiPlane - view.inLoPlane + 1) {
    *result = filterBadParameters;
  }
}

void sizeTexture(texture::TextureSource& source, const ScalingFactors& factors) {
  if (factors.resampledSize != 0) {
    source.scaledHeight = source.scaledWidth = factors.resampledSize;
  } else {
    source.scaledHeight = source.height / factors.reduction;
    source.scaledWidth = source.width / factors.reduction;
  }
}

}  // namespace fill
