// The texts the Open Texture dialog shows about a texture file.
#pragma once

#include "texture/texture_source.h"

namespace texture {

constexpr int kLongNameBytes = 64;  // 63 characters and a terminating zero

// "TIFF (24 bit, 512x512)" and the like; empty for a kind without a prefix.
// The text lives in one static buffer that the next call overwrites.
const char* textureInfoLine(const TextureInfo* info);

// Writes the long name (the ImageDescription up to its first ";"; for a PNG
// its "Title" or "Description" text, for a JPEG its first comment, cut the
// same way; else the file name itself when the file is not a TIFF) into
// result (kLongNameBytes bytes). Answers 1 when the file opened as a TIFF,
// else 0.
int textureLongName(const char* name, char* result);

}  // namespace texture
