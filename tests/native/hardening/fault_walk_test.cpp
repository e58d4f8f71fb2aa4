// Fault injection over whole runs: for every texture kind and size choice,
// each allocation of the core and each read through the platform layer is
// made to fail in turn, alone and together with everything after it.
// Whatever fails, the user
// sees the right messages, the host gets the right code, a run that still
// succeeds fills the same pixels, nothing is left allocated or open, and a
// Finish (and a stray Continue) afterwards are harmless.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/entry.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/hardening/hardening_support.h"
#include "texture/texture_source.h"
#include "texture/thumbnail.h"

namespace {

using hardening::RunOutcome;
using hardening::TextureCase;

const std::string kOutOfMemory = "Out of Memory";
const std::string kUnsupported = "Unsupported file format";
const std::string kReadError = "Error while reading file";

enum class Mode { onlyThat, fromThatOn };

class FaultWalkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fixtures::TempDir;
    cases_ = new std::vector<TextureCase>(hardening::everyTextureKind(*dir_));
  }
  static void TearDownTestSuite() {
    delete cases_;
    delete dir_;
  }
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    host::detachModule();
    blocks_ = platform::test::blocksOutstanding();
  }
  void TearDown() override {
    platform::test::failAllocationAfter(0);
    platform::test::failReadAfter(0);
    host::detachModule();
  }

  // What every run must leave, failed or not.
  void expectCleanEnd(const RunOutcome& run, const std::string& where) {
    EXPECT_EQ(run.finishResult, 0) << where;
    EXPECT_TRUE(hardening::textureSourceIsEmpty()) << where << ": Finish left state behind";
    EXPECT_EQ(platform::test::blocksOutstanding(), blocks_) << where << ": blocks leaked";
    EXPECT_EQ(run.bytesChangedOutsideRect, 0) << where;
  }

  // The rows filled before a failure are the clean run's, and the rows after
  // them are untouched: no band is half written.
  static void expectPrefixOf(const RunOutcome& run, const RunOutcome& clean, const TextureCase& c,
                             const std::string& where) {
    const std::size_t rowBytes = clean.document.size() / static_cast<std::size_t>(c.bottom + 2);
    const std::size_t planes = c.imageMode == 1 ? 1 : 3;
    bool filling = true;
    for (int y = c.top; y < c.bottom; ++y) {
      const std::size_t from = static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(c.left) * planes;
      const std::size_t length = static_cast<std::size_t>(c.right - c.left) * planes;
      const auto runRow = run.document.begin() + static_cast<std::ptrdiff_t>(from);
      if (filling && std::equal(runRow, runRow + static_cast<std::ptrdiff_t>(length),
                                clean.document.begin() + static_cast<std::ptrdiff_t>(from))) {
        continue;
      }
      filling = false;
      if (std::any_of(runRow, runRow + static_cast<std::ptrdiff_t>(length),
                      [](std::uint8_t b) { return b != 0x11; })) {
        ADD_FAILURE() << where << ": row " << y << " is neither the clean run's nor untouched";
        return;
      }
    }
  }

  static fixtures::TempDir* dir_;
  static std::vector<TextureCase>* cases_;
  long blocks_ = 0;
};

fixtures::TempDir* FaultWalkTest::dir_ = nullptr;
std::vector<TextureCase>* FaultWalkTest::cases_ = nullptr;

TEST_F(FaultWalkTest, EveryAllocationOfEveryRunMayFail) {
  for (const TextureCase& c : *cases_) {
    const long before = platform::test::allocationsMade();
    const RunOutcome clean = hardening::runCase(c);
    const long allocations = platform::test::allocationsMade() - before;
    ASSERT_EQ(clean.startResult, 0) << c.name;
    ASSERT_TRUE(clean.messages.empty()) << c.name << ": " << clean.messages.front();
    expectCleanEnd(clean, c.name + " without failures");

    bool sawStartFailure = false;
    for (Mode mode : {Mode::onlyThat, Mode::fromThatOn}) {
      for (long k = 1; k <= allocations; ++k) {
        const std::string where = c.name + (mode == Mode::onlyThat ? ", only allocation " : ", allocations from ") +
                                  std::to_string(k) + " of " + std::to_string(allocations);
        if (mode == Mode::onlyThat) platform::test::failOneAllocation(k);
        else platform::test::failAllocationAfter(k);
        const RunOutcome run = hardening::runCase(c);
        platform::test::failAllocationAfter(0);
        expectCleanEnd(run, where);

        if (run.startResult == -108) {
          // Row buffer, resampler or pre-scaled block: the state stays for
          // Finish to release. The scaling runs after a failed row buffer
          // all the same, so with no memory left both report.
          sawStartFailure = true;
          const std::size_t boxes = mode == Mode::onlyThat ? 1 : run.messages.size();
          EXPECT_TRUE(boxes == 1 || boxes == 2) << where;
          EXPECT_EQ(run.messages, std::vector<std::string>(boxes, kOutOfMemory)) << where;
          EXPECT_TRUE(!run.rowBufferAfterStart || !run.prescaledAfterStart) << where;
          EXPECT_FALSE(run.startReleasedEverything) << where;
        } else if (run.startResult == -19) {
          // The opener's block or colour table, or a scratch row of the
          // pre-scaling: its own message, then the reader's.
          sawStartFailure = true;
          ASSERT_EQ(run.messages.size(), 2u) << where;
          EXPECT_TRUE(run.messages[0] == kOutOfMemory || run.messages[0] == kUnsupported) << where << ": " << run.messages[0];
          EXPECT_EQ(run.messages[1], kReadError) << where;
          EXPECT_TRUE(run.startReleasedEverything) << where;
        } else {
          ASSERT_EQ(run.startResult, 0) << where;
          ASSERT_FALSE(run.continueResults.empty()) << where;
          const std::int16_t last = run.continueResults.back();
          if (last == 0) {
            // A failure nobody needed to hear of (the pre-roll's scratch
            // row): the fill is the clean run's.
            EXPECT_TRUE(run.messages.empty()) << where;
            EXPECT_EQ(run.document, clean.document) << where;
          } else {
            EXPECT_EQ(last, -19) << where;
            EXPECT_EQ(run.messages, (std::vector<std::string>{kOutOfMemory, kReadError})) << where;
            expectPrefixOf(run, clean, c, where);
          }
        }
      }
    }
    EXPECT_TRUE(sawStartFailure) << c.name << ": no allocation of Start was reached";
  }
}

TEST_F(FaultWalkTest, EveryPlatformReadMayFail) {
  for (const TextureCase& c : hardening::platformReadCases(*cases_)) {
    const long before = platform::test::readsMade();
    const RunOutcome clean = hardening::runCase(c);
    const long reads = platform::test::readsMade() - before;
    ASSERT_EQ(clean.startResult, 0) << c.name;
    // A small JPEG is read whole in one go: once described, once decoded.
    ASSERT_GE(reads, 2) << c.name;

    for (Mode mode : {Mode::onlyThat, Mode::fromThatOn}) {
      for (long k = 1; k <= reads; ++k) {
        const std::string where = c.name + (mode == Mode::onlyThat ? ", only read " : ", reads from ") +
                                  std::to_string(k) + " of " + std::to_string(reads);
        if (mode == Mode::onlyThat) platform::test::failOneRead(k);
        else platform::test::failReadAfter(k);
        const RunOutcome run = hardening::runCase(c);
        platform::test::failReadAfter(0);
        expectCleanEnd(run, where);

        // A read never fails silently: the user always ends on message 103
        // and the host on readErr.
        ASSERT_FALSE(run.messages.empty()) << where;
        EXPECT_EQ(run.messages.back(), kReadError) << where;
        for (const std::string& message : run.messages) {
          EXPECT_TRUE(message == kReadError || message == kUnsupported) << where << ": " << message;
        }
        if (run.startResult != 0) {
          EXPECT_EQ(run.startResult, -19) << where;
          EXPECT_TRUE(run.startReleasedEverything) << where;
        } else {
          ASSERT_FALSE(run.continueResults.empty()) << where;
          EXPECT_EQ(run.continueResults.back(), -19) << where;
          EXPECT_EQ(run.messages, std::vector<std::string>{kReadError}) << where;
          expectPrefixOf(run, clean, c, where);
        }
      }
    }
  }
}

// The chooser's thumbnails: whichever allocation or read fails, there is no
// thumbnail rather than a partial one, never a message (the preview just
// stays empty), and nothing is left allocated.
TEST_F(FaultWalkTest, EveryAllocationAndReadOfAThumbnailMayFail) {
  for (const TextureCase& c : hardening::platformReadCases(*cases_)) {
    if (c.path.find(".bmp") != std::string::npos) continue;
    texture::Thumbnail clean{};
    const long allocationsBefore = platform::test::allocationsMade();
    const long readsBefore = platform::test::readsMade();
    ASSERT_TRUE(texture::makeThumbnail(c.path.c_str(), &clean)) << c.name;
    const long allocations = platform::test::allocationsMade() - allocationsBefore;
    const long reads = platform::test::readsMade() - readsBefore;
    ASSERT_GE(allocations, 1) << c.name;

    for (bool failReads : {false, true}) {
      for (Mode mode : {Mode::onlyThat, Mode::fromThatOn}) {
        for (long k = 1; k <= (failReads ? reads : allocations); ++k) {
          const std::string where = c.name + (failReads ? ", read " : ", allocation ") + std::to_string(k) +
                                    (mode == Mode::onlyThat ? " only" : " on");
          if (failReads) {
            if (mode == Mode::onlyThat) platform::test::failOneRead(k);
            else platform::test::failReadAfter(k);
          } else {
            if (mode == Mode::onlyThat) platform::test::failOneAllocation(k);
            else platform::test::failAllocationAfter(k);
          }
          platform::clearRecordedMessages();
          texture::Thumbnail thumbnail{};
          const bool made = texture::makeThumbnail(c.path.c_str(), &thumbnail);
          platform::test::failAllocationAfter(0);
          platform::test::failReadAfter(0);
          EXPECT_FALSE(made) << where << ": a thumbnail despite the failure";
          EXPECT_TRUE(platform::recordedMessages().empty()) << where;
          EXPECT_EQ(platform::test::blocksOutstanding(), blocks_) << where << ": blocks leaked";
        }
      }
    }
  }
}

// libtiff reads with its own calls, which the platform layer does not see;
// its read failures are reached with files cut short and with spoiled bytes.
// libpng and libjpeg leave through their error exits on the same damage,
// from inside the decode, with the decoded block already taken.
TEST_F(FaultWalkTest, DamagedFilesFailWithReadErrorAndLeaveNothing) {
  for (const TextureCase& c : *cases_) {
    if (c.path.find(".bmp") != std::string::npos || c.sizeChoice > 1) continue;
    const std::vector<std::uint8_t> intact = fixtures::readWholeFile(c.path);
    const std::string damaged = dir_->file("damaged-" + c.path.substr(c.path.rfind('/') + 1));
    for (int eighth = 1; eighth < 8; ++eighth) {
      for (bool spoil : {false, true}) {
        std::vector<std::uint8_t> bytes = intact;
        const std::size_t at = bytes.size() * static_cast<std::size_t>(eighth) / 8;
        if (spoil) {
          for (std::size_t i = at; i < std::min(bytes.size(), at + 64); ++i) bytes[i] ^= 0x5A;
        } else {
          bytes.resize(at);
        }
        fixtures::writeRawFile(damaged, bytes);
        TextureCase broken = c;
        broken.path = damaged;
        const std::string where = c.name + (spoil ? " spoiled at " : " cut at ") + std::to_string(at);
        const RunOutcome run = hardening::runCase(broken);
        expectCleanEnd(run, where);
        const bool failed = run.startResult != 0 ||
                            (!run.continueResults.empty() && run.continueResults.back() != 0);
        if (failed) {
          ASSERT_FALSE(run.messages.empty()) << where;
          EXPECT_EQ(run.messages.back(), kReadError) << where;
          const std::int16_t code = run.startResult != 0 ? run.startResult : run.continueResults.back();
          EXPECT_EQ(code, -19) << where;
        } else {
          EXPECT_TRUE(run.messages.empty()) << where;
        }
      }
    }
  }
}

}  // namespace
