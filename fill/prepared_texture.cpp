#include "fill/prepared_texture.h"

#include <cstring>

#include "fill/gray_conversion.h"
#include "fill/pixel_layout.h"
#include "fill/prepare_scaling.h"
#include "fill/result_codes.h"
#include "fill/start_setup.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resources/strings.h"

namespace fill {
namespace {

int fail(std::int16_t* result, std::int16_t code, int message, std::uint8_t* row, PreparedTexture& prepared) {
  platform::releaseMemory(row);
  releasePreparedTexture(prepared);
  *result = code;
  if (message != 0) platform::showTableMessage(message, platform::kBoxOk);
  return 0;
}

// Texel i of `row` at texels i r .. i r + r - 1.
void replicateRow(const std::uint8_t* row, std::int32_t texels, std::int32_t channels, std::int32_t r,
                  std::uint8_t* out) {
  for (std::int32_t i = 0; i < texels; ++i) {
    for (std::int32_t copy = 0; copy < r; ++copy) {
      std::memcpy(out, row + static_cast<std::size_t>(i) * channels, static_cast<std::size_t>(channels));
      out += channels;
    }
  }
}

}  // namespace

int readPreparedTexture(FillJob& job, HostView& view, std::int32_t channels, PreparedTexture& prepared,
                        std::int16_t* result) {
  prepared = PreparedTexture{};
  texture::TextureSource& source = job.source;
  const std::int32_t r = source.upscale != 0 && source.replication > 1 ? source.replication : 1;
  const std::int64_t width = static_cast<std::int64_t>(source.scaledWidth) * r;
  const std::int64_t height = static_cast<std::int64_t>(source.scaledHeight) * r;
  const std::int64_t rowBytes = width * channels;
  // Blocks are indexed with 32-bit sizes in the samplers.
  if (source.scaledWidth <= 0 || source.scaledHeight <= 0 || height > 65536 || rowBytes * height > 0x7FFFFFFF) {
    return fail(result, memFullErr, IDS_OUT_OF_MEMORY, nullptr, prepared);
  }
  std::int64_t readBytes = 3 * static_cast<std::int64_t>(source.scaledWidth);
  if (readBytes < source.rowBytes) readBytes = source.rowBytes;
  auto* row = static_cast<std::uint8_t*>(platform::allocateMemory(static_cast<std::size_t>(readBytes)));
  prepared.pixels = static_cast<std::uint8_t*>(platform::allocateMemory(static_cast<std::size_t>(rowBytes * height)));
  if (row == nullptr || prepared.pixels == nullptr) return fail(result, memFullErr, IDS_OUT_OF_MEMORY, row, prepared);
  prepared.block = TexelBlock{prepared.pixels, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                              channels, static_cast<std::int32_t>(rowBytes)};

  job.rowsTotal += source.scaledHeight;
  for (std::int32_t y = 0; y < source.scaledHeight; ++y) {
    hostProgress(view, job.rowsDone, job.rowsTotal);
    job.rowsDone += 1;
    if (texture::readTextureRow(&source, row, y) == 0) {
      return fail(result, readErr, IDS_READ_ERROR, row, prepared);
    }
    if (channels == 1) grayFromRgb(row, row, source.scaledWidth);
    std::uint8_t* out = prepared.pixels + static_cast<std::size_t>(y) * r * static_cast<std::size_t>(rowBytes);
    replicateRow(row, source.scaledWidth, channels, r, out);
    for (std::int32_t copy = 1; copy < r; ++copy) {
      std::memcpy(out + static_cast<std::size_t>(copy) * rowBytes, out, static_cast<std::size_t>(rowBytes));
    }
    if (hostAborted(view)) return fail(result, userCancelled, 0, row, prepared);
  }
  platform::releaseMemory(row);
  return 1;
}

int prepareWholeTexture(FillJob& job, HostView& view, PreparedTexture& prepared, std::int16_t* result) {
  prepared = PreparedTexture{};
  requestPlanes(job, view, result);
  if (*result != noErr) return 0;
  view.outLoPlane = view.inLoPlane;
  view.outHiPlane = view.inHiPlane;
  sizeTexture(job.source, scalingFactors(job.fileName, job.source));
  if (prepareScaling(job.fileName, job, view, result) == 0) return 0;
  return readPreparedTexture(job, view, pixelLayoutOf(view).colourPlanes, prepared, result);
}

std::int32_t computedBandRows(const HostView& view) {
  constexpr std::int32_t kBandPixels = 1 << 19;
  const std::int32_t width = view.filterRect.right - view.filterRect.left;
  if (width <= 0) return 1;
  const std::int32_t rows = (kBandPixels + width - 1) / width;
  return rows < 1 ? 1 : rows;
}

void releasePreparedTexture(PreparedTexture& prepared) {
  platform::releaseMemory(prepared.pixels);
  prepared = PreparedTexture{};
}

}  // namespace fill
