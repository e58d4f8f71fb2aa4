// Screenshots of the plug-in's dialogs: what a window shows on the screen,
// for colour counts in the checks and for pictures a reviewer can look at.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wintest {

struct Capture {
  int width = 0;
  int height = 0;
  RECT screen{};
  std::vector<std::uint8_t> rgb;  // top-down rows, 3 bytes a pixel

  // The colour at a screen point as 0xBBGGRR; kOutside beyond the capture.
  static constexpr std::uint32_t kOutside = 0xFFFFFFFFu;
  std::uint32_t pixel(int x, int y) const;
  // Distinct colours inside a screen rectangle.
  std::size_t colours(const RECT& area) const;
  // FNV-1a of the RGB bytes of a screen rectangle, row by row.
  std::uint32_t checksum(const RECT& area) const;
};

// The header of an uncompressed top-down DIB.
BITMAPINFO topDownBitmapInfo(int width, int height, int bitsPerPixel);

// Copies what the window shows, frame included, once it has repainted.
Capture captureWindow(HWND window);
// Writes the capture to DIRECTORY\NAME.bmp; nothing when `directory` is "".
void saveCapture(const Capture& capture, const std::string& directory, const std::string& name);

}  // namespace wintest
