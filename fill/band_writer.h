// Writes one texture row into a band of the host's output buffer, repeated
// horizontally and wrapped at the row's end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fill {

// Writes one band: every one of its `bandHeight` rows, `rowStride` bytes
// apart, receives the texture row, repeated `repeat` times horizontally.
//
// When output pixels are packed (as many planes as texel bytes), an output
// row is periodic: it repeats every rowLength x repeat bytes from its first
// byte. So only the first period is built from the texture row, and the
// rest of the row is copied from the row's own beginning (extendFirstPeriod),
// in a few short copies however narrow the texture. The band's other rows are copies of its first. With
// repeat 1 the first period is two runs of the texture row (phase to end,
// start to phase); with a larger repeat it is written texel by texel, once
// per band rather than once per output pixel.
void writeBand(const std::uint8_t* row, std::int32_t rowLength, std::int32_t phase,
               std::int32_t texelBytes, std::int32_t planes, std::int32_t repeat,
               std::int32_t width, std::int32_t bandHeight, std::uint8_t* destination,
               std::int32_t rowStride);

// The rest of a packed band once the first `first` bytes of its first row
// hold a whole period (or the whole row): that row completed to `total`
// bytes by copies from its own start, then copied into the band's other rows.
void extendFirstPeriod(std::uint8_t* destination, std::size_t first, std::size_t total, std::int32_t bandHeight,
                       std::int32_t rowStride);

}  // namespace fill
