#include "tools/wintest/chooser_run.h"

#include <atomic>

#include "resources/dialog_ids.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/wintest/check_report.h"
#include "tools/hostdriver/chooser_driver.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;

namespace {


}  // namespace

std::string environment(const char* name) {
  char value[1024] = {};
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value) : std::string();
}

Fill runFill(const PluginUnderTest& plugin) {
  Fill fill;
  fill.pixels.assign(5 * 4 * 3, 0xEE);
  hostdriver::HostDriver host(plugin.entry, hostdriver::packedView(fill.pixels.data(), 5, 4, 3), 3);
  host.setFilterRect(1, 1, 4, 5);
  hostdriver::RunPlan plan;
  plan.beforeStart = {};
  const hostdriver::RunLog& log = host.run(plan);
  fill.result = log.hostError.empty() ? log.result() : -1;
  return fill;
}

Run runWithChooser(const PluginUnderTest& plugin, const std::function<std::string(HWND)>& drive) {
  Run run;
  // The platform dialog lists the current directory and leaves it wherever
  // the user went.
  SetCurrentDirectoryA(environment("ORIELVMX_CHOOSER_FIXTURES").c_str());
  std::atomic<bool> driven{false};
  std::atomic<bool> done{false};
  clearDialogHandlers();
  addDialogHandler([&](HWND dialog, const std::string& caption) {
    if (caption != kChooserCaption || driven) return false;
    driven = true;
    std::string problem;
    if (!waitUntil([&] { return buttonChecked(dialog, IDC_LONG_NAMES_VIEW); }, kDialogWait)) {
      problem = "the dialog did not initialise";
      pressButton(dialog, IDCANCEL);
    } else {
      problem = drive(dialog);
      if (IsWindow(dialog) && !waitUntil([&] { return !IsWindow(dialog); }, kDialogWait)) {
        problem += " (the dialog stayed up; cancelled)";
        pressButton(dialog, IDCANCEL);
      }
    }
    run.problem = problem;
    done = true;
    return true;
  });
  takeSeenDialogs();
  run.fill = runFill(plugin);
  // The handler may still be finishing on the watcher thread.
  if (driven && !waitUntil([&] { return done.load(); }, 3 * kDialogWait)) run.problem += " handler hung";
  clearDialogHandlers();
  run.boxes = takeMessageBoxes();
  if (!driven) run.problem += " no Open Texture dialog";
  return run;
}

std::string runAboutWith(const PluginUnderTest& plugin, const std::function<std::string(HWND)>& drive) {
  std::string problem = "(no About dialog)";
  std::atomic<bool> claimed{false};
  std::atomic<bool> done{false};
  clearDialogHandlers();
  addDialogHandler([&](HWND dialog, const std::string& caption) {
    if (caption != kAboutCaption || claimed) return false;
    claimed = true;
    problem = drive(dialog);
    done = true;
    return true;
  });
  takeSeenDialogs();
  const std::int16_t result = hostdriver::callAbout(plugin.entry);
  if (claimed && !waitUntil([&] { return done.load(); }, 3 * kDialogWait)) problem += " handler hung";
  clearDialogHandlers();
  const std::vector<SeenDialog> boxes = takeMessageBoxes();
  return problem + resultText("About", result, 0) +
         (boxes.empty() ? "" : " unexpected boxes:" + describeDialogs(boxes));
}

void saveScreenshot(const Capture& capture, const std::string& name) {
  saveCapture(capture, environment("ORIELVMX_SCREENSHOTS"), name);
}

std::string boxesText(const std::vector<SeenDialog>& boxes) {
  return boxes.empty() ? "" : " unexpected boxes:" + describeDialogs(boxes);
}

namespace {
constexpr const char* kSettingsSection = "Oriel Brindle Texture Library";
}  // namespace

std::string settingsPath() {
  char directory[MAX_PATH] = {};
  GetWindowsDirectoryA(directory, sizeof directory);
  return std::string(directory) + "\\OrielVMX.ini";
}

// Wine keeps recently used profile files in memory and, when the file has
// gone, goes on answering from that copy; the all-null write empties the
// cache, so the next read sees that the file is gone.
void removeSettings() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "OrielVMX.ini");
  DeleteFileA(settingsPath().c_str());
}

std::string setting(const char* key) {
  char value[64] = {};
  GetPrivateProfileStringA(kSettingsSection, key, "(none)", value, sizeof value, "OrielVMX.ini");
  return value;
}

std::string expectSetting(const char* key, const std::string& want) {
  const std::string have = setting(key);
  return have == want ? "" : std::string(" ") + key + "=" + have + ", want " + want;
}

void writeSetting(const char* key, const char* value) {
  WritePrivateProfileStringA(kSettingsSection, key, value, "OrielVMX.ini");
}

}  // namespace wintest
