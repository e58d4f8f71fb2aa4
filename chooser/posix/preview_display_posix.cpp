// Native builds draw nothing: the display is a setting, and invalidations
// are recorded for tests to read.
#include "chooser/posix/preview_display_posix.h"
#include "chooser/posix/preview_display_test.h"
#include "chooser/preview_display.h"

namespace chooser {
namespace {

bool displayPalette = false;
int displayBits = 24;

std::vector<test::Invalidation>& recorded() {
  static std::vector<test::Invalidation> list;
  return list;
}

}  // namespace

bool windowUsesPalette(platform::WindowHandle) { return displayPalette; }

bool screenIsSixteenColour() { return !displayPalette && displayBits < 5; }

void invalidateArea(platform::WindowHandle window, int left, int top, int right, int bottom) {
  recorded().push_back({window, left, top, right, bottom});
}

void setNativeDisplay(bool palette, int bitsPerPixel) {
  displayPalette = palette;
  displayBits = bitsPerPixel;
}

}  // namespace chooser

namespace chooser::test {

const std::vector<Invalidation>& invalidations() { return recorded(); }
void clearInvalidations() { recorded().clear(); }

}  // namespace chooser::test
