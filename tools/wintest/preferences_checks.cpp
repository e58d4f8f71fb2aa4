// The Preferences dialog's fill options through the real DLL: the controls
// and their places below the tile origin's, the stored values they open
// with (out-of-range and garbage values falling back to the defaults,
// negative ones read back exactly), the refusal of a typed value out of
// range, and the keys written on OK and not on Cancel.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/hostdriver/dialog_driver.h"
#include "tools/hostdriver/preferences_driver.h"
#include "tools/wintest/check_report.h"
#include "tools/wintest/chooser_run.h"
#include "tools/wintest/plugin_under_test.h"

namespace wintest {

using namespace hostdriver;
namespace {


// The keys of the fill options, in the order the dialog writes them.
constexpr const char* kOptionKeys[] = {"rpt", "scl", "ang", "ofX", "ofY", "var", "msl"};

// --- layout ------------------------------------------------------------------

// A place in the template: x, y, width and height in dialog units.
struct TemplatePlace {
  int x;
  int y;
  int width;
  int height;
};

struct TemplateControl {
  int id;
  TemplatePlace place;
};

// The tile origin's controls with a place of their own in the template.
constexpr TemplateControl kOriginControls[] = {
    {IDOK, {114, 16, 36, 14}},
    {IDCANCEL, {115, 33, 36, 14}},
    {IDC_ORIGIN_DOCUMENT, {16, 19, 82, 12}},
    {IDC_ORIGIN_SELECTION, {16, 33, 82, 12}},
};
// The frame and its title, both unnamed.
constexpr TemplatePlace kOriginFrame{12, 11, 96, 41};
constexpr TemplatePlace kOriginTitle{16, 7, 37, 8};

struct NewControl {
  int id;
  const char* className;
  const char* caption;  // nullptr: not checked
  int buddyId;          // an up-down control's edit, which it may touch; 0 for none
};

constexpr NewControl kNewControls[] = {
    {IDC_REPEAT_LABEL, "Static", "&Repeat:", 0},
    {IDC_REPEAT_COMBO, "ComboBox", nullptr, 0},
    {IDC_SCALE_LABEL, "Static", "S&cale %:", 0},
    {IDC_SCALE_EDIT, "Edit", nullptr, 0},
    {IDC_SCALE_SPIN, UPDOWN_CLASSA, nullptr, IDC_SCALE_EDIT},
    {IDC_ANGLE_LABEL, "Static", "&Angle:", 0},
    {IDC_ANGLE_EDIT, "Edit", nullptr, 0},
    {IDC_ANGLE_SPIN, UPDOWN_CLASSA, nullptr, IDC_ANGLE_EDIT},
    {IDC_OFFSET_X_LABEL, "Static", "Offset &X:", 0},
    {IDC_OFFSET_X_EDIT, "Edit", nullptr, 0},
    {IDC_OFFSET_Y_LABEL, "Static", "Offset &Y:", 0},
    {IDC_OFFSET_Y_EDIT, "Edit", nullptr, 0},
    {IDC_VARIATION_LABEL, "Static", "&Variation:", 0},
    {IDC_VARIATION_EDIT, "Edit", nullptr, 0},
    {IDC_NEW_VARIATION, "Button", "&New", 0},
    {IDC_MAKE_SEAMLESS, "Button", "&Make seamless", 0},
    {IDC_SWATCH, "Static", "", 0},
};

std::string rectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// A control's rectangle in the dialog's client coordinates.
RECT clientRect(HWND dialog, HWND control) {
  RECT area{};
  GetWindowRect(control, &area);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

// The dialog manager converts the corner and the size apart, each rounded.
std::string expectPlace(HWND dialog, HWND control, const TemplatePlace& place, const std::string& what) {
  RECT pixels{place.x, place.y, place.width, place.height};
  MapDialogRect(dialog, &pixels);
  const RECT want{pixels.left, pixels.top, pixels.left + pixels.right, pixels.top + pixels.bottom};
  const RECT have = clientRect(dialog, control);
  return EqualRect(&have, &want) ? "" : " " + what + " at " + rectText(have) + ", want " + rectText(want);
}

struct UnnamedStatics {
  std::vector<HWND> found;
};

BOOL CALLBACK collectUnnamed(HWND child, LPARAM parameter) {
  if (GetDlgCtrlID(child) == IDC_UNNAMED) reinterpret_cast<UnnamedStatics*>(parameter)->found.push_back(child);
  return TRUE;
}

// The old controls where the template puts them; answers the lowest edge
// among them.
std::string originControlsInPlace(HWND dialog, LONG* bottom) {
  std::string problems;
  *bottom = 0;
  for (const TemplateControl& control : kOriginControls) {
    HWND window = GetDlgItem(dialog, control.id);
    problems += expectPlace(dialog, window, control.place, "control " + std::to_string(control.id));
    *bottom = std::max(*bottom, clientRect(dialog, window).bottom);
  }
  UnnamedStatics unnamed;
  EnumChildWindows(dialog, collectUnnamed, reinterpret_cast<LPARAM>(&unnamed));
  if (unnamed.found.size() != 2) return problems + " " + std::to_string(unnamed.found.size()) + " unnamed statics";
  problems += expectPlace(dialog, unnamed.found[0], kOriginFrame, "the frame");
  problems += expectPlace(dialog, unnamed.found[1], kOriginTitle, "the frame's title");
  if (windowText(unnamed.found[1]) != "  Tile from") problems += " title " + quoted(windowText(unnamed.found[1]));
  for (HWND window : unnamed.found) *bottom = std::max(*bottom, clientRect(dialog, window).bottom);
  return problems;
}

bool overlap(const RECT& a, const RECT& b) {
  RECT common{};
  return IntersectRect(&common, &a, &b) != FALSE;
}

// Where the swatch's one-pixel frame lies, every pixel of it black.
std::string swatchFramed(const Capture& capture, HWND swatch) {
  RECT area{};
  GetWindowRect(swatch, &area);
  bool black = true;
  for (int x = area.left; x < area.right; ++x) {
    black = black && capture.pixel(x, area.top) == 0 && capture.pixel(x, area.bottom - 1) == 0;
  }
  for (int y = area.top; y < area.bottom; ++y) {
    black = black && capture.pixel(area.left, y) == 0 && capture.pixel(area.right - 1, y) == 0;
  }
  return black ? "" : " the swatch's frame is not black";
}

// --- values ------------------------------------------------------------------

std::string optionDifferences(const fill::FillOptions& have, const fill::FillOptions& want) {
  std::string text;
  const auto compare = [&](const char* name, double a, double b) {
    if (a != b) text += std::string(" ") + name + " " + std::to_string(a) + " want " + std::to_string(b);
  };
  compare("origin", have.tileOrigin, want.tileOrigin);
  compare("repeat", have.repeat, want.repeat);
  compare("scale", have.scalePercent, want.scalePercent);
  compare("angle", have.angleDegrees, want.angleDegrees);
  compare("offset x", have.offsetX, want.offsetX);
  compare("offset y", have.offsetY, want.offsetY);
  compare("variation", have.seed, want.seed);
  compare("make seamless", have.makeSeamless, want.makeSeamless);
  return text;
}

// Opens Preferences from the Open Texture dialog; null when it did not come.
HWND openPreferences(HWND chooser) {
  pressButton(chooser, IDC_PREFERENCES_BUTTON);
  return findDialog(kPreferencesCaption, kDialogWait);
}

std::string closeWith(HWND preferences, int button) {
  pressButton(preferences, button);
  return waitUntil([&] { return !IsWindow(preferences); }, kDialogWait) ? "" : " Preferences stayed up";
}

std::string checkLayoutAndDefaults(const PluginUnderTest& plugin) {
  removeSettings();
  const Run run = runWithChooser(plugin, [](HWND chooser) {
    HWND preferences = openPreferences(chooser);
    if (preferences == nullptr) return std::string(" no Preferences");
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    std::string problem = preferencesLayoutProblems(preferences, dpi);
    const std::vector<std::string> repeats = comboItems(preferences, IDC_REPEAT_COMBO);
    if (repeats != std::vector<std::string>{"Tile", "Mirror", "Without repetition", "Quilted (shapes)"}) problem += " repeat items differ";
    problem += optionDifferences(preferencesShown(preferences), fill::FillOptions{});
    // New: another variation, within its range.
    const std::string before = controlText(preferences, IDC_VARIATION_EDIT);
    pressButton(preferences, IDC_NEW_VARIATION);
    if (!waitUntil([&] { return controlText(preferences, IDC_VARIATION_EDIT) != before; }, kDialogWait)) {
      problem += " New kept the variation";
    }
    const std::int32_t picked = preferencesShown(preferences).seed;
    if (picked < 0 || picked > fill::kSeedMaximum) problem += " New picked " + std::to_string(picked);
    problem += closeWith(preferences, IDCANCEL);
    pressButton(chooser, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes);
}

std::string checkStoredValues(const PluginUnderTest& plugin) {
  removeSettings();
  // Out of range, not a number, negative, and a repeat past the list.
  const char* const stored[][2] = {{"rpt", "7"},  {"scl", "5000"}, {"ang", "-45"}, {"ofX", "12abc"},
                                   {"ofY", "-300001"}, {"var", "0"}, {"msl", "1"}};
  for (const auto& [key, value] : stored) writeSetting(key, value);
  fill::FillOptions want;
  want.angleDegrees = -45;
  want.seed = 0;
  want.makeSeamless = true;
  fill::FillOptions shown;
  const Run run = runWithChooser(plugin, [&](HWND chooser) {
    std::string problem = answerPreferences(chooser, fill::FillOptions{}, IDCANCEL, &shown);
    pressButton(chooser, IDCANCEL);
    return problem;
  });
  std::string failure = run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes) +
                        optionDifferences(shown, want);
  for (const auto& [key, value] : stored) failure += expectSetting(key, value);
  removeSettings();
  return failure;
}

struct TypedCase {
  int editId;
  const char* text;
  const char* message;
};

constexpr TypedCase kRefusedValues[] = {
    {IDC_SCALE_EDIT, "0", "Scale % must be a whole number from 1 to 1000."},
    {IDC_SCALE_EDIT, "1001", "Scale % must be a whole number from 1 to 1000."},
    {IDC_ANGLE_EDIT, "12.5", "Angle must be a whole number from -360 to 360."},
    {IDC_OFFSET_X_EDIT, "-300001", "Offset X must be a whole number from -300000 to 300000."},
    {IDC_OFFSET_Y_EDIT, "", "Offset Y must be a whole number from -300000 to 300000."},
    {IDC_VARIATION_EDIT, "1e3", "Variation must be a whole number from 0 to 99999."},
};

// After a refusal: the message box, dismissed here, and the dialog still up
// with the field focused and its text selected.
std::string refusalShown(HWND preferences, const TypedCase& row) {
  HWND box = findDialog("", kDialogWait);
  if (box == nullptr) return std::string(" no message for ") + quoted(row.text);
  std::string problem;
  const std::string text = staticText(box);
  if (text != row.message) problem += " message " + quoted(text) + " for " + quoted(row.text);
  pressButton(box, IDOK);
  if (!waitUntil([&] { return !IsWindow(box); }, kDialogWait)) return problem + " the message stayed up";
  if (!IsWindow(preferences)) return problem + " Preferences closed after " + quoted(row.text);
  HWND edit = GetDlgItem(preferences, row.editId);
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  const bool focused = waitUntil(
      [&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(preferences, nullptr), &thread) && thread.hwndFocus == edit;
      },
      kDialogWait);
  if (!focused) problem += " field " + std::to_string(row.editId) + " not focused";
  const auto selection = static_cast<DWORD>(sendWithTimeout(edit, EM_GETSEL, 0, 0));
  const std::size_t length = controlText(preferences, row.editId).size();
  if (LOWORD(selection) != 0 || HIWORD(selection) != length) {
    problem += " selection " + std::to_string(LOWORD(selection)) + "-" + std::to_string(HIWORD(selection)) +
               " of " + std::to_string(length);
  }
  return problem;
}

std::string checkRefusedValues(const PluginUnderTest& plugin) {
  removeSettings();
  const Run run = runWithChooser(plugin, [](HWND chooser) {
    HWND preferences = openPreferences(chooser);
    if (preferences == nullptr) return std::string(" no Preferences");
    fill::FillOptions valid;
    valid.tileOrigin = fill::originSelection;
    valid.scalePercent = 250;
    std::string problem;
    for (const TypedCase& row : kRefusedValues) {
      problem += setPreferences(preferences, valid);
      setControlText(preferences, row.editId, row.text);
      pressButton(preferences, IDOK);
      problem += refusalShown(preferences, row);
      if (!IsWindow(preferences)) break;
    }
    if (IsWindow(preferences)) problem += closeWith(preferences, IDCANCEL);
    pressButton(chooser, IDCANCEL);
    return problem;
  });
  std::string failure = run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes) +
                        expectSetting("tOn", "(none)");
  for (const char* key : kOptionKeys) failure += expectSetting(key, "(none)");
  return failure;
}

std::string checkConfirmedValues(const PluginUnderTest& plugin) {
  removeSettings();
  fill::FillOptions chosen;
  chosen.tileOrigin = fill::originSelection;
  chosen.repeat = fill::repeatMirror;
  chosen.scalePercent = 250;
  chosen.angleDegrees = -30;
  chosen.offsetX = -7;
  chosen.offsetY = 12;
  chosen.seed = 4321;
  chosen.makeSeamless = true;
  const Run run = runWithChooser(plugin, [&](HWND chooser) {
    std::string problem = answerPreferences(chooser, chosen, IDOK);
    pressButton(chooser, IDCANCEL);
    return problem;
  });
  std::string failure = run.problem + resultText("the run", run.fill.result, 1) + boxesText(run.boxes);
  const char* const want[][2] = {{"tOn", "0"}, {"rpt", "1"},  {"scl", "250"}, {"ang", "-30"},
                                 {"ofX", "-7"}, {"ofY", "12"}, {"var", "4321"}, {"msl", "1"}};
  for (const auto& [key, value] : want) failure += expectSetting(key, value);
  // The next run's dialog opens on them.
  fill::FillOptions shown;
  const Run next = runWithChooser(plugin, [&](HWND chooser) {
    std::string problem = answerPreferences(chooser, chosen, IDCANCEL, &shown);
    pressButton(chooser, IDCANCEL);
    return problem;
  });
  failure += next.problem + optionDifferences(shown, chosen);
  removeSettings();
  return failure;
}

}  // namespace

std::string preferencesLayoutProblems(HWND preferences, int dpi) {
  LONG oldBottom = 0;
  std::string problems = originControlsInPlace(preferences, &oldBottom);
  RECT client{};
  GetClientRect(preferences, &client);
  std::vector<RECT> places;
  for (const NewControl& control : kNewControls) {
    const std::string name = " control " + std::to_string(control.id);
    HWND window = GetDlgItem(preferences, control.id);
    if (window == nullptr) {
      problems += name + " missing";
      places.push_back(RECT{});
      continue;
    }
    if (lstrcmpiA(windowClass(window).c_str(), control.className) != 0) {
      problems += name + " is a " + windowClass(window);
    }
    if (control.caption != nullptr && windowText(window) != control.caption) {
      problems += name + " reads " + quoted(windowText(window));
    }
    const RECT place = clientRect(preferences, window);
    places.push_back(place);
    if (place.top < oldBottom) problems += name + " at " + rectText(place) + " is not below the tile origin";
    RECT inside{};
    IntersectRect(&inside, &place, &client);
    if (!EqualRect(&inside, &place)) problems += name + " at " + rectText(place) + " runs out of the dialog";
    if (control.buddyId != 0) {
      const auto buddy = reinterpret_cast<HWND>(sendWithTimeout(window, UDM_GETBUDDY, 0, 0));
      if (buddy != GetDlgItem(preferences, control.buddyId)) problems += name + " is not attached to its edit";
    }
  }
  for (std::size_t i = 0; i < places.size(); ++i) {
    for (std::size_t j = i + 1; j < places.size(); ++j) {
      if (kNewControls[j].buddyId == kNewControls[i].id) continue;
      if (overlap(places[i], places[j])) {
        problems += " controls " + std::to_string(kNewControls[i].id) + " and " + std::to_string(kNewControls[j].id) +
                    " overlap";
      }
    }
  }
  const int side = MulDiv(160, dpi, 96) + 2;
  const RECT& swatch = places.back();
  if (swatch.right - swatch.left != side || swatch.bottom - swatch.top != side) {
    problems += " the swatch is " + rectText(swatch) + ", want " + std::to_string(side) + " square";
  }
  return problems + swatchFramed(captureWindow(preferences), GetDlgItem(preferences, IDC_SWATCH));
}

void runPreferencesChecks(const PluginUnderTest& plugin) {
  report("Preferences: the tile origin's controls in place, the fill options below them with their captions "
         "and defaults, none overlapping; New picks another variation",
         checkLayoutAndDefaults(plugin));
  report("Preferences: stored values out of range or not numbers open as the defaults, negative ones exactly; "
         "Cancel writes nothing",
         checkStoredValues(plugin));
  report("Preferences: a typed value out of range or not a number is refused with its range, its field "
         "selected, nothing written",
         checkRefusedValues(plugin));
  report("Preferences confirmed writes every option's key, negative values as typed, and the next run opens on them",
         checkConfirmedValues(plugin));
}

}  // namespace wintest
