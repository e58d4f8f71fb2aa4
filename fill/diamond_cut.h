// The cut between the patches of two neighbouring lattice corners of the
// quilted fill's tiles. The diagonals of the tiles split the plane into
// diamonds, one about each lattice edge: the two triangles on either side of
// the edge, its two corners at two vertices and the centres of the two tiles
// it borders at the others. Inside its diamond a pixel takes one of the
// edge's two corners, and only those two patches meet there.
//
// The cut is a minimum cut of the diamond's pixel graph (Kwatra, Schödl,
// Essa, Turk and Bobick, "Graphcut Textures", SIGGRAPH 2003), its seam cost
// their gradient-weighted one, so that it runs along joints and edges where
// a change of patch does not show. The graph is planar and each corner owns
// a whole side of the diamond, so the minimum cut is a shortest path in the
// dual graph, between the pixel corners, from one tile centre to the other:
// a path that may turn anywhere inside the diamond, along a board's gap and
// down its end, where a cut of one column a row could not.
//
// What keeps tiles compatible: the cut depends on the two corners' colours
// alone, so a tile edge's two tiles agree on it; it never leaves its diamond,
// so the diamond's rim (the diagonals) stays with its corners' patches on
// either side; and it ends at the tile centres, which every cut of a tile
// ends at. So any tile meets any neighbour of the same corner colours, and
// every pixel of a tile has one corner whatever the other cuts do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fill {

// Which diamond a pixel of a tile (tileWidth x tileHeight) belongs to: the
// triangle between the tile's diagonals it lies in. Pixels on a diagonal go
// to the top or bottom triangle, so that every pixel has exactly one.
enum TileTriangle : std::int32_t { triangleTop = 0, triangleBottom = 1, triangleLeft = 2, triangleRight = 3 };

inline TileTriangle tileTriangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  const std::int64_t dx = 2 * std::int64_t{x} + 1 - width;
  const std::int64_t dy = 2 * std::int64_t{y} + 1 - height;
  const std::int64_t ax = (dx < 0 ? -dx : dx) * height;
  const std::int64_t ay = (dy < 0 ? -dy : dy) * width;
  if (ay >= ax) return dy < 0 ? triangleTop : triangleBottom;
  return dx < 0 ? triangleLeft : triangleRight;
}

// A diamond laid out as a frame of `along` rows (from the centre of the tile
// before the edge to the centre of the tile after it) of `across` pixels.
// For the cut between a left and a right corner (`acrossCut`) the rows are
// tile rows and the pixels tile columns; for the cut between an upper and a
// lower corner they are swapped: a frame row is a tile column.
struct DiamondFrame {
  std::int32_t along;         // the tile's side along the cut
  std::int32_t across;        // its side across the cut
  std::int32_t centreAlong;   // along / 2: the frame's row `along - centreAlong` is the edge's first
  std::int32_t centreAcross;  // across / 2: where the cut is pinned at both ends
  bool acrossCut;
};

// Whether frame pixel (x, r) lies in the diamond (its tile triangle is the
// diamond's).
bool inDiamond(const DiamondFrame& frame, std::int32_t x, std::int32_t r);

// The scratch one cut needs, in bytes, for patches of `channels` bytes a
// texel.
std::size_t diamondCutScratchBytes(const DiamondFrame& frame, std::int32_t channels);

// 64-bit words a row of the sides takes.
inline std::int32_t sideWords(std::int32_t across) { return (across + 63) / 64; }

// Two patches laid over a frame: `along` rows of `across` texels of
// `channels` bytes each (the left or upper corner's patch first), and the
// joint strength of each texel (joint_strength.h), a byte each.
struct CutPatches {
  const std::uint8_t* first;
  const std::uint8_t* second;
  const std::uint8_t* firstJoint;
  const std::uint8_t* secondJoint;
  std::int32_t channels;
};

// The cut between the two patches. Writes `sides`: along rows of
// sideWords(across) words, bit x of row r set where the pixel takes the
// second patch. Pixels outside the diamond are given a side too, never read.
void cutDiamond(const DiamondFrame& frame, const CutPatches& patches, void* scratch, std::uint64_t* sides);

}  // namespace fill
