// How a size choice scales a texture: the replication factor (band height
// and horizontal repeat of each texel) and the reduction factor (what the
// texture's sides are divided by), by the texture's library class.
#pragma once

#include <cstdint>

#include "texture/texture_source.h"

namespace fill {

// `resampledSize`, when not 0, is the side the resampler makes of a square
// PNG or JPEG texture whatever the ratio (`reduction` is then 1).
struct ScalingFactors {
  std::int32_t replication;
  std::int32_t reduction;
  std::int32_t resampledSize;
};

// The factors for a texture file at a size choice: by its library class, or
// for a square PNG or JPEG by its side.
ScalingFactors scalingFactors(const char* fileName, std::int32_t sizeChoice);
// The same for the opened texture at its size choice, its side taken from
// the open rather than from another reading of the file.
ScalingFactors scalingFactors(const char* fileName, const texture::TextureSource& source);

}  // namespace fill
