#include "chooser/settings_file.h"

#include <cstring>

#include "chooser/settings.h"
#include "platform/platform.h"

namespace chooser {

namespace {

constexpr const char* kCompanyFolder = "Oriel";
// The section holds four short keys; other programs' extra keys beyond
// this are not carried over.
constexpr std::size_t kSectionBytes = 4096;
constexpr std::size_t kKeyBytes = 256;

bool append(char* path, std::size_t size, std::size_t* used, const char* text) {
  const std::size_t length = std::strlen(text);
  if (*used + length >= size) return false;
  std::memcpy(path + *used, text, length + 1);
  *used += length;
  return true;
}

// The folder that holds the per-user file: "<application data>\Oriel".
bool companyFolder(char* path, std::size_t size) {
  if (!platform::userDataFolder(path, size)) return false;
  std::size_t used = std::strlen(path);
  const char separator[2] = {platform::pathSeparator(), '\0'};
  return append(path, size, &used, separator) && append(path, size, &used, kCompanyFolder);
}

const char* currentFile(char* path) {
  return perUserSettingsPath(path, kSettingsPathBytes) && platform::pathExists(path)
             ? path
             : settingsFileName;
}

// Makes the per-user file with what the bare-name file holds, so that no
// stored choice is lost in the move.
void copyIntoPerUserFile(const char* path) {
  char folder[kSettingsPathBytes];
  if (companyFolder(folder, sizeof folder)) platform::createFolder(folder);
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
  if (!companyFolder(path, size)) return false;
  std::size_t used = std::strlen(path);
  const char separator[2] = {platform::pathSeparator(), '\0'};
  return append(path, size, &used, separator) && append(path, size, &used, settingsFileName);
}

unsigned readSettingsKey(const char* key, int defaultValue) {
  char path[kSettingsPathBytes];
  return platform::profileInt(settingsSection, key, defaultValue, currentFile(path));
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
