#include "texture/png_file.h"

#include <png.h>

#include "platform/platform.h"
#include "texture/thumbnail.h"

namespace texture {

namespace {

constexpr std::size_t kSignatureBytes = 8;

// Chunks the rows do not need. libpng would buffer each whole (a text chunk
// may claim a gigabyte in a file of a few hundred bytes) and inflate the
// compressed ones; left alone, they are skipped. The long name reads the
// text chunks itself.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0";
// No chunk libpng still buffers (palette, transparency, small fixed fields)
// comes near this.
constexpr png_alloc_size_t kChunkBytesMax = 64 * 1024;

// libpng reports its errors by longjmp back to the setjmp of the function
// that called it; its warnings are of no use to anyone here.
[[noreturn]] void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

void readThroughPlatform(png_structp png, png_bytep data, png_size_t length) {
  const auto* file = static_cast<const platform::FileHandle*>(png_get_io_ptr(png));
  png_size_t done = 0;
  while (done < length) {
    const std::int32_t got =
        platform::readFile(*file, data + done, static_cast<std::uint32_t>(length - done));
    if (got <= 0) png_error(png, "short read");
    done += static_cast<png_size_t>(got);
  }
}

// The open file and libpng's records, released together however the
// reading ends.
struct PngReader {
  platform::FileHandle file = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;

  PngReader() = default;
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  ~PngReader() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (file > 0) platform::closeFile(file);
  }

  // Opens the file, checks the signature and sets libpng up to read the rest.
  bool start(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    file = platform::openFileForReading(path);
    if (file <= 0) return false;
    png_byte signature[kSignatureBytes];
    if (platform::readFile(file, signature, kSignatureBytes) != static_cast<std::int32_t>(kSignatureBytes) ||
        png_sig_cmp(signature, 0, kSignatureBytes) != 0) {
      return false;
    }
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (png == nullptr) return false;
    info = png_create_info_struct(png);
    if (info == nullptr) return false;
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks,
                                static_cast<int>(sizeof kSkippedChunks / 5));
    png_set_chunk_malloc_max(png, kChunkBytesMax);
    png_set_read_fn(png, &file, readThroughPlatform);
    png_set_sig_bytes(png, static_cast<int>(kSignatureBytes));
    return true;
  }
};

// Every layout is read as 8-bit RGB rows.
void setRgbOutput(png_structp png, png_infop info) {
  const int colorType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  // Rounds v to (v * 255 + 32767) / 65535, where dropping the low byte
  // would darken.
  if (depth == 16) png_set_scale_16(png);
  png_set_strip_alpha(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
}

// Adds the rows of an interlaced image pass by pass, each pixel where the
// pass puts it, so that no more than one row is ever held.
void addInterlacedRows(png_structp png, std::int32_t width, std::int32_t height,
                       std::uint8_t* row, ThumbnailAccumulator& sums) {
  for (int pass = 0; pass < 7; ++pass) {
    const auto columns = static_cast<std::int32_t>(PNG_PASS_COLS(width, pass));
    const auto rows = static_cast<std::int32_t>(PNG_PASS_ROWS(height, pass));
    if (columns == 0 || rows == 0) continue;
    for (std::int32_t r = 0; r < rows; ++r) {
      png_read_row(png, row, nullptr);
      sums.addPixels(static_cast<std::int32_t>(PNG_ROW_FROM_PASS_ROW(r, pass)), row, columns,
                     static_cast<std::int32_t>(PNG_PASS_START_COL(pass)),
                     1 << PNG_PASS_COL_SHIFT(pass));
    }
  }
}

}  // namespace

bool pngThumbnail(const char* path, ThumbnailAccumulator& sums) {
  PngReader reader;
  if (!reader.start(path)) return false;
  // Volatile: it is set after the setjmp and must survive the jump back.
  std::uint8_t* volatile row = nullptr;
  if (setjmp(png_jmpbuf(reader.png))) {
    platform::releaseMemory(row);
    return false;
  }
  png_structp png = reader.png;
  png_read_info(png, reader.info);
  const auto width = static_cast<std::int32_t>(png_get_image_width(png, reader.info));
  const auto height = static_cast<std::int32_t>(png_get_image_height(png, reader.info));
  if (!sums.start(width, height, width, height)) return false;
  setRgbOutput(png, reader.info);
  png_read_update_info(png, reader.info);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  if (png_get_rowbytes(png, reader.info) != rowBytes) return false;
  row = static_cast<std::uint8_t*>(platform::allocateMemory(rowBytes));
  if (row == nullptr) return false;
  if (png_get_interlace_type(png, reader.info) == PNG_INTERLACE_ADAM7) {
    addInterlacedRows(png, width, height, row, sums);
  } else {
    for (std::int32_t y = 0; y < height; ++y) {
      png_read_row(png, row, nullptr);
      sums.addPixels(y, row, width, 0, 1);
    }
  }
  platform::releaseMemory(row);
  return true;
}

int describePng(const char* path, TextureInfo* info) {
  if (info == nullptr) return 0;
  PngReader reader;
  if (!reader.start(path)) return 0;
  if (setjmp(png_jmpbuf(reader.png))) return 0;
  png_read_info(reader.png, reader.info);
  const int colorType = png_get_color_type(reader.png, reader.info);
  const bool colour = (colorType & PNG_COLOR_MASK_COLOR) != 0 && colorType != PNG_COLOR_TYPE_PALETTE;
  info->kind = colour ? kindPng24 : kindPng8;
  info->width = static_cast<std::int32_t>(png_get_image_width(reader.png, reader.info));
  info->height = static_cast<std::int32_t>(png_get_image_height(reader.png, reader.info));
  return 1;
}

DecodeOutcome decodePng(const char* path, std::int32_t width, std::int32_t height,
                        std::uint8_t* rgb, const DecodeProgress& progress) {
  PngReader reader;
  if (!reader.start(path)) return decodeFailed;
  if (setjmp(png_jmpbuf(reader.png))) return decodeFailed;
  png_structp png = reader.png;
  png_read_info(png, reader.info);
  if (png_get_image_width(png, reader.info) != static_cast<png_uint_32>(width) ||
      png_get_image_height(png, reader.info) != static_cast<png_uint_32>(height)) {
    return decodeFailed;
  }
  setRgbOutput(png, reader.info);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, reader.info);
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  if (png_get_rowbytes(png, reader.info) != rowBytes) return decodeFailed;

  // Each pass of an interlaced image adds its pixels to the rows the earlier
  // passes left in the block.
  const std::int32_t total = passes * height;
  for (int pass = 0; pass < passes; ++pass) {
    for (std::int32_t y = 0; y < height; ++y) {
      png_read_row(png, rgb + static_cast<std::size_t>(y) * rowBytes, nullptr);
      if (decodeStep(progress, pass * height + y + 1, total)) return decodeAborted;
    }
  }
  return decodeDone;
}

}  // namespace texture
