// Writes texture files for tests: TIFFs through libtiff with any layout the
// tests need, hand-built BMPs (including malformed ones), raw and truncated
// files, all inside a temporary directory removed at the end of the test.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fixtures {

struct Rgb {
  std::uint8_t r;
  std::uint8_t g;
  std::uint8_t b;
  bool operator==(const Rgb&) const = default;
};

// Deterministic, non-periodic-looking patterns, so that a row or column read
// from the wrong place shows up.
Rgb texel(int x, int y);
std::uint8_t grayTexel(int x, int y);
// Sample `s` of pixel (x, y) for an image of several samples: 0..2 follow
// texel(), a fourth sample is its own pattern.
std::uint8_t sampleTexel(int x, int y, int s);

// A temporary directory, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// One extra image directory after the texture (a library preview).
struct PreviewSpec {
  int width = 64;
  int height = 64;
  int bitsPerSample = 8;
  int samplesPerPixel = 1;
  int photometric = 3;  // palette
  bool colormap = true;
  // Stored sample value of pixel (x, y); default: (x + 2y) masked to the bit depth.
  std::function<std::uint32_t(int x, int y)> pixel;
};

struct TiffSpec {
  std::string path;  // full path of the file to write
  int width = 8;
  int height = 8;
  int samplesPerPixel = 3;
  int bitsPerSample = 8;
  int photometric = 2;       // 0 white is zero, 1 black is zero, 2 RGB, 3 palette
  int compression = 1;       // 1 none, 5 LZW, 8 Deflate (libtiff COMPRESSION_*)
  int planarConfig = 1;      // 1 chunky, 2 separate planes
  int rowsPerStrip = 0;      // 0: libtiff's default
  bool colormap = true;      // write a ColorMap when photometric is 3
  // Colour map, 3 * 2^bitsPerSample values (all reds, greens, blues);
  // empty: entry i = (i * 257, (255 - i) * 257, (i * 7 & 255) * 257).
  std::vector<std::uint16_t> colormapValues;
  std::optional<std::string> description;  // ImageDescription of directory 1
  // Stored bytes of the whole image, chunky rows of width * samples * bytes
  // per sample; empty: generated from sampleTexel (scaled to 16 bits by 257).
  std::vector<std::uint8_t> data;
  std::vector<PreviewSpec> previews;  // directories 2, 3, ...
};

// Writes the TIFF and answers its path; fails the calling test (ADD_FAILURE)
// and answers "" when libtiff refuses.
std::string writeTiff(const TiffSpec& layout);

// The colour map writeTiff uses for `layout` (given or default).
std::vector<std::uint16_t> tiffColormap(const TiffSpec& layout);

// What the row source should deliver for texture row `row` of an 8-bit
// TIFF of 1, 3 or 4 samples (RGB, red first, 3 * width bytes).
std::vector<std::uint8_t> expectedTiffRow(const TiffSpec& layout, int row);

struct BmpSpec {
  std::string path;
  int width = 8;
  int height = 8;        // negative: rows stored top-down
  int bitCount = 24;     // 8 or 24 (others allowed for refusal tests)
  std::uint32_t clrUsed = 0;
  std::uint32_t compression = 0;
  std::uint16_t type = 0x4D42;  // "BM"
  std::uint32_t infoSize = 40;  // biSize
  // Colour-table entries written after the info header; -1: clrUsed, or
  // 256 when clrUsed is 0 (for 8 bits); none for 24 bits unless given.
  int paletteEntries = -1;
  // Palette entry i as RGB; default: (i, 255 - i, i * 3).
  std::function<Rgb(int index)> palette;
  // 24 bits: RGB of texture pixel (x, y) (texture row y, top row 0);
  // default: texel(). 8 bits: index of pixel (x, y); default: (x + 3y) & 255.
  std::function<Rgb(int x, int y)> rgb;
  std::function<std::uint8_t(int x, int y)> index;
  // bfOffBits; -1: right after the colour table.
  std::int64_t dataOffset = -1;
  std::int64_t truncateTo = -1;  // cut the file at this many bytes
};

// Stored row size in bytes: rows padded to 4 bytes.
int bmpStoredRowBytes(int width, int bitCount);
std::string writeBmp(const BmpSpec& layout);
Rgb bmpPaletteEntry(const BmpSpec& layout, int index);
// What the row source should deliver for texture row `row` of an 8- or 24-bit BMP.
std::vector<std::uint8_t> expectedBmpRow(const BmpSpec& layout, int row);

std::string writeRawFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string writeTextFile(const std::string& path, const std::string& text);
std::vector<std::uint8_t> readWholeFile(const std::string& path);
// PNG and JPEG fixtures come from ImageMagick, which also gives the pixels
// the readers are held to.
// A binary PPM of texel() (maxval 255) or of texel() x 257 + x (maxval
// 65535, so that 16-bit samples differ in their low byte too).
std::string writePpm(const std::string& path, int width, int height, bool sixteenBit = false);
// Runs `convert` with the given arguments (shell words); false on failure.
bool imageMagickConvert(const std::string& arguments);
// The file's pixels as ImageMagick decodes them: 8-bit RGB, top row first;
// JPEGs with the accurate integer transform libjpeg uses by default. With
// `sixteenBit`, ImageMagick's 16-bit samples v are rounded here to
// (v * 255 + 32767) / 65535 (its own 8-bit output of a 16-bit gray PNG
// drops the low byte instead).
std::vector<std::uint8_t> imageMagickRgb(const std::string& path, bool sixteenBit = false);

// Cuts an existing file to `size` bytes.
void truncateFile(const std::string& path, std::int64_t size);

}  // namespace fixtures
