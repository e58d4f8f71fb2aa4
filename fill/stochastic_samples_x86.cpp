// The samples of the by-example fill with AVX2, for packed pixels: the
// lookup entries gathered, their 21-bit fields summed in 64-bit lanes as
// the scalar loop sums them, then offset, clamped and scaled with the same
// integer arithmetic lane by lane, so every sample is the scalar loop's.
#include "fill/stochastic_kernels.h"

#if defined(ORIELVMX_X86)

#include <immintrin.h>

#include <cstring>

namespace stochastic::kernels {

namespace {

struct ByteMask {
  alignas(16) std::uint8_t bytes[16];
};
// Drops the fourth sample of each of four 8-bit pixels, or of each of two
// 16-bit pixels.
constexpr ByteMask kPackFourBytePixels = {{0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0x80, 0x80, 0x80, 0x80}};
constexpr ByteMask kPackTwoWordPixels = {{0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 0x80, 0x80, 0x80, 0x80}};

__attribute__((target("avx2"))) inline void storeTwelve(__m128i bytes, std::uint8_t* out) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
  const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
  std::memcpy(out + 8, &last, 4);
}

// Samples in 32-bit lanes, offset already taken, to their final values.
__attribute__((target("avx2"))) inline __m256i finalSamples(__m256i value, int sampleBytes) {
  const __m256i clamped =
      _mm256_min_epi32(_mm256_max_epi32(value, _mm256_setzero_si256()), _mm256_set1_epi32(kSampleTop));
  if (sampleBytes == 1) {
    const __m256i times255 = _mm256_sub_epi32(_mm256_slli_epi32(clamped, 8), clamped);
    return _mm256_srli_epi32(_mm256_add_epi32(times255, _mm256_set1_epi32(65536)), 17);
  }
  return _mm256_srli_epi32(_mm256_add_epi32(clamped, _mm256_set1_epi32(2)), 2);
}

__attribute__((target("avx2"))) std::int32_t writeRgb(const StochasticTexture& texture, const Chunk& chunk,
                                                      std::int32_t count, int sampleBytes, std::uint8_t* out) {
  const auto* lookup = reinterpret_cast<const long long*>(texture.lookup);
  const __m256i fieldMask = _mm256_set1_epi64x(0x1FFFFF);
  const __m256i offset = _mm256_setr_epi32(texture.fieldOffset[0], texture.fieldOffset[1], texture.fieldOffset[2], 0,
                                           texture.fieldOffset[0], texture.fieldOffset[1], texture.fieldOffset[2], 0);
  const __m128i packBytes = _mm_load_si128(reinterpret_cast<const __m128i*>(kPackFourBytePixels.bytes));
  const __m256i packWords =
      _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kPackTwoWordPixels.bytes)));
  const std::int32_t whole = count / 4 * 4;
  for (std::int32_t p = 0; p < whole; p += 4) {
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < 3; ++k) {
      const __m128i nodes = _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(chunk.nodes[k] + p)));
      sum = _mm256_add_epi64(sum, _mm256_i32gather_epi64(lookup + k * kLookupNodes, nodes, 8));
    }
    // 32-bit lanes R G of each pixel, and B with a zero.
    const __m256i redGreen =
        _mm256_or_si256(_mm256_and_si256(sum, fieldMask),
                        _mm256_slli_epi64(_mm256_and_si256(_mm256_srli_epi64(sum, 21), fieldMask), 32));
    const __m256i blue = _mm256_srli_epi64(sum, 42);
    // Pixels 0 and 2, then 1 and 3, as R G B 0 each.
    const __m256i even = finalSamples(_mm256_sub_epi32(_mm256_unpacklo_epi64(redGreen, blue), offset), sampleBytes);
    const __m256i odd = finalSamples(_mm256_sub_epi32(_mm256_unpackhi_epi64(redGreen, blue), offset), sampleBytes);
    // Per half: pixel 0 (or 2) then 1 (or 3), 16 bits a sample.
    const __m256i words = _mm256_packus_epi32(even, odd);
    if (sampleBytes == 1) {
      const __m256i bytes = _mm256_packus_epi16(words, words);
      const __m128i four = _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, 0x08));
      storeTwelve(_mm_shuffle_epi8(four, packBytes), out + 3 * p);
    } else {
      const __m256i packed = _mm256_shuffle_epi8(words, packWords);
      storeTwelve(_mm256_castsi256_si128(packed), out + 6 * p);
      storeTwelve(_mm256_extracti128_si256(packed, 1), out + 6 * p + 12);
    }
  }
  return whole;
}

__attribute__((target("avx2"))) std::int32_t writeGray(const StochasticTexture& texture, const Chunk& chunk,
                                                       std::int32_t count, int sampleBytes, std::uint8_t* out) {
  // The low 32 bits of each entry hold the sample; the others are zero.
  const auto* lookup = reinterpret_cast<const int*>(texture.lookup);
  const __m256i offset = _mm256_set1_epi32(texture.fieldOffset[0]);
  const std::int32_t whole = count / 8 * 8;
  for (std::int32_t p = 0; p < whole; p += 8) {
    const __m256i nodes = _mm256_cvtepu16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(chunk.nodes[0] + p)));
    const __m256i samples =
        finalSamples(_mm256_sub_epi32(_mm256_i32gather_epi32(lookup, nodes, 8), offset), sampleBytes);
    const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(samples), _mm256_extracti128_si256(samples, 1));
    if (sampleBytes == 1) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + p), _mm_packus_epi16(words, words));
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * p), words);
    }
  }
  return whole;
}

}  // namespace

__attribute__((target("avx2"))) ORIELVMX_REALIGN std::int32_t writeSamplesAvx2(const StochasticTexture& texture,
                                                                               const Chunk& chunk, std::int32_t count,
                                                                               const StochasticTarget& target,
                                                                               std::uint8_t* out) {
  if (target.pixelBytes != texture.channels * target.sampleBytes) return 0;
  return texture.channels == 3 ? writeRgb(texture, chunk, count, target.sampleBytes, out)
                               : writeGray(texture, chunk, count, target.sampleBytes, out);
}

}  // namespace stochastic::kernels

#endif
