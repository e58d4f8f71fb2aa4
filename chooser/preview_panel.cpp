#include "chooser/preview_panel.h"

#include <tiffio.h>

#include <cstring>

#include "chooser/preview_display.h"
#include "chooser/thumbnail_dither.h"
#include "platform/ascii.h"
#include "texture/little_endian.h"
#include "texture/tiff_file.h"

namespace chooser {
namespace {

constexpr int kMaxPanelSide = 4096;

// BITMAPINFOHEADER of an uncompressed bottom-up 8-bit picture.
void writeInfoHeader(std::uint8_t* header, int width, int height, int rowBytes) {
  std::memset(header, 0, texture::kInfoHeaderBytes);
  texture::writeLittle32(header + 0, texture::kInfoHeaderBytes);                       // biSize
  texture::writeLittle32(header + 4, static_cast<std::uint32_t>(width));               // biWidth
  texture::writeLittle32(header + 8, static_cast<std::uint32_t>(height));              // biHeight
  texture::writeLittle16(header + 12, 1);                                              // biPlanes
  texture::writeLittle16(header + texture::kInfoHeaderBitCount, 8);                    // biBitCount
  texture::writeLittle32(header + 20, static_cast<std::uint32_t>(rowBytes * height));  // biSizeImage
}

bool samePathIgnoringCase(const char* a, const char* b) {
  for (int i = 0; i < kPreviewPathBytes; ++i) {
    if (platform::lowerAscii(a[i]) != platform::lowerAscii(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

// Bytes of one preview row as the bitmap stores it: padded to 4 bytes.
std::uint64_t previewRowStride(TIFF* tiff) {
  std::uint32_t width = 0;
  std::uint16_t bits = 0;
  std::uint16_t samples = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  return (std::uint64_t{samples} * bits * width + 31) / 32 * 4;
}

// A preview larger than the panel's buffers (in rows, in row bytes or in
// colours) is not shown at all rather than shown in part.
bool directoryFits(TIFF* tiff, PreviewLimits limits) {
  std::uint32_t rows = 0;
  std::uint16_t bits = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_IMAGELENGTH, &rows);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  if (bits > 8 || limits.rows < 0 || limits.rowBytes < 0) return false;
  if (rows > static_cast<std::uint32_t>(limits.rows)) return false;
  const std::uint64_t stride = previewRowStride(tiff);
  if (stride > static_cast<std::uint64_t>(limits.rowBytes)) return false;
  // TIFFReadScanline writes a whole decoded scanline, which some layouts
  // make longer than the bitmap's row.
  const tmsize_t scanline = TIFFScanlineSize(tiff);
  return scanline >= 0 && static_cast<std::uint64_t>(scanline) <= stride;
}

// Opens `path` at its preview directory: the one after the texture, or the
// one after that for sixteen-colour displays. Null when there is none.
TIFF* openPreviewDirectory(const char* path, bool sixteenColour, PreviewLimits limits) {
  if (path == nullptr || path[0] == '\0' || !platform::pathExists(path)) return nullptr;
  TIFF* tiff = texture::openTiffForReading(path);
  if (tiff == nullptr) return nullptr;
  const int steps = sixteenColour ? 2 : 1;
  for (int i = 0; i < steps; ++i) {
    if (!TIFFReadDirectory(tiff)) {
      TIFFClose(tiff);
      return nullptr;
    }
  }
  if (!directoryFits(tiff, limits)) {
    TIFFClose(tiff);
    return nullptr;
  }
  return tiff;
}

PreviewLimits panelLimits(const PreviewPanel* panel) {
  return {panel->height, panel->pixelRowBytes};
}

void invalidatePanel(const PreviewPanel* panel) {
  invalidateArea(panel->window, panel->x, panel->y, panel->x + panel->shownWidth,
                 panel->y + panel->shownHeight);
}

// PNG and JPEG textures carry no preview: the panel shows a thumbnail of
// the whole picture instead. Answers false for other files; a PNG or JPEG
// whose thumbnail cannot be made leaves the panel white.
bool loadThumbnail(PreviewPanel* panel, const char* path) {
  const texture::TextureClass type = texture::classifyTexturePath(path);
  if (type != texture::classPng && type != texture::classJpeg) return false;
  if (panel->bitmapInfo == nullptr || panel->pixels == nullptr) return true;
  std::uint8_t* table = panel->bitmapInfo + texture::kInfoHeaderBytes;
  auto* thumbnail =
      static_cast<texture::Thumbnail*>(platform::allocateMemory(sizeof(texture::Thumbnail)));
  if (thumbnail != nullptr && texture::makeThumbnail(path, thumbnail)) {
    writeThumbnailColorTable(table);
    ditherThumbnail(*thumbnail, panel->pixels, panel->width, panel->height, panel->pixelRowBytes);
  } else {
    fillWhiteColorTable(table, kPreviewColorEntries);
  }
  platform::releaseMemory(thumbnail);
  return true;
}

}  // namespace

void fillWhiteColorTable(std::uint8_t* firstEntry, int count) {
  if (firstEntry == nullptr) return;
  for (int i = 0; i < count; ++i, firstEntry += 4) {
    firstEntry[0] = 255;
    firstEntry[1] = 255;
    firstEntry[2] = 255;
    firstEntry[3] = 0;
  }
}

int createPreviewPanel(PreviewPanel* panel, platform::WindowHandle window, int x, int y, int width,
                       int height) {
  if (panel == nullptr) return 0;
  panel->window = window;
  panel->x = x;
  panel->y = y;
  panel->width = width;
  panel->height = height;
  panel->shownWidth = width;
  panel->shownHeight = height;
  panel->pixels = nullptr;
  panel->bitmapInfo = nullptr;
  panel->lastPath[0] = '\0';
  panel->enabled = 0;
  panel->paletteMode = windowUsesPalette(window) ? 1 : 0;
  // A preview panel is small; the bound keeps the row arithmetic in int.
  if (width <= 0 || height <= 0 || width > kMaxPanelSide || height > kMaxPanelSide) return 0;
  panel->pixelRowBytes = (width * 8 + 31) / 32 * 4;

  const std::size_t pixelBytes = static_cast<std::size_t>(height) * panel->pixelRowBytes;
  panel->pixels = static_cast<std::uint8_t*>(platform::allocateMemory(pixelBytes));
  panel->bitmapInfo =
      static_cast<texture::ColorTableBlock*>(platform::allocateMemory(kPreviewColorBlockBytes));
  if (panel->pixels == nullptr || panel->bitmapInfo == nullptr) {
    freePreviewPanel(panel);
    return 0;
  }
  std::memset(panel->pixels, 255, pixelBytes);
  writeInfoHeader(panel->bitmapInfo, width, height, panel->pixelRowBytes);
  fillWhiteColorTable(panel->bitmapInfo + texture::kInfoHeaderBytes, kPreviewColorEntries);
  return 1;
}

int readPreviewColorTable(texture::ColorTableBlock* block, const char* path, bool sixteenColour,
                          PreviewLimits limits) {
  if (block == nullptr) return 0;
  TIFF* tiff = openPreviewDirectory(path, sixteenColour, limits);
  if (tiff == nullptr) return 0;
  const int filled = texture::fillColorTableFromTiff(block, tiff);
  TIFFClose(tiff);
  return filled ? 1 : 0;
}

int readPreviewPixels(const char* path, std::uint8_t* pixels, bool sixteenColour,
                      PreviewLimits limits) {
  if (pixels == nullptr || texture::classifyTexturePath(path) != texture::classTiff) return 0;
  TIFF* tiff = openPreviewDirectory(path, sixteenColour, limits);
  if (tiff == nullptr) return 0;
  const std::size_t stride = static_cast<std::size_t>(previewRowStride(tiff));
  std::uint32_t rows = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_IMAGELENGTH, &rows);
  // The bitmap is bottom-up: the picture's last row is stored first.
  std::uint8_t* destination = pixels;
  for (std::uint32_t row = rows; row-- > 0; destination += stride) {
    if (TIFFReadScanline(tiff, destination, row, 0) == -1) {
      TIFFClose(tiff);
      return 0;
    }
  }
  TIFFClose(tiff);
  return 1;
}

void loadPreview(PreviewPanel* panel, const char* path) {
  if (panel == nullptr) return;
  if (path == nullptr) path = "";
  if (samePathIgnoringCase(path, panel->lastPath)) return;
  if (!loadThumbnail(panel, path)) {
    const bool sixteenColour = screenIsSixteenColour();
    if (panel->bitmapInfo != nullptr &&
        !readPreviewColorTable(panel->bitmapInfo, path, sixteenColour, panelLimits(panel))) {
      fillWhiteColorTable(panel->bitmapInfo + texture::kInfoHeaderBytes, kPreviewColorEntries);
    }
    readPreviewPixels(path, panel->pixels, sixteenColour, panelLimits(panel));
  }
  std::strncpy(panel->lastPath, path, kPreviewPathBytes - 1);
  panel->lastPath[kPreviewPathBytes - 1] = '\0';
  if (panel->enabled) invalidatePanel(panel);
}

void setPreviewEnabled(PreviewPanel* panel, int on) {
  if (panel == nullptr || panel->enabled == on) return;
  panel->enabled = on;
  invalidatePanel(panel);
}

void freePreviewPanel(PreviewPanel* panel) {
  if (panel == nullptr) return;
  platform::releaseMemory(panel->bitmapInfo);
  platform::releaseMemory(panel->pixels);
  panel->bitmapInfo = nullptr;
  panel->pixels = nullptr;
}

}  // namespace chooser
