// The Start-time scaling decisions through the simulated host: no scaling at
// Actual, on-the-fly reduction, pre-scaling with its progress, abort and
// failures, and that both roads deliver the same reduced rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <fstream>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "fill/scaling_factors.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "resample/wrap_resampler.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/texture_source.h"

namespace {

class PrepareScalingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new fixtures::TempDir;
    fixtures::TiffSpec high;
    high.path = dir_->file("marble.tif");
    high.width = high.height = 512;
    highRes_ = fixtures::writeTiff(high);
    fixtures::TiffSpec low;
    low.path = dir_->file("fabric.tif");
    low.width = low.height = 128;
    low.samplesPerPixel = 1;
    low.photometric = 1;
    lowRes_ = fixtures::writeTiff(low);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    platform::clearRecordedMessages();
    outstanding_ = platform::test::blocksOutstanding();
  }
  void TearDown() override {
    platform::test::failAllocationAfter(0);
    host::detachModule();
    chooser::provideChoice({});
    EXPECT_EQ(platform::test::blocksOutstanding(), outstanding_) << "blocks leaked";
  }

  static void choose(const std::string& path, int sizeChoice, int origin = 1) {
    chooser::provideChoice({.status = 1, .fileName = path, .options = {.sizeChoice = sizeChoice, .tileOrigin = origin}});
  }

  // Progress reports made by the pre-scaling: those after the Start report
  // and before the first Continue.
  static std::vector<std::pair<int, int>> startProgress(simhost::SimulatedHost& host) {
    return {host.log().progress.begin() + 1, host.log().progress.end()};
  }

  // A picture of texel() written by ImageMagick in the format of its name.
  static std::string decodedTexture(const std::string& name, int width, int height) {
    const std::string ppm = fixtures::writePpm(dir_->file(name + ".ppm"), width, height);
    const std::string path = dir_->file(name);
    EXPECT_TRUE(fixtures::imageMagickConvert("'" + ppm + "' -quality 90 '" + path + "'")) << name;
    return path;
  }

  static fixtures::TempDir* dir_;
  static std::string highRes_;
  static std::string lowRes_;
  long outstanding_ = 0;
};

fixtures::TempDir* PrepareScalingTest::dir_ = nullptr;
std::string PrepareScalingTest::highRes_;
std::string PrepareScalingTest::lowRes_;

TEST_F(PrepareScalingTest, ActualAnd512LeaveTheTextureAsItIs) {
  for (int sizeChoice : {0, 1}) {
    choose(highRes_, sizeChoice);
    simhost::SimulatedHost host(600, 700, 3);
    ASSERT_EQ(host.start(), 0);
    EXPECT_EQ(host::currentFillJob().source.resampler, nullptr);
    EXPECT_EQ(host::currentFillJob().source.kind, 1);
    EXPECT_EQ(host::currentFillJob().source.scaledWidth, 512);
    EXPECT_EQ(host::currentFillJob().rowsDone, 0);
    EXPECT_EQ(host::currentFillJob().rowsTotal, 700);
    host.finish();
  }
}

TEST_F(PrepareScalingTest, Size256IsAlwaysReducedOnTheFly) {
  for (int height : {1, 256, 257, 2000}) {
    choose(highRes_, 2);
    simhost::SimulatedHost host(10, height, 3);
    ASSERT_EQ(host.start(), 0);
    ASSERT_NE(host::currentFillJob().source.resampler, nullptr);
    EXPECT_EQ(host::currentFillJob().source.resampler->targetSize, 256);
    EXPECT_EQ(host::currentFillJob().source.kind, 1);
    EXPECT_EQ(host::currentFillJob().source.prescaled, nullptr);
    EXPECT_EQ(host::currentFillJob().source.scaledWidth, 256);
    EXPECT_EQ(host::currentFillJob().source.bufferRowBytes, 768);
    host.finish();
  }
}

TEST_F(PrepareScalingTest, Size128IsPrescaledOnlyWhenTheRectangleIsTaller) {
  {
    choose(highRes_, 3);
    simhost::SimulatedHost host(10, 128, 3);
    ASSERT_EQ(host.start(), 0);
    EXPECT_NE(host::currentFillJob().source.resampler, nullptr);
    EXPECT_EQ(host::currentFillJob().source.kind, 1);
    host.finish();
  }
  choose(highRes_, 3);
  simhost::SimulatedHost host(10, 129, 3);
  ASSERT_EQ(host.start(), 0);
  EXPECT_EQ(host::currentFillJob().source.resampler, nullptr);
  EXPECT_EQ(host::currentFillJob().source.kind, 7);
  ASSERT_NE(host::currentFillJob().source.prescaled, nullptr);
  const auto progress = startProgress(host);
  ASSERT_EQ(progress.size(), 128u);
  EXPECT_EQ(progress.front(), std::make_pair(0, 257));
  EXPECT_EQ(progress.back(), std::make_pair(127, 257));
  EXPECT_EQ(host::currentFillJob().rowsDone, 128);
  EXPECT_EQ(host::currentFillJob().rowsTotal, 257);
  host.finish();
}

TEST_F(PrepareScalingTest, Size64UsesThirtyTwoTapsAndA64By192Block) {
  choose(highRes_, 4);
  simhost::SimulatedHost host(10, 64, 3);
  ASSERT_EQ(host.start(), 0);
  ASSERT_NE(host::currentFillJob().source.resampler, nullptr);
  EXPECT_EQ(host::currentFillJob().source.resampler->taps, 32);
  host.finish();

  choose(highRes_, 4);
  simhost::SimulatedHost tall(10, 65, 3);
  ASSERT_EQ(tall.start(), 0);
  EXPECT_EQ(host::currentFillJob().source.kind, 7);
  EXPECT_EQ(host::currentFillJob().source.scaledHeight, 64);
  EXPECT_EQ(host::currentFillJob().source.bufferRowBytes, 192);
  tall.finish();
}

TEST_F(PrepareScalingTest, LowResolutionAt64IsHalvedAndPrescaledAbove64Rows) {
  choose(lowRes_, 4);
  simhost::SimulatedHost host(10, 64, 3);
  ASSERT_EQ(host.start(), 0);
  ASSERT_NE(host::currentFillJob().source.resampler, nullptr);
  EXPECT_EQ(host::currentFillJob().source.resampler->sourceSize, 128);
  EXPECT_EQ(host::currentFillJob().source.resampler->targetSize, 64);
  host.finish();

  choose(lowRes_, 4);
  simhost::SimulatedHost tall(10, 65, 3);
  ASSERT_EQ(tall.start(), 0);
  EXPECT_EQ(host::currentFillJob().source.kind, 7);
  tall.finish();
}

TEST_F(PrepareScalingTest, LowResolutionEnlargementsReplicateWithoutAResampler) {
  for (int sizeChoice : {1, 2}) {
    choose(lowRes_, sizeChoice);
    simhost::SimulatedHost host(10, 300, 3);
    ASSERT_EQ(host.start(), 0);
    EXPECT_EQ(host::currentFillJob().source.upscale, 1);
    EXPECT_EQ(host::currentFillJob().source.resampler, nullptr);
    host.finish();
  }
}

TEST_F(PrepareScalingTest, PrescaledAndOnTheFlyFillsAreTheSame) {
  for (int sizeChoice : {3, 4}) {
    const int size = sizeChoice == 3 ? 128 : 64;
    choose(highRes_, sizeChoice);
    simhost::SimulatedHost onTheFly(300, size, 3);
    ASSERT_EQ(onTheFly.run().startResult, 0);
    choose(highRes_, sizeChoice);
    simhost::SimulatedHost prescaled(300, size + 1, 3);
    ASSERT_EQ(prescaled.run().startResult, 0);
    for (int y = 0; y < size; ++y) {
      ASSERT_EQ(std::memcmp(onTheFly.document().pixel(0, y), prescaled.document().pixel(0, y), 900), 0)
          << "size " << size << " row " << y;
    }
    // The extra row wraps to reduced row 0.
    EXPECT_EQ(std::memcmp(prescaled.document().pixel(0, size), prescaled.document().pixel(0, 0), 900), 0);
  }
}

TEST_F(PrepareScalingTest, AbortAfterTheFirstPrescaledRowReleasesEverything) {
  choose(highRes_, 3);
  simhost::SimulatedHost host(10, 300, 3);
  host.abortAtCall(0);
  EXPECT_EQ(host.start(), 1);
  EXPECT_EQ(startProgress(host).size(), 1u);
  EXPECT_EQ(host.abortCalls(), 1);
  EXPECT_TRUE(platform::recordedMessages().empty());
  const texture::TextureSource zero{};
  EXPECT_EQ(std::memcmp(&host::currentFillJob().source, &zero, sizeof zero), 0);
  EXPECT_EQ(platform::test::blocksOutstanding(), outstanding_);
  EXPECT_EQ(host.finish(), 0);
}

TEST_F(PrepareScalingTest, AllocationFailuresGiveOutOfMemoryAndLeakNothing) {
  bool sawNoResampler = false;
  bool sawResamplerWithoutBlock = false;
  for (long k = 1; k < 200; ++k) {
    platform::clearRecordedMessages();
    choose(highRes_, 3);
    simhost::SimulatedHost host(10, 300, 3);
    platform::test::failAllocationAfter(k);
    const std::int16_t result = host.start();
    platform::test::failAllocationAfter(0);
    if (result == 0) {
      EXPECT_EQ(host::currentFillJob().source.kind, 7) << "k " << k;
      host.finish();
      EXPECT_GT(k, 2);
      break;
    }
    EXPECT_EQ(result, -108) << "k " << k;
    ASSERT_FALSE(platform::recordedMessages().empty()) << "k " << k;
    EXPECT_EQ(platform::recordedMessages().back().text, "Out of Memory");
    if (host::currentFillJob().source.rowBuffer != nullptr && host::currentFillJob().source.resampler == nullptr &&
        host::currentFillJob().source.prescaled == nullptr)
      sawNoResampler = true;
    if (host::currentFillJob().source.resampler != nullptr && host::currentFillJob().source.prescaled == nullptr)
      sawResamplerWithoutBlock = true;
    EXPECT_EQ(host.finish(), 0);
    EXPECT_EQ(platform::test::blocksOutstanding(), outstanding_) << "k " << k;
  }
  EXPECT_TRUE(sawNoResampler);
  EXPECT_TRUE(sawResamplerWithoutBlock);
}

TEST_F(PrepareScalingTest, UnreadableRowsDuringPrescalingGiveReadErrorAndRelease) {
  fixtures::TiffSpec layout;
  layout.path = dir_->file("broken.tif");
  layout.width = layout.height = 512;
  layout.compression = 8;
  layout.rowsPerStrip = 8;
  const std::string path = fixtures::writeTiff(layout);
  // Spoil the middle of the compressed strips so that decoding fails there.
  std::vector<std::uint8_t> bytes = fixtures::readWholeFile(path);
  for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 4096; ++i) bytes[i] ^= 0x5A;
  fixtures::writeRawFile(path, bytes);

  choose(path, 3);
  simhost::SimulatedHost host(10, 300, 3);
  EXPECT_EQ(host.start(), -19);
  ASSERT_FALSE(platform::recordedMessages().empty());
  EXPECT_EQ(platform::recordedMessages().back().text, "Error while reading file");
  EXPECT_EQ(host::currentFillJob().source.kind, 0);
  EXPECT_EQ(host::currentFillJob().source.tiff, nullptr);
  EXPECT_EQ(host.finish(), 0);
}

TEST_F(PrepareScalingTest, CompressedLibraryTexturesReduceAtEverySize) {
  for (int compression : {5, 8}) {
    fixtures::TiffSpec layout;
    layout.path = dir_->file("packed" + std::to_string(compression) + ".tif");
    layout.width = layout.height = 512;
    layout.compression = compression;
    layout.rowsPerStrip = 16;
    const std::string compressed = fixtures::writeTiff(layout);
    for (int sizeChoice : {0, 2, 3, 4}) {
      for (int height : {40, 600}) {
        choose(highRes_, sizeChoice);
        simhost::SimulatedHost plain(50, height, 3);
        plain.setFilterRect(0, 0, height, 50);
        ASSERT_EQ(plain.run().startResult, 0);
        choose(compressed, sizeChoice);
        simhost::SimulatedHost packed(50, height, 3);
        const simhost::Run run = packed.run();
        ASSERT_EQ(run.startResult, 0) << "size " << sizeChoice << " height " << height;
        EXPECT_TRUE(platform::recordedMessages().empty());
        EXPECT_EQ(plain.document().bytes, packed.document().bytes)
            << "compression " << compression << " size " << sizeChoice << " height " << height;
      }
    }
  }
}

TEST_F(PrepareScalingTest, SquarePngAndJpegTexturesScaleByTheirSide) {
  struct Case {
    std::string path;
    fill::ScalingFactors at512, at256, at128, at64;
  };
  const Case cases[] = {
      {decodedTexture("small.png", 64, 64), {8, 1, 0}, {4, 1, 0}, {2, 1, 0}, {1, 1, 0}},
      {decodedTexture("odd.jpg", 100, 100), {1, 1, 512}, {1, 1, 256}, {1, 1, 128}, {1, 1, 64}},
      {decodedTexture("large.jpeg", 300, 300), {1, 1, 512}, {1, 1, 256}, {1, 1, 128}, {1, 1, 64}},
      {decodedTexture("wide.png", 80, 64), {1, 1, 0}, {1, 1, 0}, {1, 1, 0}, {1, 1, 0}},
      {decodedTexture("tiny.png", 48, 48), {1, 1, 0}, {1, 1, 0}, {1, 1, 0}, {1, 1, 0}},
  };
  auto same = [](fill::ScalingFactors a, fill::ScalingFactors b) {
    return a.replication == b.replication && a.reduction == b.reduction && a.resampledSize == b.resampledSize;
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(same(fill::scalingFactors(c.path.c_str(), fill::sizeActual), {1, 1, 0})) << c.path;
    EXPECT_TRUE(same(fill::scalingFactors(c.path.c_str(), fill::size512), c.at512)) << c.path;
    EXPECT_TRUE(same(fill::scalingFactors(c.path.c_str(), fill::size256), c.at256)) << c.path;
    EXPECT_TRUE(same(fill::scalingFactors(c.path.c_str(), fill::size128), c.at128)) << c.path;
    EXPECT_TRUE(same(fill::scalingFactors(c.path.c_str(), fill::size64), c.at64)) << c.path;
  }
}

TEST_F(PrepareScalingTest, ScaledPngAndJpegFillsRepeatAtTheChosenSize) {
  const std::string small = decodedTexture("rep.png", 64, 64);
  const std::vector<std::uint8_t> texels = fixtures::imageMagickRgb(small);
  // 64 to 256: each texel four times across and down.
  choose(small, fill::size256);
  simhost::SimulatedHost replicated(300, 270, 3);
  ASSERT_EQ(replicated.run().startResult, 0);
  for (int y = 0; y < 270; y += 7) {
    for (int x = 0; x < 300; x += 5) {
      const std::uint8_t* want = texels.data() + 3 * (((y / 4) % 64) * 64 + (x / 4) % 64);
      ASSERT_EQ(std::memcmp(replicated.document().pixel(x, y), want, 3), 0) << x << "," << y;
    }
  }
  // 100 to 128 through the resampler, on the fly and pre-scaled alike.
  const std::string odd = decodedTexture("up.jpg", 100, 100);
  choose(odd, fill::size128);
  simhost::SimulatedHost onTheFly(300, 128, 3);
  ASSERT_EQ(onTheFly.run().startResult, 0);
  choose(odd, fill::size128);
  simhost::SimulatedHost prescaled(300, 129, 3);
  ASSERT_EQ(prescaled.run().startResult, 0);
  for (int y = 0; y < 128; ++y) {
    ASSERT_EQ(std::memcmp(onTheFly.document().pixel(0, y), prescaled.document().pixel(0, y), 900), 0) << y;
    ASSERT_EQ(std::memcmp(onTheFly.document().pixel(0, y), onTheFly.document().pixel(128, y), 3 * 172), 0) << y;
  }
  EXPECT_EQ(std::memcmp(prescaled.document().pixel(0, 128), prescaled.document().pixel(0, 0), 900), 0);
  EXPECT_TRUE(platform::recordedMessages().empty());
}

// The 3 x 3 seam check: a smooth PNG of whole periods, 1024 square, filled
// at 256X256 into three tiles each way. Across every tile border the step
// between neighbours is no larger than between the neighbours just inside.
TEST_F(PrepareScalingTest, ReducedSquarePngTilesWithoutSeams) {
  constexpr int kSide = 1024;
  constexpr int kTile = 256;
  std::string ppm = "P6\n1024 1024\n255\n";
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const double a = 2 * std::numbers::pi * x / kSide;
      const double b = 2 * std::numbers::pi * y / kSide;
      for (int ch = 0; ch < 3; ++ch) {
        ppm.push_back(static_cast<char>(
            std::lround(128 + 60 * std::sin(a + ch) + 40 * std::sin(3 * b) + 20 * std::cos(2 * a + b))));
      }
    }
  }
  const std::string source = fixtures::writeTextFile(dir_->file("smooth.ppm"), ppm);
  const std::string png = dir_->file("smooth.png");
  ASSERT_TRUE(fixtures::imageMagickConvert("'" + source + "' PNG24:'" + png + "'"));
  choose(png, fill::size256, 1);
  simhost::SimulatedHost host(3 * kTile, 3 * kTile, 3);
  ASSERT_EQ(host.run().startResult, 0);
  auto step = [&](int p, bool across) {
    double sum = 0;
    for (int q = 0; q < 3 * kTile; ++q) {
      const std::uint8_t* a = across ? host.document().pixel(p, q) : host.document().pixel(q, p);
      const std::uint8_t* b = across ? host.document().pixel(p + 1, q) : host.document().pixel(q, p + 1);
      for (int ch = 0; ch < 3; ++ch) sum += std::abs(int(b[ch]) - int(a[ch]));
    }
    return sum / (3 * kTile * 3);
  };
  for (int seam : {kTile - 1, 2 * kTile - 1}) {
    for (bool across : {true, false}) {
      EXPECT_LE(step(seam, across), std::max(step(seam - 1, across), step(seam + 1, across)) + 0.5)
          << seam << (across ? " across" : " down");
    }
  }
  EXPECT_TRUE(platform::recordedMessages().empty());
}

TEST_F(PrepareScalingTest, AbortWhileDecodingCancelsWithoutAMessage) {
  choose(decodedTexture("stop.png", 64, 64), fill::sizeActual);
  simhost::SimulatedHost host(10, 10, 3);
  host.abortAtCall(0);
  EXPECT_EQ(host.start(), 1);
  EXPECT_EQ(host.abortCalls(), 1);
  EXPECT_TRUE(platform::recordedMessages().empty());
  const texture::TextureSource zero{};
  EXPECT_EQ(std::memcmp(&host::currentFillJob().source, &zero, sizeof zero), 0);
  EXPECT_EQ(host.finish(), 0);
}

}  // namespace
