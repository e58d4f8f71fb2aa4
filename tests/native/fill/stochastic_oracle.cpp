#include "tests/native/fill/stochastic_oracle.h"

#include <algorithm>
#include <cmath>

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
  return top * (1 - ft) + bottom * ft;
}

// Field c of channel k's lookup entry at node j, as the tables hold it.
double field(const StochasticTexture& texture, int k, int j, int c) {
  const std::uint64_t entry = texture.lookup[k * stochastic::kLookupNodes + j];
  return double((entry >> (21 * c)) & 0x1FFFFF);
}

}  // namespace

std::vector<std::int32_t> oracleRow(const StochasticTexture& texture, const StochasticOptions& options,
                                    const StochasticMap& map, std::int32_t x, std::int32_t y, std::int32_t count,
                                    std::int32_t sampleBytes) {
  const double shorter = std::min(texture.width, texture.height);
  const double edge =
      std::max(2.0, options.cellPercent == 0 ? texture.automaticCellEdge : options.cellPercent * shorter / 100.0);
  const double root3 = std::sqrt(3.0);
  std::vector<std::int32_t> samples;
  for (std::int32_t px = x; px < x + count; ++px) {
    const double u = map.uPerX * (px + 0.5) + map.uPerY * (y + 0.5) + map.uOrigin;
    const double v = map.vPerX * (px + 0.5) + map.vPerY * (y + 0.5) + map.vOrigin;
    const double a = (u - v / root3) / edge;
    const double b = 2 * v / (root3 * edge);
    const double wholeA = std::floor(a), wholeB = std::floor(b);
    const double fa = a - wholeA, fb = b - wholeB;
    double corners[3][2];
    double weights[3];
    if (fa + fb < 1) {
      const double c[3][2] = {{wholeA, wholeB}, {wholeA, wholeB + 1}, {wholeA + 1, wholeB}};
      std::copy(&c[0][0], &c[0][0] + 6, &corners[0][0]);
      weights[0] = 1 - fa - fb, weights[1] = fb, weights[2] = fa;
    } else {
      const double c[3][2] = {{wholeA + 1, wholeB + 1}, {wholeA + 1, wholeB}, {wholeA, wholeB + 1}};
      std::copy(&c[0][0], &c[0][0] + 6, &corners[0][0]);
      weights[0] = fa + fb - 1, weights[1] = 1 - fb, weights[2] = 1 - fa;
    }
    const double norm = std::sqrt(weights[0] * weights[0] + weights[1] * weights[1] + weights[2] * weights[2]);

    double quarters[3] = {0, 0, 0};
    for (int k = 0; k < texture.channels; ++k) {
      double g = 0;
      for (int i = 0; i < 3; ++i) {
        const std::uint32_t hash = stochastic::cornerHash(std::int32_t(std::int64_t(corners[i][0])),
                                                          std::int32_t(std::int64_t(corners[i][1])), options.seed);
        const stochastic::PatchOffset offset = stochastic::patchOffset(hash, texture.width, texture.height);
        g += weights[i] * gaussianAt(texture, k, u - 0.5 + offset.column, v - 0.5 + offset.row);
      }
      g /= norm;
      const double node = std::clamp(g * stochastic::kLookupNodesPerDeviation + stochastic::kLookupNodes / 2, 0.0,
                                     double(stochastic::kLookupNodes - 1));
      const int j = std::min(int(node), stochastic::kLookupNodes - 2);
      const double f = node - j;
      for (int c = 0; c < texture.channels; ++c) {
        quarters[c] += field(texture, k, j, c) * (1 - f) + field(texture, k, j + 1, c) * f;
      }
    }
    for (int c = 0; c < texture.channels; ++c) {
      const double value = quarters[c] - texture.fieldOffset[c];
      const double scaled = sampleBytes == 1 ? value * 255.0 / stochastic::kSampleTop : value / 4.0;
      const double top = sampleBytes == 1 ? 255.0 : 32768.0;
      samples.push_back(std::int32_t(std::floor(std::clamp(scaled, 0.0, top) + 0.5)));
    }
  }
  return samples;
}

}  // namespace stochastic_test
