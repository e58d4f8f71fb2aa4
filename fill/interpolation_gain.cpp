#include "fill/interpolation_gain.h"

#include <algorithm>
#include <cmath>

namespace stochastic {

double interpolatedVariance(double fraction, double correlation) {
  const double r = std::clamp(correlation, 0.0, 1.0);
  const double rest = 1.0 - fraction;
  return rest * rest + fraction * fraction + 2.0 * fraction * rest * r;
}

void fillInterpolationGains(double correlation, std::int16_t* gains) {
  for (std::int32_t i = 0; i < kGainEntries; ++i) {
    const double gain = 1.0 / std::sqrt(interpolatedVariance(i / 4096.0, correlation));
    gains[i] = static_cast<std::int16_t>(std::floor(gain * kGainOne + 0.5));
  }
}

}  // namespace stochastic
