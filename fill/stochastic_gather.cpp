#include "fill/stochastic_gather.h"

#include <algorithm>
#include <cstring>

#include "fill/interpolation_gain.h"
#include "fill/normal_distribution.h"
#include "fill/triangle_grid.h"
#include "resample/wrap_index.h"

namespace stochastic {

namespace {

constexpr std::int64_t kFixedWhole = std::int64_t{1} << 32;

struct Patches {
  PatchOffset offset[3];
};

Patches patchesOf(const StochasticTexture& texture, const TriangleCorners& corners, std::uint32_t seed) {
  Patches patches{};
  for (int i = 0; i < 3; ++i) {
    patches.offset[i] = patchOffset(cornerHash(corners.a[i], corners.b[i], seed), texture.width, texture.height);
  }
  return patches;
}

const std::int16_t* planeOf(const StochasticTexture& texture, std::int32_t channel) {
  return texture.planes + static_cast<std::int64_t>(texture.width) * texture.height * channel;
}

void copyWrapped(const std::int16_t* textureRow, std::int32_t width, std::int32_t column, std::int32_t count,
                 std::int16_t* to) {
  while (count > 0) {
    const std::int32_t stretch = std::min(count, width - column);
    std::memcpy(to, textureRow + column, static_cast<std::size_t>(stretch) * sizeof(std::int16_t));
    to += stretch;
    count -= stretch;
    column = 0;
  }
}

// Bilinear rather than cubic: the method blends linearly anyway (and the
// interpolation gain makes up the variance a linear read loses), the
// cubic's overshoot would push Gaussian values past those the texture has,
// and it would take four times the reads.
std::int32_t bilinear(const std::int16_t* plane, std::int32_t width, std::int32_t column0, std::int32_t column1,
                      std::int32_t row0, std::int32_t row1, std::int32_t fractionU, std::int32_t fractionV) {
  const std::int16_t* top = plane + static_cast<std::ptrdiff_t>(row0) * width;
  const std::int16_t* bottom = plane + static_cast<std::ptrdiff_t>(row1) * width;
  const std::int32_t upper = (top[column0] * (16384 - fractionU) + top[column1] * fractionU + 8192) >> 14;
  const std::int32_t lower = (bottom[column0] * (16384 - fractionU) + bottom[column1] * fractionU + 8192) >> 14;
  return (upper * (16384 - fractionV) + lower * fractionV + 8192) >> 14;
}

}  // namespace

void gatherTranslation(const StochasticTexture& texture, const StochasticPlacement& placement, RowWalk& walk,
                       kernels::Chunk& chunk, std::int32_t count) {
  const std::int64_t step = placement.gridA.perX;
  const GridPoint start = gridPoint(walk.skewedA, walk.skewedB);
  std::fill(chunk.fractionB, chunk.fractionB + count, static_cast<std::int16_t>(start.fractionB));
  std::int32_t pixel = 0;
  while (pixel < count) {
    const GridPoint point = gridPoint(walk.skewedA, walk.skewedB);
    // The run ends where A's fraction reaches 1 - B's (the diagonal) or 1.
    const std::int64_t whole = walk.skewedA & ~(kFixedWhole - 1);
    const std::int64_t limit = inUpperTriangle(point.fractionA, point.fractionB)
                                   ? whole + (static_cast<std::int64_t>(kWeightOne - point.fractionB) << 17)
                                   : whole + kFixedWhole;
    const std::int64_t untilLimit = (limit - walk.skewedA + step - 1) / step;
    const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(untilLimit, count - pixel));

    const Patches patches = patchesOf(texture, triangleCorners(point), placement.seed);
    for (int i = 0; i < 3; ++i) {
      const std::int32_t row = wrapIndex(walk.row + patches.offset[i].row, texture.height);
      const std::int32_t column = wrapIndex(walk.column + patches.offset[i].column, texture.width);
      for (std::int32_t k = 0; k < texture.channels; ++k) {
        copyWrapped(planeOf(texture, k) + static_cast<std::ptrdiff_t>(row) * texture.width, texture.width, column,
                    run, chunk.reads[i][k] + pixel);
      }
    }
    std::int64_t skewedA = walk.skewedA;
    for (std::int32_t p = pixel; p < pixel + run; ++p, skewedA += step) {
      chunk.fractionA[p] = static_cast<std::int16_t>((skewedA >> 17) & (kWeightOne - 1));
    }
    walk.skewedA = skewedA;
    walk.column = static_cast<std::int32_t>((walk.column + static_cast<std::int64_t>(run)) % texture.width);
    pixel += run;
  }
}

void gatherGeneral(const StochasticTexture& texture, const StochasticPlacement& placement, PointWalk& walk,
                   kernels::Chunk& chunk, std::int32_t count) {
  TriangleCorners cached{};
  Patches patches{};
  bool haveCached = false;
  for (std::int32_t p = 0; p < count; ++p) {
    const GridPoint point = gridPoint(walk.skewedA, walk.skewedB);
    const TriangleCorners corners = triangleCorners(point);
    if (!haveCached || std::memcmp(&corners, &cached, sizeof corners) != 0) {
      patches = patchesOf(texture, corners, placement.seed);
      cached = corners;
      haveCached = true;
    }
    chunk.fractionA[p] = static_cast<std::int16_t>(point.fractionA);
    chunk.fractionB[p] = static_cast<std::int16_t>(point.fractionB);
    const auto baseColumn = static_cast<std::int32_t>(walk.u >> 32);
    const auto baseRow = static_cast<std::int32_t>(walk.v >> 32);
    const auto fractionU = static_cast<std::int32_t>((walk.u >> 18) & 0x3FFF);
    const auto fractionV = static_cast<std::int32_t>((walk.v >> 18) & 0x3FFF);
    std::int32_t gain[3];
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      const std::int16_t* gains = texture.interpolationGain + static_cast<std::ptrdiff_t>(2) * kGainEntries * k;
      gain[k] = (gains[(fractionU + 2) >> 2] * gains[kGainEntries + ((fractionV + 2) >> 2)] + 8192) >> 14;
    }
    for (int i = 0; i < 3; ++i) {
      std::int32_t column0 = baseColumn + patches.offset[i].column;
      if (column0 >= texture.width) column0 -= texture.width;
      const std::int32_t column1 = column0 + 1 == texture.width ? 0 : column0 + 1;
      std::int32_t row0 = baseRow + patches.offset[i].row;
      if (row0 >= texture.height) row0 -= texture.height;
      const std::int32_t row1 = row0 + 1 == texture.height ? 0 : row0 + 1;
      for (std::int32_t k = 0; k < texture.channels; ++k) {
        const std::int32_t read =
            bilinear(planeOf(texture, k), texture.width, column0, column1, row0, row1, fractionU, fractionV);
        chunk.reads[i][k][p] =
            static_cast<std::int16_t>(std::clamp((read * gain[k] + 8192) >> 14, -kGaussianLimit, kGaussianLimit));
      }
    }
    walk.skewedA += placement.gridA.perX;
    walk.skewedB += placement.gridB.perX;
    walk.u += walk.stepU;
    if (walk.u >= walk.periodU) walk.u -= walk.periodU;
    walk.v += walk.stepV;
    if (walk.v >= walk.periodV) walk.v -= walk.periodV;
  }
}

}  // namespace stochastic
