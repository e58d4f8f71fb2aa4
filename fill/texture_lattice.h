// The lattice a texture's motif repeats on inside its period: the tile pitch
// of a floor, the course and brick of a wall, the board width of a deck.
// Found from the peaks of the texture's autocorrelation, as in near-regular
// texture analysis (Liu, Lin and Hays, "Near-regular texture analysis and
// manipulation", SIGGRAPH 2004). Pieces of the texture taken at offsets on
// this lattice line their joints up, so that cuts between them can run
// along the joints.
#pragma once

#include <cstdint>

#include "resample/texel_block.h"

namespace fill {

// Every offset m (across, 0) + n (shift, down), for whole m and n, maps the
// motif onto itself (the lattice in Hermite normal form: 0 <= shift <
// across). A texture without a motif lattice has across = down = 1: any
// offset. The texture's period is always on the lattice.
struct TextureLattice {
  std::int32_t across;
  std::int32_t shift;
  std::int32_t down;
};

constexpr TextureLattice kAnyOffset = {1, 0, 1};

inline bool anyOffset(const TextureLattice& lattice) { return lattice.across == 1 && lattice.down == 1; }

// The lattice of a texture repeated without end (1 or 3 channels). A flat
// texture, noise, and one whose autocorrelation has no single peaks (a
// plateau of equal ones, as a one-texel stripe gives) answer kAnyOffset, and
// so does one whose lattice leaves fewer than `fewestOffsets` distinct
// offsets in the period. False only when memory runs out.
bool findTextureLattice(const TexelBlock& texture, std::int32_t fewestOffsets, TextureLattice& lattice);

// The representative of (x, y) in the lattice's cell: 0 <= *cellX < across,
// 0 <= *cellY < down, and (x, y) minus it on the lattice.
void latticeCell(const TextureLattice& lattice, std::int64_t x, std::int64_t y, std::int32_t* cellX,
                 std::int32_t* cellY);

// Whether the offset (x, y) is on the lattice.
inline bool onLattice(const TextureLattice& lattice, std::int64_t x, std::int64_t y) {
  std::int32_t cellX = 0;
  std::int32_t cellY = 0;
  latticeCell(lattice, x, y, &cellX, &cellY);
  return cellX == 0 && cellY == 0;
}

}  // namespace fill
