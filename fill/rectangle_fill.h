// The fill of the whole plane, one rectangle at a time, for a caller that
// asks for any part of the document in any order and from several threads
// at once (an image graph rendering its tiles). Every pixel is the band
// fill's pixel at the same document position, the repetition anchored at
// the document's (0, 0).
#pragma once

#include <cstdint>

#include "fill/fill_job.h"
#include "fill/pixel_layout.h"

namespace fill {

struct RectangleFill {
  FillJob job;         // the caller sets its fileName and options before Start
  PixelLayout layout;  // packed pixels of the format given at Start
};

// The largest coordinate a rectangle may reach, left or right of the origin:
// positions stay far from the 32-bit limits in every mode's arithmetic.
constexpr std::int32_t kPlaneLimit = 1 << 30;

// Opens the texture and prepares the options for pixels of `colourPlanes`
// (1 gray, 3 RGB) samples of `sampleBytes` (1, or 2 holding 0 to 32768 as
// 16-bit documents do). Answers 1, or 0 with the result (and the message)
// given and the fill released.
int startRectangleFill(RectangleFill& fill, std::int32_t colourPlanes, std::int32_t sampleBytes,
                       std::int16_t* result);

// Writes `rows` x `columns` pixels of the plane from (top, left) into
// `pixels`, rows `rowBytes` apart, on the caller's thread alone. Any number
// of threads may fill rectangles of one started fill at once. Answers 1, or 0 with the result
// given and nothing written (a fill not started, a rectangle that is empty,
// beyond kPlaneLimit or larger than its buffer).
int fillRectangle(RectangleFill& fill, std::int32_t top, std::int32_t left, std::int32_t rows, std::int32_t columns,
                  std::uint8_t* pixels, std::int32_t rowBytes, std::int16_t* result);

// When the started fill repeats exactly every `across` x `down` pixels
// (the texture at its own size, tiled or mirrored, not turned): 1 with the
// period; else 0.
int rectangleFillPeriod(const RectangleFill& fill, std::int32_t* across, std::int32_t* down);

void releaseRectangleFill(RectangleFill& fill);

}  // namespace fill
