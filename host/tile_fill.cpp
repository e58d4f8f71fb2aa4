#include "host/tile_fill.h"

#include <cstring>

#include "host/band_writer.h"
#include "host/gray_conversion.h"
#include "host/pixel_layout.h"
#include "host/result_codes.h"
#include "host/sample_band_writer.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/wrap_index.h"
#include "resources/strings.h"

namespace host {

std::int32_t rowsDone = 0;
std::int32_t rowsTotal = 0;

namespace {

// Bytes of one texel in the delivered row once it is ready for the document:
// 1 after the gray conversion, 3 for RGB.
std::int32_t texelBytesFor(const HostView& view) { return pixelLayoutOf(view).colourPlanes; }

bool isGray(const HostView& view) { return texelBytesFor(view) == 1; }

// Floor division: the phase of a rectangle that starts left of or above the
// document origin still lines up with the rest.
std::int32_t floorDivide(std::int32_t value, std::int32_t divisor) {
  std::int32_t quotient = value / divisor;
  if (value % divisor != 0 && value < 0) --quotient;
  return quotient;
}

bool rectIsEmpty(const Rect16& rect) { return rect.top >= rect.bottom || rect.left >= rect.right; }

// Rows or columns of the band to write. outData holds the host's outRect,
// which the plug-in set equal to inRect; a host that has shrunk it since
// gets no more than it handed over.
std::int32_t bandExtent(std::int32_t asked, std::int32_t askedEnd, std::int32_t given,
                        std::int32_t givenEnd) {
  const std::int32_t extent = askedEnd - asked;
  const std::int32_t held = givenEnd - given;
  return held < extent ? held : extent;
}

// The side a size choice asks for; 0 for Actual.
std::int32_t chosenSide(std::int32_t sizeChoice) {
  switch (sizeChoice) {
    case size512: return 512;
    case size256: return 256;
    case size128: return 128;
    case size64: return 64;
    default: return 0;
  }
}

// The horizontal repeat of an enlarged texture: the one the scaling set, or
// for a library texture the one its size choice implies.
std::int32_t replicationOf(const texture::TextureSource& source) {
  if (source.upscale == 0) return 1;
  if (source.replication > 1) return source.replication;
  return source.sizeChoice == size512 ? 4 : source.sizeChoice == size256 ? 2 : 1;
}

void endBands(HostView& view) {
  view.inRect = Rect16{0, 0, 0, 0};
  view.outRect = view.inRect;
}

// `side`: the square PNG or JPEG side the size choices scale, else 0.
ScalingFactors factorsFor(const char* fileName, std::int32_t sizeChoice, std::int32_t side) {
  if (texture::isLowResTexture(fileName)) {
    switch (sizeChoice) {
      case size512: return {4, 1, 0};
      case size256: return {2, 1, 0};
      case size64: return {1, 2, 0};
      default: return {1, 1, 0};
    }
  }
  if (texture::isHighResTexture(fileName)) {
    switch (sizeChoice) {
      case size256: return {1, 2, 0};
      case size128: return {1, 4, 0};
      case size64: return {1, 8, 0};
      default: return {1, 1, 0};
    }
  }
  const std::int32_t target = chosenSide(sizeChoice);
  if (side == 0 || target == 0 || target == side) return {1, 1, 0};
  // Whole multiples enlarge by replication, sharp as the library's
  // low-resolution textures; every other size goes through the resampler.
  if (target > side && target % side == 0) return {target / side, 1, 0};
  return {1, 1, target};
}

}  // namespace

ScalingFactors scalingFactors(const char* fileName, std::int32_t sizeChoice) {
  return factorsFor(fileName, sizeChoice, texture::resizableTextureSide(fileName));
}

ScalingFactors scalingFactors(const char* fileName, const texture::TextureSource& source) {
  return factorsFor(fileName, source.sizeChoice, texture::resizableSourceSide(&source));
}

void prepareFill(const char* fileName, texture::TextureSource* source, HostView& view,
                 std::int16_t* result) {
  view.inLoPlane = 0;
  rowsTotal = view.filterRect.bottom - view.filterRect.top;
  const PixelLayout layout = pixelLayoutOf(view);
  if (layout.supported) {
    view.inHiPlane = static_cast<std::int16_t>(layout.requestedPlanes - 1);
  } else {
    *result = filterBadMode;
  }
  // A host that gives fewer bytes per pixel than the planes requested would
  // have every row overrun; refuse it before any band is written.
  if (*result == noErr && view.planes < view.inHiPlane - view.inLoPlane + 1) {
    *result = filterBadParameters;
  }

  const ScalingFactors factors = scalingFactors(fileName, *source);
  const std::int32_t r = factors.replication;

  view.inRect = view.filterRect;
  std::int32_t bandBottom = view.inRect.top + r;
  if (bandBottom > view.filterRect.bottom) bandBottom = view.filterRect.bottom;
  view.inRect.bottom = static_cast<std::int16_t>(bandBottom);
  view.outRect = view.inRect;
  // An empty or inverted rectangle has nothing to fill: hand back the empty
  // band at once so that the host does not call Continue.
  if (rectIsEmpty(view.filterRect)) endBands(view);

  if (factors.resampledSize != 0) {
    source->scaledHeight = source->scaledWidth = factors.resampledSize;
  } else {
    source->scaledHeight = source->height / factors.reduction;
    source->scaledWidth = source->width / factors.reduction;
  }

  if (source->tileOrigin == originDocument && source->scaledWidth > 0 && source->scaledHeight > 0) {
    const std::int32_t column = floorDivide(view.filterRect.left + r / 2, r);
    const std::int32_t row = floorDivide(view.filterRect.top + r / 2, r);
    source->phaseOffset = wrapIndex(column, source->scaledWidth) * texelBytesFor(view);
    source->nextRow = wrapIndex(row, source->scaledHeight);
  } else {
    source->phaseOffset = 0;
    source->nextRow = 0;
  }

  if (texture::prerollTiff(source, source->nextRow) != 0) hostProgress(view, 0, rowsTotal);

  view.outLoPlane = view.inLoPlane;
  view.outHiPlane = view.inHiPlane;

  // A texture the resampler enlarges delivers rows longer than its own.
  if (3 * source->scaledWidth > source->rowBytes) source->rowBytes = 3 * source->scaledWidth;
  source->rowBuffer = static_cast<std::uint8_t*>(
      platform::allocateMemory(static_cast<std::size_t>(source->rowBytes)));
  if (source->rowBuffer == nullptr) {
    *result = memFullErr;
    platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
    return;
  }
  // A gray row is a third of the RGB row it comes from; keeping all of them
  // costs less than the texture's own rows and spares every later pass down
  // the texture the read and the conversion.
  if (isGray(view) && source->scaledWidth > 0 && source->scaledHeight > 0) {
    const std::size_t rows = static_cast<std::size_t>(source->scaledHeight);
    source->grayRows = static_cast<std::uint8_t*>(
        platform::allocateMemory(rows + rows * static_cast<std::size_t>(source->scaledWidth)));
    if (source->grayRows == nullptr) {
      *result = memFullErr;
      platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
      return;
    }
    std::memset(source->grayRows, 0, rows);
  }
}

void fillNextBand(texture::TextureSource* source, HostView& view, std::int16_t* result) {
  if (hostAborted(view)) {
    *result = userCancelled;
    return;
  }
  // Continue without a prepared texture (out of order, or after a failed
  // Start): nothing to fill, so end the host's loop.
  if (source->rowBuffer == nullptr || source->scaledWidth <= 0 || source->scaledHeight <= 0) {
    *result = filterBadParameters;
    endBands(view);
    return;
  }
  // A band without rows or columns (Continue called again after the empty
  // rectangle) has nothing to fill: no texture row is used up for it.
  if (rectIsEmpty(view.inRect) || rectIsEmpty(view.outRect)) {
    endBands(view);
    return;
  }

  const std::int32_t repeat = replicationOf(*source);
  std::int32_t bandHeight = 1;
  if (repeat > 1) {
    bandHeight = bandExtent(view.inRect.top, view.inRect.bottom, view.outRect.top, view.outRect.bottom);
  }

  const std::int32_t texelBytes = texelBytesFor(view);
  const PixelLayout layout = pixelLayoutOf(view);
  const std::int32_t width =
      bandExtent(view.inRect.left, view.inRect.right, view.outRect.left, view.outRect.right);
  const std::int32_t pixelBytes = layout.pixelBytes;
  // Never write outside the band the host described: a band with no rows, a
  // pixel smaller than the planes requested, or rows closer together than
  // one row's bytes cannot be filled safely.
  const bool writable = bandHeight >= 1 && view.outData != nullptr &&
                        pixelBytes >= layout.requestedPlanes * layout.sampleBytes &&
                        (bandHeight == 1 || view.outRowBytes >= width * pixelBytes);
  if (!writable) {
    *result = filterBadParameters;
    endBands(view);
    return;
  }

  hostProgress(view, rowsDone, rowsTotal);

  const std::int32_t rowIndex = source->nextRow % source->scaledHeight;
  const bool gray = isGray(view);
  std::uint8_t* keptGray = nullptr;
  if (gray && source->grayRows != nullptr) {
    keptGray = source->grayRows + source->scaledHeight +
               static_cast<std::size_t>(rowIndex) * static_cast<std::size_t>(source->scaledWidth);
  }
  const std::uint8_t* bandRow = source->rowBuffer;
  if (keptGray != nullptr && source->grayRows[rowIndex] != 0) {
    bandRow = keptGray;
  } else {
    if (texture::readTextureRow(source, source->rowBuffer, rowIndex) == 0) {
      *result = readErr;
      platform::showTableMessage(IDS_READ_ERROR, platform::kBoxOk);
      return;
    }
    if (gray) grayFromRgb(source->rowBuffer, source->rowBuffer, source->scaledWidth);
    if (keptGray != nullptr) {
      std::memcpy(keptGray, source->rowBuffer, static_cast<std::size_t>(source->scaledWidth));
      source->grayRows[rowIndex] = 1;
    }
  }

  rowsDone += bandHeight;
  source->nextRow += 1;

  const std::int32_t rowLength = source->scaledWidth * texelBytes;
  // The phase was set for the mode seen at Start; a host that changed the
  // mode since must not send the copy past the row.
  const std::int32_t phase = source->phaseOffset < rowLength ? source->phaseOffset : 0;
  if (layout.sampleBytes == 1 && !layout.opaquePlane) {
    writeBand(bandRow, rowLength, phase, texelBytes, pixelBytes, repeat, width, bandHeight,
              view.outData, view.outRowBytes);
  } else {
    const SampleFormat format{layout.colourPlanes, layout.sampleBytes, layout.opaquePlane, pixelBytes};
    writeSampleBand(bandRow, source->scaledWidth, phase / texelBytes, format, repeat, width, bandHeight,
                    view.outData, view.outRowBytes);
  }

  const std::int32_t top = view.inRect.top + bandHeight;
  const std::int32_t bottom = view.inRect.bottom + bandHeight;
  if (top >= view.filterRect.bottom) {
    endBands(view);
    return;
  }
  view.inRect.top = static_cast<std::int16_t>(top);
  view.inRect.bottom = static_cast<std::int16_t>(bottom > view.filterRect.bottom ? view.filterRect.bottom : bottom);
  view.outRect = view.inRect;
}

}  // namespace host
