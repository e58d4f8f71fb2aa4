// What every fill mode does first at Start: asks the host for the planes the
// document's mode needs, and sizes the texture by the size choice.
#pragma once

#include <cstdint>

#include "fill/fill_job.h"
#include "fill/host_view.h"
#include "fill/scaling_factors.h"

namespace fill {

// inLoPlane and inHiPlane for the document, the progress total the filter
// rectangle's height; filterBadMode for a mode the fill cannot write and
// filterBadParameters for a host whose pixels are smaller than the planes.
void requestPlanes(FillJob& job, HostView& view, std::int16_t* result);

// scaledWidth and scaledHeight of the texture: its size divided by the
// reduction, or the resampled side.
void sizeTexture(texture::TextureSource& source, const ScalingFactors& factors);

}  // namespace fill
