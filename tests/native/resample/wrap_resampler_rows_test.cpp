// Output rows of the wrap-around resampler: wrapping of rows, columns and
// source indices, saturation, the row cache, read failures and creation
// failures.
#include <gtest/gtest.h>

#include <vector>

#include "platform/posix/platform_posix_test.h"
#include "resample/wrap_resampler.h"
#include "tests/native/resample/memory_texture.h"

using resample_test::makeResampler;
using resample_test::MemoryTexture;
using resample_test::resampleAll;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes outputRow(WrapResampler& resampler, int row) {
  Bytes out(std::size_t(resampler.targetSize) * resampler.channels, 0xA5);
  EXPECT_EQ(resampleRow(&resampler, row, out.data()), 0) << "row " << row;
  return out;
}

}  // namespace

TEST(WrapResamplerRows, SameSizeReproducesTheSourceByteForByte) {
  MemoryTexture texture(37, 3);
  texture.fillRandom(37);
  auto resampler = makeResampler(texture, 37);
  ASSERT_NE(resampler, nullptr);
  EXPECT_EQ(resampleAll(*resampler), texture.bytes);
}

TEST(WrapResamplerRows, UniformSourceStaysUniform) {
  for (int source : {64, 100}) {
    for (int target : {source / 2, source / 4, source / 8, 30, 2 * source}) {
      for (int value : {0, 1, 127, 128, 254, 255}) {
        SCOPED_TRACE(testing::Message() << source << " -> " << target << " value " << value);
        MemoryTexture texture(source, 3);
        texture.fill([&](int, int, int) { return std::uint8_t(value); });
        auto resampler = makeResampler(texture, target);
        ASSERT_NE(resampler, nullptr);
        EXPECT_EQ(resampleAll(*resampler), Bytes(std::size_t(target) * target * 3, std::uint8_t(value)));
      }
    }
  }
}

TEST(WrapResamplerRows, RowNumbersWrapModuloTheTargetSize) {
  MemoryTexture texture(64, 3);
  texture.fillRandom(7);
  auto resampler = makeResampler(texture, 32);
  ASSERT_NE(resampler, nullptr);
  const Bytes last = outputRow(*resampler, 31);
  const Bytes first = outputRow(*resampler, 0);
  EXPECT_NE(first, last);
  EXPECT_EQ(outputRow(*resampler, -1), last);
  EXPECT_EQ(outputRow(*resampler, 32), first);
  EXPECT_EQ(outputRow(*resampler, -33), last);
  EXPECT_EQ(outputRow(*resampler, 32 * 5 + 3), outputRow(*resampler, 3));
}

TEST(WrapResamplerRows, FirstWindowReadsTheLastSourceRowsAboveRowZero) {
  MemoryTexture texture(512, 3);
  auto resampler = makeResampler(texture, 256);
  ASSERT_NE(resampler, nullptr);
  outputRow(*resampler, 0);
  EXPECT_EQ(texture.fetchLog, (std::vector<int>{508, 509, 510, 511, 0, 1, 2, 3}));
  EXPECT_FALSE(texture.requestOutOfRange);
}

TEST(WrapResamplerRows, InOrderPassFetchesEachSourceRowOnce) {
  MemoryTexture texture(512, 3);
  auto resampler = makeResampler(texture, 256);
  ASSERT_NE(resampler, nullptr);
  resampleAll(*resampler);
  // The first window of 8 rows, then 2 new rows per output row.
  EXPECT_EQ(texture.fetchLog.size(), 8u + 255u * 2u);
  // Back at row 0 every key differs (-4 .. 3 against 506 .. 513): all refetched.
  texture.fetchLog.clear();
  outputRow(*resampler, 0);
  EXPECT_EQ(texture.fetchLog.size(), 8u);
  texture.fetchLog.clear();
  outputRow(*resampler, 0);
  EXPECT_TRUE(texture.fetchLog.empty());
}

// One bright column (or row) at the far edge reaches output column (row) 0
// through the tap at -1: 4607 * 255 + 8192 >> 14 = 72; clamped edges would give 0.
TEST(WrapResamplerRows, EdgesDrawOnTheFarSide) {
  MemoryTexture columns(16, 1);
  columns.fill([](int x, int, int) { return std::uint8_t(x == 15 ? 255 : 0); });
  auto horizontal = makeResampler(columns, 8);
  ASSERT_NE(horizontal, nullptr);
  MemoryTexture rows(16, 1);
  rows.fill([](int, int y, int) { return std::uint8_t(y == 15 ? 255 : 0); });
  auto vertical = makeResampler(rows, 8);
  ASSERT_NE(vertical, nullptr);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(outputRow(*horizontal, i)[0], 72) << i;
    EXPECT_EQ(outputRow(*vertical, 0)[i], 72) << i;
  }
  // Column 7, centred on 14, sees column 15 at +1 and columns 16, 17 as 0, 1;
  // clamped edges would repeat column 15 there and give 64.
  EXPECT_EQ(outputRow(*horizontal, 0)[7], 72);
}

// Columns (rows) 0..7 white, 8..15 black, halved: the overshoot beside the
// edge must clip to 255 and 0 rather than wrap around.
TEST(WrapResamplerRows, RingingAtSharpEdgesSaturates) {
  const Bytes expected{191, 255, 255, 255, 64, 0, 0, 0};
  MemoryTexture columns(16, 1);
  columns.fill([](int x, int, int) { return std::uint8_t(x < 8 ? 255 : 0); });
  auto horizontal = makeResampler(columns, 8);
  ASSERT_NE(horizontal, nullptr);
  MemoryTexture rows(16, 1);
  rows.fill([](int, int y, int) { return std::uint8_t(y < 8 ? 255 : 0); });
  auto vertical = makeResampler(rows, 8);
  ASSERT_NE(vertical, nullptr);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(outputRow(*horizontal, i), expected) << i;
    EXPECT_EQ(outputRow(*vertical, i), Bytes(8, expected[i])) << i;
  }
}

TEST(WrapResamplerRows, FailedReadReturnsItsValueAndTheNextCallRetries) {
  MemoryTexture texture(64, 3);
  texture.fillRandom(11);
  MemoryTexture clean = texture;
  auto resampler = makeResampler(texture, 32);
  auto reference = makeResampler(clean, 32);
  ASSERT_NE(resampler, nullptr);
  ASSERT_NE(reference, nullptr);

  texture.failingRow = 63;  // source row -1 of output row 0's window
  texture.failuresLeft = 1;
  Bytes destination(32 * 3, 0xA5);
  EXPECT_EQ(resampleRow(resampler.get(), 0, destination.data()), -1);
  EXPECT_EQ(destination, Bytes(32 * 3, 0xA5));

  texture.fetchLog.clear();
  EXPECT_EQ(outputRow(*resampler, 0), outputRow(*reference, 0));
  EXPECT_EQ(texture.fetchLog, (std::vector<int>{63, 0, 1, 2, 3}));

  // A failure half-way through a new window leaves every slot consistent.
  texture.failingRow = 20;
  texture.failuresLeft = 1;
  EXPECT_EQ(resampleRow(resampler.get(), 10, destination.data()), -1);
  for (int row : {0, 10, 11, 31, 0}) EXPECT_EQ(outputRow(*resampler, row), outputRow(*reference, row)) << row;
}

TEST(WrapResamplerRows, RefusesSizesItCannotServe) {
  MemoryTexture texture(16, 3);
  const long before = platform::test::blocksOutstanding();
  EXPECT_EQ(createWrapResampler(0, 8, 3, texture.source()), nullptr);
  EXPECT_EQ(createWrapResampler(16, 0, 3, texture.source()), nullptr);
  EXPECT_EQ(createWrapResampler(-16, 8, 3, texture.source()), nullptr);
  EXPECT_EQ(createWrapResampler(16, 8, 0, texture.source()), nullptr);
  EXPECT_EQ(createWrapResampler(16, 1, 3, texture.source()), nullptr);  // half 32 > 16
  EXPECT_EQ(createWrapResampler(1, 4, 3, texture.source()), nullptr);   // half 2 > 1
  EXPECT_EQ(createWrapResampler(0x7FFFFFFF, 2, 3, texture.source()), nullptr);  // steps beyond 16 bits
  EXPECT_EQ(createWrapResampler(16, 8, 3, RowSource{nullptr, nullptr}), nullptr);
  EXPECT_EQ(platform::test::blocksOutstanding(), before);
  destroyWrapResampler(nullptr);
}

TEST(WrapResamplerRows, FailedAllocationAtAnyPointLeaksNothing) {
  for (const auto& [source, target] : {std::pair{512, 256}, std::pair{100, 30}, std::pair{64, 128}}) {
    MemoryTexture texture(source, 3);
    const long before = platform::test::blocksOutstanding();
    const long start = platform::test::allocationsMade();
    auto complete = makeResampler(texture, target);
    ASSERT_NE(complete, nullptr);
    const long needed = platform::test::allocationsMade() - start;
    EXPECT_EQ(needed, 6 + complete->taps);  // block, five tables, one row per cache slot
    complete.reset();
    EXPECT_EQ(platform::test::blocksOutstanding(), before);
    for (long k = 1; k <= needed; ++k) {
      platform::test::failAllocationAfter(k);
      WrapResampler* resampler = createWrapResampler(source, target, 3, texture.source());
      platform::test::failAllocationAfter(0);
      EXPECT_EQ(resampler, nullptr) << source << " -> " << target << " failing allocation " << k;
      destroyWrapResampler(resampler);
      EXPECT_EQ(platform::test::blocksOutstanding(), before) << source << " -> " << target << " failing allocation " << k;
    }
  }
}
