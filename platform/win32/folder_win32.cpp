// Folder listing on Windows: FindFirstFileExW over "<folder>\*", names
// converted back to the core's UTF-8.
#include <windows.h>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace platform {

namespace {

bool isDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

bool listFolder(const char* folder, bool (*visit)(void* context, const char* name, bool isFolder),
                void* context) {
  if (folder == nullptr || visit == nullptr) return false;
  // The pattern is a path like any other: at most kMaxPathUnits units. After
  // a drive's ":" it names that drive's current folder.
  char16_t pattern[kMaxPathUnits + 1];
  const long units = utf8ToUtf16(folder[0] == '\0' ? "." : folder, pattern, kMaxPathUnits + 1);
  if (units < 0) return false;
  std::size_t end = static_cast<std::size_t>(units);
  if (end > 0 && pattern[end - 1] != u'\\' && pattern[end - 1] != u'/' && pattern[end - 1] != u':') {
    if (end + 1 > kMaxPathUnits) return false;
    pattern[end++] = u'\\';
  }
  if (end + 1 > kMaxPathUnits) return false;
  pattern[end++] = u'*';
  pattern[end] = u'\0';

  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  const wchar_t* widePattern = reinterpret_cast<const wchar_t*>(pattern);
  WIN32_FIND_DATAW found;
  // The basic level skips the 8.3 names and the large fetch asks for many
  // entries a call; systems before Windows 7 refuse both, and are asked again
  // the way they know.
  HANDLE search = FindFirstFileExW(widePattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    search = FindFirstFileExW(widePattern, FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0);
  }
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // nothing in it

  // A name is at most 255 units: 765 bytes of UTF-8.
  char name[kPathBytes];
  bool read = true;
  for (;;) {
    // A junction or a link to a folder carries the folder attribute itself.
    const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isDotEntry(found.cFileName) &&
        utf16ToUtf8(reinterpret_cast<const char16_t*>(found.cFileName), name, sizeof name) >= 0 &&
        !visit(context, name, isFolder)) {
      break;
    }
    if (!FindNextFileW(search, &found)) {
      read = GetLastError() == ERROR_NO_MORE_FILES;
      break;
    }
  }
  FindClose(search);
  return read;
}

}  // namespace platform
