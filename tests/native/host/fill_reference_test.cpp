// The band writer copies runs (whole texture-row segments, the row's own
// first period, the band's first row); here its output is compared with a
// plain per-pixel fill over random rectangles, phases, replication factors,
// plane counts, sample sizes, layers and row strides, band by band through
// fillNextBand. The bytes between rows and around the rectangle must stay as
// they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "fill/gray_conversion.h"
#include "fill/fill_job.h"
#include "fill/tile_fill.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/texture_source.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Scenario {
  int textureWidth;
  int textureHeight;
  std::int16_t imageMode;  // 1 gray, 3 RGB, 10 and 11 their 16-bit forms
  int planes;              // samples per document pixel, at least the texel's
  bool opaque;             // an editable layer: the plane after the colour is written opaque
  int replication;         // 1, 2 or 4
  int docWidth;
  int docHeight;
  int rowBytes;  // document row stride, at least docWidth * planes * sample bytes
  host::Rect16 filter;
  int phaseTexel;  // first texel of every output row
  int firstRow;    // texture row of the first band
};

int texelBytesOf(const Scenario& s) { return s.imageMode == 1 || s.imageMode == 10 ? 1 : 3; }
int sampleBytesOf(const Scenario& s) { return s.imageMode >= 10 ? 2 : 1; }
int pixelBytesOf(const Scenario& s) { return s.planes * sampleBytesOf(s); }

std::string describe(const Scenario& s) {
  return std::string(s.opaque ? "layer " : "") + "texture " + std::to_string(s.textureWidth) + "x" + std::to_string(s.textureHeight) + " mode " +
         std::to_string(s.imageMode) + " planes " + std::to_string(s.planes) + " r " +
         std::to_string(s.replication) + " rect (" + std::to_string(s.filter.top) + "," +
         std::to_string(s.filter.left) + ")-(" + std::to_string(s.filter.bottom) + "," +
         std::to_string(s.filter.right) + ") stride " + std::to_string(s.rowBytes) + " phase " +
         std::to_string(s.phaseTexel) + " row " + std::to_string(s.firstRow);
}

// Texture rows as the pre-scaled block holds them: RGB, 3 bytes a texel.
Bytes randomTexture(const Scenario& s, std::mt19937& random) {
  Bytes texture(static_cast<std::size_t>(s.textureWidth) * s.textureHeight * 3);
  for (auto& byte : texture) byte = static_cast<std::uint8_t>(random());
  return texture;
}

// The fill written out pixel by pixel: band k reads texture row
// (firstRow + k) mod height; output column c of every row shows texel
// (phase + c / r) mod width; a gray document gets the weighted sum.
void putSample(std::uint8_t* out, int sampleBytes, unsigned value8) {
  if (sampleBytes == 1) {
    out[0] = static_cast<std::uint8_t>(value8);
    return;
  }
  const unsigned value = (value8 * 32768 + 127) / 255;
  out[0] = static_cast<std::uint8_t>(value & 0xFF);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

Bytes referenceFill(const Scenario& s, const Bytes& texture, const Bytes& before) {
  Bytes document = before;
  const int texelBytes = texelBytesOf(s);
  const int sampleBytes = sampleBytesOf(s);
  const int r = s.replication;
  for (int y = s.filter.top; y < s.filter.bottom; ++y) {
    const int band = (y - s.filter.top) / r;
    const int textureRow = (s.firstRow + band) % s.textureHeight;
    for (int c = 0; c < s.filter.right - s.filter.left; ++c) {
      const int texel = (s.phaseTexel + c / r) % s.textureWidth;
      const std::uint8_t* rgb = texture.data() + (static_cast<std::size_t>(textureRow) * s.textureWidth + texel) * 3;
      std::uint8_t* out = document.data() + static_cast<std::size_t>(y) * s.rowBytes +
                          static_cast<std::size_t>(s.filter.left + c) * pixelBytesOf(s);
      if (texelBytes == 1) {
        putSample(out, sampleBytes, (306u * rgb[0] + 601u * rgb[1] + 117u * rgb[2]) >> 10);
      } else {
        for (int k = 0; k < 3; ++k) putSample(out + k * sampleBytes, sampleBytes, rgb[k]);
      }
      // 255 is the 8-bit form of the 16-bit 32768.
      if (s.opaque) putSample(out + texelBytes * sampleBytes, sampleBytes, 255);
    }
  }
  return document;
}

// Drives fillNextBand the way the host does, handing over each band's
// corner of the document; answers the number of Continue calls.
int engineFill(const Scenario& s, Bytes& texture, Bytes& document) {
  const int texelBytes = texelBytesOf(s);
  fill::FillJob job{};
  job.mode = &fill::kTileFill;
  texture::TextureSource& source = job.source;
  Bytes rowBuffer(static_cast<std::size_t>(s.textureWidth) * 3);
  source.kind = texture::kindPrescaled;
  source.width = source.scaledWidth = s.textureWidth;
  source.height = source.scaledHeight = s.textureHeight;
  source.bufferRowBytes = 3 * s.textureWidth;
  source.rowBytes = static_cast<std::int32_t>(rowBuffer.size());
  source.rowBuffer = rowBuffer.data();
  source.prescaled = texture.data();
  source.phaseOffset = s.phaseTexel * texelBytes;
  source.nextRow = s.firstRow;
  source.upscale = s.replication > 1 ? 1 : 0;
  source.replication = s.replication;

  fill::HostView view{};
  view.filterRect = s.filter;
  view.planes = static_cast<std::int16_t>(s.planes);
  view.imageMode = s.imageMode;
  view.outRowBytes = s.rowBytes;
  if (s.opaque) {
    view.filterCase = 4;
    view.inLayerPlanes = view.outLayerPlanes = static_cast<std::int16_t>(texelBytes);
    view.inTransparencyMask = view.outTransparencyMask = 1;
  }
  view.inRect = s.filter;
  view.inRect.bottom = static_cast<std::int16_t>(std::min<int>(s.filter.top + s.replication, s.filter.bottom));
  view.outRect = view.inRect;

  int calls = 0;
  while (!(view.outRect.top == 0 && view.outRect.left == 0 && view.outRect.bottom == 0 && view.outRect.right == 0)) {
    view.outData = document.data() + static_cast<std::size_t>(view.outRect.top) * s.rowBytes +
                   static_cast<std::size_t>(view.outRect.left) * pixelBytesOf(s);
    std::int16_t result = 0;
    fill::fillNextBand(&job, view, &result);
    if (result != 0 || ++calls > s.docHeight) return -1;
  }
  return calls;
}

Scenario randomScenario(std::mt19937& random) {
  auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  Scenario s{};
  // Mostly narrow textures, so that rows wrap many times; sometimes one wider
  // than the rectangle, so that rows never wrap.
  s.textureWidth = pick(0, 4) == 0 ? pick(60, 300) : pick(1, 40);
  s.textureHeight = pick(1, 9);
  const std::int16_t modes[] = {1, 3, 10, 11};
  s.imageMode = modes[pick(0, 3)];
  const int texelBytes = texelBytesOf(s);
  s.opaque = pick(0, 3) == 0;
  s.planes = texelBytes + (s.opaque || pick(0, 3) == 0 ? 1 : 0);
  const int replications[] = {1, 2, 4};
  s.replication = replications[pick(0, 2)];
  s.docWidth = pick(1, 220);
  s.docHeight = pick(1, 24);
  s.rowBytes = s.docWidth * pixelBytesOf(s) + pick(0, 2) * pick(0, 17);
  const int left = pick(0, s.docWidth - 1);
  const int top = pick(0, s.docHeight - 1);
  s.filter = host::Rect16{static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                          static_cast<std::int16_t>(pick(top + 1, s.docHeight)),
                          static_cast<std::int16_t>(pick(left + 1, s.docWidth))};
  s.phaseTexel = pick(0, s.textureWidth - 1);
  s.firstRow = pick(0, s.textureHeight - 1);
  return s;
}

TEST(FillReference, RunCopiesMatchAPerPixelFillOnRandomBands) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 3000; ++round) {
    const Scenario s = randomScenario(random);
    Bytes texture = randomTexture(s, random);
    Bytes before(static_cast<std::size_t>(s.rowBytes) * s.docHeight);
    for (auto& byte : before) byte = static_cast<std::uint8_t>(random());
    const Bytes expected = referenceFill(s, texture, before);
    Bytes document = before;
    const int calls = engineFill(s, texture, document);
    const int height = s.filter.bottom - s.filter.top;
    ASSERT_EQ(calls, (height + s.replication - 1) / s.replication) << describe(s);
    ASSERT_EQ(document, expected) << describe(s);
  }
}

// Whole-texel phases cover what Start computes. A host that switches a gray
// document to RGB between Start and Continue leaves a phase that is not a
// whole RGB texel: the fill must still stay inside the row it reads.
TEST(FillReference, PhaseThatIsNoWholeTexelStaysInsideTheRow) {
  for (const int replication : {1, 2, 4}) {
    Scenario s{};
    s.textureWidth = 5;
    s.textureHeight = 2;
    s.imageMode = 3;
    s.planes = 4;
    s.replication = replication;
    s.docWidth = 23;
    s.docHeight = 4;
    s.rowBytes = s.docWidth * s.planes;
    s.filter = host::Rect16{0, 0, 4, 23};
    Bytes texture(static_cast<std::size_t>(s.textureWidth) * s.textureHeight * 3, 0x40);
    Bytes document(static_cast<std::size_t>(s.rowBytes) * s.docHeight, 0);
    fill::FillJob job{};
    job.mode = &fill::kTileFill;
    texture::TextureSource& source = job.source;
    Bytes rowBuffer(texture.size() / 2);
    source.kind = texture::kindPrescaled;
    source.width = source.scaledWidth = s.textureWidth;
    source.height = source.scaledHeight = s.textureHeight;
    source.bufferRowBytes = 3 * s.textureWidth;
    source.rowBytes = static_cast<std::int32_t>(rowBuffer.size());
    source.rowBuffer = rowBuffer.data();
    source.prescaled = texture.data();
    source.phaseOffset = 13;  // texel 13 of a gray row: byte 1 of RGB texel 4
    source.upscale = replication > 1 ? 1 : 0;
    source.replication = replication;
    fill::HostView view{};
    view.filterRect = s.filter;
    view.planes = 4;
    view.imageMode = 3;
    view.outRowBytes = s.rowBytes;
    view.inRect = s.filter;
    view.inRect.bottom = static_cast<std::int16_t>(replication);
    view.outRect = view.inRect;
    view.outData = document.data();
    std::int16_t result = 0;
    fill::fillNextBand(&job, view, &result);
    EXPECT_EQ(result, 0);
    // Every pixel received a texel of the row (all 0x40) and kept its fourth byte.
    for (int y = 0; y < replication; ++y) {
      for (int x = 0; x < 23; ++x) {
        const std::uint8_t* p = document.data() + y * s.rowBytes + x * 4;
        ASSERT_EQ(p[0], 0x40) << x;
        ASSERT_EQ(p[2], 0x40) << x;
        ASSERT_EQ(p[3], 0) << x;
      }
    }
  }
}

// The fill allocates nothing per band, whatever feeds the rows: a file read
// at its own size, a reduction on the fly and a pre-scaled block, into RGB and
// gray documents. The one exception is the texture row source's scratch row
// for one-sample TIFFs read at their own size (also when replicated), which
// comes and goes with each row read.
class FillAllocations : public ::testing::Test {
 protected:
  void SetUp() override {
    host::attachModule(reinterpret_cast<void*>(1));
    platform::clearRecordedMessages();
    fixtures::TiffSpec high;
    high.path = dir_.file("high.tif");
    high.width = 512;
    high.height = 512;
    highRes_ = fixtures::writeTiff(high);
    fixtures::TiffSpec low;
    low.path = dir_.file("low.tif");
    low.width = 128;
    low.height = 128;
    low.samplesPerPixel = 1;
    low.photometric = 1;
    lowRes_ = fixtures::writeTiff(low);
  }
  void TearDown() override {
    host::detachModule();
    chooser::provideChoice({});
  }

  // Allocations made during the Continue calls of one whole fill, per band.
  double allocationsPerBand(const std::string& path, int sizeChoice, std::int16_t mode) {
    chooser::provideChoice({.status = 1, .fileName = path, .options = {.sizeChoice = sizeChoice, .tileOrigin = 1}});
    simhost::SimulatedHost host(700, 300, mode);
    EXPECT_EQ(host.start(), 0);
    const long before = platform::test::allocationsMade();
    int calls = 0;
    while (host.record().outRect.bottom != 0 && calls < 400) {
      EXPECT_EQ(host.continueOnce(), 0);
      ++calls;
    }
    const long made = platform::test::allocationsMade() - before;
    EXPECT_EQ(host.finish(), 0);
    return calls > 0 ? static_cast<double>(made) / calls : -1;
  }

  fixtures::TempDir dir_;
  std::string highRes_;
  std::string lowRes_;
};

TEST_F(FillAllocations, NoneDuringTheBands) {
  for (const std::int16_t mode : {std::int16_t{3}, std::int16_t{1}}) {
    for (const int size : {0, 2, 3, 4}) EXPECT_EQ(allocationsPerBand(highRes_, size, mode), 0) << size << " " << mode;
    for (const int size : {0, 1, 2, 4}) EXPECT_EQ(allocationsPerBand(lowRes_, size, mode), 0) << size << " " << mode;
  }
  EXPECT_TRUE(platform::recordedMessages().empty());
}

}  // namespace

namespace {

// Every RGB triple, at every offset of the vector blocks and in place, gives
// the weighted sum shifted right by 10 bits.
TEST(GrayFromRgb, EveryTripleGivesTheWeightedSum) {
  constexpr int kTexels = 1 << 16;
  std::vector<std::uint8_t> rgb(kTexels * 3);
  std::vector<std::uint8_t> gray(kTexels);
  for (int red = 0; red < 256; ++red) {
    for (int i = 0; i < kTexels; ++i) {
      rgb[3 * i] = static_cast<std::uint8_t>(red);
      rgb[3 * i + 1] = static_cast<std::uint8_t>(i >> 8);
      rgb[3 * i + 2] = static_cast<std::uint8_t>(i);
    }
    fill::grayFromRgb(rgb.data(), gray.data(), kTexels);
    for (int i = 0; i < kTexels; ++i) {
      const unsigned expected = (306u * red + 601u * (i >> 8) + 117u * (i & 0xFF)) >> 10;
      ASSERT_EQ(gray[i], expected) << red << " " << (i >> 8) << " " << (i & 0xFF);
    }
  }
}

TEST(GrayFromRgb, InPlaceAndEveryLengthAndOffset) {
  std::mt19937 random(99);
  for (int count = 0; count < 70; ++count) {
    for (int offset = 0; offset < 3; ++offset) {
      std::vector<std::uint8_t> buffer(static_cast<std::size_t>(3 * count + offset + 5));
      for (auto& byte : buffer) byte = static_cast<std::uint8_t>(random());
      std::vector<std::uint8_t> expected = buffer;
      for (int i = 0; i < count; ++i) {
        const std::uint8_t* p = buffer.data() + offset + 3 * i;
        expected[offset + i] = static_cast<std::uint8_t>((306u * p[0] + 601u * p[1] + 117u * p[2]) >> 10);
      }
      fill::grayFromRgb(buffer.data() + offset, buffer.data() + offset, count);
      ASSERT_EQ(buffer, expected) << count << " " << offset;
    }
  }
}

}  // namespace
