// The point sampler's AVX2 loops, two pixels at a time, one in each 128-bit
// half. Three channels: per pixel, the 16 bytes from each of the four rows'
// first texel are reordered so that the texels pair up by channel,
// R0 R1 G0 G1 B0 B1 R2 R3 G2 G3 B2 B3; interleaving two rows' bytes lets
// one vpmaddwd apply two rows' weights down the columns, and after rounding
// to 16 bits one more applies two columns' weights across. One channel: the
// four rows' four bytes make one half, spread into the pairs of rows 0 and 1
// and of rows 2 and 3 for the same two steps.
#include "resample/point_sampler_kernels.h"

#if defined(ORIELVMX_X86)

#include <immintrin.h>

#include <cstring>

namespace point_kernels {
namespace {

struct ByteMask {
  alignas(16) std::uint8_t bytes[16];
};
constexpr ByteMask kPairByChannel = {{0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, 0x80, 0x80, 0x80, 0x80}};
// From the rows' bytes r0 c0..c3, r1 .., r2 .., r3 ..: words (r0 c, r1 c)
// for c = 0 .. 3, and (r2 c, r3 c).
constexpr ByteMask kUpperRowPairs = {{0, 0x80, 4, 0x80, 1, 0x80, 5, 0x80, 2, 0x80, 6, 0x80, 3, 0x80, 7, 0x80}};
constexpr ByteMask kLowerRowPairs = {{8, 0x80, 12, 0x80, 9, 0x80, 13, 0x80, 10, 0x80, 14, 0x80, 11, 0x80, 15, 0x80}};

struct PixelTaps {
  const std::uint8_t* rows[4];
  const std::int16_t* across;
  const std::int16_t* down;
};

__attribute__((target("avx2"))) inline __m256i pairOf(const std::uint8_t* first, const std::uint8_t* second) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(second)), 1);
}

__attribute__((target("avx2"))) inline __m256i weightsOf(const std::int16_t* first, const std::int16_t* second) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first))),
                                 _mm_loadl_epi64(reinterpret_cast<const __m128i*>(second)), 1);
}

// One column-pair's sums down: rows k and k + 1 interleaved, widened, and
// multiplied by the pair (wy k, wy k + 1).
__attribute__((target("avx2"))) inline void addRowPair(__m256i upper, __m256i lower, __m256i weights, __m256i* sums) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low = _mm256_unpacklo_epi8(upper, lower);   // positions 0 .. 7
  const __m256i high = _mm256_unpackhi_epi8(upper, lower);  // positions 8 .. 15
  sums[0] = _mm256_add_epi32(sums[0], _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), weights));
  sums[1] = _mm256_add_epi32(sums[1], _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), weights));
  sums[2] = _mm256_add_epi32(sums[2], _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), weights));
}

__attribute__((target("avx2"))) inline __m256i roundColumns(__m256i sums) {
  return _mm256_srai_epi32(_mm256_add_epi32(sums, _mm256_set1_epi32(kColumnBias)), kColumnShift);
}

// The sums S of red, green and blue in lanes 0 to 2 of each half.
__attribute__((target("avx2"), always_inline)) inline __m256i sumsOfTwo(const PixelTaps& a, const PixelTaps& b,
                                                                        __m256i mask) {
  __m256i rows[4];
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) rows[k] = _mm256_shuffle_epi8(pairOf(a.rows[k], b.rows[k]), mask);
  const __m256i down = weightsOf(a.down, b.down);
  __m256i columns[3] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  addRowPair(rows[0], rows[1], _mm256_shuffle_epi32(down, 0x00), columns);
  addRowPair(rows[2], rows[3], _mm256_shuffle_epi32(down, 0x55), columns);
  // R0 R1 G0 G1 B0 B1 R2 R3 | G2 G3 B2 B3, as 16-bit words.
  const __m256i first = _mm256_packs_epi32(roundColumns(columns[0]), roundColumns(columns[1]));
  const __m256i second = _mm256_packs_epi32(roundColumns(columns[2]), _mm256_setzero_si256());
  const __m256i across = weightsOf(a.across, b.across);
  // (wx0, wx1) x 3, (wx2, wx3); then (wx2, wx3) x 2 and the zero pair.
  const __m256i firstSums = _mm256_madd_epi16(first, _mm256_shuffle_epi32(across, 0x40));
  const __m256i secondSums = _mm256_madd_epi16(second, _mm256_shuffle_epi32(across, 0xA5));
  // R01 G01 B01 R23 + 0 G23 B23 0, then R23 onto R01.
  const __m256i partial = _mm256_add_epi32(firstSums, _mm256_bslli_epi128(secondSums, 4));
  return _mm256_add_epi32(partial, _mm256_bsrli_epi128(partial, 12));
}

inline std::int32_t fourBytes(const std::uint8_t* texels) {
  std::int32_t value = 0;
  std::memcpy(&value, texels, 4);
  return value;
}

// The sum S of one gray pixel in lane 0 of each half.
__attribute__((target("avx2"), always_inline)) inline __m256i graySumsOfTwo(const PixelTaps& a, const PixelTaps& b) {
  const __m256i texels = _mm256_setr_epi32(fourBytes(a.rows[0]), fourBytes(a.rows[1]), fourBytes(a.rows[2]),
                                           fourBytes(a.rows[3]), fourBytes(b.rows[0]), fourBytes(b.rows[1]),
                                           fourBytes(b.rows[2]), fourBytes(b.rows[3]));
  const __m256i upper = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kUpperRowPairs.bytes)));
  const __m256i lower = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kLowerRowPairs.bytes)));
  const __m256i down = weightsOf(a.down, b.down);
  const __m256i columns =
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(texels, upper), _mm256_shuffle_epi32(down, 0x00)),
                       _mm256_madd_epi16(_mm256_shuffle_epi8(texels, lower), _mm256_shuffle_epi32(down, 0x55)));
  const __m256i rounded = _mm256_packs_epi32(roundColumns(columns), _mm256_setzero_si256());
  const __m256i pairs = _mm256_madd_epi16(rounded, weightsOf(a.across, b.across));
  return _mm256_add_epi32(pairs, _mm256_bsrli_epi128(pairs, 4));
}

template <int Channels, bool Wide>
__attribute__((target("avx2"))) inline void store(__m128i sums, std::uint8_t* out) {
  if constexpr (Wide) {
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    for (int ch = 0; ch < Channels; ++ch) putWide(out + 2 * ch, lanes[ch]);
  } else {
    const __m128i shifted = _mm_srai_epi32(_mm_add_epi32(sums, _mm_set1_epi32(kSumBias)), kSumBits);
    const __m128i words = _mm_packs_epi32(shifted, shifted);
    const auto bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    for (int ch = 0; ch < Channels; ++ch) out[ch] = static_cast<std::uint8_t>(bytes >> (8 * ch));
  }
}

template <int Channels>
__attribute__((target("avx2"), always_inline)) inline __m256i sumsFor(const PixelTaps& a, const PixelTaps& b,
                                                                      __m256i mask) {
  if constexpr (Channels == 3) {
    return sumsOfTwo(a, b, mask);
  } else {
    return graySumsOfTwo(a, b);
  }
}

template <int Channels, bool Wide>
__attribute__((target("avx2"))) void sampleWith(PixelWalk& walk, std::int32_t count, const SampleTarget& target) {
  std::uint8_t* out = target.first;
  const std::ptrdiff_t step = target.pixelBytes;
  const __m256i mask = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kPairByChannel.bytes)));
  std::int32_t i = 0;
  PixelTaps a;
  PixelTaps b;
  for (; i + 2 <= count; i += 2) {
    walk.locate(a.rows, a.across, a.down);
    walk.advance();
    walk.locate(b.rows, b.across, b.down);
    walk.advance();
    const __m256i sums = sumsFor<Channels>(a, b, mask);
    store<Channels, Wide>(_mm256_castsi256_si128(sums), out);
    store<Channels, Wide>(_mm256_extracti128_si256(sums, 1), out + step);
    out += 2 * step;
  }
  if (i < count) {
    // The last pixel alone: the same pixel in both halves.
    walk.locate(a.rows, a.across, a.down);
    walk.advance();
    store<Channels, Wide>(_mm256_castsi256_si128(sumsFor<Channels>(a, a, mask)), out);
  }
}

}  // namespace

__attribute__((target("avx2"))) ORIELVMX_REALIGN void sampleAvx2(PixelWalk& walk, std::int32_t count,
                                                                  const SampleTarget& target) {
  const bool wide = target.sampleBytes == 2;
  if (walk.sampler->channels == 3) {
    wide ? sampleWith<3, true>(walk, count, target) : sampleWith<3, false>(walk, count, target);
  } else {
    wide ? sampleWith<1, true>(walk, count, target) : sampleWith<1, false>(walk, count, target);
  }
}

}  // namespace point_kernels

#endif
