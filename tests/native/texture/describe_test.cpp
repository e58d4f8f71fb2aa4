// Classifying, describing and the library-texture tests.
#include <sys/stat.h>

#include "tests/native/texture/texture_test.h"

using namespace texture;
using fixtures::BmpSpec;
using fixtures::TiffSpec;

namespace {

class DescribeTest : public TextureTest {
 protected:
  std::string tiff(const std::string& name, int width, int height, int samples,
                   int photometric = 2, int bits = 8) {
    TiffSpec layout;
    layout.path = dir.file(name);
    layout.width = width;
    layout.height = height;
    layout.samplesPerPixel = samples;
    layout.photometric = photometric;
    layout.bitsPerSample = bits;
    return fixtures::writeTiff(layout);
  }
};

TEST_F(DescribeTest, ClassifiesByTheLastDotOfTheWholePath) {
  EXPECT_EQ(classifyTexturePath(nullptr), classMissing);
  EXPECT_EQ(classifyTexturePath(""), classMissing);
  EXPECT_EQ(classifyTexturePath(dir.file("absent.tif").c_str()), classMissing);

  EXPECT_EQ(classifyTexturePath(fixtures::writeTextFile(dir.file("a.Tif"), "x").c_str()), classTiff);
  EXPECT_EQ(classifyTexturePath(fixtures::writeTextFile(dir.file("a.hrt"), "x").c_str()), classTiff);
  EXPECT_EQ(classifyTexturePath(fixtures::writeTextFile(dir.file("a.LRT"), "x").c_str()), classTiff);
  EXPECT_EQ(classifyTexturePath(fixtures::writeTextFile(dir.file("a.bMp"), "x").c_str()), classBmp);
  EXPECT_EQ(classifyTexturePath(fixtures::writeTextFile(dir.file("a.tiff"), "x").c_str()),
            classOther);
  // Nothing after the extension is trimmed.
  EXPECT_EQ(classifyTexturePath(fixtures::writeTextFile(dir.file("a.tif "), "x").c_str()),
            classOther);

  // The temporary directory itself has no dot only by luck of its name;
  // make one that certainly has one.
  const std::string dotted = dir.file("lib.v2");
  ASSERT_EQ(mkdir(dotted.c_str(), 0700), 0);
  const std::string plain = fixtures::writeTextFile(dotted + "/plain", "x");
  EXPECT_EQ(classifyTexturePath(plain.c_str()), classOther);
}

TEST_F(DescribeTest, OnlyTheLastExtensionCountsButContentsAreStillDescribed) {
  const std::string backup = tiff("rock.tif.bak", 16, 8, 3);
  EXPECT_EQ(classifyTexturePath(backup.c_str()), classOther);
  TextureInfo info{};
  ASSERT_EQ(describeTexture(backup.c_str(), &info), 1);
  EXPECT_EQ(info.kind, kindTiffRgb);
  EXPECT_EQ(info.width, 16);
  EXPECT_EQ(info.height, 8);

  // A bitmap with a foreign extension is found by the second describer.
  BmpSpec bmp;
  bmp.path = dir.file("picture.dat");
  bmp.width = 5;
  bmp.height = 3;
  bmp.bitCount = 8;
  fixtures::writeBmp(bmp);
  ASSERT_EQ(describeTexture(bmp.path.c_str(), &info), 1);
  EXPECT_EQ(info.kind, kindBmp8);
  EXPECT_EQ(info.width, 5);
  EXPECT_EQ(info.height, 3);
}

TEST_F(DescribeTest, DescribesEachAcceptedTiffLayout) {
  struct Case {
    int samples;
    int photometric;
    std::int32_t kind;
  };
  for (const Case c : {Case{1, 0, kindTiffOneSample}, Case{1, 1, kindTiffOneSample},
                       Case{1, 3, kindTiffOneSample}, Case{3, 2, kindTiffRgb},
                       Case{4, 2, kindTiffFourSamples}}) {
    const std::string path = tiff("t.tif", 7, 5, c.samples, c.photometric);
    TextureInfo info{};
    ASSERT_EQ(describeTiff(path.c_str(), &info), 1) << c.samples << "/" << c.photometric;
    EXPECT_EQ(info.kind, c.kind);
    EXPECT_EQ(info.width, 7);
    EXPECT_EQ(info.height, 5);
  }
}

TEST_F(DescribeTest, RefusedLayoutsAndMissingFilesYieldNoDescription) {
  TextureInfo info{kindTiffRgb, 99, 99};
  EXPECT_EQ(describeTexture(tiff("deep.tif", 8, 8, 3, 2, 16).c_str(), &info), 0);
  EXPECT_EQ(info.width, 0);
  EXPECT_EQ(info.height, 0);
  EXPECT_EQ(describeTexture(tiff("two.tif", 8, 8, 2, 1).c_str(), &info), 0);
  EXPECT_EQ(describeTexture(tiff("cmyk.tif", 8, 8, 4, 5).c_str(), &info), 0);
  EXPECT_EQ(describeTexture(dir.file("gone.tif").c_str(), &info), 0);
  EXPECT_EQ(describeTexture(nullptr, &info), 0);
  EXPECT_EQ(describeTexture(fixtures::writeTextFile(dir.file("text.tif"), "hello").c_str(), &info),
            0);

  const std::string folder = dir.file("x.TIF");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  EXPECT_EQ(classifyTexturePath(folder.c_str()), classTiff);
  EXPECT_EQ(describeTexture(folder.c_str(), &info), 0);
  EXPECT_EQ(isHighResTexture(folder.c_str()), 0);

  // Describing is silent.
  EXPECT_TRUE(messageTexts().empty());
}

TEST_F(DescribeTest, BitmapHeadersDecideTheBitmapDescription) {
  BmpSpec bmp;
  bmp.path = dir.file("b.bmp");
  bmp.width = 640;
  bmp.height = 480;
  bmp.bitCount = 24;
  fixtures::writeBmp(bmp);
  TextureInfo info{};
  ASSERT_EQ(describeBmp(bmp.path.c_str(), &info), 1);
  EXPECT_EQ(info.kind, kindBmp24);

  // A compressed bitmap is still described; opening refuses it.
  bmp.compression = 1;
  bmp.bitCount = 8;
  fixtures::writeBmp(bmp);
  ASSERT_EQ(describeBmp(bmp.path.c_str(), &info), 1);
  EXPECT_EQ(info.kind, kindBmp8);

  for (auto spoil : {+[](BmpSpec& s) { s.type = 0x4D43; }, +[](BmpSpec& s) { s.infoSize = 108; },
                     +[](BmpSpec& s) { s.bitCount = 4; }, +[](BmpSpec& s) { s.truncateTo = 53; }}) {
    BmpSpec bad;
    bad.path = dir.file("bad.bmp");
    spoil(bad);
    fixtures::writeBmp(bad);
    EXPECT_EQ(describeBmp(bad.path.c_str(), &info), 0);
  }
}

TEST_F(DescribeTest, HighResolutionNeedsA512RgbTifExtension) {
  const std::string tif = tiff("big.tif", 512, 512, 3);
  EXPECT_EQ(isHighResTexture(tif.c_str()), 1);
  EXPECT_EQ(isLowResTexture(tif.c_str()), 0);

  const std::string hrt = dir.file("big.HRT");
  ASSERT_EQ(rename(tif.c_str(), hrt.c_str()), 0);
  TextureInfo info{};
  ASSERT_EQ(describeTexture(hrt.c_str(), &info), 1);
  EXPECT_EQ(info.kind, kindTiffRgb);
  EXPECT_EQ(isHighResTexture(hrt.c_str()), 0);

  EXPECT_EQ(isHighResTexture(tiff("upper.TIF", 512, 512, 3).c_str()), 1);
  EXPECT_EQ(isHighResTexture(tiff("four.tif", 512, 512, 4).c_str()), 0);
  EXPECT_EQ(isHighResTexture(tiff("tall.tif", 512, 256, 3).c_str()), 0);
  EXPECT_EQ(isHighResTexture(nullptr), 0);
}

TEST_F(DescribeTest, LowResolutionIsAny128OneSampleTif) {
  for (int photometric = 0; photometric <= 3; ++photometric) {
    const std::string path = tiff("small.tif", 128, 128, 1, photometric);
    EXPECT_EQ(isLowResTexture(path.c_str()), 1) << photometric;
    EXPECT_EQ(isHighResTexture(path.c_str()), 0);
  }
  EXPECT_EQ(isLowResTexture(tiff("small.lrt", 128, 128, 1, 1).c_str()), 0);
  EXPECT_EQ(isLowResTexture(tiff("rgb.tif", 128, 128, 3).c_str()), 0);
  EXPECT_EQ(isLowResTexture(fixtures::writeTextFile(dir.file("noext"), "x").c_str()), 0);
}

}  // namespace
