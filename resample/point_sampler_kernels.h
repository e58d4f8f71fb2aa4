// Shared by the point sampler's scalar loop and its x86 vector loops: the
// walk from one output pixel to the next, the fixed-point budget and the
// writing of one sample.
//
// Per channel the 4 x 4 texels s[k][c] (row k, column c) are combined down
// the columns first, V[c] = sum wy[k] s[k][c] (14 fractional bits), rounded
// to 6 fractional bits, Vs[c] = (V[c] + 128) >> 8, and then across,
// S = sum wx[c] Vs[c] (20 fractional bits). The weights' magnitudes add up
// to at most 1.25 (Catmull-Rom at half a texel), so Vs stays within
// -2040 .. 18360, a signed 16-bit number, and S below 2^29. The vector loops
// add the same products in another order; integers add exactly, so every
// level gives the same bytes.
#pragma once

#include <algorithm>
#include <cstdint>

#include "resample/cpu_features.h"
#include "resample/point_sampler.h"

namespace point_kernels {

constexpr int kColumnShift = 8;                          // V to Vs
constexpr std::int32_t kColumnBias = 1 << (kColumnShift - 1);
constexpr int kSumBits = 20;                             // fractional bits of S
constexpr std::int32_t kSumBias = 1 << (kSumBits - 1);  // half, so >> rounds half up

inline std::uint8_t narrowSample(std::int32_t sum) {
  return static_cast<std::uint8_t>(std::clamp((sum + kSumBias) >> kSumBits, 0, 255));
}

// S with 12 fractional bits, scaled from 0 .. 255 to 0 .. kWideTop and
// rounded; a whole value v gives (v * 32768 + 127) / 255, as a widened byte.
inline std::uint16_t wideSample(std::int32_t sum) {
  constexpr int kBits = 12;
  const std::int32_t value = (sum + (1 << (kSumBits - kBits - 1))) >> (kSumBits - kBits);
  if (value <= 0) return 0;
  if (value >= 255 << kBits) return static_cast<std::uint16_t>(kWideTop);
  // value * 32768 / (255 * 4096), rounded: (16 value + 255) / 510 in 32 bits.
  static_assert(kWideTop == 32768 && kBits == 12);
  return static_cast<std::uint16_t>((16 * value + 255) / 510);
}

inline void putWide(std::uint8_t* out, std::int32_t sum) {
  const std::uint16_t value = wideSample(sum);
  out[0] = static_cast<std::uint8_t>(value & 0xFF);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr std::int64_t kHalfTexel = std::int64_t{1} << (kMapFractionBits - 1);

// Positions along one axis, kept within one period (the size, or twice it
// when mirrored) and folded back into the texture when mirrored.
struct AxisWalk {
  std::int64_t position;  // 0 .. period - 1
  std::int64_t step;      // 0 .. period - 1
  std::int64_t period;
  std::int64_t fold;      // positions from here on are mirrored: period - position

  void advance() {
    position += step;
    if (position >= period) position -= period;
  }
  // The texel left of (or at) the position's centre, -1 .. size - 1, and
  // the phase of the position past that texel's centre, 0 .. kPhases.
  void locate(std::int32_t& texel, std::int32_t& phase) const {
    const std::int64_t inside = position >= fold ? period - position : position;
    const std::int64_t fromCentre = inside - kHalfTexel;
    texel = static_cast<std::int32_t>(fromCentre >> kMapFractionBits);
    const auto fraction = static_cast<std::uint32_t>(fromCentre & 0xFFFFFFFF);
    phase = static_cast<std::int32_t>(((fraction >> (kMapFractionBits - kPhaseBits - 1)) + 1) >> 1);
  }
};

// The walk over one run of output pixels: where each pixel's 4 x 4 texels
// are and their weights.
struct PixelWalk {
  const PointSampler* sampler;
  AxisWalk across;
  AxisWalk down;

  // The first of the four texels of each row, and the weights across and down.
  void locate(const std::uint8_t** taps, const std::int16_t*& across4, const std::int16_t*& down4) const {
    std::int32_t column = 0;
    std::int32_t row = 0;
    std::int32_t columnPhase = 0;
    std::int32_t rowPhase = 0;
    across.locate(column, columnPhase);
    down.locate(row, rowPhase);
    // Padded column 0 is texel -2, so texel column - 1 is padded column + 1;
    // rows[0] is row -2.
    const std::size_t offset = static_cast<std::size_t>(column + 1) * static_cast<std::size_t>(sampler->channels);
    const std::uint8_t* const* rows = sampler->rows + (row + 1);
#pragma GCC unroll 4
    for (int k = 0; k < 4; ++k) taps[k] = rows[k] + offset;
    across4 = sampler->phaseWeights[columnPhase];
    down4 = sampler->phaseWeights[rowPhase];
  }
  void advance() {
    across.advance();
    down.advance();
  }
};

PixelWalk startWalk(const PointSampler& sampler, const TextureMap& map, std::int32_t x, std::int32_t y);

#if defined(ORIELVMX_X86)

// One or three channels, `count` pixels, leaving the walk after the last.
__attribute__((target("avx2"))) ORIELVMX_REALIGN void sampleAvx2(PixelWalk& walk, std::int32_t count,
                                                                  const SampleTarget& target);

#endif

}  // namespace point_kernels
