// What the preview panel asks of the display, kept apart so that loading a
// preview is the same code on every platform: the Win32 build asks the
// device contexts, native builds answer from settings that tests control.
#pragma once

#include "platform/platform.h"

namespace chooser {

// The window's device context works with a palette (RC_PALETTE among its
// raster capabilities).
bool windowUsesPalette(platform::WindowHandle window);

// The screen has no palette and at most 4 bits per pixel: a 16-colour
// display, which gets the preview made for it.
bool screenIsSixteenColour();

// Invalidates the rectangle (right and bottom excluded) with erasing.
void invalidateArea(platform::WindowHandle window, int left, int top, int right, int bottom);

}  // namespace chooser
