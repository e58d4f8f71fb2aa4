#include "resample/wrap_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "resample/rgb_gather_masks.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORIELVMX_RESAMPLE_X86 1
#include <immintrin.h>
#endif

// Fixed-point budget. A weight is a signed 16-bit number with 14 fractional
// bits (kOne = 1.0); the cubic's lobes stay within [-0.08, 1], so one bit of
// headroom above 1.0 is plenty. A sample is an unsigned 8-bit value, so one
// product takes 8 + 16 = 24 bits. The weights of an output index add up to
// exactly kOne and their magnitudes to less than 1.3 * kOne, so an accumulated
// sum stays below 255 * 1.3 * 2^14 + kRoundingBias < 2^23: a signed 32-bit
// accumulator never overflows, whatever the number of taps.
namespace {

constexpr int kFractionBits = 14;
constexpr std::int32_t kOne = 1 << kFractionBits;             // 16384
constexpr std::int32_t kRoundingBias = 1 << (kFractionBits - 1);  // 0.5, so >> rounds half up
constexpr double kCentreTolerance = 0.000001;  // a centre this close above a whole position is that position
constexpr double kUnitSupport = 4.0;           // kernel width in source pixels at unit scale

// Widest step between the first taps of two output indices that the 16-bit
// step table can hold.
constexpr std::int32_t kMaximumStep = 65535;
// Every table size and index of the inner loops stays an int, and fits a
// 32-bit size_t on the Windows build.
constexpr std::int64_t kMaximumTableBytes = 0x7FFFFFFF;

// 255 * kOne and above saturates, so ringing next to a sharp edge clips
// instead of wrapping around to dark.
inline std::uint8_t clampToByte(std::int32_t acc) {
  return static_cast<std::uint8_t>(std::clamp(acc >> kFractionBits, 0, 255));
}

// Non-negative remainder: row -1 is the last row, not row -1.
inline std::int32_t wrapIndex(std::int32_t index, std::int32_t size) {
  return (size + index % size) % size;
}

struct Geometry {
  double scale;
  std::int32_t taps;
  std::int32_t half;
};

// Creation refuses, rather than corrupting memory, sizes the resampler was not
// made for: an empty source or target, a left wrap margin wider than the
// source row (half > sourceSize, i.e. a reduction to one pixel or an
// enlargement of a one-pixel source), steps that would not fit 16 bits, and
// tables whose byte counts would overflow an int.
bool computeGeometry(std::int32_t sourceSize, std::int32_t targetSize, std::int32_t channels,
                     Geometry& geometry) {
  if (sourceSize < 1 || targetSize < 1 || channels < 1) return false;
  // Bounds taps (about 4 * sourceSize / targetSize) before it is converted to an int.
  if (sourceSize / targetSize >= kMaximumStep) return false;

  geometry.scale = static_cast<double>(targetSize) / static_cast<double>(sourceSize);
  const double support = geometry.scale >= 1.0 ? kUnitSupport : kUnitSupport / geometry.scale;
  geometry.taps = geometry.scale >= 1.0 ? 4 : ceilWithTolerance(support);
  geometry.half = static_cast<std::int32_t>(std::floor(support * 0.5));
  if (geometry.half > sourceSize) return false;

  const std::int64_t taps = geometry.taps;
  const std::int64_t target = targetSize;
  if (target * taps * 2 > kMaximumTableBytes) return false;
  // The work row and, after it, its channels one plane each (see planeStride).
  if ((sourceSize + taps + 16) * channels * 2 > kMaximumTableBytes) return false;
  if (target * channels > kMaximumTableBytes) return false;
  if (taps * static_cast<std::int64_t>(sizeof(RowCacheEntry)) > kMaximumTableBytes) return false;
  return true;
}

template <typename T>
T* allocateArray(std::int64_t count) {
  return static_cast<T*>(platform::allocateMemory(static_cast<std::size_t>(count) * sizeof(T)));
}

void releaseIfAllocated(void* block) {
  if (block != nullptr) platform::releaseMemory(block);
}

void releaseParts(WrapResampler* resampler) {
  if (resampler->rowCache != nullptr) {
    for (std::int32_t slot = 0; slot < resampler->taps; ++slot) {
      releaseIfAllocated(resampler->rowCache[slot].pixels);
    }
  }
  releaseIfAllocated(resampler->rowCache);
  releaseIfAllocated(resampler->weights);
  releaseIfAllocated(resampler->steps);
  releaseIfAllocated(resampler->workRow);
  releaseIfAllocated(resampler->rowPointers);
}

// Bytes of one channel plane after the work row: one pixel per source
// column of the window, rounded up so that vector loads and stores of 16
// pixels stay inside the plane.
std::size_t planeStride(const WrapResampler& resampler) {
  const std::size_t window = static_cast<std::size_t>(resampler.windowLast - resampler.windowFirst + 1);
  return (window + 15) / 16 * 16;
}
std::size_t workRowBytes(const WrapResampler& resampler) {
  return static_cast<std::size_t>(resampler.windowLast - resampler.windowFirst + 1) *
         static_cast<std::size_t>(resampler.channels);
}

// Output column x reads the taps workRow pixels from c(x) on, which are the
// source columns c(x) - half .. c(x) - half + taps - 1 already wrapped. A fixed
// channel count lets the compiler unroll the channel loop. Columns from
// `firstColumn` on; `cursor` is the byte offset of that column's window.
template <int FixedChannels>
void filterRowHorizontalWith(const WrapResampler& resampler, int firstColumn, std::size_t cursor,
                             std::uint8_t* pixels) {
  const int channels = FixedChannels > 0 ? FixedChannels : resampler.channels;
  const int taps = resampler.taps;
  const std::uint8_t* workRow = resampler.workRow;
  pixels += static_cast<std::size_t>(firstColumn) * channels;
  for (int x = firstColumn; x < resampler.targetSize; ++x) {
    const std::int16_t* weights = resampler.weights + static_cast<std::size_t>(x) * taps;
    const std::uint8_t* window = workRow + cursor;
    for (int ch = 0; ch < channels; ++ch) {
      std::int32_t acc = kRoundingBias;
      for (int t = 0; t < taps; ++t) {
        acc += static_cast<std::int32_t>(weights[t]) * window[t * channels + ch];
      }
      *pixels++ = clampToByte(acc);
    }
    // The last step entry is never meaningful; the cursor stops at the last column.
    if (x + 1 < resampler.targetSize) cursor += static_cast<std::size_t>(resampler.steps[x]) * channels;
  }
}

void filterRowHorizontalFrom(const WrapResampler& resampler, int firstColumn, std::size_t cursor,
                             std::uint8_t* pixels) {
  switch (resampler.channels) {
    case 1: filterRowHorizontalWith<1>(resampler, firstColumn, cursor, pixels); break;
    case 3: filterRowHorizontalWith<3>(resampler, firstColumn, cursor, pixels); break;
    case 4: filterRowHorizontalWith<4>(resampler, firstColumn, cursor, pixels); break;
    default: filterRowHorizontalWith<0>(resampler, firstColumn, cursor, pixels); break;
  }
}

void filterRowHorizontal(const WrapResampler& resampler, std::uint8_t* pixels) {
  filterRowHorizontalFrom(resampler, 0, 0, pixels);
}

// Bytes are combined a block at a time into int32 accumulators, one pass per
// cached row, so that each pass is a plain multiply-add over contiguous bytes.
constexpr int kCombineBlock = 256;

void combineRowsVertical(const std::uint8_t* const* rows, const std::int16_t* weights, std::int32_t taps,
                         std::int32_t firstByte, std::int32_t byteCount, std::uint8_t* destination) {
  std::int32_t acc[kCombineBlock];
  for (std::int32_t start = firstByte; start < byteCount; start += kCombineBlock) {
    const int count = std::min(kCombineBlock, byteCount - start);
    for (int b = 0; b < count; ++b) acc[b] = kRoundingBias;
    for (std::int32_t k = 0; k < taps; ++k) {
      const std::int32_t weight = weights[k];
      const std::uint8_t* row = rows[k] + start;
      for (int b = 0; b < count; ++b) acc[b] += weight * row[b];
    }
    for (int b = 0; b < count; ++b) destination[start + b] = clampToByte(acc[b]);
  }
}

// Vector versions of both passes, chosen once at run time by what the
// processor offers. They add the same 32-bit products as the scalar loops,
// only in another order, and integer addition is exact, so every byte comes
// out the same. pmaddwd multiplies 16-bit samples by 16-bit weights and adds
// pairs of products into 32-bit lanes; shifting right arithmetically by 14
// and packing with signed then unsigned saturation is the scalar clamp.
//
// The horizontal pass first splits the work row into one plane per channel
// (after the work row in the same block), so that a window of one channel is
// contiguous bytes; it runs vectorised when the taps are a multiple of 8 (the
// reductions by whole factors have 8, 16 or 32) and stays scalar otherwise.
enum SimdLevel : int { simdScalar = 0, simdSse2 = 1, simdAvx2 = 2 };

int limitedSimdLevel = simdAvx2;

#if defined(ORIELVMX_RESAMPLE_X86)

// 32-bit Windows hosts may call with the stack aligned to 4 bytes only;
// functions that keep vectors on the stack realign it on entry.
#if defined(__i386__)
#define ORIELVMX_REALIGN __attribute__((force_align_arg_pointer))
#else
#define ORIELVMX_REALIGN
#endif

int detectedSimdLevel() {
  static const int level = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("ssse3")) return static_cast<int>(simdAvx2);
    if (__builtin_cpu_supports("sse2")) return static_cast<int>(simdSse2);
    return static_cast<int>(simdScalar);
  }();
  return level;
}

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

// Window starts (in pixels) of output columns x .. x + 3, the first given.
inline void nextStarts(const std::uint16_t* steps, int x, std::size_t first, std::size_t* starts) {
  starts[0] = first;
  starts[1] = first + steps[x];
  starts[2] = starts[1] + steps[x + 1];
  starts[3] = starts[2] + steps[x + 2];
}

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
  const int taps = resampler.taps;
  const int chunks = K == Kernel::sse2 ? taps / 8 : taps / 16;
  const int channels = resampler.channels;
  const int target = resampler.targetSize;
  const std::int16_t* weightTable = resampler.weights;
  const std::uint16_t* steps = resampler.steps;
  const std::size_t stride = planeStride(resampler);
  const std::uint8_t* planes = resampler.workRow + workRowBytes(resampler);
  std::size_t cursor = 0;
  int x = 0;
  for (; x + 4 <= target; x += 4) {
    std::size_t starts[4];
    nextStarts(steps, x, cursor, starts);
    const std::int16_t* weights = weightTable + static_cast<std::size_t>(x) * taps;
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
    if (x + 4 < target) cursor = starts[3] + steps[x + 3];
  }
  filterRowHorizontalFrom(resampler, x, cursor * static_cast<std::size_t>(channels), pixels);
}

// Taps a multiple of 8: 8 samples and weights per pmaddwd.
__attribute__((target("sse2"))) ORIELVMX_REALIGN void filterPlanesSse2(const WrapResampler& resampler,
                                                                        std::uint8_t* pixels) {
  const int taps = resampler.taps;
  const int channels = resampler.channels;
  const int target = resampler.targetSize;
  const std::int16_t* weightTable = resampler.weights;
  const std::uint16_t* steps = resampler.steps;
  const std::size_t stride = planeStride(resampler);
  const std::uint8_t* planes = resampler.workRow + workRowBytes(resampler);
  std::size_t cursor = 0;
  int x = 0;
  for (; x + 4 <= target; x += 4) {
    std::size_t starts[4];
    nextStarts(steps, x, cursor, starts);
    const std::int16_t* weights = weightTable + static_cast<std::size_t>(x) * taps;
    std::uint8_t* out = pixels + static_cast<std::size_t>(x) * channels;
    for (int ch = 0; ch < channels; ++ch) {
      const std::uint8_t* plane = planes + static_cast<std::size_t>(ch) * stride;
      const __m128i sums = taps == 8 ? dotFourSse2<1>(plane, starts, weights, taps, 1)
                                     : dotFourSse2<0>(plane, starts, weights, taps, taps / 8);
      storeFour(sums, out + ch, channels);
    }
    if (x + 4 < target) cursor = starts[3] + steps[x + 3];
  }
  filterRowHorizontalFrom(resampler, x, cursor * static_cast<std::size_t>(channels), pixels);
}

// Halving (source exactly twice the target): scale is 0.5 exactly, so every
// centre is the whole position 2x, every step 2 and every column has the
// same 8 weights. Then the taps pair up as neighbouring bytes, and 16 bytes
// from 2x + 2k hold the pairs (2k, 2k + 1) of columns x .. x + 7: one
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
  const std::uint8_t* planes = resampler.workRow + workRowBytes(resampler);
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
  filterRowHorizontalFrom(resampler, x, static_cast<std::size_t>(2 * x) * static_cast<std::size_t>(channels), pixels);
}

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

// The weights of rows k and k + 1 as one 32-bit lane (k even), the second
// 0 past the last row; answers false when there are more taps than room.
constexpr int kMaximumPairs = 64;
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
                                                                             const std::int16_t* weights,
                                                                             std::int32_t taps, std::int32_t byteCount,
                                                                             std::uint8_t* destination) {
  std::uint32_t pairs[kMaximumPairs];
  if (!packWeightPairs(weights, taps, pairs)) return 0;
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
                                                                             const std::int16_t* weights,
                                                                             std::int32_t taps, std::int32_t byteCount,
                                                                             std::uint8_t* destination) {
  std::uint32_t pairs[kMaximumPairs];
  if (!packWeightPairs(weights, taps, pairs)) return 0;
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

#else

int detectedSimdLevel() { return simdScalar; }

#endif

int simdLevel() { return std::min(detectedSimdLevel(), limitedSimdLevel); }

void filterWorkRow(const WrapResampler& resampler, std::uint8_t* pixels) {
#if defined(ORIELVMX_RESAMPLE_X86)
  const int level = simdLevel();
  if (level >= simdSse2 && resampler.taps % 8 == 0) {
    if (level >= simdAvx2) {
      splitPlanesSsse3(resampler);
    } else {
      splitPlanesScalar(resampler, 0);
    }
    if (level >= simdAvx2) {
      filterPlanesAvx2(resampler, pixels);
    } else {
      filterPlanesSse2(resampler, pixels);
    }
    return;
  }
#endif
  filterRowHorizontal(resampler, pixels);
}

void combineRows(const std::uint8_t* const* rows, const std::int16_t* weights, std::int32_t taps,
                 std::int32_t byteCount, std::uint8_t* destination) {
  std::int32_t done = 0;
#if defined(ORIELVMX_RESAMPLE_X86)
  const int level = simdLevel();
  if (level >= simdAvx2) {
    done = combineRowsAvx2(rows, weights, taps, byteCount, destination);
  } else if (level >= simdSse2) {
    done = combineRowsSse2(rows, weights, taps, byteCount, destination);
  }
#endif
  combineRowsVertical(rows, weights, taps, done, byteCount, destination);
}

// Reads source row (index mod sourceSize) into workRow between its margins,
// fills the margins from the row's other end and filters it into pixels.
// A failed read leaves pixels as they were.
int loadCacheEntry(WrapResampler& resampler, std::int32_t index, std::uint8_t* pixels) {
  const std::int32_t sourceRow = wrapIndex(index, resampler.sourceSize);
  const std::size_t channels = static_cast<std::size_t>(resampler.channels);
  const std::size_t half = static_cast<std::size_t>(-resampler.leftOffset);
  const std::size_t rowBytes = static_cast<std::size_t>(resampler.sourceSize) * channels;
  std::uint8_t* workRow = resampler.workRow;

  const int result = resampler.source.fetch(resampler.source.context, sourceRow, workRow + half * channels);
  if (result != 0) return result;

  // half <= sourceSize (checked at creation), so the left margin's source
  // never overlaps it.
  std::memcpy(workRow, workRow + rowBytes, half * channels);
  // Forwards, byte by byte: when the right margin is wider than the row it
  // reads bytes it has just written and so keeps repeating the row.
  const std::size_t rightBytes = static_cast<std::size_t>(resampler.rightOffset) * channels;
  std::uint8_t* from = workRow + half * channels;
  std::uint8_t* to = from + rowBytes;
  for (std::size_t b = 0; b < rightBytes; ++b) to[b] = from[b];

  filterWorkRow(resampler, pixels);
  return 0;
}

}  // namespace

int ceilWithTolerance(double x) {
  const double y = x - kCentreTolerance;
  const int whole = static_cast<int>(y);  // truncates toward zero
  return y < 0 ? whole : whole + 1;
}

// Keys' cubic convolution kernel with a = -0.5 (Catmull-Rom), in the nested
// forms whose double rounding the weight tables depend on.
double cubicKernel(double x) {
  if (x < -2.0) return 0.0;
  if (x < -1.0) {
    const double t = x + 2.0;
    return 0.5 * t * ((t - 1.0) * t);
  }
  if (x < 0.0) {
    const double t = x + 1.0;
    return 0.5 * t * (t * (-3.0 * t + 4.0) + 1.0);
  }
  if (x < 1.0) return 0.5 * ((3.0 * x - 5.0) * x * x + 2.0);
  if (x < 2.0) {
    const double t = x - 1.0;
    return 0.5 * t * ((2.0 - t) * t - 1.0);
  }
  return 0.0;
}

void buildWeightTable(WrapResampler* resampler) {
  const bool reducing = resampler->scale < 1.0;
  const std::int32_t taps = resampler->taps;
  const std::int32_t remainderTap = taps + resampler->leftOffset;  // tap number taps - half
  std::int32_t previousFirst = 0;
  for (std::int32_t i = 0; i < resampler->targetSize; ++i) {
    const double centre = static_cast<double>(i) / resampler->scale;
    const std::int32_t first = ceilWithTolerance(centre);
    const double frac = static_cast<double>(first) - centre;
    if (i >= 1) resampler->steps[i - 1] = static_cast<std::uint16_t>(first - previousFirst);
    previousFirst = first;

    std::int16_t* weights = resampler->weights + static_cast<std::size_t>(i) * taps;
    std::int32_t sum = 0;
    for (std::int32_t j = resampler->leftOffset; j < resampler->rightOffset; ++j) {
      const double distance = reducing ? (j + frac) * resampler->scale : j + frac;
      const auto weight = static_cast<std::int16_t>(static_cast<std::int32_t>(cubicKernel(distance) * kOne + 0.5));
      weights[j - resampler->leftOffset] = weight;
      sum += weight;
    }
    if (sum == 0) continue;
    // Truncating division loses up to one unit per tap; the loss goes to one
    // tap so that every output index sums to exactly kOne and flat areas stay flat.
    std::int16_t total = 0;
    for (std::int32_t t = 0; t < taps; ++t) {
      weights[t] = static_cast<std::int16_t>(weights[t] * kOne / sum);
      total = static_cast<std::int16_t>(total + weights[t]);
    }
    weights[remainderTap] = static_cast<std::int16_t>(weights[remainderTap] + (kOne - total));
  }
  if (resampler->targetSize >= 1) resampler->steps[resampler->targetSize - 1] = 0;
}

WrapResampler* createWrapResampler(std::int32_t sourceSize, std::int32_t targetSize, std::int32_t channels,
                                   RowSource source) {
  Geometry geometry{};
  if (source.fetch == nullptr || !computeGeometry(sourceSize, targetSize, channels, geometry)) return nullptr;

  void* block = platform::allocateMemory(sizeof(WrapResampler));
  if (block == nullptr) return nullptr;
  auto* resampler = new (block) WrapResampler{};
  resampler->scale = geometry.scale;
  resampler->sourceSize = sourceSize;
  resampler->targetSize = targetSize;
  resampler->channels = channels;
  resampler->source = source;
  resampler->taps = geometry.taps;
  resampler->leftOffset = -geometry.half;
  resampler->rightOffset = geometry.taps - geometry.half;
  resampler->windowFirst = resampler->leftOffset;
  resampler->windowLast = (sourceSize - 1) + resampler->rightOffset;

  const std::int32_t taps = resampler->taps;
  resampler->weights = allocateArray<std::int16_t>(static_cast<std::int64_t>(targetSize) * taps);
  resampler->steps = allocateArray<std::uint16_t>(targetSize);
  // The work row, then one plane per channel for the vector passes.
  resampler->workRow = allocateArray<std::uint8_t>(
      static_cast<std::int64_t>(workRowBytes(*resampler) + planeStride(*resampler) * static_cast<std::size_t>(channels)));
  resampler->rowCache = allocateArray<RowCacheEntry>(taps);
  // Every key starts one below the first index ever requested, so the first
  // request for each row misses. Pixels stay null until allocated, so a
  // failure releases only real blocks.
  if (resampler->rowCache != nullptr) {
    for (std::int32_t slot = 0; slot < taps; ++slot) {
      new (&resampler->rowCache[slot]) RowCacheEntry{resampler->windowFirst - 1, nullptr};
    }
  }
  resampler->rowPointers = allocateArray<const std::uint8_t*>(taps);
  if (resampler->weights == nullptr || resampler->steps == nullptr || resampler->workRow == nullptr ||
      resampler->rowCache == nullptr || resampler->rowPointers == nullptr) {
    destroyWrapResampler(resampler);
    return nullptr;
  }

  bool allocated = true;
  for (std::int32_t slot = 0; slot < taps; ++slot) {
    resampler->rowCache[slot].pixels = allocateArray<std::uint8_t>(static_cast<std::int64_t>(targetSize) * channels);
    allocated = allocated && resampler->rowCache[slot].pixels != nullptr;
  }
  if (!allocated) {
    destroyWrapResampler(resampler);
    return nullptr;
  }

  buildWeightTable(resampler);
  return resampler;
}

void destroyWrapResampler(WrapResampler* resampler) {
  if (resampler == nullptr) return;
  releaseParts(resampler);
  resampler->~WrapResampler();
  platform::releaseMemory(resampler);
}

int resampleRow(WrapResampler* resampler, std::int32_t row, std::uint8_t* destination) {
  const std::int32_t taps = resampler->taps;
  const std::int32_t outputRow = wrapIndex(row, resampler->targetSize);
  std::int32_t first = resampler->windowFirst;
  for (std::int32_t i = 0; i < outputRow; ++i) first += resampler->steps[i];

  // Keyed by the unwrapped index: consecutive indices of one window always
  // land in distinct slots, even where the window crosses the texture's edge.
  for (std::int32_t index = first; index < first + taps; ++index) {
    RowCacheEntry& entry = resampler->rowCache[wrapIndex(index, taps)];
    if (entry.row != index) {
      const int result = loadCacheEntry(*resampler, index, entry.pixels);
      if (result != 0) return result;
      entry.row = index;
    }
    resampler->rowPointers[index - first] = entry.pixels;
  }

  combineRows(resampler->rowPointers, resampler->weights + static_cast<std::size_t>(outputRow) * taps, taps,
              resampler->targetSize * resampler->channels, destination);
  return 0;
}

int limitWrapResamplerSimd(int level) {
  limitedSimdLevel = std::clamp(level, static_cast<int>(simdScalar), static_cast<int>(simdAvx2));
  return simdLevel();
}
