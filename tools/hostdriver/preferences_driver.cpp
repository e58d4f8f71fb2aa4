#include "tools/hostdriver/preferences_driver.h"

#include <cmath>
#include <cstdlib>

#include "resources/dialog_ids.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/hostdriver/dialog_driver.h"

namespace hostdriver {
namespace {

// The whole-number options and their edits; the angle is apart, as the
// options hold it in a double.
struct TypedField {
  int editId;
  std::int32_t fill::FillOptions::*value;
};
constexpr TypedField kTypedFields[] = {
    {IDC_SCALE_EDIT, &fill::FillOptions::scalePercent},
    {IDC_OFFSET_X_EDIT, &fill::FillOptions::offsetX},
    {IDC_OFFSET_Y_EDIT, &fill::FillOptions::offsetY},
    {IDC_VARIATION_EDIT, &fill::FillOptions::seed},
};

std::int32_t shownNumber(HWND dialog, int id) {
  const std::string text = controlText(dialog, id);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return text.empty() || *end != '\0' ? kNotANumber : static_cast<std::int32_t>(value);
}

bool setCheck(HWND dialog, int id, bool checked) {
  if (buttonChecked(dialog, id) == checked) return true;
  clickButton(dialog, id);
  return waitUntil([&] { return buttonChecked(dialog, id) == checked; }, kDialogWait);
}

}  // namespace

bool needsPreferences(const fill::FillOptions& options) {
  const fill::FillOptions defaults;
  return options.tileOrigin != fill::originDocument || options.repeat != defaults.repeat ||
         options.scalePercent != defaults.scalePercent || options.angleDegrees != defaults.angleDegrees ||
         options.offsetX != defaults.offsetX || options.offsetY != defaults.offsetY ||
         options.seed != defaults.seed || options.makeSeamless != defaults.makeSeamless;
}

fill::FillOptions preferencesShown(HWND preferences) {
  fill::FillOptions shown;
  shown.tileOrigin = buttonChecked(preferences, IDC_ORIGIN_DOCUMENT) ? fill::originDocument : fill::originSelection;
  shown.repeat = comboSelection(preferences, IDC_REPEAT_COMBO);
  for (const TypedField& field : kTypedFields) shown.*field.value = shownNumber(preferences, field.editId);
  shown.angleDegrees = shownNumber(preferences, IDC_ANGLE_EDIT);
  shown.makeSeamless = buttonChecked(preferences, IDC_MAKE_SEAMLESS);
  return shown;
}

std::string setPreferences(HWND preferences, const fill::FillOptions& options) {
  std::string problems;
  const int radio = options.tileOrigin == fill::originDocument ? IDC_ORIGIN_DOCUMENT : IDC_ORIGIN_SELECTION;
  if (!setCheck(preferences, radio, true)) problems += " radio button " + std::to_string(radio) + " did not check";
  if (!selectComboItem(preferences, IDC_REPEAT_COMBO, options.repeat)) {
    problems += " cannot pick repeat " + std::to_string(options.repeat);
  }
  for (const TypedField& field : kTypedFields) {
    if (!setControlText(preferences, field.editId, std::to_string(options.*field.value))) {
      problems += " cannot type into " + std::to_string(field.editId);
    }
  }
  // The dialog takes whole degrees.
  const double wholeAngle = std::nearbyint(options.angleDegrees);
  if (wholeAngle != options.angleDegrees) problems += " the angle is not whole";
  if (!setControlText(preferences, IDC_ANGLE_EDIT, std::to_string(static_cast<long>(wholeAngle)))) {
    problems += " cannot type the angle";
  }
  if (!setCheck(preferences, IDC_MAKE_SEAMLESS, options.makeSeamless)) problems += " make seamless did not follow";
  if (options.cellPercent != 0) problems += " the cell size has no control";
  return problems;
}

std::string answerPreferences(HWND chooser, const fill::FillOptions& options, int buttonId,
                              fill::FillOptions* shown) {
  if (!pressButton(chooser, IDC_PREFERENCES_BUTTON)) return "cannot press Preferences";
  HWND preferences = findDialog(kPreferencesCaption, kDialogWait);
  if (preferences == nullptr) return "no Preferences dialog";
  if (shown != nullptr) *shown = preferencesShown(preferences);
  std::string problem = setPreferences(preferences, options);
  pressButton(preferences, buttonId);
  if (!waitUntil([&] { return !IsWindow(preferences); }, kDialogWait)) {
    problem += " Preferences did not close";
  }
  return problem;
}

}  // namespace hostdriver
