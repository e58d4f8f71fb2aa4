// Fills with a scale, an angle, an offset, mirrored copies or without
// repetition, through the entry point: any split of the rectangle gives the
// same bytes (so fills anchored at the document join), the copy mode agrees
// with the tile fill, and a turned, scaled fill agrees with ImageMagick's
// distort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "fill/fill_options.h"
#include "fill/rectangle_fill.h"
#include "fill/result_codes.h"
#include "host/entry.h"
#include "seamless/seamless.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class TransformedFillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    fixtures::TiffSpec rgb;
    rgb.path = dir_.file("wall.tif");
    rgb.width = 37;
    rgb.height = 23;
    texture_ = fixtures::writeTiff(rgb);
    for (int y = 0; y < rgb.height; ++y) {
      const Bytes row = fixtures::expectedTiffRow(rgb, y);
      texels_.insert(texels_.end(), row.begin(), row.end());
    }
  }
  void TearDown() override {
    host::detachModule();
    chooser::provideChoice({});
  }

  // The document after filling each rectangle in turn (top, left, bottom,
  // right), each its own filter run.
  Bytes fill(const fill::FillOptions& options, std::int16_t mode, const std::vector<fill::Rect16>& rects) {
    chooser::provideChoice({.status = 1, .fileName = texture_, .options = options});
    simhost::SimulatedHost host(kWidth, kHeight, mode);
    for (const fill::Rect16& r : rects) {
      host.setFilterRect(r.top, r.left, r.bottom, r.right);
      const simhost::Run run = host.run();
      EXPECT_EQ(run.result(), 0);
    }
    return host.document().bytes;
  }

  static constexpr int kWidth = 101;
  static constexpr int kHeight = 67;
  fixtures::TempDir dir_;
  std::string texture_;
  Bytes texels_;  // RGB, 37 x 23
};

fill::FillOptions with(int scale, double angle, int dx, int dy, int repeat, int origin = fill::originDocument) {
  fill::FillOptions options;
  options.scalePercent = scale;
  options.angleDegrees = angle;
  options.offsetX = dx;
  options.offsetY = dy;
  options.repeat = repeat;
  options.tileOrigin = origin;
  return options;
}

const fill::FillOptions kSplitRows[] = {
    with(100, 0, 0, 0, fill::repeatMirror), with(100, 360, 5, -9, fill::repeatTile),
    with(73, 30, 0, 0, fill::repeatTile),   with(250, -45, 3, 4, fill::repeatMirror),
    with(10, 100, -20, 7, fill::repeatTile), with(100, 90, 0, 0, fill::repeatMirror),
    with(100, 0, 0, 0, fill::repeatRandom), with(60, 25, 9, -4, fill::repeatRandom),
    with(100, 0, 0, 0, fill::repeatShapes), with(100, 0, -13, 40, fill::repeatShapes),
    with(60, 25, 9, -4, fill::repeatShapes),
};

std::string describe(std::int16_t mode, const fill::FillOptions& options) {
  return "mode " + std::to_string(mode) + " size " + std::to_string(options.sizeChoice) + " scale " +
         std::to_string(options.scalePercent) + " angle " + std::to_string(options.angleDegrees) + " repeat " +
         std::to_string(options.repeat);
}

TEST_F(TransformedFillTest, AnySplitOfTheRectangleGivesTheSameBytes) {
  const std::vector<fill::Rect16> whole = {{0, 0, kHeight, kWidth}};
  const std::vector<fill::Rect16> quarters = {{0, 0, 30, 44}, {0, 44, 30, kWidth}, {30, 0, kHeight, 44},
                                              {30, 44, kHeight, kWidth}};
  for (const std::int16_t mode : {std::int16_t{3}, std::int16_t{1}, std::int16_t{11}}) {
    for (const fill::FillOptions& options : kSplitRows) {
      SCOPED_TRACE(describe(mode, options));
      EXPECT_EQ(fill(options, mode, quarters), fill(options, mode, whole));
    }
  }
}

// The rectangle entry, asked for the document in tiles of an image graph's
// kind, in no particular order, lays down the band fill's bytes; the plain
// tile fill (here also at the size choices that reduce and enlarge) is
// filled by the copy mode.
TEST_F(TransformedFillTest, RectangleEntryGivesTheBandFillsBytes) {
  std::vector<fill::FillOptions> rows(std::begin(kSplitRows), std::end(kSplitRows));
  rows.push_back(fill::FillOptions{});
  rows.push_back(fill::FillOptions{.sizeChoice = fill::size64});
  rows.push_back(fill::FillOptions{.sizeChoice = fill::size128});
  rows.push_back(with(100, 0, -7, 12, fill::repeatTile));
  for (const std::int16_t mode : {std::int16_t{3}, std::int16_t{1}, std::int16_t{10}, std::int16_t{11}}) {
    const int planes = mode == 1 || mode == 10 ? 1 : 3;
    const int sampleBytes = mode >= 10 ? 2 : 1;
    for (const fill::FillOptions& options : rows) {
      SCOPED_TRACE(describe(mode, options));
      simhost::Document document(kWidth, kHeight, planes, 0x11, sampleBytes);
      fill::RectangleFill entry{};
      texture_.copy(entry.job.fileName, sizeof entry.job.fileName - 1);
      entry.job.options = options;
      std::int16_t result = fill::noErr;
      ASSERT_EQ(fill::startRectangleFill(entry, planes, sampleBytes, &result), 1);
      for (int top : {48, 0, 64, 16, 32}) {
        for (int left : {64, 0, 32, 96}) {
          const int rows = std::min(16, kHeight - top);
          const int columns = std::min(32, kWidth - left);
          EXPECT_EQ(fill::fillRectangle(entry, top, left, rows, columns, document.pixel(left, top), document.rowBytes,
                                        &result),
                    1);
        }
      }
      fill::releaseRectangleFill(entry);
      EXPECT_EQ(document.bytes, fill(options, mode, {{0, 0, kHeight, kWidth}}));
    }
  }
}

// At its own size and direction the copy mode lays down what the tile fill
// does, moved by the offset.
TEST_F(TransformedFillTest, CopiesAgreeWithTheTileFill) {
  const std::vector<fill::Rect16> rect = {{3, 5, 60, 97}};
  for (const std::int16_t mode : {std::int16_t{3}, std::int16_t{1}, std::int16_t{11}}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    EXPECT_EQ(fill(with(100, 720, 0, 0, fill::repeatTile), mode, rect), fill(fill::FillOptions{}, mode, rect));
    const fill::FillOptions selection = with(100, 0, 0, 0, fill::repeatTile, fill::originSelection);
    EXPECT_EQ(fill(with(100, -360, 5, 3, fill::repeatTile), mode, rect), fill(selection, mode, rect));
  }
}

// "Make seamless" at Start gives the fill of the texture made seamless
// first (here a TIFF, held whole before it is changed).
TEST_F(TransformedFillTest, MadeSeamlessAtStartIsTheFillOfTheSeamlessTexture) {
  Bytes seamlessTexels = texels_;
  seamless::Picture picture{seamlessTexels.data(), 37, 23, 3, 1};
  ASSERT_EQ(seamless::makeSeamless(picture, {seamless::Method::smooth, false}, {}).outcome, seamless::Outcome::done);
  ASSERT_NE(seamlessTexels, texels_);
  fixtures::TiffSpec made;
  made.path = dir_.file("made.tif");
  made.width = 37;
  made.height = 23;
  made.data = seamlessTexels;
  fixtures::writeTiff(made);
  fill::FillOptions options = with(90, 15, 0, 0, fill::repeatTile);
  const std::vector<fill::Rect16> rect = {{0, 0, kHeight, kWidth}};
  const Bytes asItIs = fill(options, 3, rect);
  options.makeSeamless = true;
  const Bytes madeAtStart = fill(options, 3, rect);
  texture_ = made.path;
  options.makeSeamless = false;
  EXPECT_EQ(madeAtStart, fill(options, 3, rect));
  EXPECT_NE(madeAtStart, asItIs);
}

// Through the whole engine, a turned and enlarged fill with an offset is
// ImageMagick's Catmull-Rom distort of the tiled texture within 2 levels.
TEST_F(TransformedFillTest, TurnedFillsMatchImageMagick) {
  const Bytes ours = fill(with(150, 30, 3, -5, fill::repeatTile), 3, {{0, 0, kHeight, kWidth}});
  const std::string in = dir_.file("in.rgb");
  const std::string out = dir_.file("out.rgb");
  fixtures::writeRawFile(in, texels_);
  // ImageMagick turns clockwise as seen on screen.
  ASSERT_TRUE(fixtures::imageMagickConvert(
      "-size 37x23 -depth 8 'rgb:" + in + "' -virtual-pixel tile -interpolate catrom -filter point"
      " -define distort:viewport=" + std::to_string(kWidth) + "x" + std::to_string(kHeight) +
      "+0+0 -distort SRT '0,0 1.5 -30 3,-5' -depth 8 'rgb:" + out + "'"));
  const Bytes theirs = fixtures::readWholeFile(out);
  ASSERT_EQ(theirs.size(), std::size_t(kWidth) * kHeight * 3);
  int largest = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int i = 0; i < kWidth * 3; ++i) {
      const int difference = int(ours[std::size_t(y) * (kWidth * 3 + simhost::kCanaryBytes) + i]) -
                             int(theirs[std::size_t(y) * kWidth * 3 + i]);
      largest = std::max(largest, std::abs(difference));
    }
  }
  EXPECT_LE(largest, 2);
}

}  // namespace
