#include "chooser/company_folder.h"

#include <cstring>

#include "platform/platform.h"

namespace chooser {
namespace {

constexpr const char* kCompanyFolder = "Oriel";

bool append(char* path, std::size_t size, std::size_t* used, const char* text) {
  const std::size_t length = std::strlen(text);
  if (*used + length >= size) return false;
  std::memcpy(path + *used, text, length + 1);
  *used += length;
  return true;
}

bool appendSeparator(char* path, std::size_t size, std::size_t* used) {
  const char separator[2] = {platform::pathSeparator(), '\0'};
  return append(path, size, used, separator);
}

}  // namespace

bool companyFolder(UserFolder which, char* path, std::size_t size) {
  const bool found = which == UserFolder::roaming ? platform::userDataFolder(path, size)
                                                  : platform::userLocalDataFolder(path, size);
  if (!found) return false;
  std::size_t used = std::strlen(path);
  return appendSeparator(path, size, &used) && append(path, size, &used, kCompanyFolder);
}

bool companyFilePath(UserFolder which, const char* fileName, char* path, std::size_t size) {
  if (!companyFolder(which, path, size)) return false;
  std::size_t used = std::strlen(path);
  return appendSeparator(path, size, &used) && append(path, size, &used, fileName);
}

}  // namespace chooser
