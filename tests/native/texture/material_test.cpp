// Material maps: which file names are maps (stem, word, kind, size tag), and
// the material found beside a chosen texture in a real folder.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <utility>

#include "platform/ascii.h"
#include "tests/native/texture/texture_test.h"
#include "texture/material.h"

using namespace texture;

namespace {

TEST(MaterialNameTest, ReadsStemWordKindAndSizeTagFromTheName) {
  struct Row {
    const char* name;
    MapKind kind;  // mapNone: no map
    const char* stem;
    const char* word;  // as the name writes it
    const char* size;
  };
  const Row rows[] = {
      // ambientCG: the size tag before the word.
      {"Bricks076_1K_Color.png", mapColour, "Bricks076", "Color", "1K"},
      {"Bricks076_1K_NormalGL.png", mapNormalGl, "Bricks076", "NormalGL", "1K"},
      {"Bricks076_1K_NormalDX.png", mapNormalDx, "Bricks076", "NormalDX", "1K"},
      {"Bricks076_1K_Displacement.jpg", mapHeight, "Bricks076", "Displacement", "1K"},
      {"Bricks076_2K_Roughness.PNG", mapRoughness, "Bricks076", "Roughness", "2K"},
      {"Bricks076_1K_AmbientOcclusion.tif", mapOcclusion, "Bricks076", "AmbientOcclusion", "1K"},
      {"Bricks076_4096_Metalness.tiff", mapMetalness, "Bricks076", "Metalness", "4096"},
      {"Bricks076_1K-JPG_Color.jpg", mapColour, "Bricks076_1K-JPG", "Color", ""},
      // Poly Haven: the size tag after the word, words with a separator in them.
      {"brick_wall_001_diff_1k.png", mapColour, "brick_wall_001", "diff", "1k"},
      {"brick_wall_001_nor_gl_1k.exr", mapNormalGl, "brick_wall_001", "nor_gl", "1k"},
      {"brick_wall_001_nor_dx_1k.exr", mapNormalDx, "brick_wall_001", "nor_dx", "1k"},
      {"brick_wall_001_disp_1k.png", mapHeight, "brick_wall_001", "disp", "1k"},
      {"brick_wall_001_rough_1k.jpg", mapRoughness, "brick_wall_001", "rough", "1k"},
      {"brick_wall_001_ao_1k.jpg", mapOcclusion, "brick_wall_001", "ao", "1k"},
      {"brick_wall_001_arm_1k.jpg", mapPackedArm, "brick_wall_001", "arm", "1k"},
      {"brick_wall_001_nor_1k.png", mapNormalGl, "brick_wall_001", "nor", "1k"},
      // Letter case, every separator, the other words; the longer word wins.
      {"ROCK-BaseColor.JPEG", mapColour, "ROCK", "BaseColor", ""},
      {"rock base_color.bmp", mapColour, "rock", "base_color", ""},
      {"rock.normal-dx.png", mapNormalDx, "rock", "normal-dx", ""},
      {"rock_Normal_DX.png", mapNormalDx, "rock", "Normal_DX", ""},
      {"rock_normal.png", mapNormalGl, "rock", "normal", ""},
      {"rock_nrm.png", mapNormalGl, "rock", "nrm", ""},
      {"rock_ambient_occlusion.png", mapOcclusion, "rock", "ambient_occlusion", ""},
      {"rock_occlusion.png", mapOcclusion, "rock", "occlusion", ""},
      {"rock_Glossiness.png", mapGloss, "rock", "Glossiness", ""},
      {"rock_gloss.png", mapGloss, "rock", "gloss", ""},
      {"rock_metallic.png", mapMetalness, "rock", "metallic", ""},
      {"rock_METAL.png", mapMetalness, "rock", "METAL", ""},
      {"rock_Specular.tif", mapSpecular, "rock", "Specular", ""},
      {"rock_spec.png", mapSpecular, "rock", "spec", ""},
      {"rock_Opacity.png", mapOpacity, "rock", "Opacity", ""},
      {"rock_alpha.png", mapOpacity, "rock", "alpha", ""},
      {"rock_albedo.png", mapColour, "rock", "albedo", ""},
      {"rock_Diffuse.png", mapColour, "rock", "Diffuse", ""},
      {"rock_col.png", mapColour, "rock", "col", ""},
      {"rock_colour_2048.png", mapColour, "rock", "colour", "2048"},
      {"rock_height.png", mapHeight, "rock", "height", ""},
      {"rock_bump.png", mapHeight, "rock", "bump", ""},
      {"rock_emission.png", mapOther, "rock", "emission", ""},
      {"rock__Color.png", mapColour, "rock_", "Color", ""},
      // A material of bare names fills a folder of its own: an empty stem.
      {"normal.png", mapNormalGl, "", "normal", ""},
      {"AO.tif", mapOcclusion, "", "AO", ""},
      {"1K_Color.png", mapColour, "", "Color", "1K"},
      // Size tags: <digits>k and numbers of three to five digits, never from 0.
      {"rock_16k_color.png", mapColour, "rock", "color", "16k"},
      {"rock_512_color.png", mapColour, "rock", "color", "512"},
      {"rock_99999_color.png", mapColour, "rock", "color", "99999"},
      {"rock_001_color.png", mapColour, "rock_001", "color", ""},
      {"rock_100k_color.png", mapColour, "rock_100k", "color", ""},
      {"rock_12_color.png", mapColour, "rock_12", "color", ""},
      {"rock_123456_color.png", mapColour, "rock_123456", "color", ""},
      // Other scripts: the stem is bytes like any other; only ASCII
      // separators end it.
      {"Кирпич_1K_Color.png", mapColour, "Кирпич", "Color", "1K"},
      {"砖墙_diff_1k.jpg", mapColour, "砖墙", "diff", "1k"},
      {"kırmızı tuğla-normal.png", mapNormalGl, "kırmızı tuğla", "normal", ""},
      {"レンガ_ao.png", mapOcclusion, "レンガ", "ao", ""},
      // Look-alikes: words inside other words, other extensions, words that
      // do not end the name.
      {"colorado.png", mapNone},
      {"metallica.png", mapNone},
      {"shadow.png", mapNone},
      {"cacao.png", mapNone},
      {"caféao.png", mapNone},
      {"Кирпичao.png", mapNone},
      {"discolor.png", mapNone},
      {"rockcolor.png", mapNone},
      {"rock_colors.png", mapNone},
      {"rock_color_v2.png", mapNone},
      {"rock_color.txt", mapNone},
      {"rock_color.png.bak", mapNone},
      {"rock_color", mapNone},
      {"rock_color.", mapNone},
      {".png", mapNone},
      {"rock_1k.png", mapNone},
      {"ziegel_farbe.png", mapNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string name = row.name;
    MapName parsed;
    ASSERT_EQ(parseMapName(name.data(), name.size(), &parsed), row.kind != mapNone);
    EXPECT_EQ(parsed.kind, row.kind);
    if (row.kind == mapNone) {
      EXPECT_STREQ(parsed.word, "");
      continue;
    }
    EXPECT_EQ(name.substr(0, parsed.stemLength), row.stem);
    const std::string written = name.substr(parsed.wordStart, parsed.wordLength);
    EXPECT_EQ(written, row.word);
    // The table's spelling is the written word in lower case, "_" for any separator.
    std::string spelled = platform::lowerAscii(written);
    for (char& c : spelled) c = c == '-' || c == '.' || c == ' ' ? '_' : c;
    EXPECT_EQ(spelled, parsed.word);
    EXPECT_EQ(name.substr(parsed.sizeStart, parsed.sizeLength), row.size);
    EXPECT_EQ(parsed.sizeValue != 0, row.size[0] != '\0');
  }
  // The size tag's value: 1K is 1024 texels, as the libraries mean it.
  MapName parsed;
  ASSERT_TRUE(parseMapName("a_2k_color.png", 14, &parsed));
  EXPECT_EQ(parsed.sizeValue, 2048u);
  ASSERT_TRUE(parseMapName("a_color_4096.png", 16, &parsed));
  EXPECT_EQ(parsed.sizeValue, 4096u);
}

struct Found {
  std::string name;
  MapKind kind;
  bool operator==(const Found&) const = default;
};
void PrintTo(const Found& found, std::ostream* out) { *out << found.name << " as " << mapKindName(found.kind); }

struct LeftOut {
  std::string name;
  LeftOutReason reason;
  bool operator==(const LeftOut&) const = default;
};
void PrintTo(const LeftOut& left, std::ostream* out) { *out << left.name << " for " << left.reason; }

class MaterialTest : public TextureTest {
 protected:
  std::string tiff(const std::string& name, int width, int height) {
    fixtures::TiffSpec layout;
    layout.path = dir.file(name);
    layout.width = width;
    layout.height = height;
    return fixtures::writeTiff(layout);
  }
  std::string png(const std::string& name, int width, int height) {
    const std::string ppm = fixtures::writePpm(dir.file("source.ppm"), width, height);
    EXPECT_TRUE(fixtures::imageMagickConvert("'" + ppm + "' '" + dir.file(name) + "'")) << name;
    return dir.file(name);
  }
  std::string bmp(const std::string& name, int width, int height) {
    fixtures::BmpSpec layout;
    layout.path = dir.file(name);
    layout.width = width;
    layout.height = height;
    return fixtures::writeBmp(layout);
  }

  static std::vector<Found> maps(const Material& material) {
    std::vector<Found> found;
    for (int i = 0; i < material.mapCount; ++i) {
      const std::string path = material.maps[i].path;
      found.push_back({path.substr(path.rfind('/') + 1), material.maps[i].kind});
    }
    return found;
  }
  static std::vector<LeftOut> leftOut(const Material& material) {
    std::vector<LeftOut> names;
    for (int i = 0; i < material.leftOutCount; ++i) names.push_back({material.leftOut[i].name, material.leftOut[i].reason});
    return names;
  }
};

TEST_F(MaterialTest, FindsTheMapsOfTheChosenStemAndSizeAndReportsTheRest) {
  const std::string chosen = tiff("Slate_1K_Color.tif", 8, 8);
  tiff("Slate_1K_NormalGL.tif", 8, 8);       // the chosen map's format wins ...
  png("Slate_1K_NormalGL.png", 8, 8);        // ... over PNG
  png("Slate_1K_NormalDX.png", 8, 8);        // DirectX is a kind of its own
  bmp("Slate_1K_Roughness.bmp", 8, 8);       // PNG wins over a third format
  png("Slate_1K_Roughness.png", 8, 8);
  tiff("slate_1k_gloss.tif", 8, 8);          // the stem in another letter case
  png("Slate_1K_Color.png", 8, 8);           // the chosen map stays
  tiff("Slate_1K_Displacement.tif", 16, 8);  // another size
  tiff("Slate_2K_Height.tif", 8, 8);         // another download of the material
  const std::string truncated = png("Slate_1K_AmbientOcclusion.png", 8, 8);
  fixtures::truncateFile(truncated, 20);
  ASSERT_EQ(::mkdir(dir.file("Slate_1K_Metalness.png").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir.file("elsewhere").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("elsewhere", dir.file("Slate_1K_Specular.png").c_str()), 0);
  tiff("elsewhere/opacity.tif", 8, 8);
  ASSERT_EQ(::symlink("elsewhere/opacity.tif", dir.file("Slate_1K_Opacity.tif").c_str()), 0);
  // Not the material's: no map word, a word inside a word, another stem.
  tiff("Slate.tif", 8, 8);
  tiff("Slate_1K_Colorado.tif", 8, 8);
  tiff("Slatey_1K_Gloss.tif", 8, 8);
  // Another material of the same folder, its stem in another script.
  png("Сланец_diff_1k.png", 4, 4);
  png("Сланец_nor_gl_1k.png", 4, 4);
  png("Сланец_1k_Roughness.png", 4, 4);  // the size tag before the word is the same size

  auto material = std::make_unique<Material>();
  ASSERT_TRUE(findMaterial(chosen.c_str(), material.get()));
  EXPECT_EQ(maps(*material), (std::vector<Found>{{"Slate_1K_Color.tif", mapColour},
                                                  {"Slate_1K_NormalGL.tif", mapNormalGl},
                                                  {"Slate_1K_NormalDX.png", mapNormalDx},
                                                  {"Slate_1K_Roughness.png", mapRoughness},
                                                  {"slate_1k_gloss.tif", mapGloss},
                                                  {"Slate_1K_Opacity.tif", mapOpacity}}));
  EXPECT_EQ(material->chosen, 0);
  EXPECT_STREQ(material->maps[1].word, "normalgl");
  EXPECT_EQ(material->maps[1].info.width, 8);
  EXPECT_EQ(material->maps[1].info.kind, kindTiffRgb);
  EXPECT_EQ(leftOut(*material), (std::vector<LeftOut>{{"Slate_1K_AmbientOcclusion.png", leftUnreadable},
                                                      {"Slate_1K_Color.png", leftSameKind},
                                                      {"Slate_1K_Displacement.tif", leftOtherSize},
                                                      {"Slate_1K_Metalness.png", leftFolder},
                                                      {"Slate_1K_NormalGL.png", leftSameKind},
                                                      {"Slate_1K_Roughness.bmp", leftSameKind},
                                                      {"Slate_1K_Specular.png", leftFolder}}));
  EXPECT_EQ(material->leftOutUnlisted, 0);

  // The same material found from any of its maps.
  ASSERT_TRUE(findMaterial(dir.file("Slate_1K_NormalDX.png").c_str(), material.get()));
  EXPECT_EQ(material->mapCount, 6);
  EXPECT_EQ(material->maps[material->chosen].kind, mapNormalDx);
  // Of two colour maps the one in the chosen map's format now.
  EXPECT_EQ(materialMap(material.get(), mapColour)->path, dir.file("Slate_1K_Color.png"));

  ASSERT_TRUE(findMaterial(dir.file("Сланец_nor_gl_1k.png").c_str(), material.get()));
  EXPECT_EQ(maps(*material), (std::vector<Found>{{"Сланец_diff_1k.png", mapColour},
                                                  {"Сланец_nor_gl_1k.png", mapNormalGl},
                                                  {"Сланец_1k_Roughness.png", mapRoughness}}));
  EXPECT_EQ(material->leftOutCount, 0);

  // A texture of its own is its own colour; one that cannot be described is
  // still the material, alone.
  ASSERT_TRUE(findMaterial(dir.file("Slate.tif").c_str(), material.get()));
  EXPECT_EQ(maps(*material), (std::vector<Found>{{"Slate.tif", mapColour}}));
  EXPECT_FALSE(findMaterial(truncated.c_str(), material.get()));
  EXPECT_EQ(maps(*material), (std::vector<Found>{{"Slate_1K_AmbientOcclusion.png", mapOcclusion}}));
  EXPECT_EQ(material->leftOutCount, 0);
  EXPECT_FALSE(findMaterial(nullptr, material.get()));
  EXPECT_EQ(material->mapCount, 0);

  // The listing itself: every entry once, folders and links to them marked,
  // a name that is not UTF-8 skipped.
  fixtures::writeTextFile(dir.file("bad\xff.png"), "x");
  std::vector<std::pair<std::string, bool>> listed;
  ASSERT_TRUE(platform::listFolder(
      dir.path().c_str(),
      [](void* context, const char* name, bool isFolder) {
        static_cast<std::vector<std::pair<std::string, bool>>*>(context)->push_back({name, isFolder});
        return true;
      },
      &listed));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed.size(), 22u);
  EXPECT_TRUE(std::find(listed.begin(), listed.end(), std::pair<std::string, bool>{"elsewhere", true}) != listed.end());
  EXPECT_TRUE(std::find(listed.begin(), listed.end(), std::pair<std::string, bool>{"Slate_1K_Specular.png", true}) !=
              listed.end());
  EXPECT_TRUE(std::find(listed.begin(), listed.end(), std::pair<std::string, bool>{"Slate_1K_Opacity.tif", false}) !=
              listed.end());
  EXPECT_FALSE(platform::listFolder(dir.file("absent").c_str(), [](void*, const char*, bool) { return true; }, nullptr));
}

}  // namespace
