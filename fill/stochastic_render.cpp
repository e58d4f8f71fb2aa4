// Rendering rows of the by-example fill: the placement of a fill and the
// stages a row goes through.
#include "fill/stochastic_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "fill/stochastic_gather.h"
#include "fill/stochastic_kernels.h"

namespace stochastic {

namespace {

constexpr double kFixedOne = 4294967296.0;  // 2^32
constexpr std::int64_t kFixedWhole = std::int64_t{1} << 32;

// The same in every build: a power-of-two scaling, one addition and floor.
std::int64_t toFixed(double value) { return static_cast<std::int64_t>(std::floor(value * kFixedOne + 0.5)); }

bool withinLimits(const StochasticMap& map) {
  const double steps[] = {map.uPerX, map.uPerY, map.vPerX, map.vPerY};
  for (double step : steps) {
    if (!(std::fabs(step) <= kLargestStep)) return false;  // also false for NaN
  }
  return std::fabs(map.uOrigin) <= kLargestOrigin && std::fabs(map.vOrigin) <= kLargestOrigin;
}

FixedAffine fixedAffine(double perX, double perY, double atOrigin) {
  return {toFixed(atOrigin), toFixed(perX), toFixed(perY)};
}

std::int64_t valueAt(const FixedAffine& f, std::int32_t x, std::int32_t y) {
  return f.origin + f.perX * x + f.perY * y;
}

std::int64_t wrapWide(std::int64_t value, std::int64_t period) {
  const std::int64_t remainder = value % period;
  return remainder < 0 ? remainder + period : remainder;
}

bool hasFraction(std::int64_t fixed) { return (fixed & (kFixedWhole - 1)) != 0; }

}  // namespace

}  // namespace stochastic

double stochasticCellEdge(const StochasticTexture& texture, std::int32_t cellPercent) {
  const double shorter = std::min(texture.width, texture.height);
  return std::max(2.0, cellPercent == 0 ? texture.automaticCellEdge : cellPercent * shorter / 100.0);
}

bool placeStochasticTexture(const StochasticTexture& texture, const StochasticOptions& options,
                            const StochasticMap& map, StochasticPlacement* placement) {
  using namespace stochastic;
  if (options.seed < 0 || options.seed > kMaximumSeed) return false;
  if (options.cellPercent < 0 || options.cellPercent > kLargestCellPercent) return false;
  if (!withinLimits(map)) return false;

  const double edge = stochasticCellEdge(texture, options.cellPercent);
  const double root3 = std::sqrt(3.0);
  // Position of the centre of pixel (0, 0).
  const double u0 = 0.5 * map.uPerX + 0.5 * map.uPerY + map.uOrigin;
  const double v0 = 0.5 * map.vPerX + 0.5 * map.vPerY + map.vOrigin;

  StochasticPlacement result{};
  result.u = fixedAffine(map.uPerX, map.uPerY, u0 - 0.5);
  result.v = fixedAffine(map.vPerX, map.vPerY, v0 - 0.5);
  result.gridA = fixedAffine((map.uPerX - map.vPerX / root3) / edge, (map.uPerY - map.vPerY / root3) / edge,
                             (u0 - v0 / root3) / edge);
  result.gridB =
      fixedAffine(2.0 * map.vPerX / (root3 * edge), 2.0 * map.vPerY / (root3 * edge), 2.0 * v0 / (root3 * edge));
  result.seed = static_cast<std::uint32_t>(options.seed);
  result.translation = result.u.perX == kFixedWhole && result.u.perY == 0 && result.v.perX == 0 &&
                       result.v.perY == kFixedWhole && !hasFraction(result.u.origin) && !hasFraction(result.v.origin) &&
                       result.gridB.perX == 0 && result.gridA.perX > 0;
  *placement = result;
  return true;
}

bool renderStochasticRow(const StochasticTexture& texture, const StochasticPlacement& placement, std::int32_t x,
                         std::int32_t y, std::int32_t count, const StochasticTarget& target) {
  using namespace stochastic;
  if (count < 0 || std::abs(x) > kLargestPosition || std::abs(y) > kLargestPosition || count > kLargestPosition - x) {
    return false;
  }
  if (target.pixels == nullptr || (target.sampleBytes != 1 && target.sampleBytes != 2) ||
      target.pixelBytes < texture.channels * target.sampleBytes) {
    return false;
  }
  const std::int64_t periodU = static_cast<std::int64_t>(texture.width) << 32;
  const std::int64_t periodV = static_cast<std::int64_t>(texture.height) << 32;
  const std::int64_t u = wrapWide(valueAt(placement.u, x, y), periodU);
  const std::int64_t v = wrapWide(valueAt(placement.v, x, y), periodV);
  RowWalk rowWalk{valueAt(placement.gridA, x, y), valueAt(placement.gridB, x, y), static_cast<std::int32_t>(u >> 32),
                  static_cast<std::int32_t>(v >> 32)};
  PointWalk pointWalk{
      rowWalk.skewedA, rowWalk.skewedB, u, v, wrapWide(placement.u.perX, periodU), wrapWide(placement.v.perX, periodV),
      periodU,         periodV};

  kernels::Chunk chunk;
  // The vector blends read fractions past the end of a run; they must hold
  // fractions (zeros will do) wherever no run has written yet.
  std::fill(std::begin(chunk.fractionA), std::end(chunk.fractionA), std::int16_t{0});
  std::fill(std::begin(chunk.fractionB), std::end(chunk.fractionB), std::int16_t{0});
  const bool vectorised = kernels::simdLevel() > 0;
  std::uint8_t* out = target.pixels;
  for (std::int32_t done = 0; done < count; done += kernels::kChunkPixels) {
    const std::int32_t pixels = std::min(count - done, kernels::kChunkPixels);
    if (placement.translation) {
      gatherTranslation(texture, placement, rowWalk, chunk, pixels);
    } else {
      gatherGeneral(texture, placement, pointWalk, chunk, pixels, vectorised);
    }
    kernels::writeSamples(texture, chunk, pixels, target, out);
    out += static_cast<std::ptrdiff_t>(pixels) * target.pixelBytes;
  }
  return true;
}

int limitStochasticSimd(int level) { return stochastic::kernels::limitSimdLevel(level); }
