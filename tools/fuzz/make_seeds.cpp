// Writes the fuzz targets' seed corpora: one small valid file of every
// texture layout the plug-in reads (and of each it refuses), library
// textures with their preview directories, settings files, and filter runs
// that pair a host record with a texture.
//
//   make-seeds OUTPUT_DIRECTORY
//
// creates OUTPUT_DIRECTORY/<target>/<seed> for every target. Generated at
// test time, so no binary is kept in the repository.
#include <tiffio.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/fuzz/decoded_seeds.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string outputRoot;
int failures = 0;

void writeFile(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "make-seeds: cannot write %s\n", path.c_str());
    ++failures;
  }
}

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  writeFile(fs::path(outputRoot) / target / name, bytes);
}

// One image directory.
struct Image {
  int width = 8;
  int height = 8;
  int samples = 3;
  int bits = 8;
  int photometric = PHOTOMETRIC_RGB;
  int compression = COMPRESSION_NONE;
  int planar = PLANARCONFIG_CONTIG;
  int rowsPerStrip = 0;
  int tile = 0;  // tile side, 0: strips
  bool colormap = true;
  const char* description = nullptr;
};

std::uint8_t sampleAt(int x, int y, int s) {
  return static_cast<std::uint8_t>((x * 7 + y * 13 + s * 85 + ((x ^ y) & 3) * 9) & 0xFF);
}

// A smooth, periodic pattern: library textures compress to a few kilobytes.
std::uint8_t smoothAt(int x, int y, int s, int side) {
  return static_cast<std::uint8_t>(((x + y * 2 + s * 40) * 256 / side) & 0xFF);
}

bool writeDirectory(TIFF* tiff, const Image& image, bool smooth) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, image.samples);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, image.bits);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, image.photometric);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, image.compression);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, image.planar);
  if (image.samples == 4) {
    const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (image.description != nullptr) TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, image.description);
  if (image.photometric == PHOTOMETRIC_PALETTE && image.colormap) {
    const std::size_t entries = std::size_t{1} << image.bits;
    std::vector<std::uint16_t> red(entries), green(entries), blue(entries);
    for (std::size_t i = 0; i < entries; ++i) {
      red[i] = static_cast<std::uint16_t>(i * 257 * 255 / (entries - 1));
      green[i] = static_cast<std::uint16_t>(65535 - red[i]);
      blue[i] = static_cast<std::uint16_t>((i * 7 & 255) * 257);
    }
    TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const int bytesPerSample = (image.bits + 7) / 8;
  if (image.tile > 0) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, image.tile);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, image.tile);
    const tmsize_t tileBytes = TIFFTileSize(tiff);
    Bytes tile(static_cast<std::size_t>(tileBytes));
    for (int y = 0; y < image.height; y += image.tile) {
      for (int x = 0; x < image.width; x += image.tile) {
        for (std::size_t i = 0; i < tile.size(); ++i) tile[i] = sampleAt(x + int(i), y, 0);
        if (TIFFWriteTile(tiff, tile.data(), x, y, 0, 0) < 0) return false;
      }
    }
    return TIFFWriteDirectory(tiff) == 1;
  }
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP,
               image.rowsPerStrip > 0 ? image.rowsPerStrip : TIFFDefaultStripSize(tiff, 0));
  const int planes = image.planar == PLANARCONFIG_SEPARATE ? image.samples : 1;
  const int samplesPerRow = image.planar == PLANARCONFIG_SEPARATE ? 1 : image.samples;
  Bytes row(static_cast<std::size_t>(image.width * samplesPerRow * bytesPerSample + 8));
  for (int plane = 0; plane < planes; ++plane) {
    for (int y = 0; y < image.height; ++y) {
      if (image.bits >= 8) {
        for (int x = 0; x < image.width; ++x) {
          for (int s = 0; s < samplesPerRow; ++s) {
            const int sample = plane + s;
            const std::uint8_t v = smooth ? smoothAt(x, y, sample, image.width) : sampleAt(x, y, sample);
            for (int b = 0; b < bytesPerSample; ++b) {
              row[static_cast<std::size_t>((x * samplesPerRow + s) * bytesPerSample + b)] = v;
            }
          }
        }
      } else {
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = sampleAt(int(i), y, 0);
      }
      if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y),
                            static_cast<std::uint16_t>(plane)) < 0) {
        return false;
      }
    }
  }
  return TIFFWriteDirectory(tiff) == 1;
}

// The file's bytes; mode "w" writes the machine's byte order, "wb" big-endian.
Bytes tiffBytes(const std::vector<Image>& directories, const char* mode = "w", bool smooth = false) {
  const fs::path scratch = fs::path(outputRoot) / ".scratch.tif";
  TIFF* tiff = TIFFOpen(scratch.c_str(), mode);
  if (tiff == nullptr) {
    ++failures;
    return {};
  }
  for (const Image& image : directories) {
    if (!writeDirectory(tiff, image, smooth)) {
      std::fprintf(stderr, "make-seeds: libtiff refused a directory\n");
      ++failures;
    }
  }
  TIFFClose(tiff);
  Bytes bytes = readFile(scratch);
  fs::remove(scratch);
  return bytes;
}

Image preview(int bits) {
  Image image;
  image.width = image.height = 64;
  image.samples = 1;
  image.bits = bits;
  image.photometric = PHOTOMETRIC_PALETTE;
  image.compression = COMPRESSION_PACKBITS;
  return image;
}

// A library texture: the texture, then the 256-colour and 16-colour previews.
Bytes libraryTexture(int side, int samples, const char* description) {
  Image texture;
  texture.width = texture.height = side;
  texture.samples = samples;
  texture.photometric = samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  texture.compression = COMPRESSION_ADOBE_DEFLATE;
  texture.rowsPerStrip = 16;
  texture.description = description;
  return tiffBytes({texture, preview(8), preview(4)}, "w", true);
}

void putLittle(Bytes& bytes, std::size_t at, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Bitmap {
  int width = 8;
  int height = 8;
  int bitCount = 24;
  std::uint32_t clrUsed = 0;
  std::uint32_t compression = 0;
  int tableEntries = -1;  // -1: clrUsed, or 256 for 8 bits
};

Bytes bmpBytes(const Bitmap& layout) {
  const int entries = layout.tableEntries >= 0 ? layout.tableEntries
                      : layout.bitCount == 8 ? (layout.clrUsed != 0 ? int(layout.clrUsed) : 256)
                                           : 0;
  const int rows = layout.height < 0 ? -layout.height : layout.height;
  const int stored = ((layout.width * layout.bitCount + 31) / 32) * 4;
  const std::size_t offset = 54 + 4 * static_cast<std::size_t>(entries);
  Bytes bytes(offset + static_cast<std::size_t>(stored) * rows, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  putLittle(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
  putLittle(bytes, 10, static_cast<std::uint32_t>(offset), 4);
  putLittle(bytes, 14, 40, 4);
  putLittle(bytes, 18, static_cast<std::uint32_t>(layout.width), 4);
  putLittle(bytes, 22, static_cast<std::uint32_t>(layout.height), 4);
  putLittle(bytes, 26, 1, 2);
  putLittle(bytes, 28, static_cast<std::uint32_t>(layout.bitCount), 2);
  putLittle(bytes, 30, layout.compression, 4);
  putLittle(bytes, 46, layout.clrUsed, 4);
  for (int i = 0; i < entries; ++i) {
    putLittle(bytes, 54 + 4 * static_cast<std::size_t>(i),
              static_cast<std::uint32_t>((i * 3 & 255) | ((255 - i) & 255) << 8 | (i & 255) << 16), 4);
  }
  for (int y = 0; y < rows; ++y) {
    for (int b = 0; b < stored; ++b) {
      bytes[offset + static_cast<std::size_t>(y) * stored + b] = sampleAt(b, y, 1);
    }
  }
  return bytes;
}

std::vector<std::pair<std::string, Bytes>> tiffSeeds() {
  std::vector<std::pair<std::string, Bytes>> seeds;
  Image rgb;
  seeds.push_back({"rgb-8x8", tiffBytes({rgb})});
  seeds.push_back({"rgb-8x8-bigendian", tiffBytes({rgb}, "wb")});
  Image lzw = rgb;
  lzw.width = 17;
  lzw.height = 5;
  lzw.compression = COMPRESSION_LZW;
  seeds.push_back({"rgb-17x5-lzw", tiffBytes({lzw})});
  Image deflate = rgb;
  deflate.width = deflate.height = 16;
  deflate.compression = COMPRESSION_ADOBE_DEFLATE;
  deflate.rowsPerStrip = 4;
  seeds.push_back({"rgb-16x16-deflate-strips4", tiffBytes({deflate})});
  for (int photometric : {PHOTOMETRIC_MINISWHITE, PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_RGB}) {
    Image gray;
    gray.width = 9;
    gray.height = 7;
    gray.samples = 1;
    gray.photometric = photometric;
    seeds.push_back({"gray-9x7-photometric" + std::to_string(photometric), tiffBytes({gray})});
  }
  Image packbits;
  packbits.samples = 1;
  packbits.photometric = PHOTOMETRIC_MINISBLACK;
  packbits.compression = COMPRESSION_PACKBITS;
  packbits.rowsPerStrip = 3;
  seeds.push_back({"gray-8x8-packbits", tiffBytes({packbits})});
  Image palette;
  palette.samples = 1;
  palette.photometric = PHOTOMETRIC_PALETTE;
  seeds.push_back({"palette-8x8", tiffBytes({palette})});
  palette.colormap = false;
  seeds.push_back({"palette-8x8-no-colormap", tiffBytes({palette})});
  Image four;
  four.width = 5;
  four.height = 3;
  four.samples = 4;
  seeds.push_back({"rgba-5x3", tiffBytes({four})});
  four.planar = PLANARCONFIG_SEPARATE;
  seeds.push_back({"rgba-5x3-separate", tiffBytes({four})});
  Image sixteen = rgb;
  sixteen.bits = 16;
  seeds.push_back({"rgb16-8x8", tiffBytes({sixteen})});
  Image tiled = rgb;
  tiled.width = tiled.height = 32;
  tiled.tile = 16;
  seeds.push_back({"rgb-32x32-tiled", tiffBytes({tiled})});
  Image two = rgb;
  two.samples = 2;
  two.photometric = PHOTOMETRIC_MINISBLACK;
  seeds.push_back({"gray-alpha-8x8", tiffBytes({two})});
  Image tall = rgb;
  tall.width = 1;
  tall.height = 300;
  tall.compression = COMPRESSION_LZW;
  seeds.push_back({"rgb-1x300-lzw", tiffBytes({tall})});
  return seeds;
}

std::vector<std::pair<std::string, Bytes>> bmpSeeds() {
  std::vector<std::pair<std::string, Bytes>> seeds;
  seeds.push_back({"bgr-3x2", bmpBytes({3, 2, 24})});
  seeds.push_back({"bgr-8x8", bmpBytes({})});
  seeds.push_back({"bgr-5x4-topdown", bmpBytes({5, -4, 24})});
  seeds.push_back({"indexed-7x5-256", bmpBytes({7, 5, 8})});
  seeds.push_back({"indexed-6x3-16colours", bmpBytes({6, 3, 8, 16})});
  seeds.push_back({"indexed-4x4-topdown", bmpBytes({4, -4, 8})});
  seeds.push_back({"bgr-4x4-with-table", bmpBytes({4, 4, 24, 2, 0, 2})});
  seeds.push_back({"indexed-8x8-rle", bmpBytes({8, 8, 8, 0, 1})});
  seeds.push_back({"nibbles-8x8", bmpBytes({8, 8, 4, 16})});
  Bytes cut = bmpBytes({9, 9, 24});
  cut.resize(cut.size() - 40);
  seeds.push_back({"bgr-9x9-truncated", cut});
  return seeds;
}

std::vector<std::pair<std::string, Bytes>> librarySeeds() {
  return {
      {"library-512-rgb", libraryTexture(512, 3, "Malachite;HRT;512")},
      {"library-128-gray", libraryTexture(128, 1, "Raw silk;LRT;128")},
  };
}

void writeTextureTargets() {
  for (const auto& [name, bytes] : tiffSeeds()) seed("tiff_texture", name + ".tif", bytes);
  for (const auto& [name, bytes] : librarySeeds()) seed("tiff_texture", name + ".tif", bytes);
  for (const auto& [name, bytes] : bmpSeeds()) seed("bmp_texture", name + ".bmp", bytes);
  for (const auto& [name, bytes] : seeds::pngSeeds()) seed("png_texture", name + ".png", bytes);
  for (const auto& [name, bytes] : seeds::jpegSeeds()) seed("jpeg_texture", name + ".jpg", bytes);
  for (const auto& [name, bytes] : seeds::thumbnailSeeds()) seed("thumbnail", name, bytes);
}

void writeLongNameTarget() {
  Image named;
  named.description = "Verdigris";
  seed("long_name", "described", tiffBytes({named}));
  named.description = "Cobalt glaze;HRT;Oriel Brindle";
  seed("long_name", "described-with-fields", tiffBytes({named}));
  const std::string longText(90, 'L');
  named.description = longText.c_str();
  seed("long_name", "described-90-characters", tiffBytes({named}));
  named.description = ";starts with the separator";
  seed("long_name", "described-empty-name", tiffBytes({named}));
  Image plain;
  seed("long_name", "undescribed", tiffBytes({plain}));
  seed("long_name", "bitmap", bmpBytes({}));
  const std::string text = "not a texture at all\n";
  seed("long_name", "text", Bytes(text.begin(), text.end()));
}

void writePreviewTarget() {
  for (const auto& [name, bytes] : librarySeeds()) seed("preview_loader", name, bytes);
  Image texture;
  texture.width = texture.height = 16;
  seed("preview_loader", "one-preview", tiffBytes({texture, preview(8)}));
  seed("preview_loader", "no-preview", tiffBytes({texture}));
  Image large = preview(8);
  large.width = large.height = 80;
  seed("preview_loader", "preview-80", tiffBytes({texture, large, preview(4)}));
  Image rgbPreview = preview(8);
  rgbPreview.samples = 3;
  rgbPreview.photometric = PHOTOMETRIC_RGB;
  seed("preview_loader", "rgb-preview", tiffBytes({texture, rgbPreview}));
  Image noMap = preview(8);
  noMap.colormap = false;
  seed("preview_loader", "preview-without-colormap", tiffBytes({texture, noMap, noMap}));
}

void writeSettingsTarget() {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"usual", "[Oriel Brindle Texture Library]\r\nfId=2\r\nprv=1\r\nfVw=1\r\ntOn=0\r\n"},
      {"other-sections", "[Recent]\nfile=a.tif\n\n[oriel brindle texture library]\n  TON = 1 \nprv=2\n[Last]\nx=1"},
      {"quoted-and-signed", "[Oriel Brindle Texture Library]\rfId=\"-3\"\rprv='1'\rfVw=12abc\r"},
      {"duplicates", "[Oriel Brindle Texture Library]\ntOn=1\ntOn=0\n[Oriel Brindle Texture Library]\nprv=0\n"},
      {"bom-no-ending", "\xEF\xBB\xBF[Oriel Brindle Texture Library]\nfId=99999999999999999999999999999999"},
      {"keys-without-values", "[Oriel Brindle Texture Library]\nprv\nfVw=\n[unclosed\ntOn=1\n"},
      {"empty", ""},
      {"fill-options", "[Oriel Brindle Texture Library]\nrpt=2\nscl=-5\nang=-45\nofX=12abc\nofY= 300000 \n"
                       "var=\"7\"\nmsl=1\n"},
  };
  for (const auto& [name, text] : files) seed("settings_reader", name, Bytes(text.begin(), text.end()));
}

// Kept long-name files, written by hand from the format (texture/long_name_file.h).
struct KeptEntry {
  std::string path;
  std::uint64_t size, modified;
  std::uint8_t answer;
  std::string longName;
};

Bytes keptStore(const std::vector<KeptEntry>& entries, const std::string& magic = "OVMXLN2\n") {
  Bytes body;
  auto little = [&body](std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) body.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  for (const KeptEntry& entry : entries) {
    little(entry.path.size(), 2);
    body.insert(body.end(), entry.path.begin(), entry.path.end());
    little(entry.size, 8);
    little(entry.modified, 8);
    little(entry.answer, 1);
    little(entry.longName.size(), 1);
    body.insert(body.end(), entry.longName.begin(), entry.longName.end());
  }
  std::uint32_t hash = 2166136261u;
  for (std::uint8_t byte : body) hash = (hash ^ byte) * 16777619u;
  Bytes file(magic.begin(), magic.end());
  for (std::uint32_t value : {static_cast<std::uint32_t>(entries.size()), static_cast<std::uint32_t>(body.size()), hash}) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

void writeKeptNamesTarget() {
  seed("long_name_store", "empty-store", keptStore({}));
  seed("long_name_store", "one-texture", keptStore({{"/library/slate.tif", 27648, 1765000000123456789u, 1, "Slate"}}));
  seed("long_name_store", "mixed",
       keptStore({{"/library/a.tif", 100, 5, 1, "Oak Planks"},
                  {"/library/b.bmp", 54, 6, 0, ""},
                  {"C:\\Textures\\wood.tif", 196608, 133000000000000000u, 1, std::string(63, 'x')},
                  {"/library/a.tif", 100, 7, 1, "the same path again"}}));
  const KeptEntry named{"C:\\\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B \xE7\xB4\x8B\xE7\x90\x86\\\xF0\x9F\xA7\xB1.tif",
                        196608, 133000000000000000u, 1, "Brick"};
  seed("long_name_store", "utf8-paths", keptStore({named, {"/library/a.tif", 100, 5, 1, "Oak Planks"}}));
  // As the earlier releases wrote it: ANSI paths (here Windows-1251 Cyrillic).
  seed("long_name_store", "ansi-paths",
       keptStore({{"C:\\\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB\\a.tif", 100, 5, 1, "Slate"},
                  {"C:\\Textures\\b.tif", 54, 6, 0, ""}},
                 "OVMXLN1\n"));
}

// Paths for the UTF-8 and UTF-16 conversion: names in several scripts, and
// each kind of bad sequence.
Bytes text(const std::string& characters) { return Bytes(characters.begin(), characters.end()); }

void writeUtf8Target() {
  seed("utf8_paths", "cyrillic-cjk-emoji",
       text("C:\\\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B \xE7\xB4\x8B\xE7\x90\x86\\\xF0\x9F\xA7\xB1.tif"));
  seed("utf8_paths", "overlong-surrogate-cut", text("a\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE7\xB4"));
  seed("utf8_paths", "utf16-lone-surrogates", Bytes{'a', 0, 0x00, 0xD8, 'b', 0, 0x00, 0xDC, 0x3D, 0xD8, 0x31, 0xDE});
}

// The make_seamless target's header (tests/fuzz/make_seamless.cpp) and a
// few samples: gray and RGB, 8 and 16 bits, both methods, flattened, sizes
// with large prime factors, one pixel, one row, and a stop half way.
void writeSeamlessTarget() {
  struct Picture {
    const char* name;
    int width, height, channels, sampleBytes, options;
  };
  const Picture pictures[] = {{"gray-8-smooth", 40, 33, 1, 1, 0},   {"rgb-16-cut", 64, 48, 3, 2, 1},
                              {"rgb-8-cut-flat", 37, 41, 3, 1, 5},  {"gray-16-flat", 97, 5, 1, 2, 4},
                              {"one-pixel", 1, 1, 3, 1, 5},         {"one-row", 4099, 1, 3, 1, 1},
                              {"stopped", 50, 50, 3, 1, 1 | 8 << 3}};
  for (const Picture& p : pictures) {
    Bytes bytes = {std::uint8_t(p.width), std::uint8_t(p.width >> 8), std::uint8_t(p.height),
                   std::uint8_t(p.height >> 8), std::uint8_t(p.channels), std::uint8_t(p.sampleBytes),
                   std::uint8_t(p.options), 0};
    for (int i = 0; i < 97; ++i) bytes.push_back(std::uint8_t(i * 37 + (i / 7) * 11));
    seed("make_seamless", p.name, bytes);
  }
}

// The 32-byte host header of the filter_run target (see tests/fuzz/filter_run.cpp).
struct RunHeader {
  std::uint8_t flags = 0;
  std::int8_t sizeChoice = 0;
  std::int8_t tileOrigin = 1;
  std::uint8_t chooser = 0;
  std::int16_t top = 0, left = 0, bottom = 8, right = 8;
  std::int16_t planes = 3;
  std::int16_t mode = 3;
  std::int32_t rowBytesDelta = 0;
  std::uint8_t abortAt = 255;
  std::uint8_t continueLimit = 0;
  std::uint8_t script[8] = {255, 255, 255, 255, 255, 255, 255, 255};
  std::int8_t latePlanes = 3;
  std::int8_t lateMode = 3;
};

Bytes runInput(const RunHeader& h, const Bytes& texture) {
  Bytes bytes(32, 0);
  bytes[0] = h.flags;
  bytes[1] = static_cast<std::uint8_t>(h.sizeChoice);
  bytes[2] = static_cast<std::uint8_t>(h.tileOrigin);
  bytes[3] = h.chooser;
  putLittle(bytes, 4, static_cast<std::uint16_t>(h.top), 2);
  putLittle(bytes, 6, static_cast<std::uint16_t>(h.left), 2);
  putLittle(bytes, 8, static_cast<std::uint16_t>(h.bottom), 2);
  putLittle(bytes, 10, static_cast<std::uint16_t>(h.right), 2);
  putLittle(bytes, 12, static_cast<std::uint16_t>(h.planes), 2);
  putLittle(bytes, 14, static_cast<std::uint16_t>(h.mode), 2);
  putLittle(bytes, 16, static_cast<std::uint32_t>(h.rowBytesDelta), 4);
  bytes[20] = h.abortAt;
  bytes[21] = h.continueLimit;
  std::memcpy(bytes.data() + 22, h.script, 8);
  bytes[30] = static_cast<std::uint8_t>(h.latePlanes);
  bytes[31] = static_cast<std::uint8_t>(h.lateMode);
  bytes.insert(bytes.end(), texture.begin(), texture.end());
  return bytes;
}

void writeFilterRunTarget() {
  const auto library = librarySeeds();
  // Every size choice for both library textures, over a rectangle taller
  // than the smaller reductions (pre-scaled) and one that is not.
  for (const auto& [name, bytes] : library) {
    for (int size = 0; size <= 4; ++size) {
      RunHeader h;
      h.sizeChoice = static_cast<std::int8_t>(size);
      h.top = 3;
      h.left = 300;
      h.bottom = size >= 3 ? 140 : 12;
      h.right = 340;
      h.mode = name == "library-512-rgb" ? 3 : 1;
      h.planes = h.mode == 1 ? 1 : 3;
      h.continueLimit = 12;
      seed("filter_run", name + "-size" + std::to_string(size), runInput(h, bytes));
    }
  }
  // Replicated bands wider than a whole enlarged period (128 x 4 texels),
  // in both document modes.
  for (int size = 1; size <= 2; ++size) {
    for (std::int16_t mode : {1, 3}) {
      RunHeader h;
      h.sizeChoice = static_cast<std::int8_t>(size);
      h.top = 1;
      h.left = 301;
      h.bottom = 10;
      h.right = 301 + 600;
      h.mode = mode;
      h.planes = mode;
      seed("filter_run", "library-128-gray-size" + std::to_string(size) + "-wide-mode" + std::to_string(mode),
           runInput(h, library[1].second));
    }
  }
  const auto tiffs = tiffSeeds();
  for (const auto& [name, bytes] : tiffs) {
    RunHeader h;
    h.top = 5;
    h.left = 2;
    h.bottom = 14;
    h.right = 30;
    seed("filter_run", "tif-" + name, runInput(h, bytes));
  }
  for (const auto& [name, bytes] : bmpSeeds()) {
    RunHeader h;
    h.flags = 1;
    h.bottom = 11;
    h.right = 13;
    h.mode = 1;
    h.planes = 2;
    seed("filter_run", "bmp-" + name, runInput(h, bytes));
  }
  const Bytes small = tiffs.front().second;
  const Bytes gray = library[1].second;
  RunHeader h;
  h.continueLimit = 4;
  h.abortAt = 2;
  seed("filter_run", "abort-at-second-band", runInput(h, small));
  h = RunHeader{};
  h.flags = 4 | 8 | 16;
  seed("filter_run", "null-callbacks", runInput(h, small));
  h = RunHeader{};
  h.flags = 32;
  // About, Continue, Start, About, Continue, Finish, Finish, Continue
  const std::uint8_t script[8] = {1, 5, 4, 1, 5, 6, 6, 5};
  std::memcpy(h.script, script, 8);
  seed("filter_run", "selectors-out-of-order", runInput(h, small));
  h = RunHeader{};
  h.top = 4;
  h.bottom = 1;
  seed("filter_run", "inverted-rectangle", runInput(h, small));
  h = RunHeader{};
  h.bottom = 1;
  h.right = 1;
  seed("filter_run", "one-pixel", runInput(h, small));
  h = RunHeader{};
  h.bottom = 30000;
  h.right = 2;
  h.continueLimit = 40;
  seed("filter_run", "tall-rectangle", runInput(h, small));
  h = RunHeader{};
  h.planes = 1;
  seed("filter_run", "too-few-planes", runInput(h, small));
  h = RunHeader{};
  h.planes = 4;
  seed("filter_run", "extra-plane", runInput(h, small));
  h = RunHeader{};
  h.sizeChoice = 1;
  h.bottom = 9;
  h.right = 9;
  h.mode = 1;
  h.planes = 1;
  h.rowBytesDelta = -3;
  seed("filter_run", "short-rows-replicated", runInput(h, gray));
  h.rowBytesDelta = -40;
  seed("filter_run", "negative-rows-replicated", runInput(h, gray));
  h = RunHeader{};
  h.flags = 64;
  h.latePlanes = 1;
  h.lateMode = 1;
  seed("filter_run", "mode-changes-after-start", runInput(h, small));
  // Hosts that hand over less than the band asked for.
  h = RunHeader{};
  h.flags = 128;
  const std::uint8_t narrower[8] = {0, 0, 0, 255, 255, 255, 255, 255};  // right edge in by one
  std::memcpy(h.script, narrower, 8);
  seed("filter_run", "narrower-band", runInput(h, small));
  const std::uint8_t shorter[8] = {0, 0, 255, 255, 255, 255, 255, 255};  // bottom and right in by one
  std::memcpy(h.script, shorter, 8);
  h.sizeChoice = 1;
  h.mode = 1;
  h.planes = 1;
  seed("filter_run", "shorter-replicated-band", runInput(h, gray));
  h = RunHeader{};
  h.mode = 2;
  seed("filter_run", "indexed-mode", runInput(h, small));
  h = RunHeader{};
  h.chooser = 1;
  seed("filter_run", "chooser-cancelled", runInput(h, small));
}

// The rectangle_fill target's header (tests/fuzz/rectangle_fill.cpp) before
// a few textures of each format: every repeat, gray and 16-bit, the limits'
// scales, angles and offsets, rectangles at the origin, left of and above
// it, at the plane's edge and beyond it.
void writeRectangleTarget() {
  struct Row {
    const char* name;
    std::uint8_t flags, size, repeat, scale, angle, offset;
    std::int32_t top, left;
    std::uint8_t rows, columns, slack, count;
  };
  const Row rows[] = {{"tile-origin", 0, 0, 0, 3, 0, 0, 0, 0, 16, 16, 0, 2},
                      {"mirror-gray-left-above", 4, 0, 1, 2, 4, 1, -37, -91, 9, 40, 3, 4},
                      {"random-16-small-scale", 8, 3, 2, 0, 1, 0x32, 5, 5, 7, 11, 1, 1},
                      {"turned-largest-scale", 0, 1, 0, 5, 5, 0x23, 1000, -3000, 3, 60, 0, 3},
                      {"seamless-at-plane-edge", 16, 0, 1, 4, 2, 0, (1 << 30) - 8, -(1 << 30), 8, 8, 0, 2},
                      {"beyond-the-plane", 0, 0, 0, 3, 0, 0, INT32_MAX - 3, INT32_MIN, 4, 4, 0, 2}};
  const std::vector<std::pair<std::string, Bytes>> textures = {
      {"tif", tiffSeeds().front().second}, {"bmp", bmpSeeds().front().second},
      {"png", seeds::pngSeeds().front().second}, {"jpg", seeds::jpegSeeds().front().second}};
  for (std::size_t t = 0; t < textures.size(); ++t) {
    for (const Row& r : rows) {
      Bytes bytes = {std::uint8_t(r.flags | t), r.size, r.repeat, r.scale, r.angle, r.offset, 7, 0};
      bytes.resize(20);
      putLittle(bytes, 8, static_cast<std::uint32_t>(r.top), 4);
      putLittle(bytes, 12, static_cast<std::uint32_t>(r.left), 4);
      bytes[16] = r.rows;
      bytes[17] = r.columns / 2;
      bytes[18] = r.slack;
      bytes[19] = std::uint8_t(r.count - 1);
      bytes.insert(bytes.end(), textures[t].second.begin(), textures[t].second.end());
      seed("rectangle_fill", textures[t].first + "-" + r.name, bytes);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-seeds OUTPUT_DIRECTORY\n");
    return 2;
  }
  outputRoot = argv[1];
  fs::create_directories(outputRoot);
  TIFFSetWarningHandler(nullptr);
  writeTextureTargets();
  writeLongNameTarget();
  writePreviewTarget();
  writeSettingsTarget();
  writeKeptNamesTarget();
  writeUtf8Target();
  writeSeamlessTarget();
  writeFilterRunTarget();
  writeRectangleTarget();
  return failures == 0 ? 0 : 1;
}
