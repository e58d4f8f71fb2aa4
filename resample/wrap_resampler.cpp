#include "resample/wrap_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "resample/cpu_features.h"
#include "resample/simd_level.h"
#include "resample/wrap_index.h"
#include "resample/wrap_resampler_kernels.h"

using wrap_kernels::kFractionBits;
using wrap_kernels::kOne;
using wrap_kernels::kRoundingBias;
using wrap_kernels::planeStride;
using wrap_kernels::workRowBytes;

namespace {

constexpr double kUnitSupport = 4.0;  // kernel width in source pixels at unit scale

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

// The filter along one axis.
struct Axis {
  double scale;
  std::int32_t taps;
  std::int32_t half;
};

double supportOf(double scale) { return scale >= 1.0 ? kUnitSupport : kUnitSupport / scale; }

// From the unrounded support, not from the taps.
std::int32_t halfSupportOf(double scale) { return static_cast<std::int32_t>(std::floor(supportOf(scale) * 0.5)); }

// Creation refuses, rather than corrupting memory, sizes the resampler was not
// made for: an empty source or target, a left wrap margin wider than the
// source row (half > sourceSize, i.e. a reduction to one pixel or an
// enlargement of a one-pixel source), steps that would not fit 16 bits, and
// tables whose byte counts would overflow an int.
bool computeAxis(std::int32_t sourceSize, std::int32_t targetSize, Axis& axis) {
  if (sourceSize < 1 || targetSize < 1) return false;
  // Bounds taps (about 4 * sourceSize / targetSize) before it is converted to an int.
  if (sourceSize / targetSize >= kMaximumStep) return false;
  axis.scale = static_cast<double>(targetSize) / static_cast<double>(sourceSize);
  axis.taps = axis.scale >= 1.0 ? 4 : ceilWithTolerance(supportOf(axis.scale));
  axis.half = halfSupportOf(axis.scale);
  if (axis.half > sourceSize) return false;
  return static_cast<std::int64_t>(targetSize) * axis.taps * 2 <= kMaximumTableBytes;
}

bool computeGeometry(const ResampleShape& sizes, std::int32_t channels, Axis& columns, Axis& rows) {
  if (channels < 1 || !computeAxis(sizes.sourceWidth, sizes.targetWidth, columns) ||
      !computeAxis(sizes.sourceHeight, sizes.targetHeight, rows)) {
    return false;
  }
  // The work row and, after it, its channels one plane each (see planeStride).
  if ((sizes.sourceWidth + static_cast<std::int64_t>(columns.taps) + 16) * channels * 2 > kMaximumTableBytes) return false;
  if (static_cast<std::int64_t>(sizes.targetWidth) * channels > kMaximumTableBytes) return false;
  return static_cast<std::int64_t>(rows.taps) * static_cast<std::int64_t>(sizeof(RowCacheEntry)) <= kMaximumTableBytes;
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
    for (std::int32_t slot = 0; slot < resampler->rowTaps; ++slot) {
      releaseIfAllocated(resampler->rowCache[slot].pixels);
    }
  }
  releaseIfAllocated(resampler->rowCache);
  if (resampler->rowWeights != resampler->weights) releaseIfAllocated(resampler->rowWeights);
  if (resampler->rowSteps != resampler->steps) releaseIfAllocated(resampler->rowSteps);
  releaseIfAllocated(resampler->weights);
  releaseIfAllocated(resampler->steps);
  releaseIfAllocated(resampler->workRow);
  releaseIfAllocated(resampler->rowPointers);
}

// Output column x reads the taps workRow pixels from c(x) on, which are the
// source columns c(x) - half .. c(x) - half + taps - 1 already wrapped (or
// reflected). A fixed
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
  wrap_kernels::filterRowHorizontalFrom(
      resampler, 0, static_cast<std::size_t>(resampler.columnStart) * static_cast<std::size_t>(resampler.channels),
      pixels);
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

using simd::avx2Level;
using simd::sse2Level;

void filterWorkRow(const WrapResampler& resampler, std::uint8_t* pixels) {
#if defined(ORIELVMX_X86)
  const int level = simd::level();
  if (level >= sse2Level && resampler.taps % 8 == 0) {
    if (level >= avx2Level) {
      wrap_kernels::splitPlanesSsse3(resampler);
    } else {
      wrap_kernels::splitPlanesScalar(resampler, 0);
    }
    if (level >= avx2Level) {
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
  const int level = simd::level();
  std::uint32_t pairs[wrap_kernels::kMaximumPairs];
  if (level >= sse2Level && wrap_kernels::packWeightPairs(weights, taps, pairs)) {
    done = level >= avx2Level ? wrap_kernels::combineRowsAvx2(rows, pairs, taps, byteCount, destination)
                             : wrap_kernels::combineRowsSse2(rows, pairs, taps, byteCount, destination);
  }
#endif
  combineRowsVertical(rows, weights, taps, done, byteCount, destination);
}

// Mirrored margins, pixel by pixel: a margin may be wider than the row.
void reflectMargins(const WrapResampler& resampler) {
  const std::size_t channels = static_cast<std::size_t>(resampler.channels);
  const std::int32_t half = -resampler.leftOffset;
  const std::int32_t width = resampler.sourceSize;
  std::uint8_t* workRow = resampler.workRow;
  const std::uint8_t* row = workRow + static_cast<std::size_t>(half) * channels;
  for (std::int32_t column = resampler.windowFirst; column <= resampler.windowLast; ++column) {
    if (column >= 0 && column < width) continue;
    std::memcpy(workRow + static_cast<std::size_t>(column + half) * channels,
                row + static_cast<std::size_t>(reflectIndex(column, width)) * channels, channels);
  }
}

// Reads source row (index mod sourceRows, or reflected) into workRow between
// its margins, fills the margins from the row's other end (or its mirror
// image) and filters it into pixels. A failed read leaves pixels as they were.
int loadCacheEntry(WrapResampler& resampler, std::int32_t index, std::uint8_t* pixels) {
  const std::int32_t sourceRow = edgeIndex(index, resampler.sourceRows, resampler.edge);
  const std::size_t channels = static_cast<std::size_t>(resampler.channels);
  const std::size_t half = static_cast<std::size_t>(-resampler.leftOffset);
  const std::size_t rowBytes = static_cast<std::size_t>(resampler.sourceSize) * channels;
  std::uint8_t* workRow = resampler.workRow;

  const int result = resampler.source.fetch(resampler.source.context, sourceRow, workRow + half * channels);
  if (result != 0) return result;

  if (resampler.edge == EdgeMode::reflect) {
    reflectMargins(resampler);
  } else {
    // half <= sourceSize (checked at creation), so the left margin's source
    // never overlaps it.
    std::memcpy(workRow, workRow + rowBytes, half * channels);
    // Forwards, byte by byte: when the right margin is wider than the row it
    // reads bytes it has just written and so keeps repeating the row.
    const std::size_t rightBytes = static_cast<std::size_t>(resampler.rightOffset) * channels;
    std::uint8_t* from = workRow + half * channels;
    std::uint8_t* to = from + rowBytes;
    for (std::size_t b = 0; b < rightBytes; ++b) to[b] = from[b];
  }

  filterWorkRow(resampler, pixels);
  return 0;
}

// The weights and steps of one axis; answers c(0), the first whole source
// position at or after output 0's centre.
std::int32_t buildAxisTable(const Axis& axis, std::int32_t targetSize, bool centred, std::int16_t* weights,
                            std::uint16_t* steps) {
  std::int32_t firstCentre = 0;
  std::int32_t previousFirst = 0;
  for (std::int32_t i = 0; i < targetSize; ++i) {
    const double centre = centred ? (static_cast<double>(i) + 0.5) / axis.scale - 0.5
                                  : static_cast<double>(i) / axis.scale;
    const std::int32_t first = ceilWithTolerance(centre);
    if (i >= 1) {
      steps[i - 1] = static_cast<std::uint16_t>(first - previousFirst);
    } else {
      firstCentre = first;
    }
    previousFirst = first;
    cubicTapWeights(static_cast<double>(first) - centre, axis.scale, -axis.half, axis.taps,
                    weights + static_cast<std::size_t>(i) * axis.taps);
  }
  steps[targetSize - 1] = 0;
  return firstCentre;
}

}  // namespace

void buildWeightTable(WrapResampler* resampler) {
  const bool centred = resampler->alignment == Alignment::centres;
  const Axis columns{resampler->scale, resampler->taps, -resampler->leftOffset};
  resampler->columnStart =
      buildAxisTable(columns, resampler->targetSize, centred, resampler->weights, resampler->steps);
  if (resampler->rowWeights == resampler->weights) {
    resampler->rowWindowFirst = resampler->columnStart + resampler->leftOffset;
    return;
  }
  const std::int32_t rowHalf = halfSupportOf(resampler->rowScale);
  const Axis rows{resampler->rowScale, resampler->rowTaps, rowHalf};
  resampler->rowWindowFirst =
      buildAxisTable(rows, resampler->targetRows, centred, resampler->rowWeights, resampler->rowSteps) - rowHalf;
}

WrapResampler* createWrapResampler(std::int32_t sourceSize, std::int32_t targetSize, std::int32_t channels,
                                   RowSource source) {
  return createWrapResampler(
      ResampleShape{sourceSize, sourceSize, targetSize, targetSize, EdgeMode::wrap, Alignment::origins}, channels,
      source);
}

WrapResampler* createWrapResampler(const ResampleShape& sizes, std::int32_t channels, RowSource source) {
  Axis columns{};
  Axis rows{};
  if (source.fetch == nullptr || !computeGeometry(sizes, channels, columns, rows)) return nullptr;

  void* block = platform::allocateMemory(sizeof(WrapResampler));
  if (block == nullptr) return nullptr;
  auto* resampler = new (block) WrapResampler{};
  resampler->scale = columns.scale;
  resampler->sourceSize = sizes.sourceWidth;
  resampler->targetSize = sizes.targetWidth;
  resampler->channels = channels;
  resampler->source = source;
  resampler->taps = columns.taps;
  resampler->leftOffset = -columns.half;
  resampler->rightOffset = columns.taps - columns.half;
  resampler->windowFirst = resampler->leftOffset;
  resampler->windowLast = (sizes.sourceWidth - 1) + resampler->rightOffset;
  resampler->rowScale = rows.scale;
  resampler->sourceRows = sizes.sourceHeight;
  resampler->targetRows = sizes.targetHeight;
  resampler->rowTaps = rows.taps;
  resampler->edge = sizes.edge;
  resampler->alignment = sizes.alignment;

  const std::int32_t taps = resampler->taps;
  const std::int32_t rowTaps = resampler->rowTaps;
  const std::int32_t targetWidth = sizes.targetWidth;
  resampler->weights = allocateArray<std::int16_t>(static_cast<std::int64_t>(targetWidth) * taps);
  resampler->steps = allocateArray<std::uint16_t>(targetWidth);
  const bool square = sizes.sourceWidth == sizes.sourceHeight && sizes.targetWidth == sizes.targetHeight;
  if (square) {
    resampler->rowWeights = resampler->weights;
    resampler->rowSteps = resampler->steps;
  } else {
    resampler->rowWeights = allocateArray<std::int16_t>(static_cast<std::int64_t>(sizes.targetHeight) * rowTaps);
    resampler->rowSteps = allocateArray<std::uint16_t>(sizes.targetHeight);
  }
  // The work row, then one plane per channel for the vector passes.
  resampler->workRow = allocateArray<std::uint8_t>(
      static_cast<std::int64_t>(workRowBytes(*resampler) + planeStride(*resampler) * static_cast<std::size_t>(channels)));
  resampler->rowCache = allocateArray<RowCacheEntry>(rowTaps);
  // Every key starts one below the first index ever requested, so the first
  // request for each row misses. Pixels stay null until allocated, so a
  // failure releases only real blocks.
  if (resampler->rowCache != nullptr) {
    for (std::int32_t slot = 0; slot < rowTaps; ++slot) {
      new (&resampler->rowCache[slot]) RowCacheEntry{-rows.half - 1, nullptr};
    }
  }
  resampler->rowPointers = allocateArray<const std::uint8_t*>(rowTaps);
  if (resampler->weights == nullptr || resampler->steps == nullptr || resampler->rowWeights == nullptr ||
      resampler->rowSteps == nullptr || resampler->workRow == nullptr || resampler->rowCache == nullptr ||
      resampler->rowPointers == nullptr) {
    destroyWrapResampler(resampler);
    return nullptr;
  }

  bool allocated = true;
  for (std::int32_t slot = 0; slot < rowTaps; ++slot) {
    resampler->rowCache[slot].pixels = allocateArray<std::uint8_t>(static_cast<std::int64_t>(targetWidth) * channels);
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
  const std::int32_t taps = resampler->rowTaps;
  const std::int32_t outputRow = edgeIndex(row, resampler->targetRows, resampler->edge);
  std::int32_t first = resampler->rowWindowFirst;
  for (std::int32_t i = 0; i < outputRow; ++i) first += resampler->rowSteps[i];

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

  combineRows(resampler->rowPointers, resampler->rowWeights + static_cast<std::size_t>(outputRow) * taps, taps,
              resampler->targetSize * resampler->channels, destination);
  return 0;
}

int limitWrapResamplerSimd(int level) { return simd::limitLevel(level); }
