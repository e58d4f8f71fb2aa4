// The quilted fill without repetition: its runs against the quilted plane
// pixel by pixel, turned and scaled against the cubic of that plane written
// plainly, tiny textures, variations, 16-bit documents and memory running
// out. (Any split of the rectangle: transformed_fill_test.cpp; the
// quality goals: tests/quality/shape_quality.py.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "fill/corner_tiles.h"
#include "fill/fill_options.h"
#include "fill/fill_preview.h"
#include "fill/gray_conversion.h"
#include "fill/rectangle_fill.h"
#include "fill/sample_band_writer.h"
#include "host/entry.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "resample/cubic_weights.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"
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

// The quilted fill at any other scale or angle, pixel by pixel: the texture
// reduced as the fill reduces it, its tiles, and then at each position the
// 4 x 4 texels of the quilted plane around it with the cubic's 14-bit
// weights for the position's phase (in 1/1024 texel), down the columns
// first (rounded to 6 fractional bits), then across.
class QuiltedCubic {
 public:
  QuiltedCubic(const Bytes& texels, int width, int height, int channels, const fill::FillOptions& options)
      : seed_(static_cast<std::uint32_t>(options.seed)) {
    const TexelBlock texture{texels.data(), width, height, channels, width * channels};
    const double scale = options.scalePercent / 100.0;
    EXPECT_TRUE(prefilterTexture(texture, scale, EdgeMode::wrap, filtered_));
    EXPECT_TRUE(fill::buildCornerTiles(filtered_.block, options.cellPercent, seed_, tiles_));
    map_ = fillTextureMap(FillTransform{scale, options.angleDegrees, double(options.offsetX), double(options.offsetY)},
                          filtered_.frame);
  }
  ~QuiltedCubic() {
    fill::releaseCornerTiles(tiles_);
    releasePrefiltered(filtered_);
  }
  const TextureMap& map() const { return map_; }

  // Channel c of pixel (x, y): 0 .. 255 with 20 fractional bits.
  int sum(std::int64_t x, std::int64_t y, int c) const {
    int across[4];
    int down[4];
    const std::int64_t u = first(map_.ux, map_.uy, map_.u0, x, y, across);
    const std::int64_t v = first(map_.vx, map_.vy, map_.v0, x, y, down);
    int total = 0;
    for (int i = 0; i < 4; ++i) {
      int column = 0;
      for (int k = 0; k < 4; ++k) column += down[k] * fill::quiltedTexel(tiles_, u + i, v + k, seed_)[c];
      total += across[i] * ((column + 128) >> 8);
    }
    return total;
  }

 private:
  // The first of the four texels along an axis, and their weights; the
  // position wraps at 64 bits far out.
  static std::int64_t first(std::int64_t perX, std::int64_t perY, std::int64_t origin, std::int64_t x, std::int64_t y,
                            int weights[4]) {
    const auto fromCentre = static_cast<std::int64_t>(std::uint64_t(perX) * std::uint64_t(x) +
                                                      std::uint64_t(perY) * std::uint64_t(y) + std::uint64_t(origin) -
                                                      (std::uint64_t{1} << 31));
    const auto fraction = static_cast<std::uint32_t>(fromCentre & 0xFFFFFFFF);
    const int phase = static_cast<int>(((fraction >> 21) + 1) >> 1);
    std::int16_t w[4];
    cubicTapWeights(1.0 - phase / 1024.0, 1.0, -2, 4, w);
    std::copy(w, w + 4, weights);
    return (fromCentre >> 32) - 1;
  }

  std::uint32_t seed_;
  PrefilteredTexture filtered_{};
  fill::CornerTiles tiles_{};
  TextureMap map_{};
};

int narrowOf(int sum) { return std::clamp((sum + (1 << 19)) >> 20, 0, 255); }

int wideOf(int sum) {
  const int value = (sum + 128) >> 8;
  return value <= 0 ? 0 : value >= 255 << 12 ? 32768 : (16 * value + 255) / 510;
}

TEST_F(ShapeFillTest, TurnedAndScaledIsTheCubicOfTheQuiltedPlane) {
  const std::string path = texture(40, 33);
  fixtures::TiffSpec tiff;
  tiff.width = 40;
  tiff.height = 33;
  Bytes texels;
  for (int y = 0; y < tiff.height; ++y) {
    const Bytes row = fixtures::expectedTiffRow(tiff, y);
    texels.insert(texels.end(), row.begin(), row.end());
  }
  Bytes gray(texels.size() / 3);
  fill::grayFromRgb(texels.data(), gray.data(), static_cast<std::int32_t>(gray.size()));
  struct Case {
    int scale;
    double angle;
    int dx, dy;
    std::int16_t mode;
  };
  for (const Case c : {Case{100, 30, 0, 0, 3}, Case{73, 0, 5, -3, 3}, Case{73, 30, 0, 0, 11}, Case{250, -45, 2, 1, 3},
                       Case{40, 210, 0, 0, 3}, Case{60, 25, 9, -4, 1}}) {
    SCOPED_TRACE("scale " + std::to_string(c.scale) + " angle " + std::to_string(c.angle));
    fill::FillOptions options = shapes(4);
    options.scalePercent = c.scale;
    options.angleDegrees = c.angle;
    options.offsetX = c.dx;
    options.offsetY = c.dy;
    const simhost::Document document = fill(path, options, c.mode);
    const int channels = c.mode == 1 ? 1 : 3;
    const QuiltedCubic oracle(channels == 1 ? gray : texels, tiff.width, tiff.height, channels, options);
    for (int y = 4; y < kHeight - 2; ++y) {
      for (int x = 3; x < kWidth - 5; ++x) {
        for (int ch = 0; ch < channels; ++ch) {
          const int sum = oracle.sum(x, y, ch);
          if (c.mode != 11) {
            ASSERT_EQ(document.pixel(x, y)[ch], narrowOf(sum)) << x << "," << y;
          } else {
            std::uint16_t sample = 0;
            std::memcpy(&sample, document.pixel(x, y) + 2 * ch, 2);
            ASSERT_EQ(sample, wideOf(sum)) << x << "," << y;
          }
        }
      }
    }
  }

  // Far out through the rectangle entry, at a scale whose positions wrap
  // at 64 bits there: the rows cross the wrap and keep to the oracle.
  fill::FillOptions options = shapes(4);
  options.scalePercent = 1;
  const QuiltedCubic oracle(texels, tiff.width, tiff.height, 3, options);
  const std::uint64_t wrapAt = ((std::uint64_t{1} << 63) - std::uint64_t(oracle.map().u0)) / std::uint64_t(oracle.map().ux);
  ASSERT_LT(wrapAt, std::uint64_t{fill::kPlaneLimit} - 64);
  const int left = static_cast<int>(wrapAt) - 20;
  const int top = fill::kPlaneLimit - 3;
  fill::RectangleFill entry{};
  path.copy(entry.job.fileName, sizeof entry.job.fileName - 1);
  entry.job.options = options;
  std::int16_t result = 0;
  ASSERT_EQ(fill::startRectangleFill(entry, 3, 1, &result), 1);
  Bytes pixels(3 * 40 * 3);
  ASSERT_EQ(fill::fillRectangle(entry, top, left, 3, 40, pixels.data(), 40 * 3, &result), 1);
  fill::releaseRectangleFill(entry);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 40; ++x) {
      for (int ch = 0; ch < 3; ++ch) {
        ASSERT_EQ(pixels[(y * 40 + x) * 3 + ch], narrowOf(oracle.sum(left + x, top + y, ch))) << x << "," << y;
      }
    }
  }
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

// Preferences' swatch shows the fill: at the texture's own size, turned or
// enlarged it is the document's top-left corner, pixel for pixel, redrawn
// from the kept tiles.
TEST_F(ShapeFillTest, TheSwatchIsTheFill) {
  const std::string path = texture(40, 33);
  fill::FillOptions turned = shapes(7);
  turned.angleDegrees = 30;
  fill::FillOptions enlarged = shapes(7);
  enlarged.scalePercent = 250;
  enlarged.angleDegrees = -45;
  enlarged.offsetX = 3;
  for (const fill::FillOptions& options : {shapes(7), turned, enlarged}) {
    SCOPED_TRACE("scale " + std::to_string(options.scalePercent) + " angle " + std::to_string(options.angleDegrees));
    chooser::provideChoice({.status = 1, .fileName = path, .options = options});
    simhost::SimulatedHost host(kWidth, kHeight, 3);
    ASSERT_EQ(host.run().result(), 0);
    fill::FillPreview* preview = fill::createFillPreview();
    Bytes swatch(std::size_t(kWidth) * kHeight * 3);
    for (int redraw = 0; redraw < 2; ++redraw) {
      ASSERT_TRUE(fill::drawFillPreview(preview, path.c_str(), options, kWidth, kHeight, swatch.data()));
      for (int y = 0; y < kHeight; ++y) {
        ASSERT_EQ(0, std::memcmp(host.document().pixel(0, y), &swatch[std::size_t(y) * kWidth * 3], kWidth * 3))
            << "row " << y;
      }
    }
    fill::destroyFillPreview(preview);
  }
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

// The maps of a material are cut alike: with the same stack of their
// channels to decide on, the pieces, the lattice and every run are the same
// whichever map the runs are copied from.
TEST(CornerTiles, EveryMapOfAStackIsCutAlike) {
  const int side = 96;
  const texfill::Image colour = texfill::generateSample(*texfill::findSampleRecipe("brick"), side);
  Bytes stack(std::size_t(side) * side * 4);
  Bytes gray(std::size_t(side) * side);
  for (std::size_t i = 0; i < std::size_t(side) * side; ++i) {
    for (int k = 0; k < 3; ++k) stack[i * 4 + k] = colour.pixels[i * 3 + k];
    // A height of its own, unlike the colour.
    stack[i * 4 + 3] = std::uint8_t((i * 7919u) >> 5);
    gray[i] = std::uint8_t(255 - colour.pixels[i * 3 + 1]);
  }
  const TexelBlock decisions{stack.data(), side, side, 4, side * 4};
  const TexelBlock first{colour.pixels.data(), side, side, 3, side * 3};
  const TexelBlock second{gray.data(), side, side, 1, side};
  fill::CornerTiles a{};
  fill::CornerTiles b{};
  ASSERT_TRUE(fill::buildCornerTiles(first, decisions, 0, 17, a));
  ASSERT_TRUE(fill::buildCornerTiles(second, decisions, 0, 17, b));
  EXPECT_EQ(a.tileWidth, b.tileWidth);
  EXPECT_EQ(a.tileHeight, b.tileHeight);
  for (int k = 0; k < a.colours; ++k) {
    EXPECT_EQ(a.sourceX[k], b.sourceX[k]);
    EXPECT_EQ(a.sourceY[k], b.sourceY[k]);
  }
  const std::size_t entries = std::size_t(4) * a.colours * a.colours * a.colours * a.tileHeight;
  ASSERT_TRUE(std::equal(a.runFirst, a.runFirst + entries + 1, b.runFirst));
  EXPECT_TRUE(std::equal(a.runs, a.runs + a.runFirst[entries], b.runs));
  fill::CornerTiles sizes{};
  const TexelBlock smaller{gray.data(), side - 1, side, 1, side};
  EXPECT_FALSE(fill::buildCornerTiles(smaller, decisions, 0, 17, sizes));
  fill::releaseCornerTiles(a);
  fill::releaseCornerTiles(b);
}

