// The integer arithmetic of the by-example fill, shared by the scalar loops
// and the x86 vector passes, which must give the same bits.
//
// Budget. Corner weights w are 15-bit fractions adding up to one (32768),
// a single weight of one stored as 32767 so that it fits 16 bits. A
// Gaussianised read A is a signed 16-bit value in kGaussianOne (4096)
// units, |A| <= 22528. The blend takes P = (A w) >> 16 for each of the
// three corners, as pmulhw does, so P is in 2048ths of a deviation, and
// S = P1 + P2 + P3 stays within |S| <= 11267. Dividing by the root of the
// sum of squared weights keeps the variance: G = S + ((2 S) R) >> 16, where
// R, at most 23988 (the root of 3 less one, in 1/32768 units), comes from
// a table by q = sum of (w w) >> 16, q >> 2 its index (q <= 16383); 2S fits
// 16 bits, and |G| <= 19515. The lookup node nearest to G is
// (G + kNodeOffset) >> 2, clamped to 0 .. 6143: nodes lie 4 units (1/512
// deviation) apart from -6 deviations on; G + kNodeOffset stays below 2^15.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fill/stochastic_render.h"
#include "fill/stochastic_texture.h"
#include "fill/triangle_grid.h"
#include "resample/cpu_features.h"

namespace stochastic::kernels {

// One more entry than indices, so that a 32-bit gather at the last index
// stays inside the table.
constexpr std::int32_t kNormaliserEntries = 4097;
constexpr std::int32_t kWeightSquareOne = 16384;  // the sum of squares q of weights adding up to one
constexpr std::int32_t kLargestNormaliser = 23988;
constexpr int kNodeShift = 2;
// Half a node to round to the nearest, and the three units that the
// truncating products lose on average.
constexpr std::int32_t kNodeOffset = kLookupNodes / 2 * (1 << kNodeShift) + (1 << kNodeShift) / 2 + 3;
static_assert(2048 >> kNodeShift == kLookupNodesPerDeviation, "nodes are 1 << kNodeShift blended units apart");

// Output pixels go through the stages in chunks: the grid fractions of a
// chunk and its blend into lookup nodes, run by run (vectorised), then the
// samples. The vector blends run on past a run's end by up to kChunkSpill
// pixels; what they write there the next run writes again, so every array
// they touch has that much room after it, and the planes too.
constexpr std::int32_t kChunkPixels = 256;
constexpr std::int32_t kChunkSpill = 16;

// One value per pixel of a chunk.
using ChunkValues = std::int16_t[kChunkPixels + kChunkSpill];

struct Chunk {
  // The general path's reads: corner, channel, pixel.
  alignas(32) ChunkValues reads[3][3];
  // 15-bit fractions of the skewed coordinates.
  alignas(32) ChunkValues fractionA;
  alignas(32) ChunkValues fractionB;
  alignas(32) std::uint16_t nodes[3][kChunkPixels + kChunkSpill];  // channel, pixel
};

// Where a run of pixels inside one triangle reads: for corner i and
// channel k, the values of its first pixel and those after it.
struct RunSources {
  const std::int16_t* corner[3][3];
};

inline void cornerWeights(std::int32_t fractionA, std::int32_t fractionB, std::int32_t weight[3]) {
  const std::int32_t sum = fractionA + fractionB;
  if (sum < kWeightOne) {
    weight[0] = std::min(kWeightOne - sum, kWeightOne - 1);
    weight[1] = fractionB;
    weight[2] = fractionA;
  } else {
    // Both fractions are at least 1 here, so no weight reaches one.
    weight[0] = sum - kWeightOne;
    weight[1] = kWeightOne - fractionB;
    weight[2] = kWeightOne - fractionA;
  }
}

inline std::int32_t normaliserIndex(const std::int32_t weight[3]) {
  return (((weight[0] * weight[0]) >> 16) + ((weight[1] * weight[1]) >> 16) + ((weight[2] * weight[2]) >> 16)) >> 2;
}

// The node nearest to a blended value in 2048ths of a deviation.
inline std::uint16_t lookupNode(std::int32_t blended) {
  return static_cast<std::uint16_t>(std::clamp((blended + kNodeOffset) >> kNodeShift, 0, kLookupNodes - 1));
}

inline std::uint16_t blendedNode(std::int32_t a0, std::int32_t a1, std::int32_t a2, const std::int32_t weight[3],
                                 std::int32_t normaliser) {
  const std::int32_t sum = ((a0 * weight[0]) >> 16) + ((a1 * weight[1]) >> 16) + ((a2 * weight[2]) >> 16);
  return lookupNode(sum + ((2 * sum * normaliser) >> 16));
}

// The vector passes in use: 0 scalar, 1 SSE2, 2 AVX2.
int simdLevel();
int limitSimdLevel(int level);

// The lookup nodes of pixels [first, end), which read `sources`.
void blendRun(const StochasticTexture& texture, Chunk& chunk, const RunSources& sources, std::int32_t first,
              std::int32_t end);

// The samples of the chunk's first `count` pixels from their lookup nodes.
void writeSamples(const StochasticTexture& texture, const Chunk& chunk, std::int32_t count,
                  const StochasticTarget& target, std::uint8_t* out);

#if defined(ORIELVMX_X86)
// Pixels [first, end) and up to kChunkSpill after them.
__attribute__((target("sse2"))) ORIELVMX_REALIGN void blendRunSse2(const StochasticTexture& texture, Chunk& chunk,
                                                                   const RunSources& sources, std::int32_t first,
                                                                   std::int32_t end);
__attribute__((target("avx2"))) ORIELVMX_REALIGN void blendRunAvx2(const StochasticTexture& texture, Chunk& chunk,
                                                                   const RunSources& sources, std::int32_t first,
                                                                   std::int32_t end);
// Packed samples only (pixelBytes = channels x sampleBytes): answers how
// many leading pixels it wrote.
__attribute__((target("avx2"))) ORIELVMX_REALIGN std::int32_t writeSamplesAvx2(const StochasticTexture& texture,
                                                                               const Chunk& chunk, std::int32_t count,
                                                                               const StochasticTarget& target,
                                                                               std::uint8_t* out);
#endif

}  // namespace stochastic::kernels
