#include "fill/random_fill.h"

#include <cmath>

#include "fill/band_rect.h"
#include "fill/mode_support.h"
#include "fill/prepared_texture.h"
#include "fill/result_codes.h"
#include "fill/stochastic_render.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"

namespace fill {
namespace {

struct RandomFillState {
  StochasticTexture* texture;
  StochasticPlacement placement;
  std::int32_t originX;  // the tile origin in document pixels
  std::int32_t originY;
};

RandomFillState* stateOf(const FillJob& job) { return static_cast<RandomFillState*>(job.modeState); }

// The reduction the texture gets before it is prepared: the user's scale
// when it reduces (so that reads a texel apart do not alias), and no more
// texels than the by-example fill takes.
double prefilterScale(const TexelBlock& block, double scale) {
  const double texels = static_cast<double>(block.width) * static_cast<double>(block.height);
  const double fit = texels > static_cast<double>(stochastic::kMaximumTexels)
                         ? std::sqrt(static_cast<double>(stochastic::kMaximumTexels) / texels) * 0.999
                         : 1.0;
  return scale < fit ? scale : fit;
}

// Output pixel centre back through the offset, the turn and the scale to
// the texture, then to the prepared block's texels (`across` and `down`
// block texels a texture texel).
StochasticMap mapFor(const FillOptions& options, double across, double down) {
  double cosine = 1.0;
  double sine = 0.0;
  turnOf(options.angleDegrees, cosine, sine);
  const double scale = options.scalePercent / 100.0;
  const double ox = options.offsetX;
  const double oy = options.offsetY;
  StochasticMap map{};
  map.uPerX = across * cosine / scale;
  map.uPerY = -across * sine / scale;
  map.uOrigin = -across * (cosine * ox - sine * oy) / scale;
  map.vPerX = down * sine / scale;
  map.vPerY = down * cosine / scale;
  map.vOrigin = -down * (sine * ox + cosine * oy) / scale;
  return map;
}

int prepareRandomFill(FillJob& job, HostView& view, std::int16_t* result) {
  auto* state = static_cast<RandomFillState*>(allocateModeState(job, sizeof(RandomFillState), result));
  if (state == nullptr) return 0;
  PreparedTexture prepared{};
  if (prepareWholeTexture(job, view, prepared, result) == 0) return 0;

  const FillOptions& options = job.options;
  PrefilteredTexture filtered{};
  const bool reduced =
      prefilterTexture(prepared.block, prefilterScale(prepared.block, options.scalePercent / 100.0), EdgeMode::wrap,
                       filtered);
  if (reduced) {
    state->texture = prepareStochasticTexture(filtered.block);
    const double across = static_cast<double>(filtered.frame.blockWidth) / filtered.frame.textureWidth;
    const double down = static_cast<double>(filtered.frame.blockHeight) / filtered.frame.textureHeight;
    if (state->texture != nullptr &&
        !placeStochasticTexture(*state->texture, StochasticOptions{options.seed, options.cellPercent},
                                mapFor(options, across, down), &state->placement)) {
      releaseStochasticTexture(state->texture);
      state->texture = nullptr;
      releasePrefiltered(filtered);
      releasePreparedTexture(prepared);
      *result = filterBadParameters;
      return 0;
    }
    releasePrefiltered(filtered);
  }
  releasePreparedTexture(prepared);
  if (state->texture == nullptr) return reportOutOfMemory(result);

  tileOriginOf(options, view, state->originX, state->originY);
  setFirstBand(view, computedBandRows(view));
  return 1;
}

bool randomFillReady(const FillJob& job) { return stateOf(job) != nullptr && stateOf(job)->texture != nullptr; }

void renderRow(const void* context, const BandTarget& band, std::int32_t row, std::uint8_t* first) {
  const auto& state = *static_cast<const RandomFillState*>(context);
  renderStochasticRow(*state.texture, state.placement, band.left - state.originX, band.top + row - state.originY,
                      band.columns, StochasticTarget{first, band.layout.pixelBytes, band.layout.sampleBytes});
}

int renderRandomBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  const RandomFillState& state = *stateOf(job);
  if (!sameColourAsStart(band, state.texture->channels, result)) return 0;
  renderBandOnEveryCore(band, renderRow, &state);
  return 1;
}

void releaseRandomFill(FillJob& job) {
  RandomFillState* state = stateOf(job);
  if (state == nullptr) return;
  releaseStochasticTexture(state->texture);
  releaseModeState(job);
}

}  // namespace

const FillMode kRandomFill = {prepareRandomFill, randomFillReady, handedBandRows, renderRandomBand,
                              releaseRandomFill};

}  // namespace fill
