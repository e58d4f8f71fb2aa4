// Rendering the by-example fill (see stochastic_texture.h) into a caller's
// rows, at any position, from any thread: a placement is computed once per
// fill, then any row, in any order and split, comes out the same.
#pragma once

#include <cstdint>

#include "fill/stochastic_texture.h"

namespace stochastic {

constexpr std::int32_t kMaximumSeed = 99999;
// Cell sizes the user may give, in percent of the shorter period; 0 asks
// the texture (automaticCellEdge).
constexpr std::int32_t kLargestCellPercent = 100;
// Output positions within +-2^24 and texture steps of at most 32 texels a
// pixel keep every 32.32 fixed-point coordinate inside 63 bits.
constexpr std::int32_t kLargestPosition = 1 << 24;
constexpr double kLargestStep = 32.0;
constexpr double kLargestOrigin = 268435456.0;  // 2^28 texels

}  // namespace stochastic

struct StochasticOptions {
  std::int32_t seed;         // 0 .. 99999, the variation
  std::int32_t cellPercent;  // triangle edge in percent of the shorter period; 0 chooses
};

// Where output pixel (x, y) samples the texture: its centre (x + 0.5,
// y + 0.5) maps to u = uPerX (x + 0.5) + uPerY (y + 0.5) + uOrigin, and v
// likewise, in texels, texel centres at half-integers. Scale 100 % and
// angle 0 is uPerX = vPerY = 1, uPerY = vPerX = 0; whole origins then read
// texel centres exactly. Reads between texels are bilinear, so a map that
// steps more than about two texels a pixel aliases: prepare a reduced
// texture for reductions.
struct StochasticMap {
  double uPerX, uPerY, uOrigin;
  double vPerX, vPerY, vOrigin;
};

// value(x, y) = origin + x perX + y perY, 32 fraction bits.
struct FixedAffine {
  std::int64_t origin;
  std::int64_t perX;
  std::int64_t perY;
};

struct StochasticPlacement {
  FixedAffine u, v;          // texture position less half a texel
  FixedAffine gridA, gridB;  // skewed triangle grid (see triangle_grid.h)
  std::uint32_t seed;
  // Every read at a texel centre, one texel further per pixel: rows are
  // blended run by run straight from the planes. Cleared, the general path
  // gives the same bytes.
  bool translation;
};

// The triangle edge, in texels, for a cell size in percent of the shorter
// period (0: the texture's own choice), never below 2 texels.
double stochasticCellEdge(const StochasticTexture& texture, std::int32_t cellPercent);

// False, placement untouched, for a seed or cell size out of range, or a
// map with a value that is not finite or beyond kLargestStep or
// kLargestOrigin.
bool placeStochasticTexture(const StochasticTexture& texture, const StochasticOptions& options,
                            const StochasticMap& map, StochasticPlacement* placement);

// Where the samples go: `channels` samples a pixel (the texture's), one or
// two bytes each (16-bit samples from 0 to 32768, in the machine's byte
// order), pixels `pixelBytes` apart. Other bytes of a pixel are left alone.
struct StochasticTarget {
  std::uint8_t* pixels;
  std::int32_t pixelBytes;
  std::int32_t sampleBytes;
};

// Renders pixels x .. x + count - 1 of row y into target. False, nothing
// written, when count is negative, a position lies beyond
// kLargestPosition, or the target's sizes do not fit the texture.
bool renderStochasticRow(const StochasticTexture& texture, const StochasticPlacement& placement, std::int32_t x,
                         std::int32_t y, std::int32_t count, const StochasticTarget& target);

// The vector passes in use: 0 scalar, 1 SSE2, 2 AVX2, at most `level` and
// what the processor offers; answers the level now in use. For tests.
int limitStochasticSimd(int level);
