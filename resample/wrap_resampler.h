// Wrap-around cubic resampler: rescales a periodic texture so that the result
// still tiles without seams. Separable Catmull-Rom (Keys, a = -0.5) in 14-bit
// fixed point; floating point only at creation.
#pragma once

#include <cstdint>

#include "resample/cubic_weights.h"
#include "resample/edge_index.h"

// Where source rows come from: fetch(context, row, destination) writes the
// unscaled row `row` (0 .. source height - 1) as source width pixels of
// `channels` bytes and answers 0, or a non-zero failure value (-1 for a
// failed read).
struct RowSource {
  int (*fetch)(void* context, std::int32_t row, std::uint8_t* destination);
  void* context;
};

struct RowCacheEntry {
  std::int32_t row;         // unwrapped source row index held in pixels
  std::uint8_t* pixels;     // targetSize * channels bytes
};

// Where output pixel i is centred in the source.
enum class Alignment : std::int32_t {
  origins = 0,  // on source pixel i / scale: output pixel 0 on source pixel 0
  centres = 1,  // on (i + 0.5) / scale - 0.5: the outer edges coincide, so a
                // mirrored source gives a result that mirrors on the same axes
};

// The fields up to `source` describe the columns (and, for a square scaled
// to a square, the rows too): sourceSize and targetSize are widths there.
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
  RowCacheEntry* rowCache;       // rowTaps entries
  const std::uint8_t** rowPointers;  // rowTaps
  RowSource source;
  // The rows. A square scaled to a square shares the column tables.
  double rowScale;
  std::int32_t sourceRows;
  std::int32_t targetRows;
  std::int32_t rowTaps;
  std::int32_t rowWindowFirst;   // first source row of output row 0's window
  std::int16_t* rowWeights;      // targetRows * rowTaps
  std::uint16_t* rowSteps;       // targetRows
  // Pixels from the work row's start to output column 0's window: 0 unless
  // the pixel centres are aligned (see ResampleShape).
  std::int32_t columnStart;
  EdgeMode edge;
  Alignment alignment;
};

struct ResampleShape {
  std::int32_t sourceWidth;
  std::int32_t sourceHeight;
  std::int32_t targetWidth;
  std::int32_t targetHeight;
  EdgeMode edge;
  Alignment alignment;
};

// Null when any allocation fails (everything allocated so far is released),
// and for sizes it cannot serve: either size below 1, channels below 1, a
// one-pixel target of a reduction or one-pixel source of an enlargement, or a
// reduction by 65535 or more, or tables of 2 GB or more.
WrapResampler* createWrapResampler(std::int32_t sourceSize, std::int32_t targetSize,
                                   std::int32_t channels, RowSource source);
// The same for independent widths and heights, either edge mode and either
// alignment; the limits above hold for each axis. The square call is this
// with wrap and origins. Output rows outside 0 .. targetHeight - 1 are
// wrapped or reflected as the source is.
WrapResampler* createWrapResampler(const ResampleShape& shape, std::int32_t channels, RowSource source);
void destroyWrapResampler(WrapResampler* resampler);
// Writes output row `row` (any integer; wraps modulo the target height, or
// reflects) into destination (target width * channels bytes) and answers 0,
// or answers the source's failure value and leaves destination untouched.
int resampleRow(WrapResampler* resampler, std::int32_t row, std::uint8_t* destination);

// Exposed for tests.
void buildWeightTable(WrapResampler* resampler);
// The vector passes in use by the resampler and the point sampler: 0 scalar,
// 1 SSE2 (SSSE3 where a pass needs it), 2 AVX2, at most `level` and what the
// processor offers; answers the level now in use.
int limitWrapResamplerSimd(int level);
