// The by-example fill in double precision, pixel by pixel and straight
// from the method's description: the integer, vectorised paths are held to
// it. It reads the prepared texture's Gaussian planes and lookup nodes (the
// lookup read linearly between nodes) and shares only the corner hash, the
// definition of the fill's randomness.
#pragma once

#include <cstdint>
#include <vector>

#include "fill/stochastic_render.h"

namespace stochastic_test {

// Samples of pixels x .. x + count - 1 of row y, `channels` a pixel: 0 .. 255
// for sampleBytes 1, 0 .. 32768 for 2. Where the texture's histogram has
// gaps the way back from Gaussian values jumps, and a value computed in
// integers may land on the other side of a jump: `lowest` and `highest` are
// the samples over blended values within `slack` deviations of the exact
// one in every channel (the way back is monotonic in each).
struct OracleRow {
  std::vector<std::int32_t> samples;
  std::vector<std::int32_t> lowest;
  std::vector<std::int32_t> highest;
};

OracleRow oracleRow(const StochasticTexture& texture, const StochasticOptions& options, const StochasticMap& map,
                    std::int32_t x, std::int32_t y, std::int32_t count, std::int32_t sampleBytes, double slack = 0);

}  // namespace stochastic_test
