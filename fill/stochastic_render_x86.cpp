// The blend of the by-example fill in SSE2 and AVX2: the scalar
// arithmetic of stochastic_kernels.h lane by lane. pmulhw is (a b) >> 16
// exactly, and the saturating add before the shift only ever saturates
// values that the clamp would take to the last node anyway, so every node
// comes out as the scalar loop's.
#include "fill/stochastic_kernels.h"

#if defined(ORIELVMX_X86)

#include <immintrin.h>

namespace stochastic::kernels {

namespace {

__attribute__((target("sse2"))) inline __m128i load8(const std::int16_t* row, std::int32_t p) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(row + p));
}

__attribute__((target("avx2"))) inline __m256i load16(const std::int16_t* row, std::int32_t p) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(row + p));
}

}  // namespace

__attribute__((target("sse2"))) ORIELVMX_REALIGN std::int32_t blendChunkSse2(Chunk& chunk, std::int32_t channels,
                                                                            std::int32_t count) {
  const __m128i offset = _mm_set1_epi16(kNodeOffset);
  const __m128i zero = _mm_setzero_si128();
  const __m128i last = _mm_set1_epi16(kLookupNodes - 1);
  const std::int32_t whole = count / 8 * 8;
  for (std::int32_t k = 0; k < channels; ++k) {
    for (std::int32_t p = 0; p < whole; p += 8) {
      const __m128i sum = _mm_add_epi16(
          _mm_add_epi16(_mm_mulhi_epi16(load8(chunk.reads[0][k], p), load8(chunk.weights[0], p)),
                        _mm_mulhi_epi16(load8(chunk.reads[1][k], p), load8(chunk.weights[1], p))),
          _mm_mulhi_epi16(load8(chunk.reads[2][k], p), load8(chunk.weights[2], p)));
      const __m128i blended = _mm_add_epi16(sum, _mm_mulhi_epi16(_mm_add_epi16(sum, sum), load8(chunk.normaliser, p)));
      const __m128i node = _mm_min_epi16(_mm_max_epi16(_mm_srai_epi16(_mm_adds_epi16(blended, offset), kNodeShift), zero), last);
      _mm_store_si128(reinterpret_cast<__m128i*>(chunk.nodes[k] + p), node);
    }
  }
  return whole;
}

__attribute__((target("avx2"))) ORIELVMX_REALIGN std::int32_t blendChunkAvx2(Chunk& chunk, std::int32_t channels,
                                                                            std::int32_t count) {
  const __m256i offset = _mm256_set1_epi16(kNodeOffset);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i last = _mm256_set1_epi16(kLookupNodes - 1);
  const std::int32_t whole = count / 16 * 16;
  for (std::int32_t k = 0; k < channels; ++k) {
    for (std::int32_t p = 0; p < whole; p += 16) {
      const __m256i sum = _mm256_add_epi16(
          _mm256_add_epi16(_mm256_mulhi_epi16(load16(chunk.reads[0][k], p), load16(chunk.weights[0], p)),
                           _mm256_mulhi_epi16(load16(chunk.reads[1][k], p), load16(chunk.weights[1], p))),
          _mm256_mulhi_epi16(load16(chunk.reads[2][k], p), load16(chunk.weights[2], p)));
      const __m256i blended =
          _mm256_add_epi16(sum, _mm256_mulhi_epi16(_mm256_add_epi16(sum, sum), load16(chunk.normaliser, p)));
      const __m256i node = _mm256_min_epi16(
          _mm256_max_epi16(_mm256_srai_epi16(_mm256_adds_epi16(blended, offset), kNodeShift), zero), last);
      _mm256_store_si256(reinterpret_cast<__m256i*>(chunk.nodes[k] + p), node);
    }
  }
  return whole;
}

}  // namespace stochastic::kernels

#endif
