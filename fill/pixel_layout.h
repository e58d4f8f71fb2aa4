// How the document's pixels look to the fill: which planes it asks the host
// for and how the texture's bytes become samples in the band.
#pragma once

#include <cstdint>

#include "fill/host_view.h"

namespace fill {

constexpr std::int16_t kModeGrayscale = 1;
constexpr std::int16_t kModeRgb = 3;
constexpr std::int16_t kModeGray16 = 10;
constexpr std::int16_t kModeRgb48 = 11;

struct PixelLayout {
  bool supported;                // a mode the fill accepts at Start
  std::int32_t colourPlanes;     // 1 gray, 3 RGB: bytes of a texel in the delivered row
  std::int32_t sampleBytes;      // 1, or 2 in 16-bit documents
  std::int32_t requestedPlanes;  // planes 0 to requestedPlanes - 1 are asked for
  bool opaquePlane;              // the last requested plane is transparency, written opaque
  std::int32_t pixelBytes;       // distance between output pixels
};

PixelLayout pixelLayoutOf(const HostView& view);

}  // namespace fill
