// From the user's scale, angle and offset to the point sampler's map, with a
// sine and cosine of our own so that every build computes the same map:
// angles that are multiples of 90 degrees turn exactly.
#pragma once

#include <cstdint>

#include "resample/point_sampler.h"

struct FillTransform {
  double scale;         // 1 is the texture's own size; kept within 1/1024 .. 1024
  double angleDegrees;  // counter-clockwise as seen on screen (rows run down)
  double offsetX;       // where the texture's top-left corner lands, in output
  double offsetY;       // pixels from the tile origin; kept within +-2^20
};

// The block the sampler samples: the texture itself (block size = texture
// size), or its reduction by prefilterTexture with the pixel centres aligned.
struct BlockFrame {
  std::int32_t textureWidth;
  std::int32_t textureHeight;
  std::int32_t blockWidth;
  std::int32_t blockHeight;
};

// Output pixel (x, y) + 0.5 goes back through the offset, the turn and the
// scale to the texture position whose texel centres sit at half-integers,
// and from there to the block's.
TextureMap fillTextureMap(const FillTransform& transform, const BlockFrame& frame);

// Cosine and sine of an angle in degrees, any value; exact (0 and +-1) at
// multiples of 90.
void turnOf(double degrees, double& cosine, double& sine);
