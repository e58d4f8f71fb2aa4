// The texture chosen for the current run, opened for filling, and the
// questions that can be asked about a texture file without opening it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

typedef struct tiff TIFF;  // libtiff's opaque handle

struct WrapResampler;

namespace texture {

enum TextureKind : std::int32_t {
  kindNone = 0,
  kindTiffRgb = 1,
  kindTiffOneSample = 2,
  kindBmp24 = 3,
  kindBmp8 = 4,
  kindTiffFourSamples = 6,
  kindPrescaled = 7,
  // Decoded at open into memory; rows come from the decoded block.
  kindPng24 = 8,
  kindPng8 = 9,  // gray or palette
  kindJpeg24 = 10,
  kindJpeg8 = 11,
  // A TIFF or BMP read whole into memory (to be made seamless), served as a
  // decoded PNG is; no size choice applies to it.
  kindHeld = 12,
};

enum TextureClass : std::uint32_t {
  classMissing = 100,
  classOther = 101,
  classTiff = 102,
  classBmp = 103,
  classPng = 104,
  classJpeg = 105,
};

enum RowExpansion : std::int32_t {
  expansionNone = 0,
  expansionColorTable = 1,
  expansionGray = 2,
  expansionInvertedGray = 3,
};

struct TextureInfo {
  std::int32_t kind;
  std::int32_t width;
  std::int32_t height;
};

// A BITMAPINFOHEADER (40 bytes, little-endian) followed by RGBQUAD entries
// (blue, green, red, reserved). Accessed by byte offset, never as a struct,
// so the layout is the file's on every platform.
constexpr int kInfoHeaderBytes = 40;
constexpr int kInfoHeaderBitCount = 14;   // 16-bit
constexpr int kInfoHeaderClrUsed = 32;    // 32-bit
using ColorTableBlock = std::uint8_t;

// How a decode at open reports progress and learns that the user wants to
// stop: plain callbacks, so this layer needs nothing of the host. Either may
// be null.
struct DecodeProgress {
  void (*report)(void* context, std::int32_t done, std::int32_t total);
  bool (*aborted)(void* context);
  void* context;
};

struct TextureSource {
  std::int32_t kind;
  std::int32_t expansion;
  platform::FileHandle bmpFile;
  TIFF* tiff;
  std::uint32_t bmpDataOffset;
  std::int32_t width;
  std::int32_t height;
  WrapResampler* resampler;
  std::int32_t sizeChoice;
  std::int32_t upscale;
  std::int32_t scaledWidth;
  std::int32_t scaledHeight;
  std::int32_t tileOrigin;
  std::int32_t phaseOffset;
  std::int32_t nextRow;
  std::int32_t rowBytes;
  std::int32_t bufferRowBytes;
  std::uint8_t* rowBuffer;
  std::uint8_t* prescaled;
  ColorTableBlock* colorTable;
  // Number of entries the colour table holds (the file may list fewer than
  // an 8-bit index can address); indices at or beyond it read as black.
  std::int32_t colorCount;
  // Last TIFF scanline decoded, -1 when none. A compressed strip can only be
  // decoded forward from its first row, so rows skipped inside a strip are
  // read through from here.
  std::int32_t lastTiffRow;
  // Gray documents: each delivered row converted to gray once and kept, so
  // that a texture repeated down a tall document is read and converted once
  // per row. scaledHeight flags (1 = row kept) followed by scaledHeight rows
  // of scaledWidth bytes; owned, set up with the row buffer.
  std::uint8_t* grayRows;
  // PNG and JPEG: the whole texture, decoded at open, height rows of
  // 3 x width bytes; owned.
  std::uint8_t* decoded;
  // Set by the caller before openTextureSource; zero: no progress, no abort.
  DecodeProgress decodeProgress;
  // 1 when the open failed because the decode was aborted.
  std::int32_t decodeAborted;
  // Horizontal repeat (and band height) of an enlarged texture, set by the
  // scaling; 0 leaves it to the size choice of a library texture.
  std::int32_t replication;
};

// Description (silent: no messages, no file left open).
TextureClass classifyTexturePath(const char* path);
void clearTextureInfo(TextureInfo* info);
int describeTexture(const char* path, TextureInfo* info);
int describeTiff(const char* path, TextureInfo* info);
int describeBmp(const char* path, TextureInfo* info);
int describePng(const char* path, TextureInfo* info);
int describeJpeg(const char* path, TextureInfo* info);
int isHighResTexture(const char* path);
int isLowResTexture(const char* path);
// The side of a square PNG or JPEG texture of at least 64 pixels, which the
// size choices can scale; 0 for every other file.
std::int32_t resizableTextureSide(const char* path);
// The same for an opened texture, from what the open found: a second look
// at the file could fail where the open did not, and scale the fill
// differently without a word.
std::int32_t resizableSourceSide(const TextureSource* source);

// The row source.
void clearTextureSource(TextureSource* source);
int openTextureSource(const char* path, TextureSource* source);
int readTextureRow(TextureSource* source, std::uint8_t* buffer, std::int32_t row);
// Unscaled row `row` as RGB (3 x width bytes): what a resampler attached to
// the source reads. 0, or -1 on failure.
int fetchSourceRow(TextureSource* source, std::int32_t row, std::uint8_t* destination);
int prerollTiff(TextureSource* source, std::int32_t rows);
int releaseTextureSource(TextureSource* source);

// Pixel helpers, shared with the preview panel.
void expandToRgb(const std::uint8_t* input, std::int32_t count, const ColorTableBlock* table,
                 std::int32_t tableEntries, std::uint8_t* output, bool invert);
void swapRedBlue(std::uint8_t* row, std::int32_t pixels);
// Fills count, bit count and entries of `block` (room for 256 entries) from
// the current directory's ColorMap; 0 when a colour-map array is missing or
// the directory has more than 8 bits per sample.
int fillColorTableFromTiff(ColorTableBlock* block, TIFF* tiff);
ColorTableBlock* colorTableFromTiff(TIFF* tiff);

// Routes libtiff's error and warning texts to a handler that discards them.
void installTiffMessageHandlers();

}  // namespace texture
