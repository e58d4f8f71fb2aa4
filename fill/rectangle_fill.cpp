#include "fill/rectangle_fill.h"

#include <cstddef>

#include "fill/copy_fill.h"
#include "fill/fill_mode.h"
#include "fill/result_codes.h"
#include "fill/shape_fill.h"

namespace fill {
namespace {

std::int16_t imageModeFor(std::int32_t colourPlanes, std::int32_t sampleBytes) {
  if (colourPlanes == 1) return sampleBytes == 2 ? kModeGray16 : kModeGrayscale;
  return sampleBytes == 2 ? kModeRgb48 : kModeRgb;
}

bool withinPlane(std::int64_t start, std::int64_t extent) {
  return extent >= 1 && start >= -kPlaneLimit && start + extent <= kPlaneLimit;
}

}  // namespace

int startRectangleFill(RectangleFill& fill, std::int32_t colourPlanes, std::int32_t sampleBytes,
                       std::int16_t* result) {
  fill.job.mode = nullptr;
  fill.job.modeState = nullptr;
  if ((colourPlanes != 1 && colourPlanes != 3) || (sampleBytes != 1 && sampleBytes != 2)) {
    *result = filterBadMode;
    return 0;
  }
  fill.job.options.tileOrigin = originDocument;
  // A one-pixel document: the modes fill any band of the plane once prepared.
  HostView view{};
  view.filterRect = Rect16{0, 0, 1, 1};
  view.planes = static_cast<std::int16_t>(colourPlanes);
  view.imageMode = imageModeFor(colourPlanes, sampleBytes);
  fill.layout = pixelLayoutOf(view);
  if (openFillTexture(&fill.job, view, result) == 0) return 0;
  fill.job.mode = modeFor(fill.job.options, true);
  if (fill.job.mode->prepare(fill.job, view, result) == 0 || *result != noErr || !fill.job.mode->ready(fill.job)) {
    if (*result == noErr) *result = filterBadParameters;
    releaseRectangleFill(fill);
    return 0;
  }
  return 1;
}

int fillRectangle(RectangleFill& fill, std::int32_t top, std::int32_t left, std::int32_t rows, std::int32_t columns,
                  std::uint8_t* pixels, std::int32_t rowBytes, std::int16_t* result) {
  *result = noErr;
  const std::int64_t rowLength = static_cast<std::int64_t>(columns) * fill.layout.pixelBytes;
  const bool fits = withinPlane(top, rows) && withinPlane(left, columns) && pixels != nullptr &&
                    (rows == 1 || rowBytes >= rowLength);
  if (fill.job.mode == nullptr || !fill.job.mode->ready(fill.job) || !fits) {
    *result = filterBadParameters;
    return 0;
  }
  // The copy mode writes a band of any height on the caller's thread, and
  // the quilted fill has an entry that does: the whole rectangle at once.
  // The other modes share out a band's rows over the cores, so they get one
  // row at a time: a one-row band stays on the caller's thread, whose own
  // pool of threads already shares out the rectangles.
  const BandTarget whole{top, left, rows, columns, pixels, rowBytes, fill.layout};
  if (fill.job.mode == &kCopyFill) return fill.job.mode->render(fill.job, whole, result);
  if (fill.job.mode == &kShapeFill) return renderShapeRectangle(fill.job, whole, result);
  for (std::int32_t row = 0; row < rows; ++row) {
    const BandTarget band{top + row, left, 1, columns, pixels + static_cast<std::ptrdiff_t>(row) * rowBytes,
                          rowBytes, fill.layout};
    if (fill.job.mode->render(fill.job, band, result) == 0) return 0;
  }
  return 1;
}

int rectangleFillPeriod(const RectangleFill& fill, std::int32_t* across, std::int32_t* down) {
  return copyFillPeriod(fill.job, across, down) ? 1 : 0;
}

void releaseRectangleFill(RectangleFill& fill) { releaseFillJob(&fill.job); }

}  // namespace fill
