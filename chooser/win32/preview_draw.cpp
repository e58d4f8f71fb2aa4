// Drawing the preview panel and bitmap resources.
#include <windows.h>

#include <cstring>

#include "chooser/win32/chooser_win32.h"
#include "texture/little_endian.h"

namespace chooser {

namespace {

struct PaletteBlock {
  WORD version;
  WORD entries;
  PALETTEENTRY entry[kPreviewColorEntries];
};

// A BITMAPINFO whose colour table holds palette indices: index i shows
// entry i of the selected palette.
struct IndexedBitmapInfo {
  BITMAPINFOHEADER header;
  WORD index[kPreviewColorEntries];
};

}  // namespace

HPALETTE selectPreviewPalette(HDC deviceContext, const texture::ColorTableBlock* block) {
  if (block == nullptr) return nullptr;
  std::uint32_t used = texture::readLittle32(block + texture::kInfoHeaderClrUsed);
  if (used == 0 || used > kPreviewColorEntries) used = kPreviewColorEntries;
  PaletteBlock palette{};
  palette.version = 0x300;
  palette.entries = static_cast<WORD>(used);
  const std::uint8_t* entry = block + texture::kInfoHeaderBytes;
  for (std::uint32_t i = 0; i < used; ++i, entry += 4) {
    palette.entry[i] = PALETTEENTRY{entry[2], entry[1], entry[0], 0};
  }
  HPALETTE built = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
  if (built == nullptr) return nullptr;
  HPALETTE previous = SelectPalette(deviceContext, built, FALSE);
  RealizePalette(deviceContext);
  return previous;
}

void drawPreview(const PreviewPanel* panel, HDC deviceContext) {
  if (panel == nullptr) return;
  if (panel->bitmapInfo == nullptr || panel->pixels == nullptr || !panel->enabled) {
    BitBlt(deviceContext, panel->x, panel->y, panel->width, panel->height, nullptr, 0, 0,
           WHITENESS);
    return;
  }
  const auto* rgbInfo = reinterpret_cast<const BITMAPINFO*>(panel->bitmapInfo);
  if (!panel->paletteMode) {
    SetDIBitsToDevice(deviceContext, panel->x, panel->y, panel->width, panel->height, 0, 0, 0,
                      panel->height, panel->pixels, rgbInfo, DIB_RGB_COLORS);
    return;
  }
  // Through the palette built from the table, the RGB table itself stays as
  // loaded, so every repaint builds the same palette.
  HPALETTE previous = selectPreviewPalette(deviceContext, panel->bitmapInfo);
  IndexedBitmapInfo indexed;
  std::memcpy(&indexed.header, panel->bitmapInfo, sizeof indexed.header);
  for (int i = 0; i < kPreviewColorEntries; ++i) indexed.index[i] = static_cast<WORD>(i);
  SetDIBitsToDevice(deviceContext, panel->x, panel->y, panel->width, panel->height, 0, 0, 0,
                    panel->height, panel->pixels, reinterpret_cast<const BITMAPINFO*>(&indexed),
                    DIB_PAL_COLORS);
  if (previous != nullptr) {
    HPALETTE built = SelectPalette(deviceContext, previous, FALSE);
    if (built != nullptr) DeleteObject(built);
  }
}

void drawBitmapIntoControl(HWND control, HBITMAP bitmap, int x, int y, DWORD rasterOperation) {
  HDC target = GetDC(control);
  if (target == nullptr) return;
  BITMAP size{};
  GetObjectA(bitmap, sizeof size, &size);
  HDC memory = CreateCompatibleDC(target);
  if (memory == nullptr) {
    ReleaseDC(control, target);
    return;
  }
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(target, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, rasterOperation);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(control, target);
}

}  // namespace chooser
