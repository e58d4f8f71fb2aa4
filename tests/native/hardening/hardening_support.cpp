#include "tests/native/hardening/hardening_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "host/filter_record.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "texture/texture_source.h"

namespace hardening {

namespace {

TextureCase tiffCase(const fixtures::TempDir& dir, const std::string& name, fixtures::TiffSpec layout) {
  layout.path = dir.file(name);
  return {name, fixtures::writeTiff(layout)};
}

// Decoded whole at open: small, so that walking every allocation and read
// stays quick, and odd-sized, so that no row lands on a boundary by luck.
TextureCase convertedCase(const fixtures::TempDir& dir, const std::string& name, const std::string& options,
                          bool sixteenBit = false, int side = 0) {
  const std::string ppm =
      fixtures::writePpm(dir.file(name + ".ppm"), side > 0 ? side : 13, side > 0 ? side : 9, sixteenBit);
  const std::string path = dir.file(name);
  EXPECT_TRUE(fixtures::imageMagickConvert("'" + ppm + "' " + options + "'" + path + "'")) << name;
  return {name, path};
}

}  // namespace

std::vector<TextureCase> everyTextureKind(const fixtures::TempDir& dir) {
  std::vector<TextureCase> cases;
  cases.push_back(tiffCase(dir, "rgb.tif", {.width = 19, .height = 13}));
  cases.push_back(tiffCase(dir, "gray-lzw.tif", {.width = 17, .height = 11, .samplesPerPixel = 1,
                                                 .photometric = 1, .compression = 5, .rowsPerStrip = 4}));
  cases.push_back(tiffCase(dir, "white.tif", {.width = 9, .height = 7, .samplesPerPixel = 1, .photometric = 0}));
  cases.push_back(tiffCase(dir, "palette.tif", {.width = 11, .height = 9, .samplesPerPixel = 1, .photometric = 3}));
  cases.push_back(tiffCase(dir, "rgba.tif", {.width = 7, .height = 5, .samplesPerPixel = 4}));
  cases.push_back({"bgr.bmp", fixtures::writeBmp({.path = dir.file("bgr.bmp"), .width = 13, .height = 7})});
  cases.push_back({"indexed.bmp", fixtures::writeBmp({.path = dir.file("indexed.bmp"), .width = 9,
                                                      .height = 6, .bitCount = 8, .clrUsed = 16})});
  cases.push_back(convertedCase(dir, "rgb.png", "PNG24:"));
  cases.push_back(convertedCase(dir, "palette.png", "-colors 16 PNG8:"));
  cases.push_back(convertedCase(dir, "deep-interlaced.png", "-depth 16 -interlace PNG PNG48:", true));
  cases.push_back(convertedCase(dir, "gray.jpg", "-colorspace Gray JPEG:"));
  cases.push_back(convertedCase(dir, "progressive.jpg", "-interlace JPEG JPEG:"));
  // Square: its size is looked at again when the fill is scaled.
  TextureCase square = convertedCase(dir, "square.png", "PNG24:", false, 64);
  square.name += " at 128X128";
  square.sizeChoice = 3;
  cases.push_back(square);
  TextureCase gray = cases[1];
  gray.name = "gray-lzw.tif in a grayscale document";
  gray.imageMode = 1;
  cases.push_back(gray);

  const TextureCase high = tiffCase(dir, "marble.tif", {.width = 512, .height = 512, .compression = 8,
                                                        .rowsPerStrip = 16});
  const TextureCase low = tiffCase(dir, "fabric.tif", {.width = 128, .height = 128, .samplesPerPixel = 1,
                                                       .photometric = 1});
  for (int size = 0; size <= 4; ++size) {
    for (TextureCase library : {high, low}) {
      library.name += " at size " + std::to_string(size);
      library.sizeChoice = size;
      library.bottom = library.top + 130;  // taller than 128 rows: pre-scaled at 128X128 and 64X64
      library.right = library.left + 9;
      cases.push_back(library);
    }
  }
  return cases;
}

std::vector<TextureCase> platformReadCases(const std::vector<TextureCase>& all) {
  std::vector<TextureCase> chosen;
  for (const TextureCase& c : all) {
    const std::string tail = c.path.substr(c.path.size() - 4);
    if (tail == ".bmp" || tail == ".png" || tail == ".jpg") chosen.push_back(c);
  }
  return chosen;
}

namespace {

// Every byte of the record but the band fields the plug-in writes.
bool onlyBandFieldsChanged(const host::FilterRecord& before, host::FilterRecord after) {
  after.inRect = before.inRect;
  after.outRect = before.outRect;
  after.inLoPlane = before.inLoPlane;
  after.inHiPlane = before.inHiPlane;
  after.outLoPlane = before.outLoPlane;
  after.outHiPlane = before.outHiPlane;
  // The host itself sets these before each Continue.
  after.outData = before.outData;
  after.outRowBytes = before.outRowBytes;
  return std::memcmp(&before, &after, sizeof after) == 0;
}

}  // namespace

bool textureSourceIsEmpty() {
  static const texture::TextureSource zero{};
  return std::memcmp(&host::currentFillJob().source, &zero, sizeof zero) == 0;
}

RunOutcome runCase(const TextureCase& texture) {
  chooser::provideChoice({.status = 1, .fileName = texture.path, .options = {.sizeChoice = texture.sizeChoice, .tileOrigin = 1}});
  simhost::SimulatedHost host(texture.right + 4, texture.bottom + 2, texture.imageMode);
  host.setFilterRect(texture.top, texture.left, texture.bottom, texture.right);
  platform::clearRecordedMessages();

  RunOutcome outcome;
  const host::FilterRecord given = host.record();
  outcome.startResult = host.start();
  EXPECT_TRUE(onlyBandFieldsChanged(given, host.record())) << texture.name << ": Start changed a host field";
  const texture::TextureSource& source = host::currentFillJob().source;
  outcome.startReleasedEverything = textureSourceIsEmpty();
  outcome.resamplerAfterStart = source.resampler != nullptr;
  outcome.prescaledAfterStart = source.prescaled != nullptr;
  outcome.rowBufferAfterStart = source.rowBuffer != nullptr;
  if (outcome.startResult == 0) {
    host.continueBands(10000);
    outcome.continueResults = host.log().continueResults;
  }
  for (const auto& message : platform::recordedMessages()) outcome.messages.push_back(message.text);
  EXPECT_TRUE(onlyBandFieldsChanged(given, host.record())) << texture.name << ": Continue changed a host field";
  outcome.finishResult = host.finish();

  // A host that goes on after Finish: nothing to fill, nothing written.
  const std::vector<std::uint8_t> before = host.document().bytes;
  host.record().outRect = {static_cast<std::int16_t>(texture.top), static_cast<std::int16_t>(texture.left),
                           static_cast<std::int16_t>(texture.top + 1), static_cast<std::int16_t>(texture.right)};
  EXPECT_EQ(host.continueOnce(), -30100) << texture.name;
  EXPECT_EQ(host.finish(), 0) << texture.name;
  EXPECT_EQ(host.document().bytes, before) << texture.name << ": a Continue after Finish wrote";

  outcome.document = host.document().bytes;
  outcome.bytesChangedOutsideRect = host.bytesChangedOutsideRect();
  chooser::provideChoice({});
  return outcome;
}

}  // namespace hardening
