// The display native builds pretend the preview panel draws on: nothing is
// drawn, so its palette and colour depth are a setting. A 16-colour screen
// without a palette is what makes the panel take the 16-colour preview.
#pragma once

namespace chooser {

// Default: no palette, 24 bits per pixel.
void setNativeDisplay(bool palette, int bitsPerPixel);

}  // namespace chooser
