// The info line and the long names the Open Texture dialog lists, read
// afresh and through the store that remembers them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "tests/native/texture/texture_test.h"
#include "texture/info_line.h"
#include "texture/long_name_cache.h"

using namespace texture;
using fixtures::TiffSpec;

namespace {

using InfoLineTest = TextureTest;

TEST_F(InfoLineTest, NamesKindAndSize) {
  TextureInfo info{kindTiffRgb, 512, 512};
  EXPECT_STREQ(textureInfoLine(&info), "TIFF (24 bit, 512x512)");
  info = {kindBmp8, 640, 480};
  EXPECT_STREQ(textureInfoLine(&info), "BMP (8 bit, 640x480)");
  info = {kindTiffFourSamples, 256, 256};
  EXPECT_STREQ(textureInfoLine(&info), "TIFF (32 bit, 256x256)");
  info = {kindTiffOneSample, 128, 128};
  EXPECT_STREQ(textureInfoLine(&info), "TIFF (8 bit, 128x128)");
  info = {kindBmp24, 3, -2};
  EXPECT_STREQ(textureInfoLine(&info), "BMP (24 bit, 3x-2)");
  for (std::int32_t kind : {0, 5, 7, -1}) {
    info = {kind, 10, 10};
    EXPECT_STREQ(textureInfoLine(&info), "") << kind;
  }
}

TEST_F(InfoLineTest, DescribedFilesGiveTheirLineAndRefusedOnesNone) {
  TiffSpec four;
  four.path = dir.file("four.tif");
  four.width = four.height = 256;
  four.samplesPerPixel = 4;
  TextureInfo info{};
  ASSERT_EQ(describeTexture(fixtures::writeTiff(four).c_str(), &info), 1);
  EXPECT_STREQ(textureInfoLine(&info), "TIFF (32 bit, 256x256)");

  fixtures::BmpSpec bmp;
  bmp.path = dir.file("wide.bmp");
  bmp.width = 640;
  bmp.height = 480;
  bmp.bitCount = 8;
  ASSERT_EQ(describeTexture(fixtures::writeBmp(bmp).c_str(), &info), 1);
  EXPECT_STREQ(textureInfoLine(&info), "BMP (8 bit, 640x480)");

  TiffSpec deep;
  deep.path = dir.file("deep.tif");
  deep.bitsPerSample = 16;
  TiffSpec two;
  two.path = dir.file("two.tif");
  two.samplesPerPixel = 2;
  two.photometric = 1;
  for (const TiffSpec& layout : {deep, two}) {
    info = {};
    // The dialog shows the line only when the description succeeds; the
    // kind left behind by a failed description must not produce one either.
    EXPECT_EQ(describeTexture(fixtures::writeTiff(layout).c_str(), &info), 0);
    EXPECT_STREQ(textureInfoLine(&info), "");
  }
}

class LongNameTest : public TextureTest {
 protected:
  void TearDown() override {
    forgetLongNames();
    TextureTest::TearDown();
  }

  // Every answer is checked against the store's first and second answers.
  std::string longName(const std::string& path, int* answer = nullptr) {
    char result[kLongNameBytes];
    std::memset(result, 'Z', sizeof result);
    const int r = textureLongName(path.c_str(), result);
    if (answer != nullptr) *answer = r;
    EXPECT_NE(std::memchr(result, '\0', sizeof result), nullptr);
    forgetLongNames();
    for (int pass = 0; pass < 2; ++pass) {
      char cached[kLongNameBytes];
      std::memset(cached, 'Z', sizeof cached);
      EXPECT_EQ(cachedTextureLongName(path.c_str(), cached), r) << "pass " << pass;
      EXPECT_STREQ(cached, result) << "pass " << pass;
    }
    return result;
  }

  std::string cached(const char* name) {
    char result[kLongNameBytes] = "";
    cachedTextureLongName(name, result);
    return result;
  }

  std::string tiffWith(std::optional<std::string> description) {
    TiffSpec layout;
    layout.path = dir.file("named.tif");
    layout.description = std::move(description);
    return fixtures::writeTiff(layout);
  }
};

TEST_F(LongNameTest, IsTheDescriptionUpToItsFirstSemicolon) {
  const std::string seventy(70, 'a');
  std::string withSemicolon = seventy;
  withSemicolon[10] = ';';
  int answer = -1;
  EXPECT_EQ(longName(tiffWith(withSemicolon), &answer), std::string(10, 'a'));
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(longName(tiffWith(seventy)), std::string(63, 'a'));
  // A ";" beyond the 63 characters kept does not matter.
  std::string lateSemicolon = seventy;
  lateSemicolon[65] = ';';
  EXPECT_EQ(longName(tiffWith(lateSemicolon)), std::string(63, 'a'));
  EXPECT_EQ(longName(tiffWith("Granite, polished;512;RGB")), "Granite, polished");
  EXPECT_EQ(longName(tiffWith(";hidden")), "");
}

TEST_F(LongNameTest, OtherFilesShowTheirNameOrNothing) {
  int answer = -1;
  EXPECT_EQ(longName(tiffWith(std::nullopt), &answer), "");
  EXPECT_EQ(answer, 1);

  fixtures::BmpSpec bmp;
  bmp.path = dir.file("marble.bmp");
  EXPECT_EQ(longName(fixtures::writeBmp(bmp), &answer), bmp.path);
  EXPECT_EQ(answer, 0);

  const std::string longPath = dir.file(std::string(80, 'n') + ".bmp");
  fixtures::writeTextFile(longPath, "not a tiff");
  EXPECT_EQ(longName(longPath), longPath.substr(0, 63));

  EXPECT_EQ(longName(dir.file("vanished.tif"), &answer), "");
  EXPECT_EQ(answer, 0);
  EXPECT_TRUE(messageTexts().empty());
}

TEST_F(LongNameTest, TheStoreReadsAFileOnlyAgainWhenItChanged) {
  TiffSpec layout;
  layout.path = dir.file("named.tif");
  layout.description = "Slate";
  fixtures::writeTiff(layout);
  const long before = longNamesRead;
  EXPECT_EQ(cached(layout.path.c_str()), "Slate");
  EXPECT_EQ(cached(layout.path.c_str()), "Slate");
  EXPECT_EQ(longNamesRead, before + 1);

  // The same size with another time, and another size with the same time.
  struct stat info{};
  ASSERT_EQ(::stat(layout.path.c_str(), &info), 0);
  layout.description = "Shale";
  fixtures::writeTiff(layout);
  const timespec times[2] = {info.st_atim, {info.st_mtim.tv_sec + 7, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, layout.path.c_str(), times, 0), 0);
  EXPECT_EQ(cached(layout.path.c_str()), "Shale");
  layout.description = "Shale, split";
  fixtures::writeTiff(layout);
  ASSERT_EQ(::utimensat(AT_FDCWD, layout.path.c_str(), times, 0), 0);
  EXPECT_EQ(cached(layout.path.c_str()), "Shale, split");

  // One bare name in two folders, the files alike but for their names.
  char saved[PATH_MAX];
  ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
  for (const char* folder : {"a", "b"}) {
    ::mkdir(dir.file(folder).c_str(), 0700);
    layout.path = dir.file(std::string(folder) + "/same.tif");
    layout.description = folder;
    fixtures::writeTiff(layout);
    ASSERT_EQ(::utimensat(AT_FDCWD, layout.path.c_str(), times, 0), 0);
  }
  for (const char* folder : {"a", "b", "a"}) {
    ASSERT_EQ(::chdir(dir.file(folder).c_str()), 0);
    EXPECT_EQ(cached("same.tif"), folder);
  }
  ASSERT_EQ(::chdir(saved), 0);
}

}  // namespace
