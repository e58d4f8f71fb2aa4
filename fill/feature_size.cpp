#include "fill/feature_size.h"

#include <algorithm>

namespace stochastic {

namespace {

// Large textures are sampled every `stride` rows and columns: the
// correlation of a million texels is as good as that of sixteen.
constexpr std::int64_t kSampledTexels = std::int64_t{1} << 20;

double ratio(std::int64_t products, std::int64_t squares) {
  return squares == 0 ? 1.0 : static_cast<double>(products) / static_cast<double>(squares);
}

}  // namespace

LagCorrelation lagCorrelation(const std::int16_t* plane, std::int32_t width, std::int32_t height, std::int32_t lag) {
  const std::int64_t texels = static_cast<std::int64_t>(width) * height;
  std::int32_t stride = 1;
  while (texels / (static_cast<std::int64_t>(stride) * stride) > kSampledTexels) ++stride;
  std::int64_t products[2] = {0, 0};
  std::int64_t squares[2] = {0, 0};
  for (std::int32_t y = 0; y < height; y += stride) {
    const std::int16_t* row = plane + static_cast<std::ptrdiff_t>(y) * width;
    const std::int16_t* below = plane + static_cast<std::ptrdiff_t>((y + lag) % height) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::int32_t here = row[x];
      products[0] += here * row[(x + lag) % width];
      squares[0] += here * here;
    }
    for (std::int32_t x = 0; x < width; x += stride) {
      const std::int32_t here = row[x];
      products[1] += here * below[x];
      squares[1] += here * here;
    }
  }
  return {ratio(products[0], squares[0]), ratio(products[1], squares[1])};
}

double correlationLength(const std::int16_t* plane, std::int32_t width, std::int32_t height) {
  const std::int32_t shorter = std::min(width, height);
  double previous = 1.0;
  std::int32_t previousLag = 0;
  for (std::int32_t lag = 1; 2 * lag <= shorter; lag *= 2) {
    const LagCorrelation here = lagCorrelation(plane, width, height, lag);
    const double correlation = (here.across + here.down) / 2;
    if (correlation >= 1.0) return 1.0;  // flat
    if (correlation <= 0.5) {
      return previousLag + (lag - previousLag) * (previous - 0.5) / (previous - correlation);
    }
    previous = correlation;
    previousLag = lag;
  }
  return std::max(1.0, shorter / 2.0);
}

double automaticCellEdge(const std::int16_t* plane, std::int32_t width, std::int32_t height) {
  const double shorter = std::min(width, height);
  const double edge = 4.0 * correlationLength(plane, width, height);
  return std::max(2.0, std::clamp(edge, 0.25 * shorter, 0.5 * shorter));
}

}  // namespace stochastic
