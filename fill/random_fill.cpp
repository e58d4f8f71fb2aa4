#include "fill/random_fill.h"

#include <cmath>

#include "fill/band_rect.h"
#include "fill/band_threads.h"
#include "fill/opaque_plane.h"
#include "fill/prepared_texture.h"
#include "fill/result_codes.h"
#include "fill/stochastic_render.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"
#include "resources/strings.h"

namespace fill {
namespace {

struct RandomFillState {
  StochasticTexture* texture;
  StochasticPlacement placement;
  std::int32_t originX;  // the tile origin in document pixels
  std::int32_t originY;
};

RandomFillState* stateOf(const FillJob& job) { return static_cast<RandomFillState*>(job.modeState); }

int outOfMemory(std::int16_t* result) {
  *result = memFullErr;
  platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
  return 0;
}

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
  auto* state = static_cast<RandomFillState*>(platform::allocateMemory(sizeof(RandomFillState)));
  if (state == nullptr) return outOfMemory(result);
  *state = RandomFillState{};
  job.modeState = state;
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
  if (state->texture == nullptr) return outOfMemory(result);

  const bool fromSelection = options.tileOrigin != originDocument;
  state->originX = fromSelection ? view.filterRect.left : 0;
  state->originY = fromSelection ? view.filterRect.top : 0;
  setFirstBand(view, computedBandRows(view));
  return 1;
}

bool randomFillReady(const FillJob& job) { return stateOf(job) != nullptr && stateOf(job)->texture != nullptr; }

std::int32_t randomBandRows(const FillJob&, const HostView& view) {
  return bandExtent(view.inRect.top, view.inRect.bottom, view.outRect.top, view.outRect.bottom);
}

struct BandWork {
  const RandomFillState* state;
  const BandTarget* band;
};

void renderRow(void* context, std::int32_t row) {
  const BandWork& work = *static_cast<const BandWork*>(context);
  const BandTarget& band = *work.band;
  std::uint8_t* first = band.pixels + static_cast<std::ptrdiff_t>(row) * band.rowBytes;
  renderStochasticRow(*work.state->texture, work.state->placement, band.left - work.state->originX,
                      band.top + row - work.state->originY, band.columns,
                      StochasticTarget{first, band.layout.pixelBytes, band.layout.sampleBytes});
  writeOpaquePlane(first, band.columns, band.layout);
}

int renderRandomBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  // The texture holds the document's colour as Start saw it; a host that has
  // changed the mode since would have rows overrun.
  if (band.layout.colourPlanes != stateOf(job)->texture->channels) {
    *result = filterBadParameters;
    return 0;
  }
  BandWork work{stateOf(job), &band};
  forEachBandRow(band.rows, renderRow, &work);
  return 1;
}

void releaseRandomFill(FillJob& job) {
  RandomFillState* state = stateOf(job);
  if (state == nullptr) return;
  releaseStochasticTexture(state->texture);
  platform::releaseMemory(state);
  job.modeState = nullptr;
}

}  // namespace

const FillMode kRandomFill = {prepareRandomFill, randomFillReady, randomBandRows, renderRandomBand,
                              releaseRandomFill};

}  // namespace fill
