#include "tests/native/fill/stochastic_oracle.h"

#include <algorithm>
#include <cmath>

#include "fill/interpolation_gain.h"
#include "fill/normal_distribution.h"
#include "fill/triangle_grid.h"

namespace stochastic_test {

namespace {

double wrapped(double value, double period) {
  const double r = std::fmod(value, period);
  return r < 0 ? r + period : r;
}

// The Gaussian value of a plane at texture position (s, t) in texel-index
// space (texel centres at whole numbers), bilinear with wrap-around.
double gaussianAt(const StochasticTexture& texture, int channel, double s, double t) {
  const std::int16_t* plane = texture.planes + std::int64_t(texture.width) * texture.height * channel;
  const double s0 = std::floor(s), t0 = std::floor(t);
  const double fs = s - s0, ft = t - t0;
  const auto at = [&](double column, double row) {
    const auto c = std::int64_t(wrapped(column, texture.width));
    const auto r = std::int64_t(wrapped(row, texture.height));
    return plane[r * texture.width + c] / double(stochastic::kGaussianOne);
  };
  const double top = at(s0, t0) * (1 - fs) + at(s0 + 1, t0) * fs;
  const double bottom = at(s0, t0 + 1) * (1 - fs) + at(s0 + 1, t0 + 1) * fs;
  // The variance the read lost, made up (see interpolation_gain.h).
  const double variance = stochastic::interpolatedVariance(fs, texture.neighbourCorrelation[channel][0]) *
                          stochastic::interpolatedVariance(ft, texture.neighbourCorrelation[channel][1]);
  const double limit = double(stochastic::kGaussianLimit) / stochastic::kGaussianOne;
  return std::clamp((top * (1 - ft) + bottom * ft) / std::sqrt(variance), -limit, limit);
}

// Field c of channel k's lookup entry at node j, as the tables hold it.
double field(const StochasticTexture& texture, int k, int j, int c) {
  const std::uint64_t entry = texture.lookup[k * stochastic::kLookupNodes + j];
  return double((entry >> (21 * c)) & 0x1FFFFF);
}

// Channel k's contribution to sample c at blended value g, linear between nodes.
double contribution(const StochasticTexture& texture, int k, int c, double g) {
  const double node = std::clamp(g * stochastic::kLookupNodesPerDeviation + stochastic::kLookupNodes / 2, 0.0,
                                 double(stochastic::kLookupNodes - 1));
  const int j = std::min(int(node), stochastic::kLookupNodes - 2);
  const double f = node - j;
  return field(texture, k, j, c) * (1 - f) + field(texture, k, j + 1, c) * f;
}

std::int32_t sampleOf(const StochasticTexture& texture, int c, double quarters, int sampleBytes) {
  const double value = quarters - texture.fieldOffset[c];
  const double scaled = sampleBytes == 1 ? value * 255.0 / stochastic::kSampleTop : value / 4.0;
  const double top = sampleBytes == 1 ? 255.0 : 32768.0;
  return std::int32_t(std::floor(std::clamp(scaled, 0.0, top) + 0.5));
}

}  // namespace

OracleRow oracleRow(const StochasticTexture& texture, const StochasticOptions& options, const StochasticMap& map,
                    std::int32_t x, std::int32_t y, std::int32_t count, std::int32_t sampleBytes, double slack) {
  const double edge = stochasticCellEdge(texture, options.cellPercent);
  const double root3 = std::sqrt(3.0);
  OracleRow row;
  for (std::int32_t px = x; px < x + count; ++px) {
    const double u = map.uPerX * (px + 0.5) + map.uPerY * (y + 0.5) + map.uOrigin;
    const double v = map.vPerX * (px + 0.5) + map.vPerY * (y + 0.5) + map.vOrigin;
    const double a = (u - v / root3) / edge;
    const double b = 2 * v / (root3 * edge);
    const double wholeA = std::floor(a), wholeB = std::floor(b);
    const double fa = a - wholeA, fb = b - wholeB;
    const bool upper = fa + fb < 1;
    const double corners[3][2] = {{upper ? wholeA : wholeA + 1, upper ? wholeB : wholeB + 1},
                                  {upper ? wholeA : wholeA + 1, upper ? wholeB + 1 : wholeB},
                                  {upper ? wholeA + 1 : wholeA, upper ? wholeB : wholeB + 1}};
    const double weights[3] = {upper ? 1 - fa - fb : fa + fb - 1, upper ? fb : 1 - fb, upper ? fa : 1 - fa};
    const double norm = std::sqrt(weights[0] * weights[0] + weights[1] * weights[1] + weights[2] * weights[2]);

    double quarters[3] = {0, 0, 0}, lowest[3] = {0, 0, 0}, highest[3] = {0, 0, 0};
    for (int k = 0; k < texture.channels; ++k) {
      double g = 0;
      for (int i = 0; i < 3; ++i) {
        const std::uint32_t hash = stochastic::cornerHash(std::int32_t(std::int64_t(corners[i][0])),
                                                          std::int32_t(std::int64_t(corners[i][1])), options.seed);
        const stochastic::PatchOffset offset = stochastic::patchOffset(hash, texture.width, texture.height);
        g += weights[i] * gaussianAt(texture, k, u - 0.5 + offset.column, v - 0.5 + offset.row);
      }
      g /= norm;
      for (int c = 0; c < texture.channels; ++c) {
        const double below = contribution(texture, k, c, g - slack);
        const double above = contribution(texture, k, c, g + slack);
        quarters[c] += contribution(texture, k, c, g);
        lowest[c] += std::min(below, above);
        highest[c] += std::max(below, above);
      }
    }
    for (int c = 0; c < texture.channels; ++c) {
      row.samples.push_back(sampleOf(texture, c, quarters[c], sampleBytes));
      row.lowest.push_back(sampleOf(texture, c, lowest[c], sampleBytes));
      row.highest.push_back(sampleOf(texture, c, highest[c], sampleBytes));
    }
  }
  return row;
}

}  // namespace stochastic_test
