// The selector protocol through the real DLL: what each selector does to the
// host's record and result, and which message boxes Start shows.
#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
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

constexpr std::int16_t kUntouched = 0x5A5A;

void setChoice(const std::string& value) { answerChooser(value); }

// Expects exactly these message texts, each in a box with an empty caption.
std::string expectBoxes(const std::vector<std::string>& texts) {
  const std::vector<SeenDialog> seen = takeMessageBoxes();
  bool same = seen.size() == texts.size();
  for (std::size_t i = 0; same && i < seen.size(); ++i) {
    same = seen[i].caption.empty() && seen[i].text == texts[i];
  }
  return same ? "" : "message boxes: " + std::to_string(seen.size()) + " boxes" + describeDialogs(seen);
}

host::FilterRecord patternRecord() {
  host::FilterRecord record;
  std::memset(&record, 0xA5, sizeof record);
  return record;
}

// A selector that must leave the record and the data slot alone.
std::string checkRecordUnchanged(const PluginUnderTest& plugin, std::int16_t selector, std::int16_t want) {
  host::FilterRecord record = patternRecord();
  const host::FilterRecord before = record;
  std::intptr_t data = 0x13572468;
  std::int16_t result = kUntouched;
  plugin.entry(selector, &record, &data, &result);
  std::string failure = resultText("the selector", result, want);
  if (std::memcmp(&record, &before, sizeof record) != 0) failure += " record changed";
  if (data != 0x13572468) failure += " data slot changed";
  return failure + expectBoxes({});
}

std::string checkStart(const PluginUnderTest& plugin, const std::string& choice, std::int16_t want,
                       const std::vector<std::string>& boxes) {
  setChoice(choice);
  std::vector<std::uint8_t> pixels(8 * 4 * 3);
  hostdriver::HostDriver host(plugin.entry, hostdriver::packedView(pixels.data(), 8, 4, 3), 3);
  std::string failure = resultText("Start", host.start(), want);
  const auto& progress = host.log().progress;
  if (progress.empty() || progress[0] != std::make_pair(0, 1)) {
    failure += " progress 0 of 1 not reported first";
  }
  failure += expectBoxes(boxes);
  const std::int16_t finishResult = host.finish();
  failure += finishResult == 0 ? "" : " Finish gave " + std::to_string(finishResult);
  setChoice("");
  return failure;
}

// A 2 by 2 texture, written as a 24-bit BMP.
constexpr std::uint8_t kTexels[2][2][3] = {{{10, 20, 30}, {40, 50, 60}}, {{70, 80, 90}, {200, 110, 120}}};

std::vector<std::uint8_t> twoByTwoBmp(std::uint32_t compression) {
  return bmpFile(2, 2, &kTexels[0][0][0], compression);
}

// Tiled from the document's top-left corner, pixel (x, y) is texel
// (x mod 2, y mod 2); grayscale documents get (306 R + 601 G + 117 B) >> 10.
std::string checkFill(const PluginUnderTest& plugin, const std::string& bmpPath, int imageMode) {
  setChoice("1|" + bmpPath + "|0|1");
  const int planes = imageMode == 1 ? 1 : 3;
  std::vector<std::uint8_t> pixels(5 * 3 * planes, 0xEE);
  hostdriver::HostDriver host(plugin.entry, hostdriver::packedView(pixels.data(), 5, 3, planes),
                              static_cast<std::int16_t>(imageMode));
  hostdriver::RunPlan plan;
  plan.beforeStart = {};
  const hostdriver::RunLog& log = host.run(plan);
  setChoice("");
  std::string failure = resultText("the run", log.result(), 0) + log.hostError;
  std::vector<std::uint8_t> want;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* t = kTexels[y % 2][x % 2];
      if (planes == 1) {
        want.push_back(static_cast<std::uint8_t>((306 * t[0] + 601 * t[1] + 117 * t[2]) >> 10));
      } else {
        want.insert(want.end(), t, t + 3);
      }
    }
  }
  if (pixels != want) {
    failure += " pixels " + hexBytes(pixels.data(), pixels.size()) + ", want " +
               hexBytes(want.data(), want.size());
  }
  return failure + expectBoxes({});
}

std::string checkAbout(const PluginUnderTest& plugin) {
  const std::int16_t result = hostdriver::callAbout(plugin.entry);
  takeSeenDialogs();  // an About box, if any, was dismissed with OK
  return resultText("About", result, 0);
}

std::string checkNullResult(const PluginUnderTest& plugin) {
  host::FilterRecord record = patternRecord();
  const host::FilterRecord before = record;
  std::intptr_t data = 0;
  plugin.entry(host::filterSelectorParameters, &record, &data, nullptr);
  plugin.entry(99, &record, &data, nullptr);
  return std::memcmp(&record, &before, sizeof record) == 0 ? "" : "record changed";
}

}  // namespace

void runSelectorChecks(const PluginUnderTest& plugin) {
  takeSeenDialogs();
  report("selector 1 (Parameters) changes nothing", checkRecordUnchanged(plugin, 1, 0));
  report("selector 2 (Prepare) changes nothing", checkRecordUnchanged(plugin, 2, 0));
  report("selector 6 gives -30100 and changes nothing", checkRecordUnchanged(plugin, 6, -30100));
  report("selector -1 gives -30100 and changes nothing", checkRecordUnchanged(plugin, -1, -30100));
  report("null result pointer is ignored", checkNullResult(plugin));

  host::FilterRecord cleared{};
  std::intptr_t data = 0;
  std::int16_t result = kUntouched;
  plugin.entry(host::filterSelectorFinish, &cleared, &data, &result);
  report("Finish on a cleared record gives 0", resultText("Finish", result, 0) + expectBoxes({}));

  report("About gives 0", checkAbout(plugin));

  report("Start cancelled in the chooser gives 1 and no message", checkStart(plugin, "", 1, {}));
  report("Start with a failed chooser gives -19 and only the dialog's own message 101",
         checkStart(plugin, "0", -19, {"Cannot find file "}));
  const std::string missing = plugin.scratchDirectory + "missing.tif";
  report("Start with a missing file gives -19 after message 103",
         checkStart(plugin, "1|" + missing + "|0|1", -19, {"Error while reading file"}));

  // Described (the describer does not look at the compression) but refused
  // by the opener, which shows its own message before Start's.
  const std::string compressedBmp = plugin.scratchDirectory + "compressed.bmp";
  const std::string bmp = plugin.scratchDirectory + "two-by-two.bmp";
  if (!writeFileBytes(compressedBmp, twoByTwoBmp(1)) || !writeFileBytes(bmp, twoByTwoBmp(0))) {
    report("scratch files", "cannot write into " + plugin.scratchDirectory);
    return;
  }
  report("Start with a compressed BMP gives -19 after messages 102 and 103",
         checkStart(plugin, "1|" + compressedBmp + "|0|1", -19, {"Unsupported file format", "Error while reading file"}));
  report("a 2x2 BMP tiles an RGB document", checkFill(plugin, bmp, 3));
  report("a 2x2 BMP tiles a grayscale document", checkFill(plugin, bmp, 1));
  DeleteFileA(compressedBmp.c_str());
  DeleteFileA(bmp.c_str());
}

}  // namespace wintest
