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

// Blends a triangle's run, cut where any of its three stretches of texels
// wraps from the end of a texture row to its start.
void blendWrapped(const StochasticTexture& texture, kernels::Chunk& chunk, const std::int32_t row[3],
                  std::int32_t column[3], std::int32_t first, std::int32_t end) {
  const std::int64_t texels = static_cast<std::int64_t>(texture.width) * texture.height;
  while (first < end) {
    std::int32_t stretch = end - first;
    for (int i = 0; i < 3; ++i) stretch = std::min(stretch, texture.width - column[i]);
    kernels::RunSources sources{};
    for (int i = 0; i < 3; ++i) {
      const std::int16_t* start = texture.planes + static_cast<std::ptrdiff_t>(row[i]) * texture.width + column[i];
      for (std::int32_t k = 0; k < texture.channels; ++k) sources.corner[i][k] = start + texels * k;
      column[i] = column[i] + stretch == texture.width ? 0 : column[i] + stretch;
    }
    kernels::blendRun(texture, chunk, sources, first, first + stretch);
    first += stretch;
  }
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

    std::int64_t skewedA = walk.skewedA;
    for (std::int32_t p = pixel; p < pixel + run; ++p, skewedA += step) {
      chunk.fractionA[p] = static_cast<std::int16_t>((skewedA >> 17) & (kWeightOne - 1));
    }
    const Patches patches = patchesOf(texture, triangleCorners(point), placement.seed);
    std::int32_t row[3];
    std::int32_t column[3];
    for (int i = 0; i < 3; ++i) {
      row[i] = wrapIndex(walk.row + patches.offset[i].row, texture.height);
      column[i] = wrapIndex(walk.column + patches.offset[i].column, texture.width);
    }
    blendWrapped(texture, chunk, row, column, pixel, pixel + run);
    walk.skewedA = skewedA;
    walk.column = static_cast<std::int32_t>((walk.column + static_cast<std::int64_t>(run)) % texture.width);
    pixel += run;
  }
}

namespace {

struct TriangleRun {
  std::int32_t first;
  Patches patches;
};

}  // namespace

void readCornerScalar(const StochasticTexture& texture, const ReadPoints& points, const PatchOffset& offset,
                      std::int32_t first, std::int32_t end, kernels::ChunkValues* reads) {
  const std::int32_t stride = texture.channels == 3 ? 4 : 1;
  for (std::int32_t p = first; p < end; ++p) {
    const TexelSquare square = texelSquare(texture, points, offset, p);
    const std::int16_t* top = texture.texels + square.top * stride;
    const std::int16_t* bottom = texture.texels + square.bottom * stride;
    const std::int32_t fu = points.fractionU[p];
    const std::int32_t fv = points.fractionV[p];
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      const std::int32_t left = square.left * stride + k;
      const std::int32_t right = square.right * stride + k;
      const std::int32_t upper = (top[left] * (kReadFractionOne - fu) + top[right] * fu + kReadFractionOne / 2) >> 14;
      const std::int32_t lower =
          (bottom[left] * (kReadFractionOne - fu) + bottom[right] * fu + kReadFractionOne / 2) >> 14;
      const std::int32_t read = (upper * (kReadFractionOne - fv) + lower * fv + kReadFractionOne / 2) >> 14;
      const std::int32_t gained = (read * points.gain[p][k] + kGainOne / 2) >> 14;
      reads[k][p] = static_cast<std::int16_t>(std::clamp(gained, -kGaussianLimit, kGaussianLimit));
    }
  }
}

void gatherGeneral(const StochasticTexture& texture, const StochasticPlacement& placement, PointWalk& walk,
                   kernels::Chunk& chunk, std::int32_t count, bool vectorised) {
  ReadPoints points;
  TriangleRun runs[kernels::kChunkPixels];
  std::int32_t runCount = 0;
  TriangleCorners current{};
  for (std::int32_t p = 0; p < count; ++p) {
    const GridPoint point = gridPoint(walk.skewedA, walk.skewedB);
    const TriangleCorners corners = triangleCorners(point);
    if (runCount == 0 || std::memcmp(&corners, &current, sizeof corners) != 0) {
      runs[runCount++] = {p, patchesOf(texture, corners, placement.seed)};
      current = corners;
    }
    chunk.fractionA[p] = static_cast<std::int16_t>(point.fractionA);
    chunk.fractionB[p] = static_cast<std::int16_t>(point.fractionB);
    points.column[p] = static_cast<std::int32_t>(walk.u >> 32);
    points.row[p] = static_cast<std::int32_t>(walk.v >> 32);
    const auto fractionU = static_cast<std::int32_t>((walk.u >> 18) & 0x3FFF);
    const auto fractionV = static_cast<std::int32_t>((walk.v >> 18) & 0x3FFF);
    points.fractionU[p] = fractionU;
    points.fractionV[p] = fractionV;
    points.gain[p][3] = 0;
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      const std::int16_t* gains = texture.interpolationGain + static_cast<std::ptrdiff_t>(2) * kGainEntries * k;
      points.gain[p][k] = static_cast<std::int16_t>(
          (gains[(fractionU + 2) >> 2] * gains[kGainEntries + ((fractionV + 2) >> 2)] + kGainOne / 2) >> 14);
    }
    walk.skewedA += placement.gridA.perX;
    walk.skewedB += placement.gridB.perX;
    walk.u += walk.stepU;
    if (walk.u >= walk.periodU) walk.u -= walk.periodU;
    walk.v += walk.stepV;
    if (walk.v >= walk.periodV) walk.v -= walk.periodV;
  }
  for (std::int32_t r = 0; r < runCount; ++r) {
    const std::int32_t end = r + 1 < runCount ? runs[r + 1].first : count;
    for (int i = 0; i < 3; ++i) {
#if defined(ORIELVMX_X86)
      if (vectorised && texture.channels == 3) {
        readCornerSse2(texture, points, runs[r].patches.offset[i], runs[r].first, end, chunk.reads[i]);
        continue;
      }
#endif
      readCornerScalar(texture, points, runs[r].patches.offset[i], runs[r].first, end, chunk.reads[i]);
    }
  }
  kernels::RunSources sources{};
  for (int i = 0; i < 3; ++i)
    for (std::int32_t k = 0; k < texture.channels; ++k) sources.corner[i][k] = chunk.reads[i][k];
  kernels::blendRun(texture, chunk, sources, 0, count);
}

}  // namespace stochastic
