// The first stage of rendering the by-example fill: for each pixel of a
// chunk, the three corners' reads and the point's grid fractions.
#pragma once

#include <cstdint>

#include "fill/stochastic_kernels.h"

namespace stochastic {

// The translation path: along a row the skewed B is constant and A grows
// by a fixed step, so the row falls into runs inside one triangle, each
// reading three contiguous stretches of texels.
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

void gatherGeneral(const StochasticTexture& texture, const StochasticPlacement& placement, PointWalk& walk,
                   kernels::Chunk& chunk, std::int32_t count);

}  // namespace stochastic
