// The Preferences dialog's swatch: a corner of a document filled with the
// texture named in the Open Texture dialog and the options as the dialog
// shows them, in a one-pixel black frame. On a scaled display each pixel
// becomes a block, as in the Open Texture dialog's preview.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "chooser/win32/chooser_win32.h"
#include "fill/fill_preview.h"
#include "resources/dialog_ids.h"

namespace chooser {

namespace {

constexpr int kSwatchRowBytes = kSwatchSide * 3;  // a multiple of 4: no padding
static_assert(kSwatchRowBytes % 4 == 0);

// Blue, green and red, top row first, as a 24-bit device-independent
// bitmap holds them.
std::uint8_t swatchPixels[kSwatchSide * kSwatchRowBytes];

}  // namespace

void redrawSwatch(HWND dialog, const fill::FillOptions& options) {
  if (preferencesDialog.swatchPreview == nullptr) {
    std::memset(swatchPixels, 255, sizeof swatchPixels);
  } else {
    // False leaves the pixels white: no texture named, or none that can be read.
    fill::drawFillPreview(preferencesDialog.swatchPreview, preferencesDialog.texturePath, options,
                          kSwatchSide, kSwatchSide, swatchPixels);
  }
  for (std::uint8_t* pixel = swatchPixels; pixel < swatchPixels + sizeof swatchPixels; pixel += 3) {
    const std::uint8_t red = pixel[0];
    pixel[0] = pixel[2];
    pixel[2] = red;
  }
  InvalidateRect(GetDlgItem(dialog, IDC_SWATCH), nullptr, FALSE);
}

void drawSwatch(const DRAWITEMSTRUCT* item) {
  RECT frame = item->rcItem;
  FrameRect(item->hDC, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kSwatchSide;
  info.bmiHeader.biHeight = -kSwatchSide;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const int previousMode = SetStretchBltMode(item->hDC, COLORONCOLOR);
  StretchDIBits(item->hDC, frame.left + 1, frame.top + 1, frame.right - frame.left - 2,
                frame.bottom - frame.top - 2, 0, 0, kSwatchSide, kSwatchSide, swatchPixels, &info,
                DIB_RGB_COLORS, SRCCOPY);
  if (previousMode != 0) SetStretchBltMode(item->hDC, previousMode);
}

}  // namespace chooser
