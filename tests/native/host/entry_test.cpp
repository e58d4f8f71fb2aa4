// Selector dispatch through the exported entry point.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "fill/fill_options.h"
#include "host/entry.h"
#include "host/filter_record.h"
#include "host/module_state.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/texture_source.h"

namespace {

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    platform::clearRecordedMessages();
    std::memset(&record_, 0x5C, sizeof record_);
  }
  void TearDown() override { chooser::provideChoice({}); }

  std::int16_t call(std::int16_t selector, void* block) {
    std::int16_t result = 0x7777;
    std::intptr_t data = 0x1234;
    ENTRYPOINT1(selector, block, &data, &result);
    EXPECT_EQ(data, 0x1234) << "the data slot is never touched";
    return result;
  }

  host::FilterRecord record_;
};

TEST_F(EntryTest, ParametersAndPrepareDoNothing) {
  const host::FilterRecord before = record_;
  for (std::int16_t selector : {1, 2}) {
    EXPECT_EQ(call(selector, &record_), 0);
    EXPECT_EQ(std::memcmp(&before, &record_, sizeof record_), 0) << "selector " << selector;
  }
  EXPECT_TRUE(platform::recordedMessages().empty());
}

TEST_F(EntryTest, UnknownSelectorsAreBadParameters) {
  const host::FilterRecord before = record_;
  for (std::int16_t selector : {6, -1, 7, 32767, -32768}) {
    EXPECT_EQ(call(selector, &record_), -30100) << "selector " << selector;
    EXPECT_EQ(std::memcmp(&before, &record_, sizeof record_), 0);
  }
}

TEST_F(EntryTest, HostParamsFollowsEveryCall) {
  call(1, &record_);
  EXPECT_EQ(host::hostParams, &record_);
  host::AboutRecord about{nullptr};
  EXPECT_EQ(call(0, &about), 0);
  EXPECT_EQ(host::hostParams, &about);
}

TEST_F(EntryTest, FinishOnAClearedRecordSucceeds) {
  host::detachModule();
  EXPECT_EQ(call(5, &record_), 0);
  EXPECT_EQ(call(5, &record_), 0);
}

TEST_F(EntryTest, CancelledChooserGivesOneAndNoMessage) {
  chooser::provideChoice({.status = 2});
  simhost::SimulatedHost host(16, 16, 3);
  EXPECT_EQ(host.start(), 1);
  EXPECT_TRUE(platform::recordedMessages().empty());
  ASSERT_FALSE(host.log().progress.empty());
  EXPECT_EQ(host.log().progress.front(), std::make_pair(0, 1));
  EXPECT_EQ(host::currentFillJob().source.kind, 0);
  EXPECT_EQ(host.finish(), 0);
}

TEST_F(EntryTest, FailedChooserGivesReadErrorAndNoMessage) {
  chooser::provideChoice({.status = 0});
  simhost::SimulatedHost host(16, 16, 3);
  EXPECT_EQ(host.start(), -19);
  EXPECT_TRUE(platform::recordedMessages().empty());
}

TEST_F(EntryTest, AMissingFileGivesReadErrorAfterMessage103) {
  chooser::provideChoice({.status = 1, .fileName = "/nonexistent/texture.tif"});
  simhost::SimulatedHost host(16, 16, 3);
  EXPECT_EQ(host.start(), -19);
  ASSERT_EQ(platform::recordedMessages().size(), 1u);
  EXPECT_EQ(platform::recordedMessages()[0].text, "Error while reading file");
  EXPECT_EQ(host::currentFillJob().source.kind, 0);
  EXPECT_EQ(host.finish(), 0);
}

// A path longer than the job carries is not cut short into the name of
// another file: here a texture sits at exactly the cut-off name, and the
// fill still ends with the read error.
TEST_F(EntryTest, APathTooLongToCarryGivesReadErrorAndOpensNoOtherFile) {
  fixtures::TempDir dir;
  std::string folder = dir.path();
  while (folder.size() < static_cast<std::size_t>(fill::kFileNameBytes) - 200) {
    folder += "/" + std::string(150, 'd');
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  }
  const std::string path = folder + "/" + std::string(240, 't') + ".bmp";
  ASSERT_GT(path.size(), static_cast<std::size_t>(fill::kFileNameBytes - 1));
  for (const std::string& name : {path, path.substr(0, fill::kFileNameBytes - 1)}) {
    fixtures::BmpSpec bmp;
    bmp.path = name;
    bmp.width = 2;
    bmp.height = 2;
    ASSERT_FALSE(fixtures::writeBmp(bmp).empty()) << name.size();
  }
  chooser::provideChoice({.status = 1, .fileName = path});
  simhost::SimulatedHost host(16, 16, 3);
  EXPECT_EQ(host.start(), -19);
  ASSERT_EQ(platform::recordedMessages().size(), 1u);
  EXPECT_EQ(platform::recordedMessages()[0].text, "Error while reading file");
  EXPECT_EQ(host.finish(), 0);
}

TEST_F(EntryTest, NullResultOrRecordIsSurvived) {
  std::intptr_t data = 0;
  ENTRYPOINT1(3, &record_, &data, nullptr);
  std::int16_t result = 0;
  ENTRYPOINT1(3, nullptr, &data, &result);
  EXPECT_EQ(result, -30100);
  ENTRYPOINT1(4, nullptr, &data, &result);
  EXPECT_EQ(result, -30100);
}

}  // namespace
