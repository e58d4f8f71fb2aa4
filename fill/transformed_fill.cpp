#include "fill/transformed_fill.h"

#include "fill/band_rect.h"
#include "fill/band_threads.h"
#include "fill/opaque_plane.h"
#include "fill/prepared_texture.h"
#include "fill/result_codes.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/point_sampler.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"
#include "resources/strings.h"

namespace fill {
namespace {

struct TransformedFillState {
  PointSampler* sampler;
  TextureMap map;
  std::int32_t originX;  // the tile origin in document pixels
  std::int32_t originY;
};

TransformedFillState* stateOf(const FillJob& job) { return static_cast<TransformedFillState*>(job.modeState); }

int outOfMemory(std::int16_t* result) {
  *result = memFullErr;
  platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
  return 0;
}

int prepareTransformedFill(FillJob& job, HostView& view, std::int16_t* result) {
  auto* state = static_cast<TransformedFillState*>(platform::allocateMemory(sizeof(TransformedFillState)));
  if (state == nullptr) return outOfMemory(result);
  *state = TransformedFillState{};
  job.modeState = state;
  PreparedTexture prepared{};
  if (prepareWholeTexture(job, view, prepared, result) == 0) return 0;

  const FillOptions& options = job.options;
  const EdgeMode edge = options.repeat == repeatMirror ? EdgeMode::reflect : EdgeMode::wrap;
  const FillTransform transform{options.scalePercent / 100.0, options.angleDegrees,
                                static_cast<double>(options.offsetX), static_cast<double>(options.offsetY)};
  PrefilteredTexture filtered{};
  const bool reduced = prefilterTexture(prepared.block, transform.scale, edge, filtered);
  if (reduced) {
    state->sampler = createPointSampler(filtered.block, edge);
    state->map = fillTextureMap(transform, filtered.frame);
    releasePrefiltered(filtered);
  }
  releasePreparedTexture(prepared);
  if (state->sampler == nullptr) return outOfMemory(result);

  const bool fromSelection = options.tileOrigin != originDocument;
  state->originX = fromSelection ? view.filterRect.left : 0;
  state->originY = fromSelection ? view.filterRect.top : 0;
  setFirstBand(view, computedBandRows(view));
  return 1;
}

bool transformedFillReady(const FillJob& job) { return stateOf(job) != nullptr && stateOf(job)->sampler != nullptr; }

std::int32_t transformedBandRows(const FillJob&, const HostView& view) {
  return bandExtent(view.inRect.top, view.inRect.bottom, view.outRect.top, view.outRect.bottom);
}

struct BandWork {
  const TransformedFillState* state;
  const BandTarget* band;
};

void renderRow(void* context, std::int32_t row) {
  const BandWork& work = *static_cast<const BandWork*>(context);
  const BandTarget& band = *work.band;
  std::uint8_t* first = band.pixels + static_cast<std::ptrdiff_t>(row) * band.rowBytes;
  samplePoints(*work.state->sampler, work.state->map, band.left - work.state->originX,
               band.top + row - work.state->originY, band.columns,
               SampleTarget{first, band.layout.pixelBytes, band.layout.sampleBytes});
  writeOpaquePlane(first, band.columns, band.layout);
}

int renderTransformedBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  // The sampler holds the document's colour as Start saw it; a host that
  // has changed the mode since would have rows overrun.
  if (band.layout.colourPlanes != stateOf(job)->sampler->channels) {
    *result = filterBadParameters;
    return 0;
  }
  BandWork work{stateOf(job), &band};
  forEachBandRow(band.rows, renderRow, &work);
  return 1;
}

void releaseTransformedFill(FillJob& job) {
  TransformedFillState* state = stateOf(job);
  if (state == nullptr) return;
  destroyPointSampler(state->sampler);
  platform::releaseMemory(state);
  job.modeState = nullptr;
}

}  // namespace

const FillMode kTransformedFill = {prepareTransformedFill, transformedFillReady, transformedBandRows,
                                   renderTransformedBand, releaseTransformedFill};

}  // namespace fill
