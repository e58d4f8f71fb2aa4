// Where the settings file is read and written. The bare name puts it in the
// Windows directory, which a standard user cannot write on today's systems;
// the per-user copy under the user's application data takes over then.
#pragma once

#include <cstddef>

#include "platform/utf8.h"

namespace chooser {

// Holds a settings file path: a folder, the company folder and the name.
constexpr std::size_t kSettingsPathBytes = platform::kPathBytes;

// "<application data>\Oriel\<settingsFileName>"; false when the platform
// names no such folder or the path does not fit.
bool perUserSettingsPath(char* path, std::size_t size);

// The per-user file when it exists, else the bare name.
unsigned readSettingsKey(const char* key, int defaultValue);
// The stored text of the key from the same file, "" when there is none.
void readSettingsText(const char* key, char* buffer, std::size_t size);
// Writes where reads go. When the bare-name file refuses the write, its
// keys of the section are copied into a new per-user file (folder made as
// needed) and the key is written there; that file exists from then on, so
// every later access goes to it.
void writeSettingsKey(const char* key, const char* text);

}  // namespace chooser
