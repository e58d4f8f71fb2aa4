// The Preferences dialog: where tiling starts, and below it the fill options
// with a swatch that shows them as they are set.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>

#include "chooser/settings.h"
#include "chooser/whole_number.h"
#include "chooser/win32/chooser_win32.h"
#include "platform/messages.h"
#include "resources/dialog_ids.h"
#include "resources/strings.h"

namespace chooser {

PreferencesDialogState preferencesDialog;

namespace {

// The options typed into edits: the edit, the name a refusal gives it and
// its setting (which holds its range).
struct TypedOption {
  int editId;
  const char* name;
  FillSetting setting;
};
constexpr TypedOption kTypedOptions[] = {
    {IDC_SCALE_EDIT, "Scale %", FillSetting::scale},
    {IDC_ANGLE_EDIT, "Angle", FillSetting::angle},
    {IDC_OFFSET_X_EDIT, "Offset X", FillSetting::offsetX},
    {IDC_OFFSET_Y_EDIT, "Offset Y", FillSetting::offsetY},
    {IDC_VARIATION_EDIT, "Variation", FillSetting::variation},
};
constexpr const TypedOption& kVariationOption = kTypedOptions[4];
static_assert(kVariationOption.setting == FillSetting::variation);

// The two edits with up-down controls.
struct SpinnedOption {
  int spinId;
  FillSetting setting;
};
constexpr SpinnedOption kSpinnedOptions[] = {
    {IDC_SCALE_SPIN, FillSetting::scale},
    {IDC_ANGLE_SPIN, FillSetting::angle},
};

// Enough for every number in range with its sign; longer text could only
// be refused.
constexpr int kTypedCharacters = 8;

// Blank space kept between the swatch and the dialog's right and bottom
// edges, in pixels at 96 DPI.
constexpr int kSwatchMargin = 8;

bool typedValue(HWND dialog, const TypedOption& option, std::int32_t* value) {
  // Text set from outside may be longer than the user can type; what fills
  // the buffer may have been cut and is no number.
  char text[32];
  if (GetDlgItemTextA(dialog, option.editId, text, sizeof text) >= static_cast<int>(sizeof text) - 1) {
    return false;
  }
  const FillSettingRule& rule = fillSettingRule(option.setting);
  return parseWholeNumber(text, rule.minimum, rule.maximum, value);
}

// The options as the controls stand, over `options`; a field holding no
// number in its range leaves that option as it was.
fill::FillOptions shownOptions(HWND dialog, fill::FillOptions options) {
  const auto repeat = static_cast<std::int32_t>(itemMessage(dialog, IDC_REPEAT_COMBO, CB_GETCURSEL));
  if (repeat >= 0 && repeat < fill::kRepeatModeCount) options.repeat = repeat;
  for (const TypedOption& option : kTypedOptions) {
    std::int32_t value = 0;
    if (typedValue(dialog, option, &value)) setFillSetting(&options, option.setting, value);
  }
  options.makeSeamless = IsDlgButtonChecked(dialog, IDC_MAKE_SEAMLESS) == BST_CHECKED;
  return options;
}

// The swatch's options: the defaults under what the controls show, the
// size the Open Texture dialog shows.
fill::FillOptions swatchOptions(HWND dialog) {
  fill::FillOptions options;
  options.sizeChoice = preferencesDialog.sizeChoice;
  return shownOptions(dialog, options);
}

// Resizes the swatch's place to its size in pixels, inside a one-pixel
// frame, and grows the dialog where the template's font has grown less
// than the display and the swatch would run past its edge.
void placeSwatch(HWND dialog) {
  const int dpi = dialogDpi(dialog);
  HWND swatch = GetDlgItem(dialog, IDC_SWATCH);
  const RECT place = clientPlace(dialog, swatch);
  const int side = scaledForDpi(kSwatchSide, dpi) + 2;
  MoveWindow(swatch, place.left, place.top, side, side, TRUE);
  RECT client{};
  GetClientRect(dialog, &client);
  const int margin = scaledForDpi(kSwatchMargin, dpi);
  const int growWidth = place.left + side + margin - client.right;
  const int growHeight = place.top + side + margin - client.bottom;
  if (growWidth <= 0 && growHeight <= 0) return;
  RECT window{};
  GetWindowRect(dialog, &window);
  MoveWindow(dialog, window.left, window.top, window.right - window.left + (growWidth > 0 ? growWidth : 0),
             window.bottom - window.top + (growHeight > 0 ? growHeight : 0), FALSE);
}

void initPreferences(HWND dialog) {
  setWhiteDialogBackground(dialog);
  placeSwatch(dialog);
  centreDialog(dialog, 1);
  CheckRadioButton(dialog, IDC_ORIGIN_DOCUMENT, IDC_ORIGIN_SELECTION,
                   readTileOriginSetting() ? IDC_ORIGIN_DOCUMENT : IDC_ORIGIN_SELECTION);

  fill::FillOptions stored;
  readFillSettings(&stored);
  // Unsorted, so that an item's index is its RepeatMode.
  for (const char* name : fill::kRepeatModeTexts) {
    itemMessage(dialog, IDC_REPEAT_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  itemMessage(dialog, IDC_REPEAT_COMBO, CB_SETCURSEL, static_cast<WPARAM>(stored.repeat));
  for (const SpinnedOption& option : kSpinnedOptions) {
    const FillSettingRule& rule = fillSettingRule(option.setting);
    itemMessage(dialog, option.spinId, UDM_SETRANGE32, static_cast<WPARAM>(rule.minimum),
                static_cast<LPARAM>(rule.maximum));
    itemMessage(dialog, option.spinId, UDM_SETPOS32, 0,
                static_cast<LPARAM>(fillSettingValue(stored, option.setting)));
  }
  for (const TypedOption& option : kTypedOptions) {
    itemMessage(dialog, option.editId, EM_LIMITTEXT, kTypedCharacters);
    SetDlgItemInt(dialog, option.editId, static_cast<UINT>(fillSettingValue(stored, option.setting)), TRUE);
  }
  CheckDlgButton(dialog, IDC_MAKE_SEAMLESS, stored.makeSeamless ? BST_CHECKED : BST_UNCHECKED);

  preferencesDialog.ready = 1;
  redrawSwatch(dialog, swatchOptions(dialog));
}

// Another variation than the one shown: a step of 1 to the largest
// variation from it, taken from the clock, so that two presses in a row
// differ too.
void pickNewVariation(HWND dialog) {
  const FillSettingRule& rule = fillSettingRule(FillSetting::variation);
  const std::int32_t count = rule.maximum - rule.minimum + 1;
  std::int32_t shown = rule.fallback;
  typedValue(dialog, kVariationOption, &shown);
  const auto step = static_cast<std::int32_t>((GetTickCount() * 2654435761u >> 8) % (count - 1)) + 1;
  const std::int32_t next = rule.minimum + (shown - rule.minimum + step) % count;
  SetDlgItemInt(dialog, kVariationOption.editId, static_cast<UINT>(next), TRUE);
}

// A typed value out of its range: says so, and gives the field back to the
// user with its text selected.
void refuseTypedValue(HWND dialog, const TypedOption& option) {
  const FillSettingRule& rule = fillSettingRule(option.setting);
  platform::showTableMessageFormatted(IDS_OPTION_OUT_OF_RANGE, platform::kBoxOk, option.name,
                                      static_cast<int>(rule.minimum), static_cast<int>(rule.maximum));
  HWND edit = GetDlgItem(dialog, option.editId);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

// OK: every typed value in range, or nothing is taken and nothing written.
void confirmPreferences(HWND dialog) {
  for (const TypedOption& option : kTypedOptions) {
    std::int32_t value = 0;
    if (!typedValue(dialog, option, &value)) {
      refuseTypedValue(dialog, option);
      return;
    }
  }
  fill::FillOptions chosen = shownOptions(dialog, textureDialog.workingOptions);
  const bool document = IsDlgButtonChecked(dialog, IDC_ORIGIN_DOCUMENT) == BST_CHECKED;
  chosen.tileOrigin = document ? fill::originDocument : fill::originSelection;
  textureDialog.workingOptions = chosen;
  writeTileOriginSetting(document);
  writeFillSettings(chosen);
  EndDialog(dialog, IDCANCEL);
}

// Whether a command changes what the swatch shows.
bool changesSwatch(int id, int notification) {
  if (id == IDC_REPEAT_COMBO) return notification == CBN_SELCHANGE;
  if (id == IDC_MAKE_SEAMLESS) return notification == BN_CLICKED;
  for (const TypedOption& option : kTypedOptions) {
    if (id == option.editId) return notification == EN_CHANGE;
  }
  return false;
}

}  // namespace

void showPreferencesDialog(HWND parent, const char* texturePath, std::int32_t sizeChoice) {
  // The up-down controls' window class; the template cannot be made without it.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&classes);
  preferencesDialog.texturePath[0] = '\0';
  if (texturePath != nullptr) {
    std::strncpy(preferencesDialog.texturePath, texturePath, kTextureFileBytes - 1);
    preferencesDialog.texturePath[kTextureFileBytes - 1] = '\0';
  }
  preferencesDialog.sizeChoice =
      sizeChoice >= 0 && sizeChoice < fill::kSizeChoiceCount ? sizeChoice : fill::sizeActual;
  preferencesDialog.ready = 0;
  preferencesDialog.swatchPreview = fill::createFillPreview();
  DialogBoxParamA(textureDialog.moduleInstance, MAKEINTRESOURCEA(IDD_PREFERENCES), parent,
                  preferencesDialogProc, 0);
  preferencesDialog.ready = 0;
  fill::destroyFillPreview(preferencesDialog.swatchPreview);
  preferencesDialog.swatchPreview = nullptr;
}

INT_PTR CALLBACK preferencesDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  switch (message) {
    case WM_INITDIALOG:
      initPreferences(dialog);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam != IDC_SWATCH) return FALSE;
      drawSwatch(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        confirmPreferences(dialog);
        return TRUE;
      }
      if (wParam == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      if (id == IDC_NEW_VARIATION && HIWORD(wParam) == BN_CLICKED) {
        pickNewVariation(dialog);
      } else if (preferencesDialog.ready && changesSwatch(id, HIWORD(wParam))) {
        redrawSwatch(dialog, swatchOptions(dialog));
      }
      return FALSE;
    }
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace chooser
