// The chooser's private settings file: its name, its section and the four
// keys the dialogs read and write. Every access is one private-profile call
// through the platform layer; the file is never opened here.
#pragma once

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

}  // namespace chooser
