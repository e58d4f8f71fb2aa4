// The tile set of the fill without repetition that keeps the texture's
// shapes: corner tiles (Lagae and Dutré, "An alternative for Wang tiles:
// colored edges versus colored corners", ACM TOG 2006) quilted from the
// texture (Efros and Freeman, "Image Quilting", SIGGRAPH 2001).
//
// Every lattice corner carries one of `colours` colours, and each colour
// owns a patch of the (periodic) texture centred on the corner. A tile is
// the four corner patches around it, joined along minimum cuts through the
// diamonds the tile's diagonals leave about its edges (diamond_cut.h); the
// cut between two neighbouring corners depends only on their two colours,
// so the pixels along a tile edge agree with the tile on its other side
// whatever the other corners are, and every choice of four colours has its
// tile. Patches are taken at offsets on the texture's motif lattice
// (texture_lattice.h), so that their joints line up and the cuts can follow
// them. Corner tiles rather than edge (Wang) tiles: a corner is shared by
// four tiles, and here its pixels come from one patch in all four, so no
// corner artefact can appear where four tiles meet.
//
// A tile is held as runs: each half row of a tile is a list of (end
// column, corner) pairs, and a run is copied from the texture at its
// corner's patch. So the fill copies runs from the texture, as the tile fill
// does. A quarter of a tile depends on three of its four colours only (the
// two cuts that cross it), so the half rows are kept once for each quarter
// and each three colours: colours^3 x 4 lists of half rows where a list a
// tile would take colours^4, a fifth of the time and memory with 5 colours.
#pragma once

#include <cstdint>

#include "fill/texture_lattice.h"
#include "resample/texel_block.h"

namespace fill {

// Colours a corner may carry: a pixel one period from another comes from
// the same patch about one time in kCornerColours (the repeat of the fill);
// patches of a finely regular texture (a weave) agree in about one pixel in
// seven wherever they are taken, so five colours left a fabric repeating a
// third of its pixels one period away, seven a quarter.
constexpr std::int32_t kCornerColours = 7;
// The longest tile side: the run lists and the time to build them grow with
// the tile's area times kCornerColours^4.
constexpr std::int32_t kLongestTileSide = 512;
// Below this side the texture holds no room for a cut: the set is the
// texture itself, one colour, and the fill is the tile fill.
constexpr std::int32_t kShortestTileSide = 16;

struct CornerTiles {
  TexelBlock texture;  // the texture the patches come from (not owned)
  std::int32_t colours;  // 1, or kCornerColours
  std::int32_t tileWidth;
  std::int32_t tileHeight;
  // Where colour k's patch has the corner: texel (sourceX[k], sourceY[k]).
  std::int32_t sourceX[kCornerColours];
  std::int32_t sourceY[kCornerColours];
  // The offsets the patches keep from one another: the texture's motif
  // lattice (texture_lattice.h), or any offset.
  TextureLattice lattice;
  // The cut between the corners of colours a (left) and b (right) of a tile
  // edge, laid over its diamond (diamond_cut.h): tileHeight rows, from the
  // centre of the tile above the edge to the centre of the tile below, of
  // acrossWords words, bit x set where the pixel in tile column x takes b's
  // patch; the rows of pair (a, b) from (a * colours + b) * tileHeight.
  std::uint64_t* acrossSides;
  std::int32_t acrossWords;
  // Likewise between colours a (above) and c (below) of a tile edge: a row
  // for each of the tileWidth tile columns from the centre of the tile left
  // of the edge to the centre of the tile right of it, bit y set where the
  // pixel in tile row y takes c's patch.
  std::uint64_t* downSides;
  std::int32_t downWords;
  // Runs of a quarter q of a tile (0 top-left, 1 top-right, 2 bottom-left,
  // 3 bottom-right) whose three colours of kQuarterCorners[q] are (p, r, s),
  // tile row y: entries runFirst[e] up to runFirst[e + 1], e = (q x colours^3
  // + (p x colours + r) x colours + s) x tileHeight + y, each
  // (end column << 2) | corner, corner 0 to 3 in the order of the quarters.
  std::uint32_t* runFirst;
  std::uint32_t* runs;
};

// Builds the set from a texture (1 or 3 channels) repeated without end, the
// tiles `cellPercent` of its period (0: the whole period, so that patches of
// one colour side by side join without a cut), at most kLongestTileSide;
// positions are drawn from `seed`. False when memory runs out (nothing
// held then).
bool buildCornerTiles(const TexelBlock& texture, std::int32_t cellPercent, std::uint32_t seed, CornerTiles& tiles);
// The same, the patches, the lattice and the cuts chosen on `decisions`, a
// block of the texture's size with any number of channels (the maps of a
// material stacked texel by texel, each weighted by its channels' scale), so
// that every map of a material is cut the same way; the runs are copied
// from `texture`. False also when the sizes differ.
bool buildCornerTiles(const TexelBlock& texture, const TexelBlock& decisions, std::int32_t cellPercent,
                      std::uint32_t seed, CornerTiles& tiles);
void releaseCornerTiles(CornerTiles& tiles);

// The corners, of top-left (0), top-right (1), bottom-left (2) and
// bottom-right (3), that the pixels of each quarter of a tile take.
inline constexpr std::int32_t kQuarterCorners[4][3] = {{0, 1, 2}, {0, 1, 3}, {0, 2, 3}, {1, 2, 3}};

// The runs of the half row y of a tile with colours `colour` (top-left,
// top-right, bottom-left, bottom-right): the left half (right = false) or
// the right; [*first, *last) in tiles.runs.
void halfRowRuns(const CornerTiles& tiles, const std::int32_t colour[4], std::int32_t y, bool right,
                 std::uint32_t* first, std::uint32_t* last);

// The colour of lattice corner (i, j) for a fill's Variation seed.
// Indices far out wrap to 32 bits (the lattice's colours repeat every 2^32
// tiles), so the corner beside the last one is defined too.
std::int32_t cornerColour(const CornerTiles& tiles, std::int64_t i, std::int64_t j, std::uint32_t seed);

// Where the quilted plane's texel at (u, v) comes from, lattice corner
// (0, 0) at (0, 0): a texel of the texture, column x and row y.
struct TexelPosition {
  std::int32_t x;
  std::int32_t y;
};
TexelPosition quiltedSource(const CornerTiles& tiles, std::int64_t u, std::int64_t v, std::uint32_t seed);

// The texel of the quilted plane at texture position (u, v), lattice corner
// (0, 0) at (0, 0): its bytes in the texture.
const std::uint8_t* quiltedTexel(const CornerTiles& tiles, std::int64_t u, std::int64_t v, std::uint32_t seed);

}  // namespace fill
