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

// At its own size the preview goes to the device unchanged; enlarged, each
// pixel becomes a block (a whole number of pixels wide where the scale is
// whole), because smoothing would blur a picture this small.
void showPreviewPixels(const PreviewPanel* panel, HDC deviceContext, const BITMAPINFO* info,
                       UINT colourUse) {
  if (panel->shownWidth == panel->width && panel->shownHeight == panel->height) {
    SetDIBitsToDevice(deviceContext, panel->x, panel->y, panel->width, panel->height, 0, 0, 0,
                      panel->height, panel->pixels, info, colourUse);
    return;
  }
  const int previousMode = SetStretchBltMode(deviceContext, COLORONCOLOR);
  StretchDIBits(deviceContext, panel->x, panel->y, panel->shownWidth, panel->shownHeight, 0, 0,
                panel->width, panel->height, panel->pixels, info, colourUse, SRCCOPY);
  if (previousMode != 0) SetStretchBltMode(deviceContext, previousMode);
}

// Runs `copy` with the control's device context and a memory device context
// holding the bitmap; nothing when either context cannot be had.
template <typename Copy>
void copyBitmapIntoControl(HWND control, HBITMAP bitmap, const Copy& copy) {
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
  copy(target, memory, size);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(control, target);
}

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
    BitBlt(deviceContext, panel->x, panel->y, panel->shownWidth, panel->shownHeight, nullptr, 0, 0,
           WHITENESS);
    return;
  }
  const auto* rgbInfo = reinterpret_cast<const BITMAPINFO*>(panel->bitmapInfo);
  if (!panel->paletteMode) {
    showPreviewPixels(panel, deviceContext, rgbInfo, DIB_RGB_COLORS);
    return;
  }
  // Through the palette built from the table, the RGB table itself stays as
  // loaded, so every repaint builds the same palette.
  HPALETTE previous = selectPreviewPalette(deviceContext, panel->bitmapInfo);
  IndexedBitmapInfo indexed;
  std::memcpy(&indexed.header, panel->bitmapInfo, sizeof indexed.header);
  for (int i = 0; i < kPreviewColorEntries; ++i) indexed.index[i] = static_cast<WORD>(i);
  showPreviewPixels(panel, deviceContext, reinterpret_cast<const BITMAPINFO*>(&indexed),
                    DIB_PAL_COLORS);
  if (previous != nullptr) {
    HPALETTE built = SelectPalette(deviceContext, previous, FALSE);
    if (built != nullptr) DeleteObject(built);
  }
}

void drawBitmapIntoControl(HWND control, HBITMAP bitmap, int x, int y, DWORD rasterOperation) {
  copyBitmapIntoControl(control, bitmap, [&](HDC target, HDC memory, const BITMAP& size) {
    BitBlt(target, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, rasterOperation);
  });
}

void drawBitmapScaledIntoControl(HWND control, HBITMAP bitmap, int unscaledControlWidth) {
  RECT client{};
  GetClientRect(control, &client);
  if (client.right == unscaledControlWidth || unscaledControlWidth <= 0) {
    drawBitmapIntoControl(control, bitmap, 0, 0, SRCCOPY);
    return;
  }
  copyBitmapIntoControl(control, bitmap, [&](HDC target, HDC memory, const BITMAP& size) {
    // HALFTONE averages the source pixels each target pixel covers; it needs
    // the brush origin set after the mode.
    const int previousMode = SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, MulDiv(size.bmWidth, client.right, unscaledControlWidth),
               MulDiv(size.bmHeight, client.right, unscaledControlWidth), memory, 0, 0,
               size.bmWidth, size.bmHeight, SRCCOPY);
    if (previousMode != 0) SetStretchBltMode(target, previousMode);
  });
}

}  // namespace chooser
