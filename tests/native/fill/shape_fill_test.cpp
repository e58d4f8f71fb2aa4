// The quilted fill without repetition: its runs against the quilted plane
// pixel by pixel, tiny textures, variations, 16-bit documents and memory
// running out. (Any split of the rectangle: transformed_fill_test.cpp; the
// quality goals: tests/quality/shape_quality.py.)
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "fill/corner_tiles.h"
#include "fill/fill_options.h"
#include "fill/fill_preview.h"
#include "fill/sample_band_writer.h"
#include "host/entry.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "tools/texfill/sample_gen.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 150;
constexpr int kHeight = 90;

class ShapeFillTest : public ::testing::Test {
 protected:
  void SetUp() override { host::attachModule(reinterpret_cast<void*>(1)); }
  void TearDown() override {
    platform::test::failAllocationAfter(0);
    host::detachModule();
    chooser::provideChoice({});
  }

  std::string texture(int width, int height) {
    fixtures::TiffSpec tiff;
    tiff.path = dir_.file("t" + std::to_string(width) + "x" + std::to_string(height) + ".tif");
    tiff.width = width;
    tiff.height = height;
    return fixtures::writeTiff(tiff);
  }

  simhost::Document fill(const std::string& path, const fill::FillOptions& options, std::int16_t mode,
                         simhost::Run* log = nullptr) {
    chooser::provideChoice({.status = 1, .fileName = path, .options = options});
    simhost::SimulatedHost host(kWidth, kHeight, mode);
    host.setFilterRect(4, 3, kHeight - 2, kWidth - 5);
    const simhost::Run run = host.run();
    if (log != nullptr) *log = run;
    EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
    return host.document();
  }

  fixtures::TempDir dir_;
};

fill::FillOptions shapes(int seed = 1) {
  fill::FillOptions options;
  options.repeat = fill::repeatShapes;
  options.seed = seed;
  return options;
}

// Textures with no room for a cut are filled as the tile fill fills them.
TEST_F(ShapeFillTest, TinyTexturesGiveTheTileFill) {
  const int sizes[][2] = {{1, 1}, {2, 2}, {3, 5}, {1, 40}, {40, 1}, {15, 64}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    const std::string path = texture(size[0], size[1]);
    for (const std::int16_t mode : {std::int16_t{3}, std::int16_t{1}, std::int16_t{11}}) {
      EXPECT_EQ(fill(path, shapes(), mode).bytes, fill(path, fill::FillOptions{}, mode).bytes);
    }
  }
}

// Another variation is another fill; a 16-bit document gets each 8-bit
// sample widened, as the other modes give it.
TEST_F(ShapeFillTest, VariationsDifferAndSixteenBitsWidenEightBits) {
  const std::string path = texture(40, 33);
  const simhost::Document first = fill(path, shapes(1), 3);
  EXPECT_NE(first.bytes, fill(path, shapes(2), 3).bytes);
  EXPECT_NE(first.bytes, fill(path, fill::FillOptions{}, 3).bytes);
  const simhost::Document wide = fill(path, shapes(1), 11);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        std::uint16_t sample = 0;
        std::memcpy(&sample, wide.pixel(x, y) + 2 * c, 2);
        const std::uint8_t narrow = first.pixel(x, y)[c];
        // Outside the rectangle both keep the document's bytes.
        if (narrow == 0x11 && sample == 0x1111) continue;
        ASSERT_EQ(sample, fill::wideSample(narrow)) << x << "," << y;
      }
    }
  }
}

// Preferences' swatch shows the fill: at the texture's own size it is the
// document's top-left corner, pixel for pixel, redrawn from the kept tiles.
TEST_F(ShapeFillTest, TheSwatchIsTheFill) {
  const std::string path = texture(40, 33);
  chooser::provideChoice({.status = 1, .fileName = path, .options = shapes(7)});
  simhost::SimulatedHost host(kWidth, kHeight, 3);
  ASSERT_EQ(host.run().result(), 0);
  fill::FillPreview* preview = fill::createFillPreview();
  Bytes swatch(std::size_t(kWidth) * kHeight * 3);
  for (int redraw = 0; redraw < 2; ++redraw) {
    ASSERT_TRUE(fill::drawFillPreview(preview, path.c_str(), shapes(7), kWidth, kHeight, swatch.data()));
    for (int y = 0; y < kHeight; ++y) {
      ASSERT_EQ(0, std::memcmp(host.document().pixel(0, y), &swatch[std::size_t(y) * kWidth * 3], kWidth * 3))
          << "row " << y;
    }
  }
  fill::destroyFillPreview(preview);
}

// Whatever allocation fails, Start reports "Out of Memory" and nothing is
// written, or the fill is the one made with memory to spare; nothing leaks.
TEST_F(ShapeFillTest, MemoryRunningOutWritesNothing) {
  const std::string path = texture(40, 33);
  const long before = platform::test::allocationsMade();
  const Bytes clean = fill(path, shapes(), 3).bytes;
  const long allocations = platform::test::allocationsMade() - before;
  const Bytes untouched = simhost::Document(kWidth, kHeight, 3).bytes;
  const long blocks = platform::test::blocksOutstanding();
  bool sawFailure = false;
  for (long k = 1; k <= allocations; ++k) {
    SCOPED_TRACE("allocation " + std::to_string(k));
    platform::clearRecordedMessages();
    platform::test::failOneAllocation(k);
    simhost::Run run;
    const Bytes bytes = fill(path, shapes(), 3, &run).bytes;
    platform::test::failAllocationAfter(0);
    EXPECT_EQ(platform::test::blocksOutstanding(), blocks);
    if (run.result() == 0) {
      EXPECT_EQ(bytes, clean);
      continue;
    }
    sawFailure = true;
    EXPECT_EQ(run.result(), -108);
    ASSERT_FALSE(platform::recordedMessages().empty());
    EXPECT_EQ(platform::recordedMessages().back().text, "Out of Memory");
    EXPECT_EQ(bytes, untouched);
  }
  EXPECT_TRUE(sawFailure);
}

// The runs the fill copies are the quilted plane's pixels, whatever the
// texture: every tile row's runs cover it once, in order, and each run's
// corner is the one its pixels belong to.
TEST(CornerTiles, RunsAreTheQuiltedPlane) {
  std::mt19937 random(5);
  struct Case {
    int width, height, channels, cell;
  };
  for (const Case c : {Case{16, 16, 1, 0}, Case{37, 23, 3, 0}, Case{64, 20, 3, 50}, Case{19, 80, 1, 0},
                       Case{96, 96, 3, 30}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " cell " + std::to_string(c.cell));
    texfill::Image image = texfill::generateSample(*texfill::findSampleRecipe("stone"), std::max(c.width, c.height));
    Bytes texels(std::size_t(c.width) * c.height * c.channels);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        for (int k = 0; k < c.channels; ++k) {
          texels[(std::size_t(y) * c.width + x) * c.channels + k] = image.pixels[(std::size_t(y) * image.width + x) * 3 + k];
        }
      }
    }
    const TexelBlock block{texels.data(), c.width, c.height, c.channels, c.width * c.channels};
    fill::CornerTiles tiles{};
    ASSERT_TRUE(fill::buildCornerTiles(block, c.cell, random(), tiles));
    const std::uint32_t seed = random();
    for (std::int64_t j = -3; j < 3; ++j) {
      for (std::int64_t i = -3; i < 3; ++i) {
        const std::int32_t colour[4] = {
            fill::cornerColour(tiles, int(i), int(j), seed), fill::cornerColour(tiles, int(i + 1), int(j), seed),
            fill::cornerColour(tiles, int(i), int(j + 1), seed), fill::cornerColour(tiles, int(i + 1), int(j + 1), seed)};
        for (int y = 0; y < tiles.tileHeight; ++y) {
          int x = 0;
          for (const bool right : {false, true}) {
            std::uint32_t run = 0;
            std::uint32_t last = 0;
            fill::halfRowRuns(tiles, colour, y, right, &run, &last);
            for (; run < last; ++run) {
              const int end = int(tiles.runs[run] >> 2);
              const int corner = int(tiles.runs[run] & 3u);
              ASSERT_GT(end, x);
              const int k = colour[corner];
              for (; x < end; ++x) {
                const int sx = (((tiles.sourceX[k] + x - (corner & 1) * tiles.tileWidth) % c.width) + c.width) % c.width;
                const int sy =
                    (((tiles.sourceY[k] + y - (corner >> 1) * tiles.tileHeight) % c.height) + c.height) % c.height;
                ASSERT_EQ(fill::quiltedTexel(tiles, i * tiles.tileWidth + x, j * tiles.tileHeight + y, seed),
                          block.pixels + std::size_t(sy) * block.rowBytes + std::size_t(sx) * c.channels)
                    << "tile " << i << "," << j << " pixel " << x << "," << y;
              }
            }
            ASSERT_EQ(x, right ? tiles.tileWidth : tiles.tileWidth / 2) << "row " << y;
          }
        }
      }
    }
    fill::releaseCornerTiles(tiles);
  }
}

}  // namespace
