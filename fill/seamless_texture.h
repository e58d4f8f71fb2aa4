// "Make seamless" at Start: a PNG, JPEG, BMP or TIFF texture other than the
// library's is made to tile without a seam right after it is opened, before
// any scaling. Library textures are seamless already and are taken as they
// are.
#pragma once

#include <cstdint>

#include "texture/texture_source.h"

namespace fill {

// Holds the texture whole in memory and makes it seamless, reporting
// progress and polling abort through the source's decode callbacks. Answers
// 1, also when there is nothing to do, or 0 with the result given (and the
// message shown, none for an abort).
int makeOpenedTextureSeamless(texture::TextureSource& source, const char* fileName, std::int16_t* result);

}  // namespace fill
