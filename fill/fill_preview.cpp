#include "fill/fill_preview.h"

#include <cstring>

#include "fill/corner_tiles.h"
#include "fill/fill_job.h"
#include "fill/prepare_scaling.h"
#include "fill/prepared_texture.h"
#include "fill/quilted_plane.h"
#include "fill/result_codes.h"
#include "fill/scaling_factors.h"
#include "fill/seamless_texture.h"
#include "fill/start_setup.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/point_sampler.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"

namespace fill {

// Halvings of the prepared texture: a small scale prefilters from the
// smallest one still at least as fine as the swatch, so that a redraw stays
// quick however large the texture. The fill itself prefilters from the
// texture in one step; the swatch differs from it by less than a level.
constexpr int kPreviewLevels = 4;

// What a redraw keeps from the last one: the texture as the size choice
// prepares it (read once per file and size), its halvings, the sampler of
// the last scale and repeat, and the quilted fill's tile set of the last
// halving, variation and cell.
struct FillPreview {
  char path[kFileNameBytes];
  std::int32_t sizeChoice;
  bool madeSeamless;
  bool readable;
  PreparedTexture prepared;
  PrefilteredTexture halvings[kPreviewLevels];  // [k]: halved k times; [0] unused
  EdgeMode halvingEdge;
  PointSampler* sampler;
  std::int32_t samplerScale;
  EdgeMode samplerEdge;
  BlockFrame frame;
  CornerTiles tiles;  // cut from the texture or one of its halvings
  bool tilesBuilt;
  std::int32_t tilesSeed;
  std::int32_t tilesCell;
  std::int16_t phaseWeights[kPhases + 1][4];  // the quilted plane's cubic
};

namespace {

void forgetSampler(FillPreview& preview) {
  destroyPointSampler(preview.sampler);
  preview.sampler = nullptr;
}

// The tiles may be cut from a halving.
void forgetTiles(FillPreview& preview) {
  if (preview.tilesBuilt) releaseCornerTiles(preview.tiles);
  preview.tilesBuilt = false;
}

void forgetHalvings(FillPreview& preview) {
  forgetTiles(preview);
  for (PrefilteredTexture& halving : preview.halvings) {
    releasePrefiltered(halving);
    halving = PrefilteredTexture{};
  }
}

void forgetTexture(FillPreview& preview) {
  forgetSampler(preview);
  forgetTiles(preview);
  forgetHalvings(preview);
  releasePreparedTexture(preview.prepared);
  preview.readable = false;
}

// The texture read as a fill of a `side` x `side` document would read it.
bool readTexture(FillPreview& preview, const char* path, const FillOptions& options, std::int32_t side) {
  forgetTexture(preview);
  std::strncpy(preview.path, path, sizeof preview.path - 1);
  preview.path[sizeof preview.path - 1] = '\0';
  const std::int32_t sizeChoice = options.sizeChoice;
  preview.sizeChoice = sizeChoice;
  preview.madeSeamless = options.makeSeamless;
  FillJob job{};
  std::memcpy(job.fileName, preview.path, sizeof job.fileName);
  job.options.sizeChoice = sizeChoice;
  job.source.sizeChoice = sizeChoice;
  HostView view{};
  view.filterRect = Rect16{0, 0, static_cast<std::int16_t>(side), static_cast<std::int16_t>(side)};
  std::int16_t result = noErr;
  if (texture::openTextureSource(job.fileName, &job.source) != 0 &&
      (!options.makeSeamless || makeOpenedTextureSeamless(job.source, job.fileName, &result) != 0)) {
    sizeTexture(job.source, scalingFactors(job.fileName, job.source));
    preview.readable = prepareScaling(job.fileName, job, view, &result) != 0 &&
                       readPreparedTexture(job, view, 3, preview.prepared, &result) != 0;
  }
  releaseFillJob(&job);
  return preview.readable;
}

// The texture, or the halving to prefilter `scale` from, made when first
// needed; `frame` relates it to the texture.
const TexelBlock* sourceFor(FillPreview& preview, double scale, EdgeMode edge, double& rest) {
  if (edge != preview.halvingEdge) {
    forgetHalvings(preview);
    preview.halvingEdge = edge;
  }
  const TexelBlock* block = &preview.prepared.block;
  rest = scale;
  for (int level = 1; level < kPreviewLevels && rest * 2.0 <= 1.0 && block->width >= 4 && block->height >= 4;
       ++level) {
    PrefilteredTexture& halving = preview.halvings[level];
    if (halving.block.pixels == nullptr && !prefilterTexture(*block, 0.5, edge, halving)) break;
    rest *= static_cast<double>(block->width) / halving.block.width;
    block = &halving.block;
  }
  return block;
}

bool makeSampler(FillPreview& preview, std::int32_t scalePercent, EdgeMode edge) {
  if (preview.sampler != nullptr && preview.samplerScale == scalePercent && preview.samplerEdge == edge) return true;
  forgetSampler(preview);
  double rest = 1.0;
  const TexelBlock* source = sourceFor(preview, scalePercent / 100.0, edge, rest);
  PrefilteredTexture filtered{};
  if (!prefilterTexture(*source, rest, edge, filtered)) return false;
  preview.sampler = createPointSampler(filtered.block, edge);
  const TexelBlock& texture = preview.prepared.block;
  preview.frame = BlockFrame{texture.width, texture.height, filtered.block.width, filtered.block.height};
  releasePrefiltered(filtered);
  preview.samplerScale = scalePercent;
  preview.samplerEdge = edge;
  return preview.sampler != nullptr;
}

// The quilted fill's tiles, cut from the texture or the halving a
// reduction reads (the fill cuts them from the exact reduction, so below
// 100 % the swatch shows an arrangement like the fill's rather than the
// fill's own), built again only when the variation, the cell or the halving
// changes: a keystroke on the scale redraws from the kept tiles.
bool makeTiles(FillPreview& preview, const FillOptions& options) {
  double rest = 1.0;
  const double scale = options.scalePercent / 100.0;
  const TexelBlock* source = sourceFor(preview, scale < 1.0 ? scale : 1.0, EdgeMode::wrap, rest);
  if (preview.tilesBuilt && preview.tiles.texture.pixels == source->pixels && preview.tilesSeed == options.seed &&
      preview.tilesCell == options.cellPercent) {
    return true;
  }
  forgetTiles(preview);
  if (!buildCornerTiles(*source, options.cellPercent, static_cast<std::uint32_t>(options.seed), preview.tiles)) {
    return false;
  }
  preview.tilesBuilt = true;
  preview.tilesSeed = options.seed;
  preview.tilesCell = options.cellPercent;
  return true;
}

// The swatch of the quilted fill: the plane through the fill's cubic.
bool drawQuilted(FillPreview& preview, const FillOptions& options, std::int32_t width, std::int32_t height,
                 std::uint8_t* rgb) {
  if (!makeTiles(preview, options)) return false;
  const TexelBlock& texture = preview.prepared.block;
  const TexelBlock& block = preview.tiles.texture;
  const FillTransform transform{options.scalePercent / 100.0, options.angleDegrees,
                                static_cast<double>(options.offsetX), static_cast<double>(options.offsetY)};
  const QuiltedPlane plane{&preview.tiles,
                           fillTextureMap(transform, BlockFrame{texture.width, texture.height, block.width, block.height}),
                           static_cast<std::uint32_t>(options.seed), preview.phaseWeights};
  sampleQuiltedPlane(plane, 0, 0, width, height, SampleTarget{rgb, 3, 1}, static_cast<std::ptrdiff_t>(width) * 3);
  return true;
}

}  // namespace

FillPreview* createFillPreview() {
  auto* preview = static_cast<FillPreview*>(platform::allocateMemory(sizeof(FillPreview)));
  if (preview == nullptr) return nullptr;
  *preview = FillPreview{};
  buildPhaseWeights(preview->phaseWeights);
  return preview;
}

void destroyFillPreview(FillPreview* preview) {
  if (preview == nullptr) return;
  forgetTexture(*preview);
  platform::releaseMemory(preview);
}

bool drawFillPreview(FillPreview* preview, const char* path, const FillOptions& options, std::int32_t width,
                     std::int32_t height, std::uint8_t* rgb) {
  if (rgb == nullptr || width <= 0 || height <= 0) return false;
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
  std::memset(rgb, 255, bytes);
  if (preview == nullptr || path == nullptr || path[0] == '\0') return false;
  const platform::QuietMessages quiet;
  const bool sameTexture = std::strncmp(preview->path, path, sizeof preview->path) == 0 &&
                           preview->sizeChoice == options.sizeChoice && preview->madeSeamless == options.makeSeamless;
  if (!sameTexture && !readTexture(*preview, path, options, width > height ? width : height)) return false;
  if (!preview->readable) return false;
  if (options.repeat == repeatShapes) return drawQuilted(*preview, options, width, height, rgb);
  const EdgeMode edge = options.repeat == repeatMirror ? EdgeMode::reflect : EdgeMode::wrap;
  if (!makeSampler(*preview, options.scalePercent, edge)) return false;
  const FillTransform transform{options.scalePercent / 100.0, options.angleDegrees,
                                static_cast<double>(options.offsetX), static_cast<double>(options.offsetY)};
  const TextureMap map = fillTextureMap(transform, preview->frame);
  for (std::int32_t y = 0; y < height; ++y) {
    samplePoints(*preview->sampler, map, 0, y, width,
                 SampleTarget{rgb + static_cast<std::size_t>(y) * width * 3, 3, 1});
  }
  return true;
}

}  // namespace fill
