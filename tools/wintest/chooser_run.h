// One Start through the real DLL with the Open Texture dialog answered by a
// function on the dialog watcher's thread: what the chooser checks and the
// display-scaling checks share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/hostdriver/dialog_driver.h"
#include "tools/wintest/plugin_under_test.h"
#include "tools/wintest/screen_capture.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;

struct Fill {
  std::int16_t result = 0;
  std::vector<std::uint8_t> pixels;  // 5 x 4 RGB document, filter rectangle (1, 1)-(4, 5)
};

struct Run {
  Fill fill;
  std::string problem;
  std::vector<SeenDialog> boxes;  // message boxes and unclaimed dialogs
};

// An environment variable's value, "" when unset.
std::string environment(const char* name);

// Start, Continue until the band is empty, Finish, on a 5 by 4 RGB document
// whose filter rectangle starts at (1, 1): tiling from the document and from
// the selection differ there.
Fill runFill(const PluginUnderTest& plugin);

// Runs Start from the chooser fixtures (ORIELVMX_CHOOSER_FIXTURES) with
// `drive` answering the Open Texture dialog once it has initialised; `drive`
// answers "" or what went wrong.
Run runWithChooser(const PluginUnderTest& plugin, const std::function<std::string(HWND)>& drive);

constexpr const char* kAboutCaption = "About Oriel Brindle Zovezadu";

// Calls the About selector with `drive` answering the About dialog, which it
// must close; answers what `drive` found, or that no dialog came, and any
// unexpected result or message box.
std::string runAboutWith(const PluginUnderTest& plugin, const std::function<std::string(HWND)>& drive);

// Writes the capture as NAME.bmp into ORIELVMX_SCREENSHOTS, when it is set.
void saveScreenshot(const Capture& capture, const std::string& name);

// " unexpected boxes: ..." when there are any.
std::string boxesText(const std::vector<SeenDialog>& boxes);

// The settings file in the Windows directory, where the checks keep it.
std::string settingsPath();
void removeSettings();
// The stored text of a key, or "(none)".
std::string setting(const char* key);
// "" when the key holds `want`, else what it holds.
std::string expectSetting(const char* key, const std::string& want);
void writeSetting(const char* key, const char* value);

// What is wrong with the Preferences dialog's layout on a display of `dpi`:
// the tile origin's controls in their template places, the new controls
// below them, none overlapping another, all inside the dialog, and the
// swatch its size in pixels inside a one-pixel frame.
std::string preferencesLayoutProblems(HWND preferences, int dpi);

}  // namespace wintest
