#include "fill/copy_fill.h"

#include <cstring>

#include "fill/band_rect.h"
#include "fill/band_writer.h"
#include "fill/mode_support.h"
#include "fill/prepared_texture.h"
#include "fill/sample_band_writer.h"
#include "platform/platform.h"
#include "resample/edge_index.h"

namespace fill {
namespace {

struct CopyFillState {
  PreparedTexture prepared;  // mirrored: every row followed by itself reversed
  std::int32_t period;       // texels a row repeats after
  std::int32_t rows;         // rows of the texture
  EdgeMode edge;
  std::int32_t originX;      // document position of texel (0, 0)
  std::int32_t originY;
};

CopyFillState* stateOf(const FillJob& job) { return static_cast<CopyFillState*>(job.modeState); }

// Rows of `texels` texels of `channels` bytes become rows of twice as many,
// the second half the first reversed.
std::uint8_t* mirroredRows(const TexelBlock& block) {
  const std::size_t rowBytes = static_cast<std::size_t>(block.width) * block.channels;
  auto* rows = static_cast<std::uint8_t*>(platform::allocateMemory(2 * rowBytes * block.height));
  if (rows == nullptr) return nullptr;
  for (std::int32_t y = 0; y < block.height; ++y) {
    const std::uint8_t* from = texelRow(block, y);
    std::uint8_t* to = rows + 2 * rowBytes * y;
    std::memcpy(to, from, rowBytes);
    for (std::int32_t x = 0; x < block.width; ++x) {
      std::memcpy(to + rowBytes + static_cast<std::size_t>(x) * block.channels,
                  from + static_cast<std::size_t>(block.width - 1 - x) * block.channels,
                  static_cast<std::size_t>(block.channels));
    }
  }
  return rows;
}

int prepareCopyFill(FillJob& job, HostView& view, std::int16_t* result) {
  auto* state = static_cast<CopyFillState*>(allocateModeState(job, sizeof(CopyFillState), result));
  if (state == nullptr) return 0;
  if (prepareWholeTexture(job, view, state->prepared, result) == 0) return 0;
  TexelBlock& block = state->prepared.block;
  state->edge = job.options.repeat == repeatMirror ? EdgeMode::reflect : EdgeMode::wrap;
  state->period = block.width;
  state->rows = block.height;
  if (state->edge == EdgeMode::reflect) {
    std::uint8_t* rows = mirroredRows(block);
    if (rows == nullptr) return reportOutOfMemory(result);
    platform::releaseMemory(state->prepared.pixels);
    state->prepared.pixels = rows;
    state->period = 2 * block.width;
    block.pixels = rows;
    block.rowBytes *= 2;
  }
  tileOriginOf(job.options, view, state->originX, state->originY);
  state->originX += job.options.offsetX;
  state->originY += job.options.offsetY;
  setFirstBand(view, computedBandRows(view));
  return 1;
}

bool copyFillReady(const FillJob& job) { return stateOf(job) != nullptr && stateOf(job)->prepared.pixels != nullptr; }

int renderCopyBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  const CopyFillState& state = *stateOf(job);
  const TexelBlock& block = state.prepared.block;
  const PixelLayout& layout = band.layout;
  if (!sameColourAsStart(band, block.channels, result)) return 0;
  const std::int32_t texelBytes = block.channels;
  const std::int32_t phase = wrapIndex(band.left - state.originX, state.period);
  for (std::int32_t i = 0; i < band.rows; ++i) {
    const std::uint8_t* row = texelRow(block, edgeIndex(band.top + i - state.originY, state.rows, state.edge));
    std::uint8_t* out = band.pixels + static_cast<std::ptrdiff_t>(i) * band.rowBytes;
    if (layout.sampleBytes == 1 && !layout.opaquePlane) {
      writeBand(row, state.period * texelBytes, phase * texelBytes, texelBytes, layout.pixelBytes, 1, band.columns, 1,
                out, band.rowBytes);
    } else {
      const SampleFormat format{layout.colourPlanes, layout.sampleBytes, layout.opaquePlane, layout.pixelBytes};
      writeSampleBand(row, state.period, phase, format, 1, band.columns, 1, out, band.rowBytes);
    }
  }
  return 1;
}

void releaseCopyFill(FillJob& job) {
  CopyFillState* state = stateOf(job);
  if (state == nullptr) return;
  releasePreparedTexture(state->prepared);
  releaseModeState(job);
}

}  // namespace

const FillMode kCopyFill = {prepareCopyFill, copyFillReady, handedBandRows, renderCopyBand, releaseCopyFill};

bool copyFillPeriod(const FillJob& job, std::int32_t* across, std::int32_t* down) {
  if (job.mode != &kCopyFill || !copyFillReady(job)) return false;
  const CopyFillState& state = *stateOf(job);
  *across = state.period;
  *down = state.edge == EdgeMode::reflect ? 2 * state.rows : state.rows;
  return true;
}

}  // namespace fill
