// PNG and JPEG textures: every layout decoded as ImageMagick decodes it, the
// info lines and long names, and the refusals, aborts and failures of the
// open with nothing left behind.
#include <zlib.h>

#include <cstring>

#include "tests/native/texture/texture_test.h"
#include "texture/decoded_texture.h"
#include "texture/info_line.h"

using namespace texture;

namespace {

constexpr int kWidth = 37;
constexpr int kHeight = 23;

class DecodedSourceTest : public TextureTest {
 protected:
  // `options` between the picture and the output, the last one the output's
  // format prefix ("PNG24:"), as convert takes them.
  std::string make(const std::string& name, const std::string& options, bool sixteenBit = false) {
    const std::string ppm = fixtures::writePpm(dir.file(name + ".ppm"), kWidth, kHeight, sixteenBit);
    const std::string path = dir.file(name);
    EXPECT_TRUE(fixtures::imageMagickConvert("'" + ppm + "' " + options + "'" + path + "'")) << name;
    return path;
  }

  std::vector<std::uint8_t> allRows() {
    std::vector<std::uint8_t> rows;
    for (int r = 0; r < source.height; ++r) {
      const std::vector<std::uint8_t> one = row(r);
      if (one.empty()) return {};
      rows.insert(rows.end(), one.begin(), one.end());
    }
    return rows;
  }
};

TEST_F(DecodedSourceTest, EveryLayoutDecodesAsImageMagickDecodesIt) {
  struct Case {
    const char* name;
    const char* options;
    bool sixteenBit;
    std::int32_t kind;
    const char* infoLine;
  };
  const Case cases[] = {
      {"rgb.png", "PNG24:", false, kindPng24, "PNG (24 bit, 37x23)"},
      {"palette.PNG", "-colors 16 PNG8:", false, kindPng8, "PNG (8 bit, 37x23)"},
      {"deep.png", "-depth 16 PNG48:", true, kindPng24, "PNG (24 bit, 37x23)"},
      {"gray16.png", "-colorspace Gray -depth 16 -define png:color-type=0 PNG:", true, kindPng8,
       "PNG (8 bit, 37x23)"},
      {"gray1.png", "-colorspace Gray -threshold 50% -define png:bit-depth=1 -define png:color-type=0 PNG:",
       false, kindPng8, "PNG (8 bit, 37x23)"},
      {"interlaced.png", "-interlace PNG PNG24:", false, kindPng24, "PNG (24 bit, 37x23)"},
      {"alpha.png", "-alpha set -channel A -fx 'i/w' +channel PNG32:", false, kindPng24,
       "PNG (24 bit, 37x23)"},
      {"gray-alpha.png", "-colorspace Gray -alpha set -channel A -fx 'j/h' +channel -define png:color-type=4 PNG:",
       false, kindPng8, "PNG (8 bit, 37x23)"},
      {"gray.jpg", "-colorspace Gray -quality 90 JPG:", false, kindJpeg8, "JPEG (8 bit, 37x23)"},
      {"progressive.jpeg", "-interlace JPEG -quality 85 -sampling-factor 2x2 JPG:", false, kindJpeg24,
       "JPEG (24 bit, 37x23)"},
      {"baseline.JPG", "-quality 95 -sampling-factor 1x1 JPG:", false, kindJpeg24, "JPEG (24 bit, 37x23)"},
  };
  for (const Case& c : cases) {
    const std::string path = make(c.name, std::string(c.options), c.sixteenBit);
    TextureInfo info{};
    ASSERT_EQ(describeTexture(path.c_str(), &info), 1) << c.name;
    EXPECT_EQ(info.kind, c.kind) << c.name;
    EXPECT_STREQ(textureInfoLine(&info), c.infoLine) << c.name;
    ASSERT_EQ(openTextureSource(path.c_str(), &source), 1) << c.name;
    EXPECT_EQ(source.bufferRowBytes, 3 * kWidth) << c.name;
    EXPECT_EQ(allRows(), fixtures::imageMagickRgb(path, c.sixteenBit)) << c.name;
    EXPECT_TRUE(messageTexts().empty()) << c.name;
    releaseTextureSource(&source);
  }
}

// Writes a copy of a PNG whose header claims another size (with its CRC
// mended, so that only the size is wrong).
std::string withClaimedSize(const std::string& from, const std::string& to, std::uint32_t width,
                            std::uint32_t height) {
  std::vector<std::uint8_t> bytes = fixtures::readWholeFile(from);
  for (int i = 0; i < 4; ++i) {
    bytes[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    bytes[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  const auto crc = static_cast<std::uint32_t>(crc32(0, bytes.data() + 12, 17));
  for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return fixtures::writeRawFile(to, bytes);
}

TEST_F(DecodedSourceTest, RefusalsAndFailuresLeaveNothingBehind) {
  const std::string png = make("good.png", "PNG24:");
  const std::string jpeg = make("good.jpg", "-quality 90 JPG:");
  const std::string cmyk = make("cmyk.jpg", "-colorspace CMYK JPG:");
  const std::string truncatedPng = fixtures::writeRawFile(dir.file("cut.png"), fixtures::readWholeFile(png));
  fixtures::truncateFile(truncatedPng, static_cast<std::int64_t>(fixtures::readWholeFile(png).size() / 2));
  const std::string truncatedJpeg = fixtures::writeRawFile(dir.file("cut.jpg"), fixtures::readWholeFile(jpeg));
  fixtures::truncateFile(truncatedJpeg, static_cast<std::int64_t>(fixtures::readWholeFile(jpeg).size() / 2));
  struct Case {
    std::string path;
    bool described;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {cmyk, false, {kUnsupported}},
      {truncatedPng, true, {}},
      {truncatedJpeg, true, {}},
      {withClaimedSize(png, dir.file("wide.png"), 32768, 1), true, {kUnsupported}},
      {withClaimedSize(png, dir.file("tall.png"), 1, 32768), true, {kUnsupported}},
      // 3 x 13378 x 13378 bytes is just over 512 MB.
      {withClaimedSize(png, dir.file("heavy.png"), 13378, 13378), true, {kUnsupported}},
      {withClaimedSize(png, dir.file("short.png"), 500, 500), true, {}},
      {fixtures::writeTextFile(dir.file("text.png"), "not a picture"), false, {}},
  };
  for (const Case& c : cases) {
    TextureInfo info{};
    EXPECT_EQ(describeTexture(c.path.c_str(), &info), c.described ? 1 : 0) << c.path;
    platform::clearRecordedMessages();
    EXPECT_EQ(openTextureSource(c.path.c_str(), &source), 0) << c.path;
    EXPECT_EQ(source.decoded, nullptr) << c.path;
    EXPECT_EQ(messageTexts(), c.messages) << c.path;
    releaseTextureSource(&source);
  }
}

TEST_F(DecodedSourceTest, DecodingReportsProgressAndStopsWhenAborted) {
  struct Watch {
    std::int32_t reports = 0;
    std::int32_t lastDone = -1;
    std::int32_t total = 0;
    bool ordered = true;
    std::int32_t abortAt = -1;
  };
  const DecodeProgress progress{
      [](void* w, std::int32_t done, std::int32_t total) {
        auto* watch = static_cast<Watch*>(w);
        watch->ordered = watch->ordered && done >= watch->lastDone && done <= total;
        watch->lastDone = done;
        watch->total = total;
        ++watch->reports;
      },
      [](void* w) {
        auto* watch = static_cast<Watch*>(w);
        return watch->abortAt >= 0 && watch->reports > watch->abortAt;
      },
      nullptr};
  for (const std::string& path : {make("i.png", "-interlace PNG PNG24:"), make("p.jpg", "-interlace JPEG JPG:")}) {
    Watch whole;
    source.decodeProgress = progress;
    source.decodeProgress.context = &whole;
    ASSERT_EQ(openTextureSource(path.c_str(), &source), 1) << path;
    EXPECT_GT(whole.reports, 1) << path;
    EXPECT_TRUE(whole.ordered) << path;
    EXPECT_GT(whole.lastDone, whole.total / 2) << path;
    releaseTextureSource(&source);

    Watch stopped;
    stopped.abortAt = 2;
    source.decodeProgress = progress;
    source.decodeProgress.context = &stopped;
    EXPECT_EQ(openTextureSource(path.c_str(), &source), 0) << path;
    EXPECT_EQ(source.decodeAborted, 1) << path;
    EXPECT_EQ(stopped.reports, 3) << path;
    EXPECT_TRUE(messageTexts().empty()) << path;
    releaseTextureSource(&source);
  }
}

// A copy of a PNG with one more chunk just before IEND.
std::string withChunkAtEnd(const std::string& from, const std::string& to, const char* type,
                           const std::string& data) {
  std::vector<std::uint8_t> bytes = fixtures::readWholeFile(from);
  std::vector<std::uint8_t> chunk(4, 0);
  for (int i = 0; i < 4; ++i) chunk[i] = static_cast<std::uint8_t>(data.size() >> (24 - 8 * i));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  const auto crc = static_cast<std::uint32_t>(crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4)));
  for (int i = 0; i < 4; ++i) chunk.push_back(static_cast<std::uint8_t>(crc >> (24 - 8 * i)));
  bytes.insert(bytes.end() - 12, chunk.begin(), chunk.end());
  return fixtures::writeRawFile(to, bytes);
}

std::string deflated(const std::string& text) {
  std::vector<Bytef> out(compressBound(static_cast<uLong>(text.size())));
  uLongf length = static_cast<uLongf>(out.size());
  compress(out.data(), &length, reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()));
  return std::string(reinterpret_cast<const char*>(out.data()), length);
}

TEST_F(DecodedSourceTest, LongNamesComeFromTitleDescriptionOrComment) {
  struct Case {
    std::string name;
    std::string options;
    std::string longName;  // "" for the path itself
  };
  const std::string seventy(70, 't');
  // iTXt: keyword, compression flag and method, language, translated keyword, text.
  const std::string plain = make("itxt.png", "-strip PNG24:");
  using namespace std::string_literals;
  const std::string international = withChunkAtEnd(plain, dir.file("intl.png"), "iTXt",
                                                   "Title\0\0\0en\0Titel\0Birch bark;1024"s);
  const std::string packed = withChunkAtEnd(plain, dir.file("packed.png"), "iTXt",
                                            "Title\0\1\0\0\0"s + deflated("Cork board;512"));
  for (const auto& [path, name] : {std::pair{international, "Birch bark"}, std::pair{packed, "Cork board"}}) {
    char result[kLongNameBytes];
    textureLongName(path.c_str(), result);
    EXPECT_STREQ(result, name) << path;
  }
  const Case cases[] = {
      // ImageMagick stores a long text as zTXt.
      {"zipped.png", "-set Title 'Basalt;" + std::string(300, 'x') + "' PNG24:", "Basalt"},
      {"titled.png", "-set Description 'Rough;x' -set Title 'Granite, polished;512' PNG24:", "Granite, polished"},
      {"described.png", "-set Description 'Slate grey;2048' PNG24:", "Slate grey"},
      {"long.png", "-set Title '" + seventy + "' PNG24:", std::string(63, 't')},
      {"plain.png", "-strip PNG24:", ""},
      {"comment.jpg", "-set comment 'Oak veneer;1024' JPG:", "Oak veneer"},
      {"bare.jpg", "-strip JPG:", ""},
  };
  for (const Case& c : cases) {
    const std::string path = make(c.name, c.options);
    char result[kLongNameBytes];
    EXPECT_EQ(textureLongName(path.c_str(), result), 0) << c.name;
    EXPECT_EQ(std::string(result), c.longName.empty() ? path : c.longName) << c.name;
  }
}

}  // namespace
