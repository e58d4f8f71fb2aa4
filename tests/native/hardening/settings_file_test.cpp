// The settings file as other programs leave it: a byte-order mark survives
// writing, and writing the same values twice changes nothing, however many
// marks the file starts with.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "chooser/settings.h"
#include "platform/platform.h"
#include "platform/posix/profile_posix_test.h"
#include "tests/native/support/texture_fixtures.h"

namespace {

std::string contents(const std::string& path) {
  const std::vector<std::uint8_t> bytes = fixtures::readWholeFile(path);
  return {bytes.begin(), bytes.end()};
}

TEST(SettingsFileHardening, ByteOrderMarksSurviveWriting) {
  fixtures::TempDir dir;
  platform::test::setProfileDirectory(dir.path());
  chooser::loadSettingsNames(reinterpret_cast<void*>(1));
  const std::string path = dir.file(chooser::settingsFileName);
  const std::string bom = "\xEF\xBB\xBF";
  const std::pair<std::string, std::string> files[] = {
      {bom, "[Oriel Brindle Texture Library]\r\ntOn=1\r\n"},
      {bom + bom, " [\x1aOriel Brindle Texture Library]\rfI\ntOn[\xb1="},
  };
  for (const auto& [marks, body] : files) {
    fixtures::writeTextFile(path, marks + body);
    chooser::writeTileOriginSetting(false);
    chooser::writeDialogSettings({true, false, 2});
    const std::string once = contents(path);
    EXPECT_EQ(once.compare(0, marks.size(), marks), 0) << "the marks at the start are kept";
    EXPECT_FALSE(chooser::readTileOriginSetting());
    EXPECT_TRUE(chooser::readPreviewSetting());
    chooser::writeTileOriginSetting(false);
    chooser::writeDialogSettings({true, false, 2});
    EXPECT_EQ(contents(path), once) << "the same values written again changed the file";
  }
  platform::test::setProfileDirectory("");
}

}  // namespace
