#include "fill/tile_fill.h"

#include <cstring>

#include "fill/band_rect.h"
#include "fill/band_writer.h"
#include "fill/gray_conversion.h"
#include "fill/pixel_layout.h"
#include "fill/prepare_scaling.h"
#include "fill/result_codes.h"
#include "fill/sample_band_writer.h"
#include "fill/scaling_factors.h"
#include "fill/start_setup.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/wrap_index.h"
#include "resources/strings.h"

namespace fill {

namespace {

// Bytes of one texel in the delivered row once it is ready for the document:
// 1 after the gray conversion, 3 for RGB.
std::int32_t texelBytesFor(const HostView& view) { return pixelLayoutOf(view).colourPlanes; }

// Floor division: the phase of a rectangle that starts left of or above the
// document origin still lines up with the rest.
std::int32_t floorDivide(std::int32_t value, std::int32_t divisor) {
  std::int32_t quotient = value / divisor;
  if (value % divisor != 0 && value < 0) --quotient;
  return quotient;
}

// The horizontal repeat (and band height) of an enlarged texture.
std::int32_t replicationOf(const texture::TextureSource& source) {
  return source.upscale != 0 && source.replication > 1 ? source.replication : 1;
}

void failWithMessage(std::int16_t* result, std::int16_t code, int message) {
  *result = code;
  platform::showTableMessage(message, platform::kBoxOk);
}

int prepareTileFill(FillJob& job, HostView& view, std::int16_t* result) {
  prepareFill(job.fileName, job, view, result);
  // Scaling is prepared whatever the set-up reported, as Start always did;
  // its own failure releases the texture.
  return prepareScaling(job.fileName, job, view, result);
}

bool tileFillReady(const FillJob& job) {
  const texture::TextureSource& source = job.source;
  return source.rowBuffer != nullptr && source.scaledWidth > 0 && source.scaledHeight > 0;
}

std::int32_t tileBandRows(const FillJob& job, const HostView& view) {
  if (replicationOf(job.source) == 1) return 1;
  return bandExtent(view.inRect.top, view.inRect.bottom, view.outRect.top, view.outRect.bottom);
}

// One texture row for the band: read (and turned gray) at its first use,
// kept from then on for gray documents. Null after reporting a failure.
const std::uint8_t* bandRow(texture::TextureSource& source, const BandTarget& band, std::int16_t* result) {
  const std::int32_t rowIndex = source.nextRow % source.scaledHeight;
  const bool gray = band.layout.colourPlanes == 1;
  std::uint8_t* keptGray = nullptr;
  if (gray && source.grayRows != nullptr) {
    keptGray = source.grayRows + source.scaledHeight +
               static_cast<std::size_t>(rowIndex) * static_cast<std::size_t>(source.scaledWidth);
    if (source.grayRows[rowIndex] != 0) return keptGray;
  }
  if (texture::readTextureRow(&source, source.rowBuffer, rowIndex) == 0) {
    failWithMessage(result, readErr, IDS_READ_ERROR);
    return nullptr;
  }
  if (!gray) return source.rowBuffer;
  grayFromRgb(source.rowBuffer, source.rowBuffer, source.scaledWidth);
  if (keptGray == nullptr) return source.rowBuffer;
  std::memcpy(keptGray, source.rowBuffer, static_cast<std::size_t>(source.scaledWidth));
  source.grayRows[rowIndex] = 1;
  return keptGray;
}

int renderTileBand(FillJob& job, const BandTarget& band, std::int16_t* result) {
  texture::TextureSource& source = job.source;
  const std::uint8_t* row = bandRow(source, band, result);
  if (row == nullptr) return 0;
  source.nextRow += 1;

  const PixelLayout& layout = band.layout;
  const std::int32_t texelBytes = layout.colourPlanes;
  const std::int32_t rowLength = source.scaledWidth * texelBytes;
  const std::int32_t repeat = replicationOf(source);
  // The phase was set for the mode seen at Start; a host that changed the
  // mode since must not send the copy past the row.
  const std::int32_t phase = source.phaseOffset < rowLength ? source.phaseOffset : 0;
  if (layout.sampleBytes == 1 && !layout.opaquePlane) {
    writeBand(row, rowLength, phase, texelBytes, layout.pixelBytes, repeat, band.columns, band.rows, band.pixels,
              band.rowBytes);
  } else {
    const SampleFormat format{layout.colourPlanes, layout.sampleBytes, layout.opaquePlane, layout.pixelBytes};
    writeSampleBand(row, source.scaledWidth, phase / texelBytes, format, repeat, band.columns, band.rows,
                    band.pixels, band.rowBytes);
  }
  return 1;
}

void releaseTileFill(FillJob&) {}

}  // namespace

const FillMode kTileFill = {prepareTileFill, tileFillReady, tileBandRows, renderTileBand, releaseTileFill};

void prepareFill(const char* fileName, FillJob& job, HostView& view, std::int16_t* result) {
  texture::TextureSource* source = &job.source;
  requestPlanes(job, view, result);
  const PixelLayout layout = pixelLayoutOf(view);
  const ScalingFactors factors = scalingFactors(fileName, *source);
  const std::int32_t r = factors.replication;
  setFirstBand(view, r);
  sizeTexture(*source, factors);

  if (source->tileOrigin == originDocument && source->scaledWidth > 0 && source->scaledHeight > 0) {
    const std::int32_t column = floorDivide(view.filterRect.left + r / 2, r);
    const std::int32_t row = floorDivide(view.filterRect.top + r / 2, r);
    source->phaseOffset = wrapIndex(column, source->scaledWidth) * texelBytesFor(view);
    source->nextRow = wrapIndex(row, source->scaledHeight);
  } else {
    source->phaseOffset = 0;
    source->nextRow = 0;
  }

  if (texture::prerollTiff(source, source->nextRow) != 0) hostProgress(view, 0, job.rowsTotal);

  view.outLoPlane = view.inLoPlane;
  view.outHiPlane = view.inHiPlane;

  // A texture the resampler enlarges delivers rows longer than its own.
  if (3 * source->scaledWidth > source->rowBytes) source->rowBytes = 3 * source->scaledWidth;
  source->rowBuffer = static_cast<std::uint8_t*>(
      platform::allocateMemory(static_cast<std::size_t>(source->rowBytes)));
  if (source->rowBuffer == nullptr) {
    failWithMessage(result, memFullErr, IDS_OUT_OF_MEMORY);
    return;
  }
  // A gray row is a third of the RGB row it comes from; keeping all of them
  // costs less than the texture's own rows and spares every later pass down
  // the texture the read and the conversion.
  if (layout.colourPlanes == 1 && source->scaledWidth > 0 && source->scaledHeight > 0) {
    const std::size_t rows = static_cast<std::size_t>(source->scaledHeight);
    source->grayRows = static_cast<std::uint8_t*>(
        platform::allocateMemory(rows + rows * static_cast<std::size_t>(source->scaledWidth)));
    if (source->grayRows == nullptr) {
      failWithMessage(result, memFullErr, IDS_OUT_OF_MEMORY);
      return;
    }
    std::memset(source->grayRows, 0, rows);
  }
}

}  // namespace fill
