// Habits of real hosts that the plain selector order does not show, each
// imitated here: runs never finished (after an abort, or never at all), an
// extra transparency plane, too few planes, Parameters skipped, Prepare twice,
// no owner window, and a band loop that runs until the whole rectangle is
// zero.
//
// Whether a texture is still held is seen through the file itself: the
// plug-in keeps it open without delete sharing, so DeleteFile fails exactly
// while it is held.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/filter_record.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/wintest/bmp_file.h"
#include "tools/wintest/check_report.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/hostdriver/dialog_driver.h"
#include "tools/wintest/plugin_under_test.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;
namespace {

using hostdriver::HostDriver;
using hostdriver::LoopEnd;

constexpr std::uint8_t kBackground = 0xEE;

// What the Open Texture dialog answers on the next Start: this texture at its
// own size, tiled from the document's corner.
void chooseTexture(const std::string& path) {
  const std::string value = "1|" + path + "|0|1";
  answerChooser(value);
}
void forgetChoice() { answerChooser(std::string()); }

// A 3 by 2 texture: odd width, so a wrong pixel step shows in the phase.
constexpr std::uint8_t kTexels[2][3][3] = {{{10, 20, 30}, {40, 50, 60}, {70, 80, 90}},
                                           {{200, 110, 120}, {130, 140, 150}, {160, 170, 180}}};

bool writeTexture(const std::string& path) { return writeFileBytes(path, bmpFile(3, 2, &kTexels[0][0][0])); }

// Deletes the file; false while the plug-in still holds it open.
bool released(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

struct Document {
  int width;
  int height;
  int planes;  // bytes per pixel in the host's buffer
  int imageMode;
  std::vector<std::uint8_t> bytes;
};

Document makeDocument(int width, int height, int planes, int imageMode) {
  return {width, height, planes, imageMode,
          std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * planes, kBackground)};
}

// A run's host side over the document; `withPlatformData` false: the host
// gives no platform data at all.
struct Run : HostDriver {
  Run(const PluginUnderTest& plugin, Document* document, bool withPlatformData = true)
      : HostDriver(plugin.entry,
                   hostdriver::packedView(document->bytes.data(), document->width, document->height, document->planes),
                   static_cast<std::int16_t>(document->imageMode)) {
    if (!withPlatformData) record().platformData = nullptr;
  }
};

// The document as a correct fill leaves it: the requested planes of each
// pixel from texel (x mod 3, y mod 2), any further byte as it was.
std::vector<std::uint8_t> expectedPixels(const Document& document) {
  std::vector<std::uint8_t> want = document.bytes;
  std::fill(want.begin(), want.end(), kBackground);
  for (int y = 0; y < document.height; ++y) {
    for (int x = 0; x < document.width; ++x) {
      const std::uint8_t* t = kTexels[y % 2][x % 3];
      std::uint8_t* p = &want[(static_cast<std::size_t>(y) * document.width + x) * document.planes];
      if (document.imageMode == 1) {
        p[0] = static_cast<std::uint8_t>((306 * t[0] + 601 * t[1] + 117 * t[2]) >> 10);
      } else {
        std::memcpy(p, t, 3);
      }
    }
  }
  return want;
}

std::string pixelsText(const Document& document) {
  const std::vector<std::uint8_t> want = expectedPixels(document);
  if (document.bytes == want) return "";
  return " pixels " + hexBytes(document.bytes.data(), document.bytes.size()) + ", want " +
         hexBytes(want.data(), want.size());
}

std::string boxesText() {
  const std::vector<SeenDialog> seen = takeMessageBoxes();
  return seen.empty() ? "" : " unexpected boxes: " + std::to_string(seen.size()) + describeDialogs(seen);
}

// Start and every band, at most `limit` Continue calls (-1: as many as the
// document has rows, and two more); no Finish. A host that stops early does
// not mind a run that is not over.
std::string fill(Run& run, LoopEnd end = LoopEnd::emptyRect, int limit = -1, bool stopsEarly = false) {
  hostdriver::RunPlan plan;
  plan.beforeStart = {};
  plan.end = end;
  plan.continueLimit = limit;
  plan.limitIsError = !stopsEarly;
  plan.finish = false;
  const hostdriver::RunLog& log = run.run(plan);
  if (log.startResult != 0) return resultText("Start", log.startResult, 0);
  if (!log.hostError.empty()) return " " + log.hostError;
  return resultText("Continue", log.result(), 0);
}

bool isZero(const host::Rect16& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

std::string scratchPath(const PluginUnderTest& plugin, const char* name) { return plugin.scratchDirectory + name; }

// A host that stops calling Finish after its first run: the next Start lets
// the earlier texture go before it starts over.
std::string checkNeverFinished(const PluginUnderTest& plugin) {
  const std::string first = scratchPath(plugin, "unfinished-first.bmp");
  const std::string second = scratchPath(plugin, "unfinished-second.bmp");
  if (!writeTexture(first) || !writeTexture(second)) return "cannot write the textures";
  std::string failure;
  Document document = makeDocument(7, 5, 3, 3);
  Run firstRun(plugin, &document);
  chooseTexture(first);
  failure += fill(firstRun);
  if (released(first)) failure += " the first texture was not held during its run (nothing to observe)";

  Document again = makeDocument(7, 5, 3, 3);
  Run secondRun(plugin, &again);
  chooseTexture(second);
  failure += fill(secondRun);
  failure += pixelsText(again);
  if (!released(first)) failure += " the second Start kept the first texture open";
  failure += resultText("Finish", secondRun.call(host::filterSelectorFinish), 0);
  if (!released(second)) failure += " Finish kept the texture open";
  forgetChoice();
  return failure + boxesText();
}

// A host that treats an abort as the end of the run and never finishes it.
std::string checkAbortedNotFinished(const PluginUnderTest& plugin) {
  const std::string first = scratchPath(plugin, "aborted.bmp");
  const std::string second = scratchPath(plugin, "after-abort.bmp");
  if (!writeTexture(first) || !writeTexture(second)) return "cannot write the textures";
  std::string failure;
  Document document = makeDocument(6, 4, 3, 3);
  Run aborted(plugin, &document);
  chooseTexture(first);
  failure += resultText("Start", aborted.start(), 0);
  aborted.abortAnswer = [](const HostDriver&) { return true; };
  failure += resultText("aborted Continue", aborted.call(host::filterSelectorContinue), 1);
  aborted.abortAnswer = nullptr;
  if (released(first)) failure += " the texture was not held after the abort (nothing to observe)";

  Document again = makeDocument(6, 4, 3, 3);
  Run next(plugin, &again);
  chooseTexture(second);
  failure += fill(next);
  failure += pixelsText(again);
  if (!released(first)) failure += " Start kept the aborted run's texture open";
  next.call(host::filterSelectorFinish);
  released(second);
  forgetChoice();
  return failure + boxesText();
}

// A host that unloads the plug-in in the middle of a run: the process detach
// lets the texture go. A copy of the DLL under another name is a module of
// its own, so the plug-in under test stays loaded.
std::string checkDetachReleases(const PluginUnderTest& plugin) {
  const std::string copy = scratchPath(plugin, "detach-copy.8bf");
  const std::string texture = scratchPath(plugin, "detach.bmp");
  if (!CopyFileA(plugin.path.c_str(), copy.c_str(), FALSE)) return "cannot copy the plug-in";
  if (!writeTexture(texture)) return "cannot write the texture";
  std::string failure;
  HMODULE module = LoadLibraryA(copy.c_str());
  auto entry = reinterpret_cast<EntryPoint>(
      module != nullptr ? reinterpret_cast<void*>(GetProcAddress(module, "ENTRYPOINT1")) : nullptr);
  if (entry == nullptr) {
    failure = "cannot load the copy";
  } else {
    PluginUnderTest loaded = plugin;
    loaded.module = module;
    loaded.entry = entry;
    Document document = makeDocument(5, 4, 3, 3);
    Run run(loaded, &document);
    chooseTexture(texture);
    failure += fill(run, LoopEnd::emptyRect, 1, true);
    if (released(texture)) failure += " the texture was not held during the run (nothing to observe)";
  }
  if (module != nullptr && !FreeLibrary(module)) failure += " FreeLibrary failed";
  if (!released(texture)) failure += " the texture stayed open after the unload";
  DeleteFileA(copy.c_str());
  forgetChoice();
  return failure + boxesText();
}

// RGB with transparency: the host asks for planes 0 to 2 but hands over four
// bytes a pixel; grayscale with transparency, two.
std::string checkExtraPlane(const PluginUnderTest& plugin, int imageMode, int planes) {
  const std::string texture = scratchPath(plugin, "extra-plane.bmp");
  if (!writeTexture(texture)) return "cannot write the texture";
  Document document = makeDocument(7, 3, planes, imageMode);
  Run run(plugin, &document);
  chooseTexture(texture);
  std::string failure = fill(run);
  failure += pixelsText(document);
  const std::int16_t hiPlane = imageMode == 1 ? 0 : 2;
  if (run.record().outLoPlane != 0 || run.record().outHiPlane != hiPlane) failure += " planes requested wrongly";
  failure += resultText("Finish", run.call(host::filterSelectorFinish), 0);
  released(texture);
  forgetChoice();
  return failure + boxesText();
}

// Fewer bytes a pixel than the planes requested: refused before any band.
std::string checkTooFewPlanes(const PluginUnderTest& plugin, int imageMode, int planes) {
  const std::string texture = scratchPath(plugin, "few-planes.bmp");
  if (!writeTexture(texture)) return "cannot write the texture";
  Document document = makeDocument(4, 3, 3, imageMode);
  document.planes = planes;
  const std::vector<std::uint8_t> before = document.bytes;
  Run run(plugin, &document);
  chooseTexture(texture);
  std::string failure = resultText("Start", run.call(host::filterSelectorStart), fill::filterBadParameters);
  if (document.bytes != before) failure += " the document changed";
  failure += resultText("Finish", run.call(host::filterSelectorFinish), 0);
  if (!released(texture)) failure += " Finish kept the texture open";
  forgetChoice();
  return failure + boxesText();
}

// Parameters skipped, Prepare called twice, or everything the protocol
// allows before Start: the fill is the same.
std::string checkSelectorOrder(const PluginUnderTest& plugin, const std::vector<std::int16_t>& before) {
  const std::string texture = scratchPath(plugin, "order.bmp");
  if (!writeTexture(texture)) return "cannot write the texture";
  Document document = makeDocument(5, 3, 3, 3);
  Run run(plugin, &document);
  std::string failure;
  for (std::int16_t selector : before) {
    failure += resultText(selector == host::filterSelectorPrepare ? "Prepare" : "Parameters", run.call(selector), 0);
  }
  chooseTexture(texture);
  failure += fill(run);
  failure += pixelsText(document);
  failure += resultText("Finish", run.call(host::filterSelectorFinish), 0);
  released(texture);
  forgetChoice();
  return failure + boxesText();
}

// No owner window: the host's window handle is null, or it gives no
// platform data at all.
std::string checkNoWindow(const PluginUnderTest& plugin, bool withPlatformData) {
  const std::string texture = scratchPath(plugin, "no-window.bmp");
  if (!writeTexture(texture)) return "cannot write the texture";
  Document document = makeDocument(5, 2, 1, 1);
  Run run(plugin, &document, withPlatformData);
  chooseTexture(texture);
  std::string failure = fill(run);
  failure += pixelsText(document);
  failure += resultText("Finish", run.call(host::filterSelectorFinish), 0);
  released(texture);
  forgetChoice();
  failure += boxesText();

  const std::int16_t about = hostdriver::callAbout(plugin.entry, withPlatformData);
  takeSeenDialogs();  // an About box, if any, was dismissed with OK
  return failure + resultText("About", about, 0);
}

// A host that goes on calling Continue while any side of the band is
// non-zero: the run must end on an all-zero rectangle, in and out.
std::string checkZeroRectLoop(const PluginUnderTest& plugin) {
  const std::string texture = scratchPath(plugin, "zero-rect.bmp");
  if (!writeTexture(texture)) return "cannot write the texture";
  Document document = makeDocument(6, 5, 3, 3);
  Run run(plugin, &document);
  // A selection away from the corner: its empty end band would not be zero
  // if the plug-in only moved the band past the bottom.
  run.setFilterRect(1, 2, 5, 6);
  chooseTexture(texture);
  std::string failure = fill(run, LoopEnd::allSidesZero, 8);
  if (!isZero(run.record().inRect)) failure += " inRect is not all zeros";
  failure += resultText("Finish", run.call(host::filterSelectorFinish), 0);
  // Rows 1 to 4, columns 2 to 5 filled from the document's corner; the rest
  // untouched.
  Document want = makeDocument(6, 5, 3, 3);
  const std::vector<std::uint8_t> full = expectedPixels(want);
  for (int y = 1; y < 5; ++y) {
    std::memcpy(&want.bytes[(y * 6 + 2) * 3], &full[(y * 6 + 2) * 3], 4 * 3);
  }
  if (document.bytes != want.bytes) failure += " pixels " + hexBytes(document.bytes.data(), document.bytes.size());
  released(texture);
  forgetChoice();
  return failure + boxesText();
}

}  // namespace

void runHostHabitChecks(const PluginUnderTest& plugin) {
  takeSeenDialogs();
  using host::filterSelectorParameters;
  using host::filterSelectorPrepare;
  report("host habit: no Finish, the next Start releases the last texture", checkNeverFinished(plugin));
  report("host habit: no Finish after an abort, the next Start releases it", checkAbortedNotFinished(plugin));
  report("host habit: unloaded mid-run, the detach releases the texture", checkDetachReleases(plugin));
  report("host habit: RGB with planes 4 keeps the fourth byte", checkExtraPlane(plugin, 3, 4));
  report("host habit: grayscale with planes 2 keeps the second byte", checkExtraPlane(plugin, 1, 2));
  report("host habit: RGB with planes 2 gives -30100 and writes nothing", checkTooFewPlanes(plugin, 3, 2));
  report("host habit: RGB with planes 1 gives -30100 and writes nothing", checkTooFewPlanes(plugin, 3, 1));
  report("host habit: grayscale with planes 0 gives -30100 and writes nothing", checkTooFewPlanes(plugin, 1, 0));
  report("host habit: Start without Parameters or Prepare", checkSelectorOrder(plugin, {}));
  report("host habit: Prepare twice, no Parameters",
         checkSelectorOrder(plugin, {filterSelectorPrepare, filterSelectorPrepare}));
  report("host habit: Parameters, then Prepare twice",
         checkSelectorOrder(plugin, {filterSelectorParameters, filterSelectorPrepare, filterSelectorPrepare}));
  report("host habit: null window handle", checkNoWindow(plugin, true));
  report("host habit: no platform data", checkNoWindow(plugin, false));
  report("host habit: Continue until every side of the band is zero", checkZeroRectLoop(plugin));
}

}  // namespace wintest
