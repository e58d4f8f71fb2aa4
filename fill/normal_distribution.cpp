#include "fill/normal_distribution.h"

#include <algorithm>
#include <cmath>

namespace stochastic {

namespace {

constexpr double kLogTwo = 0.6931471805599453;
constexpr double kInverseSquareRootOfTwoPi = 0.3989422804014327;

}  // namespace

double exponentialOfNegative(double x) {
  // x = k ln 2 + r with |r| <= ln 2 / 2; the Taylor series of e^r to the
  // 18th power is exact to the last bit there, and ldexp scales exactly.
  const double k = std::floor(x / kLogTwo + 0.5);
  const double r = x - k * kLogTwo;
  double sum = 1.0;
  for (int n = 18; n >= 1; --n) sum = 1.0 + sum * r / n;
  return std::ldexp(sum, static_cast<int>(k));
}

double normalDistribution(double x) {
  // Marsaglia's series, 1/2 + phi(x) (x + x^3/3 + x^5/(3 5) + ...): every
  // term positive, so no cancellation inside the sum; for the lower tail the
  // upper one is mirrored. Beyond 9 deviations the answer is 0 or 1 to
  // double precision.
  const double magnitude = std::min(std::fabs(x), 9.0);
  const double square = magnitude * magnitude;
  double term = magnitude;
  double sum = magnitude;
  for (int n = 1; n < 400 && term > sum * 1e-17; ++n) {
    term = term * square / (2 * n + 1);
    sum += term;
  }
  const double half = exponentialOfNegative(-0.5 * square) * kInverseSquareRootOfTwoPi * sum;
  return x < 0 ? 0.5 - half : 0.5 + half;
}

void fillQuantileBoundaries(double* boundaries) {
  for (std::int32_t i = 0; i < 2 * kGaussianLimit; ++i) {
    const double value = (i - kGaussianLimit + 0.5) / kGaussianOne;
    boundaries[i] = normalDistribution(value);
  }
}

std::int32_t gaussianQuantile(const double* boundaries, double probability) {
  const double* end = boundaries + 2 * kGaussianLimit;
  return static_cast<std::int32_t>(std::lower_bound(boundaries, end, probability) - boundaries) - kGaussianLimit;
}

}  // namespace stochastic
