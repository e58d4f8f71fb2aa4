// Writes one texture row into a band whose pixels are not the texture's own
// bytes: 16-bit samples, or a transparency plane written opaque after the
// colour. The plain 8-bit bands go through writeBand.
#pragma once

#include <cstdint>

namespace fill {

struct SampleFormat {
  std::int32_t colourPlanes;  // 1 or 3: bytes of a texel in the row
  std::int32_t sampleBytes;   // 1, or 2 for samples from 0 to 32768
  bool opaquePlane;           // one more sample after the colour, fully opaque
  std::int32_t pixelBytes;    // distance between output pixels
};

// The 16-bit sample of an 8-bit value: 0 stays 0 and 255 becomes 32768, the
// top of the hosts' 16-bit range, rounded to the nearest.
constexpr std::uint16_t wideSample(std::uint32_t value) {
  return static_cast<std::uint16_t>((value * 32768u + 127u) / 255u);
}

// Every one of the band's `bandHeight` rows, `rowStride` bytes apart,
// receives the row's `texels` texels from `firstTexel` on, each repeated
// `repeat` times and wrapping at the row's end, over `width` pixels. When
// the pixels are packed only the first period is converted; the rest of the
// row and the other rows are copies, as in writeBand. Bytes between pixels
// that the format does not cover are left alone.
void writeSampleBand(const std::uint8_t* row, std::int32_t texels, std::int32_t firstTexel,
                     const SampleFormat& format, std::int32_t repeat, std::int32_t width,
                     std::int32_t bandHeight, std::uint8_t* destination, std::int32_t rowStride);

}  // namespace fill
