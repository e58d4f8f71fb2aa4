// One-dimensional discrete Fourier transforms of any length through
// KissFFT, with twiddle factors of our own (unit_root.h), so that every
// build computes the same bits.
#pragma once

#include <cstdint>

namespace seamless {

// Laid out as KissFFT's complex value.
struct Complex {
  float real;
  float imaginary;
};

struct FourierPlan;

// `inverse`: the sign of the exponent is +; neither direction scales.
// Null when the plan's memory cannot be had.
FourierPlan* createFourierPlan(std::int32_t length, bool inverse);
void destroyFourierPlan(FourierPlan* plan);

// input and output hold the plan's length and must not overlap.
void transform(FourierPlan* plan, const Complex* input, Complex* output);

// For tests: whether the plan's twiddles are ours (false: KissFFT's own,
// when its state is not laid out as expected).
bool usesOwnTwiddles(const FourierPlan* plan);

}  // namespace seamless
