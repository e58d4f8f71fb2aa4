// Thumbnails of PNG and JPEG textures for the Open Texture dialog's
// preview: the whole picture fitted inside 64 x 64 with its aspect kept.
// The picture is read row by row and averaged into the thumbnail as it
// arrives, so a large texture is never held in memory whole.
#pragma once

#include <cstdint>

namespace texture {

constexpr std::int32_t kThumbnailSide = 64;

struct Thumbnail {
  std::int32_t width;   // 1..kThumbnailSide
  std::int32_t height;  // 1..kThumbnailSide
  std::uint8_t rgb[kThumbnailSide * kThumbnailSide * 3];  // rows of 3 x width bytes, top first
};

// Each thumbnail pixel is the average of the box of source pixels it covers
// (one source pixel when the source is smaller than the thumbnail). Pixels
// may arrive in any order, as the passes of an interlaced PNG bring them.
class ThumbnailAccumulator {
 public:
  // The thumbnail takes its size from the picture's (pictureWidth x
  // pictureHeight) and its pixels from a source of sourceWidth x
  // sourceHeight: the picture itself, or the picture already shrunk by the
  // decoder. False for sides the thumbnail cannot be made of.
  bool start(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t pictureWidth,
             std::int32_t pictureHeight);
  // Adds `count` pixels (packed RGB) of source row y at columns
  // firstX, firstX + stepX, ...
  void addPixels(std::int32_t y, const std::uint8_t* rgb, std::int32_t count, std::int32_t firstX,
                 std::int32_t stepX);
  void finish(Thumbnail* thumbnail) const;

 private:
  // Source columns [spanX[t], spanX[t + 1]) make thumbnail column t, at
  // least one of them; rows likewise.
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t spanX_[kThumbnailSide + 1]{};
  std::int32_t spanY_[kThumbnailSide + 1]{};
  std::uint32_t sums_[kThumbnailSide * kThumbnailSide * 3]{};
  std::uint32_t rowSums_[kThumbnailSide * 3]{};
  std::int32_t sourceWidth_ = 0;
  std::int32_t sourceHeight_ = 0;
};

// The thumbnail's size for a source of width x height.
void fittedThumbnailSize(std::int32_t width, std::int32_t height, std::int32_t* thumbnailWidth,
                         std::int32_t* thumbnailHeight);

// Makes the thumbnail of a PNG or JPEG texture; false for any other file and
// for one that cannot be read whole.
bool makeThumbnail(const char* path, Thumbnail* thumbnail);

// The readers behind makeThumbnail (texture/png_file.cpp,
// texture/jpeg_file.cpp): they start `sums` at the size they decode at and
// add every pixel; false when the file cannot be read to its end.
bool pngThumbnail(const char* path, ThumbnailAccumulator& sums);
bool jpegThumbnail(const char* path, ThumbnailAccumulator& sums);

}  // namespace texture
