#include "texture/tiff_file.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

#include "platform/utf8.h"

namespace texture {

long tiffScanlinesRead = 0;

namespace {

constexpr int kErrorLevel = 2;
constexpr int kWarningLevel = 1;
constexpr std::size_t kMessageBytes = 256;

void formatTiffMessage(int level, const char* module, const char* format, va_list arguments) {
  char text[kMessageBytes];
  int used = 0;
  if (module != nullptr) used = std::snprintf(text, sizeof text, "%s: ", module);
  if (used < 0) used = 0;
  if (level == kWarningLevel && static_cast<std::size_t>(used) < sizeof text) {
    const int more = std::snprintf(text + used, sizeof text - used, "Warning, ");
    if (more > 0) used += more;
  }
  if (static_cast<std::size_t>(used) < sizeof text - 1 && format != nullptr) {
    std::vsnprintf(text + used, sizeof text - used, format, arguments);
  }
  text[sizeof text - 1] = '\0';
  discardTiffMessage(level, text);
}

void tiffError(const char* module, const char* format, va_list arguments) {
  formatTiffMessage(kErrorLevel, module, format, arguments);
}

void tiffWarning(const char* module, const char* format, va_list arguments) {
  formatTiffMessage(kWarningLevel, module, format, arguments);
}

}  // namespace

void discardTiffMessage(int, const char*) {}

void installTiffMessageHandlers() {
  TIFFSetErrorHandler(tiffError);
  TIFFSetWarningHandler(tiffWarning);
}

namespace {

TIFF* openTiff(const char* path, const char* mode) {
  static bool handlersInstalled = false;
  if (!handlersInstalled) {
    installTiffMessageHandlers();
    handlersInstalled = true;
  }
  if (path == nullptr || path[0] == '\0') return nullptr;
#ifdef _WIN32
  // The core's UTF-8 path as Windows names files; the narrow open would take
  // it in the ANSI code page.
  const platform::WidePath name(path);
  if (!name.ok()) return nullptr;
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return TIFFOpenW(reinterpret_cast<const wchar_t*>(name.get()), mode);
#else
  return TIFFOpen(path, mode);
#endif
}

}  // namespace

TIFF* openTiffForReading(const char* path) { return openTiff(path, "r"); }

TIFF* openTiffForTags(const char* path) { return openTiff(path, "rm"); }

namespace {

bool readScanline(TextureSource* source, std::uint8_t* buffer, std::int32_t row) {
  ++tiffScanlinesRead;
  if (TIFFReadScanline(source->tiff, buffer, static_cast<std::uint32_t>(row), 0) == -1) {
    source->lastTiffRow = -1;
    return false;
  }
  source->lastTiffRow = row;
  return true;
}

}  // namespace

bool readTiffScanline(TextureSource* source, std::uint8_t* buffer, std::int32_t row) {
  if (source == nullptr || source->tiff == nullptr || buffer == nullptr) return false;
  if (row < 0 || row >= source->height) return false;
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(source->tiff, TIFFTAG_COMPRESSION, &compression);
  if (compression != COMPRESSION_NONE) {
    // libtiff decodes a compressed strip only forward from the row it last
    // delivered, and restarts at the strip's first row when asked for an
    // earlier one or for another strip. Rows between there and the one
    // wanted are decoded into the caller's buffer, which the wanted row
    // then overwrites.
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(source->tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > static_cast<std::uint32_t>(source->height)) {
      rowsPerStrip = static_cast<std::uint32_t>(source->height);
    }
    const std::int32_t stripStart = row - static_cast<std::int32_t>(row % rowsPerStrip);
    std::int32_t next = stripStart;
    if (source->lastTiffRow >= stripStart && source->lastTiffRow < row) {
      next = source->lastTiffRow + 1;
    }
    for (; next < row; ++next) {
      if (!readScanline(source, buffer, next)) return false;
    }
  }
  return readScanline(source, buffer, row);
}

}  // namespace texture
