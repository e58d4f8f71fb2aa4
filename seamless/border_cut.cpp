#include "seamless/border_cut.h"

#include <cstdint>

#include "seamless/picture_samples.h"
#include "seamless/work_buffer.h"

namespace seamless {
namespace {

// Each path keeps to its half of the band; the band is an eighth of the
// side on either side of the seam, at most this wide.
constexpr std::int32_t kMaximumHalfBand = 128;
// Pixels on either side of a path blended between the picture and the
// strip, in quarter steps.
constexpr std::int32_t kFeather = 2;

// One arm of the cross, in its own coordinates: `along` runs the length of
// the seam (rows of the left-right arm), `offset` across it, from -half to
// half - 1, 0 being the first pixel past the wrap. The strip is the picture
// itself, `shift` pixels further on across the seam.
struct Arm {
  Picture* picture;
  bool acrossColumns;  // true: the arm covers the left and right borders
  std::int32_t length;  // pixels along the seam
  std::int32_t period;  // pixels across it (the picture's side)
  std::int32_t half;    // half-width of the band
  std::int32_t shift;
  std::int32_t alongShift;  // and this many along it
};

std::int32_t wrapped(std::int32_t position, std::int32_t period) {
  if (position < 0) return position + period;
  return position >= period ? position - period : position;
}

// The picture's pixel at (along, offset), and the strip's.
std::int32_t pictureSample(const Arm& arm, std::int32_t along, std::int32_t offset, std::int32_t channel) {
  const std::int32_t across = wrapped(offset, arm.period);
  return arm.acrossColumns ? sampleAt(*arm.picture, across, along, channel)
                           : sampleAt(*arm.picture, along, across, channel);
}
std::int32_t stripSample(const Arm& arm, std::int32_t along, std::int32_t offset, std::int32_t channel) {
  return pictureSample(arm, wrapped(along + arm.alongShift, arm.length), offset + arm.shift, channel);
}

std::int64_t difference(const Arm& arm, std::int32_t along, std::int32_t offset) {
  std::int64_t sum = 0;
  for (std::int32_t c = 0; c < arm.picture->channels; ++c) {
    const std::int64_t d = pictureSample(arm, along, offset, c) - stripSample(arm, along, offset, c);
    sum += d * d;
  }
  return sum;
}

// The path of least summed difference through offsets first .. first +
// count - 1, one offset per step along and moving at most one offset a
// step: path[along] is the offset where the strip starts (left path) or
// ends (right path).
bool cheapestPath(const Arm& arm, std::int32_t first, std::int32_t count, std::int32_t* path) {
  WorkBuffer<std::int64_t> cost;
  WorkBuffer<std::int8_t> step;
  if (!cost.allocate(2 * static_cast<std::int64_t>(count)) ||
      !step.allocate(static_cast<std::int64_t>(count) * arm.length)) {
    return false;
  }
  std::int64_t* previous = cost.data();
  std::int64_t* current = cost.data() + count;
  for (std::int32_t i = 0; i < count; ++i) previous[i] = difference(arm, 0, first + i);
  for (std::int32_t along = 1; along < arm.length; ++along) {
    std::int8_t* steps = step.data() + static_cast<std::int64_t>(along) * count;
    for (std::int32_t i = 0; i < count; ++i) {
      std::int8_t best = 0;
      std::int64_t bestCost = previous[i];
      if (i > 0 && previous[i - 1] < bestCost) {
        best = -1;
        bestCost = previous[i - 1];
      }
      if (i + 1 < count && previous[i + 1] < bestCost) {
        best = 1;
        bestCost = previous[i + 1];
      }
      steps[i] = best;
      current[i] = bestCost + difference(arm, along, first + i);
    }
    std::int64_t* swap = previous;
    previous = current;
    current = swap;
  }
  std::int32_t end = 0;
  for (std::int32_t i = 1; i < count; ++i) {
    if (previous[i] < previous[end]) end = i;
  }
  for (std::int32_t along = arm.length - 1; along >= 0; --along) {
    path[along] = first + end;
    if (along > 0) end += step[static_cast<std::int64_t>(along) * count + end];
  }
  return true;
}

// The strip's weight at `offset`, in quarters of the feather's steps: full
// from the left path to the right path, ramping over kFeather pixels on
// either side of each.
std::int32_t stripWeight(std::int32_t offset, std::int32_t left, std::int32_t right) {
  constexpr std::int32_t kFull = 4 * kFeather;
  const std::int32_t fromLeft = 2 * (offset - left + kFeather) + 1;
  const std::int32_t fromRight = 2 * (right - offset + kFeather) - 1;
  std::int32_t weight = fromLeft < fromRight ? fromLeft : fromRight;
  if (weight < 0) weight = 0;
  if (weight > kFull) weight = kFull;
  return weight;
}

void layStrip(const Arm& arm, const std::int32_t* left, const std::int32_t* right) {
  constexpr std::int32_t kFull = 4 * kFeather;
  Picture& picture = *arm.picture;
  for (std::int32_t along = 0; along < arm.length; ++along) {
    for (std::int32_t offset = -arm.half - kFeather; offset < arm.half + kFeather; ++offset) {
      const std::int32_t weight = stripWeight(offset, left[along], right[along]);
      if (weight == 0) continue;
      const std::int32_t across = wrapped(offset, arm.period);
      const std::int32_t x = arm.acrossColumns ? across : along;
      const std::int32_t y = arm.acrossColumns ? along : across;
      for (std::int32_t c = 0; c < picture.channels; ++c) {
        const std::int32_t strip = stripSample(arm, along, offset, c);
        const std::int32_t own = sampleAt(picture, x, y, c);
        setSample(picture, x, y, c, (strip * weight + own * (kFull - weight) + kFull / 2) / kFull);
      }
    }
  }
}

// The difference between the strip and the picture where the paths may
// run, on every `every`-th step along.
std::int64_t overlapCost(const Arm& arm, std::int32_t every) {
  std::int64_t cost = 0;
  for (std::int32_t along = 0; along < arm.length; along += every) {
    for (std::int32_t offset = kFeather + 1; offset <= arm.half; ++offset) {
      cost += difference(arm, along, offset) + difference(arm, along, -offset - 1);
    }
  }
  return cost;
}

// As quilting picks the patch that best matches what it overlaps: the
// strip's source, among the shifts that keep it clear of the band, whose
// pixels differ least from the picture's. A coarse grid first, then
// halving steps around the best. Shifting along the seam is only possible
// once the picture repeats that way, that is for the second arm.
void chooseShift(Arm& arm, bool alongToo) {
  const std::int32_t low = 2 * (arm.half + kFeather);
  const std::int32_t high = arm.period - low;
  // A 32 by 16 grid seen on every 16th step along, then each halving of
  // the steps tries the eight neighbours of the best on every 4th: about a
  // tenth of a second for a million pixels.
  std::int32_t step = arm.period / 32 > 1 ? arm.period / 32 : 1;
  std::int32_t alongStep = alongToo && arm.length / 16 > 1 ? arm.length / 16 : 1;
  std::int64_t bestCost = -1;
  std::int32_t best = arm.period / 2;
  std::int32_t bestAlong = 0;
  const std::int32_t alongEnd = alongToo ? arm.length : 1;
  for (std::int32_t along = 0; along < alongEnd; along += alongStep) {
    for (std::int32_t shift = low; shift <= high; shift += step) {
      arm.shift = shift;
      arm.alongShift = along;
      const std::int64_t cost = overlapCost(arm, 16);
      if (bestCost < 0 || cost < bestCost) {
        bestCost = cost;
        best = shift;
        bestAlong = along;
      }
    }
  }
  while (step > 1 || alongStep > 1) {
    step = step > 1 ? step / 2 : 1;
    alongStep = alongStep > 1 ? alongStep / 2 : 1;
    const std::int32_t centre = best;
    const std::int32_t centreAlong = bestAlong;
    bestCost = -1;
    for (std::int32_t a = -1; a <= 1; ++a) {
      if (!alongToo && a != 0) continue;
      for (std::int32_t b = -1; b <= 1; ++b) {
        const std::int32_t shift = centre + b * step;
        if (shift < low || shift > high) continue;
        arm.shift = shift;
        arm.alongShift = wrapped(centreAlong + a * alongStep, arm.length);
        const std::int64_t cost = overlapCost(arm, 4);
        if (bestCost < 0 || cost < bestCost) {
          bestCost = cost;
          best = shift;
          bestAlong = arm.alongShift;
        }
      }
    }
  }
  arm.shift = best;
  arm.alongShift = bestAlong;
}

bool cutArm(Arm& arm, bool alongToo) {
  chooseShift(arm, alongToo);
  WorkBuffer<std::int32_t> paths;
  if (!paths.allocate(2 * static_cast<std::int64_t>(arm.length))) return false;
  std::int32_t* left = paths.data();
  std::int32_t* right = paths.data() + arm.length;
  // The paths keep their feathers off the two pixels beside the wrap, which
  // the strip then covers whole.
  const std::int32_t count = arm.half - kFeather;
  if (!cheapestPath(arm, -arm.half, count, left) || !cheapestPath(arm, kFeather + 1, count, right)) return false;
  layStrip(arm, left, right);
  return true;
}

std::int32_t halfBand(std::int32_t side) {
  const std::int32_t half = side / 8;
  return half < kMaximumHalfBand ? half : kMaximumHalfBand;
}

}  // namespace

std::int64_t cutUnits(const Picture&) { return 2; }

Outcome cutAcrossBorders(Picture& picture, ProgressMeter& meter) {
  if (picture.width >= kMinimumCutSide) {
    Arm arm{&picture, true, picture.height, picture.width, halfBand(picture.width), 0, 0};
    if (!cutArm(arm, false)) return Outcome::outOfMemory;
  }
  if (!meter.advance(1)) return Outcome::aborted;
  if (picture.height >= kMinimumCutSide) {
    Arm arm{&picture, false, picture.width, picture.height, halfBand(picture.height), 0, 0};
    if (!cutArm(arm, picture.width >= kMinimumCutSide)) return Outcome::outOfMemory;
  }
  return meter.advance(1) ? Outcome::done : Outcome::aborted;
}

}  // namespace seamless
