// A 5 by 7 pixel font for captions on the contact sheet: digits, capital
// letters (small ones are drawn as capitals) and common punctuation.
#pragma once

#include <string>

#include "tools/texfill/image.h"

namespace texfill {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one column of space between glyphs

// Draws `text` with its top-left corner at (x, y), each font pixel a
// scale x scale block in `colour` (RGB images only); clipped to the image.
void drawText(Image& image, int x, int y, const std::string& text, int scale,
              const std::uint8_t colour[3]);
int textWidth(const std::string& text, int scale);

}  // namespace texfill
