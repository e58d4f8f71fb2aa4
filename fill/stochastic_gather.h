// The first stages of rendering the by-example fill: for each pixel of a
// chunk, the point's grid fractions and the three corners' reads, blended
// into lookup nodes run by run.
#pragma once

#include <cstdint>

#include "fill/stochastic_kernels.h"
#include "fill/triangle_grid.h"

namespace stochastic {

// The translation path: along a row the skewed B is constant and A grows
// by a fixed step, so the row falls into runs inside one triangle, each
// blending three contiguous stretches of texels where they lie.
struct RowWalk {
  std::int64_t skewedA;
  std::int64_t skewedB;
  std::int32_t column;  // texel column of the next pixel, 0 .. width - 1
  std::int32_t row;     // texel row of the whole row
};

void gatherTranslation(const StochasticTexture& texture, const StochasticPlacement& placement, RowWalk& walk,
                       kernels::Chunk& chunk, std::int32_t count);

// The general path: any affine map, each read bilinear between four texels.
struct PointWalk {
  std::int64_t skewedA, skewedB;
  std::int64_t u, v;          // wrapped into [0, period << 32)
  std::int64_t stepU, stepV;  // likewise
  std::int64_t periodU, periodV;
};

// `vectorised`: the SSE2 reads for RGB textures.
void gatherGeneral(const StochasticTexture& texture, const StochasticPlacement& placement, PointWalk& walk,
                   kernels::Chunk& chunk, std::int32_t count, bool vectorised);

constexpr std::int32_t kReadFractionOne = 16384;  // bilinear fractions in 14 bits

// Where each pixel of a chunk reads, and how strongly: the general path
// works a chunk out point by point first, then reads corner by corner
// along each run of pixels inside one triangle, so that each stream of
// reads moves steadily through the texture.
struct ReadPoints {
  std::int32_t column[kernels::kChunkPixels];
  std::int32_t row[kernels::kChunkPixels];
  std::int32_t fractionU[kernels::kChunkPixels];  // 14 bits
  std::int32_t fractionV[kernels::kChunkPixels];
  alignas(8) std::int16_t gain[kernels::kChunkPixels][4];  // by channel, the fourth 0
};

// The four texels around a read of one corner: offsets of the top and
// bottom rows in texels, and the left and right columns, wrapped.
struct TexelSquare {
  std::ptrdiff_t top;
  std::ptrdiff_t bottom;
  std::int32_t left;
  std::int32_t right;
};

inline TexelSquare texelSquare(const StochasticTexture& texture, const ReadPoints& points, const PatchOffset& offset,
                               std::int32_t p) {
  std::int32_t column = points.column[p] + offset.column;
  if (column >= texture.width) column -= texture.width;
  std::int32_t row = points.row[p] + offset.row;
  if (row >= texture.height) row -= texture.height;
  const std::int32_t below = row + 1 == texture.height ? 0 : row + 1;
  return {static_cast<std::ptrdiff_t>(row) * texture.width, static_cast<std::ptrdiff_t>(below) * texture.width, column,
          column + 1 == texture.width ? 0 : column + 1};
}

// The reads of one corner over pixels [first, end): bilinear between four
// texels of the interleaved texture, times the gain. Bilinear rather than
// cubic: the method blends linearly anyway (and the gain makes up the
// variance a linear read loses), the cubic's overshoot would push Gaussian
// values past those the texture has, and it would take four times the
// reads.
void readCornerScalar(const StochasticTexture& texture, const ReadPoints& points, const PatchOffset& offset,
                      std::int32_t first, std::int32_t end, kernels::ChunkValues* reads);
#if defined(ORIELVMX_X86)
// RGB only: the three channels of a texel side by side in one vector.
__attribute__((target("sse2"))) ORIELVMX_REALIGN void readCornerSse2(const StochasticTexture& texture,
                                                                     const ReadPoints& points,
                                                                     const PatchOffset& offset, std::int32_t first,
                                                                     std::int32_t end, kernels::ChunkValues* reads);
#endif

}  // namespace stochastic
