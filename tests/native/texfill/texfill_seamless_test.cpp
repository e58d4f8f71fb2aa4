// texfill make-seamless and pack --make-seamless as processes: what goes in
// comes out at its own depth and colours without a seam, and bad values
// write nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/native/seamless/seam_ratio.h"
#include "tests/native/support/texture_fixtures.h"
#include "tests/native/texfill/texfill_process.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/jpeg_io.h"
#include "tools/texfill/png_io.h"

namespace {

using texfilltest::fileExists;
using texfilltest::runTexfill;

int sampleOf(const texfill::Image& image, int x, int y, int c) {
  const std::size_t index = (std::size_t(y) * image.width + x) * image.channels + c;
  if (image.sampleBytes == 1) return image.pixels[index];
  std::uint16_t value;
  std::memcpy(&value, &image.pixels[2 * index], 2);
  return value;
}

double seamRatio(const texfill::Image& image) {
  return seamtest::seamRatio(image.width, image.height, image.channels,
                             [&image](int x, int y, int c) { return sampleOf(image, x, y, c); });
}

// Lit from the left, with grain: a seam at every border when tiled.
texfill::Image litSurface(int width, int height, int channels, int sampleBytes) {
  texfill::Image image = texfill::makeImage(width, height, channels);
  image.sampleBytes = sampleBytes;
  image.pixels.assign(image.pixels.size() * sampleBytes, 0);
  const int top = sampleBytes == 2 ? 65535 : 255;
  unsigned state = 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) {
        state = state * 1664525u + 1013904223u;
        const int value = top / 5 + (top / 2) * x / width + (top / 4) * y / height + int((state >> 20) % 16) * top / 255;
        const std::size_t index = (std::size_t(y) * width + x) * channels + c;
        if (sampleBytes == 1) {
          image.pixels[index] = std::uint8_t(value);
        } else {
          const std::uint16_t v = std::uint16_t(value);
          std::memcpy(&image.pixels[2 * index], &v, 2);
        }
      }
  return image;
}

TEST(TexfillMakeSeamless, KeepsDepthAndColoursAndLeavesNoSeam) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("deep.png"), litSurface(90, 70, 3, 2), error)) << error;
  ASSERT_TRUE(texfill::writeJpeg(dir.file("photo.jpg"), litSurface(96, 64, 1, 1), 95, "", error)) << error;
  struct Case {
    std::vector<std::string> args;
    std::string output;
    int channels, sampleBytes;
  };
  for (const Case& c : {Case{{dir.file("deep.png")}, "deep-out.png", 3, 2},
                        Case{{"--method", "cut", dir.file("deep.png")}, "deep-out.tif", 3, 2},
                        Case{{"--flatten", "--method", "cut", dir.file("photo.jpg")}, "photo-out.png", 1, 1}}) {
    std::vector<std::string> args = {"make-seamless"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(dir.file(c.output));
    const auto outcome = runTexfill(args, dir.path());
    ASSERT_EQ(outcome.exitCode, 0) << c.output << ": " << outcome.standardError;
    texfill::Image result;
    ASSERT_TRUE(texfill::readImageFile(dir.file(c.output), result, error, true)) << error;
    EXPECT_EQ(result.channels, c.channels) << c.output;
    EXPECT_EQ(result.sampleBytes, c.sampleBytes) << c.output;
    EXPECT_LE(seamRatio(result), 1.1) << c.output;
  }
}

TEST(TexfillMakeSeamless, BadValuesExitWithTwoAndWriteNothing) {
  fixtures::TempDir dir;
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), litSurface(64, 64, 3, 1), error)) << error;
  const std::string in = dir.file("in.png");
  const std::vector<std::vector<std::string>> cases = {
      {"make-seamless", "--method", "quilt", in, dir.file("out.png")},
      {"make-seamless", "--method", in, dir.file("out.png")},
      {"make-seamless", in, dir.file("out.jpg")},
      {"make-seamless", in},
      {"pack", "--name", "N", "--method", "cut", in, dir.file("out.tif")},
      {"pack", "--name", "N", "--make-seamless", "--method", "smooth,cut", in, dir.file("out.tif")},
  };
  for (const auto& args : cases) {
    const auto outcome = runTexfill(args, dir.path());
    EXPECT_EQ(outcome.exitCode, 2) << args[2] << " " << args.back();
    EXPECT_NE(outcome.standardError.find("texfill " + args[0] + ":"), std::string::npos) << outcome.standardError;
  }
  for (const char* name : {"out.png", "out.jpg", "out.tif"}) EXPECT_FALSE(fileExists(dir.file(name))) << name;

  const auto packed = runTexfill({"pack", "--quiet", "--name", "Lit", "--make-seamless", "--flatten", in,
                                  dir.file("lit.tif")}, dir.path());
  EXPECT_EQ(packed.exitCode, 0) << packed.standardError;
  EXPECT_TRUE(fileExists(dir.file("lit.tif")));
}

}  // namespace
