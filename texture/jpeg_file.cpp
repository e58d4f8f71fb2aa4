#include "texture/jpeg_file.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstdint>

#include "platform/platform.h"
#include "texture/thumbnail.h"

namespace texture {

namespace {

constexpr std::size_t kInputBytes = 16384;
constexpr int kCommentMarker = JPEG_COM;
constexpr unsigned kLongestComment = 0xFFFF;
constexpr std::int32_t kProgressSteps = 1000;
// A progressive file's coefficients are kept whole, two bytes a sample,
// whatever the output: for the largest texture decodedSizeAllowed admits,
// twice its RGB rows. Without a bound, a few hundred bytes claiming 30000 x
// 30000 pixels had libjpeg take and clear gigabytes for a thumbnail; over
// the bound libjpeg fails at once, as it has nowhere to page to.
constexpr long kLibjpegMemoryMax = static_cast<long>(2 * kMaxDecodedBytes + (16 << 20));
// A thumbnail is made whenever the chooser passes over a file, so its bound
// also scales with the file: real photographs and textures hold far more
// than a byte of compressed data per thousand bytes of coefficients, while
// a few hundred bytes claiming 17000 x 17000 pixels still had libjpeg take
// and clear 850 MB under the bound above. Below 64 MB (a progressive colour
// picture of about 3300 x 3300) any file is taken.
constexpr long kThumbnailMemoryFloor = 64L << 20;
constexpr std::uint64_t kCoefficientBytesPerFileByte = 1024;

long thumbnailMemoryMax(const char* path) {
  platform::FileStamp stamp{};
  if (!platform::fileStamp(path, &stamp)) return kThumbnailMemoryFloor;
  if (stamp.size >= static_cast<std::uint64_t>(kLibjpegMemoryMax) / kCoefficientBytesPerFileByte) {
    return kLibjpegMemoryMax;
  }
  const auto scaled = static_cast<long>(stamp.size * kCoefficientBytesPerFileByte);
  return scaled > kThumbnailMemoryFloor ? scaled : kThumbnailMemoryFloor;
}

// libjpeg reports its errors by longjmp back to the function that called
// it; its warnings and messages are of no use to anyone here.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void jpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}
void jpegMessage(j_common_ptr) {}
void jpegNotice(j_common_ptr, int) {}

// Compressed data through the platform's file reads. A file that ends early
// is an error rather than the image's remainder in gray.
struct FileInput {
  jpeg_source_mgr manager;
  platform::FileHandle file;
  JOCTET buffer[kInputBytes];
};

void startInput(j_decompress_ptr) {}
void endInput(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info) {
  auto* input = reinterpret_cast<FileInput*>(info->src);
  const std::int32_t got = platform::readFile(input->file, input->buffer, kInputBytes);
  if (got <= 0) ERREXIT(info, JERR_INPUT_EOF);
  input->manager.next_input_byte = input->buffer;
  input->manager.bytes_in_buffer = static_cast<std::size_t>(got);
  return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
  auto* input = reinterpret_cast<FileInput*>(info->src);
  while (count > static_cast<long>(input->manager.bytes_in_buffer)) {
    count -= static_cast<long>(input->manager.bytes_in_buffer);
    fillInput(info);
  }
  if (count > 0) {
    input->manager.next_input_byte += count;
    input->manager.bytes_in_buffer -= static_cast<std::size_t>(count);
  }
}

struct JpegProgress {
  jpeg_progress_mgr manager;
  const DecodeProgress* progress;
  bool aborted;
};

void reportProgress(j_common_ptr info);

// The open file and libjpeg's records, released together however the
// reading ends. The error record's jump buffer must be set by the caller
// before any libjpeg call that can fail.
struct JpegReader {
  JpegError error{};
  jpeg_decompress_struct info{};
  FileInput input{};
  JpegProgress monitor{};
  bool created = false;

  JpegReader() = default;
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;
  ~JpegReader() {
    if (created) jpeg_destroy_decompress(&info);
    if (input.file > 0) platform::closeFile(input.file);
  }

  bool open(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    input.file = platform::openFileForReading(path);
    return input.file > 0;
  }

  // Creates the decompressor; call under the caller's setjmp.
  void create(const DecodeProgress* progress) {
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegError;
    error.manager.output_message = jpegMessage;
    error.manager.emit_message = jpegNotice;
    jpeg_create_decompress(&info);
    created = true;
    info.mem->max_memory_to_use = kLibjpegMemoryMax;
    input.manager.init_source = startInput;
    input.manager.fill_input_buffer = fillInput;
    input.manager.skip_input_data = skipInput;
    input.manager.resync_to_restart = jpeg_resync_to_restart;
    input.manager.term_source = endInput;
    info.src = &input.manager;
    if (progress != nullptr) {
      monitor.manager.progress_monitor = reportProgress;
      monitor.progress = progress;
      info.progress = &monitor.manager;
    }
  }
};

// libjpeg counts passes (several for a progressive file) and units within
// the pass; the host sees them as one count of kProgressSteps per pass.
void reportProgress(j_common_ptr info) {
  auto* monitor = reinterpret_cast<JpegProgress*>(info->progress);
  const jpeg_progress_mgr& m = monitor->manager;
  const std::int32_t passes = m.total_passes > 0 ? m.total_passes : 1;
  const long within = m.pass_limit > 0 ? m.pass_counter * kProgressSteps / m.pass_limit : 0;
  const auto done = static_cast<std::int32_t>(m.completed_passes * kProgressSteps + within);
  if (decodeStep(*monitor->progress, done, passes * kProgressSteps)) {
    monitor->aborted = true;
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
  }
}

bool refusedColorSpace(J_COLOR_SPACE space) { return space == JCS_CMYK || space == JCS_YCCK; }

}  // namespace

int describeJpeg(const char* path, TextureInfo* info) {
  if (info == nullptr) return 0;
  JpegReader reader;
  if (!reader.open(path)) return 0;
  if (setjmp(reader.error.jump)) return 0;
  reader.create(nullptr);
  jpeg_read_header(&reader.info, TRUE);
  const int components = reader.info.num_components;
  if (refusedColorSpace(reader.info.jpeg_color_space) || (components != 1 && components != 3)) {
    return 0;
  }
  info->kind = components == 1 ? kindJpeg8 : kindJpeg24;
  info->width = static_cast<std::int32_t>(reader.info.image_width);
  info->height = static_cast<std::int32_t>(reader.info.image_height);
  return 1;
}

bool isRefusedJpeg(const char* path) {
  JpegReader reader;
  if (!reader.open(path)) return false;
  if (setjmp(reader.error.jump)) return false;
  reader.create(nullptr);
  jpeg_read_header(&reader.info, TRUE);
  return refusedColorSpace(reader.info.jpeg_color_space) || reader.info.num_components == 4;
}

DecodeOutcome decodeJpeg(const char* path, std::int32_t width, std::int32_t height,
                         std::uint8_t* rgb, const DecodeProgress& progress) {
  JpegReader reader;
  if (!reader.open(path)) return decodeFailed;
  if (setjmp(reader.error.jump)) return reader.monitor.aborted ? decodeAborted : decodeFailed;
  reader.create(&progress);
  jpeg_decompress_struct& info = reader.info;
  jpeg_read_header(&info, TRUE);
  if (refusedColorSpace(info.jpeg_color_space)) return decodeRefused;
  if (info.num_components != 1 && info.num_components != 3) return decodeFailed;
  if (info.image_width != static_cast<JDIMENSION>(width) ||
      info.image_height != static_cast<JDIMENSION>(height)) {
    return decodeFailed;
  }
  // libjpeg turns gray into RGB itself.
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width != info.image_width) return decodeFailed;
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rgb + static_cast<std::size_t>(info.output_scanline) * rowBytes;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) return decodeFailed;
  }
  return decodeDone;
}

bool jpegThumbnail(const char* path, ThumbnailAccumulator& sums) {
  JpegReader reader;
  if (!reader.open(path)) return false;
  // Set after the setjmp, so volatile to survive the jump back.
  std::uint8_t* volatile row = nullptr;
  if (setjmp(reader.error.jump)) {
    platform::releaseMemory(row);
    return false;
  }
  reader.create(nullptr);
  jpeg_decompress_struct& info = reader.info;
  info.mem->max_memory_to_use = thumbnailMemoryMax(path);
  jpeg_read_header(&info, TRUE);
  if (refusedColorSpace(info.jpeg_color_space)) return false;
  if (info.num_components != 1 && info.num_components != 3) return false;
  std::int32_t width = 0;
  std::int32_t height = 0;
  const auto imageWidth = static_cast<std::int32_t>(info.image_width);
  const auto imageHeight = static_cast<std::int32_t>(info.image_height);
  if (imageWidth > kMaxDecodedSide || imageHeight > kMaxDecodedSide) return false;
  fittedThumbnailSize(imageWidth, imageHeight, &width, &height);
  // The decoder shrinks by n/8 in its transform, far cheaper than decoding
  // every pixel: the smallest n that still leaves at least one decoded pixel
  // per thumbnail pixel.
  info.scale_denom = 8;
  info.scale_num = 8;
  for (unsigned n = 1; n < 8; ++n) {
    if ((std::int64_t{imageWidth} * n + 7) / 8 >= width &&
        (std::int64_t{imageHeight} * n + 7) / 8 >= height) {
      info.scale_num = n;
      break;
    }
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) return false;
  const auto outWidth = static_cast<std::int32_t>(info.output_width);
  const auto outHeight = static_cast<std::int32_t>(info.output_height);
  if (!sums.start(outWidth, outHeight, imageWidth, imageHeight)) return false;
  row = static_cast<std::uint8_t*>(platform::allocateMemory(3 * static_cast<std::size_t>(outWidth)));
  if (row == nullptr) return false;
  while (info.output_scanline < info.output_height) {
    const auto y = static_cast<std::int32_t>(info.output_scanline);
    JSAMPROW rows = row;
    if (jpeg_read_scanlines(&info, &rows, 1) != 1) break;
    sums.addPixels(y, row, outWidth, 0, 1);
  }
  platform::releaseMemory(row);
  row = nullptr;
  return info.output_scanline == info.output_height;
}

bool jpegLongText(const char* path, char* text, std::size_t bytes) {
  if (text == nullptr || bytes == 0) return false;
  text[0] = '\0';
  JpegReader reader;
  if (!reader.open(path)) return false;
  if (setjmp(reader.error.jump)) return false;
  reader.create(nullptr);
  jpeg_save_markers(&reader.info, kCommentMarker, kLongestComment);
  jpeg_read_header(&reader.info, TRUE);
  for (jpeg_saved_marker_ptr m = reader.info.marker_list; m != nullptr; m = m->next) {
    if (m->marker != kCommentMarker) continue;
    std::size_t n = 0;
    for (; n + 1 < bytes && n < m->data_length && m->data[n] != '\0'; ++n) {
      text[n] = static_cast<char>(m->data[n]);
    }
    text[n] = '\0';
    return true;
  }
  return false;
}

}  // namespace texture
