// The standard normal distribution, from additions, multiplications,
// divisions and exact scalings only. The Gaussianised texture and its lookup
// tables are built from it, and they must come out the same in every build:
// the C libraries' exp and erf differ in their last bits from one another.
#pragma once

#include <cstdint>

namespace stochastic {

// e^x for -745 < x <= 0.
double exponentialOfNegative(double x);

// The probability that a standard normal variable is below x.
double normalDistribution(double x);

// Fixed-point Gaussian values: kGaussianOne units to one standard deviation,
// kept within kGaussianLimit units of the mean. 5.5 deviations hold the
// rarest rank of 33 million texels, and the sum of three weighted values
// still fits 16 bits after halving (see stochastic_kernels.h).
constexpr std::int32_t kGaussianOne = 4096;
constexpr std::int32_t kGaussianLimit = 22528;  // 5.5 deviations

// Answers, for probabilities strictly between 0 and 1, the fixed-point
// Gaussian value nearest to the quantile of `probability`: the count of
// boundaries (normalDistribution halfway between neighbouring fixed-point
// values) below it. `boundaries` holds 2 x kGaussianLimit values.
void fillQuantileBoundaries(double* boundaries);
std::int32_t gaussianQuantile(const double* boundaries, double probability);

}  // namespace stochastic
