#include "resample/wrap_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "platform/platform.h"

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
  if ((sourceSize + taps) * channels > kMaximumTableBytes) return false;
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
// channel count lets the compiler unroll the channel loop.
template <int FixedChannels>
void filterRowHorizontalWith(const WrapResampler& resampler, std::uint8_t* pixels) {
  const int channels = FixedChannels > 0 ? FixedChannels : resampler.channels;
  const int taps = resampler.taps;
  const std::uint8_t* workRow = resampler.workRow;
  std::size_t cursor = 0;
  for (int x = 0; x < resampler.targetSize; ++x) {
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

void filterRowHorizontal(const WrapResampler& resampler, std::uint8_t* pixels) {
  switch (resampler.channels) {
    case 1: filterRowHorizontalWith<1>(resampler, pixels); break;
    case 3: filterRowHorizontalWith<3>(resampler, pixels); break;
    case 4: filterRowHorizontalWith<4>(resampler, pixels); break;
    default: filterRowHorizontalWith<0>(resampler, pixels); break;
  }
}

// Bytes are combined a block at a time into int32 accumulators, one pass per
// cached row, so that each pass is a plain multiply-add over contiguous bytes.
constexpr int kCombineBlock = 256;

void combineRowsVertical(const std::uint8_t* const* rows, const std::int16_t* weights,
                         std::int32_t taps, std::int32_t byteCount, std::uint8_t* destination) {
  std::int32_t acc[kCombineBlock];
  for (std::int32_t start = 0; start < byteCount; start += kCombineBlock) {
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

  filterRowHorizontal(resampler, pixels);
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
  resampler->workRow =
      allocateArray<std::uint8_t>(static_cast<std::int64_t>(resampler->windowLast - resampler->windowFirst + 1) * channels);
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

  combineRowsVertical(resampler->rowPointers, resampler->weights + static_cast<std::size_t>(outputRow) * taps, taps,
                      resampler->targetSize * resampler->channels, destination);
  return 0;
}
