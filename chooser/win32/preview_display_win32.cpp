// The display questions of the preview panel, answered by GDI.
#include <windows.h>

#include "chooser/preview_display.h"

namespace chooser {

bool windowUsesPalette(platform::WindowHandle window) {
  HWND hwnd = static_cast<HWND>(window);
  HDC dc = GetDC(hwnd);
  if (dc == nullptr) return false;
  const bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
  ReleaseDC(hwnd, dc);
  return palette;
}

bool screenIsSixteenColour() {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return false;
  const bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
  const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  return !palette && bits <= 4;
}

void invalidateArea(platform::WindowHandle window, int left, int top, int right, int bottom) {
  const RECT area{left, top, right, bottom};
  InvalidateRect(static_cast<HWND>(window), &area, TRUE);
}

}  // namespace chooser
