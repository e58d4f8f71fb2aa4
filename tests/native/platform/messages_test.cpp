// The two message operations: string-table texts, box types, the empty
// caption, truncation of formatted texts, and silence without a module.
#include <gtest/gtest.h>

#include <string>

#include "host/entry.h"
#include "platform/messages.h"
#include "platform/module_instance.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"

namespace {

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = platform::moduleInstance;
    host::attachModule(reinterpret_cast<void*>(1));
    platform::clearRecordedMessages();
  }
  void TearDown() override { platform::moduleInstance = saved_; }
  void* saved_ = nullptr;
};

TEST_F(MessagesTest, ShowsTheTableTextWithAnEmptyCaptionAndTheCallersBoxType) {
  platform::showTableMessage(100, 0);
  platform::showTableMessage(102, 0);
  platform::showTableMessage(103, 0x30);
  const auto& shown = platform::recordedMessages();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].text, "Out of Memory");
  EXPECT_EQ(shown[1].text, "Unsupported file format");
  EXPECT_EQ(shown[2].text, "Error while reading file");
  EXPECT_EQ(shown[2].type, 0x30u);
  for (const auto& message : shown) EXPECT_EQ(message.caption, "");
}

TEST_F(MessagesTest, UnformattedTextIsShownAsItStands) {
  platform::showTableMessage(101, 0);
  ASSERT_EQ(platform::recordedMessages().size(), 1u);
  EXPECT_EQ(platform::recordedMessages()[0].text, "Cannot find file %s");
}

TEST_F(MessagesTest, FormattedTextTakesTheArguments) {
  platform::showTableMessageFormatted(101, 0x30, "C:\\TEX\\MARBLE.TIF");
  ASSERT_EQ(platform::recordedMessages().size(), 1u);
  EXPECT_EQ(platform::recordedMessages()[0].text, "Cannot find file C:\\TEX\\MARBLE.TIF");
  EXPECT_EQ(platform::recordedMessages()[0].type, 0x30u);
}

// Characters, not bytes: a name in Cyrillic (two bytes each in UTF-8) or
// with emoji (two UTF-16 units each) is cut as far in as a Latin one, and
// never inside a character.
TEST_F(MessagesTest, FormattedTextIsCutAt511Characters) {
  struct Row {
    std::string character;
    std::size_t units;  // UTF-16 units of one character
  };
  for (const Row& row : {Row{"p", 1}, Row{"\xD0\xB6", 1}, Row{"\xE7\xB4\x8B", 1}, Row{"\xF0\x9F\xA7\xB1", 2}}) {
    platform::clearRecordedMessages();
    std::string path;
    for (int i = 0; i < 600; ++i) path += row.character;
    platform::showTableMessageFormatted(101, 0, path.c_str());
    ASSERT_EQ(platform::recordedMessages().size(), 1u);
    const std::string& text = platform::recordedMessages()[0].text;
    const std::size_t kept = (511 - 17) / row.units;
    EXPECT_EQ(text, "Cannot find file " + path.substr(0, kept * row.character.size())) << row.character;
  }
}

TEST_F(MessagesTest, NothingIsShownWithoutAModuleInstance) {
  platform::moduleInstance = nullptr;
  EXPECT_EQ(platform::showTableMessage(100, 0), -1);
  EXPECT_EQ(platform::showTableMessageFormatted(101, 0, "x"), -1);
  EXPECT_TRUE(platform::recordedMessages().empty());
}

}  // namespace
