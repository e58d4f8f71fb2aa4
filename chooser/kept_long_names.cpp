#include "chooser/kept_long_names.h"

#include "chooser/company_folder.h"
#include "platform/platform.h"
#include "platform/utf8.h"
#include "texture/long_name_cache.h"
#include "texture/long_name_file.h"

namespace chooser {
namespace {

constexpr std::size_t kPathBytes = platform::kPathBytes;

// The kept file as this process last read or wrote it.
platform::FileStamp seen{};
bool haveSeen = false;

}  // namespace

void takeKeptLongNames() {
  char path[kPathBytes];
  platform::FileStamp stamp{};
  if (!companyFilePath(UserFolder::local, texture::kLongNameFileName, path, sizeof path) ||
      !platform::fileStamp(path, &stamp)) {
    return;
  }
  // An emptied store (the process let it go, or it overflowed) takes the
  // file in again.
  if (haveSeen && platform::sameStamp(stamp, seen) && texture::longNamesRemembered() != 0) return;
  seen = stamp;
  haveSeen = true;
  texture::loadLongNames(path);
}

void keepLongNames() {
  if (!texture::longNamesChanged()) return;
  char folder[kPathBytes];
  char path[kPathBytes];
  if (!companyFolder(UserFolder::local, folder, sizeof folder) || !platform::createFolder(folder) ||
      !companyFilePath(UserFolder::local, texture::kLongNameFileName, path, sizeof path)) {
    return;
  }
  // Entries another process kept since this one last looked are merged in
  // first, so that two hosts listing different libraries keep both.
  takeKeptLongNames();
  if (texture::saveLongNames(path) && platform::fileStamp(path, &seen)) haveSeen = true;
}

}  // namespace chooser
