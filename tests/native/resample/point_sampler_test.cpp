// The point sampler against ImageMagick's distort of the same texture:
// enlargements and turns sample for sample (within 2 levels of
// `-interpolate catrom -filter point`), reductions through the prefilter by
// PSNR against its default (EWA) distort; then the vector loop, band splits
// and 16-bit samples against the scalar 8-bit ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/posix/platform_posix_test.h"
#include "resample/point_sampler.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"
#include "resample/wrap_resampler.h"
#include "tests/native/support/texture_fixtures.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

struct Texture {
  int width;
  int height;
  int channels;
  Bytes bytes;
  TexelBlock block() const { return TexelBlock{bytes.data(), width, height, channels, width * channels}; }
};

// Harsh: random samples, a quarter of them 0 or 255, so that the cubic
// overshoots and clips. Smooth: whole periods of a few waves plus a little
// noise, the kind of texture a reduction should keep.
Texture makeTexture(int width, int height, int channels, unsigned seed, bool smooth) {
  Texture texture{width, height, channels, Bytes(std::size_t(width) * height * channels)};
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int ch = 0; ch < channels; ++ch) {
        std::uint8_t& sample = texture.bytes[(std::size_t(y) * width + x) * channels + ch];
        if (!smooth) {
          const unsigned pick = random() % 4;
          sample = pick == 0 ? 0 : pick == 1 ? 255 : std::uint8_t(random());
          continue;
        }
        const double a = 2 * M_PI * x / width;
        const double b = 2 * M_PI * y / height;
        const double value = 128 + 50 * std::sin(3 * a + ch) + 40 * std::cos(2 * b + 5 * a) +
                             25 * std::sin(7 * b + ch) + double(random() % 9) - 4;
        sample = std::uint8_t(std::lround(std::clamp(value, 0.0, 255.0)));
      }
  return texture;
}

struct Fill {
  double scale;
  double angle;
  double offsetX;
  double offsetY;
  EdgeMode edge;
};

std::string describe(const Fill& fill) {
  char text[160];
  std::snprintf(text, sizeof text, "scale %g angle %g offset %g,%g %s", fill.scale, fill.angle, fill.offsetX,
                fill.offsetY, fill.edge == EdgeMode::reflect ? "mirror" : "tile");
  return text;
}

struct SamplerDeleter {
  void operator()(PointSampler* sampler) const { destroyPointSampler(sampler); }
};
using SamplerPtr = std::unique_ptr<PointSampler, SamplerDeleter>;

// Our fill of width x height pixels, prefiltered as a fill mode does it.
Bytes ourFill(const Texture& texture, const Fill& fill, int width, int height, int sampleBytes = 1) {
  PrefilteredTexture prefiltered{};
  if (!prefilterTexture(texture.block(), fill.scale, fill.edge, prefiltered)) return {};
  SamplerPtr sampler(createPointSampler(prefiltered.block, fill.edge));
  const TextureMap map =
      fillTextureMap(FillTransform{fill.scale, fill.angle, fill.offsetX, fill.offsetY}, prefiltered.frame);
  releasePrefiltered(prefiltered);
  if (sampler == nullptr) return {};
  const int pixelBytes = texture.channels * sampleBytes;
  Bytes out(std::size_t(width) * height * pixelBytes);
  for (int y = 0; y < height; ++y) {
    samplePoints(*sampler, map, 0, y, width,
                 SampleTarget{out.data() + std::size_t(y) * width * pixelBytes, pixelBytes, sampleBytes});
  }
  return out;
}

// ImageMagick's: `interpolated` with the Catmull-Rom interpolation alone,
// otherwise with its default resampling filter. Its angle turns clockwise.
Bytes magickFill(const Texture& texture, const Fill& fill, int width, int height, bool interpolated,
                 int depth = 8) {
  fixtures::TempDir dir;
  const std::string format = texture.channels == 3 ? "rgb:" : "gray:";
  const std::string in = dir.file("in.raw");
  const std::string out = dir.file("out.raw");
  fixtures::writeRawFile(in, texture.bytes);
  char srt[200];
  std::snprintf(srt, sizeof srt, "0,0 %.17g %.17g %.17g,%.17g", fill.scale, -fill.angle, fill.offsetX, fill.offsetY);
  const std::string arguments =
      "-size " + std::to_string(texture.width) + "x" + std::to_string(texture.height) + " -depth 8 '" + format + in +
      "' -virtual-pixel " + (fill.edge == EdgeMode::reflect ? "mirror" : "tile") +
      (interpolated ? " -interpolate catrom -filter point" : "") + " -define distort:viewport=" +
      std::to_string(width) + "x" + std::to_string(height) + "+0+0 -distort SRT '" + srt + "' -endian MSB -depth " +
      std::to_string(depth) + " '" + format + out + "'";
  if (!fixtures::imageMagickConvert(arguments)) {
    ADD_FAILURE() << "convert " << arguments;
    return {};
  }
  return fixtures::readWholeFile(out);
}

int largestDifference(const Bytes& a, const Bytes& b) {
  int largest = 0;
  for (std::size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
  return largest;
}

double psnr(const Bytes& a, const Bytes& b) {
  double squares = 0;
  for (std::size_t i = 0; i < a.size(); ++i) squares += double(int(a[i]) - int(b[i])) * (int(a[i]) - int(b[i]));
  const double mean = squares / double(a.size());
  return mean == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mean);
}

struct Comparison {
  bool reduction;     // a smooth 120 x 90 texture into 90 x 70, else a harsh 37 x 29 into 53 x 41
  bool interpolated;  // ImageMagick's Catmull-Rom alone, else its default filter
  int sampleBytes;
};

// Every fill on an RGB and on a gray texture, ours and ImageMagick's side by
// side for `check`.
template <std::size_t N, typename Check>
void againstImageMagick(const Fill (&fills)[N], const Comparison& how, Check check) {
  const int width = how.reduction ? 90 : 53;
  const int height = how.reduction ? 70 : 41;
  for (const int channels : {3, 1}) {
    const Texture texture = how.reduction ? makeTexture(120, 90, channels, 7u + channels, true)
                                          : makeTexture(37, 29, channels, 29u + channels + how.sampleBytes, false);
    for (const Fill& fill : fills) {
      SCOPED_TRACE(describe(fill) + " channels " + std::to_string(channels));
      const Bytes ours = ourFill(texture, fill, width, height, how.sampleBytes);
      const Bytes theirs = magickFill(texture, fill, width, height, how.interpolated, 8 * how.sampleBytes);
      ASSERT_EQ(ours.size(), theirs.size());
      check(ours, theirs);
    }
  }
}

}  // namespace

TEST(PointSampler, EnlargementsAndTurnsMatchImageMagicksCatmullRom) {
  const Fill fills[] = {
      {1.0, 0, 0, 0, EdgeMode::wrap},          {1.0, 90, 5, -3, EdgeMode::wrap},
      {1.5, 30, 3.25, -7.5, EdgeMode::wrap},   {2.5, -45, 0, 0, EdgeMode::reflect},
      {4.0, 123.4, -11.7, 2.2, EdgeMode::wrap}, {1.25, 200, 0.5, 0.5, EdgeMode::reflect},
      {3.0, 17, 1, 1, EdgeMode::reflect},      {10.0, 300, -40, 21, EdgeMode::wrap},
      {1.0, 180, 0, 0, EdgeMode::reflect},
  };
  againstImageMagick(fills, Comparison{false, true, 1}, [](const Bytes& ours, const Bytes& theirs) {
    EXPECT_LE(largestDifference(ours, theirs), 2);
  });
}

TEST(PointSampler, PrefilteredReductionsStayCloseToImageMagicksDistort) {
  const Fill fills[] = {
      {0.73, 30, 0, 0, EdgeMode::wrap},     {0.1, 0, 0, 0, EdgeMode::wrap},    {0.5, 45, 3, 7, EdgeMode::reflect},
      {0.3, -60, -2, 5, EdgeMode::reflect}, {0.25, 90, 0, 0, EdgeMode::wrap},
  };
  againstImageMagick(fills, Comparison{true, false, 1}, [](const Bytes& ours, const Bytes& theirs) {
    EXPECT_GE(psnr(ours, theirs), 30.0);
  });
}

// Sixteen-bit samples carry the interpolated value, not a widened byte:
// against ImageMagick's 16-bit output they stay within a third of a level
// (phases rounded to 1/1024 texel cost up to a fifth where harsh neighbours
// differ most), where rounding to 8 bits first would add up to half a level.
TEST(PointSampler, WideSamplesFollowImageMagicksSixteenBitOutput) {
  const Fill fills[] = {{1.5, 30, 3.25, -7.5, EdgeMode::wrap}, {2.5, -45, 0, 0, EdgeMode::reflect}};
  againstImageMagick(fills, Comparison{false, true, 2}, [](const Bytes& ours, const Bytes& theirs) {
    double largest = 0;
    for (std::size_t i = 0; i < ours.size(); i += 2) {
      const double our = (ours[i] | ours[i + 1] << 8) * 65535.0 / kWideTop;  // little-endian, 0 .. 32768
      const double their = theirs[i] << 8 | theirs[i + 1];                    // big-endian, 0 .. 65535
      largest = std::max(largest, std::fabs(our - their));
    }
    EXPECT_LE(largest, 80.0);
  });
}

// The same samples whatever the vector level, wherever a run starts and
// however many pixels it has, and no byte of a pixel beyond its samples
// touched.
TEST(PointSampler, EveryLevelAndEverySplitGiveTheScalarSamples) {
  struct SimdLevelGuard {
    ~SimdLevelGuard() { limitWrapResamplerSimd(2); }
  } guard;
  const Fill fills[] = {{1.5, 30, 3.25, -7.5, EdgeMode::wrap}, {0.73, 30, 0, 0, EdgeMode::reflect},
                        {1.0, 90, 0, 0, EdgeMode::reflect},     {4.0, -17, -40000.5, 77777.25, EdgeMode::wrap}};
  constexpr int kWidth = 67;
  constexpr int kRows = 9;
  const int widest = limitWrapResamplerSimd(2);
  for (const int channels : {3, 1}) {
    const Texture texture = makeTexture(45, 31, channels, 3u + channels, false);
    for (const Fill& fill : fills) {
      for (const int sampleBytes : {1, 2}) {
        SCOPED_TRACE(describe(fill) + " channels " + std::to_string(channels) + " bytes " + std::to_string(sampleBytes));
        limitWrapResamplerSimd(0);
        const Bytes expected = ourFill(texture, fill, kWidth, kRows, sampleBytes);
        ASSERT_FALSE(expected.empty());
        PrefilteredTexture prefiltered{};
        ASSERT_TRUE(prefilterTexture(texture.block(), fill.scale, fill.edge, prefiltered));
        SamplerPtr sampler(createPointSampler(prefiltered.block, fill.edge));
        ASSERT_NE(sampler, nullptr);
        const TextureMap map =
            fillTextureMap(FillTransform{fill.scale, fill.angle, fill.offsetX, fill.offsetY}, prefiltered.frame);
        releasePrefiltered(prefiltered);
        // One spare byte after every pixel, which must keep its canary value.
        const int samples = channels * sampleBytes;
        const int pixelBytes = samples + 1;
        std::mt19937 random(unsigned(channels * 10 + sampleBytes));
        for (int level = 0; level <= widest; ++level) {
          limitWrapResamplerSimd(level);
          Bytes spread(std::size_t(kWidth) * kRows * pixelBytes, 0xA5);
          for (int y = 0; y < kRows; ++y) {
            for (int x = 0; x < kWidth;) {
              const int count = std::min(kWidth - x, 1 + int(random() % 23));
              samplePoints(*sampler, map, x, y, count,
                           SampleTarget{spread.data() + (std::size_t(y) * kWidth + x) * pixelBytes, pixelBytes, sampleBytes});
              x += count;
            }
          }
          Bytes packed;
          for (std::size_t p = 0; p < std::size_t(kWidth) * kRows; ++p) {
            packed.insert(packed.end(), spread.begin() + p * pixelBytes, spread.begin() + p * pixelBytes + samples);
            ASSERT_EQ(spread[p * pixelBytes + samples], 0xA5) << "pixel " << p << " level " << level;
          }
          EXPECT_EQ(packed, expected) << "level " << level;
        }
      }
    }
  }
}

// Blocks it cannot serve are refused, and running out of memory at any
// allocation, in the sampler or the prefilter, leaves nothing behind.
TEST(PointSampler, RefusesWhatItCannotServeAndLeaksNothing) {
  const Texture texture = makeTexture(40, 30, 3, 1u, false);
  TexelBlock block = texture.block();
  for (const auto& [channels, width, height] : {std::tuple{2, 40, 30}, {4, 10, 30}, {3, 0, 30}, {3, 40, 0}, {3, 40000, 1}}) {
    const TexelBlock bad{texture.bytes.data(), width, height, channels, 120000};
    EXPECT_EQ(createPointSampler(bad, EdgeMode::wrap), nullptr) << channels << " " << width << "x" << height;
  }
  block.rowBytes = 119;
  EXPECT_EQ(createPointSampler(block, EdgeMode::wrap), nullptr);
  block.rowBytes = 120;
  // A texture one texel across cannot be reduced around its wrap: it is
  // served as it is, never refused as if memory had run out.
  for (const auto& [width, height] : {std::pair{1, 30}, {30, 1}}) {
    PrefilteredTexture prefiltered{};
    const TexelBlock thin{texture.bytes.data(), width, height, 3, 120};
    ASSERT_TRUE(prefilterTexture(thin, 0.37, EdgeMode::wrap, prefiltered)) << width << "x" << height;
    EXPECT_EQ(prefiltered.block.pixels, thin.pixels);
    releasePrefiltered(prefiltered);
  }

  const long before = platform::test::blocksOutstanding();
  for (long k = 1;; ++k) {
    platform::test::failAllocationAfter(k);
    PrefilteredTexture prefiltered{};
    const bool reduced = prefilterTexture(block, 0.3, EdgeMode::reflect, prefiltered);
    PointSampler* sampler = reduced ? createPointSampler(prefiltered.block, EdgeMode::reflect) : nullptr;
    platform::test::failAllocationAfter(0);
    const bool complete = sampler != nullptr;
    destroyPointSampler(sampler);
    if (reduced) releasePrefiltered(prefiltered);
    EXPECT_EQ(platform::test::blocksOutstanding(), before) << "failing allocation " << k;
    if (complete) break;
  }
}
