// Wrap-around cubic resampler: rescales a square, periodic texture so that
// the result still tiles without seams. Separable Catmull-Rom (Keys, a = -0.5)
// in 14-bit fixed point; floating point only at creation.
#pragma once

#include <cstdint>

// Where source rows come from: fetch(context, row, destination) writes the
// unscaled row `row` (0 .. sourceSize - 1) as sourceSize pixels of `channels`
// bytes and answers 0, or a non-zero failure value (-1 for a failed read).
struct RowSource {
  int (*fetch)(void* context, std::int32_t row, std::uint8_t* destination);
  void* context;
};

struct RowCacheEntry {
  std::int32_t row;         // unwrapped source row index held in pixels
  std::uint8_t* pixels;     // targetSize * channels bytes
};

struct WrapResampler {
  double scale;
  std::int32_t sourceSize;
  std::int32_t targetSize;
  std::int32_t taps;
  std::int32_t leftOffset;
  std::int32_t rightOffset;
  std::int32_t windowFirst;
  std::int32_t windowLast;
  std::int32_t channels;
  std::int16_t* weights;         // targetSize * taps
  std::uint16_t* steps;          // targetSize
  std::uint8_t* workRow;         // (sourceSize + taps) * channels
  RowCacheEntry* rowCache;       // taps entries
  const std::uint8_t** rowPointers;  // taps
  RowSource source;
};

// Null when any allocation fails (everything allocated so far is released),
// and for sizes it cannot serve: either size below 1, channels below 1, a
// one-pixel target of a reduction or one-pixel source of an enlargement, or a
// reduction by 65535 or more, or tables of 2 GB or more.
WrapResampler* createWrapResampler(std::int32_t sourceSize, std::int32_t targetSize,
                                   std::int32_t channels, RowSource source);
void destroyWrapResampler(WrapResampler* resampler);
// Writes output row `row` (any integer; wraps modulo targetSize) into
// destination (targetSize * channels bytes) and answers 0, or answers the
// source's failure value and leaves destination untouched.
int resampleRow(WrapResampler* resampler, std::int32_t row, std::uint8_t* destination);

// Exposed for tests.
int ceilWithTolerance(double x);
double cubicKernel(double x);
void buildWeightTable(WrapResampler* resampler);
// The vector passes in use: 0 scalar, 1 SSE2, 2 AVX2, at most `level` and
// what the processor offers; answers the level now in use.
int limitWrapResamplerSimd(int level);
