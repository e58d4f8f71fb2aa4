// Test control of the display that native builds pretend the preview panel
// draws on: its palette and colour depth, and the invalidations it received.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace chooser::test {

struct Invalidation {
  platform::WindowHandle window;
  int left;
  int top;
  int right;
  int bottom;
};

// Default: no palette, 24 bits per pixel.
void setDisplay(bool palette, int bitsPerPixel);
const std::vector<Invalidation>& invalidations();
void clearInvalidations();

}  // namespace chooser::test
