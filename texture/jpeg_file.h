// JPEG textures through libjpeg, read with the platform's file operations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texture/decoded_texture.h"

namespace texture {

// Baseline or progressive, gray or colour (YCbCr or RGB), decoded to 8-bit
// RGB. Four-component files (CMYK, YCCK) are refused. `rgb` holds height
// rows of 3 x width bytes; the file must still be width x height.
DecodeOutcome decodeJpeg(const char* path, std::int32_t width, std::int32_t height,
                         std::uint8_t* rgb, const DecodeProgress& progress);

// True for a readable JPEG whose colour components the decoder refuses.
bool isRefusedJpeg(const char* path);

// The file's first comment (COM segment), at most bytes - 1 bytes of it;
// false when the file is no JPEG or has none.
bool jpegLongText(const char* path, char* text, std::size_t bytes);

}  // namespace texture
