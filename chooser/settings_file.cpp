#include "chooser/settings_file.h"

#include <cstring>

#include "chooser/company_folder.h"
#include "chooser/settings.h"
#include "platform/platform.h"

namespace chooser {

namespace {

// The section holds a dozen short keys; other programs' extra keys beyond
// this are not carried over.
constexpr std::size_t kSectionBytes = 4096;
constexpr std::size_t kKeyBytes = 256;

const char* currentFile(char* path) {
  return perUserSettingsPath(path, kSettingsPathBytes) && platform::pathExists(path)
             ? path
             : settingsFileName;
}

// Makes the per-user file with what the bare-name file holds, so that no
// stored choice is lost in the move.
void copyIntoPerUserFile(const char* path) {
  char folder[kSettingsPathBytes];
  if (companyFolder(UserFolder::roaming, folder, sizeof folder)) platform::createFolder(folder);
  static char lines[kSectionBytes];
  platform::profileSection(settingsSection, lines, sizeof lines, settingsFileName);
  for (const char* line = lines; *line != '\0'; line += std::strlen(line) + 1) {
    const char* equals = std::strchr(line, '=');
    const std::size_t keyLength = equals == nullptr ? 0 : static_cast<std::size_t>(equals - line);
    if (keyLength == 0 || keyLength >= kKeyBytes) continue;
    char key[kKeyBytes];
    std::memcpy(key, line, keyLength);
    key[keyLength] = '\0';
    platform::writeProfileString(settingsSection, key, equals + 1, path);
  }
}

}  // namespace

bool perUserSettingsPath(char* path, std::size_t size) {
  return companyFilePath(UserFolder::roaming, settingsFileName, path, size);
}

unsigned readSettingsKey(const char* key, int defaultValue) {
  char path[kSettingsPathBytes];
  return platform::profileInt(settingsSection, key, defaultValue, currentFile(path));
}

void readSettingsText(const char* key, char* buffer, std::size_t size) {
  char path[kSettingsPathBytes];
  platform::profileString(settingsSection, key, buffer, size, currentFile(path));
}

void writeSettingsKey(const char* key, const char* text) {
  char path[kSettingsPathBytes];
  const char* file = currentFile(path);
  if (platform::writeProfileString(settingsSection, key, text, file)) return;
  // A per-user file that cannot be written either leaves nowhere else to go;
  // the choice is forgotten, as a failed write always was.
  if (file != settingsFileName || !perUserSettingsPath(path, sizeof path)) return;
  copyIntoPerUserFile(path);
  platform::writeProfileString(settingsSection, key, text, path);
}

}  // namespace chooser
