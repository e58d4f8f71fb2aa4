// The resampler against a plain two-pass reference written from the filter's
// definition (its own kernel, centres and normalisation), square or not,
// wrapped or mirrored, and a seam check on the tiled result.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "resample/wrap_resampler.h"
#include "tests/native/resample/memory_texture.h"

using resample_test::makeResampler;
using resample_test::MemoryTexture;
using resample_test::resampleAll;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct ReferenceFilter {
  int taps = 0;
  int half = 0;
  std::vector<int> firstTap;             // source position of tap 0, per output index
  std::vector<std::vector<int>> weights;  // per output index
};

double keys(double x) {
  const double u = std::fabs(x);
  if (u < 1) return 1.5 * u * u * u - 2.5 * u * u + 1;
  if (u < 2) return -0.5 * u * u * u + 2.5 * u * u - 4 * u + 2;
  return 0;
}

ReferenceFilter referenceFilter(int sourceSize, int targetSize, bool centred) {
  ReferenceFilter filter;
  const double scale = double(targetSize) / sourceSize;
  const bool reducing = scale < 1;
  const double support = reducing ? 4 / scale : 4;
  const double tolerant = support - 1e-6;
  filter.taps = reducing ? int(std::floor(tolerant)) + 1 : 4;
  filter.half = int(std::floor(support / 2));
  for (int i = 0; i < targetSize; ++i) {
    const double centre = centred ? (i + 0.5) / scale - 0.5 : i / scale;
    const double shifted = centre - 1e-6;
    const int first = shifted < 0 ? int(std::trunc(shifted)) : int(std::floor(shifted)) + 1;
    const double frac = first - centre;
    std::vector<int> weights;
    int sum = 0;
    for (int t = 0; t < filter.taps; ++t) {
      const double distance = (t - filter.half + frac) * (reducing ? scale : 1.0);
      weights.push_back(int(std::trunc(keys(distance) * 16384 + 0.5)));
      sum += weights.back();
    }
    int total = 0;
    for (int& weight : weights) total += weight = weight * 16384 / sum;  // C++ division truncates
    weights[filter.taps - filter.half] += 16384 - total;
    filter.firstTap.push_back(first - filter.half);
    filter.weights.push_back(weights);
  }
  return filter;
}

std::uint8_t clampTo8(int acc) { return acc >= 255 * 16384 ? 255 : acc <= 0 ? 0 : std::uint8_t(acc >> 14); }

int wrap(int index, int size) { return ((index % size) + size) % size; }

// Mirrored: period 2N, the second half backwards.
int reflect(int index, int size) {
  const int folded = wrap(index, 2 * size);
  return folded < size ? folded : 2 * size - 1 - folded;
}

struct Shape {
  int sourceWidth;
  int sourceHeight;
  int targetWidth;
  int targetHeight;
  bool mirrored = false;
  bool centred = false;
};

Bytes referenceResample(const MemoryTexture& texture, const Shape& shape) {
  const int width = texture.size;
  const int channels = texture.channels;
  const ReferenceFilter across = referenceFilter(width, shape.targetWidth, shape.centred);
  const ReferenceFilter down = referenceFilter(texture.height, shape.targetHeight, shape.centred);
  auto index = [&](int i, int size) { return shape.mirrored ? reflect(i, size) : wrap(i, size); };
  auto source = [&](int x, int y, int ch) { return int(texture.bytes[(std::size_t(y) * width + x) * channels + ch]); };

  std::vector<Bytes> filteredRows(texture.height, Bytes(std::size_t(shape.targetWidth) * channels));
  for (int y = 0; y < texture.height; ++y)
    for (int x = 0; x < shape.targetWidth; ++x)
      for (int ch = 0; ch < channels; ++ch) {
        int acc = 8192;
        for (int t = 0; t < across.taps; ++t)
          acc += across.weights[x][t] * source(index(across.firstTap[x] + t, width), y, ch);
        filteredRows[y][std::size_t(x) * channels + ch] = clampTo8(acc);
      }

  Bytes out;
  for (int y = 0; y < shape.targetHeight; ++y)
    for (std::size_t b = 0; b < std::size_t(shape.targetWidth) * channels; ++b) {
      int acc = 8192;
      for (int t = 0; t < down.taps; ++t)
        acc += down.weights[y][t] * filteredRows[index(down.firstTap[y] + t, texture.height)][b];
      out.push_back(clampTo8(acc));
    }
  return out;
}

}  // namespace

TEST(WrapResamplerReference, MatchesTheTwoPassDefinitionOnRandomTextures) {
  const Shape cases[] = {{512, 512, 256, 256}, {512, 512, 128, 128}, {512, 512, 64, 64}, {128, 128, 64, 64},
                         {100, 100, 30, 30},   {64, 64, 128, 128},   {37, 37, 11, 11},
                         // Sizes of their own across and down, mirrored edges, aligned centres.
                         {37, 29, 11, 50},     {40, 30, 20, 15, true, true}, {64, 48, 24, 48, true, true},
                         {33, 20, 70, 9, false, true},                 {16, 24, 5, 7, true, true}};
  for (const Shape& shape : cases) {
    SCOPED_TRACE(testing::Message() << shape.sourceWidth << "x" << shape.sourceHeight << " -> " << shape.targetWidth
                                    << "x" << shape.targetHeight << (shape.mirrored ? " mirrored" : "")
                                    << (shape.centred ? " centred" : ""));
    MemoryTexture texture(shape.sourceWidth, shape.sourceHeight, 3);
    texture.fillRandom(unsigned(shape.sourceWidth * 1000 + shape.targetWidth));
    auto resampler = makeResampler(texture, shape.targetWidth, shape.targetHeight,
                                   shape.mirrored ? EdgeMode::reflect : EdgeMode::wrap,
                                   shape.centred ? Alignment::centres : Alignment::origins);
    ASSERT_NE(resampler, nullptr);
    const Bytes expected = referenceResample(texture, shape);
    const Bytes actual = resampleAll(*resampler);
    ASSERT_EQ(actual.size(), expected.size());
    const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin());
    EXPECT_TRUE(mismatch.first == actual.end())
        << "first difference at byte " << (mismatch.first - actual.begin()) << ": have " << int(*mismatch.first)
        << ", expected " << int(*mismatch.second);
  }
}

// A smooth texture with whole periods tiles seamlessly, and so must its
// reduction: across each tile border the step between neighbours is no larger
// than between the neighbours just inside.
TEST(WrapResamplerReference, ReducedTextureTilesWithoutSeams) {
  for (const auto& [source, target] : {std::pair{512, 64}, std::pair{128, 64}, std::pair{128, 32}}) {
    SCOPED_TRACE(testing::Message() << source << " -> " << target);
    MemoryTexture texture(source, 3);
    texture.fill([&](int x, int y, int ch) {
      const double a = 2 * std::numbers::pi * x / source;
      const double b = 2 * std::numbers::pi * y / source;
      return std::uint8_t(std::lround(128 + 60 * std::sin(a + ch) + 40 * std::sin(3 * b) + 20 * std::cos(2 * a + b)));
    });
    auto resampler = makeResampler(texture, target);
    ASSERT_NE(resampler, nullptr);
    const Bytes reduced = resampleAll(*resampler);

    const int tiled = 3 * target;
    auto pixel = [&](int x, int y, int ch) {
      return int(reduced[(std::size_t(y % target) * target + x % target) * 3 + ch]);
    };
    // Mean absolute difference between column (row) p and p + 1 of the tiling.
    auto columnStep = [&](int p) {
      double sum = 0;
      for (int y = 0; y < tiled; ++y)
        for (int ch = 0; ch < 3; ++ch) sum += std::abs(pixel(p + 1, y, ch) - pixel(p, y, ch));
      return sum / (tiled * 3);
    };
    auto rowStep = [&](int p) {
      double sum = 0;
      for (int x = 0; x < tiled; ++x)
        for (int ch = 0; ch < 3; ++ch) sum += std::abs(pixel(x, p + 1, ch) - pixel(x, p, ch));
      return sum / (tiled * 3);
    };
    for (int seam : {target - 1, 2 * target - 1}) {
      EXPECT_LE(columnStep(seam), std::max(columnStep(seam - 1), columnStep(seam + 1)) + 0.5) << seam;
      EXPECT_LE(rowStep(seam), std::max(rowStep(seam - 1), rowStep(seam + 1)) + 0.5) << seam;
    }
  }
}
