// The 64 by 64 preview of the Open Texture dialog: a device-independent
// bitmap (colour table and bottom-up 8-bit rows) loaded from a library
// texture's preview directory, or made from a whole PNG or JPEG texture
// (chooser/thumbnail_dither.h). Loading is portable; drawing is the Win32
// dialog's (chooser/win32/preview_draw.cpp).
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "platform/utf8.h"
#include "texture/texture_source.h"

namespace chooser {

constexpr int kPreviewSide = 64;
constexpr int kPreviewColorEntries = 256;
// Any path that opens fits (platform/utf8.h).
constexpr int kPreviewPathBytes = static_cast<int>(platform::kPathBytes);
constexpr int kPreviewColorBlockBytes = texture::kInfoHeaderBytes + 4 * kPreviewColorEntries;

struct PreviewPanel {
  platform::WindowHandle window;          // the dialog; what is invalidated
  texture::ColorTableBlock* bitmapInfo;   // info header and 256 entries, owned
  int paletteMode;                        // 1: drawn through a logical palette
  char lastPath[kPreviewPathBytes];       // path loaded last; "" after creation
  int enabled;                            // follows the Preview check box
  int x;
  int y;
  int width;
  int height;
  int pixelRowBytes;                      // width rounded up to 4 bytes
  std::uint8_t* pixels;                   // height rows, bottom row first, owned
  // The area the pixels are shown in: width by height unless a scaled
  // display enlarges them.
  int shownWidth;
  int shownHeight;
};

// What a preview directory may occupy: more rows or longer rows than the
// panel's buffer holds are not read.
struct PreviewLimits {
  int rows;
  int rowBytes;
};

// Answers 1, or 0 when memory runs out (the panel is then left without
// buffers).
int createPreviewPanel(PreviewPanel* panel, platform::WindowHandle window, int x, int y, int width,
                       int height);
// Loads the preview of `path` unless it is the path loaded last (letter case
// ignored); invalidates the panel when it is enabled. PNG and JPEG textures
// show their thumbnail, or white when none can be made.
void loadPreview(PreviewPanel* panel, const char* path);
void setPreviewEnabled(PreviewPanel* panel, int on);
// Releases the colour block and the pixels; the panel record is its owner's.
void freePreviewPanel(PreviewPanel* panel);

// Sets `count` colour entries (blue, green, red, reserved) to white.
void fillWhiteColorTable(std::uint8_t* firstEntry, int count);

// Fills `block` from the colour map of the preview directory of `path` (the
// second directory, the third for a sixteen-colour display). Answers 1 when
// it did; 0 for a missing file, no TIFF, no such directory, no colour map or
// a directory beyond `limits`.
int readPreviewColorTable(texture::ColorTableBlock* block, const char* path, bool sixteenColour,
                          PreviewLimits limits);
// Reads the same directory's rows bottom-up into `pixels`. Only paths with
// a TIFF extension are read. Answers 1 when all rows were read.
int readPreviewPixels(const char* path, std::uint8_t* pixels, bool sixteenColour,
                      PreviewLimits limits);

}  // namespace chooser
