// The company's folder, "Oriel", in one of the user's application-data
// folders, and the paths of files in it.
#pragma once

#include <cstddef>

namespace chooser {

enum class UserFolder {
  roaming,  // settings, which follow the user
  local,    // what can be made again, which stays on the machine
};

// "<application data>\Oriel"; false when the platform names no such folder
// or the path does not fit.
bool companyFolder(UserFolder which, char* path, std::size_t size);
// "<application data>\Oriel\<fileName>", likewise.
bool companyFilePath(UserFolder which, const char* fileName, char* path, std::size_t size);

}  // namespace chooser
