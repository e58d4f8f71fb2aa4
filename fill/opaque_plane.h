// The transparency sample a layer's pixel gets after its colour when the
// fill makes the layer opaque: 255, or 32768 (the hosts' 16-bit top) in
// 16-bit documents.
#pragma once

#include <cstdint>

#include "fill/pixel_layout.h"

namespace fill {

inline void writeOpaquePlane(std::uint8_t* firstPixel, std::int32_t pixels, const PixelLayout& layout) {
  if (!layout.opaquePlane) return;
  std::uint8_t* sample = firstPixel + layout.colourPlanes * layout.sampleBytes;
  for (std::int32_t i = 0; i < pixels; ++i, sample += layout.pixelBytes) {
    if (layout.sampleBytes == 1) {
      sample[0] = 255;
    } else {
      sample[0] = 0x00;
      sample[1] = 0x80;
    }
  }
}

}  // namespace fill
