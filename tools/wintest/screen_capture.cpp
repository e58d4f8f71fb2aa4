#include "tools/wintest/screen_capture.h"

#include <set>

#include "tools/wintest/bmp_file.h"

namespace wintest {

std::size_t Capture::colours(const RECT& area) const {
  std::set<std::uint32_t> seen;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const int cx = x - screen.left;
      const int cy = y - screen.top;
      if (cx < 0 || cy < 0 || cx >= width || cy >= height) continue;
      const std::uint8_t* p = &rgb[(static_cast<std::size_t>(cy) * width + cx) * 3];
      seen.insert(p[0] | p[1] << 8 | p[2] << 16);
    }
  }
  return seen.size();
}

Capture captureWindow(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(400);
  Capture capture;
  GetWindowRect(window, &capture.screen);
  capture.width = capture.screen.right - capture.screen.left;
  capture.height = capture.screen.bottom - capture.screen.top;
  if (capture.width <= 0 || capture.height <= 0) return capture;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, capture.screen.left,
           capture.screen.top, SRCCOPY);
    GdiFlush();
    // DIB rows are padded to 4 bytes and hold blue first.
    const int stride = (capture.width * 3 + 3) & ~3;
    capture.rgb.resize(static_cast<std::size_t>(capture.width) * capture.height * 3);
    for (int y = 0; y < capture.height; ++y) {
      const std::uint8_t* from = static_cast<std::uint8_t*>(bits) + static_cast<std::size_t>(y) * stride;
      std::uint8_t* to = &capture.rgb[static_cast<std::size_t>(y) * capture.width * 3];
      for (int x = 0; x < capture.width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

void saveCapture(const Capture& capture, const std::string& directory, const std::string& name) {
  if (directory.empty() || capture.rgb.empty()) return;
  writeFileBytes(directory + "\\" + name + ".bmp", bmpFile(capture.width, capture.height, capture.rgb.data()));
}

}  // namespace wintest
