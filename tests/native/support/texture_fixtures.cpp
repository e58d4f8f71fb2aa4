#include "tests/native/support/texture_fixtures.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fixtures {

Rgb texel(int x, int y) {
  return Rgb{static_cast<std::uint8_t>((x * 7 + y * 13 + 5) & 255),
             static_cast<std::uint8_t>(((x * 3) ^ (y * 5)) & 255),
             static_cast<std::uint8_t>((x + y * 31 + 17 + (x * y) / 3) & 255)};
}

std::uint8_t grayTexel(int x, int y) {
  return static_cast<std::uint8_t>((x * 11 + y * 17 + (x ^ y)) & 255);
}

std::uint8_t sampleTexel(int x, int y, int s) {
  const Rgb c = texel(x, y);
  switch (s) {
    case 0: return c.r;
    case 1: return c.g;
    case 2: return c.b;
    default: return static_cast<std::uint8_t>((x * 5 + y * 3 + s * 41 + 200) & 255);
  }
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orielvmx-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory";
    return;
  }
  path_ = buffer.data();
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const { return path_ + "/" + name; }

std::vector<std::uint16_t> tiffColormap(const TiffSpec& layout) {
  if (!layout.colormapValues.empty()) return layout.colormapValues;
  const int entries = 1 << (layout.bitsPerSample > 16 ? 16 : layout.bitsPerSample);
  std::vector<std::uint16_t> map(3 * static_cast<std::size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const int v = i & 255;
    map[i] = static_cast<std::uint16_t>(v * 257);
    map[entries + i] = static_cast<std::uint16_t>((255 - v) * 257);
    map[2 * entries + i] = static_cast<std::uint16_t>(((v * 7) & 255) * 257);
  }
  return map;
}

namespace {

// Stored bytes of image row `row`, chunky.
std::vector<std::uint8_t> tiffStoredRow(const TiffSpec& layout, int row) {
  const int bytesPerSample = (layout.bitsPerSample + 7) / 8;
  const std::size_t rowBytes =
      static_cast<std::size_t>(layout.width) * layout.samplesPerPixel * bytesPerSample;
  std::vector<std::uint8_t> out(rowBytes);
  if (!layout.data.empty()) {
    const std::size_t start = static_cast<std::size_t>(row) * rowBytes;
    for (std::size_t i = 0; i < rowBytes && start + i < layout.data.size(); ++i) {
      out[i] = layout.data[start + i];
    }
    return out;
  }
  std::size_t at = 0;
  for (int x = 0; x < layout.width; ++x) {
    for (int s = 0; s < layout.samplesPerPixel; ++s) {
      const std::uint8_t v = sampleTexel(x, row, s);
      if (bytesPerSample == 2) {
        const std::uint16_t wide = static_cast<std::uint16_t>(v * 257);
        std::memcpy(&out[at], &wide, 2);  // libtiff takes native order
        at += 2;
      } else {
        out[at++] = v;
      }
    }
  }
  return out;
}

bool setColormap(TIFF* tiff, const std::vector<std::uint16_t>& map) {
  const std::size_t entries = map.size() / 3;
  std::vector<std::uint16_t> red(map.begin(), map.begin() + entries);
  std::vector<std::uint16_t> green(map.begin() + entries, map.begin() + 2 * entries);
  std::vector<std::uint16_t> blue(map.begin() + 2 * entries, map.end());
  return TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data()) == 1;
}

bool writePreview(TIFF* tiff, const PreviewSpec& preview) {
  TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(preview.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(preview.height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(preview.bitsPerSample));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL,
               static_cast<std::uint16_t>(preview.samplesPerPixel));
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(preview.photometric));
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(preview.height));
  if (preview.colormap) {
    TiffSpec forMap;
    forMap.bitsPerSample = preview.bitsPerSample;
    if (!setColormap(tiff, tiffColormap(forMap))) return false;
  }
  const int bits = preview.bitsPerSample * preview.samplesPerPixel;
  const std::size_t rowBytes = (static_cast<std::size_t>(preview.width) * bits + 7) / 8;
  const std::uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
  for (int y = 0; y < preview.height; ++y) {
    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int x = 0; x < preview.width; ++x) {
      const std::uint32_t v = (preview.pixel ? preview.pixel(x, y)
                                             : static_cast<std::uint32_t>(x + 2 * y)) & mask;
      if (bits == 8) {
        row[x] = static_cast<std::uint8_t>(v);
      } else if (bits < 8) {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - bits - bit % 8));
      } else if (bits == 16) {
        const std::uint16_t wide = static_cast<std::uint16_t>(v);
        std::memcpy(&row[2 * static_cast<std::size_t>(x)], &wide, 2);
      }
    }
    if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) != 1) return false;
  }
  return TIFFWriteDirectory(tiff) == 1;
}

}  // namespace

std::string writeTiff(const TiffSpec& layout) {
  TIFF* tiff = TIFFOpen(layout.path.c_str(), "w");
  if (tiff == nullptr) {
    ADD_FAILURE() << "libtiff cannot create " << layout.path;
    return "";
  }
  bool ok = true;
  ok &= TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(layout.width)) == 1;
  ok &= TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(layout.height)) == 1;
  ok &= TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE,
                     static_cast<std::uint16_t>(layout.bitsPerSample)) == 1;
  ok &= TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL,
                     static_cast<std::uint16_t>(layout.samplesPerPixel)) == 1;
  ok &= TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(layout.photometric)) == 1;
  ok &= TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(layout.planarConfig)) == 1;
  ok &= TIFFSetField(tiff, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(layout.compression)) == 1;
  if (layout.samplesPerPixel == 4 || layout.samplesPerPixel == 2) {
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  const std::uint32_t strip =
      layout.rowsPerStrip > 0 ? static_cast<std::uint32_t>(layout.rowsPerStrip)
                            : TIFFDefaultStripSize(tiff, 0);
  ok &= TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, strip) == 1;
  if (layout.description) {
    ok &= TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, layout.description->c_str()) == 1;
  }
  if (layout.photometric == 3 && layout.colormap) ok &= setColormap(tiff, tiffColormap(layout));

  for (int y = 0; ok && y < layout.height; ++y) {
    std::vector<std::uint8_t> row = tiffStoredRow(layout, y);
    if (layout.planarConfig == 2 && layout.samplesPerPixel > 1) {
      const int bytesPerSample = (layout.bitsPerSample + 7) / 8;
      for (int s = 0; ok && s < layout.samplesPerPixel; ++s) {
        std::vector<std::uint8_t> plane(static_cast<std::size_t>(layout.width) * bytesPerSample);
        for (int x = 0; x < layout.width; ++x) {
          for (int b = 0; b < bytesPerSample; ++b) {
            plane[static_cast<std::size_t>(x) * bytesPerSample + b] =
                row[(static_cast<std::size_t>(x) * layout.samplesPerPixel + s) * bytesPerSample + b];
          }
        }
        ok &= TIFFWriteScanline(tiff, plane.data(), static_cast<std::uint32_t>(y),
                                static_cast<std::uint16_t>(s)) == 1;
      }
    } else {
      ok &= TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
  }
  if (ok && !layout.previews.empty()) {
    ok &= TIFFWriteDirectory(tiff) == 1;
    for (const PreviewSpec& preview : layout.previews) {
      if (ok) ok &= writePreview(tiff, preview);
    }
  }
  TIFFClose(tiff);
  if (!ok) {
    ADD_FAILURE() << "libtiff refused to write " << layout.path;
    return "";
  }
  return layout.path;
}

std::vector<std::uint8_t> expectedTiffRow(const TiffSpec& layout, int row) {
  std::vector<std::uint8_t> stored = tiffStoredRow(layout, row);
  std::vector<std::uint8_t> out(3 * static_cast<std::size_t>(layout.width));
  const std::vector<std::uint16_t> map = tiffColormap(layout);
  const std::size_t entries = map.size() / 3;
  for (int x = 0; x < layout.width; ++x) {
    std::uint8_t* p = &out[3 * static_cast<std::size_t>(x)];
    if (layout.samplesPerPixel == 1) {
      const std::uint8_t v = stored[x];
      if (layout.photometric == 3 && layout.colormap) {
        p[0] = static_cast<std::uint8_t>(map[v] >> 8);
        p[1] = static_cast<std::uint8_t>(map[entries + v] >> 8);
        p[2] = static_cast<std::uint8_t>(map[2 * entries + v] >> 8);
      } else if (layout.photometric == 0) {
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(255 - v);
      } else {
        p[0] = p[1] = p[2] = v;
      }
    } else {
      for (int c = 0; c < 3; ++c) {
        p[c] = stored[static_cast<std::size_t>(x) * layout.samplesPerPixel + c];
      }
    }
  }
  return out;
}

int bmpStoredRowBytes(int width, int bitCount) {
  return static_cast<int>(((static_cast<std::int64_t>(width) * bitCount + 31) / 32) * 4);
}

Rgb bmpPaletteEntry(const BmpSpec& layout, int index) {
  if (layout.palette) return layout.palette(index);
  return Rgb{static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(255 - index),
             static_cast<std::uint8_t>(index * 3)};
}

namespace {

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  put16(out, at, v & 0xFFFF);
  put16(out, at + 2, v >> 16);
}

int paletteEntriesOf(const BmpSpec& layout) {
  if (layout.paletteEntries >= 0) return layout.paletteEntries;
  if (layout.bitCount != 8) return 0;
  return layout.clrUsed != 0 ? static_cast<int>(layout.clrUsed) : 256;
}

std::uint8_t bmpIndex(const BmpSpec& layout, int x, int y) {
  return layout.index ? layout.index(x, y) : static_cast<std::uint8_t>((x + 3 * y) & 255);
}

Rgb bmpRgb(const BmpSpec& layout, int x, int y) { return layout.rgb ? layout.rgb(x, y) : texel(x, y); }

}  // namespace

std::string writeBmp(const BmpSpec& layout) {
  const int entries = paletteEntriesOf(layout);
  const int rows = layout.height < 0 ? -layout.height : layout.height;
  const int storedRow = layout.width > 0 ? bmpStoredRowBytes(layout.width, layout.bitCount) : 0;
  const std::size_t tableEnd = 54 + 4 * static_cast<std::size_t>(entries);
  const std::size_t dataOffset =
      layout.dataOffset >= 0 ? static_cast<std::size_t>(layout.dataOffset) : tableEnd;
  const std::size_t total =
      std::max(tableEnd, dataOffset) + static_cast<std::size_t>(storedRow) * rows;
  std::vector<std::uint8_t> file(total, 0);
  put16(file, 0, layout.type);
  put32(file, 2, static_cast<std::uint32_t>(total));
  put32(file, 10, static_cast<std::uint32_t>(dataOffset));
  put32(file, 14, layout.infoSize);
  put32(file, 18, static_cast<std::uint32_t>(layout.width));
  put32(file, 22, static_cast<std::uint32_t>(layout.height));
  put16(file, 26, 1);
  put16(file, 28, static_cast<std::uint32_t>(layout.bitCount));
  put32(file, 30, layout.compression);
  put32(file, 34, static_cast<std::uint32_t>(storedRow) * rows);
  put32(file, 46, layout.clrUsed);
  for (int i = 0; i < entries; ++i) {
    const Rgb c = bmpPaletteEntry(layout, i);
    const std::size_t at = 54 + 4 * static_cast<std::size_t>(i);
    file[at] = c.b;
    file[at + 1] = c.g;
    file[at + 2] = c.r;
  }
  for (int y = 0; y < rows; ++y) {
    const int stored = layout.height < 0 ? y : rows - 1 - y;
    std::uint8_t* p = &file[dataOffset + static_cast<std::size_t>(stored) * storedRow];
    for (int x = 0; x < layout.width; ++x) {
      if (layout.bitCount == 24) {
        const Rgb c = bmpRgb(layout, x, y);
        p[3 * x] = c.b;
        p[3 * x + 1] = c.g;
        p[3 * x + 2] = c.r;
      } else if (layout.bitCount == 8) {
        p[x] = bmpIndex(layout, x, y);
      }
    }
    // Padding bytes carry a marker so a reader that delivers them is caught.
    const int used = layout.width * layout.bitCount / 8;
    for (int i = used; i < storedRow; ++i) p[i] = 0xEE;
  }
  if (layout.truncateTo >= 0 && static_cast<std::size_t>(layout.truncateTo) < file.size()) {
    file.resize(static_cast<std::size_t>(layout.truncateTo));
  }
  return writeRawFile(layout.path, file);
}

std::vector<std::uint8_t> expectedBmpRow(const BmpSpec& layout, int row) {
  std::vector<std::uint8_t> out(3 * static_cast<std::size_t>(layout.width));
  const int entries = paletteEntriesOf(layout);
  const int listed = layout.clrUsed != 0 ? static_cast<int>(std::min<std::uint32_t>(layout.clrUsed, 256))
                                       : 256;
  for (int x = 0; x < layout.width; ++x) {
    Rgb c{};
    if (layout.bitCount == 24) {
      c = bmpRgb(layout, x, row);
    } else {
      const int i = bmpIndex(layout, x, row);
      if (i < listed && i < entries) c = bmpPaletteEntry(layout, i);
    }
    out[3 * static_cast<std::size_t>(x)] = c.r;
    out[3 * static_cast<std::size_t>(x) + 1] = c.g;
    out[3 * static_cast<std::size_t>(x) + 2] = c.b;
  }
  return out;
}

std::string writeRawFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    ADD_FAILURE() << "cannot write " << path;
    return "";
  }
  return path;
}

std::string writeTextFile(const std::string& path, const std::string& text) {
  return writeRawFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void truncateFile(const std::string& path, std::int64_t size) {
  std::error_code error;
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size), error);
  if (error) ADD_FAILURE() << "cannot truncate " << path << ": " << error.message();
}

std::string writePpm(const std::string& path, int width, int height, bool sixteenBit) {
  std::string bytes = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
                      (sixteenBit ? "65535\n" : "255\n");
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb t = texel(x, y);
      for (std::uint8_t v : {t.r, t.g, t.b}) {
        if (!sixteenBit) {
          bytes.push_back(static_cast<char>(v));
          continue;
        }
        const unsigned wide = std::min(65535u, v * 257u + static_cast<unsigned>(x % 251));
        bytes.push_back(static_cast<char>(wide >> 8));
        bytes.push_back(static_cast<char>(wide & 0xFF));
      }
    }
  }
  return writeRawFile(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

bool imageMagickConvert(const std::string& arguments) {
  const std::string command = "convert " + arguments + " 2>/dev/null";
  return std::system(command.c_str()) == 0;
}

std::vector<std::uint8_t> imageMagickRgb(const std::string& path, bool sixteenBit) {
  const std::string raw = path + ".rgb";
  const std::string depth = sixteenBit ? "16" : "8";
  if (!imageMagickConvert("-define jpeg:dct-method=islow '" + path + "' -endian MSB -depth " + depth +
                          " 'rgb:" + raw + "'")) {
    ADD_FAILURE() << "ImageMagick cannot decode " << path;
    return {};
  }
  std::vector<std::uint8_t> bytes = readWholeFile(raw);
  std::remove(raw.c_str());
  if (!sixteenBit) return bytes;
  std::vector<std::uint8_t> rounded(bytes.size() / 2);
  for (std::size_t i = 0; i < rounded.size(); ++i) {
    const unsigned v = (unsigned{bytes[2 * i]} << 8) | bytes[2 * i + 1];  // big-endian
    rounded[i] = static_cast<std::uint8_t>((v * 255 + 32767) / 65535);
  }
  return rounded;
}

}  // namespace fixtures
