// The vector passes (SSE2 and AVX2, as far as this processor has them)
// against the scalar loops, byte for byte: whole reductions, rows asked for
// out of order, channel counts other than 3, column counts that leave a
// remainder after the groups of four, sizes of their own across and down,
// mirrored edges with aligned centres, and samples at both ends of the range
// so that ringing saturates.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "resample/wrap_resampler.h"
#include "tests/native/resample/memory_texture.h"

using resample_test::makeResampler;
using resample_test::MemoryTexture;
using resample_test::resampleAll;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Restores the widest vector passes however a test ends.
struct SimdLevelGuard {
  ~SimdLevelGuard() { limitWrapResamplerSimd(2); }
};

void fillHarsh(MemoryTexture& texture, unsigned seed) {
  std::mt19937 random(seed);
  for (auto& byte : texture.bytes) {
    const unsigned pick = random() % 4;
    byte = pick == 0 ? 0 : pick == 1 ? 255 : static_cast<std::uint8_t>(random());
  }
}

Bytes rowsInOrder(WrapResampler& resampler, const std::vector<int>& order) {
  const std::size_t rowBytes = std::size_t(resampler.targetSize) * resampler.channels;
  Bytes out;
  Bytes row(rowBytes);
  for (int r : order) {
    if (resampleRow(&resampler, r, row.data()) != 0) return {};
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

TEST(WrapResamplerSimd, EveryLevelGivesTheScalarBytes) {
  SimdLevelGuard guard;
  struct Case {
    int source;
    int target;
    int channels;
    int sourceHeight = 0;  // 0: square
    int targetHeight = 0;
    EdgeMode edge = EdgeMode::wrap;
  };
  // Whole factors (taps 8, 16, 32) take the vector passes; 100 -> 30 and the
  // enlargement keep the scalar horizontal pass and vectorise the vertical.
  // Mirrored cases align centres, which moves every window by c(0).
  const Case cases[] = {{512, 256, 3}, {512, 128, 3}, {512, 64, 3}, {128, 64, 3}, {96, 48, 3},
                        {200, 25, 3},  {46, 23, 3},   {40, 10, 1},  {72, 9, 4},   {60, 30, 2},
                        {100, 30, 3},  {64, 128, 3},  {37, 11, 3},  {18, 9, 5},
                        {512, 256, 3, 256, 64},       {96, 48, 3, 40, 40, EdgeMode::reflect},
                        {200, 25, 3, 64, 21, EdgeMode::reflect},    {45, 70, 1, 33, 12, EdgeMode::reflect}};
  const int widest = limitWrapResamplerSimd(2);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.source << " -> " << c.target << " x" << c.channels << " rows "
                                    << c.sourceHeight << " -> " << c.targetHeight);
    const int sourceHeight = c.sourceHeight > 0 ? c.sourceHeight : c.source;
    const int targetHeight = c.targetHeight > 0 ? c.targetHeight : c.target;
    const Alignment alignment = c.edge == EdgeMode::reflect ? Alignment::centres : Alignment::origins;
    MemoryTexture texture(c.source, sourceHeight, c.channels);
    fillHarsh(texture, unsigned(c.source * 131 + c.target * 7 + c.channels));
    std::vector<int> order;
    for (int r = 0; r < targetHeight; ++r) order.push_back(r);
    std::mt19937 random(unsigned(c.target));
    for (int i = 0; i < targetHeight; ++i) order.push_back(int(random() % (3 * targetHeight)) - targetHeight);

    ASSERT_EQ(limitWrapResamplerSimd(0), 0);
    auto scalar = makeResampler(texture, c.target, targetHeight, c.edge, alignment);
    ASSERT_NE(scalar, nullptr);
    const Bytes expected = rowsInOrder(*scalar, order);
    ASSERT_FALSE(expected.empty());
    for (int level = 1; level <= widest; ++level) {
      ASSERT_EQ(limitWrapResamplerSimd(level), level);
      auto vector = makeResampler(texture, c.target, targetHeight, c.edge, alignment);
      ASSERT_NE(vector, nullptr);
      EXPECT_EQ(rowsInOrder(*vector, order), expected) << "level " << level;
    }
  }
}

TEST(WrapResamplerSimd, UniformTexturesStayUniformAtEveryLevel) {
  SimdLevelGuard guard;
  const int widest = limitWrapResamplerSimd(2);
  for (int level = 0; level <= widest; ++level) {
    limitWrapResamplerSimd(level);
    for (const std::uint8_t value : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{128}, std::uint8_t{255}}) {
      MemoryTexture texture(128, 3);
      texture.fill([value](int, int, int) { return value; });
      auto resampler = makeResampler(texture, 32);
      ASSERT_NE(resampler, nullptr);
      EXPECT_EQ(resampleAll(*resampler), Bytes(32 * 32 * 3, value)) << "level " << level;
    }
  }
}

}  // namespace
