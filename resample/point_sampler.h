// Samples a texture held whole in memory at any position: the fill at any
// scale and angle. Each output pixel is the cubic (Keys, a = -0.5) of the
// 4 x 4 texels around its position, with the resampler's 14-bit weights,
// the texture repeated (or mirrored) without end so that no edge appears.
// Everything per pixel is integer arithmetic, so every build gives the same
// bytes; a sampler is not changed by sampling, so several threads may
// sample it at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resample/edge_index.h"
#include "resample/texel_block.h"

// Where output pixel (x, y) samples the texture: u = ux x + uy y + u0 across
// and v = vx x + vy y + v0 down, in texels with 32 fractional bits, texel
// (i, j) centred on (i + 0.5, j + 0.5). The half pixel to an output pixel's
// centre belongs in u0 and v0. Any values: positions are taken modulo the
// texture's period, exactly.
struct TextureMap {
  std::int64_t ux;
  std::int64_t uy;
  std::int64_t u0;
  std::int64_t vx;
  std::int64_t vy;
  std::int64_t v0;
};

constexpr int kMapFractionBits = 32;
// A texel's fractional position is rounded to 1/1024 for its weights: off
// by at most 1/2048 texel, a fifth of a level where neighbours differ most.
constexpr int kPhaseBits = 10;
constexpr int kPhases = 1 << kPhaseBits;

struct PointSampler {
  EdgeMode edge;
  std::int32_t width;
  std::int32_t height;
  std::int32_t channels;        // 1 or 3
  std::size_t rowBytes;         // of a padded row
  // The texture's rows, each with two texels of its continuation (wrapped or
  // mirrored) on either side, so that the four texels across any position
  // lie side by side.
  std::uint8_t* texels;
  // Row j of the continued texture, j from -2 to height + 1, at entry j + 2.
  const std::uint8_t** rows;
  // The weights of texels i - 1 .. i + 2 for a position phase / kPhases past
  // texel i's centre.
  std::int16_t (*phaseWeights)[4];  // kPhases + 1 entries
};

// 16-bit samples run from 0 to 32768, as hosts store them.
constexpr std::int32_t kWideTop = 32768;

struct SampleTarget {
  std::uint8_t* first;       // the first sample of the first pixel
  std::int32_t pixelBytes;   // from one pixel to the next
  std::int32_t sampleBytes;  // 1, or 2 (little-endian, 0 .. kWideTop)
};

// Null for a block it cannot serve (channels other than 1 and 3, a side
// below 1 or above 32768) and when memory runs out. The block is copied.
PointSampler* createPointSampler(const TexelBlock& texture, EdgeMode edge);
void destroyPointSampler(PointSampler* sampler);

// Writes `count` pixels of output row y from column x on: the texture's
// channels (1 or 3) at each pixel, pixelBytes apart; other bytes of a pixel
// are left as they are. The value is interpolated at the sample size, so a
// 16-bit sample is not a widened 8-bit one.
void samplePoints(const PointSampler& sampler, const TextureMap& map, std::int32_t x, std::int32_t y,
                  std::int32_t count, const SampleTarget& target);

// The weights every sampler holds, kPhases + 1 entries, for windows.
void buildPhaseWeights(std::int16_t (*weights)[4]);

// Texels the caller lays down a block at a time, for a plane that does not
// repeat (the quilted fill's): window texel (i, j), i from -2 to width + 1
// and j from -2 to height + 1, at rows[j + 2] + (i + 2) x channels, with 16
// bytes readable after the last texel of every row (a vector load runs on).
struct TexelWindow {
  const std::uint8_t** rows;
  std::int32_t width;
  std::int32_t height;
  std::int32_t channels;               // 1 or 3
  const std::int16_t (*phaseWeights)[4];  // from buildPhaseWeights
};

// samplePoints over a window: `count` pixels, the first at window position
// (u, v) and each next one (du, dv) further, in texels with 32 fractional
// bits, texel (i, j) centred on (i + 0.5, j + 0.5). Positions within
// [0, width) x [0, height) are sampled as they are, with the same weights
// and sums as samplePoints; others are taken modulo that, so that nothing
// outside the window is ever read.
void sampleWindow(const TexelWindow& window, std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv,
                  std::int32_t count, const SampleTarget& target);
