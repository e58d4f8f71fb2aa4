// Windows bitmaps read with plain file operations: headers, colour table
// and one stored row at a time.
#pragma once

#include <cstdint>

#include "texture/little_endian.h"
#include "texture/texture_source.h"

namespace texture {

constexpr int kFileHeaderBytes = 14;
constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr int kInfoHeaderWidth = 4;            // 32-bit signed
constexpr int kInfoHeaderHeight = 8;           // 32-bit signed; negative: top-down
constexpr int kInfoHeaderCompression = 16;     // 32-bit

// The checks every reader of a bitmap makes: the file header's "BM"
// signature, and an info header of the 40-byte kind with 8 or 24 bits a
// pixel (the only layouts rows can be read from).
bool isBmpFileHeader(const std::uint8_t* fileHeader);
bool isSupportedBmpInfoHeader(const ColorTableBlock* infoHeader);

// Opens the file, reads its headers and colour table into colorTable, sets
// bmpFile, bmpDataOffset, expansion and colorCount. On failure shows its
// message, leaves nothing open and answers 0.
int openBmp(const char* path, TextureSource* source);
void closeBmp(TextureSource* source);
// Reads stored row `storedRow` (file order) into destination, which holds
// the stored row size; padding past the end of a short file reads as zero.
int readBmpRow(TextureSource* source, std::int32_t storedRow, std::uint8_t* destination);
// Colour-table entries an 8-bit bitmap's header lists (at most 256); 0 for
// other bit counts.
std::int32_t bmpColorCount(const ColorTableBlock* header);
// Bytes of one stored row: width x bit count rounded up to 32 bits; -1 when
// that does not fit 32 bits or the width is not positive.
std::int64_t bmpStoredRowBytes(std::int32_t width, std::int32_t bitCount);
// True when the bitmap's rows are stored top row first (negative biHeight).
bool bmpTopDown(const TextureSource* source);

}  // namespace texture
