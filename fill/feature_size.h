// How alike a Gaussianised plane is to itself a few texels away: what the
// by-example fill sizes its cells by, and what its bilinear reads make up
// for.
#pragma once

#include <cstdint>

namespace stochastic {

// The wrap-around autocorrelation of a plane at one lag, across and down;
// 1 for a flat plane. Large planes are sampled every few rows and columns.
struct LagCorrelation {
  double across;
  double down;
};
LagCorrelation lagCorrelation(const std::int16_t* plane, std::int32_t width, std::int32_t height, std::int32_t lag);

// The distance, in texels, at which the plane's autocorrelation (the mean
// of across and down) first falls to one half: from lags 1, 2, 4 ... up to
// half the shorter period, linear between the two lags around one half;
// half the shorter period when it never gets there, 1 for a flat plane.
double correlationLength(const std::int16_t* plane, std::int32_t width, std::int32_t height);

// The triangle edge, in texels, for a Gaussianised plane of width x height.
//
// A patch must hold the texture's features whole, or the blend cuts veins
// and clouds into ghosts of themselves; it must also stay well inside one
// period, or two places a period apart read the same texels again and the
// repetition the fill exists to hide comes back. So: four times the
// correlation length (the features' size), kept between a quarter of the
// shorter period, about what Deliot and Heitz use for every texture, and a
// half, beyond which a point and its neighbour one period away start to
// share triangle corners.
double automaticCellEdge(const std::int16_t* plane, std::int32_t width, std::int32_t height);

}  // namespace stochastic
