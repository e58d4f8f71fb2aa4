#include "fill/transformed_fill.h"

#include "fill/band_rect.h"
#include "fill/mode_support.h"
#include "fill/prepared_texture.h"
#include "resample/point_sampler.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"

namespace fill {
namespace {

struct TransformedFillState {
  PointSampler* sampler;
  TextureMap map;
  std::int32_t originX;  // the tile origin in document pixels
  std::int32_t originY;
};

TransformedFillState* stateOf(const FillJob& job) { return static_cast<TransformedFillState*>(job.modeState); }

int prepareTransformedFill(FillJob& job, HostView& view, std::int16_t* result) {
  auto* state = static_cast<TransformedFillState*>(allocateModeState(job, sizeof(TransformedFillState), result));
  if (state == nullptr) return 0;
  PreparedTexture prepared{};
  if (prepareWholeTexture(job, view, prepared, result) == 0) return 0;

  const FillOptions& options = job.options;
  const EdgeMode edge = options.repeat == repeatMirror ? EdgeMode::reflect : EdgeMode::wrap;
  const FillTransform transform{options.scalePercent / 100.0, options.angleDegrees,
                                static_cast<double>(options.offsetX), static_cast<double>(options.offsetY)};
  PrefilteredTexture filtered{};
  if (prefilterTexture(prepared.block, transform.scale, edge, filtered)) {
    state->sampler = createPointSampler(filtered.block, edge);
    state->map = fillTextureMap(transform, filtered.frame);
    releasePrefiltered(filtered);
  }
  releasePreparedTexture(prepared);
  if (state->sampler == nullptr) return reportOutOfMemory(result);

  tileOriginOf(options, view, state->originX, state->originY);
  setFirstBand(view, computedBandRows(view));
  return 1;
}

bool transformedFillReady(const FillJob& job) { return stateOf(job) != nullptr && stateOf(job)->sampler != nullptr; }

void renderRow(const void* context, const BandTarget& band, std::int32_t row, std::uint8_t* first) {
  const auto& state = *static_cast<const TransformedFillState*>(context);
  samplePoints(*state.sampler, state.map, band.left - state.originX, band.top + row - state.originY, band.columns,
               SampleTarget{first, band.layout.pixelBytes, band.layout.sampleBytes});
}

int renderTransformedBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  const TransformedFillState& state = *stateOf(job);
  if (!sameColourAsStart(band, state.sampler->channels, result)) return 0;
  renderBandOnEveryCore(band, renderRow, &state);
  return 1;
}

void releaseTransformedFill(FillJob& job) {
  TransformedFillState* state = stateOf(job);
  if (state == nullptr) return;
  destroyPointSampler(state->sampler);
  releaseModeState(job);
}

}  // namespace

const FillMode kTransformedFill = {prepareTransformedFill, transformedFillReady, handedBandRows,
                                   renderTransformedBand, releaseTransformedFill};

}  // namespace fill
