// The settings file: names from the string table, the four keys with their
// defaults and texts, and the private-profile rules the POSIX layer shares
// with Windows (case-blind names, first match wins, integer reads).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "chooser/settings.h"
#include "platform/platform.h"
#include "platform/posix/profile_posix_test.h"
#include "tests/native/support/texture_fixtures.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::test::setProfileDirectory(dir_.path()); }
  void TearDown() override { platform::test::setProfileDirectory(""); }

  std::string write(const std::string& text) {
    return fixtures::writeTextFile(dir_.file("t.ini"), text);
  }
  unsigned read(const char* section, const char* key, int fallback = 77) {
    return platform::profileInt(section, key, fallback, "t.ini");
  }
  std::string contents() {
    auto bytes = fixtures::readWholeFile(dir_.file("t.ini"));
    return std::string(bytes.begin(), bytes.end());
  }

  fixtures::TempDir dir_;
};

TEST_F(ProfileTest, MissingFileSectionKeyOrValueGiveTheDefault) {
  EXPECT_EQ(read("S", "k"), 77u);
  write("[S]\nk\nempty=\nquoted=\"\"\n[T]\nk=5\n");
  EXPECT_EQ(read("S", "k"), 77u);        // no "="
  EXPECT_EQ(read("S", "empty"), 77u);
  EXPECT_EQ(read("S", "quoted"), 77u);
  EXPECT_EQ(read("S", "other"), 77u);
  EXPECT_EQ(read("U", "k"), 77u);
  EXPECT_EQ(read("S", "k", -1), 0xFFFFFFFFu);
}

TEST_F(ProfileTest, IntegerReadTakesSignAndLeadingDigits) {
  write("[S]\na=12abc\nb=abc\nc=-1\nd=+7\ne= 42 \nf=\"9\"\ng=0x10\nh=4294967297\n"
        "i=0000000000000000000000000000001\nj=0b101\nk=0o17\nl=0x\n");
  EXPECT_EQ(read("S", "a"), 12u);
  EXPECT_EQ(read("S", "b"), 0u);
  EXPECT_EQ(read("S", "c"), 0xFFFFFFFFu);
  EXPECT_EQ(read("S", "d"), 7u);
  EXPECT_EQ(read("S", "e"), 42u);
  EXPECT_EQ(read("S", "f"), 9u);
  EXPECT_EQ(read("S", "g"), 16u);
  EXPECT_EQ(read("S", "h"), 1u);  // wraps at 32 bits
  EXPECT_EQ(read("S", "i"), 0u);  // only 29 characters are looked at
  EXPECT_EQ(read("S", "j"), 5u);
  EXPECT_EQ(read("S", "k"), 15u);
  EXPECT_EQ(read("S", "l"), 0u);
}

TEST_F(ProfileTest, NamesMatchIgnoringCaseAndBlanksAndFirstMatchWins) {
  write("\r\n  [Oriel Brindle]\r\n\r\n  PRV  =  3\r\nprv=4\r\n[oriel brindle]\r\nlate=1\r\n"
        "[ Spaced ]\r\nx=1");
  EXPECT_EQ(read("oriel BRINDLE", "prv"), 3u);
  EXPECT_EQ(read("  Oriel Brindle ", " Prv "), 3u);
  EXPECT_EQ(read("Oriel Brindle", "late"), 77u);  // only the first section counts
  EXPECT_EQ(read("Spaced", "x"), 1u);  // blanks inside the brackets do not count
  EXPECT_EQ(read(" spaced ", "x"), 1u);
}

TEST_F(ProfileTest, LastLineWithoutEndAndLoneCarriageReturns) {
  write("[S]\ra=1\rb=2");
  EXPECT_EQ(read("S", "a"), 1u);
  EXPECT_EQ(read("S", "b"), 2u);
}

TEST_F(ProfileTest, WritingCreatesFileSectionAndKeyThenReplacesTheValue) {
  EXPECT_TRUE(platform::writeProfileString("Sec", "k", "1", "t.ini"));
  EXPECT_EQ(contents(), "[Sec]\nk=1\n");
  EXPECT_TRUE(platform::writeProfileString("SEC", "K", "25", "t.ini"));
  EXPECT_EQ(contents(), "[Sec]\nk=25\n");
  EXPECT_TRUE(platform::writeProfileString("Sec", "j", "2", "t.ini"));
  EXPECT_TRUE(platform::writeProfileString("Other", "k", "3", "t.ini"));
  EXPECT_EQ(contents(), "[Sec]\nk=25\nj=2\n\n[Other]\nk=3\n");
  EXPECT_EQ(read("sec", "K"), 25u);
  EXPECT_EQ(read("other", "k"), 3u);
}

TEST_F(ProfileTest, WritingKeepsOtherLinesAndTheFilesLineEnds) {
  write("; kept\r\n[A]\r\nx = 1\r\n\r\n[B]\r\ny=2");
  EXPECT_TRUE(platform::writeProfileString("a", "X", "9", "t.ini"));
  EXPECT_TRUE(platform::writeProfileString("A", "z", "3", "t.ini"));
  EXPECT_TRUE(platform::writeProfileString("B", "w", "4", "t.ini"));
  EXPECT_EQ(contents(), "; kept\r\n[A]\r\nx=9\r\nz=3\r\n\r\n[B]\r\ny=2\r\nw=4\r\n");
}

TEST_F(ProfileTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
  write("[A]\nx=1\ny=2\n[B]\nz=3\n");
  EXPECT_TRUE(platform::writeProfileString("A", "x", nullptr, "t.ini"));
  EXPECT_EQ(contents(), "[A]\ny=2\n[B]\nz=3\n");
  EXPECT_TRUE(platform::writeProfileString("a", nullptr, nullptr, "t.ini"));
  EXPECT_EQ(contents(), "[B]\nz=3\n");
}

TEST_F(ProfileTest, BareNamesLiveInTheConfigurationFolder) {
  platform::test::setProfileDirectory("");
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string savedValue = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  EXPECT_EQ(platform::test::profilePath("OrielVMX.ini"), dir_.file("OrielVMX.ini"));
  EXPECT_EQ(platform::test::profilePath("/abs/x.ini"), "/abs/x.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(platform::test::profilePath("x.ini"), std::string(getenv("HOME")) + "/.config/x.ini");
  if (saved) {
    setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

TEST_F(ProfileTest, AnUnwritableFileReportsFailure) {
  EXPECT_FALSE(platform::writeProfileString("A", "x", "1", "/nonexistent-dir/x.ini"));
}

// The chooser's keys through the names of the string table.
class SettingsTest : public ProfileTest {
 protected:
  void SetUp() override {
    ProfileTest::SetUp();
    chooser::loadSettingsNames(reinterpret_cast<void*>(1));
  }
  std::string settingsText() {
    auto bytes = fixtures::readWholeFile(dir_.file("OrielVMX.ini"));
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(SettingsTest, NamesComeFromTheStringTable) {
  EXPECT_STREQ(chooser::settingsFileName, "OrielVMX.ini");
  EXPECT_STREQ(chooser::settingsSection, "Oriel Brindle Texture Library");
}

TEST_F(SettingsTest, DefaultsWithoutAFile) {
  EXPECT_EQ(chooser::readFilterIndexSetting(), 1u);
  EXPECT_TRUE(chooser::readPreviewSetting());
  EXPECT_TRUE(chooser::readTileOriginSetting());
}

TEST_F(SettingsTest, OnlyOneMeansCheckedOrDocument) {
  fixtures::writeTextFile(dir_.file("OrielVMX.ini"),
                          "[Oriel Brindle Texture Library]\nprv=2\ntOn=0\nfId=3\n");
  EXPECT_FALSE(chooser::readPreviewSetting());
  EXPECT_FALSE(chooser::readTileOriginSetting());
  EXPECT_EQ(chooser::readFilterIndexSetting(), 3u);
  fixtures::writeTextFile(dir_.file("OrielVMX.ini"),
                          "[Oriel Brindle Texture Library]\nprv=0\ntOn=2\n");
  EXPECT_FALSE(chooser::readPreviewSetting());
  EXPECT_FALSE(chooser::readTileOriginSetting());
}

TEST_F(SettingsTest, DialogSettingsAreWrittenInOrderWithTheirTexts) {
  chooser::writeDialogSettings({false, true, 2});
  EXPECT_EQ(settingsText(), "[Oriel Brindle Texture Library]\nprv=2\nfVw=1\nfId=3\n");
  chooser::writeDialogSettings({true, false, 0});
  EXPECT_EQ(settingsText(), "[Oriel Brindle Texture Library]\nprv=1\nfVw=0\nfId=1\n");
  EXPECT_EQ(chooser::readFilterIndexSetting(), 1u);
  EXPECT_TRUE(chooser::readPreviewSetting());
}

TEST_F(SettingsTest, TileOriginIsWrittenAsOneOrZero) {
  chooser::writeTileOriginSetting(false);
  EXPECT_FALSE(chooser::readTileOriginSetting());
  EXPECT_EQ(settingsText(), "[Oriel Brindle Texture Library]\ntOn=0\n");
  chooser::writeTileOriginSetting(true);
  EXPECT_TRUE(chooser::readTileOriginSetting());
}

// The fill options' keys are read as text and parsed whole: the integer
// read would take "12abc" as 12 and a stored "-45" back as 4294967251.
struct StoredOptionCase {
  chooser::FillSetting setting;
  const char* stored;  // nullptr: no such key
  std::int32_t want;
};

const StoredOptionCase kStoredOptionCases[] = {
    {chooser::FillSetting::scale, nullptr, 100},
    {chooser::FillSetting::scale, "250", 250},
    {chooser::FillSetting::scale, " \"42\" ", 42},
    {chooser::FillSetting::scale, "5000", 100},
    {chooser::FillSetting::scale, "0", 100},
    {chooser::FillSetting::scale, "12abc", 100},
    {chooser::FillSetting::scale, "0x10", 100},
    {chooser::FillSetting::scale, "", 100},
    {chooser::FillSetting::angle, "-45", -45},
    {chooser::FillSetting::angle, "+30", 30},
    {chooser::FillSetting::angle, "-360", -360},
    {chooser::FillSetting::angle, "361", 0},
    {chooser::FillSetting::angle, "4294967251", 0},
    {chooser::FillSetting::angle, "-", 0},
    {chooser::FillSetting::angle, "- 5", 0},
    {chooser::FillSetting::offsetX, "-300000", -300000},
    {chooser::FillSetting::offsetX, "-300001", 0},
    {chooser::FillSetting::offsetY, "99999999999999999999", 0},
    {chooser::FillSetting::offsetY, "1.5", 0},
    {chooser::FillSetting::variation, "0", 0},
    {chooser::FillSetting::variation, "100000", 1},
    {chooser::FillSetting::variation, "-1", 1},
    {chooser::FillSetting::repeat, "2", 2},
    {chooser::FillSetting::repeat, "3", 3},
    {chooser::FillSetting::repeat, "4", 0},
    {chooser::FillSetting::makeSeamless, "1", 1},
    {chooser::FillSetting::makeSeamless, "2", 0},
};

TEST_F(SettingsTest, StoredFillOptionsOutOfRangeOrNotNumbersReadAsTheDefault) {
  for (const StoredOptionCase& row : kStoredOptionCases) {
    const char* key = chooser::fillSettingRule(row.setting).key;
    SCOPED_TRACE(std::string(key) + "=" + (row.stored ? row.stored : "(none)"));
    std::string text = "[Oriel Brindle Texture Library]\n";
    if (row.stored != nullptr) text += std::string(key) + "=" + row.stored + "\n";
    fixtures::writeTextFile(dir_.file("OrielVMX.ini"), text);
    fill::FillOptions options;
    options.scalePercent = 7;  // every field is read, none kept
    chooser::readFillSettings(&options);
    EXPECT_EQ(chooser::fillSettingValue(options, row.setting), row.want);
  }
}

TEST_F(SettingsTest, FillOptionsAreWrittenAsSignedNumbersAndReadBackExactly) {
  fill::FillOptions chosen;
  chosen.repeat = fill::repeatMirror;
  chosen.scalePercent = 1000;
  chosen.angleDegrees = -30;
  chosen.offsetX = -fill::kOffsetLimit;
  chosen.offsetY = 12;
  chosen.seed = 0;
  chosen.makeSeamless = true;
  chooser::writeFillSettings(chosen);
  EXPECT_EQ(settingsText(),
            "[Oriel Brindle Texture Library]\nrpt=1\nscl=1000\nang=-30\nofX=-300000\nofY=12\nvar=0\nmsl=1\n");
  fill::FillOptions read;
  chooser::readFillSettings(&read);
  for (int i = 0; i < chooser::kFillSettingCount; ++i) {
    const auto setting = static_cast<chooser::FillSetting>(i);
    EXPECT_EQ(chooser::fillSettingValue(read, setting), chooser::fillSettingValue(chosen, setting)) << i;
  }
}

// Where the settings go: the per-user file when it exists, else the
// Windows-directory file, and the move to the per-user file when that one
// refuses a write. Each row writes "tOn" once.
struct LocationCase {
  const char* what;
  const char* windowsKeys;  // section body; nullptr: no file
  const char* perUserKeys;  // section body; nullptr: no file
  bool windowsUnwritable;
  const char* windowsAfter;
  const char* perUserAfter;
  unsigned filterIndexAfter;
};

const LocationCase kLocationCases[] = {
    {"a writable Windows file keeps the settings", "fId=3\n", nullptr, false, "fId=3\ntOn=0\n",
     nullptr, 3},
    {"an existing per-user file wins", "fId=3\n", "fId=2\n", false, "fId=3\n", "fId=2\ntOn=0\n",
     2},
    {"an existing per-user file wins over an unwritable one", "fId=3\n", "fId=2\n", true, "fId=3\n",
     "fId=2\ntOn=0\n", 2},
    {"a refused write moves every key of the section", "fId=3\nprv=2\nother=x y\n", nullptr, true,
     "fId=3\nprv=2\nother=x y\n", "fId=3\nprv=2\nother=x y\ntOn=0\n", 3},
    {"the written key replaces the copied one", "tOn=1\nfId=2\n", nullptr, true, "tOn=1\nfId=2\n",
     "tOn=0\nfId=2\n", 2},
    {"a refused write without a Windows file", nullptr, nullptr, true, nullptr, "tOn=0\n", 1},
};

TEST_F(SettingsTest, SettingsLiveInTheFirstWritablePlace) {
  const std::string header = "[Oriel Brindle Texture Library]\n";
  for (const LocationCase& row : kLocationCases) {
    SCOPED_TRACE(row.what);
    fixtures::TempDir appData;
    platform::test::setUserDataFolder(appData.path());
    const std::string windowsFile = dir_.file("OrielVMX.ini");
    const std::string perUserFile = appData.file("Oriel/OrielVMX.ini");
    std::remove(windowsFile.c_str());
    if (row.windowsKeys != nullptr) fixtures::writeTextFile(windowsFile, header + row.windowsKeys);
    if (row.perUserKeys != nullptr) {
      ::mkdir(appData.file("Oriel").c_str(), 0700);
      fixtures::writeTextFile(perUserFile, header + row.perUserKeys);
    }
    platform::test::failProfileWritesTo(row.windowsUnwritable ? windowsFile : "");

    chooser::writeTileOriginSetting(false);
    EXPECT_FALSE(chooser::readTileOriginSetting());
    EXPECT_EQ(chooser::readFilterIndexSetting(), row.filterIndexAfter);
    const auto text = [](const std::string& path) {
      if (!platform::pathExists(path.c_str())) return std::string("(none)");
      const auto bytes = fixtures::readWholeFile(path);
      return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text(windowsFile), row.windowsAfter ? header + row.windowsAfter : "(none)");
    EXPECT_EQ(text(perUserFile), row.perUserAfter ? header + row.perUserAfter : "(none)");

    std::remove(perUserFile.c_str());
    ::rmdir(appData.file("Oriel").c_str());
  }
  platform::test::failProfileWritesTo("");
  platform::test::setUserDataFolder("");
}

}  // namespace
