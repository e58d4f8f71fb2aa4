// The tile fill engine: fills the host's filter rectangle band by band with
// the texture repeated in both directions.
#pragma once

#include <cstdint>

#include "host/host_view.h"
#include "texture/texture_source.h"

namespace host {

enum SizeChoice : std::int32_t {
  sizeActual = 0,
  size512 = 1,
  size256 = 2,
  size128 = 3,
  size64 = 4,
};

// 1: the repetition is anchored at the document's top-left corner; any other
// value anchors it at the filter rectangle's top-left corner.
enum TileOrigin : std::int32_t {
  originSelection = 0,
  originDocument = 1,
};

// How a size choice scales a texture: `replication` is the band height and
// the horizontal repeat of each texel, `reduction` what the texture's sides
// are divided by.
// `resampledSize`, when not 0, is the side the resampler makes of a square
// texture whatever the ratio (`reduction` is then 1).
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

// Fill progress, shared with the pre-scaling so that one bar covers both.
extern std::int32_t rowsDone;
extern std::int32_t rowsTotal;

void prepareFill(const char* fileName, texture::TextureSource* source, HostView& view,
                 std::int16_t* result);
void fillNextBand(texture::TextureSource* source, HostView& view, std::int16_t* result);

}  // namespace host
