// The cubic kernel and its fixed-point weights, shared by the wrap-around
// resampler's tables and the point sampler's phase table, so that both
// filter with the same numbers.
#pragma once

#include <cstdint>

// The smallest integer above x - 0.000001: a centre this close above a whole
// position counts as that position.
int ceilWithTolerance(double x);
// Keys' cubic convolution kernel with a = -0.5 (Catmull-Rom).
double cubicKernel(double x);

// The 14-bit weights of `taps` source positions c + j, j from leftOffset on,
// for a centre lying `frac` before c (c - centre = frac); `scale` below 1
// stretches the kernel over 1 / scale source pixels. They add up to exactly
// 16384 unless the raw weights add up to 0.
void cubicTapWeights(double frac, double scale, std::int32_t leftOffset, std::int32_t taps,
                     std::int16_t* weights);
