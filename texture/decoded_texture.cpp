#include "texture/decoded_texture.h"

#include <cstring>

#include "platform/messages.h"
#include "resources/strings.h"
#include "texture/jpeg_file.h"
#include "texture/png_file.h"

namespace texture {

bool decodedSizeAllowed(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0 || width > kMaxDecodedSide || height > kMaxDecodedSide) {
    return false;
  }
  return 3 * width * height <= kMaxDecodedBytes;
}

bool decodeStep(const DecodeProgress& progress, std::int32_t done, std::int32_t total) {
  if (progress.report != nullptr) progress.report(progress.context, done, total);
  return progress.aborted != nullptr && progress.aborted(progress.context);
}

namespace {

// The block a whole texture is held in, RGB rows of 3 x width bytes; null
// after showing 102 for a texture too large or 100 when memory runs out.
std::uint8_t* allocateWholeTexture(const TextureSource* source) {
  if (!decodedSizeAllowed(source->width, source->height)) {
    platform::showTableMessage(IDS_UNSUPPORTED_FORMAT, platform::kBoxOk);
    return nullptr;
  }
  auto* block = static_cast<std::uint8_t*>(platform::allocateMemory(
      3 * static_cast<std::size_t>(source->width) * static_cast<std::size_t>(source->height)));
  if (block == nullptr) platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
  return block;
}

}  // namespace

int openDecodedSource(const char* path, TextureSource* source) {
  std::uint8_t* block = allocateWholeTexture(source);
  if (block == nullptr) return 0;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(source->width);
  const bool png = source->kind == kindPng24 || source->kind == kindPng8;
  const DecodeOutcome outcome =
      png ? decodePng(path, source->width, source->height, block, source->decodeProgress)
          : decodeJpeg(path, source->width, source->height, block, source->decodeProgress);
  if (outcome != decodeDone) {
    platform::releaseMemory(block);
    if (outcome == decodeRefused) platform::showTableMessage(IDS_UNSUPPORTED_FORMAT, platform::kBoxOk);
    if (outcome == decodeAborted) source->decodeAborted = 1;
    return 0;
  }
  source->decoded = block;
  source->rowBytes = static_cast<std::int32_t>(rowBytes);
  source->bufferRowBytes = static_cast<std::int32_t>(rowBytes);
  return 1;
}

int holdWholeTexture(TextureSource* source) {
  if (source == nullptr) return 0;
  if (source->decoded != nullptr) return 1;
  std::uint8_t* block = allocateWholeTexture(source);
  if (block == nullptr) return 0;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(source->width);
  // Rows are read as the fill reads them, into a buffer of the reader's size.
  auto* row = static_cast<std::uint8_t*>(platform::allocateMemory(static_cast<std::size_t>(source->rowBytes)));
  if (row == nullptr) {
    platform::releaseMemory(block);
    platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
    return 0;
  }
  for (std::int32_t y = 0; y < source->height; ++y) {
    if (readTextureRow(source, row, y) == 0) {
      platform::releaseMemory(block);
      platform::releaseMemory(row);
      return 0;
    }
    std::memcpy(block + static_cast<std::size_t>(y) * rowBytes, row, rowBytes);
  }
  platform::releaseMemory(row);
  const TextureSource opened = *source;
  releaseTextureSource(source);
  source->kind = kindHeld;
  source->width = opened.width;
  source->height = opened.height;
  source->sizeChoice = opened.sizeChoice;
  source->tileOrigin = opened.tileOrigin;
  source->decodeProgress = opened.decodeProgress;
  source->decoded = block;
  source->rowBytes = static_cast<std::int32_t>(rowBytes);
  source->bufferRowBytes = static_cast<std::int32_t>(rowBytes);
  return 1;
}

bool copyDecodedRow(const TextureSource* source, std::int32_t row, std::uint8_t* destination) {
  if (source->decoded == nullptr || destination == nullptr || row < 0 || row >= source->height) {
    return false;
  }
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(source->width);
  std::memcpy(destination, source->decoded + static_cast<std::size_t>(row) * rowBytes, rowBytes);
  return true;
}

}  // namespace texture
