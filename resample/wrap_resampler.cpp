#include "resample/wrap_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "resample/cpu_features.h"
#include "resample/wrap_index.h"
#include "resample/wrap_resampler_kernels.h"

using wrap_kernels::kFractionBits;
using wrap_kernels::kOne;
using wrap_kernels::kRoundingBias;
using wrap_kernels::planeStride;
using wrap_kernels::workRowBytes;

namespace {

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

}  // namespace

namespace wrap_kernels {

void filterRowHorizontalFrom(const WrapResampler& resampler, int firstColumn, std::size_t cursor,
                             std::uint8_t* pixels) {
  switch (resampler.channels) {
    case 1: filterRowHorizontalWith<1>(resampler, firstColumn, cursor, pixels); break;
    case 3: filterRowHorizontalWith<3>(resampler, firstColumn, cursor, pixels); break;
    case 4: filterRowHorizontalWith<4>(resampler, firstColumn, cursor, pixels); break;
    default: filterRowHorizontalWith<0>(resampler, firstColumn, cursor, pixels); break;
  }
}

}  // namespace wrap_kernels

namespace {

void filterRowHorizontal(const WrapResampler& resampler, std::uint8_t* pixels) {
  wrap_kernels::filterRowHorizontalFrom(resampler, 0, 0, pixels);
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

// The vector passes are chosen at run time by what the processor offers;
// the tests and the fuzz harness cap the level to hold them against the
// scalar loops.
enum SimdLevel : int { simdScalar = 0, simdSse2 = 1, simdAvx2 = 2 };

int limitedSimdLevel = simdAvx2;

int detectedSimdLevel() {
  const cpu::Features& offered = cpu::features();
  if (offered.avx2 && offered.ssse3) return simdAvx2;
  if (offered.sse2) return simdSse2;
  return simdScalar;
}

int simdLevel() { return std::min(detectedSimdLevel(), limitedSimdLevel); }

void filterWorkRow(const WrapResampler& resampler, std::uint8_t* pixels) {
#if defined(ORIELVMX_X86)
  const int level = simdLevel();
  if (level >= simdSse2 && resampler.taps % 8 == 0) {
    if (level >= simdAvx2) {
      wrap_kernels::splitPlanesSsse3(resampler);
    } else {
      wrap_kernels::splitPlanesScalar(resampler, 0);
    }
    if (level >= simdAvx2) {
      wrap_kernels::filterPlanesAvx2(resampler, pixels);
    } else {
      wrap_kernels::filterPlanesSse2(resampler, pixels);
    }
    return;
  }
#endif
  filterRowHorizontal(resampler, pixels);
}

void combineRows(const std::uint8_t* const* rows, const std::int16_t* weights, std::int32_t taps,
                 std::int32_t byteCount, std::uint8_t* destination) {
  std::int32_t done = 0;
#if defined(ORIELVMX_X86)
  const int level = simdLevel();
  std::uint32_t pairs[wrap_kernels::kMaximumPairs];
  if (level >= simdSse2 && wrap_kernels::packWeightPairs(weights, taps, pairs)) {
    done = level >= simdAvx2 ? wrap_kernels::combineRowsAvx2(rows, pairs, taps, byteCount, destination)
                             : wrap_kernels::combineRowsSse2(rows, pairs, taps, byteCount, destination);
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