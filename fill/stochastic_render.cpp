// Rendering rows of the by-example fill: placement, the two ways of
// gathering a chunk's reads and weights, and the stages after them.
#include "fill/stochastic_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fill/stochastic_kernels.h"
#include "fill/triangle_grid.h"
#include "resample/wrap_index.h"

namespace stochastic {

namespace {

constexpr double kFixedOne = 4294967296.0;  // 2^32
constexpr std::int64_t kFixedWhole = std::int64_t{1} << 32;

// Exact: a power-of-two scaling and floor.
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

std::int32_t fractionBitsOf(std::int64_t fixed) { return static_cast<std::int32_t>(fixed & (kFixedWhole - 1)); }

// The 15-bit blend weights and the normaliser of one pixel.
void setWeights(const StochasticTexture& texture, const std::int32_t weight[3], kernels::Chunk& chunk,
                std::int32_t pixel) {
  std::int32_t squares = 0;
  for (int i = 0; i < 3; ++i) {
    const std::int32_t w = std::min(weight[i] >> 1, 32767);
    chunk.weights[i][pixel] = static_cast<std::int16_t>(w);
    squares += (w * w) >> 16;
  }
  chunk.normaliser[pixel] = texture.normaliser[squares >> 2];
}

// The translation path: along a row the skewed B is constant and A grows
// by a fixed step, so the row falls into runs inside one triangle, each
// reading three contiguous stretches of texels.
struct RowWalk {
  const StochasticTexture& texture;
  const StochasticPlacement& placement;
  std::int64_t skewedA;
  std::int64_t skewedB;
  std::int32_t column;  // texel column of the current pixel, 0 .. width - 1
  std::int32_t row;     // texel row
};

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

void gatherTranslation(RowWalk& walk, kernels::Chunk& chunk, std::int32_t count) {
  const StochasticTexture& texture = walk.texture;
  const std::int64_t step = walk.placement.gridA.perX;
  const auto fractionB = static_cast<std::int32_t>((walk.skewedB >> 16) & 0xFFFF);
  const std::int64_t texels = static_cast<std::int64_t>(texture.width) * texture.height;
  std::int32_t pixel = 0;
  while (pixel < count) {
    const GridTriangle triangle = gridTriangle(walk.skewedA, walk.skewedB);
    // The run ends where A's fraction reaches 1 - B's (the diagonal) or 1.
    const std::int64_t whole = walk.skewedA & ~(kFixedWhole - 1);
    const bool upper = ((walk.skewedA >> 16) & 0xFFFF) + fractionB < kWeightOne;
    const std::int64_t limit =
        upper ? whole + (static_cast<std::int64_t>(kWeightOne - fractionB) << 16) : whole + kFixedWhole;
    const std::int64_t untilLimit = (limit - walk.skewedA + step - 1) / step;
    const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(untilLimit, count - pixel));

    for (int i = 0; i < 3; ++i) {
      const PatchOffset offset =
          patchOffset(cornerHash(triangle.cornerA[i], triangle.cornerB[i], walk.placement.seed), texture.width,
                      texture.height);
      const std::int32_t row = wrapIndex(walk.row + offset.row, texture.height);
      const std::int32_t column = wrapIndex(walk.column + offset.column, texture.width);
      for (std::int32_t k = 0; k < texture.channels; ++k) {
        const std::int16_t* textureRow = texture.planes + texels * k + static_cast<std::ptrdiff_t>(row) * texture.width;
        copyWrapped(textureRow, texture.width, column, run, chunk.reads[i][k] + pixel);
      }
    }
    for (std::int32_t p = pixel; p < pixel + run; ++p) {
      const GridTriangle here = gridTriangle(walk.skewedA, walk.skewedB);
      setWeights(texture, here.weight, chunk, p);
      walk.skewedA += step;
    }
    walk.column = static_cast<std::int32_t>((walk.column + static_cast<std::int64_t>(run)) % texture.width);
    pixel += run;
  }
}

// The general path: any affine map, each read bilinear between four texels.
// Bilinear rather than cubic: the method blends linearly anyway, the
// cubic's overshoot would push Gaussian values past those the texture has,
// and it would take four times the reads.
struct PointWalk {
  const StochasticTexture& texture;
  const StochasticPlacement& placement;
  std::int64_t skewedA, skewedB;
  std::int64_t u, v;          // wrapped into [0, period << 32)
  std::int64_t stepU, stepV;  // likewise
  std::int64_t periodU, periodV;
};

std::int16_t bilinear(const std::int16_t* plane, std::int32_t width, std::int32_t column0, std::int32_t column1,
                      std::int32_t row0, std::int32_t row1, std::int32_t fractionU, std::int32_t fractionV) {
  const std::int16_t* top = plane + static_cast<std::ptrdiff_t>(row0) * width;
  const std::int16_t* bottom = plane + static_cast<std::ptrdiff_t>(row1) * width;
  const std::int32_t upper = (top[column0] * (16384 - fractionU) + top[column1] * fractionU + 8192) >> 14;
  const std::int32_t lower = (bottom[column0] * (16384 - fractionU) + bottom[column1] * fractionU + 8192) >> 14;
  return static_cast<std::int16_t>((upper * (16384 - fractionV) + lower * fractionV + 8192) >> 14);
}

void gatherGeneral(PointWalk& walk, kernels::Chunk& chunk, std::int32_t count) {
  const StochasticTexture& texture = walk.texture;
  const std::int64_t texels = static_cast<std::int64_t>(texture.width) * texture.height;
  GridTriangle cached{};
  PatchOffset offsets[3] = {};
  bool haveCached = false;
  for (std::int32_t p = 0; p < count; ++p) {
    const GridTriangle triangle = gridTriangle(walk.skewedA, walk.skewedB);
    if (!haveCached || triangle.cornerA[0] != cached.cornerA[0] || triangle.cornerB[0] != cached.cornerB[0] ||
        triangle.cornerA[1] != cached.cornerA[1]) {
      for (int i = 0; i < 3; ++i) {
        offsets[i] = patchOffset(cornerHash(triangle.cornerA[i], triangle.cornerB[i], walk.placement.seed),
                                 texture.width, texture.height);
      }
      cached = triangle;
      haveCached = true;
    }
    const auto baseColumn = static_cast<std::int32_t>(walk.u >> 32);
    const auto baseRow = static_cast<std::int32_t>(walk.v >> 32);
    const auto fractionU = static_cast<std::int32_t>((walk.u >> 18) & 0x3FFF);
    const auto fractionV = static_cast<std::int32_t>((walk.v >> 18) & 0x3FFF);
    for (int i = 0; i < 3; ++i) {
      std::int32_t column0 = baseColumn + offsets[i].column;
      if (column0 >= texture.width) column0 -= texture.width;
      const std::int32_t column1 = column0 + 1 == texture.width ? 0 : column0 + 1;
      std::int32_t row0 = baseRow + offsets[i].row;
      if (row0 >= texture.height) row0 -= texture.height;
      const std::int32_t row1 = row0 + 1 == texture.height ? 0 : row0 + 1;
      for (std::int32_t k = 0; k < texture.channels; ++k) {
        chunk.reads[i][k][p] =
            bilinear(texture.planes + texels * k, texture.width, column0, column1, row0, row1, fractionU, fractionV);
      }
    }
    setWeights(texture, triangle.weight, chunk, p);
    walk.skewedA += walk.placement.gridA.perX;
    walk.skewedB += walk.placement.gridB.perX;
    walk.u += walk.stepU;
    if (walk.u >= walk.periodU) walk.u -= walk.periodU;
    walk.v += walk.stepV;
    if (walk.v >= walk.periodV) walk.v -= walk.periodV;
  }
}

// Vector passes, chosen at run time; tests cap the level to hold them
// against the scalar loop.
enum SimdLevel : int { simdScalar = 0, simdSse2 = 1, simdAvx2 = 2 };
int limitedSimdLevel = simdAvx2;

int simdLevel() {
  const cpu::Features& offered = cpu::features();
  const int detected = offered.avx2 ? simdAvx2 : offered.sse2 ? simdSse2 : simdScalar;
  return std::min(detected, limitedSimdLevel);
}

void blendChunk(kernels::Chunk& chunk, std::int32_t channels, std::int32_t count) {
  std::int32_t done = 0;
#if defined(ORIELVMX_X86)
  const int level = simdLevel();
  if (level >= simdAvx2) {
    done = kernels::blendChunkAvx2(chunk, channels, count);
  } else if (level >= simdSse2) {
    done = kernels::blendChunkSse2(chunk, channels, count);
  }
#endif
  kernels::blendChunkScalar(chunk, channels, done, count);
}

}  // namespace

namespace kernels {

void blendChunkScalar(Chunk& chunk, std::int32_t channels, std::int32_t first, std::int32_t count) {
  for (std::int32_t k = 0; k < channels; ++k) {
    for (std::int32_t p = first; p < count; ++p) {
      chunk.nodes[k][p] = static_cast<std::uint16_t>(
          blendScalar(chunk.reads[0][k][p], chunk.reads[1][k][p], chunk.reads[2][k][p], chunk.weights[0][p],
                      chunk.weights[1][p], chunk.weights[2][p], chunk.normaliser[p]));
    }
  }
}

void writeSamplesScalar(const StochasticTexture& texture, const Chunk& chunk, std::int32_t count,
                        const StochasticTarget& target, std::uint8_t* out) {
  const std::int32_t channels = texture.channels;
  for (std::int32_t p = 0; p < count; ++p, out += target.pixelBytes) {
    std::uint64_t sum = 0;
    for (std::int32_t k = 0; k < channels; ++k) sum += texture.lookup[k * kLookupNodes + chunk.nodes[k][p]];
    for (std::int32_t c = 0; c < channels; ++c) {
      const auto field = static_cast<std::int32_t>((sum >> (21 * c)) & 0x1FFFFF);
      const std::int32_t value = std::clamp(field - texture.fieldOffset[c], 0, kSampleTop);
      if (target.sampleBytes == 1) {
        out[c] = static_cast<std::uint8_t>((value * 255 + 65536) >> 17);
      } else {
        const auto wide = static_cast<std::uint16_t>((value + 2) >> 2);
        std::memcpy(out + 2 * c, &wide, sizeof wide);
      }
    }
  }
}

}  // namespace kernels

}  // namespace stochastic

bool placeStochasticTexture(const StochasticTexture& texture, const StochasticOptions& options,
                            const StochasticMap& map, StochasticPlacement* placement) {
  using namespace stochastic;
  if (options.seed < 0 || options.seed > kMaximumSeed) return false;
  if (options.cellPercent < 0 || options.cellPercent > kLargestCellPercent) return false;
  if (!withinLimits(map)) return false;

  const double shorter = std::min(texture.width, texture.height);
  const double edge = std::max(2.0, options.cellPercent == 0 ? texture.automaticCellEdge
                                                             : options.cellPercent * shorter / 100.0);
  const double root3 = std::sqrt(3.0);
  // Position of the centre of pixel (0, 0).
  const double u0 = 0.5 * map.uPerX + 0.5 * map.uPerY + map.uOrigin;
  const double v0 = 0.5 * map.vPerX + 0.5 * map.vPerY + map.vOrigin;

  StochasticPlacement result{};
  result.u = fixedAffine(map.uPerX, map.uPerY, u0 - 0.5);
  result.v = fixedAffine(map.vPerX, map.vPerY, v0 - 0.5);
  result.gridA = fixedAffine((map.uPerX - map.vPerX / root3) / edge, (map.uPerY - map.vPerY / root3) / edge,
                             (u0 - v0 / root3) / edge);
  result.gridB = fixedAffine(2.0 * map.vPerX / (root3 * edge), 2.0 * map.vPerY / (root3 * edge),
                             2.0 * v0 / (root3 * edge));
  result.seed = static_cast<std::uint32_t>(options.seed);
  result.translation = result.u.perX == kFixedWhole && result.u.perY == 0 && result.v.perX == 0 &&
                       result.v.perY == kFixedWhole && fractionBitsOf(result.u.origin) == 0 &&
                       fractionBitsOf(result.v.origin) == 0 && result.gridB.perX == 0 && result.gridA.perX > 0;
  *placement = result;
  return true;
}

bool renderStochasticRow(const StochasticTexture& texture, const StochasticPlacement& placement, std::int32_t x,
                         std::int32_t y, std::int32_t count, const StochasticTarget& target) {
  using namespace stochastic;
  if (count < 0 || std::abs(x) > kLargestPosition || std::abs(y) > kLargestPosition ||
      count > kLargestPosition - x) {
    return false;
  }
  if (target.pixels == nullptr || (target.sampleBytes != 1 && target.sampleBytes != 2) ||
      target.pixelBytes < texture.channels * target.sampleBytes) {
    return false;
  }
  const std::int64_t periodU = static_cast<std::int64_t>(texture.width) << 32;
  const std::int64_t periodV = static_cast<std::int64_t>(texture.height) << 32;
  RowWalk rowWalk{texture, placement, valueAt(placement.gridA, x, y), valueAt(placement.gridB, x, y),
                  static_cast<std::int32_t>(wrapWide(valueAt(placement.u, x, y) >> 32, texture.width)),
                  static_cast<std::int32_t>(wrapWide(valueAt(placement.v, x, y) >> 32, texture.height))};
  PointWalk pointWalk{texture,
                      placement,
                      rowWalk.skewedA,
                      rowWalk.skewedB,
                      wrapWide(valueAt(placement.u, x, y), periodU),
                      wrapWide(valueAt(placement.v, x, y), periodV),
                      wrapWide(placement.u.perX, periodU),
                      wrapWide(placement.v.perX, periodV),
                      periodU,
                      periodV};

  kernels::Chunk chunk;
  std::uint8_t* out = target.pixels;
  for (std::int32_t done = 0; done < count; done += kernels::kChunkPixels) {
    const std::int32_t pixels = std::min(count - done, kernels::kChunkPixels);
    if (placement.translation) {
      gatherTranslation(rowWalk, chunk, pixels);
    } else {
      gatherGeneral(pointWalk, chunk, pixels);
    }
    blendChunk(chunk, texture.channels, pixels);
    kernels::writeSamplesScalar(texture, chunk, pixels, target, out);
    out += static_cast<std::ptrdiff_t>(pixels) * target.pixelBytes;
  }
  return true;
}

int limitStochasticSimd(int level) {
  using namespace stochastic;
  limitedSimdLevel = std::clamp(level, static_cast<int>(simdScalar), static_cast<int>(simdAvx2));
  return simdLevel();
}
