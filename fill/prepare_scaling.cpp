#include "fill/prepare_scaling.h"

#include "fill/result_codes.h"
#include "fill/scaling_factors.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/wrap_resampler.h"
#include "resources/strings.h"

namespace fill {
namespace {

int fetchFromTexture(void* source, std::int32_t row, std::uint8_t* destination) {
  return texture::fetchSourceRow(static_cast<texture::TextureSource*>(source), row, destination);
}

// Puts the cursor back however the pre-scaling ends.
struct WaitCursor {
  platform::CursorHandle previous = platform::showWaitCursor();
  ~WaitCursor() { platform::restoreCursor(previous); }
};

int failPrescaling(texture::TextureSource* source, std::uint8_t* block) {
  platform::releaseMemory(block);
  texture::releaseTextureSource(source);
  return 0;
}

}  // namespace

RowSource textureRowSource(texture::TextureSource* source) { return RowSource{fetchFromTexture, source}; }

int prepareScaling(const char* fileName, FillJob& job, HostView& view, std::int16_t* result) {
  texture::TextureSource* source = &job.source;
  source->resampler = nullptr;
  job.rowsDone = 0;
  job.rowsTotal = view.filterRect.bottom - view.filterRect.top;

  const ScalingFactors factors = scalingFactors(fileName, *source);
  source->upscale = factors.replication > 1 ? 1 : 0;
  source->replication = factors.replication;
  const std::int32_t factor = factors.reduction;
  if (factor == 1 && factors.resampledSize == 0) return 1;

  const std::int32_t out = factors.resampledSize != 0 ? factors.resampledSize : source->width / factor;
  source->scaledWidth = out;
  source->bufferRowBytes = 3 * out;

  WrapResampler* resampler = createWrapResampler(source->width, out, 3, textureRowSource(source));
  if (resampler == nullptr) {
    platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
    *result = memFullErr;
    return 0;
  }
  source->resampler = resampler;

  if (source->sizeChoice < size128) return 1;
  if (view.filterRect.bottom - view.filterRect.top <= source->scaledHeight) return 1;

  auto* block = static_cast<std::uint8_t*>(platform::allocateMemory(
      static_cast<std::size_t>(source->scaledHeight) * static_cast<std::size_t>(source->bufferRowBytes)));
  if (block == nullptr) {
    platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
    *result = memFullErr;
    return 0;
  }

  job.rowsTotal += out;
  WaitCursor waitCursor;
  for (std::int32_t i = 0; i < out; ++i) {
    hostProgress(view, job.rowsDone, job.rowsTotal);
    job.rowsDone += 1;
    if (resampleRow(resampler, i, block + static_cast<std::size_t>(i) * source->bufferRowBytes) != 0) {
      failPrescaling(source, block);
      platform::showTableMessage(IDS_READ_ERROR, platform::kBoxOk);
      *result = readErr;
      return 0;
    }
    if (hostAborted(view)) {
      *result = userCancelled;
      return failPrescaling(source, block);
    }
  }

  destroyWrapResampler(resampler);
  source->resampler = nullptr;
  // A decoded PNG or JPEG is not read again once pre-scaled; its block can
  // be far larger than the reduced copy.
  platform::releaseMemory(source->decoded);
  source->decoded = nullptr;
  source->prescaled = block;
  source->kind = texture::kindPrescaled;
  return 1;
}

}  // namespace fill
