#include "tools/fuzz/decoded_seeds.h"

// libjpeg's header needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <jpeglib.h>
#include <png.h>

namespace seeds {
namespace {

std::uint8_t patternAt(int x, int y, int s) {
  return static_cast<std::uint8_t>((x * 29 + y * 11 + s * 77 + ((x ^ y) & 5) * 13) & 0xFF);
}

struct Png {
  const char* name;
  int width;
  int height;
  int colorType;
  int depth;
  bool interlaced;
  // Text placed before the image data, or after it when `textAfter`.
  const char* title;
  const char* description;
  int textCompression;
  bool textAfter;
};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void setTexts(png_structp png, png_infop info, const Png& layout) {
  png_text texts[2];
  int count = 0;
  for (const auto& [key, value] : {std::pair{"Title", layout.title}, std::pair{"Description", layout.description}}) {
    if (value == nullptr) continue;
    std::memset(&texts[count], 0, sizeof texts[count]);
    texts[count].compression = layout.textCompression;
    texts[count].key = const_cast<char*>(key);
    texts[count].text = const_cast<char*>(value);
    texts[count].text_length = std::strlen(value);
    ++count;
  }
  if (count > 0) png_set_text(png, info, texts, count);
}

Bytes pngBytes(const Png& layout) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendBytes, nullptr);
  png_set_IHDR(png, info, layout.width, layout.height, layout.depth, layout.colorType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (layout.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[256];
    const int entries = 1 << layout.depth;
    for (int i = 0; i < entries; ++i) {
      palette[i] = {patternAt(i, 0, 0), patternAt(i, 1, 1), patternAt(i, 2, 2)};
    }
    png_set_PLTE(png, info, palette, entries);
    png_byte alpha[4] = {0, 128, 255, 64};
    png_set_tRNS(png, info, alpha, entries < 4 ? entries : 4, nullptr);
  }
  if (!layout.textAfter) setTexts(png, info, layout);
  png_write_info(png, info);

  const int channels = png_get_channels(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_byte> pixels(rowBytes * static_cast<std::size_t>(layout.height));
  std::vector<png_bytep> rows(static_cast<std::size_t>(layout.height));
  const int samplesPerRow = layout.width * channels;
  const int mask = (1 << (layout.depth < 8 ? layout.depth : 8)) - 1;
  for (int y = 0; y < layout.height; ++y) {
    png_bytep row = pixels.data() + rowBytes * static_cast<std::size_t>(y);
    rows[static_cast<std::size_t>(y)] = row;
    for (int i = 0; i < samplesPerRow; ++i) {
      const int value = patternAt(i / channels, y, i % channels);
      if (layout.depth == 16) {
        row[2 * i] = static_cast<png_byte>(value);
        row[2 * i + 1] = static_cast<png_byte>(value ^ 0x5A);
      } else if (layout.depth == 8) {
        row[i] = static_cast<png_byte>(value);
      } else {
        const int perByte = 8 / layout.depth;
        const int shift = 8 - layout.depth * (i % perByte + 1);
        row[i / perByte] = static_cast<png_byte>(row[i / perByte] | ((value & mask) << shift));
      }
    }
  }
  png_write_image(png, rows.data());
  if (layout.textAfter) setTexts(png, info, layout);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct Jpeg {
  const char* name;
  int width;
  int height;
  J_COLOR_SPACE space;
  int components;
  bool progressive;
  bool optimised;
  int restartRows;
  const char* comment;
  // Stored as RGB, not converted to YCbCr.
  bool keepRgb;
};

Bytes jpegBytes(const Jpeg& layout) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(layout.width);
  cinfo.image_height = static_cast<JDIMENSION>(layout.height);
  cinfo.input_components = layout.components;
  cinfo.in_color_space = layout.space;
  jpeg_set_defaults(&cinfo);
  if (layout.keepRgb) jpeg_set_colorspace(&cinfo, JCS_RGB);
  jpeg_set_quality(&cinfo, 80, TRUE);
  if (layout.progressive) jpeg_simple_progression(&cinfo);
  cinfo.optimize_coding = layout.optimised ? TRUE : FALSE;
  cinfo.restart_in_rows = layout.restartRows;
  jpeg_start_compress(&cinfo, TRUE);
  if (layout.comment != nullptr) {
    jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(layout.comment),
                      static_cast<unsigned int>(std::strlen(layout.comment)));
  }
  std::vector<JSAMPLE> row(static_cast<std::size_t>(layout.width * layout.components));
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int x = static_cast<int>(i) / layout.components;
      row[i] = patternAt(x, y, static_cast<int>(i) % layout.components);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace

Named pngSeeds() {
  constexpr int kRgb = PNG_COLOR_TYPE_RGB;
  constexpr int kGray = PNG_COLOR_TYPE_GRAY;
  constexpr int kPalette = PNG_COLOR_TYPE_PALETTE;
  constexpr int kNone = PNG_TEXT_COMPRESSION_NONE;
  const Png layouts[] = {
      {"rgb8", 9, 7, kRgb, 8, false, "Slate", nullptr, kNone, false},
      {"rgb16-ztxt", 6, 5, kRgb, 16, false, nullptr, "Burnt umber", PNG_TEXT_COMPRESSION_zTXt, false},
      {"rgba8-itxt-after", 7, 6, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, "Lichen", "Grey-green", PNG_ITXT_COMPRESSION_NONE,
       true},
      {"rgba16-interlaced", 11, 9, PNG_COLOR_TYPE_RGB_ALPHA, 16, true, nullptr, nullptr, kNone, false},
      {"gray1", 17, 5, kGray, 1, false, nullptr, "Chalk", kNone, true},
      {"gray2-interlaced", 13, 11, kGray, 2, true, "Ash", nullptr, PNG_ITXT_COMPRESSION_zTXt, false},
      {"gray4", 5, 4, kGray, 4, false, nullptr, nullptr, kNone, false},
      {"gray8-interlaced", 9, 9, kGray, 8, true, "Pewter", "Dull metal", kNone, false},
      {"gray16", 4, 6, kGray, 16, false, nullptr, nullptr, kNone, false},
      {"gray-alpha8", 5, 5, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, nullptr, nullptr, kNone, false},
      {"gray-alpha16-interlaced", 8, 3, PNG_COLOR_TYPE_GRAY_ALPHA, 16, true, nullptr, nullptr, kNone, false},
      {"palette1", 19, 3, kPalette, 1, false, "Two tone", nullptr, kNone, false},
      {"palette2", 7, 7, kPalette, 2, false, nullptr, nullptr, kNone, false},
      {"palette4-interlaced", 10, 10, kPalette, 4, true, nullptr, "Sixteen", PNG_TEXT_COMPRESSION_zTXt, true},
      {"palette8", 12, 4, kPalette, 8, false, "A title far longer than the sixty-three bytes the list keeps of it",
       nullptr, kNone, false},
      {"one-pixel", 1, 1, kRgb, 8, true, nullptr, nullptr, kNone, false},
  };
  Named named;
  for (const Png& layout : layouts) named.emplace_back(layout.name, pngBytes(layout));
  return named;
}

Named jpegSeeds() {
  const Jpeg layouts[] = {
      {"baseline", 19, 13, JCS_RGB, 3, false, false, 0, "Terracotta", false},
      {"baseline-optimised-restarts", 33, 17, JCS_RGB, 3, false, true, 1, nullptr, false},
      {"progressive", 21, 18, JCS_RGB, 3, true, false, 0, "Indigo dye", false},
      {"progressive-gray", 17, 9, JCS_GRAYSCALE, 1, true, false, 0, nullptr, false},
      {"gray", 9, 16, JCS_GRAYSCALE, 1, false, false, 0, "Graphite", false},
      {"rgb-untransformed", 16, 8, JCS_RGB, 3, false, false, 0, nullptr, true},
      {"cmyk", 8, 8, JCS_CMYK, 4, false, false, 0, "Four inks", false},
      {"one-pixel", 1, 1, JCS_RGB, 3, false, false, 0, nullptr, false},
  };
  Named named;
  for (const Jpeg& layout : layouts) named.emplace_back(layout.name, jpegBytes(layout));
  return named;
}

Named thumbnailSeeds() {
  Named named = pngSeeds();
  for (auto& [name, bytes] : jpegSeeds()) named.emplace_back(name, std::move(bytes));
  named.emplace_back("wide-interlaced", pngBytes({"", 150, 40, PNG_COLOR_TYPE_RGB, 8, true, nullptr, nullptr,
                                                  PNG_TEXT_COMPRESSION_NONE, false}));
  named.emplace_back("tall-palette", pngBytes({"", 30, 131, PNG_COLOR_TYPE_PALETTE, 4, false, nullptr, nullptr,
                                               PNG_TEXT_COMPRESSION_NONE, false}));
  named.emplace_back("large-progressive", jpegBytes({"", 200, 150, JCS_RGB, 3, true, false, 0, nullptr, false}));
  named.emplace_back("large-gray", jpegBytes({"", 70, 260, JCS_GRAYSCALE, 1, false, false, 0, nullptr, false}));
  return named;
}

}  // namespace seeds
