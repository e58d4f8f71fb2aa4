// The resampler's x86 vector passes. They add the same 32-bit products as
// the scalar loops, only in another order, and integer addition is exact,
// so every byte comes out the same. pmaddwd multiplies 16-bit samples by
// 16-bit weights and adds pairs of products into 32-bit lanes; shifting
// right arithmetically by 14 and packing with signed then unsigned
// saturation is the scalar clamp.
//
// The horizontal pass first splits the work row into one plane per channel
// (after the work row in the same block), so that a window of one channel is
// contiguous bytes; it runs vectorised when the taps are a multiple of 8 (the
// reductions by whole factors have 8, 16 or 32) and stays scalar otherwise.
#include "resample/wrap_resampler_kernels.h"

#if defined(ORIELVMX_X86)

#include <immintrin.h>

#include <cstring>

#include "resample/rgb_gather_masks.h"

namespace wrap_kernels {

void splitPlanesScalar(const WrapResampler& resampler, std::size_t firstPixel) {
  const std::size_t channels = static_cast<std::size_t>(resampler.channels);
  const std::size_t pixels = static_cast<std::size_t>(resampler.windowLast - resampler.windowFirst + 1);
  const std::size_t stride = planeStride(resampler);
  const std::uint8_t* in = resampler.workRow;
  std::uint8_t* planes = resampler.workRow + workRowBytes(resampler);
  for (std::size_t ch = 0; ch < channels; ++ch) {
    std::uint8_t* plane = planes + ch * stride;
    for (std::size_t i = firstPixel; i < pixels; ++i) plane[i] = in[i * channels + ch];
  }
}

__attribute__((target("ssse3"))) ORIELVMX_REALIGN void splitPlanesSsse3(const WrapResampler& resampler) {
  std::size_t i = 0;
  if (resampler.channels == 3) {
    const std::size_t pixels = static_cast<std::size_t>(resampler.windowLast - resampler.windowFirst + 1);
    const std::size_t stride = planeStride(resampler);
    const std::uint8_t* in = resampler.workRow;
    std::uint8_t* planes = resampler.workRow + workRowBytes(resampler);
    const auto* masks = reinterpret_cast<const __m128i*>(&simd::kGatherMasks.bytes[0][0][0]);
    for (; i + 16 <= pixels; i += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * i + 16));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * i + 32));
#pragma GCC unroll 3
      for (int ch = 0; ch < 3; ++ch) {
        const __m128i plane = _mm_or_si128(
            _mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(masks + 3 * ch)),
                         _mm_shuffle_epi8(b, _mm_load_si128(masks + 3 * ch + 1))),
            _mm_shuffle_epi8(c, _mm_load_si128(masks + 3 * ch + 2)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(planes + ch * stride + i), plane);
      }
    }
  }
  splitPlanesScalar(resampler, i);
}

namespace {

// Four 32-bit vectors of partial sums in, their four totals out.
__attribute__((target("sse2"))) inline __m128i sumLanes4(__m128i a, __m128i b, __m128i c, __m128i d) {
  const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
  const __m128i cd = _mm_add_epi32(_mm_unpacklo_epi32(c, d), _mm_unpackhi_epi32(c, d));
  return _mm_add_epi32(_mm_unpacklo_epi64(ab, cd), _mm_unpackhi_epi64(ab, cd));
}

__attribute__((target("sse2"))) inline __m128i roundAndShift(__m128i sums) {
  return _mm_srai_epi32(_mm_add_epi32(sums, _mm_set1_epi32(kRoundingBias)), kFractionBits);
}

// Four sums to four clamped bytes, stored `channels` apart.
__attribute__((target("sse2"))) inline void storeFour(__m128i sums, std::uint8_t* out, int channels) {
  const __m128i words = _mm_packs_epi32(roundAndShift(sums), roundAndShift(sums));
  const std::uint32_t bytes = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
  out[0] = static_cast<std::uint8_t>(bytes);
  out[channels] = static_cast<std::uint8_t>(bytes >> 8);
  out[2 * channels] = static_cast<std::uint8_t>(bytes >> 16);
  out[3 * channels] = static_cast<std::uint8_t>(bytes >> 24);
}

// Packs the red, green and blue sums of four columns and interleaves them:
// 12 bytes R0 G0 B0 R1 ... B3.
struct InterleaveMask {
  alignas(16) std::uint8_t bytes[16];
};
constexpr InterleaveMask kInterleaveRgb4 = {{0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, 0x80, 0x80, 0x80, 0x80}};

__attribute__((target("ssse3"))) inline void storeFourRgb(__m128i red, __m128i green, __m128i blue,
                                                          std::uint8_t* out) {
  const __m128i redGreen = _mm_packs_epi32(roundAndShift(red), roundAndShift(green));
  const __m128i blueBlue = _mm_packs_epi32(roundAndShift(blue), roundAndShift(blue));
  const __m128i planar = _mm_packus_epi16(redGreen, blueBlue);
  const __m128i pixels =
      _mm_shuffle_epi8(planar, _mm_load_si128(reinterpret_cast<const __m128i*>(kInterleaveRgb4.bytes)));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), pixels);
  const std::uint32_t last = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 8)));
  std::memcpy(out + 8, &last, 4);
}

// The four window sums of one channel: taps = 8 x Chunks, or 8 x `chunks`
// when Chunks is 0.
template <int Chunks>
__attribute__((target("sse2"))) inline __m128i dotFourSse2(const std::uint8_t* plane, const std::size_t* starts,
                                                           const std::int16_t* weights, int taps, int chunks) {
  const int count = Chunks > 0 ? Chunks : chunks;
  const __m128i zero = _mm_setzero_si128();
  __m128i acc[4];
#pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    const std::uint8_t* samples = plane + starts[j];
    const std::int16_t* w = weights + static_cast<std::size_t>(j) * taps;
    __m128i sum = _mm_setzero_si128();
#pragma GCC unroll 4
    for (int c = 0; c < count; ++c) {
      const __m128i s = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + 8 * c)), zero);
      sum = _mm_add_epi32(sum, _mm_madd_epi16(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 8 * c))));
    }
    acc[j] = sum;
  }
  return sumLanes4(acc[0], acc[1], acc[2], acc[3]);
}

// The same with 16 taps per vpmaddwd: taps = 16 x Chunks.
template <int Chunks>
__attribute__((target("avx2"))) inline __m128i dotFourAvx2(const std::uint8_t* plane, const std::size_t* starts,
                                                           const std::int16_t* weights, int taps, int chunks) {
  const int count = Chunks > 0 ? Chunks : chunks;
  __m256i acc[4];
#pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    const std::uint8_t* samples = plane + starts[j];
    const std::int16_t* w = weights + static_cast<std::size_t>(j) * taps;
    __m256i sum = _mm256_setzero_si256();
#pragma GCC unroll 4
    for (int c = 0; c < count; ++c) {
      const __m256i s = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 16 * c)));
      sum = _mm256_add_epi32(sum, _mm256_madd_epi16(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 16 * c))));
    }
    acc[j] = sum;
  }
  // Pairwise sums leave, per 128-bit half, one partial total per column.
  const __m256i pairs = _mm256_hadd_epi32(_mm256_hadd_epi32(acc[0], acc[1]), _mm256_hadd_epi32(acc[2], acc[3]));
  return _mm_add_epi32(_mm256_castsi256_si128(pairs), _mm256_extracti128_si256(pairs, 1));
}

// 8 taps with AVX2: the windows of two columns share one vpmaddwd, their
// weights being neighbours in the table.
__attribute__((target("avx2"))) inline __m128i dotFourAvx2Taps8(const std::uint8_t* plane, const std::size_t* starts,
                                                                const std::int16_t* weights) {
  const __m128i* window[4];
  for (int j = 0; j < 4; ++j) window[j] = reinterpret_cast<const __m128i*>(plane + starts[j]);
  const __m256i first = _mm256_madd_epi16(
      _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(_mm_loadl_epi64(window[0]), _mm_loadl_epi64(window[1]))),
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights)));
  const __m256i second = _mm256_madd_epi16(
      _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(_mm_loadl_epi64(window[2]), _mm_loadl_epi64(window[3]))),
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + 16)));
  // Low halves hold columns 0 and 2, high halves 1 and 3.
  const __m256i pairs = _mm256_hadd_epi32(first, second);
  const __m256i totals = _mm256_hadd_epi32(pairs, pairs);
  return _mm_unpacklo_epi32(_mm256_castsi256_si128(totals), _mm256_extracti128_si256(totals, 1));
}

// The horizontal pass four output columns at a time: where each column's
// window starts and which weights and output bytes belong to it. Plain
// arithmetic, so it inlines into every kernel whatever its target.
struct ColumnWalk {
  int taps;
  int channels;
  int target;
  const std::int16_t* weightTable;
  const std::uint16_t* steps;
  std::size_t stride;          // from one channel plane to the next
  const std::uint8_t* planes;  // the first channel plane
  std::size_t cursor;          // window start of the next column, in pixels
  std::size_t starts[4];       // window starts of columns x .. x + 3

  explicit ColumnWalk(const WrapResampler& resampler)
      : taps(resampler.taps),
        channels(resampler.channels),
        target(resampler.targetSize),
        weightTable(resampler.weights),
        steps(resampler.steps),
        stride(planeStride(resampler)),
        planes(resampler.workRow + workRowBytes(resampler)),
        cursor(static_cast<std::size_t>(resampler.columnStart)),
        starts{} {}

  // Sets `starts` for columns x .. x + 3 and answers their first weight.
  const std::int16_t* enter(int x) {
    starts[0] = cursor;
    starts[1] = cursor + steps[x];
    starts[2] = starts[1] + steps[x + 1];
    starts[3] = starts[2] + steps[x + 2];
    return weightTable + static_cast<std::size_t>(x) * taps;
  }
  void leave(int x) {
    if (x + 4 < target) cursor = starts[3] + steps[x + 3];
  }
  // The columns from x on, one at a time.
  void finish(const WrapResampler& resampler, int x, std::uint8_t* pixels) const {
    filterRowHorizontalFrom(resampler, x, cursor * static_cast<std::size_t>(channels), pixels);
  }
};

enum class Kernel { sse2, avx2, avx2Taps8 };

template <Kernel K, int Chunks>
__attribute__((target("avx2"))) inline __m128i dotFour(const std::uint8_t* plane, const std::size_t* starts,
                                                       const std::int16_t* weights, int taps, int chunks) {
  if constexpr (K == Kernel::avx2Taps8) {
    return dotFourAvx2Taps8(plane, starts, weights);
  } else if constexpr (K == Kernel::avx2) {
    return dotFourAvx2<Chunks>(plane, starts, weights, taps, chunks);
  } else {
    return dotFourSse2<Chunks>(plane, starts, weights, taps, chunks);
  }
}

// Four output columns at a time, every channel, then the scalar loop for
// the last columns.
template <Kernel K, int Chunks>
__attribute__((target("avx2"))) inline void filterPlanesWith(const WrapResampler& resampler, std::uint8_t* pixels) {
  ColumnWalk walk(resampler);
  const int taps = walk.taps;
  const int chunks = K == Kernel::sse2 ? taps / 8 : taps / 16;
  const int channels = walk.channels;
  const std::size_t stride = walk.stride;
  const std::uint8_t* planes = walk.planes;
  const std::size_t* starts = walk.starts;
  int x = 0;
  for (; x + 4 <= walk.target; x += 4) {
    const std::int16_t* weights = walk.enter(x);
    std::uint8_t* out = pixels + static_cast<std::size_t>(x) * channels;
    if (K != Kernel::sse2 && channels == 3) {
      storeFourRgb(dotFour<K, Chunks>(planes, starts, weights, taps, chunks),
                   dotFour<K, Chunks>(planes + stride, starts, weights, taps, chunks),
                   dotFour<K, Chunks>(planes + 2 * stride, starts, weights, taps, chunks), out);
    } else {
      for (int ch = 0; ch < channels; ++ch) {
        storeFour(dotFour<K, Chunks>(planes + static_cast<std::size_t>(ch) * stride, starts, weights, taps, chunks),
                  out + ch, channels);
      }
    }
    walk.leave(x);
  }
  walk.finish(resampler, x, pixels);
}

}  // namespace

// Taps a multiple of 8: 8 samples and weights per pmaddwd.
__attribute__((target("sse2"))) ORIELVMX_REALIGN void filterPlanesSse2(const WrapResampler& resampler,
                                                                        std::uint8_t* pixels) {
  ColumnWalk walk(resampler);
  const int taps = walk.taps;
  const int channels = walk.channels;
  int x = 0;
  for (; x + 4 <= walk.target; x += 4) {
    const std::int16_t* weights = walk.enter(x);
    std::uint8_t* out = pixels + static_cast<std::size_t>(x) * channels;
    for (int ch = 0; ch < channels; ++ch) {
      const std::uint8_t* plane = walk.planes + static_cast<std::size_t>(ch) * walk.stride;
      const __m128i sums = taps == 8 ? dotFourSse2<1>(plane, walk.starts, weights, taps, 1)
                                     : dotFourSse2<0>(plane, walk.starts, weights, taps, taps / 8);
      storeFour(sums, out + ch, channels);
    }
    walk.leave(x);
  }
  walk.finish(resampler, x, pixels);
}

namespace {

// Halving (source exactly twice the target): scale is 0.5 exactly, so every
// centre lies at the same place relative to a whole position (2x wrapping,
// 2x + 0.5 reflecting), every step is 2 and every column has the same 8
// weights. Then the taps pair up as neighbouring bytes, and 16 bytes from
// the first window's start + 2x + 2k hold the pairs (2k, 2k + 1) of columns
// x .. x + 7: one
// vpmaddwd with that pair of weights serves eight columns.
// The eight columns whose windows start at `samples`, 2 bytes apart.
__attribute__((target("avx2"))) inline __m256i halvingSums(const std::uint8_t* samples, const __m256i* pairWeights,
                                                           __m256i bias) {
  __m256i sum = bias;
#pragma GCC unroll 4
  for (int k = 0; k < 4; ++k) {
    const __m256i s = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 2 * k)));
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(s, pairWeights[k]));
  }
  return _mm256_srai_epi32(sum, kFractionBits);
}

__attribute__((target("avx2"))) ORIELVMX_REALIGN void filterPlanesHalvingAvx2(const WrapResampler& resampler,
                                                                               std::uint8_t* pixels) {
  const int channels = resampler.channels;
  const int target = resampler.targetSize;
  const std::int16_t* weights = resampler.weights;
  const std::size_t stride = planeStride(resampler);
  const std::size_t start = static_cast<std::size_t>(resampler.columnStart);
  const std::uint8_t* planes = resampler.workRow + workRowBytes(resampler) + start;
  __m256i pairWeights[4];
  for (int k = 0; k < 4; ++k) {
    const std::uint32_t packed = static_cast<std::uint16_t>(weights[2 * k]) |
                                 static_cast<std::uint32_t>(static_cast<std::uint16_t>(weights[2 * k + 1])) << 16;
    pairWeights[k] = _mm256_set1_epi32(static_cast<int>(packed));
  }
  const __m256i bias = _mm256_set1_epi32(kRoundingBias);
  int x = 0;
  if (channels == 3) {
    const __m256i interleave = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(kInterleaveRgb4.bytes)));
    for (; x + 8 <= target; x += 8) {
      const __m256i red = halvingSums(planes + 2 * x, pairWeights, bias);
      const __m256i green = halvingSums(planes + stride + 2 * x, pairWeights, bias);
      const __m256i blue = halvingSums(planes + 2 * stride + 2 * x, pairWeights, bias);
      // Per 128-bit half: R R R R G G G G B B B B B B B B, columns 0-3, then 4-7.
      const __m256i planar = _mm256_packus_epi16(_mm256_packs_epi32(red, green), _mm256_packs_epi32(blue, blue));
      const __m256i rgb = _mm256_shuffle_epi8(planar, interleave);
      std::uint8_t* out = pixels + static_cast<std::size_t>(x) * 3;
      const __m128i first = _mm256_castsi256_si128(rgb);
      const __m128i second = _mm256_extracti128_si256(rgb, 1);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), first);
      const std::uint32_t firstLast = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(first, 8)));
      std::memcpy(out + 8, &firstLast, 4);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), second);
      const std::uint32_t secondLast = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(second, 8)));
      std::memcpy(out + 20, &secondLast, 4);
    }
  }
  filterRowHorizontalFrom(resampler, x, (start + static_cast<std::size_t>(2 * x)) * static_cast<std::size_t>(channels),
                          pixels);
}

}  // namespace

// Taps a multiple of 8 with AVX2: 16 taps per vpmaddwd, or two columns'
// 8 taps each.
__attribute__((target("avx2"))) ORIELVMX_REALIGN void filterPlanesAvx2(const WrapResampler& resampler,
                                                                        std::uint8_t* pixels) {
  if (resampler.sourceSize == 2 * resampler.targetSize && resampler.taps == 8 && resampler.channels == 3) {
    filterPlanesHalvingAvx2(resampler, pixels);
    return;
  }
  switch (resampler.taps) {
    case 8: filterPlanesWith<Kernel::avx2Taps8, 0>(resampler, pixels); break;
    case 16: filterPlanesWith<Kernel::avx2, 1>(resampler, pixels); break;
    case 32: filterPlanesWith<Kernel::avx2, 2>(resampler, pixels); break;
    default:
      if (resampler.taps % 16 == 0) {
        filterPlanesWith<Kernel::avx2, 0>(resampler, pixels);
      } else {
        filterPlanesWith<Kernel::sse2, 0>(resampler, pixels);
      }
      break;
  }
}

// The second weight of the last pair is 0 when the taps are odd.
bool packWeightPairs(const std::int16_t* weights, std::int32_t taps, std::uint32_t* pairs) {
  if (taps > 2 * kMaximumPairs) return false;
  for (std::int32_t k = 0; k < taps; k += 2) {
    const std::uint32_t second = k + 1 < taps ? static_cast<std::uint16_t>(weights[k + 1]) : 0u;
    pairs[k / 2] = static_cast<std::uint16_t>(weights[k]) | second << 16;
  }
  return true;
}

// 16 bytes of every cached row at a time; rows are taken in pairs, their
// bytes interleaved, so that one pmaddwd applies two rows' weights.
__attribute__((target("sse2"))) ORIELVMX_REALIGN std::int32_t combineRowsSse2(const std::uint8_t* const* rows,
                                                                             const std::uint32_t* pairs,
                                                                             std::int32_t taps, std::int32_t byteCount,
                                                                             std::uint8_t* destination) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi32(kRoundingBias);
  std::int32_t b = 0;
  for (; b + 16 <= byteCount; b += 16) {
    __m128i acc0 = bias, acc1 = bias, acc2 = bias, acc3 = bias;
    for (std::int32_t k = 0; k < taps; k += 2) {
      const bool pair = k + 1 < taps;
      const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + b));
      const __m128i second = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + b)) : zero;
      const __m128i w = _mm_set1_epi32(static_cast<int>(pairs[k / 2]));
      const __m128i low = _mm_unpacklo_epi8(first, second);
      const __m128i high = _mm_unpackhi_epi8(first, second);
      acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), w));
      acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), w));
      acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), w));
      acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), w));
    }
    const __m128i words0 = _mm_packs_epi32(_mm_srai_epi32(acc0, kFractionBits), _mm_srai_epi32(acc1, kFractionBits));
    const __m128i words1 = _mm_packs_epi32(_mm_srai_epi32(acc2, kFractionBits), _mm_srai_epi32(acc3, kFractionBits));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + b), _mm_packus_epi16(words0, words1));
  }
  return b;
}

// The same with 32 bytes at a time. Unpacking and packing both work within
// 128-bit halves, so the bytes come back in their own order.
__attribute__((target("avx2"))) ORIELVMX_REALIGN std::int32_t combineRowsAvx2(const std::uint8_t* const* rows,
                                                                             const std::uint32_t* pairs,
                                                                             std::int32_t taps, std::int32_t byteCount,
                                                                             std::uint8_t* destination) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i bias = _mm256_set1_epi32(kRoundingBias);
  std::int32_t b = 0;
  for (; b + 32 <= byteCount; b += 32) {
    __m256i acc0 = bias, acc1 = bias, acc2 = bias, acc3 = bias;
    for (std::int32_t k = 0; k < taps; k += 2) {
      const bool pair = k + 1 < taps;
      const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + b));
      const __m256i second = pair ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + b)) : zero;
      const __m256i w = _mm256_set1_epi32(static_cast<int>(pairs[k / 2]));
      const __m256i low = _mm256_unpacklo_epi8(first, second);
      const __m256i high = _mm256_unpackhi_epi8(first, second);
      acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), w));
      acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), w));
      acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), w));
      acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), w));
    }
    const __m256i words0 =
        _mm256_packs_epi32(_mm256_srai_epi32(acc0, kFractionBits), _mm256_srai_epi32(acc1, kFractionBits));
    const __m256i words1 =
        _mm256_packs_epi32(_mm256_srai_epi32(acc2, kFractionBits), _mm256_srai_epi32(acc3, kFractionBits));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + b), _mm256_packus_epi16(words0, words1));
  }
  return b;
}

}  // namespace wrap_kernels

#endif
