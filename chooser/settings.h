// The chooser's private settings file: its name, its section and the keys
// the dialogs read and write. Every access is one private-profile call
// through the platform layer; the file is never opened here.
#pragma once

#include <cstdint>

#include "fill/fill_options.h"
#include "platform/platform.h"

namespace chooser {

constexpr int kSettingsNameBytes = 32;

// Loaded from the string table (entries 2 and 1) at the start of every
// dialog run; the section is also the Open Texture dialog's caption.
extern char settingsFileName[kSettingsNameBytes];
extern char settingsSection[kSettingsNameBytes];

void loadSettingsNames(platform::ModuleHandle module);

// The keys, each with the default used when the file or the key is missing.
constexpr const char* kFilterIndexKey = "fId";  // 1-based file-type filter
constexpr const char* kPreviewKey = "prv";      // Preview box: 1 checked
constexpr const char* kListViewKey = "fVw";     // 1 long names, 0 file names
constexpr const char* kTileOriginKey = "tOn";   // 1 document, 0 selection
constexpr int kFilterIndexDefault = 1;
constexpr int kPreviewDefault = 1;
constexpr int kTileOriginDefault = 1;

unsigned readFilterIndexSetting();
// Only a stored 1 means "checked" / "document": anything else, 0 and 2
// included, reads as the other state.
bool readPreviewSetting();
bool readTileOriginSetting();
void writeTileOriginSetting(bool documentOrigin);

// What the Open Texture dialog shows when the user leaves it with Open or
// Cancel; the Win32 dialog reads it from its controls.
struct DialogSettings {
  bool previewChecked;
  bool longNamesChecked;
  int fileTypeIndex;  // 0-based selection of the file-type combo, -1 for none
};

// Writes "prv", "fVw" and "fId", in this order.
void writeDialogSettings(const DialogSettings& settings);

// The fill options of the Preferences dialog, a key each. Like "tOn" they
// only pre-fill the dialog; a run's options start from the defaults and
// take the dialog's values when it is confirmed, which writes every key.
// They are stored as signed decimal text ("-45") and read back as text
// through whole_number.h, because the integer read gives no negative
// number back and takes "12abc" as 12: a missing, non-numeric or
// out-of-range value reads as the default.
enum class FillSetting : int { repeat, scale, angle, offsetX, offsetY, variation, makeSeamless };
constexpr int kFillSettingCount = 7;

// The dialog takes the angle in whole degrees, a turn either way.
constexpr std::int32_t kAngleLimit = 360;

struct FillSettingRule {
  const char* key;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t fallback;
};

// By FillSetting.
inline constexpr FillSettingRule kFillSettingRules[kFillSettingCount] = {
    {"rpt", 0, fill::kRepeatModeCount - 1, fill::repeatTile},  // 0 tile, 1 mirror, 2 without repetition, 3 shapes kept
    {"scl", fill::kScaleMinimum, fill::kScaleMaximum, fill::kScaleDefault},  // percent
    {"ang", -kAngleLimit, kAngleLimit, 0},  // degrees, positive counter-clockwise
    {"ofX", -fill::kOffsetLimit, fill::kOffsetLimit, 0},  // document pixels
    {"ofY", -fill::kOffsetLimit, fill::kOffsetLimit, 0},
    {"var", 0, fill::kSeedMaximum, fill::kSeedDefault},  // variation (seed)
    {"msl", 0, 1, 0},  // make seamless: 1 on
};

constexpr const FillSettingRule& fillSettingRule(FillSetting setting) {
  return kFillSettingRules[static_cast<int>(setting)];
}

// One option as the dialog shows it; the angle to the nearest whole degree.
std::int32_t fillSettingValue(const fill::FillOptions& options, FillSetting setting);
void setFillSetting(fill::FillOptions* options, FillSetting setting, std::int32_t value);

// The stored values of the seven options into `options`, each read apart.
void readFillSettings(fill::FillOptions* options);
// Writes the seven keys in the table's order.
void writeFillSettings(const fill::FillOptions& options);

}  // namespace chooser
