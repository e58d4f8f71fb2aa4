// Creation-time arithmetic of the wrap-around resampler: the tolerant
// ceiling, the cubic kernel, the tap counts and the 14-bit weight and step
// tables, checked against hand-worked numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "resample/wrap_resampler.h"
#include "tests/native/resample/memory_texture.h"

using resample_test::makeResampler;
using resample_test::MemoryTexture;
using resample_test::weightsOf;
using Weights = std::vector<std::int16_t>;

TEST(WrapResamplerTables, CeilWithToleranceTreatsNearWholeCentresAsWhole) {
  EXPECT_EQ(ceilWithTolerance(8.0), 8);
  EXPECT_EQ(ceilWithTolerance(8.0000005), 8);
  EXPECT_EQ(ceilWithTolerance(8.000002), 9);
  EXPECT_EQ(ceilWithTolerance(7.5), 8);
  EXPECT_EQ(ceilWithTolerance(0.0), 0);
  EXPECT_EQ(ceilWithTolerance(1e-6), 1);
  EXPECT_EQ(ceilWithTolerance(-0.5), 0);
  EXPECT_EQ(ceilWithTolerance(-1.5), -1);
}

TEST(WrapResamplerTables, CubicKernelIsCatmullRom) {
  EXPECT_EQ(cubicKernel(0.0), 1.0);
  for (double x : {-2.5, -2.0, -1.0, 1.0, 2.0, 3.0}) EXPECT_EQ(cubicKernel(x), 0.0) << x;
  EXPECT_EQ(cubicKernel(0.5), 0.5625);
  EXPECT_EQ(cubicKernel(-0.5), 0.5625);
  EXPECT_EQ(cubicKernel(1.5), -0.0625);
  EXPECT_EQ(cubicKernel(-1.5), -0.0625);
  for (double x = -2.2; x < 2.2; x += 0.013) {
    const double u = std::fabs(x);
    const double expected = u < 1 ? 1.5 * u * u * u - 2.5 * u * u + 1
                            : u < 2 ? -0.5 * u * u * u + 2.5 * u * u - 4 * u + 2
                                    : 0.0;
    EXPECT_NEAR(cubicKernel(x), expected, 1e-12) << x;
  }
}

namespace {

struct Reduction {
  int factor;
  int taps;
  int half;
  Weights weights;
};

const Reduction kReductions[] = {
    {2, 8, 4, {0, -511, 0, 4607, 8192, 4607, 0, -511}},
    {4, 16, 8, {0, -95, -255, -287, 0, 927, 2303, 3551, 4096, 3551, 2303, 927, 0, -287, -255, -95}},
    {8, 32, 16, {0,    -13,  -47,  -89,  -127, -149, -143, -97, 0,    185, 463, 797, 1151, 1489, 1775, 1973,
                 2048, 1973, 1775, 1489, 1151, 797,  463,  185, 0,    -97, -143, -149, -127, -89, -47, -13}},
};

}  // namespace

TEST(WrapResamplerTables, WholeReductionsShareOneWeightRowAndStepByTheFactor) {
  for (const Reduction& reduction : kReductions) {
    SCOPED_TRACE(reduction.factor);
    MemoryTexture texture(512, 3);
    auto resampler = makeResampler(texture, 512 / reduction.factor);
    ASSERT_NE(resampler, nullptr);
    EXPECT_EQ(resampler->taps, reduction.taps);  // 8 at factor 2: 4 / 0.5 is whole, not 9
    EXPECT_EQ(resampler->leftOffset, -reduction.half);
    EXPECT_EQ(resampler->rightOffset, reduction.taps - reduction.half);
    EXPECT_EQ(resampler->windowFirst, -reduction.half);
    EXPECT_EQ(resampler->windowLast, 511 + reduction.taps - reduction.half);
    for (int i = 0; i < resampler->targetSize; ++i) {
      ASSERT_EQ(weightsOf(*resampler, i), reduction.weights) << "output index " << i;
      if (i + 1 < resampler->targetSize) {
        ASSERT_EQ(resampler->steps[i], reduction.factor) << i;
      }
    }
  }
}

TEST(WrapResamplerTables, FactorTwoRemainderLandsOnTheCentreTap) {
  // Raw weights 0, -1023, 0, 9216, 16384, 9216, 0, -1023 (sum 32770): the
  // truncation makes -0.0625 come out as -1023, and the normalised centre tap
  // 8191 takes the lost unit.
  Weights raw;
  for (int j = -4; j < 4; ++j) raw.push_back(static_cast<std::int16_t>(static_cast<int>(cubicKernel(j * 0.5) * 16384 + 0.5)));
  EXPECT_EQ(raw, (Weights{0, -1023, 0, 9216, 16384, 9216, 0, -1023}));
  const int sum = std::accumulate(raw.begin(), raw.end(), 0);
  ASSERT_EQ(sum, 32770);
  EXPECT_EQ(16384 * 16384 / sum, 8191);
  EXPECT_EQ(kReductions[0].weights[4], 8192);
}

TEST(WrapResamplerTables, UnevenReductionHasMixedStepsAndRemainderOnTapEight) {
  MemoryTexture texture(100, 3);
  auto resampler = makeResampler(texture, 30);
  ASSERT_NE(resampler, nullptr);
  EXPECT_EQ(resampler->taps, 14);
  EXPECT_EQ(resampler->leftOffset, -6);
  EXPECT_EQ(resampler->rightOffset, 8);
  for (int i = 1; i < 30; ++i) {
    const int expectedStep = (10 * i + 2) / 3 - (10 * (i - 1) + 2) / 3;  // ceil(10 i / 3) differences: 4, 3, 3, ...
    ASSERT_EQ(resampler->steps[i - 1], expectedStep) << i;
  }
  EXPECT_NE(weightsOf(*resampler, 1), weightsOf(*resampler, 2));

  for (int i = 0; i < 30; ++i) {
    SCOPED_TRACE(i);
    const double centre = i / 0.3;
    const double frac = ceilWithTolerance(centre) - centre;
    Weights expected;
    int rawSum = 0;
    for (int j = -6; j < 8; ++j) {
      const auto raw = static_cast<std::int16_t>(static_cast<int>(cubicKernel((j + frac) * 0.3) * 16384 + 0.5));
      expected.push_back(raw);
      rawSum += raw;
    }
    int total = 0;
    for (auto& weight : expected) total += weight = static_cast<std::int16_t>(weight * 16384 / rawSum);
    expected[8] = static_cast<std::int16_t>(expected[8] + 16384 - total);
    const Weights actual = weightsOf(*resampler, i);
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(std::accumulate(actual.begin(), actual.end(), 0), 16384);
  }
}

TEST(WrapResamplerTables, DoublingAlternatesBetweenCopyAndHalfwayWeights) {
  MemoryTexture texture(64, 3);
  auto resampler = makeResampler(texture, 128);
  ASSERT_NE(resampler, nullptr);
  EXPECT_EQ(resampler->taps, 4);
  EXPECT_EQ(resampler->leftOffset, -2);
  for (int i = 0; i < 128; ++i) {
    SCOPED_TRACE(i);
    if (i + 1 < 128) {
      EXPECT_EQ(resampler->steps[i], i % 2 == 0 ? 1 : 0);
    }
    const Weights expected = i % 2 == 0 ? Weights{0, 0, 16384, 0} : Weights{-1022, 9214, 9214, -1022};
    EXPECT_EQ(weightsOf(*resampler, i), expected);
  }
}

TEST(WrapResamplerTables, SameSizeCopiesTheCentreSample) {
  MemoryTexture texture(37, 3);
  auto resampler = makeResampler(texture, 37);
  ASSERT_NE(resampler, nullptr);
  EXPECT_EQ(resampler->taps, 4);
  EXPECT_EQ(resampler->leftOffset, -2);
  for (int i = 0; i < 37; ++i) {
    EXPECT_EQ(weightsOf(*resampler, i), (Weights{0, 0, 16384, 0})) << i;
    if (i + 1 < 37) {
      EXPECT_EQ(resampler->steps[i], 1) << i;
    }
  }
}
