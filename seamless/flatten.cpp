#include "seamless/flatten.h"

#include "seamless/picture_samples.h"
#include "seamless/work_buffer.h"

namespace seamless {
namespace {

// Three passes of a box filter come close to a Gaussian; a box reaching a
// quarter of the shorter side leaves only the change across the picture.
constexpr int kBoxPasses = 3;
// Never brighten or darken a pixel more than this many times: deep shadow
// has no detail worth bringing up to the mean, only noise.
constexpr double kLargestGain = 4.0;

// One pass of the mean over the window [i - radius, i + radius] that lies
// inside the line, along a line of `count` values `stride` apart. The
// window shrinks at the ends rather than repeating the edge, so an edge
// does not pull the mean its way.
void boxLine(double* values, std::int64_t stride, std::int32_t count, std::int32_t radius, double* scratch) {
  for (std::int32_t i = 0; i < count; ++i) scratch[i] = values[i * stride];
  double sum = 0.0;
  std::int32_t low = 0;   // first index inside the window
  std::int32_t high = 0;  // one past the last
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int32_t wantedHigh = i + radius + 1 < count ? i + radius + 1 : count;
    while (high < wantedHigh) sum += scratch[high++];
    const std::int32_t wantedLow = i - radius > 0 ? i - radius : 0;
    while (low < wantedLow) sum -= scratch[low++];
    values[i * stride] = sum / (high - low);
  }
}

}  // namespace

std::int64_t flattenUnits(const Picture& picture) { return kBoxPasses + 1 + picture.height / 64; }

Outcome flattenLighting(Picture& picture, ProgressMeter& meter) {
  const std::int32_t width = picture.width;
  const std::int32_t height = picture.height;
  const std::int64_t pixels = static_cast<std::int64_t>(width) * height;
  const std::int32_t longer = width > height ? width : height;
  const std::int32_t shorter = width < height ? width : height;
  WorkBuffer<double> brightness;
  WorkBuffer<double> scratch;
  if (!brightness.allocate(pixels) || !scratch.allocate(longer)) return Outcome::outOfMemory;
  double total = 0.0;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      double sum = 0.0;
      for (std::int32_t c = 0; c < picture.channels; ++c) sum += sampleAt(picture, x, y, c);
      brightness[static_cast<std::int64_t>(y) * width + x] = sum;
      total += sum;
    }
  }
  const double mean = total / static_cast<double>(pixels);
  const std::int32_t radius = shorter / 4 > 1 ? shorter / 4 : 1;
  for (int pass = 0; pass < kBoxPasses; ++pass) {
    for (std::int32_t y = 0; y < height; ++y) {
      boxLine(brightness.data() + static_cast<std::int64_t>(y) * width, 1, width, radius, scratch.data());
    }
    for (std::int32_t x = 0; x < width; ++x) boxLine(brightness.data() + x, width, height, radius, scratch.data());
    if (!meter.advance(1)) return Outcome::aborted;
  }
  const std::int32_t maximum = maximumSample(picture);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const double blurred = brightness[static_cast<std::int64_t>(y) * width + x];
      double gain = blurred > 0.0 ? mean / blurred : 1.0;
      if (gain > kLargestGain) gain = kLargestGain;
      if (gain < 1.0 / kLargestGain) gain = 1.0 / kLargestGain;
      for (std::int32_t c = 0; c < picture.channels; ++c) {
        setSample(picture, x, y, c, quantizeSample(sampleAt(picture, x, y, c) * gain, maximum));
      }
    }
    if ((y + 1) % 64 == 0 && !meter.advance(1)) return Outcome::aborted;
  }
  return meter.advance(1) ? Outcome::done : Outcome::aborted;
}

}  // namespace seamless
