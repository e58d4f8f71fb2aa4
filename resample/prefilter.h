// Reductions are filtered before they are sampled: the texture is first
// reduced with the wrap-around resampler to the nearest period at or above
// the scaled one, so that a 10 % fill does not alias, and the point sampler
// then samples that block at a scale just below 1.
//
// What the caller passes on: createPointSampler(result.block, edge), and
// the map fillTextureMap(transform, result.frame), with the fill's own scale
// in the transform; the frame carries the block's size and centring.
#pragma once

#include <cstdint>

#include "resample/edge_index.h"
#include "resample/texel_block.h"
#include "resample/texture_map.h"

struct PrefilteredTexture {
  TexelBlock block;       // the reduction, or the texture itself
  BlockFrame frame;
  std::uint8_t* reduced;  // owned by the result; null when block is the texture
};

// For a scale below 1 and both sides of 2 or more, each side becomes
// ceil(side x scale) (at least 2); otherwise the block is the texture. False
// when memory runs out (result untouched).
bool prefilterTexture(const TexelBlock& texture, double scale, EdgeMode edge, PrefilteredTexture& result);
void releasePrefiltered(PrefilteredTexture& result);
