// Folder listing for native builds: readdir, with the entry's type from the
// directory itself where the file system records it, so that a folder of
// ten thousand textures costs no stat of each.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace platform {

bool listFolder(const char* folder, bool (*visit)(void* context, const char* name, bool isFolder),
                void* context) {
  if (folder == nullptr || visit == nullptr) return false;
  DIR* listing = ::opendir(folder[0] == '\0' ? "." : folder);
  if (listing == nullptr) return false;
  const int descriptor = ::dirfd(listing);
  bool read = true;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) {
      read = errno == 0;
      break;
    }
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || !isUtf8(name)) continue;
    bool isFolder = entry->d_type == DT_DIR;
    // A link is followed, as opening the name would follow it; some file
    // systems record no type at all.
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat info;
      isFolder = ::fstatat(descriptor, name, &info, 0) == 0 && S_ISDIR(info.st_mode);
    }
    if (!visit(context, name, isFolder)) break;
  }
  ::closedir(listing);
  return read;
}

}  // namespace platform
