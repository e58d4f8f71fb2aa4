#include "tools/wintest/screen_capture.h"

#include <set>

#include "tools/wintest/bmp_file.h"

namespace wintest {

std::uint32_t Capture::pixel(int x, int y) const {
  const int cx = x - screen.left;
  const int cy = y - screen.top;
  if (cx < 0 || cy < 0 || cx >= width || cy >= height) return kOutside;
  const std::uint8_t* p = &rgb[(static_cast<std::size_t>(cy) * width + cx) * 3];
  return p[0] | p[1] << 8 | p[2] << 16;
}

std::size_t Capture::colours(const RECT& area) const {
  std::set<std::uint32_t> seen;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::uint32_t colour = pixel(x, y);
      if (colour != kOutside) seen.insert(colour);
    }
  }
  return seen.size();
}

std::uint32_t Capture::checksum(const RECT& area) const {
  std::uint32_t hash = 2166136261u;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::uint32_t colour = pixel(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        hash = (hash ^ ((colour >> shift) & 0xFF)) * 16777619u;
      }
    }
  }
  return hash;
}

BITMAPINFO topDownBitmapInfo(int width, int height, int bitsPerPixel) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  return info;
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
  BITMAPINFO info = topDownBitmapInfo(capture.width, capture.height, 24);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // From the window's own device context, not the screen's: above 96 DPI
    // Wine 10 reads the screen back black for a DPI-aware process.
    HDC windowContext = GetWindowDC(window);
    BitBlt(memory, 0, 0, capture.width, capture.height, windowContext, 0, 0, SRCCOPY);
    ReleaseDC(window, windowContext);
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
