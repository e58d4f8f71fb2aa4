// PNG textures through libpng, read with the platform's file operations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/decoded_texture.h"

namespace texture {

// Every colour type and bit depth becomes 8-bit RGB: palettes expanded, gray
// repeated, 16-bit samples rounded, alpha dropped with the colour kept as
// stored; interlaced images are put together. `rgb` holds height rows of
// 3 x width bytes; the file must still be width x height.
DecodeOutcome decodePng(const char* path, std::int32_t width, std::int32_t height,
                        std::uint8_t* rgb, const DecodeProgress& progress);

// The text of the "Title" keyword, else of "Description" (tEXt, zTXt or
// iTXt chunks, before or after the image data), at most bytes - 1 bytes of
// it; false when the file is no PNG or has neither. Walks the chunks without
// decoding the image.
bool pngLongText(const char* path, char* text, std::size_t bytes);

}  // namespace texture
