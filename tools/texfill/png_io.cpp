#include "tools/texfill/png_io.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "tools/texfill/document_io.h"
#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

// libpng reports errors by longjmp. The jumps land in the small functions
// below, whose frames hold nothing that needs destroying; everything with a
// destructor lives in the callers.
struct PngState {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[200] = {};
};

void pngError(png_structp png, png_const_charp text) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", text != nullptr ? text : "error");
  png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;
  int colorType;
};

bool readHeader(PngState* state, PngHeader* header) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_init_io(state->png, state->file);
  png_set_sig_bytes(state->png, 8);
  png_read_info(state->png, state->info);
  png_get_IHDR(state->png, state->info, &header->width, &header->height, &header->bitDepth,
               &header->colorType, nullptr, nullptr, nullptr);
  // PNG stores 16-bit samples big-endian; images hold them in the machine's order.
  if (header->bitDepth == 16) png_set_swap(state->png);
  png_set_interlace_handling(state->png);
  png_read_update_info(state->png, state->info);
  return true;
}

bool readRows(PngState* state, png_bytepp rows) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_read_image(state->png, rows);
  png_read_end(state->png, nullptr);
  return true;
}

bool writeRows(PngState* state, const Image* image, png_bytepp rows, const std::string* title) {
  if (setjmp(png_jmpbuf(state->png))) return false;
  png_init_io(state->png, state->file);
  png_set_IHDR(state->png, state->info, static_cast<png_uint_32>(image->width),
               static_cast<png_uint_32>(image->height), 8 * image->sampleBytes,
               image->channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!title->empty()) {
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<png_charp>("Title");
    text.text = const_cast<png_charp>(title->c_str());
    png_set_text(state->png, state->info, &text, 1);
  }
  png_write_info(state->png, state->info);
  if (image->sampleBytes == 2) png_set_swap(state->png);
  png_write_image(state->png, rows);
  png_write_end(state->png, nullptr);
  return true;
}

const char* colorTypeName(int type) {
  switch (type) {
    case PNG_COLOR_TYPE_PALETTE: return "a palette (indexed-colour) PNG";
    case PNG_COLOR_TYPE_GRAY_ALPHA: return "a grayscale PNG with alpha";
    case PNG_COLOR_TYPE_RGB_ALPHA: return "an RGB PNG with alpha";
    default: return "a PNG of an unknown colour type";
  }
}

}  // namespace

bool readPng(const std::string& path, Image& image, std::string& error, bool sixteenBit) {
  PngState state;
  state.file = openFile(path, "rb");
  if (state.file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  unsigned char signature[8] = {};
  if (std::fread(signature, 1, 8, state.file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    std::fclose(state.file);
    error = "not a PNG file";
    return false;
  }
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
  if (state.png != nullptr) state.info = png_create_info_struct(state.png);
  bool ok = state.png != nullptr && state.info != nullptr;
  if (!ok) error = "out of memory";

  PngHeader header{};
  if (ok && !readHeader(&state, &header)) {
    error = std::string("damaged or truncated PNG (") + state.message + ")";
    ok = false;
  }
  if (ok && header.bitDepth != 8 && !(sixteenBit && header.bitDepth == 16)) {
    error = std::to_string(header.bitDepth) +
            "-bit PNG: texfill works on 8-bit RGB or grayscale documents";
    ok = false;
  }
  if (ok && header.colorType != PNG_COLOR_TYPE_GRAY && header.colorType != PNG_COLOR_TYPE_RGB) {
    error = std::string(colorTypeName(header.colorType)) +
            ": texfill works on 8-bit RGB or grayscale documents";
    ok = false;
  }
  if (ok && !checkImageSize(header.width, header.height, error)) ok = false;
  if (ok) {
    image = makeImage(static_cast<int>(header.width), static_cast<int>(header.height),
                      header.colorType == PNG_COLOR_TYPE_GRAY ? 1 : 3);
    if (header.bitDepth == 16) {
      image.sampleBytes = 2;
      image.pixels.resize(image.pixels.size() * 2);
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) rows[static_cast<std::size_t>(y)] = rowOf(image, y);
    if (!readRows(&state, rows.data())) {
      error = std::string("damaged or truncated PNG (") + state.message + ")";
      image = Image{};
      ok = false;
    }
  }
  png_destroy_read_struct(&state.png, state.info != nullptr ? &state.info : nullptr, nullptr);
  std::fclose(state.file);
  return ok;
}

bool writePng(const std::string& path, const Image& image, std::string& error, const std::string& title) {
  if ((image.channels != 1 && image.channels != 3) || (image.sampleBytes != 1 && image.sampleBytes != 2)) {
    error = "only 8- and 16-bit gray and RGB images are written";
    return false;
  }
  PngState state;
  state.file = openFile(path, "wb");
  if (state.file == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
  if (state.png != nullptr) state.info = png_create_info_struct(state.png);
  bool ok = state.png != nullptr && state.info != nullptr;
  if (!ok) error = "out of memory";
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(rowOf(image, y));
  }
  if (ok && !writeRows(&state, &image, rows.data(), &title)) {
    error = std::string("cannot write PNG (") + state.message + ")";
    ok = false;
  }
  png_destroy_write_struct(&state.png, state.info != nullptr ? &state.info : nullptr);
  if (std::fclose(state.file) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace texfill
