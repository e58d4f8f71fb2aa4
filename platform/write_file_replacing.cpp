#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace platform {

bool writeFileReplacing(const char* path, bool (*write)(const char* temporaryPath, void* context),
                        void* context) {
  if (path == nullptr || write == nullptr) return false;
  // Two processes writing the same file at once each write their own
  // temporary; the last replacement wins, whole.
  const std::string temporary = std::string(path) + ".tmp" + std::to_string(processNumber());
  if (write(temporary.c_str(), context) && replaceFile(temporary.c_str(), path)) return true;
  deleteFile(temporary.c_str());
  return false;
}

}  // namespace platform
