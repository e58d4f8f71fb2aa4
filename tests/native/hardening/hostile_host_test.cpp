// Hosts that do not keep to the protocol: selectors out of order, empty,
// inverted, one-pixel and very tall rectangles, planes that disagree with
// the mode, rows closer together than a row, no buffer, no callbacks. Each
// gets a defined result; none makes the plug-in crash, leak or write outside
// the band it was handed (bands here are exact-size heap blocks, so ASan
// sees any byte past them).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "host/filter_record.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/hardening/hardening_support.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/texture_source.h"
#include "texture/tiff_file.h"

namespace {

constexpr std::uint8_t kCanary = 0xA5;

bool isEndBand(const host::Rect16& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

// A host record with its own exact-size band buffers, where the shared host
// driver would hand over bands of a document.
class BandHost {
 public:
  BandHost(std::int16_t mode, std::int16_t planes, host::Rect16 filterRect) {
    std::memset(&record_, 0, sizeof record_);
    record_.imageMode = mode;
    record_.planes = planes;
    record_.filterRect = filterRect;
    record_.platformData = &platformData_;
  }

  std::int16_t call(std::int16_t selector) {
    std::int16_t result = 0x7777;
    std::intptr_t data = 0;
    ENTRYPOINT1(selector, &record_, &data, &result);
    return result;
  }

  // Hands over a band of outRect's size, rows `rowBytes` apart (the row's
  // own length when 0), canaries everywhere, and calls Continue.
  std::int16_t continueWithBand(std::int32_t rowBytes = 0) {
    const host::Rect16 r = record_.outRect;
    const int height = r.bottom - r.top;
    const int width = r.right - r.left;
    const int rowLength = width * record_.planes;
    if (rowBytes == 0) rowBytes = rowLength;
    const int stride = rowBytes < 0 ? -rowBytes : rowBytes;
    // A band with nothing in it still gets a buffer: one canary byte.
    const bool empty = height < 1 || width < 1 || rowLength < 1;
    band_.assign(empty ? 1 : static_cast<std::size_t>((height - 1) * stride + rowLength), kCanary);
    record_.outData = band_.data() + (!empty && rowBytes < 0 ? (height - 1) * stride : 0);
    record_.outRowBytes = rowBytes;
    return call(host::filterSelectorContinue);
  }

  std::size_t bytesWritten() const {
    std::size_t written = 0;
    for (std::uint8_t b : band_) written += b != kCanary ? 1 : 0;
    return written;
  }

  host::FilterRecord& record() { return record_; }
  const std::vector<std::uint8_t>& band() const { return band_; }

 private:
  host::FilterRecord record_;
  host::PlatformData platformData_{nullptr};
  std::vector<std::uint8_t> band_;
};

class HostileHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fixtures::TempDir;
    leaf_ = new fixtures::TiffSpec{.width = 19, .height = 13};
    leaf_->path = dir_->file("leaf.tif");
    fixtures::writeTiff(*leaf_);
    fabric_ = new fixtures::TiffSpec{.width = 128, .height = 128, .samplesPerPixel = 1, .photometric = 1};
    fabric_->path = dir_->file("fabric.tif");
    fixtures::writeTiff(*fabric_);
  }
  static void TearDownTestSuite() {
    delete leaf_;
    delete fabric_;
    delete dir_;
  }
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    platform::clearRecordedMessages();
    host::detachModule();
    blocks_ = platform::test::blocksOutstanding();
    choose(*leaf_, 0);
  }
  void TearDown() override {
    std::int16_t result = 0;
    std::intptr_t data = 0;
    ENTRYPOINT1(host::filterSelectorFinish, nullptr, &data, &result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(hardening::textureSourceIsEmpty());
    EXPECT_EQ(platform::test::blocksOutstanding(), blocks_) << "blocks leaked";
    chooser::provideChoice({});
  }

  static void choose(const fixtures::TiffSpec& layout, int sizeChoice) {
    chooser::provideChoice({.status = 1, .fileName = layout.path, .options = {.sizeChoice = sizeChoice, .tileOrigin = 1}});
  }

  // Texture texel (x mod width, y mod height) of the leaf, as RGB.
  static std::vector<std::uint8_t> leafTexel(int x, int y) {
    const std::vector<std::uint8_t> row = fixtures::expectedTiffRow(*leaf_, y % leaf_->height);
    const auto at = row.begin() + 3 * (x % leaf_->width);
    return {at, at + 3};
  }

  static fixtures::TempDir* dir_;
  static fixtures::TiffSpec* leaf_;
  static fixtures::TiffSpec* fabric_;
  long blocks_ = 0;
};

fixtures::TempDir* HostileHostTest::dir_ = nullptr;
fixtures::TiffSpec* HostileHostTest::leaf_ = nullptr;
fixtures::TiffSpec* HostileHostTest::fabric_ = nullptr;

TEST_F(HostileHostTest, SelectorsOutOfOrder) {
  BandHost host(3, 3, {2, 4, 6, 14});
  // Continue before any Start, with a band the host made up.
  host.record().outRect = host.record().inRect = {2, 4, 3, 14};
  EXPECT_EQ(host.continueWithBand(), -30100);
  EXPECT_EQ(host.bytesWritten(), 0u);
  EXPECT_TRUE(isEndBand(host.record().outRect)) << "the host is told to stop";

  // Finish twice, with nothing open.
  EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  EXPECT_EQ(host.call(host::filterSelectorFinish), 0);

  // Start twice: the second run replaces the first without leaking it.
  EXPECT_EQ(host.call(host::filterSelectorStart), 0);
  EXPECT_EQ(host.continueWithBand(), 0);
  choose(*fabric_, 4);
  EXPECT_EQ(host.call(host::filterSelectorStart), 0);
  EXPECT_EQ(host.record().outRect.top, 2) << "the second Start begins again at the top";
  EXPECT_EQ(host.continueWithBand(), 0);
  EXPECT_EQ(host::currentFillJob().source.width, 128);

  // Continue after Finish.
  EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  host.record().outRect = host.record().inRect = {3, 4, 4, 14};
  EXPECT_EQ(host.continueWithBand(), -30100);
  EXPECT_EQ(host.bytesWritten(), 0u);
  EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
}

TEST_F(HostileHostTest, ContinueAfterAFailedStartWritesNothing) {
  choose({.path = dir_->file("missing.tif")}, 0);
  BandHost host(3, 3, {0, 0, 4, 4});
  EXPECT_EQ(host.call(host::filterSelectorStart), -19);
  host.record().outRect = host.record().inRect = {0, 0, 1, 4};
  EXPECT_EQ(host.continueWithBand(), -30100);
  EXPECT_EQ(host.bytesWritten(), 0u);
}

TEST_F(HostileHostTest, EmptyAndInvertedRectanglesEndAtOnce) {
  const host::Rect16 rectangles[] = {
      {5, 5, 5, 9},     // no rows
      {5, 9, 9, 9},     // no columns
      {9, 5, 5, 9},     // bottom above top
      {5, 9, 9, 5},     // right left of left
      {-32768, -32768, -32768, -32768},
      {32767, 32767, -32768, -32768},
  };
  for (const host::Rect16& rect : rectangles) {
    BandHost host(3, 3, rect);
    EXPECT_EQ(host.call(host::filterSelectorStart), 0);
    EXPECT_TRUE(isEndBand(host.record().outRect)) << rect.top << "," << rect.left;
    EXPECT_TRUE(isEndBand(host.record().inRect));
    // A host that calls Continue anyway is told again that there is nothing
    // to fill, and the texture is not read for it.
    const long scanlines = texture::tiffScanlinesRead;
    EXPECT_EQ(host.continueWithBand(), 0);
    EXPECT_TRUE(isEndBand(host.record().outRect));
    EXPECT_EQ(host.bytesWritten(), 0u);
    EXPECT_EQ(texture::tiffScanlinesRead, scanlines);
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
}

TEST_F(HostileHostTest, OnePixelRectangleTakesOneBand) {
  BandHost host(3, 3, {40, 23, 41, 24});
  EXPECT_EQ(host.call(host::filterSelectorStart), 0);
  EXPECT_EQ(host.continueWithBand(), 0);
  ASSERT_EQ(host.band().size(), 3u);
  EXPECT_EQ(host.band(), leafTexel(23, 40));
  EXPECT_TRUE(isEndBand(host.record().outRect));
}

TEST_F(HostileHostTest, RectangleThirtyThousandRowsHigh) {
  simhost::SimulatedHost host(3, 30002, 3);
  host.setFilterRect(1, 1, 30001, 3);
  const simhost::Run run = host.run();
  ASSERT_EQ(run.startResult, 0);
  EXPECT_EQ(run.continueCalls, 30000);
  for (int y : {1, 13, 14, 29999, 30000}) {
    for (int x : {1, 2}) {
      const std::uint8_t* p = host.document().pixel(x, y);
      EXPECT_EQ((std::vector<std::uint8_t>{p[0], p[1], p[2]}), leafTexel(x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
}

TEST_F(HostileHostTest, ReplicatedBandsAtTheBottomOfTheLargestDocument) {
  // Bands of four rows up to row 32766: the band bottom passes the 16-bit
  // range before it is lowered to the rectangle's.
  choose(*fabric_, 1);
  simhost::SimulatedHost host(5, 32767, 1);
  host.setFilterRect(32758, 0, 32767, 5);
  const simhost::Run run = host.run();
  ASSERT_EQ(run.startResult, 0);
  EXPECT_EQ(run.continueCalls, 3);
  ASSERT_EQ(run.bands.size(), 3u);
  EXPECT_EQ(run.bands[2].top, 32766);
  EXPECT_EQ(run.bands[2].bottom, 32767);
  EXPECT_EQ(host.bytesChangedOutsideRect(), 0);
}

TEST_F(HostileHostTest, PlanesThatDisagreeWithTheMode) {
  struct Case {
    std::int16_t mode;
    std::int16_t planes;
    std::int16_t result;
  };
  for (const Case c : {Case{3, 1, -30100}, Case{3, 2, -30100}, Case{3, 0, -30100}, Case{3, -3, -30100},
                       Case{1, 0, -30100}, Case{1, -1, -30100}, Case{3, 4, 0}, Case{1, 3, 0}}) {
    BandHost host(c.mode, c.planes, {0, 0, 3, 6});
    EXPECT_EQ(host.call(host::filterSelectorStart), c.result) << c.mode << "/" << c.planes;
    if (c.result == 0) {
      EXPECT_EQ(host.continueWithBand(), 0);
      // The fill owns one byte a pixel in gray and three in RGB; the
      // host's further planes keep their bytes.
      const std::size_t owned = c.mode == 1 ? 1 : 3;
      for (std::size_t i = 0; i < host.band().size(); ++i) {
        if (i % static_cast<std::size_t>(c.planes) >= owned) {
          EXPECT_EQ(host.band()[i], kCanary) << i;
        }
      }
    } else {
      // A host that starts the bands anyway gets no write.
      host.record().outRect = host.record().inRect = {0, 0, 1, 6};
      const std::int16_t result = host.continueWithBand();
      EXPECT_TRUE(result == -30100 || result == 0) << result;
      if (c.planes < 1) {
        EXPECT_EQ(host.bytesWritten(), 0u);
      }
    }
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
}

TEST_F(HostileHostTest, ModeOrPlanesChangedAfterStart) {
  {
    BandHost host(3, 3, {0, 0, 2, 30});
    ASSERT_EQ(host.call(host::filterSelectorStart), 0);
    host.record().imageMode = 1;
    host.record().planes = 1;
    EXPECT_EQ(host.continueWithBand(), 0);
    EXPECT_EQ(host.band().size(), 30u);
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
  {
    BandHost host(1, 1, {0, 0, 2, 30});
    ASSERT_EQ(host.call(host::filterSelectorStart), 0);
    host.record().imageMode = 3;
    EXPECT_EQ(host.continueWithBand(), -30100);
    EXPECT_EQ(host.bytesWritten(), 0u);
    EXPECT_TRUE(isEndBand(host.record().outRect));
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
}

TEST_F(HostileHostTest, RowsCloserThanARow) {
  // One-row bands never step to a second row, so any distance will do.
  for (std::int32_t rowBytes : {1, -1, -57, 2, 56}) {
    BandHost host(3, 3, {0, 0, 3, 19});
    ASSERT_EQ(host.call(host::filterSelectorStart), 0);
    EXPECT_EQ(host.continueWithBand(rowBytes), 0) << rowBytes;
    EXPECT_EQ(host.bytesWritten(), 57u);
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
  // Four-row bands of a replicated texture would overlap their own rows.
  choose(*fabric_, 1);
  for (std::int32_t rowBytes : {19, 1, -1, -20}) {
    BandHost host(1, 1, {0, 0, 8, 20});
    ASSERT_EQ(host.call(host::filterSelectorStart), 0);
    EXPECT_EQ(host.continueWithBand(rowBytes), -30100) << rowBytes;
    EXPECT_EQ(host.bytesWritten(), 0u);
    EXPECT_TRUE(isEndBand(host.record().outRect));
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
  // Rows further apart, or upside down (negative distance), are fine.
  for (std::int32_t rowBytes : {20, 23, -20}) {
    BandHost host(1, 1, {0, 0, 8, 20});
    ASSERT_EQ(host.call(host::filterSelectorStart), 0);
    EXPECT_EQ(host.continueWithBand(rowBytes), rowBytes > 0 ? 0 : -30100) << rowBytes;
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
}

TEST_F(HostileHostTest, NoBufferAndNoCallbacks) {
  BandHost host(3, 3, {0, 0, 2, 19});
  host.record().abortProc = nullptr;
  host.record().progressProc = nullptr;
  host.record().platformData = nullptr;
  ASSERT_EQ(host.call(host::filterSelectorStart), 0);
  host.record().outData = nullptr;
  EXPECT_EQ(host.call(host::filterSelectorContinue), -30100);
  EXPECT_TRUE(isEndBand(host.record().outRect));

  ASSERT_EQ(host.call(host::filterSelectorStart), 0);
  EXPECT_EQ(host.continueWithBand(), 0);
  EXPECT_EQ(host.continueWithBand(), 0);
  EXPECT_TRUE(isEndBand(host.record().outRect));
  for (int x = 0; x < 19; ++x) {
    const auto* p = host.band().data() + 3 * x;
    EXPECT_EQ((std::vector<std::uint8_t>{p[0], p[1], p[2]}), leafTexel(x, 1));
  }
}

TEST_F(HostileHostTest, BandSmallerThanTheOneAskedFor) {
  // The host hands over outData for outRect; one that narrows or shortens
  // outRect after the plug-in set it gets only that band written.
  choose(*fabric_, 1);
  for (const host::Rect16 shrink : {host::Rect16{0, 0, 0, -1}, host::Rect16{0, 1, 0, 0},
                                    host::Rect16{0, 0, -1, 0}, host::Rect16{0, 0, -4, 0}}) {
    BandHost host(1, 1, {0, 0, 8, 20});
    ASSERT_EQ(host.call(host::filterSelectorStart), 0);
    host::Rect16& out = host.record().outRect;
    out = {static_cast<std::int16_t>(out.top + shrink.top), static_cast<std::int16_t>(out.left + shrink.left),
           static_cast<std::int16_t>(out.bottom + shrink.bottom), static_cast<std::int16_t>(out.right + shrink.right)};
    const std::int16_t result = host.continueWithBand();
    EXPECT_TRUE(result == 0 || result == -30100) << result;
    EXPECT_EQ(host.call(host::filterSelectorFinish), 0);
  }
}

}  // namespace
