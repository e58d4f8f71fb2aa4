// texfill pack, list and preview together: a packed texture is what the
// plug-in's readers expect of a library file, and stays seamless.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/native/support/texture_fixtures.h"
#include "tests/native/texfill/texfill_process.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/library_listing.h"
#include "tools/texfill/library_tiff.h"
#include "tools/texfill/png_io.h"
#include "tools/texfill/preview_reader.h"
#include "tools/texfill/texture_image.h"
#include "tools/texfill/wrap_scale.h"

namespace {

using texfill::Image;

// Smooth and periodic over `size` pixels, with colour that changes in both
// directions: a seam or a shifted period would show.
Image periodicPicture(int size) {
  Image image = texfill::makeImage(size, size, 3);
  constexpr double kTwoPi = 6.283185307179586;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double u = kTwoPi * x / size;
      const double v = kTwoPi * y / size;
      std::uint8_t* p = texfill::rowOf(image, y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(128 + 100 * std::sin(2 * u + v));
      p[1] = static_cast<std::uint8_t>(128 + 90 * std::cos(u - 3 * v));
      p[2] = static_cast<std::uint8_t>(128 + 80 * std::sin(5 * u) * std::cos(2 * v));
    }
  }
  return image;
}

int pack(const std::vector<std::string>& args) { return texfill::packCommand(args); }

const texfill::LibraryEntry* findEntry(const std::vector<texfill::LibraryEntry>& entries,
                                       const std::string& name) {
  for (const auto& entry : entries) {
    if (entry.fileName == name) return &entry;
  }
  return nullptr;
}

double meanDifference(const Image& a, const Image& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 1e9;
  double sum = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(a.pixels[i] - b.pixels[i]);
  return sum / static_cast<double>(a.pixels.size());
}

TEST(TexfillPack, RoundTripsThroughTheDialogsReaders) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("big.png"), periodicPicture(1024), error));
  ASSERT_TRUE(texfill::writePng(dir.file("odd.png"), periodicPicture(200), error));
  ASSERT_EQ(pack({"--quiet", "--name", "Test Waves;made by the test", dir.file("big.png"),
                  dir.file("waves.tif")}),
            0);
  ASSERT_EQ(pack({"--quiet", "--low", "--name", "Low Waves", dir.file("odd.png"),
                  dir.file("lowwaves.tif")}),
            0);

  std::vector<texfill::LibraryEntry> entries;
  ASSERT_TRUE(texfill::listLibrary(dir.path(), "tif", entries, error)) << error;
  ASSERT_EQ(entries.size(), 2u);
  const auto* high = findEntry(entries, "waves.tif");
  const auto* low = findEntry(entries, "lowwaves.tif");
  ASSERT_NE(high, nullptr);
  ASSERT_NE(low, nullptr);
  EXPECT_EQ(high->longName, "Test Waves");
  EXPECT_EQ(high->infoLine, "TIFF (24 bit, 512x512)");
  EXPECT_TRUE(high->highRes);
  EXPECT_FALSE(high->lowRes);
  EXPECT_EQ(low->longName, "Low Waves");
  EXPECT_EQ(low->infoLine, "TIFF (8 bit, 128x128)");
  EXPECT_TRUE(low->lowRes);
  EXPECT_FALSE(low->highRes);
}

TEST(TexfillPack, PreviewDirectoriesLoadInThePanel) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), periodicPicture(512), error));
  const std::string path = dir.file("waves.tif");
  ASSERT_EQ(pack({"--quiet", "--name", "Waves", dir.file("in.png"), path}), 0);

  Image texture, expected;
  ASSERT_TRUE(texfill::readTextureImage(path, texture, error)) << error;
  ASSERT_TRUE(texfill::wrapScale(texture, 64, expected, error)) << error;

  texfill::PreviewPicture full, sixteen;
  ASSERT_TRUE(texfill::readPanelPreview(path, false, full));
  ASSERT_TRUE(texfill::readPanelPreview(path, true, sixteen));
  EXPECT_TRUE(full.hasColorMap);
  EXPECT_TRUE(sixteen.hasColorMap);
  EXPECT_EQ(full.bitCount, 8);
  EXPECT_EQ(sixteen.bitCount, 4);
  // Dithered, quantised pictures of the texture: close to the reduced
  // texture, 256 colours closer than 16, and far closer than the texture
  // upside down (rows loaded the wrong way round) or a white square. The
  // 16-colour palette is libimagequant's choice and changes with its version
  // (2.18 leaves about a third of the upside-down distance), hence only twice.
  Image flipped = expected;
  for (int y = 0; y < 64; ++y) {
    std::copy(texfill::rowOf(expected, y), texfill::rowOf(expected, y) + 3 * 64,
              texfill::rowOf(flipped, 63 - y));
  }
  const double fullError = meanDifference(full.rgb, expected);
  const double sixteenError = meanDifference(sixteen.rgb, expected);
  EXPECT_LT(fullError, 10.0);
  EXPECT_LT(sixteenError, 30.0);
  EXPECT_LE(fullError, sixteenError);
  EXPECT_LT(2 * sixteenError, meanDifference(sixteen.rgb, flipped));
  EXPECT_LT(3 * fullError, meanDifference(full.rgb, texfill::makeImage(64, 64, 3, 255)));
}

TEST(TexfillPack, RefusesPicturesThatAreNotSquare) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("wide.png"), texfilltest::patternImage(300, 200, 3), error));
  const auto outcome = texfilltest::runTexfill(
      {"pack", "--name", "Wide", dir.file("wide.png"), dir.file("wide.tif")}, dir.path());
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.standardError.find("300x200"), std::string::npos) << outcome.standardError;
  EXPECT_FALSE(texfilltest::fileExists(dir.file("wide.tif")));
}

TEST(TexfillPack, SaysHowThePictureWasScaled) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("a.png"), periodicPicture(1024), error));
  ASSERT_TRUE(texfill::writePng(dir.file("b.png"), periodicPicture(300), error));
  const auto whole = texfilltest::runTexfill(
      {"pack", "--name", "A", dir.file("a.png"), dir.file("a.tif")}, dir.path());
  EXPECT_NE(whole.standardError.find("reduced 1024x1024 by 2 to 512x512"), std::string::npos)
      << whole.standardError;
  const auto general = texfilltest::runTexfill(
      {"pack", "--name", "B", dir.file("b.png"), dir.file("b.tif")}, dir.path());
  EXPECT_NE(general.standardError.find("general path"), std::string::npos) << general.standardError;
}

// Rolling a packed texture by a whole number of reduced pixels and reducing
// it gives the reduction of the original, rolled: the rows and columns at
// the wrap are computed like every other, so the reduced texture has no seam.
TEST(TexfillPack, ReducedPackedTextureIsSeamless) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), periodicPicture(640), error));
  const std::string path = dir.file("waves.tif");
  ASSERT_EQ(pack({"--quiet", "--name", "Waves", dir.file("in.png"), path}), 0);
  Image texture;
  ASSERT_TRUE(texfill::readTextureImage(path, texture, error)) << error;

  constexpr int kShift = 200;  // texels, a multiple of the reduction by 4
  Image rolled = texfill::makeImage(512, 512, 3);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 512; ++x) {
      const std::uint8_t* from = texfill::rowOf(texture, (y + kShift) % 512) + 3 * ((x + kShift) % 512);
      std::copy(from, from + 3, texfill::rowOf(rolled, y) + 3 * x);
    }
  }
  texfill::LibraryTexture library;
  library.texture = rolled;
  library.description = "Rolled";
  library.preview256.width = library.preview256.height = 64;
  library.preview256.indices.assign(64 * 64, 0);
  library.preview16 = library.preview256;
  ASSERT_TRUE(texfill::writeLibraryTiff(dir.file("rolled.tif"), library, error)) << error;

  // Reduced by the plug-in itself (128X128), filled over two periods.
  ASSERT_TRUE(texfill::writePng(dir.file("doc.png"), texfill::makeImage(256, 256, 3), error));
  for (const char* name : {"waves", "rolled"}) {
    const auto outcome = texfilltest::runTexfill(
        {"fill", "--texture", dir.file(std::string(name) + ".tif"), "--size", "128X128",
         dir.file("doc.png"), dir.file(std::string(name) + ".png")},
        dir.path());
    ASSERT_EQ(outcome.exitCode, 0) << outcome.standardError;
  }
  Image reduced, reducedRolled;
  ASSERT_TRUE(texfill::readPng(dir.file("waves.png"), reduced, error));
  ASSERT_TRUE(texfill::readPng(dir.file("rolled.png"), reducedRolled, error));
  int mismatches = 0;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const std::uint8_t* a = texfill::rowOf(reducedRolled, y) + 3 * x;
      const std::uint8_t* b = texfill::rowOf(reduced, y + kShift / 4) + 3 * (x + kShift / 4);
      if (!std::equal(a, a + 3, b)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
