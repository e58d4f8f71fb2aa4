#include "texture/texture_source.h"

#include <tiffio.h>

#include <cstring>
#include <limits>

#include "platform/messages.h"
#include "resample/wrap_resampler.h"
#include "resources/strings.h"
#include "texture/bmp.h"
#include "texture/decoded_texture.h"
#include "texture/jpeg_file.h"
#include "texture/tiff_file.h"

namespace texture {

namespace {

constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();
// Row numbers cross the fill's interfaces as 16-bit signed values.
constexpr std::int32_t kMaxRows = 32767;

// Sizes the fill and the scaling derive from width and height must fit in
// 32 bits: a delivered row of 3 x width bytes, the whole texture as RGB in
// memory, and the row buffer.
bool sizesFit(std::int64_t width, std::int64_t height, std::int64_t rowBytes) {
  if (width <= 0 || height <= 0 || height > kMaxRows) return false;
  if (rowBytes <= 0 || rowBytes > kMaxBytes) return false;
  return 3 * width * height <= kMaxBytes;
}

void closeTiff(TextureSource* source) {
  TIFFClose(source->tiff);
  source->tiff = nullptr;
}

int refuseTiff(TextureSource* source) {
  closeTiff(source);
  platform::releaseMemory(source->colorTable);
  source->colorTable = nullptr;
  source->colorCount = 0;
  platform::showTableMessage(IDS_UNSUPPORTED_FORMAT, platform::kBoxOk);
  return 0;
}

int openTiffSource(const char* path, TextureSource* source) {
  source->tiff = openTiffForReading(path);
  if (source->tiff == nullptr) return 0;
  TIFF* tiff = source->tiff;
  const std::int64_t scanline = TIFFScanlineSize(tiff);

  std::uint16_t bits = 0;
  std::uint16_t photometric = 0xFFFF;
  std::uint16_t samples = 0;
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  if (bits != 8 || photometric > PHOTOMETRIC_PALETTE) return refuseTiff(source);

  // The description was taken from another handle; the file must still hold
  // what it described. Every row is read as scanline sample 0, so samples
  // must be interleaved and the image stored in strips, not tiles.
  const std::int32_t expectedSamples =
      source->kind == kindTiffOneSample ? 1 : source->kind == kindTiffRgb ? 3 : 4;
  if (samples != expectedSamples || (samples > 1 && planar != PLANARCONFIG_CONTIG) ||
      TIFFIsTiled(tiff)) {
    return refuseTiff(source);
  }
  if (width == 0 || width > kMaxBytes || height == 0 || height > kMaxRows ||
      scanline != static_cast<std::int64_t>(width) * samples) {
    return refuseTiff(source);
  }

  std::int64_t rowBytes = scanline;
  if (samples == 1) {
    if (photometric == PHOTOMETRIC_PALETTE) {
      source->expansion = expansionColorTable;
      source->colorTable = colorTableFromTiff(tiff);
      if (source->colorTable == nullptr) return refuseTiff(source);
      source->colorCount = 256;
    } else if (photometric == PHOTOMETRIC_MINISWHITE) {
      source->expansion = expansionInvertedGray;
    } else {
      source->expansion = expansionGray;
    }
    // The row buffer receives the row expanded to RGB.
    rowBytes *= 3;
  }
  if (!sizesFit(width, height, rowBytes)) return refuseTiff(source);
  source->width = static_cast<std::int32_t>(width);
  source->height = static_cast<std::int32_t>(height);
  source->rowBytes = static_cast<std::int32_t>(rowBytes);
  source->bufferRowBytes = 3 * source->width;
  source->lastTiffRow = -1;
  return 1;
}

int openBmpSource(const char* path, TextureSource* source) {
  if (!openBmp(path, source)) return 0;
  const ColorTableBlock* header = source->colorTable;
  const std::int32_t biWidth = static_cast<std::int32_t>(readLittle32(header + kInfoHeaderWidth));
  const std::int32_t biHeight =
      static_cast<std::int32_t>(readLittle32(header + kInfoHeaderHeight));
  const std::int32_t bitCount = readLittle16(header + kInfoHeaderBitCount);
  const std::int64_t height = biHeight < 0 ? -static_cast<std::int64_t>(biHeight) : biHeight;
  const std::int64_t storedRow = bmpStoredRowBytes(biWidth, bitCount);
  const std::int64_t rowBytes = source->expansion == expansionColorTable ? 3 * storedRow : storedRow;
  // Every stored row must be reachable by a 32-bit file position.
  const bool fits = readLittle32(header + kInfoHeaderCompression) == 0 && storedRow > 0 &&
                    sizesFit(biWidth, height, rowBytes) &&
                    source->bmpDataOffset + height * storedRow <= kMaxBytes;
  if (!fits) {
    platform::showTableMessage(IDS_UNSUPPORTED_FORMAT, platform::kBoxOk);
    closeBmp(source);
    return 0;
  }
  // The headers just read, not the earlier description, decide the kind.
  source->kind = bitCount == 24 ? kindBmp24 : kindBmp8;
  source->width = biWidth;
  source->height = static_cast<std::int32_t>(height);
  source->rowBytes = static_cast<std::int32_t>(rowBytes);
  source->bufferRowBytes = 3 * biWidth;
  return 1;
}

// Scratch rows come and go with each row; one that cannot be had is
// reported at once.
std::uint8_t* allocateScratch(std::int64_t bytes) {
  auto* block = static_cast<std::uint8_t*>(
      bytes > 0 ? platform::allocateMemory(static_cast<std::size_t>(bytes)) : nullptr);
  if (block == nullptr) platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
  return block;
}

// Drops the fourth sample of each pixel, in place from the front.
void compactFourSamples(const std::uint8_t* from, std::uint8_t* to, std::int32_t width) {
  for (std::int32_t i = 0; i < width; ++i) {
    to[3 * i] = from[4 * i];
    to[3 * i + 1] = from[4 * i + 1];
    to[3 * i + 2] = from[4 * i + 2];
  }
}

// Unscaled row `row` of an open TIFF as RGB (3 x width bytes) into
// destination: 0, or -1 on failure.
//
// A one-sample row is read into the last third of the destination and
// expanded forwards in place: texel i is read before bytes 3i to 3i + 2 are
// written, and those never reach a texel still to be read (3i + 2 < 2w + i
// for every i < w), so no scratch row is needed and the fill allocates
// nothing per band.
int fetchRow(TextureSource* source, std::int32_t row, std::uint8_t* destination) {
  if (source->decoded != nullptr) return copyDecodedRow(source, row, destination) ? 0 : -1;
  if (source->tiff == nullptr || destination == nullptr) return -1;
  if (row < 0 || row >= source->height) return -1;
  const bool viaTable = source->expansion == expansionColorTable && source->colorTable != nullptr;
  const bool gray =
      source->expansion == expansionGray || source->expansion == expansionInvertedGray;
  if (viaTable || gray) {
    std::uint8_t* stored = destination + 2 * static_cast<std::ptrdiff_t>(source->width);
    if (!readTiffScanline(source, stored, row)) return -1;
    expandToRgb(stored, source->width, viaTable ? source->colorTable : nullptr, source->colorCount,
                destination, source->expansion == expansionInvertedGray);
    return 0;
  }
  if (source->kind == kindTiffFourSamples) {
    // The destination holds 3 bytes a pixel, the scanline 4.
    std::uint8_t* scratch = allocateScratch(TIFFScanlineSize(source->tiff));
    if (scratch == nullptr) return -1;
    const bool read = readTiffScanline(source, scratch, row);
    if (read) compactFourSamples(scratch, destination, source->width);
    platform::releaseMemory(scratch);
    return read ? 0 : -1;
  }
  return readTiffScanline(source, destination, row) ? 0 : -1;
}

// `buffer` holds rowBytes (3 x the stored row) bytes. An indexed row is read
// into its end and expanded forwards in place, as for one-sample TIFFs: the
// stored row starts at least 2 x width bytes in.
int readBmpTextureRow(TextureSource* source, std::uint8_t* buffer, std::int32_t row) {
  // Bitmaps store their bottom row first unless the height is negative.
  const std::int32_t stored = bmpTopDown(source) ? row : source->height - 1 - row;
  if (source->expansion != expansionColorTable) {
    if (!readBmpRow(source, stored, buffer)) return 0;
    swapRedBlue(buffer, source->width);
    return 1;
  }
  const auto storedBytes = static_cast<std::int32_t>(bmpStoredRowBytes(source->width, 8));
  std::uint8_t* indices = buffer + (source->rowBytes - storedBytes);
  if (!readBmpRow(source, stored, indices)) return 0;
  expandToRgb(indices, source->width, source->colorTable, source->colorCount, buffer, false);
  return 1;
}

}  // namespace

void clearTextureSource(TextureSource* source) {
  if (source != nullptr) std::memset(source, 0, sizeof *source);
}

int openTextureSource(const char* path, TextureSource* source) {
  if (source == nullptr) return 0;
  TextureInfo info{};
  if (!describeTexture(path, &info)) {
    source->width = 0;
    source->height = 0;
    // A JPEG of four colour components is a layout no texture row can be
    // made from, not a file that failed to read.
    if (classifyTexturePath(path) == classJpeg && isRefusedJpeg(path)) {
      platform::showTableMessage(IDS_UNSUPPORTED_FORMAT, platform::kBoxOk);
    }
    return 0;
  }
  source->kind = info.kind;
  source->width = info.width;
  source->height = info.height;
  source->expansion = expansionNone;
  source->lastTiffRow = -1;
  switch (source->kind) {
    case kindTiffRgb:
    case kindTiffOneSample:
    case kindTiffFourSamples:
      return openTiffSource(path, source);
    case kindBmp24:
    case kindBmp8:
      return openBmpSource(path, source);
    case kindPng24:
    case kindPng8:
    case kindJpeg24:
    case kindJpeg8:
      return openDecodedSource(path, source);
    default:
      return 0;
  }
}

int readTextureRow(TextureSource* source, std::uint8_t* buffer, std::int32_t row) {
  if (source == nullptr || buffer == nullptr) return 0;
  switch (source->kind) {
    case kindTiffRgb:
    case kindTiffOneSample:
      if (source->resampler != nullptr) return resampleRow(source->resampler, row, buffer) == 0;
      if (source->kind == kindTiffRgb) return readTiffScanline(source, buffer, row) ? 1 : 0;
      return fetchRow(source, row, buffer) == 0 ? 1 : 0;
    case kindBmp24:
    case kindBmp8:
      if (row < 0 || row >= source->height) return 0;
      return readBmpTextureRow(source, buffer, row);
    case kindTiffFourSamples:
      if (!readTiffScanline(source, buffer, row)) return 0;
      compactFourSamples(buffer, buffer, source->width);
      return 1;
    case kindPng24:
    case kindPng8:
    case kindJpeg24:
    case kindJpeg8:
    case kindHeld:
      if (source->resampler != nullptr) return resampleRow(source->resampler, row, buffer) == 0;
      return copyDecodedRow(source, row, buffer) ? 1 : 0;
    case kindPrescaled:
      if (source->prescaled == nullptr || row < 0 || row >= source->scaledHeight ||
          source->bufferRowBytes <= 0) {
        return 0;
      }
      std::memcpy(buffer,
                  source->prescaled + static_cast<std::size_t>(row) * source->bufferRowBytes,
                  static_cast<std::size_t>(source->bufferRowBytes));
      return 1;
    default:
      return 0;
  }
}

int fetchSourceRow(TextureSource* source, std::int32_t row, std::uint8_t* destination) {
  return source != nullptr ? fetchRow(source, row, destination) : -1;
}

int prerollTiff(TextureSource* source, std::int32_t rows) {
  if (source == nullptr || source->tiff == nullptr) return 0;
  if (source->kind != kindTiffRgb && source->kind != kindTiffOneSample &&
      source->kind != kindTiffFourSamples) {
    return 0;
  }
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(source->tiff, TIFFTAG_COMPRESSION, &compression);
  if (compression == COMPRESSION_NONE) return 0;
  // Rows reached later are decoded on demand anyway, so a missing scratch
  // row only moves that work to the first delivered row.
  const std::int64_t scanline = TIFFScanlineSize(source->tiff);
  auto* scratch = static_cast<std::uint8_t*>(
      scanline > 0 ? platform::allocateMemory(static_cast<std::size_t>(scanline)) : nullptr);
  if (scratch == nullptr) return 1;
  const std::int32_t last = rows < source->height ? rows : source->height;
  for (std::int32_t row = 0; row < last; ++row) readTiffScanline(source, scratch, row);
  platform::releaseMemory(scratch);
  return 1;
}

int releaseTextureSource(TextureSource* source) {
  if (source == nullptr) return 0;
  platform::releaseMemory(source->rowBuffer);
  platform::releaseMemory(source->prescaled);
  platform::releaseMemory(source->grayRows);
  platform::releaseMemory(source->decoded);
  platform::releaseMemory(source->colorTable);
  if (source->tiff != nullptr) TIFFClose(source->tiff);
  if (source->bmpFile > 0) platform::closeFile(source->bmpFile);
  if (source->resampler != nullptr) destroyWrapResampler(source->resampler);
  clearTextureSource(source);
  return 0;
}

}  // namespace texture
