// The general path's reads of RGB textures in SSE2: the three channels of
// a texel in one vector. pmaddwd forms exactly the scalar loop's sums of
// two products (each within 32 bits: a Gaussian value below 2^15 times a
// weight or gain of at most 2^15), and the arithmetic shifts and the clamp
// are the scalar ones, so every read is the scalar loop's.
#include "fill/stochastic_gather.h"

#if defined(ORIELVMX_X86)

#include <immintrin.h>

#include "fill/interpolation_gain.h"
#include "fill/normal_distribution.h"

namespace stochastic {

namespace {

__attribute__((target("sse2"))) inline __m128i texelAt(const std::int16_t* row, std::int32_t column) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 4 * column));
}

// (a (one - f) + b f + one / 2) >> 14 in each 32-bit lane, from 16-bit a
// and b paired with the weights (one - f, f).
__attribute__((target("sse2"))) inline __m128i weighPairs(__m128i a, __m128i b, __m128i weights) {
  return _mm_srai_epi32(
      _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), weights), _mm_set1_epi32(kReadFractionOne / 2)), 14);
}

__attribute__((target("sse2"))) inline __m128i fractionPair(std::int32_t fraction) {
  return _mm_set1_epi32(static_cast<std::int32_t>((static_cast<std::uint32_t>(fraction) << 16) |
                                                  static_cast<std::uint32_t>(kReadFractionOne - fraction)));
}

}  // namespace

__attribute__((target("sse2"))) ORIELVMX_REALIGN void readCornerSse2(const StochasticTexture& texture,
                                                                     const ReadPoints& points,
                                                                     const PatchOffset& offset, std::int32_t first,
                                                                     std::int32_t end, kernels::ChunkValues* reads) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowest = _mm_set1_epi16(-kGaussianLimit);
  const __m128i highest = _mm_set1_epi16(kGaussianLimit);
  for (std::int32_t p = first; p < end; ++p) {
    const TexelSquare square = texelSquare(texture, points, offset, p);
    const std::int16_t* top = texture.texels + 4 * square.top;
    const std::int16_t* bottom = texture.texels + 4 * square.bottom;
    const __m128i across = fractionPair(points.fractionU[p]);
    const __m128i upper = weighPairs(texelAt(top, square.left), texelAt(top, square.right), across);
    const __m128i lower = weighPairs(texelAt(bottom, square.left), texelAt(bottom, square.right), across);
    // Bilinear values lie between their texels', so they fit 16 bits.
    const __m128i read =
        weighPairs(_mm_packs_epi32(upper, upper), _mm_packs_epi32(lower, lower), fractionPair(points.fractionV[p]));
    const __m128i gain = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(points.gain[p]));
    const __m128i gained = _mm_srai_epi32(
        _mm_add_epi32(
            _mm_madd_epi16(_mm_unpacklo_epi16(_mm_packs_epi32(read, read), zero), _mm_unpacklo_epi16(gain, zero)),
            _mm_set1_epi32(kGainOne / 2)),
        14);
    // Saturating to 16 bits first leaves the clamp's answer unchanged.
    const __m128i clamped = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(gained, gained), lowest), highest);
    reads[0][p] = static_cast<std::int16_t>(_mm_extract_epi16(clamped, 0));
    reads[1][p] = static_cast<std::int16_t>(_mm_extract_epi16(clamped, 1));
    reads[2][p] = static_cast<std::int16_t>(_mm_extract_epi16(clamped, 2));
  }
}

}  // namespace stochastic

#endif
