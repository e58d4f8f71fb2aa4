#include "fill/fill_job.h"

#include <cmath>

#include <cstring>

#include "fill/band_rect.h"
#include "fill/fill_mode.h"
#include "fill/pixel_layout.h"
#include "fill/result_codes.h"
#include "fill/copy_fill.h"
#include "fill/random_fill.h"
#include "fill/seamless_texture.h"
#include "fill/shape_fill.h"
#include "fill/tile_fill.h"
#include "fill/transformed_fill.h"
#include "platform/messages.h"
#include "resources/strings.h"

namespace fill {

void clearFillJob(FillJob* job) {
  if (job != nullptr) *job = FillJob{};
}

void releaseFillJob(FillJob* job) {
  if (job == nullptr) return;
  if (job->mode != nullptr) job->mode->release(*job);
  texture::releaseTextureSource(&job->source);
  clearFillJob(job);
}

const FillMode* modeFor(const FillOptions& options, bool anyRectangle) {
  if (!anyRectangle && plainTileFill(options)) return &kTileFill;
  if (options.repeat == repeatRandom) return &kRandomFill;
  if (options.repeat == repeatShapes) return &kShapeFill;
  if (options.scalePercent == kScaleDefault && std::fmod(options.angleDegrees, 360.0) == 0.0) return &kCopyFill;
  return &kTransformedFill;
}

int openFillTexture(FillJob* job, HostView& view, std::int16_t* result) {
  texture::TextureSource* source = &job->source;
  source->sizeChoice = job->options.sizeChoice;
  source->tileOrigin = job->options.tileOrigin;
  *result = noErr;

  source->decodeProgress = {view.reportProgress, view.abortRequested, view.context};
  if (texture::openTextureSource(job->fileName, source) == 0) {
    const bool aborted = source->decodeAborted != 0;
    releaseFillJob(job);
    if (aborted) {
      *result = userCancelled;
      return 0;
    }
    platform::showTableMessage(IDS_READ_ERROR, platform::kBoxOk);
    *result = readErr;
    return 0;
  }
  if (job->options.makeSeamless && makeOpenedTextureSeamless(*source, job->fileName, result) == 0) {
    releaseFillJob(job);
    return 0;
  }
  return 1;
}

void startFillJob(FillJob* job, HostView& view, std::int16_t* result) {
  if (openFillTexture(job, view, result) == 0) return;
  // A mode that fails part way reports it in the result and keeps what it
  // set up for Finish to release.
  job->mode = modeFor(job->options, false);
  job->mode->prepare(*job, view, result);
}

void fillNextBand(FillJob* job, HostView& view, std::int16_t* result) {
  if (hostAborted(view)) {
    *result = userCancelled;
    return;
  }
  // Continue without a prepared job (out of order, or after a failed Start):
  // nothing to fill, so end the host's loop.
  if (job->mode == nullptr || !job->mode->ready(*job)) {
    *result = filterBadParameters;
    endBands(view);
    return;
  }
  // A band without rows or columns (Continue called again after the empty
  // rectangle) has nothing to fill.
  if (rectIsEmpty(view.inRect) || rectIsEmpty(view.outRect)) {
    endBands(view);
    return;
  }

  const std::int32_t rows = job->mode->bandRows(*job, view);
  const PixelLayout layout = pixelLayoutOf(view);
  const std::int32_t width = bandExtent(view.inRect.left, view.inRect.right, view.outRect.left, view.outRect.right);
  // Never write outside the band the host described: a band with no rows, a
  // pixel smaller than the planes requested, or rows closer together than
  // one row's bytes cannot be filled safely.
  const bool writable = rows >= 1 && view.outData != nullptr &&
                        layout.pixelBytes >= layout.requestedPlanes * layout.sampleBytes &&
                        (rows == 1 || view.outRowBytes >= width * layout.pixelBytes);
  if (!writable) {
    *result = filterBadParameters;
    endBands(view);
    return;
  }

  hostProgress(view, job->rowsDone, job->rowsTotal);
  const BandTarget band{view.inRect.top, view.inRect.left, rows, width, view.outData, view.outRowBytes, layout};
  if (job->mode->render(*job, band, result) == 0) return;
  job->rowsDone += rows;

  const std::int32_t top = view.inRect.top + rows;
  const std::int32_t bottom = view.inRect.bottom + rows;
  if (top >= view.filterRect.bottom) {
    endBands(view);
    return;
  }
  view.inRect.top = static_cast<std::int16_t>(top);
  view.inRect.bottom = static_cast<std::int16_t>(bottom > view.filterRect.bottom ? view.filterRect.bottom : bottom);
  view.outRect = view.inRect;
}

}  // namespace fill
