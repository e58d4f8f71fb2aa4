// The blend of the by-example fill in SSE2 and AVX2: the scalar
// arithmetic of stochastic_kernels.h lane by lane. pmulhw is (a b) >> 16
// exactly; a weight of one comes out as 32767 through 32767 - s + 1 less
// one where s is 0; and blended values plus the node offset stay below
// 2^15. So every node comes out as the scalar loop's. They run on past the
// end of a run to the next whole vector (see kChunkSpill).
#include "fill/stochastic_kernels.h"

#if defined(ORIELVMX_X86)

#include <immintrin.h>

namespace stochastic::kernels {

namespace {

// The three corner weights from the grid fractions, 16-bit lanes. The sum
// of two 15-bit fractions fits 16 bits unsigned, its top bit telling the
// lower triangle.
struct Weights128 {
  __m128i w[3];
};

__attribute__((target("sse2"))) inline __m128i select(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

__attribute__((target("sse2"))) inline Weights128 weightsOf(__m128i fractionA, __m128i fractionB) {
  const __m128i one = _mm_set1_epi16(1);
  const __m128i largest = _mm_set1_epi16(kWeightOne - 1);
  const __m128i sum = _mm_add_epi16(fractionA, fractionB);
  const __m128i lower = _mm_srai_epi16(sum, 15);
  const __m128i upperFirst =
      _mm_add_epi16(_mm_sub_epi16(largest, sum), _mm_add_epi16(one, _mm_cmpeq_epi16(sum, _mm_setzero_si128())));
  const __m128i lowerFirst = _mm_and_si128(sum, largest);
  const __m128i lowerSecond = _mm_add_epi16(_mm_sub_epi16(largest, fractionB), one);
  const __m128i lowerThird = _mm_add_epi16(_mm_sub_epi16(largest, fractionA), one);
  return {{select(lower, lowerFirst, upperFirst), select(lower, lowerSecond, fractionB),
           select(lower, lowerThird, fractionA)}};
}

__attribute__((target("sse2"))) inline __m128i normaliserIndices(const Weights128& weights) {
  const __m128i squares = _mm_add_epi16(
      _mm_add_epi16(_mm_mulhi_epi16(weights.w[0], weights.w[0]), _mm_mulhi_epi16(weights.w[1], weights.w[1])),
      _mm_mulhi_epi16(weights.w[2], weights.w[2]));
  return _mm_srli_epi16(squares, 2);
}

__attribute__((target("sse2"))) inline __m128i nodesOf(__m128i a0, __m128i a1, __m128i a2, const Weights128& weights,
                                                       __m128i normaliser) {
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epi16(a0, weights.w[0]), _mm_mulhi_epi16(a1, weights.w[1])),
                                    _mm_mulhi_epi16(a2, weights.w[2]));
  const __m128i blended = _mm_add_epi16(sum, _mm_mulhi_epi16(_mm_add_epi16(sum, sum), normaliser));
  const __m128i shifted = _mm_srai_epi16(_mm_add_epi16(blended, _mm_set1_epi16(kNodeOffset)), kNodeShift);
  return _mm_min_epi16(_mm_max_epi16(shifted, _mm_setzero_si128()), _mm_set1_epi16(kLookupNodes - 1));
}

__attribute__((target("sse2"))) inline __m128i load8(const std::int16_t* row, std::int32_t p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + p));
}

}  // namespace

__attribute__((target("sse2"))) ORIELVMX_REALIGN void blendRunSse2(const StochasticTexture& texture, Chunk& chunk,
                                                                   const RunSources& sources, std::int32_t first,
                                                                   std::int32_t end) {
  for (std::int32_t p = first; p < end; p += 8) {
    const Weights128 weights = weightsOf(load8(chunk.fractionA, p), load8(chunk.fractionB, p));
    alignas(16) std::uint16_t index[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index), normaliserIndices(weights));
    const __m128i normaliser =
        _mm_setr_epi16(texture.normaliser[index[0]], texture.normaliser[index[1]], texture.normaliser[index[2]],
                       texture.normaliser[index[3]], texture.normaliser[index[4]], texture.normaliser[index[5]],
                       texture.normaliser[index[6]], texture.normaliser[index[7]]);
    const std::int32_t i = p - first;
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      const __m128i nodes = nodesOf(load8(sources.corner[0][k], i), load8(sources.corner[1][k], i),
                                    load8(sources.corner[2][k], i), weights, normaliser);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(chunk.nodes[k] + p), nodes);
    }
  }
}

namespace {

__attribute__((target("avx2"))) inline __m256i load16(const std::int16_t* row, std::int32_t p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + p));
}

// The weights of 16 pixels, worked out as two halves of 8: they take a
// small part of the blend's time, and one way of working them out is
// easier to keep equal to the scalar loop than two.
struct Weights256 {
  __m256i w[3];
};

__attribute__((target("avx2"))) inline Weights256 weightsOf16(const std::int16_t* fractionA,
                                                              const std::int16_t* fractionB, std::int32_t p) {
  const Weights128 low = weightsOf(load8(fractionA, p), load8(fractionB, p));
  const Weights128 high = weightsOf(load8(fractionA, p + 8), load8(fractionB, p + 8));
  Weights256 weights;
  for (int i = 0; i < 3; ++i) weights.w[i] = _mm256_set_m128i(high.w[i], low.w[i]);
  return weights;
}

// The normalisers of 16 pixels: two gathers of 32 bits at 16-bit entries,
// the upper halves dropped.
__attribute__((target("avx2"))) inline __m256i normalisersOf(const std::int16_t* table, const Weights256& weights) {
  const __m256i squares = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mulhi_epi16(weights.w[0], weights.w[0]), _mm256_mulhi_epi16(weights.w[1], weights.w[1])),
      _mm256_mulhi_epi16(weights.w[2], weights.w[2]));
  const __m256i index = _mm256_srli_epi16(squares, 2);
  const auto* base = reinterpret_cast<const int*>(table);
  const __m256i mask = _mm256_set1_epi32(0xFFFF);
  const __m256i low =
      _mm256_and_si256(_mm256_i32gather_epi32(base, _mm256_cvtepu16_epi32(_mm256_castsi256_si128(index)), 2), mask);
  const __m256i high = _mm256_and_si256(
      _mm256_i32gather_epi32(base, _mm256_cvtepu16_epi32(_mm256_extracti128_si256(index, 1)), 2), mask);
  return _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xD8);
}

}  // namespace

__attribute__((target("avx2"))) ORIELVMX_REALIGN void blendRunAvx2(const StochasticTexture& texture, Chunk& chunk,
                                                                   const RunSources& sources, std::int32_t first,
                                                                   std::int32_t end) {
  const __m256i offset = _mm256_set1_epi16(kNodeOffset);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i last = _mm256_set1_epi16(kLookupNodes - 1);
  for (std::int32_t p = first; p < end; p += 16) {
    const Weights256 weights = weightsOf16(chunk.fractionA, chunk.fractionB, p);
    const __m256i normaliser = normalisersOf(texture.normaliser, weights);
    const std::int32_t i = p - first;
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      const __m256i sum =
          _mm256_add_epi16(_mm256_add_epi16(_mm256_mulhi_epi16(load16(sources.corner[0][k], i), weights.w[0]),
                                            _mm256_mulhi_epi16(load16(sources.corner[1][k], i), weights.w[1])),
                           _mm256_mulhi_epi16(load16(sources.corner[2][k], i), weights.w[2]));
      const __m256i blended = _mm256_add_epi16(sum, _mm256_mulhi_epi16(_mm256_add_epi16(sum, sum), normaliser));
      const __m256i node = _mm256_min_epi16(
          _mm256_max_epi16(_mm256_srai_epi16(_mm256_add_epi16(blended, offset), kNodeShift), zero), last);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(chunk.nodes[k] + p), node);
    }
  }
}

}  // namespace stochastic::kernels

#endif
