#include "resample/cubic_weights.h"

#include "resample/wrap_resampler_kernels.h"

using wrap_kernels::kOne;

namespace {

constexpr double kCentreTolerance = 0.000001;

}  // namespace

int ceilWithTolerance(double x) {
  const double y = x - kCentreTolerance;
  const int whole = static_cast<int>(y);  // truncates toward zero
  return y < 0 ? whole : whole + 1;
}

// In the nested forms whose double rounding the weight tables depend on.
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

void cubicTapWeights(double frac, double scale, std::int32_t leftOffset, std::int32_t taps,
                     std::int16_t* weights) {
  const bool reducing = scale < 1.0;
  std::int32_t sum = 0;
  for (std::int32_t t = 0; t < taps; ++t) {
    const std::int32_t j = leftOffset + t;
    const double distance = reducing ? (j + frac) * scale : j + frac;
    // Truncation toward zero: round half up for positive values only.
    weights[t] = static_cast<std::int16_t>(static_cast<std::int32_t>(cubicKernel(distance) * kOne + 0.5));
    sum += weights[t];
  }
  if (sum == 0) return;
  // Truncating division loses up to one unit per tap; the loss goes to the
  // tap at j = taps - 2 * half (the centre tap when taps = 2 * half), so
  // that flat areas stay flat.
  std::int16_t total = 0;
  for (std::int32_t t = 0; t < taps; ++t) {
    weights[t] = static_cast<std::int16_t>(weights[t] * kOne / sum);
    total = static_cast<std::int16_t>(total + weights[t]);
  }
  const std::int32_t remainderTap = taps + leftOffset;
  weights[remainderTap] = static_cast<std::int16_t>(weights[remainderTap] + (kOne - total));
}
