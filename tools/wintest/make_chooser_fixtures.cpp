// Writes the texture directory that the Windows chooser checks browse:
//   make_chooser_fixtures DIR
// or, for the large-library benchmark, COUNT low-resolution library textures
// with long names and previews:
//   make_chooser_fixtures --library COUNT DIR
// Library textures with long names and previews (as .tif and the same bytes
// as .hrt), a low-resolution texture, a TIFF without long name, a 2 by 2
// BMP, a file whose name is longer than a long-name list entry, a square
// PNG with a title and a wide JPEG with a comment (both colourful, for
// their thumbnails), a subdirectory with files of its own, and copies of the
// low-resolution TIFF, the BMP, the PNG and the JPEG in folders and under
// names in Cyrillic, in Chinese and with an emoji (the names the chooser
// checks list in tools/wintest/chooser_checks.cpp).
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "tests/native/support/texture_fixtures.h"

namespace {

// A colourful preview: rings of palette indices, so that a blank preview
// area in a screenshot is easy to tell from a drawn one.
fixtures::PreviewSpec preview(int bits) {
  fixtures::PreviewSpec layout;
  layout.bitsPerSample = bits;
  layout.pixel = [bits](int x, int y) {
    const double r = std::hypot(x - 31.5, y - 31.5);
    return static_cast<std::uint32_t>(static_cast<int>(r * 3 + x) % (1 << bits));
  };
  return layout;
}

bool library(const std::string& path, int side, int samples, const char* description) {
  fixtures::TiffSpec layout;
  layout.path = path;
  layout.width = side;
  layout.height = side;
  layout.samplesPerPixel = samples;
  layout.photometric = samples == 3 ? 2 : 1;
  layout.description = description;
  layout.previews = {preview(8), preview(4)};
  return !fixtures::writeTiff(layout).empty();
}

bool copyFile(const std::string& from, const std::string& to) {
  return !fixtures::writeRawFile(to, fixtures::readWholeFile(from)).empty();
}

int writeLibrary(const std::string& dir, int count) {
  ::mkdir(dir.c_str(), 0755);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    char description[64];
    std::snprintf(name, sizeof name, "/tex%05d.tif", i);
    std::snprintf(description, sizeof description, "Library Texture %d;low resolution", i);
    if (!library(dir + name, 128, 1, description)) {
      std::fprintf(stderr, "make_chooser_fixtures: cannot write into %s\n", dir.c_str());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--library" && std::atoi(argv[2]) > 0) {
    return writeLibrary(argv[3], std::atoi(argv[2]));
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_chooser_fixtures DIR | --library COUNT DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  ::mkdir(dir.c_str(), 0755);
  ::mkdir((dir + "/sub").c_str(), 0755);
  bool ok = library(dir + "/lib512.tif", 512, 3, "Brindle Coat;high resolution");
  ok = ok && copyFile(dir + "/lib512.tif", dir + "/lib512.hrt");
  ok = ok && library(dir + "/low128.tif", 128, 1, "Slate Floor;low resolution");
  // 70 characters before the extension: more than a 64-byte list entry.
  ok = ok && library(dir + "/" + std::string(70, 'q') + ".tif", 128, 1, "Too Long To List");
  fixtures::TiffSpec plain;
  plain.path = dir + "/nodesc.tif";
  ok = ok && !fixtures::writeTiff(plain).empty();
  fixtures::BmpSpec bmp;
  bmp.path = dir + "/plain.bmp";
  bmp.width = 2;
  bmp.height = 2;
  // The texels the chooser checks expect in their fills.
  bmp.rgb = [](int x, int y) {
    constexpr fixtures::Rgb texels[2][2] = {{{10, 20, 30}, {40, 50, 60}},
                                            {{70, 80, 90}, {200, 110, 120}}};
    return texels[y][x];
  };
  ok = ok && !fixtures::writeBmp(bmp).empty();
  ok = ok && fixtures::imageMagickConvert("-size 256x256 -seed 5 plasma:fractal -set Title 'Copper Leaf;seamless' "
                                          "PNG24:'" + dir + "/copper.png'");
  ok = ok && fixtures::imageMagickConvert("-size 320x200 gradient:orange-navy -swirl 240 -set comment 'Rust Wall' "
                                          "-quality 90 '" + dir + "/rust.jpg'");
  ok = ok && library(dir + "/sub/inner.tif", 128, 1, "Inner Weave");
  fixtures::BmpSpec inner = bmp;
  inner.path = dir + "/sub/other.bmp";
  ok = ok && !fixtures::writeBmp(inner).empty();
  for (const auto& [folder, name] : {std::pair<const char*, const char*>{"\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B",
                                                                         "\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87"},
                                      {"\xE7\xB4\x8B\xE7\x90\x86", "\xE7\xA3\x9A"},
                                      {"\xF0\x9F\xA7\xB1", "\xF0\x9F\xA7\xB1"}}) {
    const std::string named = dir + "/" + folder + "/" + name;
    ::mkdir((dir + "/" + folder).c_str(), 0755);
    ok = ok && copyFile(dir + "/low128.tif", named + ".tif") && copyFile(dir + "/plain.bmp", named + ".bmp") &&
         copyFile(dir + "/copper.png", named + ".png") && copyFile(dir + "/rust.jpg", named + ".jpg");
  }
  if (!ok) {
    std::fprintf(stderr, "make_chooser_fixtures: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
