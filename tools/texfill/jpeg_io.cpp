#include "tools/texfill/jpeg_io.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <utility>

#include "texture/jpeg_file.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  info->err->format_message(info, error->message);
  std::longjmp(error->jump, 1);
}

// libjpeg leaves by longjmp, so this frame holds nothing with a destructor.
bool compress(jpeg_compress_struct* info, JpegError* error, std::FILE* file, const Image& image,
              int quality, const std::string& comment) {
  if (setjmp(error->jump)) return false;
  jpeg_create_compress(info);
  jpeg_stdio_dest(info, file);
  info->image_width = static_cast<JDIMENSION>(image.width);
  info->image_height = static_cast<JDIMENSION>(image.height);
  info->input_components = image.channels;
  info->in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, quality, TRUE);
  jpeg_start_compress(info, TRUE);
  if (!comment.empty()) {
    jpeg_write_marker(info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                      static_cast<unsigned>(comment.size()));
  }
  while (info->next_scanline < info->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rowOf(image, static_cast<int>(info->next_scanline)));
    jpeg_write_scanlines(info, &row, 1);
  }
  jpeg_finish_compress(info);
  return true;
}

}  // namespace

bool writeJpeg(const std::string& path, const Image& image, int quality, const std::string& comment,
               std::string& error) {
  if ((image.channels != 1 && image.channels != 3) || image.sampleBytes != 1) {
    error = "only 8-bit gray and RGB images are written as JPEG";
    return false;
  }
  if (comment.size() > 65533) {
    error = "a JPEG comment holds at most 65533 bytes";
    return false;
  }
  std::FILE* file = openFile(path, "wb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  jpeg_compress_struct info{};
  JpegError jpegErr{};
  info.err = jpeg_std_error(&jpegErr.manager);
  jpegErr.manager.error_exit = jpegError;
  bool ok = compress(&info, &jpegErr, file, image, quality, comment);
  if (!ok) error = std::string("cannot write JPEG (") + jpegErr.message + ")";
  jpeg_destroy_compress(&info);
  if (std::fclose(file) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  return ok;
}

bool readJpeg(const std::string& path, Image& image, std::string& error) {
  texture::TextureInfo info{};
  if (texture::describeJpeg(path.c_str(), &info) == 0) {
    error = "not a JPEG file of gray or colour pictures";
    return false;
  }
  if (!checkImageSize(static_cast<std::uint64_t>(info.width), static_cast<std::uint64_t>(info.height), error)) {
    return false;
  }
  Image rgb = makeImage(info.width, info.height, 3);
  const texture::DecodeProgress silent{nullptr, nullptr, nullptr};
  if (texture::decodeJpeg(path.c_str(), info.width, info.height, rgb.pixels.data(), silent) != texture::decodeDone) {
    error = "damaged or unreadable JPEG";
    return false;
  }
  // The decoder gives RGB; a gray file's three samples are equal, and the
  // gray weights add up to one.
  image = info.kind == texture::kindJpeg8 ? toGray(rgb) : std::move(rgb);
  return true;
}

}  // namespace texfill
