#include "tests/bench/bench_textures.h"

#include <chrono>
#include <ctime>
#include <memory>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "host/filter_record.h"
#include "tests/native/support/texture_fixtures.h"

namespace bench {

const Textures& textures() {
  static const std::unique_ptr<fixtures::TempDir> directory = std::make_unique<fixtures::TempDir>();
  static const Textures written = [] {
    host::attachModule(reinterpret_cast<void*>(1));
    Textures t;
    fixtures::TiffSpec high;
    high.path = directory->file("highres.tif");
    high.width = 512;
    high.height = 512;
    high.samplesPerPixel = 3;
    high.photometric = 2;
    t.highRes = fixtures::writeTiff(high);
    fixtures::TiffSpec low;
    low.path = directory->file("lowres.tif");
    low.width = 128;
    low.height = 128;
    low.samplesPerPixel = 1;
    low.photometric = 1;
    t.lowRes = fixtures::writeTiff(low);
    const std::string ppm = fixtures::writePpm(directory->file("png.ppm"), 2048, 2048);
    t.png = directory->file("texture.png");
    if (!fixtures::imageMagickConvert("'" + ppm + "' PNG24:'" + t.png + "'")) t.png.clear();
    return t;
  }();
  return written;
}

std::vector<FillCase> fillCases() {
  static const char* const kSizeNames[] = {"actual", "512", "256", "128", "64"};
  std::vector<FillCase> cases;
  for (const bool low : {false, true}) {
    for (std::int32_t size = 0; size <= 4; ++size) {
      cases.push_back({std::string("rgb/") + (low ? "128/" : "512/") + kSizeNames[size], low, size, 3});
    }
  }
  // The goal cases again into gray documents.
  cases.push_back({"gray/512/actual", false, 0, 1});
  cases.push_back({"gray/512/128", false, 3, 1});
  cases.push_back({"gray/512/256", false, 2, 1});
  cases.push_back({"gray/128/512", true, 1, 1});
  // And into 16-bit documents.
  for (const auto& [mode, imageMode] : {std::pair{"rgb16", 11}, std::pair{"gray16", 10}}) {
    cases.push_back({std::string(mode) + "/512/actual", false, 0, static_cast<std::int16_t>(imageMode)});
    cases.push_back({std::string(mode) + "/512/128", false, 3, static_cast<std::int16_t>(imageMode)});
    cases.push_back({std::string(mode) + "/128/512", true, 1, static_cast<std::int16_t>(imageMode)});
  }
  // A PNG texture of today's common size: decoded whole at Start, then
  // served as the TIFF rows are.
  cases.push_back({"rgb/png2048/actual", false, 0, 3, true});
  cases.push_back({"rgb/png2048/512", false, 1, 3, true});
  // Preferences' options through the whole engine: mirrored copies at 100 %,
  // and the transformed fill of the goal (73 %, 30 degrees) on every core.
  fill::FillOptions mirrored;
  mirrored.repeat = fill::repeatMirror;
  cases.push_back({"rgb/512/mirror", false, 0, 3, false, mirrored});
  fill::FillOptions turned;
  turned.scalePercent = 73;
  turned.angleDegrees = 30;
  cases.push_back({"rgb/512/turned", false, 0, 3, false, turned});
  // The quilted fill at the same scale and angle: the cubic of its plane,
  // held to 1.5 times the transformed fill.
  fill::FillOptions quiltedTurned = turned;
  quiltedTurned.repeat = fill::repeatShapes;
  cases.push_back({"rgb/512/shapes-turned", false, 0, 3, false, quiltedTurned});
  // The quilted fill without repetition at 100 %: Start builds the tile set,
  // the bands copy runs; its goal is against rgb/512/actual.
  fill::FillOptions quilted;
  quilted.repeat = fill::repeatShapes;
  cases.push_back({"rgb/512/shapes", false, 0, 3, false, quilted});
  cases.push_back({"rgb16/512/shapes", false, 0, 11, false, quilted});
  return cases;
}

const std::string& texturePath(const FillCase& fillCase) {
  if (fillCase.png) return textures().png;
  return fillCase.lowRes ? textures().lowRes : textures().highRes;
}

FillTiming runFill(simhost::SimulatedHost& host, const FillCase& fillCase) {
  using Clock = std::chrono::steady_clock;
  const auto seconds = [](Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
  };
  fill::FillOptions options = fillCase.options;
  options.sizeChoice = fillCase.sizeChoice;
  chooser::provideChoice({.status = 1, .fileName = texturePath(fillCase), .options = options});
  FillTiming timing;
  const auto started = Clock::now();
  host.call(host::filterSelectorParameters);
  host.call(host::filterSelectorPrepare);
  const std::int16_t startResult = host.start();
  const auto continuing = Clock::now();
  const std::clock_t processorContinuing = std::clock();
  bool failed = startResult != 0;
  if (!failed) {
    host.continueBands();
    failed = host.log().result() != 0;
    timing.continues = host.log().continueCalls;
  }
  const auto finishing = Clock::now();
  timing.continueProcessorSeconds = static_cast<double>(std::clock() - processorContinuing) / CLOCKS_PER_SEC;
  failed = host.finish() != 0 || failed;
  const auto finished = Clock::now();
  timing.ok = !failed;
  timing.startSeconds = seconds(started, continuing);
  timing.continueSeconds = seconds(continuing, finishing);
  timing.finishSeconds = seconds(finishing, finished);
  return timing;
}

}  // namespace bench
