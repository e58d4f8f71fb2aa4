#include "texture/thumbnail.h"

#include <cstring>
#include <new>

#include "platform/platform.h"
#include "texture/decoded_texture.h"
#include "texture/texture_source.h"

namespace texture {
namespace {

// One past the last source column (or row) of box t: a box is never empty.
std::int32_t spanEnd(const std::int32_t* span, std::int32_t t) {
  return span[t + 1] > span[t] ? span[t + 1] : span[t] + 1;
}

}  // namespace

void fittedThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t* thumbnailWidth,
                         std::int32_t* thumbnailHeight) {
  const std::int64_t w = width;
  const std::int64_t h = height;
  std::int64_t tw = kThumbnailSide;
  std::int64_t th = kThumbnailSide;
  if (w > h) th = (kThumbnailSide * h + w / 2) / w;
  if (h > w) tw = (kThumbnailSide * w + h / 2) / h;
  *thumbnailWidth = static_cast<std::int32_t>(tw < 1 ? 1 : tw);
  *thumbnailHeight = static_cast<std::int32_t>(th < 1 ? 1 : th);
}

bool ThumbnailAccumulator::start(std::int32_t sourceWidth, std::int32_t sourceHeight,
                                 std::int32_t pictureWidth, std::int32_t pictureHeight) {
  // The side bound keeps every box sum inside 32 bits.
  if (sourceWidth <= 0 || sourceHeight <= 0 || sourceWidth > kMaxDecodedSide ||
      sourceHeight > kMaxDecodedSide || pictureWidth <= 0 || pictureHeight <= 0) {
    return false;
  }
  sourceWidth_ = sourceWidth;
  sourceHeight_ = sourceHeight;
  fittedThumbnailSize(pictureWidth, pictureHeight, &width_, &height_);
  for (std::int32_t t = 0; t <= width_; ++t) {
    spanX_[t] = static_cast<std::int32_t>(std::int64_t{t} * sourceWidth / width_);
  }
  for (std::int32_t t = 0; t <= height_; ++t) {
    spanY_[t] = static_cast<std::int32_t>(std::int64_t{t} * sourceHeight / height_);
  }
  std::memset(sums_, 0, sizeof sums_);
  return true;
}

void ThumbnailAccumulator::addPixels(std::int32_t y, const std::uint8_t* rgb, std::int32_t count,
                                     std::int32_t firstX, std::int32_t stepX) {
  if (y < 0 || y >= sourceHeight_ || stepX <= 0) return;
  std::memset(rowSums_, 0, sizeof(std::uint32_t) * 3 * static_cast<std::size_t>(width_));
  // Columns arrive in increasing order, so the first box a pixel falls in
  // only moves right; a source smaller than the thumbnail puts one pixel in
  // several boxes.
  std::int32_t first = 0;
  for (std::int32_t i = 0, x = firstX; i < count && x < sourceWidth_; ++i, x += stepX, rgb += 3) {
    while (first < width_ && spanEnd(spanX_, first) <= x) ++first;
    for (std::int32_t t = first; t < width_ && spanX_[t] <= x; ++t) {
      rowSums_[3 * t] += rgb[0];
      rowSums_[3 * t + 1] += rgb[1];
      rowSums_[3 * t + 2] += rgb[2];
    }
  }
  for (std::int32_t t = 0; t < height_; ++t) {
    if (spanY_[t] > y || spanEnd(spanY_, t) <= y) continue;
    std::uint32_t* row = sums_ + 3 * static_cast<std::size_t>(t) * kThumbnailSide;
    for (std::int32_t k = 0; k < 3 * width_; ++k) row[k] += rowSums_[k];
  }
}

void ThumbnailAccumulator::finish(Thumbnail* thumbnail) const {
  thumbnail->width = width_;
  thumbnail->height = height_;
  for (std::int32_t ty = 0; ty < height_; ++ty) {
    const std::uint32_t rows = static_cast<std::uint32_t>(spanEnd(spanY_, ty) - spanY_[ty]);
    const std::uint32_t* sums = sums_ + 3 * static_cast<std::size_t>(ty) * kThumbnailSide;
    std::uint8_t* out = thumbnail->rgb + 3 * static_cast<std::size_t>(ty) * width_;
    for (std::int32_t tx = 0; tx < width_; ++tx) {
      const std::uint32_t n =
          rows * static_cast<std::uint32_t>(spanEnd(spanX_, tx) - spanX_[tx]);
      for (int c = 0; c < 3; ++c) out[3 * tx + c] = static_cast<std::uint8_t>((sums[3 * tx + c] + n / 2) / n);
    }
  }
}

bool makeThumbnail(const char* path, Thumbnail* thumbnail) {
  if (thumbnail == nullptr) return false;
  const TextureClass type = classifyTexturePath(path);
  if (type != classPng && type != classJpeg) return false;
  // The sums are too large for the stack of every host's dialog thread.
  void* memory = platform::allocateMemory(sizeof(ThumbnailAccumulator));
  if (memory == nullptr) return false;
  auto* sums = new (memory) ThumbnailAccumulator();
  const bool made = type == classPng ? pngThumbnail(path, *sums) : jpegThumbnail(path, *sums);
  if (made) sums->finish(thumbnail);
  sums->~ThumbnailAccumulator();
  platform::releaseMemory(memory);
  return made;
}

}  // namespace texture
