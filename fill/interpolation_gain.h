// A bilinear read between texels of a Gaussianised plane has less variance
// than the texels: halfway between two unrelated texels, half as much. A
// turned or scaled fill of a fine-grained texture would lose a seventh of
// its contrast and more. The general path makes it up with a gain by the
// read's fractions, the same reasoning as the blend's variance-preserving
// normaliser (Heitz and Neyret 2018) applied to the bilinear weights: for
// weights (1 - f, f) across, the variance is (1 - f)^2 + f^2 +
// 2 f (1 - f) r, r the plane's correlation between neighbours across; down
// likewise, and diagonal neighbours taken to correlate as the product. A
// smooth plane (r near 1) gets a gain near 1.
#pragma once

#include <cstdint>

namespace stochastic {

// Gains by the fraction in 1/4096ths (0 .. 4096), in 1/16384ths.
constexpr std::int32_t kGainEntries = 4097;
constexpr std::int32_t kGainOne = 16384;

// The variance of a read at fraction f between two texels that correlate
// by r (clamped to 0 .. 1: a plane whose neighbours anticorrelate would
// otherwise ask for unbounded gains).
double interpolatedVariance(double fraction, double correlation);

void fillInterpolationGains(double correlation, std::int16_t* gains);

}  // namespace stochastic
