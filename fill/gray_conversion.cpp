#include "fill/gray_conversion.h"

#include "resample/cpu_features.h"

#if defined(ORIELVMX_X86)
#include <immintrin.h>

#include "resample/rgb_gather_masks.h"
#endif

namespace fill {

namespace {

void grayFromRgbScalar(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count) {
  // Weights sum to 1024; nothing is added before the shift.
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint32_t red = source[3 * i];
    const std::uint32_t green = source[3 * i + 1];
    const std::uint32_t blue = source[3 * i + 2];
    destination[i] = static_cast<std::uint8_t>((306 * red + 601 * green + 117 * blue) >> 10);
  }
}

#if defined(ORIELVMX_X86)

// Eight texels in 16-bit lanes; see below.
__attribute__((target("ssse3"))) inline __m128i weightedGray(__m128i red, __m128i green, __m128i blue, __m128i w50,
                                                             __m128i w89, __m128i w117) {
  const __m128i high = _mm_add_epi16(red, _mm_add_epi16(green, green));
  const __m128i low =
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(red, w50), _mm_mullo_epi16(green, w89)), _mm_mullo_epi16(blue, w117));
  return _mm_srli_epi16(_mm_add_epi16(high, _mm_srli_epi16(low, 8)), 2);
}

// 16 texels at a time, exactly as the scalar sum: with 306 = 256 + 50 and
// 601 = 512 + 89 the sum is 256 (R + 2G) + (50R + 89G + 117B); the second
// part is at most 65280 and the first at most 765, so both fit 16-bit lanes,
// and (256a + b) >> 10 = (a + (b >> 8)) >> 2 for whole a and b.
ORIELVMX_REALIGN __attribute__((target("ssse3"))) std::int32_t grayFromRgbSsse3(const std::uint8_t* source,
                                                                                 std::uint8_t* destination,
                                                                                 std::int32_t count) {
  const auto* masks = reinterpret_cast<const __m128i*>(&simd::kGatherMasks.bytes[0][0][0]);
  const __m128i redMask0 = _mm_load_si128(masks), redMask1 = _mm_load_si128(masks + 1),
                redMask2 = _mm_load_si128(masks + 2);
  const __m128i greenMask0 = _mm_load_si128(masks + 3), greenMask1 = _mm_load_si128(masks + 4),
                greenMask2 = _mm_load_si128(masks + 5);
  const __m128i blueMask0 = _mm_load_si128(masks + 6), blueMask1 = _mm_load_si128(masks + 7),
                blueMask2 = _mm_load_si128(masks + 8);
  const __m128i zero = _mm_setzero_si128();
  const __m128i w50 = _mm_set1_epi16(50);
  const __m128i w89 = _mm_set1_epi16(89);
  const __m128i w117 = _mm_set1_epi16(117);
  std::int32_t i = 0;
  // Each block's loads come before its store, and the store lands at or
  // before bytes already read, so the conversion may run in place.
  for (; i + 16 <= count; i += 16) {
    const std::uint8_t* in = source + 3 * i;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    const __m128i red = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, redMask0), _mm_shuffle_epi8(b, redMask1)),
                                     _mm_shuffle_epi8(c, redMask2));
    const __m128i green = _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(a, greenMask0), _mm_shuffle_epi8(b, greenMask1)), _mm_shuffle_epi8(c, greenMask2));
    const __m128i blue = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, blueMask0), _mm_shuffle_epi8(b, blueMask1)),
                                      _mm_shuffle_epi8(c, blueMask2));
    const __m128i grayLow = weightedGray(_mm_unpacklo_epi8(red, zero), _mm_unpacklo_epi8(green, zero),
                                         _mm_unpacklo_epi8(blue, zero), w50, w89, w117);
    const __m128i grayHigh = weightedGray(_mm_unpackhi_epi8(red, zero), _mm_unpackhi_epi8(green, zero),
                                          _mm_unpackhi_epi8(blue, zero), w50, w89, w117);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), _mm_packus_epi16(grayLow, grayHigh));
  }
  return i;
}

#endif

}  // namespace

void grayFromRgb(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count) {
  std::int32_t done = 0;
#if defined(ORIELVMX_X86)
  if (count >= 16 && cpu::features().ssse3) done = grayFromRgbSsse3(source, destination, count);
#endif
  grayFromRgbScalar(source + 3 * done, destination + done, count - done);
}

}  // namespace fill
