#include "chooser/settings.h"

#include "resources/strings.h"

namespace chooser {

char settingsFileName[kSettingsNameBytes];
char settingsSection[kSettingsNameBytes];

void loadSettingsNames(platform::ModuleHandle module) {
  platform::loadString(module, IDS_SETTINGS_SECTION, settingsSection, kSettingsNameBytes);
  platform::loadString(module, IDS_SETTINGS_FILE, settingsFileName, kSettingsNameBytes);
}

namespace {

unsigned readKey(const char* key, int defaultValue) {
  return platform::profileInt(settingsSection, key, defaultValue, settingsFileName);
}

void writeKey(const char* key, const char* text) {
  // A settings file that cannot be written costs the user nothing but the
  // remembered choice, so a failure is not reported.
  platform::writeProfileString(settingsSection, key, text, settingsFileName);
}

}  // namespace

unsigned readFilterIndexSetting() { return readKey(kFilterIndexKey, kFilterIndexDefault); }

bool readPreviewSetting() { return readKey(kPreviewKey, kPreviewDefault) == 1; }

bool readTileOriginSetting() { return readKey(kTileOriginKey, kTileOriginDefault) == 1; }

void writeTileOriginSetting(bool documentOrigin) {
  writeKey(kTileOriginKey, documentOrigin ? "1" : "0");
}

void writeDialogSettings(const DialogSettings& settings) {
  // An unchecked Preview box is stored as "2", not "0".
  writeKey(kPreviewKey, settings.previewChecked ? "1" : "2");
  writeKey(kListViewKey, settings.longNamesChecked ? "1" : "0");
  // One character counted from "1": the combo's first entry is filter 1.
  const char filterText[2] = {static_cast<char>('1' + settings.fileTypeIndex), '\0'};
  writeKey(kFilterIndexKey, filterText);
}

}  // namespace chooser
