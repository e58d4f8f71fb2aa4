#include "fill/shape_fill.h"

#include <cmath>
#include <cstring>

#include "fill/band_rect.h"
#include "fill/band_writer.h"
#include "fill/corner_tiles.h"
#include "fill/mode_support.h"
#include "fill/opaque_plane.h"
#include "fill/prepared_texture.h"
#include "fill/quilted_plane.h"
#include "fill/sample_band_writer.h"
#include "platform/worker_threads.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"
#include "resample/wrap_index.h"

namespace fill {
namespace {

struct ShapeFillState {
  PreparedTexture prepared;
  PrefilteredTexture filtered;  // what the tiles are cut from
  CornerTiles tiles;
  bool built;
  // At the texture's own size and direction the runs are copied whole;
  // otherwise every pixel goes back through `map` to the cubic of the 4 x 4
  // texels of the quilted plane around it.
  bool copiesRuns;
  TextureMap map;
  std::uint32_t seed;
  std::int32_t originX;  // document position of lattice corner (0, 0)
  std::int32_t originY;
  std::int16_t phaseWeights[kPhases + 1][4];
};

ShapeFillState* stateOf(const FillJob& job) { return static_cast<ShapeFillState*>(job.modeState); }

int prepareShapeFill(FillJob& job, HostView& view, std::int16_t* result) {
  auto* state = static_cast<ShapeFillState*>(allocateModeState(job, sizeof(ShapeFillState), result));
  if (state == nullptr) return 0;
  if (prepareWholeTexture(job, view, state->prepared, result) == 0) return 0;

  const FillOptions& options = job.options;
  state->copiesRuns = options.scalePercent == kScaleDefault && std::fmod(options.angleDegrees, 360.0) == 0.0;
  const FillTransform transform{options.scalePercent / 100.0, options.angleDegrees,
                                static_cast<double>(options.offsetX), static_cast<double>(options.offsetY)};
  // Reductions are cut from the reduced texture, so that the tiles have the
  // period the fill shows and nearest texels do not alias.
  if (!prefilterTexture(state->prepared.block, state->copiesRuns ? 1.0 : transform.scale, EdgeMode::wrap,
                        state->filtered)) {
    return reportOutOfMemory(result);
  }
  state->map = fillTextureMap(transform, state->filtered.frame);
  if (!buildCornerTiles(state->filtered.block, options.cellPercent, static_cast<std::uint32_t>(options.seed),
                        state->tiles)) {
    return reportOutOfMemory(result);
  }
  state->built = true;
  state->seed = static_cast<std::uint32_t>(options.seed);
  buildPhaseWeights(state->phaseWeights);
  tileOriginOf(options, view, state->originX, state->originY);
  if (state->copiesRuns) {
    state->originX += options.offsetX;
    state->originY += options.offsetY;
  }
  setFirstBand(view, computedBandRows(view));
  return 1;
}

bool shapeFillReady(const FillJob& job) { return stateOf(job) != nullptr && stateOf(job)->built; }

// Texels [first, first + count) of a texture row (wrapping at its end, at
// most once: a run is at most a tile, a tile at most a period) into the
// band's pixels: one or two copies when the pixels are the texels' bytes.
void writeRun(const TexelBlock& texture, std::int32_t row, std::int32_t first, std::int32_t count,
              const PixelLayout& layout, std::uint8_t* out) {
  const std::uint8_t* texels = texelRow(texture, row);
  const std::int32_t channels = texture.channels;
  if (layout.sampleBytes == 1 && layout.pixelBytes == channels) {
    const std::int32_t head = texture.width - first < count ? texture.width - first : count;
    std::memcpy(out, texels + static_cast<std::ptrdiff_t>(first) * channels, static_cast<std::size_t>(head) * channels);
    if (head < count) std::memcpy(out + static_cast<std::ptrdiff_t>(head) * channels, texels,
                                  static_cast<std::size_t>(count - head) * channels);
  } else if (layout.sampleBytes == 1) {
    writeBand(texels, texture.width * channels, first * channels, channels, layout.pixelBytes, 1, count, 1, out, 0);
  } else {
    const SampleFormat format{layout.colourPlanes, layout.sampleBytes, false, layout.pixelBytes};
    writeSampleBand(texels, texture.width, first, format, 1, count, 1, out, 0);
  }
}

// One document row at the texture's own size: tile by tile, each tile row's
// runs copied from their corners' patches.
void copyRunsRow(const ShapeFillState& state, const BandTarget& band, std::int32_t row, std::uint8_t* first) {
  const CornerTiles& t = state.tiles;
  const TexelBlock& texture = t.texture;
  const std::int64_t v = static_cast<std::int64_t>(band.top) + row - state.originY;
  const std::int64_t j = floorDivide(v, t.tileHeight);
  const auto ty = static_cast<std::int32_t>(v - j * t.tileHeight);
  std::int64_t u = static_cast<std::int64_t>(band.left) - state.originX;
  std::int32_t done = 0;
  while (done < band.columns) {
    const std::int64_t i = floorDivide(u, t.tileWidth);
    auto tx = static_cast<std::int32_t>(u - i * t.tileWidth);
    const std::int32_t colour[4] = {cornerColour(t, i, j, state.seed), cornerColour(t, i + 1, j, state.seed),
                                    cornerColour(t, i, j + 1, state.seed), cornerColour(t, i + 1, j + 1, state.seed)};
    for (std::int32_t half = tx < t.tileWidth / 2 ? 0 : 1; half < 2 && done < band.columns; ++half) {
      std::uint32_t r = 0;
      std::uint32_t last = 0;
      halfRowRuns(t, colour, ty, half == 1, &r, &last);
      for (; r < last && done < band.columns; ++r) {
        const auto end = static_cast<std::int32_t>(t.runs[r] >> 2);
        if (end <= tx) continue;
        const auto corner = static_cast<std::int32_t>(t.runs[r] & 3u);
        const std::int32_t left = band.columns - done;
        const std::int32_t count = end - tx < left ? end - tx : left;
        const std::int32_t c = colour[corner];
        const std::int32_t sx = wrapIndex(t.sourceX[c] + tx - (corner & 1) * t.tileWidth, texture.width);
        const std::int32_t sy = wrapIndex(t.sourceY[c] + ty - (corner >> 1) * t.tileHeight, texture.height);
        writeRun(texture, sy, sx, count, band.layout,
                 first + static_cast<std::ptrdiff_t>(done) * band.layout.pixelBytes);
        done += count;
        tx += count;
        u += count;
      }
    }
  }
}

void copyRow(const void* context, const BandTarget& band, std::int32_t row, std::uint8_t* first) {
  copyRunsRow(*static_cast<const ShapeFillState*>(context), band, row, first);
}

// At any other scale or angle the band is drawn in blocks of a few thousand
// pixels, each a window of the plane's texels (quilted_plane.h), shared out
// over the cores.
struct BlockWork {
  const BandTarget* band;
  QuiltedPlane plane;
  std::int64_t x;  // the band's top-left pixel in the map's positions
  std::int64_t y;
  std::int32_t across;  // blocks of the band
  std::int32_t down;
};

void renderBlock(void* context, std::int32_t index) {
  const BlockWork& work = *static_cast<const BlockWork*>(context);
  const BandTarget& band = *work.band;
  const std::int32_t bj = index / work.across;
  const std::int32_t bi = index % work.across;
  const auto top = static_cast<std::int32_t>(std::int64_t{bj} * band.rows / work.down);
  const auto bottom = static_cast<std::int32_t>(std::int64_t{bj + 1} * band.rows / work.down);
  const auto left = static_cast<std::int32_t>(std::int64_t{bi} * band.columns / work.across);
  const auto right = static_cast<std::int32_t>(std::int64_t{bi + 1} * band.columns / work.across);
  const PixelLayout& layout = band.layout;
  std::uint8_t* first =
      band.pixels + static_cast<std::ptrdiff_t>(top) * band.rowBytes + static_cast<std::ptrdiff_t>(left) * layout.pixelBytes;
  sampleQuiltedPlane(work.plane, work.x + left, work.y + top, right - left, bottom - top,
                     SampleTarget{first, layout.pixelBytes, layout.sampleBytes}, band.rowBytes);
  for (std::int32_t row = top; row < bottom; ++row, first += band.rowBytes) {
    writeOpaquePlane(first, right - left, layout);
  }
}

void sampleBand(const ShapeFillState& state, const BandTarget& band, bool everyCore) {
  BlockWork work{&band,
                 QuiltedPlane{&state.tiles, state.map, state.seed, state.phaseWeights},
                 static_cast<std::int64_t>(band.left) - state.originX, static_cast<std::int64_t>(band.top) - state.originY,
                 1, 1};
  // One row stays on the caller's thread too: forEachIndex keeps it there.
  if (everyCore && band.rows > 1) {
    // Whole windows to a block, so that the blocks split into windows evenly.
    const std::int32_t side = quiltedBlockSide(state.map);
    const std::int32_t block = side * (side < 64 ? 64 / side : 1);
    work.across = (band.columns + block - 1) / block;
    work.down = (band.rows + block - 1) / block;
  }
  platform::forEachIndex(work.across * work.down, renderBlock, &work);
}

int renderShapeBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  const ShapeFillState& state = *stateOf(job);
  if (!sameColourAsStart(band, state.tiles.texture.channels, result)) return 0;
  if (state.copiesRuns) {
    renderBandOnEveryCore(band, copyRow, &state);
  } else if (band.rows > 0 && band.columns > 0) {
    sampleBand(state, band, true);
  }
  return 1;
}

void releaseShapeFill(FillJob& job) {
  ShapeFillState* state = stateOf(job);
  if (state == nullptr) return;
  releaseCornerTiles(state->tiles);
  releasePrefiltered(state->filtered);
  releasePreparedTexture(state->prepared);
  releaseModeState(job);
}

}  // namespace

int renderShapeRectangle(FillJob& job, const BandTarget& band, std::int16_t* result) {
  const ShapeFillState& state = *stateOf(job);
  if (!sameColourAsStart(band, state.tiles.texture.channels, result)) return 0;
  if (!state.copiesRuns) {
    if (band.rows > 0 && band.columns > 0) sampleBand(state, band, false);
    return 1;
  }
  std::uint8_t* first = band.pixels;
  for (std::int32_t row = 0; row < band.rows; ++row, first += band.rowBytes) {
    copyRunsRow(state, band, row, first);
    writeOpaquePlane(first, band.columns, band.layout);
  }
  return 1;
}

const FillMode kShapeFill = {prepareShapeFill, shapeFillReady, handedBandRows, renderShapeBand, releaseShapeFill};

}  // namespace fill
