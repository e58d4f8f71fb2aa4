// texfill fill as a process: the same document as the engine's simulated
// host for the same choice, Ctrl-C, and documents it must refuse.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "tests/native/texfill/texfill_process.h"
#include "texture/texture_source.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/png_io.h"

namespace {

using texfill::Image;
using texfilltest::fileExists;
using texfilltest::runTexfill;

struct FillCase {
  const char* label;
  const char* texture;  // "high", "low" or "bmp"
  const char* size;     // --size
  int sizeChoice;
  int tileOrigin;
  int top, left, bottom, right;  // bottom 0: the whole document
  bool gray;                     // --gray on an RGB document
};

std::string writeTexture(const fixtures::TempDir& dir, const std::string& kind) {
  if (kind == "bmp") {
    fixtures::BmpSpec layout;
    layout.path = dir.file("odd.bmp");
    layout.width = 50;
    layout.height = 30;
    return fixtures::writeBmp(layout);
  }
  fixtures::TiffSpec layout;
  const bool low = kind == "low";
  layout.path = dir.file(low ? "low.tif" : "high.tif");
  layout.width = layout.height = low ? 128 : 512;
  layout.samplesPerPixel = low ? 1 : 3;
  layout.photometric = low ? 1 : 2;
  return fixtures::writeTiff(layout);
}

// The engine's own tests' host, over the same document and choice.
Image simulatedFill(const Image& document, const std::string& texture, const FillCase& c) {
  simhost::SimulatedHost sim(document.width, document.height, document.channels == 1 ? 1 : 3);
  for (int y = 0; y < document.height; ++y) {
    std::copy(texfill::rowOf(document, y), texfill::rowOf(document, y) + texfill::rowBytesOf(document),
              sim.document().pixel(0, y));
  }
  if (c.bottom != 0) sim.setFilterRect(c.top, c.left, c.bottom, c.right);
  host::attachModule(reinterpret_cast<void*>(1));
  chooser::provideChoice({1, texture, c.sizeChoice, c.tileOrigin});
  const simhost::Run run = sim.run();
  EXPECT_EQ(run.startResult, 0);
  chooser::provideChoice({});
  Image filled = document;
  for (int y = 0; y < document.height; ++y) {
    const std::uint8_t* row = sim.document().pixel(0, y);
    std::copy(row, row + texfill::rowBytesOf(filled), texfill::rowOf(filled, y));
  }
  return filled;
}

class TexfillFillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(TexfillFillTest, WritesWhatTheSimulatedHostGets) {
  const FillCase& c = GetParam();
  fixtures::TempDir dir;
  const std::string texture = writeTexture(dir, c.texture);
  Image document = texfilltest::patternImage(300, 200, 3);
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), document, error)) << error;

  std::vector<std::string> args = {"fill", "--texture", texture, "--size", c.size, "--origin",
                                   c.tileOrigin == 1 ? "document" : "selection"};
  if (c.bottom != 0) {
    args.push_back("--rect");
    args.push_back(std::to_string(c.top) + "," + std::to_string(c.left) + "," +
                   std::to_string(c.bottom) + "," + std::to_string(c.right));
  }
  if (c.gray) args.push_back("--gray");
  args.push_back(dir.file("in.png"));
  args.push_back(dir.file("out.png"));
  const auto outcome = runTexfill(args, dir.path());
  ASSERT_EQ(outcome.exitCode, 0) << outcome.standardError;

  Image written;
  ASSERT_TRUE(texfill::readPng(dir.file("out.png"), written, error)) << error;
  if (c.gray) document = texfill::toGray(document);
  const Image expected = simulatedFill(document, texture, c);
  ASSERT_EQ(written.channels, expected.channels);
  ASSERT_EQ(written.width, expected.width);
  ASSERT_EQ(written.height, expected.height);
  EXPECT_TRUE(written.pixels == expected.pixels) << c.label;
  // The fill did change the rectangle, so the comparison means something.
  EXPECT_FALSE(written.pixels == document.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, TexfillFillTest,
    ::testing::Values(
        // 512 reduced to 128 and pre-scaled (the rectangle is taller than 128).
        FillCase{"high 128X128 document", "high", "128X128", 3, 1, 10, 20, 190, 290, false},
        // 128 enlarged by repeating texels four times, anchored at the rectangle.
        FillCase{"low 512X512 selection", "low", "512x512", 1, 0, 13, 7, 161, 250, false},
        FillCase{"high 256X256 gray whole", "high", "256X256", 2, 1, 0, 0, 0, 0, true},
        FillCase{"low 64X64 selection", "low", "64X64", 4, 0, 50, 60, 199, 299, false},
        // Not a library texture: the size choice has no effect.
        FillCase{"bmp 128X128", "bmp", "128X128", 3, 1, 5, 5, 100, 100, false}),
    [](const ::testing::TestParamInfo<FillCase>& info) {
      std::string name = info.param.label;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

// A pixel size is rescaled by texfill with the same resampler the plug-in
// uses for its own sizes, so 128 and the dialog's 128X128 agree exactly.
TEST(TexfillFill, PixelSizeAgreesWithTheDialogEntry) {
  fixtures::TempDir dir;
  const std::string texture = writeTexture(dir, "high");
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), texfilltest::patternImage(200, 150, 3), error));
  for (const char* size : {"128X128", "128"}) {
    const auto outcome = runTexfill({"fill", "--texture", texture, "--size", size,
                                     dir.file("in.png"), dir.file(std::string("out") + size + ".png")},
                                    dir.path());
    ASSERT_EQ(outcome.exitCode, 0) << outcome.standardError;
  }
  Image dialog, pixels;
  ASSERT_TRUE(texfill::readPng(dir.file("out128X128.png"), dialog, error));
  ASSERT_TRUE(texfill::readPng(dir.file("out128.png"), pixels, error));
  EXPECT_TRUE(dialog.pixels == pixels.pixels);
}

std::vector<std::uint8_t> bytesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Whether the process has its SIGINT handler in place yet (the SigCgt mask
// of /proc/PID/status).
bool catchesInterrupt(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) == 0) {
      const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
      return (mask >> (SIGINT - 1) & 1) != 0;
    }
  }
  return false;
}

TEST(TexfillFill, CtrlCAbortsWithResultOneAndWritesNothing) {
  fixtures::TempDir dir;
  const std::string texture = writeTexture(dir, "high");
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), texfilltest::patternImage(64, 400, 3), error));
  const auto before = bytesOf(dir.file("in.png"));

  // 400 bands of 10 ms: the fill is still running when the signal comes.
  const pid_t pid = texfilltest::startTexfill(
      {"fill", "--texture", texture, "--size", "256X256", dir.file("in.png"), dir.file("out.png")},
      dir.path(), {{"TEXFILL_BAND_DELAY_MS", "10"}});
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 500 && !catchesInterrupt(pid); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(kill(pid, SIGINT), 0);
  const auto outcome = texfilltest::waitForTexfill(pid, dir.path());

  EXPECT_EQ(outcome.signal, 0);
  EXPECT_EQ(outcome.exitCode, 130) << outcome.standardError;
  EXPECT_NE(outcome.standardError.find("result 1"), std::string::npos) << outcome.standardError;
  EXPECT_FALSE(fileExists(dir.file("out.png")));
  EXPECT_EQ(bytesOf(dir.file("in.png")), before);
  const std::vector<std::string> expected = {"high.tif", "in.png", "texfill.stderr", "texfill.stdout"};
  EXPECT_EQ(texfilltest::filesIn(dir.path()), expected);
}

// Writes a 16-bit PNG of `channels` samples a pixel (3 RGB, 4 RGB with
// alpha), sample i of the file being (i * 2477 + 91) mod 65536, stored
// big-endian as PNG has it.
void writeSixteenBitPng(const std::string& path, int width, int height, int channels) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 16,
               channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * channels * 2);
  for (int y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < row.size() / 2; ++i) {
      const unsigned value = ((y * row.size() / 2 + i) * 2477 + 91) & 0xFFFF;
      row[2 * i] = static_cast<std::uint8_t>(value >> 8);
      row[2 * i + 1] = static_cast<std::uint8_t>(value & 0xFF);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

struct BadDocument {
  const char* label;
  const char* expectedText;
};

class TexfillBadDocumentTest : public ::testing::TestWithParam<BadDocument> {};

TEST_P(TexfillBadDocumentTest, IsRefusedAndNothingIsWritten) {
  const std::string label = GetParam().label;
  fixtures::TempDir dir;
  const std::string texture = writeTexture(dir, "high");
  std::string error;
  std::string input;
  if (label == "truncated") {
    input = dir.file("in.png");
    ASSERT_TRUE(texfill::writePng(input, texfilltest::patternImage(120, 90, 3), error));
    fixtures::truncateFile(input, static_cast<std::int64_t>(bytesOf(input).size() / 2));
  } else if (label == "sixteenalpha") {
    input = dir.file("in.png");
    writeSixteenBitPng(input, 4, 4, 4);
  } else if (label == "cmyk") {
    fixtures::TiffSpec layout;
    layout.path = dir.file("in.tif");
    layout.samplesPerPixel = 4;
    layout.photometric = 5;  // separated: CMYK
    input = fixtures::writeTiff(layout);
  } else {
    input = fixtures::writeTextFile(dir.file("in.png"), "not a picture\n");
  }
  const auto outcome = runTexfill({"fill", "--texture", texture, input, dir.file("out.png")},
                                  dir.path());
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.standardError.find(input), std::string::npos) << outcome.standardError;
  EXPECT_NE(outcome.standardError.find(GetParam().expectedText), std::string::npos)
      << outcome.standardError;
  EXPECT_FALSE(fileExists(dir.file("out.png")));
}

INSTANTIATE_TEST_SUITE_P(Documents, TexfillBadDocumentTest,
                         ::testing::Values(BadDocument{"truncated", "truncated PNG"},
                                           BadDocument{"sixteenalpha", "RGB PNG with alpha"},
                                           BadDocument{"cmyk", "CMYK TIFF"},
                                           BadDocument{"text", "neither a PNG nor a TIFF"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(TexfillFill, PluginFailureIsReportedAndNothingIsWritten) {
  fixtures::TempDir dir;
  // A .tif that is no TIFF: the plug-in's opener refuses it at Start.
  const std::string texture = fixtures::writeTextFile(dir.file("fake.tif"), "no texture here\n");
  std::string error;
  ASSERT_TRUE(texfill::writePng(dir.file("in.png"), texfilltest::patternImage(40, 30, 3), error));
  const auto outcome = runTexfill({"fill", "--texture", texture, dir.file("in.png"),
                                   dir.file("out.png")},
                                  dir.path());
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.standardError.find("Error while reading file"), std::string::npos)
      << outcome.standardError;
  EXPECT_NE(outcome.standardError.find("readErr (-19)"), std::string::npos);
  EXPECT_FALSE(fileExists(dir.file("out.png")));
}

TEST(TexfillFill, UsageErrorsExitWithTwo) {
  fixtures::TempDir dir;
  const std::vector<std::vector<std::string>> cases = {
      {"fill", "in.png", "out.png"},                                        // no texture
      {"fill", "--texture", "t.tif", "--size", "100x200", "in.png", "out.png"},
      {"fill", "--texture", "t.tif", "--rect", "10,10,5,20", "in.png", "out.png"},
      {"fill", "--texture", "t.tif", "--origin", "corner", "in.png", "out.png"},
      {"fill", "--texture", "t.tif", "in.png", "out.jpg"},
      {"frobnicate"},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(runTexfill(args, dir.path()).exitCode, 2) << args.back();
  }
}

}  // namespace

namespace {

std::uint16_t sampleAt(const Image& image, std::size_t index) {
  std::uint16_t value = 0;
  std::memcpy(&value, &image.pixels[index * 2], 2);
  return value;
}

}  // namespace

// A 16-bit document (RGB PNG, gray TIFF) is written back at 16 bits: inside
// the rectangle each texel v of the 8-bit fill as the host's 16-bit sample
// (v * 32768 + 127) / 255 scaled to the file's range with the rounding the
// help gives; outside every sample exactly as read.
TEST(TexfillFill, SixteenBitDocumentsStaySixteenBit) {
  fixtures::TempDir dir;
  const std::string texture = writeTexture(dir, "high");
  std::string error;
  const int width = 40, height = 30, top = 5, left = 6, bottom = 25, right = 34;
  for (const int channels : {3, 1}) {
    const std::string deep = dir.file(channels == 3 ? "deep.png" : "deep.tif");
    if (channels == 3) {
      writeSixteenBitPng(deep, width, height, 3);
    } else {
      fixtures::TiffSpec layout;
      layout.path = deep;
      layout.width = width;
      layout.height = height;
      layout.samplesPerPixel = 1;
      layout.bitsPerSample = 16;
      layout.photometric = 1;
      for (int i = 0; i < width * height; ++i) {
        layout.data.push_back(static_cast<std::uint8_t>(i * 13));
        layout.data.push_back(static_cast<std::uint8_t>(i * 7 + 1));
      }
      fixtures::writeTiff(layout);
    }
    const std::string shallow = dir.file("shallow.png");
    ASSERT_TRUE(texfill::writePng(shallow, texfilltest::patternImage(width, height, channels), error));
    const std::string rect = std::to_string(top) + "," + std::to_string(left) + "," + std::to_string(bottom) +
                             "," + std::to_string(right);
    const std::string deepOut = dir.file(channels == 3 ? "deep-out.png" : "deep-out.tif");
    for (const auto& [in, out] : {std::pair{deep, deepOut}, std::pair{shallow, dir.file("shallow-out.png")}}) {
      const auto outcome = runTexfill({"fill", "--texture", texture, "--rect", rect, in, out}, dir.path());
      ASSERT_EQ(outcome.exitCode, 0) << outcome.standardError;
    }
    Image before, after, eightBit;
    ASSERT_TRUE(texfill::readImageFile(deep, before, error, true)) << error;
    ASSERT_TRUE(texfill::readImageFile(deepOut, after, error, true)) << error;
    ASSERT_TRUE(texfill::readImageFile(dir.file("shallow-out.png"), eightBit, error)) << error;
    ASSERT_EQ(after.sampleBytes, 2);
    ASSERT_EQ(after.channels, channels);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width * channels; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * width * channels + x;
        const bool inside = y >= top && y < bottom && x / channels >= left && x / channels < right;
        const unsigned hostValue = (eightBit.pixels[i] * 32768u + 127u) / 255u;
        const unsigned want = inside ? (hostValue * 65535u + 16384u) / 32768u : sampleAt(before, i);
        ASSERT_EQ(sampleAt(after, i), want) << "channels " << channels << " x " << x << " y " << y;
      }
    }
  }
}
