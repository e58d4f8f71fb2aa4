#include "resample/texture_map.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// Taylor series to the 15th and 14th powers: for |r| <= pi / 4 the first
// term left out is below 1e-17. Only additions and multiplications, so the
// result is the same wherever IEEE doubles are computed without fused
// multiply-adds.
double sineSeries(double r) {
  const double r2 = r * r;
  return r * (1.0 + r2 * (-1.0 / 6.0 + r2 * (1.0 / 120.0 + r2 * (-1.0 / 5040.0 + r2 * (1.0 / 362880.0 +
         r2 * (-1.0 / 39916800.0 + r2 * (1.0 / 6227020800.0 + r2 * (-1.0 / 1307674368000.0))))))));
}

double cosineSeries(double r) {
  const double r2 = r * r;
  return 1.0 + r2 * (-0.5 + r2 * (1.0 / 24.0 + r2 * (-1.0 / 720.0 + r2 * (1.0 / 40320.0 +
         r2 * (-1.0 / 3628800.0 + r2 * (1.0 / 479001600.0 + r2 * (-1.0 / 87178291200.0)))))));
}

std::int64_t toFixed(double value) { return std::llround(value * 4294967296.0); }

}  // namespace

void turnOf(double degrees, double& cosine, double& sine) {
  if (!std::isfinite(degrees)) degrees = 0.0;
  double within = std::fmod(degrees, 360.0);  // exact
  if (within < 0.0) within += 360.0;
  int quadrant = static_cast<int>(std::floor(within / 90.0));
  double rest = within - 90.0 * quadrant;
  if (rest < 0.0) {
    rest += 90.0;
    --quadrant;
  } else if (rest >= 90.0) {
    rest -= 90.0;
    ++quadrant;
  }
  double c = 1.0;
  double s = 0.0;
  if (rest <= 45.0) {
    c = cosineSeries(rest * kRadiansPerDegree);
    s = sineSeries(rest * kRadiansPerDegree);
  } else {
    c = sineSeries((90.0 - rest) * kRadiansPerDegree);
    s = cosineSeries((90.0 - rest) * kRadiansPerDegree);
  }
  switch (((quadrant % 4) + 4) % 4) {
    case 1: cosine = -s; sine = c; break;
    case 2: cosine = -c; sine = -s; break;
    case 3: cosine = s; sine = -c; break;
    default: cosine = c; sine = s; break;
  }
}

TextureMap fillTextureMap(const FillTransform& transform, const BlockFrame& frame) {
  constexpr double kLargestOffset = 1048576.0;
  const double scale = std::isfinite(transform.scale) ? std::clamp(transform.scale, 1.0 / 1024.0, 1024.0) : 1.0;
  const double offsetX = std::isfinite(transform.offsetX) ? std::clamp(transform.offsetX, -kLargestOffset, kLargestOffset) : 0.0;
  const double offsetY = std::isfinite(transform.offsetY) ? std::clamp(transform.offsetY, -kLargestOffset, kLargestOffset) : 0.0;
  double c = 1.0;
  double s = 0.0;
  turnOf(transform.angleDegrees, c, s);
  // Block pixel i of a reduction is centred on texture pixel (i + 0.5) / k
  // - 0.5, so texture position t is block position t k.
  const double kx = static_cast<double>(frame.blockWidth) / frame.textureWidth;
  const double ky = static_cast<double>(frame.blockHeight) / frame.textureHeight;
  // Turning the texture counter-clockwise on screen takes (1, 0) to
  // (cos, -sin) with rows running down; going back turns the other way.
  const double dx = 0.5 - offsetX;
  const double dy = 0.5 - offsetY;
  TextureMap map{};
  map.ux = toFixed(kx * c / scale);
  map.uy = toFixed(-kx * s / scale);
  map.u0 = toFixed(kx * (c * dx - s * dy) / scale);
  map.vx = toFixed(ky * s / scale);
  map.vy = toFixed(ky * c / scale);
  map.v0 = toFixed(ky * (s * dx + c * dy) / scale);
  return map;
}
