// The Preferences swatch: a corner of a document filled with the texture
// and the options as they stand, redrawn as the user changes them. The
// texture is read once and kept between redraws; only what an option change
// needs is made again.
#pragma once

#include <cstdint>

#include "fill/fill_options.h"

namespace fill {

struct FillPreview;

// Null when memory runs out.
FillPreview* createFillPreview();
void destroyFillPreview(FillPreview* preview);

// Draws `width` x `height` RGB pixels (rows of 3 x width bytes, top row
// first) of a document anchored at its top-left corner and filled with the
// texture at `path` as `options` say. Answers false, the pixels white, when
// the path is empty or the texture cannot be read; never shows a message.
bool drawFillPreview(FillPreview* preview, const char* path, const FillOptions& options, std::int32_t width,
                     std::int32_t height, std::uint8_t* rgb);

}  // namespace fill
