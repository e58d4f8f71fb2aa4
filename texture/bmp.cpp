#include "texture/bmp.h"

#include <cstring>
#include <limits>

#include "platform/messages.h"
#include "resources/strings.h"

namespace texture {

bool isBmpFileHeader(const std::uint8_t* fileHeader) {
  return readLittle16(fileHeader) == kBitmapType;
}

bool isSupportedBmpInfoHeader(const ColorTableBlock* infoHeader) {
  const std::uint16_t bitCount = readLittle16(infoHeader + kInfoHeaderBitCount);
  return readLittle32(infoHeader) == kInfoHeaderBytes && (bitCount == 8 || bitCount == 24);
}

std::int32_t bmpColorCount(const ColorTableBlock* header) {
  if (header == nullptr || readLittle16(header + kInfoHeaderBitCount) != 8) return 0;
  // An 8-bit index reaches 256 entries at most; a larger count listed in the
  // header is not read.
  const std::uint32_t listed = readLittle32(header + kInfoHeaderClrUsed);
  return listed == 0 || listed > 256 ? 256 : static_cast<std::int32_t>(listed);
}

std::int64_t bmpStoredRowBytes(std::int32_t width, std::int32_t bitCount) {
  if (width <= 0 || bitCount <= 0) return -1;
  const std::int64_t bytes = (static_cast<std::int64_t>(width) * bitCount + 31) / 32 * 4;
  return bytes > std::numeric_limits<std::int32_t>::max() ? -1 : bytes;
}

bool bmpTopDown(const TextureSource* source) {
  return source != nullptr && source->colorTable != nullptr &&
         static_cast<std::int32_t>(readLittle32(source->colorTable + kInfoHeaderHeight)) < 0;
}

namespace {

int failOpen(TextureSource* source, unsigned message, ColorTableBlock* block) {
  platform::showTableMessage(message, platform::kBoxOk);
  platform::closeFile(source->bmpFile);
  source->bmpFile = 0;
  platform::releaseMemory(block);
  return 0;
}

}  // namespace

int openBmp(const char* path, TextureSource* source) {
  const platform::FileHandle file = platform::openFileForReading(path);
  if (file <= 0) {
    platform::showTableMessageFormatted(IDS_CANNOT_FIND_FILE, platform::kBoxOk,
                                    path != nullptr ? path : "");
    return 0;
  }
  source->bmpFile = file;
  if (platform::seekFile(file, 0) != 0) return failOpen(source, IDS_READ_ERROR, nullptr);

  std::uint8_t fileHeader[kFileHeaderBytes];
  if (platform::readFile(file, fileHeader, sizeof fileHeader) != kFileHeaderBytes) {
    return failOpen(source, IDS_READ_ERROR, nullptr);
  }
  if (!isBmpFileHeader(fileHeader)) return failOpen(source, IDS_UNSUPPORTED_FORMAT, nullptr);
  source->bmpDataOffset = readLittle32(fileHeader + 10);

  auto* block = static_cast<ColorTableBlock*>(platform::allocateMemory(kInfoHeaderBytes));
  if (block == nullptr) return failOpen(source, IDS_OUT_OF_MEMORY, nullptr);
  if (platform::readFile(file, block, kInfoHeaderBytes) != kInfoHeaderBytes ||
      !isSupportedBmpInfoHeader(block)) {
    return failOpen(source, IDS_UNSUPPORTED_FORMAT, block);
  }

  // A colour table listed in a 24-bit file is not needed and not read.
  const std::int32_t entries = bmpColorCount(block);
  if (entries == 0) {
    source->colorTable = block;
    source->colorCount = 0;
    return 1;
  }
  const std::size_t tableBytes = 4 * static_cast<std::size_t>(entries);
  auto* grown = static_cast<ColorTableBlock*>(
      platform::resizeMemory(block, kInfoHeaderBytes + tableBytes));
  if (grown == nullptr) return failOpen(source, IDS_UNSUPPORTED_FORMAT, block);
  block = grown;
  // The entries follow the info header directly, where the file now stands.
  if (platform::readFile(file, block + kInfoHeaderBytes, static_cast<std::uint32_t>(tableBytes)) !=
      static_cast<std::int32_t>(tableBytes)) {
    return failOpen(source, IDS_UNSUPPORTED_FORMAT, block);
  }
  source->expansion = expansionColorTable;
  source->colorTable = block;
  source->colorCount = entries;
  return 1;
}

void closeBmp(TextureSource* source) {
  if (source == nullptr) return;
  if (source->bmpFile > 0) platform::closeFile(source->bmpFile);
  source->bmpFile = 0;
  platform::releaseMemory(source->colorTable);
  source->colorTable = nullptr;
  source->colorCount = 0;
}

int readBmpRow(TextureSource* source, std::int32_t storedRow, std::uint8_t* destination) {
  if (source == nullptr || source->bmpFile <= 0 || destination == nullptr) return 0;
  const std::int32_t bitCount = source->kind == kindBmp24 ? 24 : 8;
  const std::int64_t rowSize = bmpStoredRowBytes(source->width, bitCount);
  if (rowSize < 0 || storedRow < 0 || storedRow >= source->height) return 0;
  const std::int64_t offset = source->bmpDataOffset + storedRow * rowSize;
  if (offset > std::numeric_limits<std::int32_t>::max()) return 0;
  if (platform::seekFile(source->bmpFile, static_cast<std::int32_t>(offset)) !=
      static_cast<std::int32_t>(offset)) {
    return 0;
  }
  const std::int32_t read =
      platform::readFile(source->bmpFile, destination, static_cast<std::uint32_t>(rowSize));
  if (read <= 0) return 0;
  // A file cut short inside its last row: the missing bytes read as black.
  if (read < rowSize) std::memset(destination + read, 0, static_cast<std::size_t>(rowSize - read));
  return 1;
}

}  // namespace texture
