// The by-example fill: the integer, vectorised paths against the
// double-precision oracle on sample textures under several maps, depths,
// seeds and cell sizes; every vector level and the general path against the
// scalar translation path byte for byte; rows split anywhere; the way back
// from each texel's Gaussian value; refusals and allocation failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fill/normal_distribution.h"
#include "fill/stochastic_kernels.h"
#include "fill/stochastic_render.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/fill/stochastic_oracle.h"
#include "tools/texfill/sample_gen.h"

namespace {

using stochastic_test::oracleRow;

struct TextureDeleter {
  void operator()(StochasticTexture* texture) const { releaseStochasticTexture(texture); }
};
using TexturePointer = std::unique_ptr<StochasticTexture, TextureDeleter>;

texfill::Image sampleImage(const std::string& name, int size, bool gray) {
  texfill::Image image = texfill::generateSample(*texfill::findSampleRecipe(name), size);
  return gray ? texfill::toGray(image) : image;
}

// Bytes with no histogram to speak of: two colours only, or noise.
texfill::Image noiseImage(int width, int height, int channels, unsigned seed, bool twoTone) {
  texfill::Image image = texfill::makeImage(width, height, channels);
  std::mt19937 random(seed);
  for (auto& byte : image.pixels) byte = twoTone ? (random() & 1 ? 200 : 30) : static_cast<std::uint8_t>(random());
  return image;
}

TexturePointer prepare(const texfill::Image& image) {
  const TexelBlock block{image.pixels.data(), image.width, image.height, image.channels, image.width * image.channels};
  return TexturePointer(prepareStochasticTexture(block));
}

std::vector<std::int32_t> renderRow(const StochasticTexture& texture, const StochasticPlacement& placement, int x,
                                    int y, int count, int sampleBytes) {
  std::vector<std::uint8_t> bytes(std::size_t(count) * texture.channels * sampleBytes);
  const StochasticTarget target{bytes.data(), texture.channels * sampleBytes, sampleBytes};
  EXPECT_TRUE(renderStochasticRow(texture, placement, x, y, count, target));
  std::vector<std::int32_t> samples;
  for (std::size_t i = 0; i < bytes.size(); i += sampleBytes) {
    std::uint16_t wide = bytes[i];
    if (sampleBytes == 2) std::memcpy(&wide, &bytes[i], 2);
    samples.push_back(wide);
  }
  return samples;
}

StochasticPlacement place(const StochasticTexture& texture, const StochasticOptions& options,
                          const StochasticMap& map) {
  StochasticPlacement placement{};
  EXPECT_TRUE(placeStochasticTexture(texture, options, map, &placement));
  return placement;
}

StochasticMap rotation(double degrees, double scale, double originU, double originV) {
  const double c = std::cos(degrees * M_PI / 180) / scale, s = std::sin(degrees * M_PI / 180) / scale;
  return {c, s, originU, -s, c, originV};
}

struct Texture {
  const char* name;
  texfill::Image image;
};

const std::vector<Texture>& textures() {
  static const std::vector<Texture> all = {
      {"marble 96 RGB", sampleImage("marble", 96, false)},
      {"clouds 64 gray", sampleImage("clouds", 64, true)},
      {"sand 48 RGB", sampleImage("sand", 48, false)},
      {"noise 37x23 RGB", noiseImage(37, 23, 3, 7, false)},
  };
  return all;
}

struct Placing {
  const char* name;
  StochasticMap map;
  StochasticOptions options;
  int sampleBytes;
};

const Placing kPlacings[] = {
    {"translation", {1, 0, -40, 0, 1, 17}, {1, 0}, 1},
    {"translation 16-bit, cell 30 %", {1, 0, 3, 0, 1, -9}, {99999, 30}, 2},
    {"half-texel translation", {1, 0, 0.5, 0, 1, 0.25}, {5, 0}, 1},
    {"30 degrees at 73 %", rotation(30, 0.73, 11.2, -3.7), {42, 0}, 1},
    {"-75 degrees at 250 %, 16-bit", rotation(-75, 2.5, -1000.4, 333.3), {0, 45}, 2},
    {"mirrored and sheared", {-1, 0.2, 5, 0.1, 0.9, 0}, {7, 60}, 1},
};

// 8-bit samples within one level of the oracle's. And every sample, 8- or
// 16-bit, within one unit of the oracle's range over blended values within
// kSlack (3/1024 deviation) of its exact ones: the integer blend is that
// close (three truncated products, weights and normaliser in 15 bits, the
// nearest node), and where the histogram has a gap, that close can mean a
// level or more of a 16-bit sample.
constexpr double kSlack = 6.0 / 2048;

TEST(StochasticFill, EqualsTheOracleWithinOneLevel) {
  for (const Texture& t : textures()) {
    const TexturePointer texture = prepare(t.image);
    ASSERT_NE(texture, nullptr) << t.name;
    for (const Placing& p : kPlacings) {
      SCOPED_TRACE(std::string(t.name) + ", " + p.name);
      const StochasticPlacement placement = place(*texture, p.options, p.map);
      int worst = 0;
      int outside = 0;
      for (int y = -70; y < 90; y += 7) {
        const std::vector<std::int32_t> have = renderRow(*texture, placement, -60, y, 211, p.sampleBytes);
        const stochastic_test::OracleRow oracle =
            oracleRow(*texture, p.options, p.map, -60, y, 211, p.sampleBytes, kSlack);
        ASSERT_EQ(have.size(), oracle.samples.size());
        for (std::size_t i = 0; i < have.size(); ++i) {
          worst = std::max(worst, std::abs(have[i] - oracle.samples[i]));
          outside += have[i] < oracle.lowest[i] - 1 || have[i] > oracle.highest[i] + 1;
        }
      }
      if (p.sampleBytes == 1) {
        EXPECT_LE(worst, 1);
      }
      EXPECT_EQ(outside, 0);
    }
  }
}

// Vector levels against scalar, the general path against the translation
// path, and rows cut into pieces against whole rows, byte for byte.
TEST(StochasticFill, EveryPathAndSplitGivesTheSameBytes) {
  struct LevelGuard {
    ~LevelGuard() { limitStochasticSimd(2); }
  } guard;
  for (int both = 0; both < 2 * int(std::size(kPlacings)); ++both) {
    const Texture& t = textures()[both % 2];  // marble RGB, clouds gray
    const Placing& p = kPlacings[both / 2];
    SCOPED_TRACE(std::string(t.name) + ", " + p.name);
    const TexturePointer texture = prepare(t.image);
    ASSERT_NE(texture, nullptr);
    const StochasticPlacement placement = place(*texture, p.options, p.map);
    limitStochasticSimd(0);
    std::vector<std::vector<std::int32_t>> scalarRows;
    for (int y = -3; y < 40; y += 5) scalarRows.push_back(renderRow(*texture, placement, -300, y, 700, p.sampleBytes));
    for (int level = 1; level <= 2; ++level) {
      if (limitStochasticSimd(level) != level) break;
      for (int y = -3, r = 0; y < 40; y += 5, ++r) {
        EXPECT_EQ(renderRow(*texture, placement, -300, y, 700, p.sampleBytes), scalarRows[r]) << "level " << level;
      }
    }
    StochasticPlacement general = placement;
    general.translation = false;
    std::mt19937 random(11);
    for (int y = -3, r = 0; y < 40; y += 5, ++r) {
      EXPECT_EQ(renderRow(*texture, general, -300, y, 700, p.sampleBytes), scalarRows[r]);
      std::vector<std::int32_t> pieces;
      for (int x = -300; x < 400;) {
        const int count = std::min(400 - x, int(random() % 300));
        const std::vector<std::int32_t> piece = renderRow(*texture, placement, x, y, count, p.sampleBytes);
        pieces.insert(pieces.end(), piece.begin(), piece.end());
        x += count;
      }
      EXPECT_EQ(pieces, scalarRows[r]);
    }
  }
}

// Each texel's Gaussian value, looked up at its nearest node, gives the
// texel back: the sort, the quantiles, the axes and their inverse agree.
TEST(StochasticFill, TheLookupTakesEachTexelBack) {
  std::vector<Texture> all = textures();
  all.push_back({"two-tone 40x30 RGB", noiseImage(40, 30, 3, 3, true)});
  all.push_back({"flat 5x3 gray", texfill::makeImage(5, 3, 1, 77)});
  for (const Texture& t : all) {
    SCOPED_TRACE(t.name);
    const TexturePointer texture = prepare(t.image);
    ASSERT_NE(texture, nullptr);
    const std::int64_t texels = std::int64_t(texture->width) * texture->height;
    int worst = 0;
    for (std::int64_t i = 0; i < texels; ++i) {
      std::uint64_t sum = 0;
      for (int k = 0; k < texture->channels; ++k) {
        const int g = texture->planes[k * texels + i] / 2;  // in 2048ths, as blended
        sum += texture->lookup[k * stochastic::kLookupNodes + stochastic::kernels::lookupNode(g)];
      }
      for (int c = 0; c < texture->channels; ++c) {
        const double level =
            (double((sum >> (21 * c)) & 0x1FFFFF) - texture->fieldOffset[c]) * 255.0 / stochastic::kSampleTop;
        worst = std::max(worst, int(std::lround(std::fabs(level - t.image.pixels[i * texture->channels + c]))));
      }
    }
    EXPECT_LE(worst, 1);
  }
}

// Textures of a texel or a line of texels: every run wraps at once. A
// single texel fills everything with its colour; every level agrees.
TEST(StochasticFill, TinyTexturesFillEvenly) {
  struct LevelGuard {
    ~LevelGuard() { limitStochasticSimd(2); }
  } guard;
  texfill::Image single = texfill::makeImage(1, 1, 3);
  single.pixels = {10, 200, 77};
  const texfill::Image lines[] = {single, noiseImage(1, 7, 3, 5, false), noiseImage(9, 1, 1, 6, false),
                                  noiseImage(2, 2, 1, 7, true)};
  for (const texfill::Image& image : lines) {
    SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height));
    const TexturePointer texture = prepare(image);
    ASSERT_NE(texture, nullptr);
    for (const Placing& p : kPlacings) {
      const StochasticPlacement placement = place(*texture, p.options, p.map);
      limitStochasticSimd(0);
      const std::vector<std::int32_t> scalar = renderRow(*texture, placement, -40, 3, 300, 1);
      limitStochasticSimd(2);
      EXPECT_EQ(renderRow(*texture, placement, -40, 3, 300, 1), scalar) << p.name;
      if (image.width * image.height == 1) {
        for (std::size_t i = 0; i < scalar.size(); ++i) ASSERT_EQ(scalar[i], image.pixels[i % 3]) << p.name;
      }
    }
  }
}

TEST(StochasticFill, NormalDistributionIsExactToTwelveDigits) {
  double worst = 0;
  for (double x = -8.5; x <= 8.5; x += 0.0123) {
    worst = std::max(worst, std::fabs(stochastic::normalDistribution(x) - 0.5 * std::erfc(-x / std::sqrt(2.0))));
    EXPECT_NEAR(stochastic::exponentialOfNegative(-x * x / 2) / std::exp(-x * x / 2), 1.0, 1e-14);
  }
  EXPECT_LT(worst, 1e-12);
}

TEST(StochasticFill, RefusesWhatItCannotServe) {
  const texfill::Image image = sampleImage("granite", 32, false);
  const TexelBlock good{image.pixels.data(), 32, 32, 3, 96};
  const TexelBlock bad[] = {{nullptr, 32, 32, 3, 96},
                            {image.pixels.data(), 0, 32, 3, 96},
                            {image.pixels.data(), 32, 32, 2, 96},
                            {image.pixels.data(), 32, 32, 3, 95},
                            {image.pixels.data(), 1 << 13, 1 << 12, 3, 3 << 13}};
  for (const TexelBlock& block : bad) EXPECT_EQ(prepareStochasticTexture(block), nullptr);

  const TexturePointer texture(prepareStochasticTexture(good));
  ASSERT_NE(texture, nullptr);
  StochasticPlacement placement{};
  const StochasticMap identity{1, 0, 0, 0, 1, 0};
  EXPECT_FALSE(placeStochasticTexture(*texture, {-1, 0}, identity, &placement));
  EXPECT_FALSE(placeStochasticTexture(*texture, {100000, 0}, identity, &placement));
  EXPECT_FALSE(placeStochasticTexture(*texture, {1, 101}, identity, &placement));
  EXPECT_FALSE(placeStochasticTexture(*texture, {1, 0}, {NAN, 0, 0, 0, 1, 0}, &placement));
  EXPECT_FALSE(placeStochasticTexture(*texture, {1, 0}, {33, 0, 0, 0, 1, 0}, &placement));
  EXPECT_FALSE(placeStochasticTexture(*texture, {1, 0}, {1, 0, 3e8, 0, 1, 0}, &placement));
  ASSERT_TRUE(placeStochasticTexture(*texture, {1, 0}, identity, &placement));

  std::uint8_t pixels[12] = {};
  EXPECT_FALSE(renderStochasticRow(*texture, placement, 0, 0, -1, {pixels, 3, 1}));
  EXPECT_FALSE(renderStochasticRow(*texture, placement, (1 << 24) - 2, 0, 4, {pixels, 3, 1}));
  EXPECT_FALSE(renderStochasticRow(*texture, placement, 0, -(1 << 24) - 1, 4, {pixels, 3, 1}));
  EXPECT_FALSE(renderStochasticRow(*texture, placement, 0, 0, 4, {pixels, 2, 1}));
  EXPECT_FALSE(renderStochasticRow(*texture, placement, 0, 0, 2, {pixels, 6, 3}));
  EXPECT_FALSE(renderStochasticRow(*texture, placement, 0, 0, 2, {nullptr, 6, 2}));
  EXPECT_TRUE(renderStochasticRow(*texture, placement, 0, 0, 2, {pixels, 6, 2}));
  // Pixel padding is left alone.
  std::uint8_t padded[16];
  std::memset(padded, 0xAB, sizeof padded);
  ASSERT_TRUE(renderStochasticRow(*texture, placement, 5, 5, 4, {padded, 4, 1}));
  for (int p = 0; p < 4; ++p) EXPECT_EQ(padded[4 * p + 3], 0xAB);
}

TEST(StochasticFill, AFailedAllocationGivesEverythingBack) {
  const texfill::Image image = sampleImage("rust", 24, false);
  const TexelBlock block{image.pixels.data(), 24, 24, 3, 72};
  for (long k = 1;; ++k) {
    const long before = platform::test::blocksOutstanding();
    platform::test::failOneAllocation(k);
    StochasticTexture* texture = prepareStochasticTexture(block);
    platform::test::failOneAllocation(0);
    if (texture != nullptr) {
      releaseStochasticTexture(texture);
      EXPECT_GT(k, 5);
      break;
    }
    EXPECT_EQ(platform::test::blocksOutstanding(), before) << "allocation " << k;
  }
}

}  // namespace
