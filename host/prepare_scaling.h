// Start-time scaling: attaches a wrap-around resampler to the texture source
// for on-the-fly reduction, or pre-scales the whole texture into memory.
#pragma once

#include <cstdint>

#include "host/host_view.h"
#include "resample/wrap_resampler.h"
#include "texture/texture_source.h"

namespace host {

// Answers 1 when Start may go on; 0 after a failure or an abort, with the
// host result written.
int prepareScaling(const char* fileName, texture::TextureSource* source, HostView& view,
                   std::int16_t* result);

// The row source that production resamplers read from: the open texture.
RowSource textureRowSource();

}  // namespace host
