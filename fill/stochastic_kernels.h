// The integer arithmetic of the by-example fill, shared by the scalar loops
// and the x86 vector passes, which must give the same bits.
//
// Budget. A Gaussianised read A is a signed 16-bit value in kGaussianOne
// (4096) units, |A| <= 22528. Blend weights w are 15-bit fractions
// (32767 is one). The blend takes P = (A w) >> 16 for each of the three
// corners, as pmulhw does, so P is in 2048ths of a deviation, and
// S = P1 + P2 + P3 stays within |S| <= 11267 since the weights add up to
// one. The blend keeps the variance by dividing by the root of the sum of
// squared weights: G = S + ((2 S) R) >> 16, where R (at most 23988, the
// root of 3 less one in 1/32768 units) comes from a table by the sum of
// squares; 2S fits 16 bits, and |G| <= 19515. The lookup node nearest to G
// is (G + 16388) >> 3, clamped to 0 .. 4095: nodes lie 8 units (1/256
// deviation) apart from -8 deviations on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fill/stochastic_render.h"
#include "fill/stochastic_texture.h"
#include "resample/cpu_features.h"

namespace stochastic::kernels {

constexpr std::int32_t kNormaliserEntries = 4096;
constexpr std::int32_t kWeightSquareOne = 16384;  // the sum of squares (w w) >> 16 of weights adding up to one
constexpr std::int32_t kLargestNormaliser = 23988;
constexpr std::int32_t kNodeOffset = 16388;  // 8 deviations in 2048ths, and half a node to round
constexpr int kNodeShift = 3;

// Output pixels go through the stages in chunks: the reads and weights of a
// chunk (by the translation or the general path), then the blend into
// lookup nodes (vectorised), then the samples.
constexpr std::int32_t kChunkPixels = 256;

struct Chunk {
  alignas(32) std::int16_t reads[3][3][kChunkPixels];  // corner, channel, pixel
  alignas(32) std::int16_t weights[3][kChunkPixels];
  alignas(32) std::int16_t normaliser[kChunkPixels];
  alignas(32) std::uint16_t nodes[3][kChunkPixels];  // channel, pixel
};

inline std::int32_t blendScalar(std::int32_t a0, std::int32_t a1, std::int32_t a2, std::int32_t w0, std::int32_t w1,
                                std::int32_t w2, std::int32_t normaliser) {
  const std::int32_t sum = ((a0 * w0) >> 16) + ((a1 * w1) >> 16) + ((a2 * w2) >> 16);
  const std::int32_t blended = sum + ((2 * sum * normaliser) >> 16);
  const std::int32_t node = (blended + kNodeOffset) >> kNodeShift;
  return node < 0 ? 0 : node > kLookupNodes - 1 ? kLookupNodes - 1 : node;
}

// Pixels [first, count) of the chunk, scalar.
void blendChunkScalar(Chunk& chunk, std::int32_t channels, std::int32_t first, std::int32_t count);

// The samples of `count` pixels from their lookup nodes.
void writeSamplesScalar(const StochasticTexture& texture, const Chunk& chunk, std::int32_t count,
                        const StochasticTarget& target, std::uint8_t* out);

#if defined(ORIELVMX_X86)
// Answer how many leading pixels they blended; the scalar loop does the rest.
__attribute__((target("sse2"))) ORIELVMX_REALIGN std::int32_t blendChunkSse2(Chunk& chunk, std::int32_t channels,
                                                                            std::int32_t count);
__attribute__((target("avx2"))) ORIELVMX_REALIGN std::int32_t blendChunkAvx2(Chunk& chunk, std::int32_t channels,
                                                                            std::int32_t count);
#endif

}  // namespace stochastic::kernels
