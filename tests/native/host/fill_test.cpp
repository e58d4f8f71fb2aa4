// Fills through ENTRYPOINT1 with a simulated host: tiling phases for both
// origins, replication of low-resolution textures, gray conversion, the band
// protocol, abort, and that nothing outside the band is ever written.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "fill/gray_conversion.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/texture_source.h"
#include "texture/tiff_file.h"

namespace {

using fixtures::Rgb;

struct Texture {
  std::string path;
  int width = 0;
  int height = 0;
  std::vector<std::vector<std::uint8_t>> rows;  // RGB rows as delivered
  Rgb at(int x, int y) const {
    const auto& row = rows[static_cast<std::size_t>(y)];
    return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
  }
};

class FillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    platform::clearRecordedMessages();
  }
  void TearDown() override {
    host::detachModule();
    chooser::provideChoice({});
  }

  Texture rgbTiff(const std::string& name, int width, int height) {
    fixtures::TiffSpec layout;
    layout.path = dir_.file(name);
    layout.width = width;
    layout.height = height;
    layout.samplesPerPixel = 3;
    layout.photometric = 2;
    return load(layout);
  }

  Texture grayTiff(const std::string& name, int width, int height) {
    fixtures::TiffSpec layout;
    layout.path = dir_.file(name);
    layout.width = width;
    layout.height = height;
    layout.samplesPerPixel = 1;
    layout.photometric = 1;
    return load(layout);
  }

  Texture load(const fixtures::TiffSpec& layout) {
    Texture texture{fixtures::writeTiff(layout), layout.width, layout.height, {}};
    for (int y = 0; y < layout.height; ++y) texture.rows.push_back(fixtures::expectedTiffRow(layout, y));
    return texture;
  }

  void choose(const Texture& texture, int sizeChoice, int origin) {
    chooser::provideChoice({.status = 1, .fileName = texture.path, .options = {.sizeChoice = sizeChoice, .tileOrigin = origin}});
  }

  fixtures::TempDir dir_;
};

// Texel (x, y) of the filled document, read back as RGB.
Rgb documentRgb(simhost::SimulatedHost& host, int x, int y) {
  const std::uint8_t* p = host.document().pixel(x, y);
  return {p[0], p[1], p[2]};
}

TEST_F(FillTest, DocumentOriginPutsTexelXModWidthYModHeightEverywhere) {
  const Texture texture = rgbTiff("wall.tif", 37, 23);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(100, 60, 3);
  host.setFilterRect(7, 11, 53, 97);
  const simhost::Run run = host.run();
  ASSERT_EQ(run.startResult, 0);
  EXPECT_EQ(run.continueCalls, 53 - 7);
  for (int y = 7; y < 53; ++y) {
    for (int x = 11; x < 97; ++x) {
      ASSERT_EQ(documentRgb(host, x, y), texture.at(x % 37, y % 23)) << x << "," << y;
    }
  }
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
  EXPECT_TRUE(platform::recordedMessages().empty());
}

TEST_F(FillTest, TwoSeparateFillsJoinSeamlessly) {
  const Texture texture = grayTiff("stone.tif", 128, 128);
  choose(texture, 0, 1);
  simhost::SimulatedHost left(300, 200, 3);
  left.setFilterRect(0, 0, 200, 150);
  ASSERT_EQ(left.run().startResult, 0);
  simhost::SimulatedHost right(300, 200, 3);
  right.setFilterRect(0, 150, 200, 300);
  ASSERT_EQ(right.run().startResult, 0);
  for (int y = 0; y < 200; ++y) {
    EXPECT_EQ(documentRgb(left, 149, y), texture.at(149 % 128, y % 128));
    EXPECT_EQ(documentRgb(right, 150, y), texture.at(150 % 128, y % 128));
  }
}

TEST_F(FillTest, SelectionOriginStartsWithTexelZeroZero) {
  const Texture texture = rgbTiff("brick.tif", 16, 9);
  choose(texture, 0, 0);
  simhost::SimulatedHost host(64, 40, 3);
  host.setFilterRect(13, 21, 40, 64);
  ASSERT_EQ(host.run().startResult, 0);
  for (int y = 13; y < 40; ++y) {
    for (int x = 21; x < 64; ++x) {
      ASSERT_EQ(documentRgb(host, x, y), texture.at((x - 21) % 16, (y - 13) % 9));
    }
  }
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
}

TEST_F(FillTest, AnyOriginValueOtherThanOneActsAsSelection) {
  const Texture texture = rgbTiff("brick.tif", 16, 9);
  choose(texture, 0, 7);
  simhost::SimulatedHost host(40, 20, 3);
  host.setFilterRect(5, 5, 20, 40);
  ASSERT_EQ(host.run().startResult, 0);
  EXPECT_EQ(documentRgb(host, 5, 5), texture.at(0, 0));
}

TEST_F(FillTest, LowResolutionAt512ReplicatesFourTimesFromPhase75) {
  const Texture texture = grayTiff("fabric.tif", 128, 128);
  choose(texture, 1, 1);
  simhost::SimulatedHost host(400, 12, 3);
  host.setFilterRect(0, 300, 12, 400);
  ASSERT_EQ(host.start(), 0);
  EXPECT_EQ(host::currentFillJob().source.phaseOffset, 225);
  EXPECT_EQ(host::currentFillJob().source.upscale, 1);
  host.continueOnce();
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(documentRgb(host, 300, y), texture.at(75, 0));
    EXPECT_EQ(documentRgb(host, 303, y), texture.at(75, 0));
    EXPECT_EQ(documentRgb(host, 304, y), texture.at(76, 0));
  }
  host.finish();
}

TEST_F(FillTest, LowResolutionBandsFollowTheWorkedExample) {
  const Texture texture = grayTiff("fabric.tif", 128, 128);
  choose(texture, 1, 1);
  simhost::SimulatedHost host(120, 30, 3);
  host.setFilterRect(10, 30, 21, 100);
  ASSERT_EQ(host.start(), 0);
  EXPECT_EQ(host::currentFillJob().source.nextRow, 3);
  EXPECT_EQ(host::currentFillJob().source.phaseOffset, 24);
  const host::Rect16 first = host.record().outRect;
  EXPECT_EQ(first.top, 10);
  EXPECT_EQ(first.bottom, 14);
  int calls = 0;
  while (host.record().outRect.bottom != 0 && calls < 10) {
    ASSERT_EQ(host.continueOnce(), 0);
    ++calls;
  }
  host.finish();
  EXPECT_EQ(calls, 3);
  ASSERT_EQ(host.log().bands.size(), 3u);
  EXPECT_EQ(host.log().bands[2].top, 18);
  EXPECT_EQ(host.log().bands[2].bottom, 21);
  // Progress: the Start report, then rowsDone 0, 4, 8 out of 11 before each band.
  std::vector<std::pair<int, int>> fill(host.log().progress.begin() + 1, host.log().progress.end());
  EXPECT_EQ(fill, (std::vector<std::pair<int, int>>{{0, 11}, {4, 11}, {8, 11}}));
  // Rows 10..13 read texture row 3, 14..17 row 4, 18..20 row 5; columns run
  // texels 8, 8, 8, 8, 9, ... and stop after 70 pixels inside the group of 25.
  for (int y = 10; y < 21; ++y) {
    const int textureRow = 3 + (y - 10) / 4;
    for (int x = 30; x < 100; ++x) {
      ASSERT_EQ(documentRgb(host, x, y), texture.at(8 + (x - 30) / 4, textureRow)) << x << "," << y;
    }
  }
  EXPECT_EQ(documentRgb(host, 99, 20), texture.at(25, 5));
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
}

TEST_F(FillTest, LrtExtensionIsNotEnlarged) {
  const Texture texture = grayTiff("fabric.LRT", 128, 128);
  choose(texture, 1, 1);
  simhost::SimulatedHost host(200, 10, 3);
  const simhost::Run run = host.run();
  ASSERT_EQ(run.startResult, 0);
  EXPECT_EQ(run.continueCalls, 10);
  for (int x = 0; x < 200; ++x) EXPECT_EQ(documentRgb(host, x, 3), texture.at(x % 128, 3));
}

TEST_F(FillTest, ContinueCountIsTheHeightDividedByRRoundedUp) {
  const Texture texture = grayTiff("fabric.tif", 128, 128);
  for (int sizeChoice : {1, 2}) {
    const int r = sizeChoice == 1 ? 4 : 2;
    for (int height : {1, 2, 3, 4, 5, 11, 129}) {
      choose(texture, sizeChoice, 0);
      simhost::SimulatedHost host(9, height, 3);
      const simhost::Run run = host.run();
      ASSERT_EQ(run.startResult, 0);
      EXPECT_EQ(run.continueCalls, (height + r - 1) / r) << "r " << r << " height " << height;
      EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
    }
  }
}

TEST_F(FillTest, GrayscaleDocumentsGetTheWeightedGray) {
  std::uint8_t texels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 128, 128, 128};
  fill::grayFromRgb(texels, texels, 5);
  EXPECT_EQ(std::vector<int>(texels, texels + 5), (std::vector<int>{76, 149, 29, 255, 128}));
}

TEST_F(FillTest, GrayscaleFillWritesOneByteAPixel) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(50, 20, 1);
  host.setFilterRect(3, 4, 20, 45);
  ASSERT_EQ(host.run().startResult, 0);
  for (int y = 3; y < 20; ++y) {
    for (int x = 4; x < 45; ++x) {
      const Rgb t = texture.at(x % 19, y % 7);
      const int gray = (306 * t.r + 601 * t.g + 117 * t.b) >> 10;
      ASSERT_EQ(*host.document().pixel(x, y), gray);
    }
  }
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
}

TEST_F(FillTest, IndexedAndCmykDocumentsAreRefused) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  for (std::int16_t mode : {2, 4}) {
    choose(texture, 0, 1);
    simhost::SimulatedHost host(20, 20, mode);
    EXPECT_EQ(host.start(), -30101) << "mode " << mode;
    EXPECT_TRUE(platform::recordedMessages().empty());
    host.finish();
  }
}

TEST_F(FillTest, AbortAtTheFirstContinueLeavesTheBand) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(20, 20, 3);
  host.abortAtCall(0);
  ASSERT_EQ(host.start(), 0);
  const host::Rect16 before = host.record().outRect;
  EXPECT_EQ(host.continueOnce(), 1);
  EXPECT_EQ(std::memcmp(&before, &host.record().outRect, sizeof before), 0);
  EXPECT_EQ(std::memcmp(&before, &host.record().inRect, sizeof before), 0);
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
  EXPECT_EQ(*host.document().pixel(0, 0), 0x11);
  EXPECT_EQ(host.finish(), 0);
}

TEST_F(FillTest, TallTexturesFillEveryRowWithoutComplaint) {
  const Texture texture = rgbTiff("photo.tif", 5, 600);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(5, 600, 3);
  ASSERT_EQ(host.run().startResult, 0);
  EXPECT_TRUE(platform::recordedMessages().empty());
  for (int y = 510; y < 600; ++y) EXPECT_EQ(documentRgb(host, 2, y), texture.at(2, y));
}

TEST_F(FillTest, ExtraHostPlaneIsSteppedOverAndKept) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(10, 4, 3);
  // An RGB document with transparency: four bytes a pixel.
  host.document() = simhost::Document(10, 4, 4, 0x33);
  host.record().planes = 4;
  ASSERT_EQ(host.run().startResult, 0);
  for (int x = 0; x < 10; ++x) {
    const std::uint8_t* p = host.document().pixel(x, 2);
    EXPECT_EQ((Rgb{p[0], p[1], p[2]}), texture.at(x, 2));
    EXPECT_EQ(p[3], 0x33);
  }
}

TEST_F(FillTest, TooFewPlanesAreRefusedAndNothingIsWritten) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(10, 4, 3);
  host.record().planes = 1;
  EXPECT_EQ(host.run().startResult, -30100);
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
  EXPECT_EQ(*host.document().pixel(0, 0), 0x11);
}

TEST_F(FillTest, EmptyRectangleHandsBackTheEmptyBand) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  choose(texture, 0, 1);
  simhost::SimulatedHost host(10, 10, 3);
  host.setFilterRect(5, 5, 5, 9);
  const simhost::Run run = host.run();
  EXPECT_EQ(run.startResult, 0);
  EXPECT_EQ(run.continueCalls, 0);
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
}

TEST_F(FillTest, ContinueBeforeStartIsRefusedWithoutWriting) {
  host::detachModule();
  simhost::SimulatedHost host(10, 10, 3);
  host.record().outRect = {0, 0, 1, 10};
  EXPECT_EQ(host.continueOnce(), -30100);
  EXPECT_EQ(host.record().outRect.bottom, 0);
  EXPECT_EQ(*host.document().pixel(0, 0), 0x11);
}

}  // namespace

namespace {

TEST_F(FillTest, GrayDocumentsReadEachTextureRowOnce) {
  const Texture texture = rgbTiff("leaf.tif", 19, 7);
  choose(texture, 0, 1);
  simhost::SimulatedHost gray(30, 7 * 5 + 3, 1);
  const long before = texture::tiffScanlinesRead;
  ASSERT_EQ(gray.run().startResult, 0);
  EXPECT_EQ(texture::tiffScanlinesRead - before, 7);
  for (int y = 0; y < 38; ++y) {
    const Rgb t = texture.at(11 % 19, y % 7);
    ASSERT_EQ(*gray.document().pixel(11, y), (306 * t.r + 601 * t.g + 117 * t.b) >> 10) << y;
  }
}

}  // namespace
