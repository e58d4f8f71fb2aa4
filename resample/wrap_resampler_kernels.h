// Shared by the resampler's scalar algorithm and its x86 vector passes: the
// fixed-point budget, the layout of the work row, the scalar horizontal pass
// the vector passes finish a row with, and the vector passes themselves.
#pragma once

#include <cstddef>
#include <cstdint>

#include "resample/cpu_features.h"
#include "resample/wrap_resampler.h"

namespace wrap_kernels {

// Fixed-point budget. A weight is a signed 16-bit number with 14 fractional
// bits (kOne = 1.0); the cubic's lobes stay within [-0.08, 1], so one bit of
// headroom above 1.0 is plenty. A sample is an unsigned 8-bit value, so one
// product takes 8 + 16 = 24 bits. The weights of an output index add up to
// exactly kOne and their magnitudes to less than 1.3 * kOne, so an accumulated
// sum stays below 255 * 1.3 * 2^14 + kRoundingBias < 2^23: a signed 32-bit
// accumulator never overflows, whatever the number of taps.
constexpr int kFractionBits = 14;
constexpr std::int32_t kOne = 1 << kFractionBits;                 // 16384
constexpr std::int32_t kRoundingBias = 1 << (kFractionBits - 1);  // 0.5, so >> rounds half up

// Bytes of the work row: one pixel per source column of the window.
inline std::size_t workRowBytes(const WrapResampler& resampler) {
  return static_cast<std::size_t>(resampler.windowLast - resampler.windowFirst + 1) *
         static_cast<std::size_t>(resampler.channels);
}

// Bytes of one channel plane after the work row: one pixel per source
// column of the window, rounded up so that vector loads and stores of 16
// pixels stay inside the plane.
inline std::size_t planeStride(const WrapResampler& resampler) {
  const std::size_t window = static_cast<std::size_t>(resampler.windowLast - resampler.windowFirst + 1);
  return (window + 15) / 16 * 16;
}

// The scalar horizontal pass over output columns from `firstColumn` on;
// `cursor` is the byte offset of that column's window in the work row.
void filterRowHorizontalFrom(const WrapResampler& resampler, int firstColumn, std::size_t cursor,
                             std::uint8_t* pixels);

#if defined(ORIELVMX_X86)

// The vector horizontal passes read the work row split into one plane per
// channel; the scalar split starts at pixel `firstPixel`, so that it can
// finish what the SSSE3 one left.
void splitPlanesScalar(const WrapResampler& resampler, std::size_t firstPixel);
__attribute__((target("ssse3"))) ORIELVMX_REALIGN void splitPlanesSsse3(const WrapResampler& resampler);

// Taps a multiple of 8 only.
__attribute__((target("sse2"))) ORIELVMX_REALIGN void filterPlanesSse2(const WrapResampler& resampler,
                                                                        std::uint8_t* pixels);
__attribute__((target("avx2"))) ORIELVMX_REALIGN void filterPlanesAvx2(const WrapResampler& resampler,
                                                                        std::uint8_t* pixels);

// Rows are combined in pairs: the weights of rows k and k + 1 as one 32-bit
// lane (k even), so that one multiply-add applies both.
constexpr int kMaximumPairs = 64;
// Answers false when there are more taps than kMaximumPairs pairs hold.
bool packWeightPairs(const std::int16_t* weights, std::int32_t taps, std::uint32_t* pairs);

// Combine the leading bytes of the cached rows with packed weight pairs and
// answer how many they wrote; the scalar loop does the rest.
__attribute__((target("sse2"))) ORIELVMX_REALIGN std::int32_t combineRowsSse2(const std::uint8_t* const* rows,
                                                                             const std::uint32_t* pairs,
                                                                             std::int32_t taps, std::int32_t byteCount,
                                                                             std::uint8_t* destination);
__attribute__((target("avx2"))) ORIELVMX_REALIGN std::int32_t combineRowsAvx2(const std::uint8_t* const* rows,
                                                                             const std::uint32_t* pairs,
                                                                             std::int32_t taps, std::int32_t byteCount,
                                                                             std::uint8_t* destination);

#endif

}  // namespace wrap_kernels
