// Test view of the native display: the invalidations it received.
#pragma once

#include <vector>

#include "chooser/posix/preview_display_posix.h"
#include "platform/platform.h"

namespace chooser::test {

struct Invalidation {
  platform::WindowHandle window;
  int left;
  int top;
  int right;
  int bottom;
};

const std::vector<Invalidation>& invalidations();
void clearInvalidations();

}  // namespace chooser::test
