// Writes the textures of the fill cross-check and the case lists that use
// them into one directory:
//   make_fill_fixtures DIR
// DIR/cases.txt holds every case, DIR/smoke.txt a short subset. The textures
// cover each kind the row source knows (RGB, one-sample, palette, four-sample
// and compressed TIFFs (LZW, JPEG), 8- and 24-bit BMPs, PNGs and JPEGs of each layout),
// the two library classes, square PNG and JPEG textures at other sizes, and
// a texture taller than 512 rows, and a TIFF, a BMP, a PNG and a JPEG in
// folders and under names in Cyrillic, in Chinese and with an emoji. PNGs
// and JPEGs are written by ImageMagick.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/native/support/texture_fixtures.h"

namespace {

struct CaseLine {
  bool smoke;
  const char* line;
};

// name texture size origin mode width height top left bottom right [options]
// Documents stay small: every case also runs under Wine.
constexpr CaseLine kCases[] = {
    {true, "hires-actual-rgb-doc hires.tif 0 doc rgb 600 560 10 20 540 590"},
    {false, "hires-actual-gray-sel hires.tif 0 sel gray 300 200 13 17 190 280"},
    {false, "hires-512-rgb-sel hires.tif 1 sel rgb 200 150 5 7 140 190"},
    {false, "hires-256-rgb-doc hires.tif 2 doc rgb 320 300 11 3 290 317"},
    {false, "hires-128-rgb-doc-prescaled hires.tif 3 doc rgb 300 260 200 5 260 299"},
    {false, "hires-128-gray-doc-prescaled hires.tif 3 doc gray 400 400 1 300 399 397"},
    {false, "hires-128-rgb-sel-short hires.tif 3 sel rgb 200 120 3 4 117 190"},
    {false, "hires-64-gray-sel hires.tif 4 sel gray 150 140 9 9 140 150"},
    {false, "hires-64-rgb-doc hires.tif 4 doc rgb 150 140 0 0 140 150"},
    {true, "lowres-actual-gray-doc lowres.tif 0 doc gray 300 290 7 9 283 297"},
    {false, "lowres-512-rgb-doc lowres.tif 1 doc rgb 600 40 10 30 21 100"},
    {false, "lowres-512-rgb-doc-wide lowres.tif 1 doc rgb 640 530 3 300 530 640"},
    {false, "lowres-256-gray-doc lowres.tif 2 doc gray 300 280 5 11 278 299"},
    {false, "lowres-128-rgb-sel lowres.tif 3 sel rgb 200 200 0 0 200 200"},
    {false, "lowres-64-rgb-doc lowres.tif 4 doc rgb 160 150 2 2 149 158"},
    {false, "lrt-512-not-enlarged lowres.lrt 1 doc rgb 300 300 0 0 300 300"},
    {false, "lzw-actual-rgb-doc hires-lzw.tif 0 doc rgb 300 300 200 40 300 290"},
    {false, "lzw-128-rgb-doc-prescaled hires-lzw.tif 3 doc rgb 300 300 50 40 300 290"},
    {false, "lzw-256-gray-sel hires-lzw.tif 2 sel gray 260 200 1 1 199 259"},
    {false, "jpeg-tiff-actual-rgb-doc jpeg-strips.tif 0 doc rgb 200 150 40 10 150 190"},
    {false, "palette-actual-rgb-doc palette.tif 0 doc rgb 240 180 17 13 171 233"},
    {false, "palette-actual-gray-sel palette.tif 0 sel gray 240 180 17 13 171 233"},
    {false, "rgba-actual-rgb-doc rgba.tif 0 doc rgb 120 90 1 2 88 119"},
    {true, "bmp24-actual-rgb-doc texture24.bmp 0 doc rgb 200 150 9 5 149 199"},
    {false, "bmp24-actual-gray-sel texture24.bmp 0 sel gray 200 150 9 5 149 199"},
    {false, "bmp8-actual-rgb-doc texture8.bmp 0 doc rgb 170 130 0 3 130 170"},
    {false, "tall-actual-rgb-doc tall.tif 0 doc rgb 60 560 0 0 560 60 boxes=0"},
    {true, "png-rgb-actual-rgb-doc rgb.png 0 doc rgb 200 150 9 5 149 199"},
    {false, "png-palette-actual-gray-sel palette.png 0 sel gray 170 130 0 3 130 170"},
    {false, "png-deep-actual-rgb-doc deep.png 0 doc rgb 120 90 1 2 88 119"},
    {false, "png-interlaced-actual-rgb-sel interlaced.png 0 sel rgb 120 90 3 4 87 117"},
    {true, "jpeg-gray-actual-rgb-doc gray.jpg 0 doc rgb 150 120 0 0 120 150"},
    {false, "jpeg-progressive-actual-gray-doc progressive.jpg 0 doc gray 150 120 2 2 118 149"},
    {false, "jpeg-progressive-actual-rgb-sel progressive.jpg 0 sel rgb 150 120 2 2 118 149"},
    {false, "png-square-256-rgb-doc square.png 2 doc rgb 300 280 5 11 278 299"},
    {false, "jpeg-square-128-rgb-doc-prescaled square.jpg 3 doc rgb 300 260 0 0 260 300"},
    {false, "jpeg-square-512-rgb-sel square.jpg 1 sel rgb 200 150 5 7 140 190"},
    {false, "png-1024-256-rgb-doc square1024.png 2 doc rgb 300 280 0 0 280 300"},
    // Fill options, set through Preferences on Windows.
    {true, "options-scale-angle-offset-rgb-sel hires.tif 2 sel rgb 200 150 5 7 140 190 scale=73 angle=30 offset=-11,5"},
    {false, "options-mirror-gray-doc lowres.tif 0 doc gray 200 150 0 0 150 200 repeat=mirror angle=-90"},
    {false, "options-random-seamless-png rgb.png 0 doc rgb 120 90 1 2 88 119 repeat=random seed=4321 seamless"},
    {true, "cancelled cancel 0 doc rgb 40 40 0 0 40 40 expect=1 boxes=0"},
    {false, "chooser-failed fail 0 doc rgb 40 40 0 0 40 40 expect=-19 boxes=0"},
    {true, "missing-file missing.tif 0 doc rgb 40 40 0 0 40 40 expect=-19 boxes=1"},
    {false, "not-a-bmp not-a-bitmap.bmp 0 doc rgb 40 40 0 0 40 40 expect=-19 boxes=1"},
    {false, "compressed-bmp compressed.bmp 0 doc rgb 40 40 0 0 40 40 expect=-19 boxes=2"},
    {false, "cmyk-jpeg cmyk.jpg 0 doc rgb 40 40 0 0 40 40 expect=-19 boxes=2"},
    {false, "truncated-png truncated.png 0 doc rgb 40 40 0 0 40 40 expect=-19 boxes=1"},
    {false, "indexed-mode hires.tif 0 doc 2 40 40 0 0 40 40 expect=-30101"},
    {false, "abort-third-band hires.tif 0 doc rgb 100 100 0 0 100 100 abort=3 expect=1"},
    {false, "abort-while-prescaling hires.tif 3 doc rgb 100 300 0 0 300 100 abort=start expect=1"},
    {false, "abort-while-decoding rgb.png 0 doc rgb 100 100 0 0 100 100 abort=start expect=1 boxes=0"},
    {false, "empty-rectangle hires.tif 0 doc rgb 40 40 20 20 20 20"},
    // Layers: the filter case and plane counts as hosts of the later record
    // hand them over.
    {true, "layer-blank-rgb hires.tif 0 doc rgb 200 150 0 0 150 200 case=4 blank"},
    {false, "layer-selection-rgb hires.tif 0 sel rgb 220 160 12 17 140 201 case=5"},
    {false, "layer-selection-gray-256 lowres.tif 2 sel gray 150 120 3 5 100 140 case=5"},
    {false, "layer-locked-rgb hires.tif 0 doc rgb 200 150 9 5 149 199 case=7"},
    {false, "layer-locked-gray hires.tif 3 doc gray 160 120 0 0 120 160 case=6"},
    {false, "floating-selection-rgb hires.tif 0 doc rgb 200 150 9 5 149 199 case=3"},
    {false, "short-record-rgba hires.tif 0 doc rgb 200 150 9 5 149 199 case=4 short"},
    // 16-bit documents.
    {true, "rgb16-actual-doc hires.tif 0 doc rgb16 300 200 10 20 190 290"},
    {false, "gray16-256-sel hires.tif 2 sel gray16 260 200 1 1 199 259"},
    {false, "rgb16-lowres-512-doc lowres.tif 1 doc rgb16 300 100 10 30 95 290"},
    {false, "gray16-palette-sel palette.tif 0 sel gray16 240 180 17 13 171 233"},
    {false, "layer-blank-gray16-256 lowres.tif 2 doc gray16 150 120 0 0 120 150 case=4 blank"},
    {false, "layer-selection-rgb16 hires.tif 4 sel rgb16 180 140 5 6 130 170 case=5"},
    {false, "lab-mode hires.tif 0 doc 9 40 40 0 0 40 40 expect=-30101"},
    // Scale, angle, offset and mirrored repeats, set in Preferences.
    {true, "turned-73-30-rgb-doc hires.tif 0 doc rgb 300 200 10 20 190 290 scale=73 angle=30"},
    {false, "turned-250-gray-sel lowres.tif 2 sel gray 200 160 7 9 150 190 scale=250 angle=-45 offset=3,-8"},
    {false, "scaled-10-rgb16-doc hires.tif 0 doc rgb16 160 120 0 0 120 160 scale=10"},
    {false, "turned-layer-rgb-doc rgb.png 0 doc rgb 150 110 3 4 100 140 scale=300 angle=100 case=4 blank"},
    {true, "mirror-rgb-doc lowres.tif 0 doc rgb 300 300 5 6 290 280 repeat=mirror"},
    {false, "mirror-turned-gray-doc hires.tif 3 doc gray 200 150 0 0 150 200 repeat=mirror angle=90"},
    {false, "offset-rgb-sel hires.tif 0 sel rgb 240 180 17 13 171 233 offset=-100,55"},
    // Without repetition: the variation, the cell, and Preferences' transform.
    {true, "random-rgb-doc hires.tif 2 doc rgb 300 200 10 20 190 290 repeat=random"},
    {false, "random-gray16-sel lowres.tif 0 sel gray16 200 160 7 9 150 190 repeat=random seed=4242"},
    {false, "random-turned-layer-rgb rgb.png 0 doc rgb 150 110 3 4 100 140 repeat=random angle=30 scale=150 case=4 blank"},
    // Quilted: 8- and 16-bit, a selection, a layer, and Preferences' transform.
    {true, "shapes-rgb-doc hires.tif 2 doc rgb 300 200 10 20 190 290 repeat=shapes"},
    {false, "shapes-gray16-sel lowres.tif 0 sel gray16 200 160 7 9 150 190 repeat=shapes seed=4242 offset=5,-3"},
    {false, "shapes-turned-layer-rgb rgb.png 0 doc rgb 150 110 3 4 100 140 repeat=shapes angle=30 scale=150 case=4 blank"},
    {false, "shapes-reduced-gray16-sel lowres.tif 0 sel gray16 200 160 7 9 150 190 repeat=shapes scale=60 angle=-20"},
    {false, "shapes-square-rgb16-doc square.png 0 doc rgb16 160 120 0 0 120 160 repeat=shapes"},
    // Made seamless at Start: a PNG, a BMP held whole first, a JPEG scaled.
    {true, "seamless-png-rgb-doc rgb.png 0 doc rgb 200 150 9 5 149 199 seamless"},
    {false, "seamless-bmp-gray-sel texture24.bmp 0 sel gray 200 150 9 5 149 199 seamless angle=20"},
    {false, "seamless-jpeg-256-rgb16 square.jpg 2 doc rgb16 300 200 0 0 200 300 seamless"},
    {false, "seamless-library-untouched hires.tif 0 doc rgb 100 80 0 0 80 100 seamless"},
    // Names no ANSI code page of the test's prefix holds: each reaches the
    // file intact or the fill fails with the read error.
    {true, "cyrillic-tiff \xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B/\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87.tif 0 doc rgb 120 90 1 2 88 119"},
    {false, "cyrillic-bmp \xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B/\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87.bmp 0 sel gray 120 90 1 2 88 119"},
    {false, "cyrillic-png \xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B/\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87.png 0 doc rgb 120 90 1 2 88 119"},
    {false, "cyrillic-jpeg-seamless \xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B/\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87.jpg 0 doc rgb 120 90 1 2 88 119 seamless"},
    {false, "cjk-tiff-seamless \xE7\xB4\x8B\xE7\x90\x86/\xE7\xA3\x9A.tif 0 doc rgb 120 90 1 2 88 119 seamless"},
    {false, "cjk-bmp \xE7\xB4\x8B\xE7\x90\x86/\xE7\xA3\x9A.bmp 0 doc rgb 120 90 1 2 88 119"},
    {false, "cjk-png \xE7\xB4\x8B\xE7\x90\x86/\xE7\xA3\x9A.png 0 sel gray 120 90 1 2 88 119"},
    {false, "cjk-jpeg \xE7\xB4\x8B\xE7\x90\x86/\xE7\xA3\x9A.jpg 0 doc rgb 120 90 1 2 88 119"},
    {false, "emoji-tiff \xF0\x9F\xA7\xB1/\xF0\x9F\xA7\xB1.tif 0 doc rgb 120 90 1 2 88 119"},
    {false, "emoji-bmp-seamless \xF0\x9F\xA7\xB1/\xF0\x9F\xA7\xB1.bmp 0 doc rgb 120 90 1 2 88 119 seamless"},
    {false, "emoji-png \xF0\x9F\xA7\xB1/\xF0\x9F\xA7\xB1.png 0 doc rgb 120 90 1 2 88 119"},
    {false, "emoji-jpeg \xF0\x9F\xA7\xB1/\xF0\x9F\xA7\xB1.jpg 0 sel gray 120 90 1 2 88 119"},
};

// The folders and the file name (without extension) in each: "Текстуры"
// with "кирпич", "紋理" with "磚", an emoji (U+1F9F1, outside the Basic
// Multilingual Plane) with itself.
struct NamedFolder {
  const char* folder;
  const char* name;
};
constexpr NamedFolder kNamedFolders[] = {
    {"\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B", "\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87"},
    {"\xE7\xB4\x8B\xE7\x90\x86", "\xE7\xA3\x9A"},
    {"\xF0\x9F\xA7\xB1", "\xF0\x9F\xA7\xB1"},
};

// Copies of the palette TIFF, the 24-bit BMP, the RGB PNG and the
// progressive JPEG under those names.
bool writeNamedCopies(const std::string& dir) {
  bool ok = true;
  for (const NamedFolder& named : kNamedFolders) {
    const std::string folder = dir + "/" + named.folder;
    ::mkdir(folder.c_str(), 0755);
    for (const auto& [from, extension] : {std::pair<const char*, const char*>{"palette.tif", ".tif"},
                                          {"texture24.bmp", ".bmp"}, {"rgb.png", ".png"},
                                          {"progressive.jpg", ".jpg"}}) {
      const std::vector<std::uint8_t> bytes = fixtures::readWholeFile(dir + "/" + from);
      ok = !bytes.empty() && !fixtures::writeRawFile(folder + "/" + named.name + extension, bytes).empty() && ok;
    }
  }
  return ok;
}

// name, size, the options and output prefix convert takes, and whether the
// picture is 16-bit.
struct DecodedTexture {
  const char* name;
  int side;
  int height;
  const char* options;
  bool sixteenBit;
};

constexpr DecodedTexture kDecodedTextures[] = {
    {"rgb.png", 37, 29, "PNG24:", false},
    {"palette.png", 51, 43, "-colors 32 PNG8:", false},
    {"deep.png", 33, 21, "-depth 16 PNG48:", true},
    {"interlaced.png", 41, 23, "-interlace PNG PNG24:", false},
    {"gray.jpg", 45, 31, "-colorspace Gray -quality 90 JPG:", false},
    {"progressive.jpg", 47, 35, "-interlace JPEG -quality 85 JPG:", false},
    {"square.png", 64, 64, "PNG24:", false},
    {"square.jpg", 100, 100, "-quality 90 JPG:", false},
    {"square1024.png", 1024, 1024, "PNG24:", false},
    {"cmyk.jpg", 20, 20, "-colorspace CMYK JPG:", false},
};

bool writeDecodedTextures(const std::string& dir) {
  bool ok = true;
  for (const DecodedTexture& t : kDecodedTextures) {
    const std::string ppm = fixtures::writePpm(dir + "/" + t.name + ".ppm", t.side, t.height, t.sixteenBit);
    ok = fixtures::imageMagickConvert("'" + ppm + "' " + t.options + "'" + dir + "/" + t.name + "'") && ok;
    std::remove(ppm.c_str());
  }
  // Half of a PNG: the decoder runs out of data.
  const std::vector<std::uint8_t> whole = fixtures::readWholeFile(dir + "/rgb.png");
  const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
  return !fixtures::writeRawFile(dir + "/truncated.png", half).empty() && ok;
}

bool writeTextures(const std::string& dir) {
  using fixtures::TiffSpec;
  bool ok = true;
  auto tiff = [&](TiffSpec layout) { ok = !fixtures::writeTiff(layout).empty() && ok; };

  TiffSpec hires;
  hires.path = dir + "/hires.tif";
  hires.width = 512;
  hires.height = 512;
  tiff(hires);

  TiffSpec compressed = hires;
  compressed.path = dir + "/hires-lzw.tif";
  compressed.compression = 5;
  compressed.rowsPerStrip = 16;
  tiff(compressed);

  // JPEG-compressed strips: the Windows libtiff is built with libjpeg too.
  TiffSpec jpegStrips = hires;
  jpegStrips.path = dir + "/jpeg-strips.tif";
  jpegStrips.width = 72;
  jpegStrips.height = 56;
  jpegStrips.compression = 7;
  jpegStrips.rowsPerStrip = 16;
  tiff(jpegStrips);

  TiffSpec lowres;
  lowres.path = dir + "/lowres.tif";
  lowres.width = 128;
  lowres.height = 128;
  lowres.samplesPerPixel = 1;
  lowres.photometric = 1;
  tiff(lowres);
  lowres.path = dir + "/lowres.lrt";
  tiff(lowres);

  TiffSpec palette;
  palette.path = dir + "/palette.tif";
  palette.width = 93;
  palette.height = 71;
  palette.samplesPerPixel = 1;
  palette.photometric = 3;
  tiff(palette);

  TiffSpec rgba;
  rgba.path = dir + "/rgba.tif";
  rgba.width = 33;
  rgba.height = 21;
  rgba.samplesPerPixel = 4;
  tiff(rgba);

  TiffSpec tall;
  tall.path = dir + "/tall.tif";
  tall.width = 24;
  tall.height = 600;
  tiff(tall);

  fixtures::BmpSpec bmp24;
  bmp24.path = dir + "/texture24.bmp";
  bmp24.width = 37;
  bmp24.height = 29;
  ok = !fixtures::writeBmp(bmp24).empty() && ok;

  fixtures::BmpSpec bmp8;
  bmp8.path = dir + "/texture8.bmp";
  bmp8.width = 51;
  bmp8.height = 43;
  bmp8.bitCount = 8;
  ok = !fixtures::writeBmp(bmp8).empty() && ok;

  fixtures::BmpSpec wrongMagic = bmp24;
  wrongMagic.path = dir + "/not-a-bitmap.bmp";
  wrongMagic.type = 0x4D58;  // "XM"
  ok = !fixtures::writeBmp(wrongMagic).empty() && ok;

  fixtures::BmpSpec runLength = bmp24;
  runLength.path = dir + "/compressed.bmp";
  runLength.compression = 1;
  ok = !fixtures::writeBmp(runLength).empty() && ok;
  return writeDecodedTextures(dir) && ok;
}

bool writeCaseList(const std::string& path, bool smokeOnly) {
  std::ofstream out(path);
  out << "# Written by make_fill_fixtures; see tools/fillhost/case_list.h for the format.\n";
  for (const CaseLine& c : kCases) {
    if (!smokeOnly || c.smoke) out << c.line << '\n';
  }
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fill_fixtures DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (!writeTextures(dir) || !writeNamedCopies(dir) || !writeCaseList(dir + "/cases.txt", false) ||
      !writeCaseList(dir + "/smoke.txt", true)) {
    std::fprintf(stderr, "make_fill_fixtures: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
