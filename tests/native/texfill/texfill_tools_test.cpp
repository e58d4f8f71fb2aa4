// texfill's option parsing, help pages and sample pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/sample_gen.h"
#include "tools/texfill/wrap_scale.h"

namespace {

TEST(TexfillCli, SizesAreTheDialogsEntriesOrPixels) {
  texfill::SizeRequest size;
  std::string error;
  const struct {
    const char* text;
    int choice;
    int pixels;
  } good[] = {{"Actual", 0, 0},   {"actual", 0, 0}, {"512X512", 1, 0}, {"256x256", 2, 0},
              {"128X128", 3, 0},  {"64x64", 4, 0},  {"100", 0, 100},   {"96X96", 0, 96},
              {"512", 0, 512},    {"2", 0, 2}};
  for (const auto& g : good) {
    ASSERT_TRUE(texfill::parseSize(g.text, size, error)) << g.text << ": " << error;
    EXPECT_EQ(size.sizeChoice, g.choice) << g.text;
    EXPECT_EQ(size.pixels, g.pixels) << g.text;
  }
  for (const char* bad : {"", "1", "513", "100x50", "-64", "64X64X64", "big", "0x0"}) {
    EXPECT_FALSE(texfill::parseSize(bad, size, error)) << bad;
  }
}

TEST(TexfillCli, RectanglesAreCheckedForShape) {
  fill::Rect16 rect{};
  std::string error;
  ASSERT_TRUE(texfill::parseRect("10,20,30,40", rect, error));
  EXPECT_EQ(rect.top, 10);
  EXPECT_EQ(rect.left, 20);
  EXPECT_EQ(rect.bottom, 30);
  EXPECT_EQ(rect.right, 40);
  for (const char* bad : {"10,20,30", "10,20,30,40,50", "10,20,10,40", "a,b,c,d", "0,0,40000,5",
                          "-1,0,5,5", ""}) {
    EXPECT_FALSE(texfill::parseRect(bad, rect, error)) << bad;
  }
}

TEST(TexfillCli, EverySubcommandHasAManualPage) {
  for (const char* name : {"", "fill", "list", "preview", "pack", "make-seamless", "gen-sample", "sheet"}) {
    const char* page = texfill::manualPage(name);
    ASSERT_NE(page, nullptr) << name;
    for (const char* section : {"NAME\n", "SYNOPSIS\n", "DESCRIPTION\n"}) {
      EXPECT_NE(std::string(page).find(section), std::string::npos) << name << " " << section;
    }
  }
  EXPECT_EQ(texfill::manualPage("frobnicate"), nullptr);
}

TEST(TexfillScale, NamesThePathItTakes) {
  EXPECT_EQ(texfill::scalePathFor(1024, 512), texfill::ScalePath::wholeReduction);
  EXPECT_EQ(texfill::scalePathFor(512, 512), texfill::ScalePath::none);
  EXPECT_EQ(texfill::scalePathFor(768, 512), texfill::ScalePath::general);
  EXPECT_EQ(texfill::scalePathFor(256, 512), texfill::ScalePath::general);
}

// Every sample is a pattern over the unit square that repeats with period
// 1 in both directions, so the picture drawn from it continues across its
// right and bottom edges into its left and top ones.
TEST(TexfillSamples, EveryPatternRepeatsWithTheUnitSquare) {
  ASSERT_GE(texfill::sampleRecipes().size(), 8u);
  std::srand(7);
  for (const texfill::SampleRecipe& recipe : texfill::sampleRecipes()) {
    int differences = 0;
    for (int i = 0; i < 300; ++i) {
      const double u = std::rand() / (RAND_MAX + 1.0);
      const double v = std::rand() / (RAND_MAX + 1.0);
      std::uint8_t here[3], right[3], below[3];
      texfill::sampleColour(recipe, u, v, here);
      texfill::sampleColour(recipe, u + 1, v, right);
      texfill::sampleColour(recipe, u, v + 1, below);
      for (int c = 0; c < 3; ++c) {
        // Rounding of the shifted lattice coordinates may move a byte by one.
        if (std::abs(here[c] - right[c]) > 1 || std::abs(here[c] - below[c]) > 1) ++differences;
      }
    }
    EXPECT_EQ(differences, 0) << recipe.name;
  }
}

}  // namespace
