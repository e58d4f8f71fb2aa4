// Loading the preview panel: the new panel, the preview directory chosen by
// the display, bottom-up rows, white tables for files without a preview,
// no reload of the same path, invalidation only while enabled, and previews
// too large for the panel's buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "chooser/posix/preview_display_test.h"
#include "chooser/preview_panel.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/texture_fixtures.h"

namespace {

using chooser::PreviewPanel;

int header32(const PreviewPanel& panel, int offset) {
  const std::uint8_t* b = panel.bitmapInfo + offset;
  return b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24;
}
int header16(const PreviewPanel& panel, int offset) {
  const std::uint8_t* b = panel.bitmapInfo + offset;
  return b[0] | b[1] << 8;
}
// Colour entry i as red, green, blue.
fixtures::Rgb entry(const PreviewPanel& panel, int i) {
  const std::uint8_t* e = panel.bitmapInfo + 40 + 4 * i;
  return {e[2], e[1], e[0]};
}
bool allWhite(const PreviewPanel& panel) {
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* e = panel.bitmapInfo + 40 + 4 * i;
    if (e[0] != 255 || e[1] != 255 || e[2] != 255 || e[3] != 0) return false;
  }
  return true;
}
// Pixel (x, y) of the picture, y counted from its top.
int pixelAt(const PreviewPanel& panel, int x, int y) {
  return panel.pixels[(panel.height - 1 - y) * panel.pixelRowBytes + x];
}

class PreviewPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chooser::setNativeDisplay(false, 24);
    chooser::test::clearInvalidations();
    outstanding_ = platform::test::blocksOutstanding();
    ASSERT_EQ(chooser::createPreviewPanel(&panel_, window_, 11, 22, 64, 64), 1);
  }
  void TearDown() override {
    chooser::freePreviewPanel(&panel_);
    chooser::setNativeDisplay(false, 24);
    platform::test::failAllocationAfter(0);
    EXPECT_EQ(platform::test::blocksOutstanding(), outstanding_);
  }

  // A library texture: 8x8 RGB, a preview with pixel x + 3y, and a second
  // preview (for 16-colour displays) with its own pattern and bit depth.
  std::string library(const std::string& name, int thirdBits = 8) {
    fixtures::TiffSpec layout;
    layout.path = dir_.file(name);
    fixtures::PreviewSpec second;
    second.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x + 3 * y); };
    fixtures::PreviewSpec third;
    third.bitsPerSample = thirdBits;
    third.pixel = [](int x, int y) { return static_cast<std::uint32_t>(7 * x + y + 1); };
    layout.previews = {second, third};
    return fixtures::writeTiff(layout);
  }

  fixtures::TempDir dir_;
  PreviewPanel panel_{};
  void* window_ = reinterpret_cast<void*>(0x1234);
  long outstanding_ = 0;
};

TEST_F(PreviewPanelTest, NewPanelIsAWhiteEightBitBottomUpBitmap) {
  EXPECT_EQ(panel_.enabled, 0);
  EXPECT_STREQ(panel_.lastPath, "");
  EXPECT_EQ(panel_.pixelRowBytes, 64);
  EXPECT_EQ(panel_.shownWidth, 64);
  EXPECT_EQ(panel_.shownHeight, 64);
  EXPECT_EQ(panel_.paletteMode, 0);
  EXPECT_EQ(header32(panel_, 0), 40);
  EXPECT_EQ(header32(panel_, 4), 64);
  EXPECT_EQ(header32(panel_, 8), 64);  // positive: bottom-up
  EXPECT_EQ(header16(panel_, 12), 1);
  EXPECT_EQ(header16(panel_, 14), 8);
  EXPECT_EQ(header32(panel_, 16), 0);
  EXPECT_EQ(header32(panel_, 20), 64 * 64);
  EXPECT_EQ(header32(panel_, 32), 0);  // all 256 colours
  EXPECT_TRUE(allWhite(panel_));
  EXPECT_TRUE(std::all_of(panel_.pixels, panel_.pixels + 64 * 64, [](auto p) { return p == 255; }));
  EXPECT_TRUE(chooser::test::invalidations().empty());
}

TEST_F(PreviewPanelTest, PaletteModeAndRowBytesFollowTheDisplayAndWidth) {
  chooser::setNativeDisplay(true, 8);
  PreviewPanel other{};
  ASSERT_EQ(chooser::createPreviewPanel(&other, window_, 0, 0, 5, 3), 1);
  EXPECT_EQ(other.paletteMode, 1);
  EXPECT_EQ(other.pixelRowBytes, 8);
  EXPECT_EQ(header32(other, 20), 24);
  chooser::freePreviewPanel(&other);
}

TEST_F(PreviewPanelTest, CreationFailsCleanlyWhenMemoryRunsOut) {
  for (int k = 1; k <= 2; ++k) {
    PreviewPanel other{};
    platform::test::failAllocationAfter(k);
    EXPECT_EQ(chooser::createPreviewPanel(&other, window_, 0, 0, 64, 64), 0);
    EXPECT_EQ(other.pixels, nullptr);
    EXPECT_EQ(other.bitmapInfo, nullptr);
    platform::test::failAllocationAfter(0);
  }
  EXPECT_EQ(chooser::createPreviewPanel(nullptr, window_, 0, 0, 64, 64), 0);
}

TEST_F(PreviewPanelTest, LoadsTheSecondDirectoryBottomUp) {
  const std::string path = library("brick.tif");
  chooser::loadPreview(&panel_, path.c_str());
  EXPECT_EQ(header32(panel_, 32), 256);
  EXPECT_EQ(header16(panel_, 14), 8);
  // Default colour map of the fixtures: entry i = (i, 255 - i, 7i).
  EXPECT_EQ(entry(panel_, 0), (fixtures::Rgb{0, 255, 0}));
  EXPECT_EQ(entry(panel_, 10), (fixtures::Rgb{10, 245, 70}));
  // The picture's top row is the last row in memory.
  EXPECT_EQ(panel_.pixels[63 * 64 + 5], 5);
  EXPECT_EQ(panel_.pixels[0], (3 * 63) & 255);
  for (int y : {0, 1, 40, 63}) {
    for (int x : {0, 9, 63}) EXPECT_EQ(pixelAt(panel_, x, y), (x + 3 * y) & 255) << x << "," << y;
  }
  EXPECT_STREQ(panel_.lastPath, path.c_str());
  EXPECT_TRUE(chooser::test::invalidations().empty());  // not enabled
}

TEST_F(PreviewPanelTest, SixteenColourDisplaysGetTheThirdDirectory) {
  const std::string path = library("brick.TIF", 4);
  chooser::setNativeDisplay(false, 4);
  chooser::loadPreview(&panel_, path.c_str());
  EXPECT_EQ(header32(panel_, 32), 16);
  EXPECT_EQ(header16(panel_, 14), 4);
  // Rows of 64 four-bit pixels: 32 bytes, first pixel in the high nibble.
  const int top = 63 * 32;
  EXPECT_EQ(panel_.pixels[top] >> 4, 1);
  EXPECT_EQ(panel_.pixels[top] & 15, 8);
  EXPECT_EQ(panel_.pixels[0] >> 4, (63 + 1) & 15);

  // A palette display, or one with 5 bits or more, keeps the second.
  for (auto [palette, bits] : {std::pair{true, 4}, std::pair{false, 5}}) {
    PreviewPanel other{};
    chooser::setNativeDisplay(palette, bits);
    ASSERT_EQ(chooser::createPreviewPanel(&other, window_, 0, 0, 64, 64), 1);
    chooser::loadPreview(&other, path.c_str());
    EXPECT_EQ(header32(other, 32), 256);
    EXPECT_EQ(pixelAt(other, 9, 2), 15);
    chooser::freePreviewPanel(&other);
  }
}

TEST_F(PreviewPanelTest, FilesWithoutAPreviewTurnThePanelWhite) {
  const std::string path = library("brick.tif");
  fixtures::TiffSpec bare;
  bare.path = dir_.file("bare.tif");
  fixtures::writeTiff(bare);
  fixtures::BmpSpec bmp;
  bmp.path = dir_.file("pic.bmp");
  fixtures::writeBmp(bmp);
  for (const std::string& other :
       {bare.path, bmp.path, dir_.file("missing.tif"), std::string(""), dir_.path()}) {
    chooser::loadPreview(&panel_, path.c_str());
    ASSERT_FALSE(allWhite(panel_));
    chooser::loadPreview(&panel_, other.c_str());
    EXPECT_TRUE(allWhite(panel_)) << other;
    EXPECT_EQ(pixelAt(panel_, 9, 2), 15) << other;  // pixels keep what they held
    EXPECT_STREQ(panel_.lastPath, other.c_str());
  }
}

TEST_F(PreviewPanelTest, APreviewWithoutColourMapIsWhiteButItsPixelsAreRead) {
  fixtures::TiffSpec layout;
  layout.path = dir_.file("nomap.hrt");
  fixtures::PreviewSpec preview;
  preview.colormap = false;
  preview.photometric = 1;
  preview.pixel = [](int x, int) { return static_cast<std::uint32_t>(x + 100); };
  layout.previews = {preview};
  fixtures::writeTiff(layout);
  chooser::loadPreview(&panel_, layout.path.c_str());
  EXPECT_TRUE(allWhite(panel_));
  EXPECT_EQ(pixelAt(panel_, 3, 0), 103);
}

TEST_F(PreviewPanelTest, PixelsAreReadOnlyForTiffExtensions) {
  const std::string path = library("brick.tif");
  const std::string renamed = dir_.file("brick.dat");
  std::rename(path.c_str(), renamed.c_str());
  EXPECT_EQ(chooser::readPreviewPixels(renamed.c_str(), panel_.pixels, false, {64, 64}), 0);
  EXPECT_EQ(panel_.pixels[0], 255);
  // The colour table does not look at the extension.
  chooser::loadPreview(&panel_, renamed.c_str());
  EXPECT_EQ(header32(panel_, 32), 256);
  EXPECT_EQ(panel_.pixels[0], 255);
}

TEST_F(PreviewPanelTest, TheSamePathInOtherLetterCaseIsNotReloaded) {
  const std::string path = library("brick.tif");
  chooser::setPreviewEnabled(&panel_, 1);
  chooser::test::clearInvalidations();
  chooser::loadPreview(&panel_, path.c_str());
  ASSERT_EQ(chooser::test::invalidations().size(), 1u);
  const auto& area = chooser::test::invalidations()[0];
  EXPECT_EQ(area.window, window_);
  EXPECT_EQ(area.left, 11);
  EXPECT_EQ(area.top, 22);
  EXPECT_EQ(area.right, 75);
  EXPECT_EQ(area.bottom, 86);

  // The upper-case name names no file here, so a reload would turn it white.
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  chooser::loadPreview(&panel_, upper.c_str());
  chooser::loadPreview(&panel_, path.c_str());
  EXPECT_EQ(chooser::test::invalidations().size(), 1u);
  EXPECT_FALSE(allWhite(panel_));
  EXPECT_STREQ(panel_.lastPath, path.c_str());
}

TEST_F(PreviewPanelTest, AnEnlargedPanelRepaintsAllOfItsShownArea) {
  panel_.shownWidth = 128;
  panel_.shownHeight = 96;
  chooser::setPreviewEnabled(&panel_, 1);
  ASSERT_EQ(chooser::test::invalidations().size(), 1u);
  const auto& area = chooser::test::invalidations()[0];
  EXPECT_EQ(area.left, 11);
  EXPECT_EQ(area.top, 22);
  EXPECT_EQ(area.right, 11 + 128);
  EXPECT_EQ(area.bottom, 22 + 96);
}

TEST_F(PreviewPanelTest, SwitchingInvalidatesOnlyOnChange) {
  chooser::setPreviewEnabled(&panel_, 0);
  EXPECT_TRUE(chooser::test::invalidations().empty());
  chooser::setPreviewEnabled(&panel_, 1);
  chooser::setPreviewEnabled(&panel_, 1);
  EXPECT_EQ(chooser::test::invalidations().size(), 1u);
  chooser::setPreviewEnabled(&panel_, 0);
  EXPECT_EQ(chooser::test::invalidations().size(), 2u);
  // Loading goes on while switched off, so switching on shows the file.
  const std::string path = library("brick.tif");
  chooser::loadPreview(&panel_, path.c_str());
  EXPECT_EQ(chooser::test::invalidations().size(), 2u);
  EXPECT_EQ(pixelAt(panel_, 1, 1), 4);
  chooser::setPreviewEnabled(nullptr, 1);
  chooser::loadPreview(nullptr, path.c_str());
}

TEST_F(PreviewPanelTest, PreviewsLargerThanTheBuffersAreSkipped) {
  const std::string good = library("brick.tif");
  struct Case {
    const char* name;
    int width;
    int height;
    int bits;
    int samples;
    int photometric;
  };
  const Case cases[] = {
      {"tall.tif", 64, 65, 8, 1, 3},   // 65 rows
      {"wide.tif", 65, 64, 8, 1, 3},   // stride 68
      {"deep.tif", 32, 32, 16, 1, 1},  // 16 bits: more colours than entries
      {"rgb.tif", 32, 8, 8, 3, 2},     // stride 96
  };
  for (const Case& c : cases) {
    fixtures::TiffSpec layout;
    layout.path = dir_.file(c.name);
    fixtures::PreviewSpec preview;
    preview.width = c.width;
    preview.height = c.height;
    preview.bitsPerSample = c.bits;
    preview.samplesPerPixel = c.samples;
    preview.photometric = c.photometric;
    preview.colormap = c.photometric == 3;
    preview.pixel = [](int, int) { return 7u; };
    layout.previews = {preview};
    ASSERT_FALSE(fixtures::writeTiff(layout).empty()) << c.name;

    chooser::loadPreview(&panel_, good.c_str());
    chooser::loadPreview(&panel_, layout.path.c_str());
    EXPECT_TRUE(allWhite(panel_)) << c.name;
    EXPECT_EQ(pixelAt(panel_, 9, 2), 15) << c.name;
    EXPECT_EQ(chooser::readPreviewPixels(layout.path.c_str(), panel_.pixels, false, {64, 64}), 0)
        << c.name;
  }
  // Smaller previews fit, and only their rows are written.
  fixtures::TiffSpec small;
  small.path = dir_.file("small.tif");
  fixtures::PreviewSpec preview;
  preview.width = 16;
  preview.height = 4;
  preview.pixel = [](int x, int y) { return static_cast<std::uint32_t>(200 + x + y); };
  small.previews = {preview};
  fixtures::writeTiff(small);
  std::vector<std::uint8_t> buffer(64 * 64 + 1, 1);
  ASSERT_EQ(chooser::readPreviewPixels(small.path.c_str(), buffer.data(), false, {64, 64}), 1);
  EXPECT_EQ(buffer[0], 203);  // bottom row first, rows 16 bytes apart
  EXPECT_EQ(buffer[3 * 16], 200);
  EXPECT_EQ(buffer[4 * 16], 1);
}

// Points the strip of the second directory of a little-endian TIFF at
// `offset`.
void moveSecondDirectoryStrip(const std::string& path, std::uint32_t offset) {
  std::vector<std::uint8_t> bytes = fixtures::readWholeFile(path);
  auto u16 = [&](std::size_t at) { return bytes.at(at) | bytes.at(at + 1) << 8; };
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(u16(at) | u16(at + 2) << 16);
  };
  ASSERT_EQ(bytes.at(0), 'I');
  std::size_t ifd = u32(4);
  ifd = u32(ifd + 2 + 12 * static_cast<std::size_t>(u16(ifd)));  // next directory
  for (int i = 0; i < u16(ifd); ++i) {
    const std::size_t entry = ifd + 2 + 12 * static_cast<std::size_t>(i);
    if (u16(entry) != 273) continue;  // StripOffsets
    ASSERT_EQ(u32(entry + 4), 1u);
    for (int b = 0; b < 4; ++b) bytes[entry + 8 + b] = static_cast<std::uint8_t>(offset >> (8 * b));
    fixtures::writeRawFile(path, bytes);
    return;
  }
  ADD_FAILURE() << "no StripOffsets in the second directory";
}

TEST_F(PreviewPanelTest, AFailedRowReadStopsTheLoadButKeepsTheColourTable) {
  const std::string path = library("cut.tif");
  const std::size_t size = fixtures::readWholeFile(path).size();
  moveSecondDirectoryStrip(path, static_cast<std::uint32_t>(size - 100));
  std::fill(panel_.pixels, panel_.pixels + 64 * 64, 9);
  EXPECT_EQ(chooser::readPreviewPixels(path.c_str(), panel_.pixels, false, {64, 64}), 0);
  chooser::loadPreview(&panel_, path.c_str());
  EXPECT_EQ(header32(panel_, 32), 256);
  EXPECT_FALSE(allWhite(panel_));
  EXPECT_EQ(platform::recordedMessages().size(), 0u);
}

TEST_F(PreviewPanelTest, PngAndJpegTexturesShowTheirDitheredThumbnailOnWhite) {
  // Flat pictures 2:1, so the thumbnail is 64 x 32 with white bands above
  // and below; over the picture the dithered entries average to its colour.
  struct Case {
    const char* name;
    fixtures::Rgb colour;
  };
  const Case cases[] = {
      {"orange.png", {200, 100, 30}}, {"gray.png", {128, 128, 128}}, {"teal.jpg", {20, 140, 160}}};
  for (const Case& c : cases) {
    const std::string path = dir_.file(c.name);
    ASSERT_TRUE(fixtures::imageMagickConvert("-size 128x64 'xc:rgb(" + std::to_string(c.colour.r) + "," +
                                             std::to_string(c.colour.g) + "," + std::to_string(c.colour.b) +
                                             ")' -quality 100 '" + path + "'"));
    chooser::loadPreview(&panel_, path.c_str());
    EXPECT_EQ(entry(panel_, pixelAt(panel_, 0, 0)), (fixtures::Rgb{255, 255, 255})) << c.name;
    EXPECT_EQ(entry(panel_, pixelAt(panel_, 63, 63)), (fixtures::Rgb{255, 255, 255})) << c.name;
    long sums[3] = {0, 0, 0};
    for (int y = 16; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        const fixtures::Rgb shown = entry(panel_, pixelAt(panel_, x, y));
        sums[0] += shown.r;
        sums[1] += shown.g;
        sums[2] += shown.b;
      }
    }
    const int want[3] = {c.colour.r, c.colour.g, c.colour.b};
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(sums[k] / (64.0 * 32.0), want[k], 3.0) << c.name << " " << k;
  }
  const std::string cut = dir_.file("cut.png");
  fixtures::writeRawFile(cut, fixtures::readWholeFile(dir_.file("orange.png")));
  fixtures::truncateFile(cut, 60);
  chooser::loadPreview(&panel_, cut.c_str());
  EXPECT_TRUE(allWhite(panel_));
}

}  // namespace
