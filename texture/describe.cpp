#include <tiffio.h>

#include <cstring>

#include "texture/bmp.h"
#include "platform/ascii.h"
#include "texture/texture_source.h"
#include "texture/tiff_file.h"

namespace texture {

namespace {

bool equalsIgnoringCase(const char* text, const char* upper) {
  for (; *text != '\0' && *upper != '\0'; ++text, ++upper) {
    if (platform::upperAscii(*text) != *upper) return false;
  }
  return *text == '\0' && *upper == '\0';
}

// The text after the last "." of the whole path (directories included), or
// null when there is no ".".
const char* extensionOf(const char* path) {
  const char* dot = std::strrchr(path, '.');
  return dot == nullptr ? nullptr : dot + 1;
}

}  // namespace

TextureClass classifyTexturePath(const char* path) {
  if (path == nullptr || path[0] == '\0' || !platform::pathExists(path)) return classMissing;
  const char* extension = extensionOf(path);
  if (extension == nullptr) return classOther;
  if (equalsIgnoringCase(extension, "LRT") || equalsIgnoringCase(extension, "HRT") ||
      equalsIgnoringCase(extension, "TIF")) {
    return classTiff;
  }
  if (equalsIgnoringCase(extension, "BMP")) return classBmp;
  if (equalsIgnoringCase(extension, "PNG")) return classPng;
  if (equalsIgnoringCase(extension, "JPG") || equalsIgnoringCase(extension, "JPEG")) return classJpeg;
  return classOther;
}

void clearTextureInfo(TextureInfo* info) {
  if (info == nullptr) return;
  info->width = 0;
  info->height = 0;
}

int describeTiff(const char* path, TextureInfo* info) {
  if (path == nullptr || info == nullptr || !platform::pathExists(path)) return 0;
  TIFF* tiff = openTiffForReading(path);
  if (tiff == nullptr) return 0;
  std::uint16_t photometric = 0xFFFF;
  std::uint16_t bits = 0;
  std::uint16_t samples = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  const bool hasPhotometric = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) == 1;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFClose(tiff);
  if (!hasPhotometric || photometric > PHOTOMETRIC_PALETTE || bits != 8) return 0;
  switch (samples) {
    case 1: info->kind = kindTiffOneSample; break;
    case 3: info->kind = kindTiffRgb; break;
    case 4: info->kind = kindTiffFourSamples; break;
    default: return 0;
  }
  info->width = static_cast<std::int32_t>(width);
  info->height = static_cast<std::int32_t>(height);
  return 1;
}

int describeBmp(const char* path, TextureInfo* info) {
  if (path == nullptr || info == nullptr) return 0;
  const platform::FileHandle file = platform::openFileForReading(path);
  if (file <= 0) return 0;
  std::uint8_t headers[kFileHeaderBytes + kInfoHeaderBytes];
  const bool complete =
      platform::readFile(file, headers, kFileHeaderBytes) == kFileHeaderBytes &&
      platform::readFile(file, headers + kFileHeaderBytes, kInfoHeaderBytes) == kInfoHeaderBytes;
  platform::closeFile(file);
  if (!complete) return 0;
  const std::uint8_t* infoHeader = headers + kFileHeaderBytes;
  if (!isBmpFileHeader(headers) || !isSupportedBmpInfoHeader(infoHeader)) return 0;
  info->kind = readLittle16(infoHeader + kInfoHeaderBitCount) == 24 ? kindBmp24 : kindBmp8;
  info->width = static_cast<std::int32_t>(readLittle32(infoHeader + kInfoHeaderWidth));
  info->height = static_cast<std::int32_t>(readLittle32(infoHeader + kInfoHeaderHeight));
  return 1;
}

int describeTexture(const char* path, TextureInfo* info) {
  if (info == nullptr) return 0;
  clearTextureInfo(info);
  switch (classifyTexturePath(path)) {
    case classTiff: return describeTiff(path, info);
    case classBmp: return describeBmp(path, info);
    case classPng: return describePng(path, info);
    case classJpeg: return describeJpeg(path, info);
    case classOther: return describeTiff(path, info) ? 1 : describeBmp(path, info);
    default: return 0;
  }
}

namespace {

// Library textures are recognised only in files with the extension "tif".
bool describeLibraryTexture(const char* path, TextureInfo* info) {
  if (path == nullptr) return false;
  const char* extension = extensionOf(path);
  if (extension == nullptr || !equalsIgnoringCase(extension, "TIF")) return false;
  return describeTexture(path, info) != 0;
}

}  // namespace

int isHighResTexture(const char* path) {
  TextureInfo info{};
  if (!describeLibraryTexture(path, &info)) return 0;
  return info.width == 512 && info.height == 512 && info.kind == kindTiffRgb ? 1 : 0;
}

int isLowResTexture(const char* path) {
  TextureInfo info{};
  if (!describeLibraryTexture(path, &info)) return 0;
  return info.width == 128 && info.height == 128 && info.kind == kindTiffOneSample ? 1 : 0;
}

namespace {

std::int32_t squareSide(std::int32_t width, std::int32_t height) {
  return width == height && width >= 64 ? width : 0;
}

}  // namespace

std::int32_t resizableTextureSide(const char* path) {
  const TextureClass type = classifyTexturePath(path);
  if (type != classPng && type != classJpeg) return 0;
  TextureInfo info{};
  if (describeTexture(path, &info) == 0) return 0;
  return squareSide(info.width, info.height);
}

std::int32_t resizableSourceSide(const TextureSource* source) {
  if (source == nullptr) return 0;
  switch (source->kind) {
    case kindPng24:
    case kindPng8:
    case kindJpeg24:
    case kindJpeg8: return squareSide(source->width, source->height);
    default: return 0;
  }
}

}  // namespace texture
