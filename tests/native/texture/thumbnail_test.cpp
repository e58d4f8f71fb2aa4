// Thumbnails of PNG and JPEG textures against ImageMagick's box averages
// (its nearest pixel where the thumbnail is larger than the picture), and
// the files no thumbnail is made of, with nothing left behind.
#include <cstdlib>

#include "tests/native/texture/texture_test.h"
#include "texture/thumbnail.h"

using namespace texture;

namespace {

class ThumbnailTest : public TextureTest {
 protected:
  std::string make(const std::string& name, int width, int height, const std::string& options,
                   bool sixteenBit = false) {
    const std::string ppm = fixtures::writePpm(dir.file(name + ".ppm"), width, height, sixteenBit);
    const std::string path = dir.file(name);
    EXPECT_TRUE(fixtures::imageMagickConvert("'" + ppm + "' " + options + "'" + path + "'")) << name;
    return path;
  }

  // ImageMagick's picture of `path` after `resize` (e.g. "-scale 64x32!").
  std::vector<std::uint8_t> expected(const std::string& path, const std::string& resize) {
    const std::string raw = path + ".thumb.rgb";
    EXPECT_TRUE(fixtures::imageMagickConvert("-define jpeg:dct-method=islow '" + path + "' " + resize +
                                             " -depth 8 'rgb:" + raw + "'"));
    return fixtures::readWholeFile(raw);
  }
};

TEST_F(ThumbnailTest, EveryLayoutAveragesAsImageMagickDoes) {
  struct Case {
    const char* name;
    int width;
    int height;
    const char* options;
    bool sixteenBit;
    int thumbWidth;
    int thumbHeight;
    const char* resize;
    int tolerance;  // largest difference of one sample
  };
  // JPEGs are shrunk by the decoder's transform, which averages blocks
  // before their rounding: a few levels from the average of decoded pixels.
  const Case cases[] = {
      {"rgb.png", 128, 64, "PNG24:", false, 64, 32, "-scale 64x32!", 1},
      {"tall.png", 96, 192, "PNG24:", false, 32, 64, "-scale 32x64!", 1},
      {"interlaced.png", 256, 192, "-interlace PNG PNG24:", false, 64, 48, "-scale 64x48!", 1},
      {"palette.png", 128, 128, "-colors 16 PNG8:", false, 64, 64, "-scale 64x64!", 1},
      {"deep.png", 128, 64, "-depth 16 PNG48:", true, 64, 32, "-scale 64x32!", 1},
      {"small.png", 16, 8, "PNG24:", false, 64, 32, "-sample 64x32!", 0},
      {"small-interlaced.png", 5, 3, "-interlace PNG PNG24:", false, 64, 38, nullptr, 0},
      {"gray.jpg", 512, 256, "-colorspace Gray -quality 95 JPG:", false, 64, 32, "-scale 64x32!", 3},
      {"progressive.jpg", 256, 256, "-interlace JPEG -quality 95 -sampling-factor 1x1 JPG:", false, 64,
       64, "-scale 64x64!", 3},
  };
  for (const Case& c : cases) {
    const std::string path = make(c.name, c.width, c.height, c.options, c.sixteenBit);
    Thumbnail thumbnail{};
    ASSERT_TRUE(makeThumbnail(path.c_str(), &thumbnail)) << c.name;
    EXPECT_EQ(thumbnail.width, c.thumbWidth) << c.name;
    EXPECT_EQ(thumbnail.height, c.thumbHeight) << c.name;
    if (c.resize == nullptr) continue;
    const std::vector<std::uint8_t> want = expected(path, c.resize);
    ASSERT_EQ(want.size(), 3u * c.thumbWidth * c.thumbHeight) << c.name;
    int worst = 0;
    for (std::size_t i = 0; i < want.size(); ++i) worst = std::max(worst, std::abs(thumbnail.rgb[i] - want[i]));
    EXPECT_LE(worst, c.tolerance) << c.name;
  }
}

TEST_F(ThumbnailTest, FilesThatCannotBeReadWholeGiveNone) {
  const std::string png = make("good.png", 80, 80, "PNG24:");
  const std::string truncated = fixtures::writeRawFile(dir.file("cut.png"), fixtures::readWholeFile(png));
  fixtures::truncateFile(truncated, static_cast<std::int64_t>(fixtures::readWholeFile(png).size() / 2));
  fixtures::TiffSpec tiff;
  tiff.path = dir.file("texture.tif");
  fixtures::writeTiff(tiff);
  for (const std::string& path :
       {truncated, make("cmyk.jpg", 40, 40, "-colorspace CMYK JPG:"),
        fixtures::writeTextFile(dir.file("text.jpg"), "not a picture"), tiff.path, dir.file("missing.png"),
        // Whole, but under 1 KB for 17000 x 17000 progressive pixels: libjpeg
        // would take 850 MB for its coefficients.
        fixtures::writeRawFile(dir.file("huge.jpg"),
                               fixtures::readWholeFile(std::string(ORIELVMX_REGRESSION_DIR) +
                                                       "/thumbnail/progressive-claiming-17000-by-17000"))}) {
    Thumbnail thumbnail{};
    EXPECT_FALSE(makeThumbnail(path.c_str(), &thumbnail)) << path;
  }
}

}  // namespace
