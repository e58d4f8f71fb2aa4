#include "chooser/settings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "chooser/settings_file.h"
#include "chooser/whole_number.h"
#include "resources/strings.h"

namespace chooser {

char settingsFileName[kSettingsNameBytes];
char settingsSection[kSettingsNameBytes];

void loadSettingsNames(platform::ModuleHandle module) {
  platform::loadString(module, IDS_SETTINGS_SECTION, settingsSection, kSettingsNameBytes);
  platform::loadString(module, IDS_SETTINGS_FILE, settingsFileName, kSettingsNameBytes);
}

unsigned readFilterIndexSetting() { return readSettingsKey(kFilterIndexKey, kFilterIndexDefault); }

bool readPreviewSetting() { return readSettingsKey(kPreviewKey, kPreviewDefault) == 1; }

bool readTileOriginSetting() { return readSettingsKey(kTileOriginKey, kTileOriginDefault) == 1; }

// A settings file that cannot be written costs the user nothing but the
// remembered choice, so a failed write is not reported.
void writeTileOriginSetting(bool documentOrigin) {
  writeSettingsKey(kTileOriginKey, documentOrigin ? "1" : "0");
}

void writeDialogSettings(const DialogSettings& settings) {
  // An unchecked Preview box is stored as "2", not "0".
  writeSettingsKey(kPreviewKey, settings.previewChecked ? "1" : "2");
  writeSettingsKey(kListViewKey, settings.longNamesChecked ? "1" : "0");
  // One character counted from "1": the combo's first entry is filter 1.
  const char filterText[2] = {static_cast<char>('1' + settings.fileTypeIndex), '\0'};
  writeSettingsKey(kFilterIndexKey, filterText);
}

std::int32_t fillSettingValue(const fill::FillOptions& options, FillSetting setting) {
  switch (setting) {
    case FillSetting::repeat: return options.repeat;
    case FillSetting::scale: return options.scalePercent;
    case FillSetting::angle: {
      // Angles beyond a turn come only from elsewhere (texfill takes any);
      // the remainder of the division is exact.
      double angle = options.angleDegrees;
      if (!(angle >= -kAngleLimit && angle <= kAngleLimit)) {
        angle = std::isfinite(angle) ? std::fmod(angle, 360.0) : 0.0;
      }
      return static_cast<std::int32_t>(angle < 0 ? angle - 0.5 : angle + 0.5);
    }
    case FillSetting::offsetX: return options.offsetX;
    case FillSetting::offsetY: return options.offsetY;
    case FillSetting::variation: return options.seed;
    case FillSetting::makeSeamless: return options.makeSeamless ? 1 : 0;
  }
  return 0;
}

void setFillSetting(fill::FillOptions* options, FillSetting setting, std::int32_t value) {
  switch (setting) {
    case FillSetting::repeat: options->repeat = value; break;
    case FillSetting::scale: options->scalePercent = value; break;
    case FillSetting::angle: options->angleDegrees = value; break;
    case FillSetting::offsetX: options->offsetX = value; break;
    case FillSetting::offsetY: options->offsetY = value; break;
    case FillSetting::variation: options->seed = value; break;
    case FillSetting::makeSeamless: options->makeSeamless = value != 0; break;
  }
}

void readFillSettings(fill::FillOptions* options) {
  for (int i = 0; i < kFillSettingCount; ++i) {
    const FillSettingRule& rule = kFillSettingRules[i];
    // A value that fills the buffer may have been cut short: no number is
    // that long, even with blanks around it.
    char text[64];
    readSettingsText(rule.key, text, sizeof text);
    std::int32_t value = rule.fallback;
    if (std::strlen(text) < sizeof text - 1) parseWholeNumber(text, rule.minimum, rule.maximum, &value);
    setFillSetting(options, static_cast<FillSetting>(i), value);
  }
}

void writeFillSettings(const fill::FillOptions& options) {
  for (int i = 0; i < kFillSettingCount; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%ld",
                  static_cast<long>(fillSettingValue(options, static_cast<FillSetting>(i))));
    writeSettingsKey(kFillSettingRules[i].key, text);
  }
}

}  // namespace chooser
