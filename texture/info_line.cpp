#include "texture/info_line.h"

#include <tiffio.h>

#include <cstdio>
#include <cstring>

#include "platform/utf8.h"
#include "texture/jpeg_file.h"
#include "texture/png_file.h"
#include "texture/tiff_file.h"

namespace texture {

const char* textureInfoLine(const TextureInfo* info) {
  static char line[128];
  line[0] = '\0';
  if (info == nullptr) return line;
  const char* prefix = nullptr;
  switch (info->kind) {
    case kindTiffRgb: prefix = "TIFF (24 bit, "; break;
    case kindTiffOneSample: prefix = "TIFF (8 bit, "; break;
    case kindBmp24: prefix = "BMP (24 bit, "; break;
    case kindBmp8: prefix = "BMP (8 bit, "; break;
    case kindTiffFourSamples: prefix = "TIFF (32 bit, "; break;
    case kindPng24: prefix = "PNG (24 bit, "; break;
    case kindPng8: prefix = "PNG (8 bit, "; break;
    case kindJpeg24: prefix = "JPEG (24 bit, "; break;
    case kindJpeg8: prefix = "JPEG (8 bit, "; break;
    default: return line;
  }
  std::snprintf(line, sizeof line, "%s%ldx%ld)", prefix, static_cast<long>(info->width),
                static_cast<long>(info->height));
  return line;
}

namespace {

void copyAtMost(char* result, const char* text, std::size_t characters) {
  std::size_t n = 0;
  while (n < characters && text[n] != '\0') {
    result[n] = text[n];
    ++n;
  }
  result[n] = '\0';
}

// Library files keep further fields after the first ";".
void cutAtFieldEnd(char* name) {
  if (char* cut = std::strchr(name, ';')) *cut = '\0';
}

}  // namespace

int textureLongName(const char* name, char* result) {
  if (result == nullptr) return 0;
  result[0] = '\0';
  if (name == nullptr || !platform::pathExists(name)) return 0;
  // A PNG or JPEG without a text of its own goes on as any other file.
  const TextureClass type = classifyTexturePath(name);
  if ((type == classPng && pngLongText(name, result, kLongNameBytes)) ||
      (type == classJpeg && jpegLongText(name, result, kLongNameBytes))) {
    cutAtFieldEnd(result);
    return 0;
  }
  TIFF* tiff = openTiffForTags(name);
  if (tiff == nullptr) {
    // Not a TIFF: the file is listed under its own name, cut at a whole
    // character (names are UTF-8).
    copyAtMost(result, name, kLongNameBytes - 1);
    platform::cutUtf8AtCharacter(result);
    return 0;
  }
  const char* description = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &description) == 1 && description != nullptr) {
    copyAtMost(result, description, kLongNameBytes - 1);
    cutAtFieldEnd(result);
  }
  TIFFClose(tiff);
  return 1;
}

}  // namespace texture
