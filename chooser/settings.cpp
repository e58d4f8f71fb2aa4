#include "chooser/settings.h"

#include "chooser/settings_file.h"
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

}  // namespace chooser
