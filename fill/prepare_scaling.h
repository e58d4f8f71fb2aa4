// Start-time scaling: attaches a wrap-around resampler to the texture source
// for on-the-fly reduction, or pre-scales the whole texture into memory.
#pragma once

#include <cstdint>

#include "fill/fill_job.h"
#include "fill/host_view.h"
#include "resample/wrap_resampler.h"
#include "texture/texture_source.h"

namespace fill {

// Answers 1 when Start may go on; 0 after a failure or an abort, with the
// host result written and the job's texture released.
int prepareScaling(const char* fileName, FillJob& job, HostView& view, std::int16_t* result);

// The row source resamplers of `source` read from: its unscaled rows.
RowSource textureRowSource(texture::TextureSource* source);

}  // namespace fill
