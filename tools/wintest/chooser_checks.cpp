// The chooser's dialogs through the real DLL: the Open Texture dialog's
// state and commands, the settings it writes, Preferences and About, and
// screenshots of the three dialogs. The texture directory comes from
// make_chooser_fixtures (ORIELVMX_CHOOSER_FIXTURES); screenshots go to
// ORIELVMX_SCREENSHOTS as BMP files when it is set.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "tools/wintest/check_report.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/wintest/chooser_run.h"
#include "tools/hostdriver/dialog_driver.h"
#include "tools/hostdriver/preferences_driver.h"
#include "tools/wintest/plugin_under_test.h"
#include "tools/wintest/screen_capture.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;
namespace {

const std::string kLongFileName = std::string(70, 'q') + ".tif";

// Long names of the fixture files, by lower-case file name.
const std::map<std::string, std::string> kLongNames = {
    {"lib512.tif", "Brindle Coat"},
    {"lib512.hrt", "Brindle Coat"},
    {"low128.tif", "Slate Floor"},
    {"nodesc.tif", ""},
    {"plain.bmp", "plain.bmp"},
    {kLongFileName, ""},  // too long for the list's 64-byte entries
    {"inner.tif", "Inner Weave"},
    {"other.bmp", "other.bmp"},
    {"copper.png", "Copper Leaf"},
    {"rust.jpg", "Rust Wall"},
};
// Files of the fixture directory under "All Files (*.*)".
constexpr int kAllFiles = 8;

constexpr std::uint8_t kTexels[2][2][3] = {{{10, 20, 30}, {40, 50, 60}},
                                           {{70, 80, 90}, {200, 110, 120}}};

// --- running Start -----------------------------------------------------------

// The 2 by 2 texture tiled into the filter rectangle from the document's or
// the selection's top-left corner.
std::vector<std::uint8_t> expectedFill(bool fromDocument) {
  std::vector<std::uint8_t> pixels(5 * 4 * 3, 0xEE);
  for (int y = 1; y < 4; ++y) {
    for (int x = 1; x < 5; ++x) {
      const int tx = fromDocument ? x : x - 1;
      const int ty = fromDocument ? y : y - 1;
      std::memcpy(&pixels[(y * 5 + x) * 3], kTexels[ty % 2][tx % 2], 3);
    }
  }
  return pixels;
}

// --- screenshots -------------------------------------------------------------

// A control showing a picture has many colours, a blank one one or two.
std::string drawnArea(const Capture& capture, HWND dialog, int id, const char* what) {
  RECT area{};
  GetWindowRect(GetDlgItem(dialog, id), &area);
  const std::size_t colours = capture.colours(area);
  return colours >= 16 ? "" : std::string(" ") + what + " has " + std::to_string(colours) + " colours";
}

// --- the checks ----------------------------------------------------------------

// Where centreDialog puts a window: the screen centre, n times one and a
// half caption heights further right and down.
std::string placedAt(HWND window, int n) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int offset = n * (caption + caption / 2);
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2 + offset;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2 + offset;
  if (bounds.left == x && bounds.top == y) return "";
  return " placed at " + std::to_string(bounds.left) + "," + std::to_string(bounds.top) +
         ", want " + std::to_string(x) + "," + std::to_string(y);
}

// Every line of the long-name list against the file list item it stands for.
std::string longNamesMatch(HWND dialog) {
  const int files = listCount(dialog, IDC_FILE_LIST);
  const int names = listCount(dialog, IDC_LONG_NAME_LIST);
  if (files <= 0 || files != names) {
    return " lists of " + std::to_string(files) + " files and " + std::to_string(names) + " names";
  }
  std::string problem;
  for (int i = 0; i < files; ++i) {
    std::string file = listText(dialog, IDC_FILE_LIST, i);
    CharLowerBuffA(file.data(), static_cast<DWORD>(file.size()));
    const auto known = kLongNames.find(file);
    const std::string have = listText(dialog, IDC_LONG_NAME_LIST, i);
    if (known == kLongNames.end()) {
      problem += " unknown file " + quoted(file);
    } else if (have != known->second) {
      problem += " line " + std::to_string(i) + " " + quoted(have) + " for " + quoted(file);
    }
  }
  return problem;
}

std::string newDialogState(HWND dialog) {
  std::string problem;
  if (!controlVisible(dialog, IDC_LONG_NAME_LIST)) problem += " long names hidden";
  if (controlVisible(dialog, IDC_FILE_LIST)) problem += " file list shown";
  if (!buttonChecked(dialog, IDC_LONG_NAMES_VIEW)) problem += " Long Names unchecked";
  if (buttonChecked(dialog, IDC_FILE_NAMES_VIEW)) problem += " File Names checked";
  if (comboSelection(dialog, IDC_SIZE_COMBO) != 0) problem += " size not Actual";
  if (controlEnabled(dialog, IDC_SIZE_COMBO)) problem += " size combo enabled";
  if (controlEnabled(dialog, IDC_SIZE_LABEL)) problem += " Size to: enabled";
  if (!controlText(dialog, IDC_INFO_LINE).empty()) problem += " info line not empty";
  if (!buttonChecked(dialog, IDC_PREVIEW_CHECK)) problem += " Preview unchecked";
  if (comboSelection(dialog, IDC_FILE_TYPE) != 0) problem += " file type not TIFF";
  const std::vector<std::string> sizes = comboItems(dialog, IDC_SIZE_COMBO);
  const std::vector<std::string> want = {"Actual", "512X512", "256X256", "128X128", "64X64"};
  if (sizes != want) problem += " size items differ";
  if (controlVisible(dialog, IDC_HELP_BUTTON) || controlVisible(dialog, IDC_READ_ONLY)) {
    problem += " help or read-only shown";
  }
  problem += placedAt(dialog, 0);
  return problem + longNamesMatch(dialog);
}

std::string checkNewDialogAndCancel(const PluginUnderTest& plugin) {
  removeSettings();
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    const std::string problem = newDialogState(dialog);
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes) +
         expectSetting("prv", "1") + expectSetting("fVw", "1") + expectSetting("fId", "1");
}

std::string checkInfoLineAndSizeCombo(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    typeFileName(dialog, "lib512.tif");
    if (controlText(dialog, IDC_INFO_LINE) != "TIFF (24 bit, 512x512)") {
      problem += " info " + quoted(controlText(dialog, IDC_INFO_LINE));
    }
    if (!controlEnabled(dialog, IDC_SIZE_COMBO) || !controlEnabled(dialog, IDC_SIZE_LABEL)) {
      problem += " size controls disabled for a .tif library texture";
    }
    // The preview was loaded: take the screenshot here.
    const Capture capture = captureWindow(dialog);
    saveScreenshot(capture, "open-texture");
    RECT frame{};
    GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_FRAME), &frame);
    const RECT inside{frame.left + 1, frame.top + 1, frame.left + 65, frame.top + 65};
    const std::size_t colours = capture.colours(inside);
    if (colours < 8) problem += " preview area has " + std::to_string(colours) + " colours";
    problem += drawnArea(capture, dialog, IDC_BANNER, "banner");

    typeFileName(dialog, "lib512.HRT");
    if (controlEnabled(dialog, IDC_SIZE_COMBO) || controlEnabled(dialog, IDC_SIZE_LABEL)) {
      problem += " size controls enabled for .hrt";
    }
    if (controlText(dialog, IDC_INFO_LINE) != "TIFF (24 bit, 512x512)") {
      problem += " .hrt info " + quoted(controlText(dialog, IDC_INFO_LINE));
    }
    typeFileName(dialog, "low128.tif");
    if (!controlEnabled(dialog, IDC_SIZE_COMBO)) problem += " size combo disabled for low-res";
    if (controlText(dialog, IDC_INFO_LINE) != "TIFF (8 bit, 128x128)") {
      problem += " low-res info " + quoted(controlText(dialog, IDC_INFO_LINE));
    }
    typeFileName(dialog, "no-such-file.tif");
    if (!controlText(dialog, IDC_INFO_LINE).empty()) problem += " info line for a missing file";
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes);
}

// The preview of the file typed last: a drawn thumbnail has many colours.
// Saved as a screenshot NAME unless `save` is false.
std::string previewDrawn(HWND dialog, const std::string& name, bool save = true) {
  const Capture capture = captureWindow(dialog);
  if (save) saveScreenshot(capture, name);
  RECT frame{};
  GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_FRAME), &frame);
  const RECT inside{frame.left + 1, frame.top + 1, frame.left + 65, frame.top + 65};
  const std::size_t colours = capture.colours(inside);
  return colours >= 16 ? "" : " " + name + " preview has " + std::to_string(colours) + " colours";
}

std::string checkPngAndJpegTextures(const PluginUnderTest& plugin) {
  removeSettings();
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    const std::vector<std::string> types = comboItems(dialog, IDC_FILE_TYPE);
    const std::vector<std::string> want = {"TIFF (*.tif)", "Bitmaps (*.bmp)", "All Files (*.*)",
                                           "All Textures (*.tif;*.bmp;*.png;*.jpg)", "PNG (*.png)",
                                           "JPEG (*.jpg)"};
    if (types != want) problem += " file types differ";
    // Every texture but the .hrt copy.
    selectComboItem(dialog, IDC_FILE_TYPE, 3);
    if (!waitUntil([&] { return listCount(dialog, IDC_LONG_NAME_LIST) == kAllFiles - 1; }, kDialogWait)) {
      problem += " All Textures lists " + std::to_string(listCount(dialog, IDC_LONG_NAME_LIST)) + " files";
    }
    problem += longNamesMatch(dialog);

    typeFileName(dialog, "copper.png");
    if (controlText(dialog, IDC_INFO_LINE) != "PNG (24 bit, 256x256)") {
      problem += " png info " + quoted(controlText(dialog, IDC_INFO_LINE));
    }
    if (!controlEnabled(dialog, IDC_SIZE_COMBO) || !controlEnabled(dialog, IDC_SIZE_LABEL)) {
      problem += " size controls disabled for a square PNG";
    }
    problem += previewDrawn(dialog, "open-texture-png");
    typeFileName(dialog, "rust.jpg");
    if (controlText(dialog, IDC_INFO_LINE) != "JPEG (24 bit, 320x200)") {
      problem += " jpeg info " + quoted(controlText(dialog, IDC_INFO_LINE));
    }
    if (controlEnabled(dialog, IDC_SIZE_COMBO) || controlEnabled(dialog, IDC_SIZE_LABEL)) {
      problem += " size controls enabled for a wide JPEG";
    }
    problem += previewDrawn(dialog, "open-texture-jpeg");

    selectComboItem(dialog, IDC_FILE_TYPE, 4);
    if (!waitUntil([&] { return listCount(dialog, IDC_LONG_NAME_LIST) == 1; }, kDialogWait)) {
      problem += " PNG lists " + std::to_string(listCount(dialog, IDC_LONG_NAME_LIST)) + " files";
    }
    selectComboItem(dialog, IDC_FILE_TYPE, 5);
    if (!waitUntil([&] { return listCount(dialog, IDC_LONG_NAME_LIST) == 1; }, kDialogWait)) {
      problem += " JPEG lists " + std::to_string(listCount(dialog, IDC_LONG_NAME_LIST)) + " files";
    }
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  const std::string failure = run.problem + resultText("the run", run.fill.result, 1) +
                              boxesText(run.boxes) + expectSetting("fId", "6");
  removeSettings();
  return failure;
}

// Texel (x, y) of the fixtures' RGB textures (tests/native/support).
void fixtureTexel(int x, int y, std::uint8_t* rgb) {
  rgb[0] = static_cast<std::uint8_t>((x * 7 + y * 13 + 5) & 255);
  rgb[1] = static_cast<std::uint8_t>(((x * 3) ^ (y * 5)) & 255);
  rgb[2] = static_cast<std::uint8_t>((x + y * 31 + 17 + (x * y) / 3) & 255);
}

std::string checkSizeResetAndOpen(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    typeFileName(dialog, "lib512.tif");
    selectComboItem(dialog, IDC_SIZE_COMBO, 3);
    typeFileName(dialog, "plain.bmp");
    if (comboSelection(dialog, IDC_SIZE_COMBO) != 0) problem += " size not reset to Actual";
    if (controlEnabled(dialog, IDC_SIZE_COMBO)) problem += " size combo still enabled";
    // Back on the library texture the combo is enabled again, still on Actual.
    typeFileName(dialog, "lib512.tif");
    if (!controlEnabled(dialog, IDC_SIZE_COMBO) || comboSelection(dialog, IDC_SIZE_COMBO) != 0) {
      problem += " size combo not enabled on Actual";
    }
    pressButton(dialog, IDOK);
    return problem;
  });
  // At its own size the texture's texels land unchanged (a 128X128 choice
  // would have reduced them).
  std::vector<std::uint8_t> want(5 * 4 * 3, 0xEE);
  for (int y = 1; y < 4; ++y) {
    for (int x = 1; x < 5; ++x) fixtureTexel(x, y, &want[(y * 5 + x) * 3]);
  }
  const std::string pixels =
      run.fill.pixels == want ? "" : " pixels " + hexBytes(run.fill.pixels.data(), run.fill.pixels.size());
  return run.problem + resultText("the run", run.fill.result, 0) + boxesText(run.boxes) + pixels;
}

std::string checkDoubleClickOpens(const PluginUnderTest& plugin) {
  removeSettings();
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    // "All Files (*.*)": the platform lists the other files and says so.
    selectComboItem(dialog, IDC_FILE_TYPE, 2);
    if (!waitUntil([&] { return listCount(dialog, IDC_LONG_NAME_LIST) == kAllFiles; }, kDialogWait)) {
      problem += " the long names did not follow the file type";
    }
    problem += longNamesMatch(dialog);
    int index = -1;
    for (int i = 0; i < listCount(dialog, IDC_FILE_LIST); ++i) {
      if (lstrcmpiA(listText(dialog, IDC_FILE_LIST, i).c_str(), "plain.bmp") == 0) index = i;
    }
    if (index < 0) return std::string(" plain.bmp not listed");
    HWND list = GetDlgItem(dialog, IDC_LONG_NAME_LIST);
    // A click: the selection moves, then the list tells the dialog.
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LONG_NAME_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    if (controlText(dialog, IDC_FILE_NAME) != "plain.bmp") {
      problem += " edit " + quoted(controlText(dialog, IDC_FILE_NAME));
    }
    if (SendMessageA(GetDlgItem(dialog, IDC_FILE_LIST), LB_GETCURSEL, 0, 0) != index) {
      problem += " file list selection not mirrored";
    }
    if (controlText(dialog, IDC_INFO_LINE) != "BMP (24 bit, 2x2)") {
      problem += " info " + quoted(controlText(dialog, IDC_INFO_LINE));
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LONG_NAME_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
    return problem;
  });
  const std::string pixels =
      run.fill.pixels == expectedFill(true) ? "" : " pixels " + hexBytes(run.fill.pixels.data(), 24);
  return run.problem + resultText("the run", run.fill.result, 0) + boxesText(run.boxes) + pixels +
         expectSetting("prv", "1") + expectSetting("fVw", "1") + expectSetting("fId", "3");
}

std::string checkViewSwitch(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    // The check before stored fId=3.
    if (comboSelection(dialog, IDC_FILE_TYPE) != 2) problem += " fId=3 did not pick All Files";
    RECT before{};
    GetWindowRect(GetDlgItem(dialog, IDC_LONG_NAME_LIST), &before);
    clickButton(dialog, IDC_FILE_NAMES_VIEW);
    waitUntil([&] { return buttonChecked(dialog, IDC_FILE_NAMES_VIEW); }, kDialogWait);
    if (!controlVisible(dialog, IDC_FILE_LIST) || controlVisible(dialog, IDC_LONG_NAME_LIST)) {
      problem += " File Names did not show the file list";
    }
    RECT files{};
    GetWindowRect(GetDlgItem(dialog, IDC_FILE_LIST), &files);
    if (!EqualRect(&files, &before)) problem += " file list not in the long names' place";
    // Unchecking the Preview box is stored as 2.
    clickButton(dialog, IDC_PREVIEW_CHECK);
    waitUntil([&] { return !buttonChecked(dialog, IDC_PREVIEW_CHECK); }, kDialogWait);
    clickButton(dialog, IDC_LONG_NAMES_VIEW);
    waitUntil([&] { return buttonChecked(dialog, IDC_LONG_NAMES_VIEW); }, kDialogWait);
    RECT after{};
    GetWindowRect(GetDlgItem(dialog, IDC_LONG_NAME_LIST), &after);
    if (!EqualRect(&after, &before) || !controlVisible(dialog, IDC_LONG_NAME_LIST)) {
      problem += " long names not back in place";
    }
    clickButton(dialog, IDC_FILE_NAMES_VIEW);
    waitUntil([&] { return buttonChecked(dialog, IDC_FILE_NAMES_VIEW); }, kDialogWait);
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  std::string failure = run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes) +
                        expectSetting("prv", "2") + expectSetting("fVw", "0");
  // The next run opens on the long names and with Preview unchecked.
  const Run next = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    if (!buttonChecked(dialog, IDC_LONG_NAMES_VIEW)) problem += " not on the long names";
    if (buttonChecked(dialog, IDC_PREVIEW_CHECK)) problem += " Preview checked after prv=2";
    clickButton(dialog, IDC_PREVIEW_CHECK);
    waitUntil([&] { return buttonChecked(dialog, IDC_PREVIEW_CHECK); }, kDialogWait);
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return failure + next.problem + expectSetting("prv", "1");
}

std::string checkDirectoryChange(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    std::string problem;
    typeFileName(dialog, "lib512.tif");
    HWND directories = GetDlgItem(dialog, IDC_DIRECTORY_LIST);
    int index = -1;
    for (int i = 0; i < listCount(dialog, IDC_DIRECTORY_LIST); ++i) {
      std::string entry = listText(dialog, IDC_DIRECTORY_LIST, i);
      CharLowerBuffA(entry.data(), static_cast<DWORD>(entry.size()));
      if (entry.find("sub") != std::string::npos) index = i;
    }
    if (index < 0) {
      std::string listed = " no sub directory among";
      for (int i = 0; i < listCount(dialog, IDC_DIRECTORY_LIST); ++i) {
        listed += ' ';
        listed += quoted(listText(dialog, IDC_DIRECTORY_LIST, i));
      }
      return listed;
    }
    SendMessageA(directories, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DIRECTORY_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(directories));
    if (!waitUntil([&] { return listCount(dialog, IDC_FILE_LIST) == 2; }, kDialogWait)) {
      problem += " the file list did not change";
    }
    if (!controlText(dialog, IDC_FILE_NAME).empty()) {
      problem += " edit " + quoted(controlText(dialog, IDC_FILE_NAME));
    }
    problem += longNamesMatch(dialog);
    // Back up by typing the parent's name: the platform changes directory
    // after the Open command, and the long names follow.
    typeFileName(dialog, "..");
    pressButton(dialog, IDOK);
    if (!waitUntil([&] { return listCount(dialog, IDC_LONG_NAME_LIST) == kAllFiles; }, kDialogWait)) {
      problem += " the long names did not follow the typed directory";
    }
    problem += longNamesMatch(dialog);
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes);
}

std::string checkPreferencesConfirmed(const PluginUnderTest& plugin) {
  removeSettings();
  fill::FillOptions fromSelection;
  fromSelection.tileOrigin = fill::originSelection;
  fill::FillOptions shown;
  const Run run = runWithChooser(plugin, [&](HWND dialog) {
    typeFileName(dialog, "plain.bmp");
    std::string problem = answerPreferences(dialog, fromSelection, IDOK, &shown);
    pressButton(dialog, IDOK);
    return problem;
  });
  bool documentWasChecked = shown.tileOrigin == fill::originDocument;
  std::string failure = run.problem + resultText("the run", run.fill.result, 0) + boxesText(run.boxes) +
                        expectSetting("tOn", "0");
  if (!documentWasChecked) failure += " document origin not checked without settings";
  if (run.fill.pixels != expectedFill(false)) {
    failure += " pixels " + hexBytes(run.fill.pixels.data(), run.fill.pixels.size()) +
               " are not tiled from the selection";
  }
  // With "0" stored, the next Preferences opens on the selection, and a run
  // without Preferences still tiles from the document.
  const Run next = runWithChooser(plugin, [&](HWND dialog) {
    typeFileName(dialog, "plain.bmp");
    std::string problem = answerPreferences(dialog, fill::FillOptions{}, IDCANCEL, &shown);
    pressButton(dialog, IDOK);
    return problem;
  });
  documentWasChecked = shown.tileOrigin == fill::originDocument;
  failure += next.problem + resultText("the run", next.fill.result, 0) + expectSetting("tOn", "0");
  if (documentWasChecked) failure += " stored 0 did not pre-check the selection";
  if (next.fill.pixels != expectedFill(true)) failure += " cancelled Preferences changed the origin";
  return failure;
}

std::string checkPreferencesCancelled(const PluginUnderTest& plugin) {
  removeSettings();
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    typeFileName(dialog, "plain.bmp");
    fill::FillOptions fromSelection;
    fromSelection.tileOrigin = fill::originSelection;
    std::string problem = answerPreferences(dialog, fromSelection, IDCANCEL);
    pressButton(dialog, IDOK);
    return problem;
  });
  std::string failure = run.problem + resultText("the run", run.fill.result, 0) + boxesText(run.boxes) +
                        expectSetting("tOn", "(none)");
  if (run.fill.pixels != expectedFill(true)) failure += " not tiled from the document";
  return failure;
}

std::string checkPreferencesScreenshot(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    pressButton(dialog, IDC_PREFERENCES_BUTTON);
    HWND preferences = findDialog("Preferences", kDialogWait);
    if (preferences == nullptr) return std::string(" no Preferences");
    std::string problem = placedAt(preferences, 1);
    saveScreenshot(captureWindow(preferences), "preferences");
    PostMessageA(preferences, WM_SYSCOMMAND, SC_CLOSE, 0);
    waitUntil([&] { return !IsWindow(preferences); }, kDialogWait);
    pressButton(dialog, IDCANCEL);
    if (IsWindow(preferences)) problem += " the close box did not close Preferences";
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes);
}

// Closes the About dialog one way after checking that Escape does not.
enum class CloseBy { okButton, enterKey, closeBox };

std::string closeAbout(HWND about, CloseBy how) {
  std::string problem;
  PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
  Sleep(300);
  if (!IsWindow(about) || !IsWindowVisible(about)) return " Escape closed About";
  switch (how) {
    case CloseBy::okButton: pressButton(about, IDOK); break;
    case CloseBy::enterKey: PostMessageA(about, WM_KEYDOWN, VK_RETURN, 0); break;
    case CloseBy::closeBox: PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0); break;
  }
  if (!waitUntil([&] { return !IsWindow(about); }, kDialogWait)) problem += " About stayed up";
  return problem;
}

std::string checkAboutFromSelector(const PluginUnderTest& plugin, CloseBy how, bool screenshot) {
  return runAboutWith(plugin, [&](HWND dialog) {
    std::string found = placedAt(dialog, 1);
    if (screenshot) {
      const Capture capture = captureWindow(dialog);
      saveScreenshot(capture, "about");
      found += drawnArea(capture, dialog, IDC_ABOUT_PICTURE, "About picture");
    }
    return found + closeAbout(dialog, how);
  });
}

std::string checkAboutFromDialog(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    pressButton(dialog, IDC_ABOUT_BUTTON);
    HWND about = findDialog(kAboutCaption, kDialogWait);
    if (about == nullptr) return std::string(" no About dialog");
    std::string problem = closeAbout(about, CloseBy::enterKey);
    if (!IsWindow(dialog)) problem += " the Open Texture dialog went away";
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes);
}

std::string checkFailedDialog(const PluginUnderTest& plugin) {
  const Run run = runWithChooser(plugin, [](HWND dialog) {
    // Neither Open nor Cancel: the platform dialog returns without a file.
    EndDialog(dialog, 0);
    return std::string();
  });
  std::string failure = run.problem + resultText("the run", run.fill.result, -19);
  if (run.boxes.size() != 1 || run.boxes[0].text != "Cannot find file ") {
    failure += boxesText(run.boxes) + " (want one \"Cannot find file \")";
  }
  return failure;
}

// --- settings for a standard user ------------------------------------------

std::string perUserFolder() {
  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::string(folder) + "\\Oriel";
}

std::string perUserPath() { return perUserFolder() + "\\OrielVMX.ini"; }

// Back to where the other checks start: no per-user file, no blocking
// directory, no Windows-directory file.
void removeAllSettings() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, perUserPath().c_str());
  DeleteFileA(perUserPath().c_str());
  RemoveDirectoryA(perUserFolder().c_str());
  RemoveDirectoryA(settingsPath().c_str());
  removeSettings();
}

std::string perUserSetting(const char* key) {
  char value[64] = {};
  GetPrivateProfileStringA("Oriel Brindle Texture Library", key, "(none)", value, sizeof value,
                           perUserPath().c_str());
  return value;
}

std::string expectPerUser(const char* key, const std::string& want) {
  const std::string have = perUserSetting(key);
  return have == want ? "" : std::string(" per-user ") + key + "=" + have + ", want " + want;
}

// Picks the file type and cancels, answering what the dialog opened with.
Run cancelWithFileType(const PluginUnderTest& plugin, int fileType, int* openedWith,
                       bool* previewChecked = nullptr) {
  return runWithChooser(plugin, [=](HWND dialog) {
    *openedWith = comboSelection(dialog, IDC_FILE_TYPE);
    if (previewChecked != nullptr) *previewChecked = buttonChecked(dialog, IDC_PREVIEW_CHECK);
    selectComboItem(dialog, IDC_FILE_TYPE, fileType);
    pressButton(dialog, IDCANCEL);
    return std::string();
  });
}

std::string checkRefusedWriteMovesToPerUserFile(const PluginUnderTest& plugin) {
  removeAllSettings();
  // What a standard user meets: the Windows directory refuses the file.
  if (!CreateDirectoryA(settingsPath().c_str(), nullptr)) return " cannot block the Windows file";
  int openedWith = -1;
  const Run first = cancelWithFileType(plugin, 2, &openedWith);
  std::string failure = first.problem + resultText("the first run", first.fill.result, 1) +
                        boxesText(first.boxes) + expectPerUser("fId", "3") +
                        expectPerUser("prv", "1") + expectPerUser("fVw", "1");
  if (openedWith != 0) failure += " first run opened on file type " + std::to_string(openedWith);
  const Run second = cancelWithFileType(plugin, 0, &openedWith);
  failure += second.problem + resultText("the second run", second.fill.result, 1) +
             expectPerUser("fId", "1");
  if (openedWith != 2) failure += " the next run opened on file type " + std::to_string(openedWith);
  removeAllSettings();
  return failure;
}

std::string checkPerUserFileWins(const PluginUnderTest& plugin) {
  removeAllSettings();
  const char* section = "Oriel Brindle Texture Library";
  WritePrivateProfileStringA(section, "fId", "1", "OrielVMX.ini");
  CreateDirectoryA(perUserFolder().c_str(), nullptr);
  WritePrivateProfileStringA(section, "fId", "3", perUserPath().c_str());
  WritePrivateProfileStringA(section, "prv", "2", perUserPath().c_str());
  int openedWith = -1;
  bool previewChecked = true;
  const Run run = cancelWithFileType(plugin, 1, &openedWith, &previewChecked);
  std::string failure = run.problem + resultText("the run", run.fill.result, 1) +
                        boxesText(run.boxes) + expectPerUser("fId", "2") +
                        expectPerUser("prv", "2") + expectSetting("fId", "1") +
                        expectSetting("prv", "(none)");
  if (openedWith != 2) failure += " opened on file type " + std::to_string(openedWith);
  if (previewChecked) failure += " Preview checked";
  removeAllSettings();
  return failure;
}

// The settings go through the wide profile calls, so that the file's path
// can be any name; the file must keep the bytes the narrow calls of the
// earlier releases wrote: the same keys and values written again through
// WritePrivateProfileStringA give the same file.
std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

constexpr const char* kSection = "Oriel Brindle Texture Library";

std::string checkSettingsBytesAsEarlierReleases(const PluginUnderTest& plugin) {
  removeSettings();
  fill::FillOptions fromSelection;
  fromSelection.tileOrigin = fill::originSelection;
  const Run run = runWithChooser(plugin, [&](HWND dialog) {
    selectComboItem(dialog, IDC_FILE_TYPE, 1);
    typeFileName(dialog, "plain.bmp");
    std::string problem = answerPreferences(dialog, fromSelection, IDOK);
    pressButton(dialog, IDOK);
    return problem;
  });
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "OrielVMX.ini");
  const std::string written = fileBytes(settingsPath());
  const std::string narrow = settingsPath() + ".narrow";
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, narrow.c_str());
  DeleteFileA(narrow.c_str());
  char lines[4096] = {};
  GetPrivateProfileSectionA(kSection, lines, sizeof lines, settingsPath().c_str());
  for (const char* line = lines; *line != '\0'; line += std::strlen(line) + 1) {
    const std::string entry = line;
    const std::size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    WritePrivateProfileStringA(kSection, entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(),
                               narrow.c_str());
  }
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, narrow.c_str());
  const std::string want = fileBytes(narrow);
  DeleteFileA(narrow.c_str());
  std::string failure = run.problem + resultText("the run", run.fill.result, 0) + boxesText(run.boxes);
  if (written.empty() || written != want) {
    failure += " the file holds " + hexBytes(written.data(), written.size()) +
               ", the narrow calls write " +
               hexBytes(want.data(), want.size());
  }
  removeSettings();
  return failure;
}

// --- names in any language ----------------------------------------------------

// The folders of the chooser fixtures named outside any Western code page,
// each holding a TIFF, a BMP, a PNG and a JPEG under the name beside it
// (make_chooser_fixtures).
struct NamedFolder {
  const char* what;
  const char* folder;
  const char* name;
};
constexpr NamedFolder kNamedFolders[] = {
    {"Cyrillic", "\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B",
     "\xD0\xBA\xD0\xB8\xD1\x80\xD0\xBF\xD0\xB8\xD1\x87"},
    {"Chinese", "\xE7\xB4\x8B\xE7\x90\x86", "\xE7\xA3\x9A"},
    {"an emoji", "\xF0\x9F\xA7\xB1", "\xF0\x9F\xA7\xB1"},
};

struct NamedTexture {
  const char* extension;
  const char* info;
  const char* longName;  // null: the file's own name
  bool preview;
};
constexpr NamedTexture kNamedTextures[] = {
    {".tif", "TIFF (8 bit, 128x128)", "Slate Floor", true},
    {".bmp", "BMP (24 bit, 2x2)", nullptr, false},
    {".png", "PNG (24 bit, 256x256)", "Copper Leaf", true},
    {".jpg", "JPEG (24 bit, 320x200)", "Rust Wall", true},
};

// The rows prove something only where the ANSI code page cannot hold the
// names: the run's locale (run-wine-tests.sh sets C.UTF-8) gives Wine's
// prefix code page 1252, Western European.
std::string ansiCodePageLacksTheNames() {
  if (GetACP() != 1252) return " the ANSI code page is " + std::to_string(GetACP()) + ", not 1252";
  std::string problem;
  for (const NamedFolder& named : kNamedFolders) {
    const std::wstring wide = wideOf(named.folder);
    char narrow[64] = {};
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, narrow, sizeof narrow, nullptr, &lost);
    if (!lost) problem += std::string(" code page 1252 holds the ") + named.what + " name";
  }
  return problem;
}

std::string lowerCase(const std::string& text) {
  std::wstring wide = wideOf(text);
  CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return utf8Of(wide.c_str());
}

// In the named folder: the long names of all four files, each one's info
// line and preview, then Open on the BMP, which fills with its texels.
std::string checkNamedFolder(const PluginUnderTest& plugin, const NamedFolder& named) {
  const Run run = runWithChooser(plugin, [&](HWND dialog) {
    std::string problem;
    // All Textures, listed whole before the folder is opened: the long names
    // are rebuilt a line at a time, and a count taken part way could match.
    selectComboItem(dialog, IDC_FILE_TYPE, 3);
    if (!waitUntil([&] { return listCount(dialog, IDC_LONG_NAME_LIST) == kAllFiles - 1; }, kDialogWait)) {
      problem += " All Textures lists " + std::to_string(listCount(dialog, IDC_LONG_NAME_LIST)) + " files";
    }
    typeFileName(dialog, named.folder);
    pressButton(dialog, IDOK);
    const auto textureOf = [&](const std::string& file) -> const NamedTexture* {
      for (const NamedTexture& t : kNamedTextures) {
        if (lowerCase(file) == lowerCase(std::string(named.name) + t.extension)) return &t;
      }
      return nullptr;
    };
    const auto folderListed = [&] {
      if (listCount(dialog, IDC_FILE_LIST) != 4 || listCount(dialog, IDC_LONG_NAME_LIST) != 4) return false;
      for (int i = 0; i < 4; ++i) {
        if (textureOf(listText(dialog, IDC_FILE_LIST, i)) == nullptr) return false;
      }
      return true;
    };
    if (!waitUntil(folderListed, kDialogWait)) {
      std::string listed;
      for (int i = 0; i < listCount(dialog, IDC_FILE_LIST); ++i) {
        listed += ' ';
        listed += quoted(listText(dialog, IDC_FILE_LIST, i));
      }
      pressButton(dialog, IDCANCEL);
      return problem + " the folder was not listed; files:" + listed;
    }
    for (int i = 0; i < 4; ++i) {
      const std::string file = listText(dialog, IDC_FILE_LIST, i);
      const std::string have = listText(dialog, IDC_LONG_NAME_LIST, i);
      const NamedTexture* texture = textureOf(file);
      if (have != (texture->longName != nullptr ? texture->longName : file)) {
        problem += " long name " + quoted(have) + " for " + quoted(file);
      }
    }
    for (const NamedTexture& texture : kNamedTextures) {
      const std::string file = std::string(named.name) + texture.extension;
      typeFileName(dialog, file);
      if (controlText(dialog, IDC_INFO_LINE) != texture.info) {
        problem += " info " + quoted(controlText(dialog, IDC_INFO_LINE)) + " for " + quoted(file);
      }
      if (texture.preview) problem += previewDrawn(dialog, file, false);
    }
    typeFileName(dialog, std::string(named.name) + ".bmp");
    pressButton(dialog, IDOK);
    return problem;
  });
  const std::string pixels = run.fill.pixels == expectedFill(true)
                                 ? ""
                                 : " pixels " + hexBytes(run.fill.pixels.data(), run.fill.pixels.size());
  return run.problem + resultText("the run", run.fill.result, 0) + boxesText(run.boxes) + pixels;
}

}  // namespace

void runChooserChecks(const PluginUnderTest& plugin) {
  // First of all: the About selector before any Start has run.
  report("About from the selector, before any run, shows its picture and closes with OK and not with Escape",
         checkAboutFromSelector(plugin, CloseBy::okButton, true));
  report("About from the selector closes with the close box",
         checkAboutFromSelector(plugin, CloseBy::closeBox, false));
  report("About from the selector closes with Enter",
         checkAboutFromSelector(plugin, CloseBy::enterKey, false));

  const std::string fixtures = environment("ORIELVMX_CHOOSER_FIXTURES");
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof previous, previous);
  if (fixtures.empty() || !SetCurrentDirectoryA(fixtures.c_str())) {
    report("chooser fixtures", "ORIELVMX_CHOOSER_FIXTURES does not name a directory");
    return;
  }
  report("a new Open Texture dialog: long names, Actual size disabled, empty info; Cancel gives 1 and writes the settings",
         checkNewDialogAndCancel(plugin));
  report("a .tif library texture is described and enables the size combo; .hrt does not; preview drawn",
         checkInfoLineAndSizeCombo(plugin));
  report("moving to a non-library file resets the size to Actual; Open fills at Actual",
         checkSizeResetAndOpen(plugin));
  report("the long names follow the file type; a double-click in them opens the file",
         checkDoubleClickOpens(plugin));
  report("stored fId=3 opens on All Files; File Names and Long Names share one place; prv and fVw follow the boxes",
         checkViewSwitch(plugin));
  report("a directory change empties the name and rebuilds the long names",
         checkDirectoryChange(plugin));
  report("All Textures lists PNG and JPEG files with their long names, info lines and thumbnails; fId=6 for JPEG",
         checkPngAndJpegTextures(plugin));
  report("Preferences confirmed with the selection origin tiles from the selection and writes tOn=0",
         checkPreferencesConfirmed(plugin));
  report("Preferences cancelled writes nothing and keeps the document origin",
         checkPreferencesCancelled(plugin));
  report("Preferences appears below and right of the centre and closes with its close box",
         checkPreferencesScreenshot(plugin));
  report("About from the dialog's button closes with Enter", checkAboutFromDialog(plugin));
  report("a dialog ended without Open or Cancel gives -19 after message 101",
         checkFailedDialog(plugin));
  report("a settings write the Windows directory refuses goes to the per-user file, read by the next run",
         checkRefusedWriteMovesToPerUserFile(plugin));
  report("an existing per-user settings file wins over the Windows-directory file",
         checkPerUserFileWins(plugin));
  report("the settings file after a run holds the bytes the earlier releases' narrow profile calls write",
         checkSettingsBytesAsEarlierReleases(plugin));
  const std::string codePage = ansiCodePageLacksTheNames();
  report("the prefix's ANSI code page (1252) cannot hold the Cyrillic, Chinese and emoji names", codePage);
  for (const NamedFolder& named : kNamedFolders) {
    report(std::string("in a folder named in ") + named.what +
               ": long names, info lines and previews of a TIFF, a BMP, a PNG and a JPEG named so too; "
               "Open on the BMP fills with its texels",
           checkNamedFolder(plugin, named));
  }
  removeSettings();
  runPreferencesChecks(plugin);
  SetCurrentDirectoryA(previous);
}

}  // namespace wintest
