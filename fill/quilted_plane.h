// The quilted fill at any scale and angle: the plane of corner tiles
// resampled with the point sampler's cubic, the 4 x 4 texels around each
// pixel's position taken across tile borders as the tiles lay them down.
// Each block of pixels first has the texels its positions reach copied into
// a window, run by run as the fill at the texture's own size copies them,
// and is then sampled from there; a pixel depends on its position only, not
// on the block it was drawn with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fill/corner_tiles.h"
#include "resample/point_sampler.h"

namespace fill {

struct QuiltedPlane {
  const CornerTiles* tiles;
  TextureMap map;  // to tiles->texture, lattice corner (0, 0) at position (0, 0)
  std::uint32_t seed;
  const std::int16_t (*phaseWeights)[4];  // from buildPhaseWeights
};

// The most pixels across and down of a block that one window serves
// whatever its position, for this map: 1 when a pixel steps over most of a
// window.
std::int32_t quiltedBlockSide(const TextureMap& map);

// Pixels (x + i, y + j) of the plane's map (document positions less the tile
// origin), i below `columns` and j below `rows`, pixel (x, y) at `first` and
// each row `rowBytes` after the last, as samplePoints writes them. Far from
// the origin at a small scale the map's fixed-point positions outgrow 64
// bits: they wrap, the same in every build, rather than overflowing, and the
// texels around a position are taken from there.
void sampleQuiltedPlane(const QuiltedPlane& plane, std::int64_t x, std::int64_t y, std::int32_t columns,
                        std::int32_t rows, const SampleTarget& first, std::ptrdiff_t rowBytes);

}  // namespace fill
