// How far the system enlarged a dialog's template for a scaled display, so
// that what the dialogs size and draw in pixels grows with it.
#include <windows.h>

#include "chooser/win32/chooser_win32.h"

namespace chooser {

namespace {

using DpiForWindow = UINT(WINAPI*)(HWND);

// Systems before Windows 10 have no per-window DPI; their DPI-aware
// processes scale templates by the system DPI, which the device context
// reports.
DpiForWindow dpiForWindowFunction() {
  HMODULE user = GetModuleHandleA("user32.dll");
  if (user == nullptr) return nullptr;
  return reinterpret_cast<DpiForWindow>(
      reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
}

}  // namespace

int dialogDpi(HWND window) {
  // A window that the system scales by the monitor it is on (and a process
  // that is not DPI-aware, which the system stretches as a whole) answers
  // with the DPI its template was laid out for.
  static const DpiForWindow dpiForWindow = dpiForWindowFunction();
  int dpi = 0;
  if (dpiForWindow != nullptr) dpi = static_cast<int>(dpiForWindow(window));
  if (dpi <= 0) {
    HDC deviceContext = GetDC(window);
    if (deviceContext != nullptr) {
      dpi = GetDeviceCaps(deviceContext, LOGPIXELSX);
      ReleaseDC(window, deviceContext);
    }
  }
  return dpi > 0 ? dpi : kUnscaledDpi;
}

int scaledForDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, kUnscaledDpi); }

}  // namespace chooser
