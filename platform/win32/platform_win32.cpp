// Win32 implementation of the platform layer: each operation is the KERNEL32
// or USER32 call of the same name, so the plug-in behaves as hosts expect of
// a 32-bit filter (message boxes owned by the active window, INI files in the
// Windows directory unless a path is given, memory from the process heap).
// Paths and texts arrive as UTF-8 and go to the wide ("W") calls.
#include <windows.h>
#include <shlobj.h>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// Paths reach every call below as UTF-16, converted once from the core's
// UTF-8 (platform/utf8.h); one that does not convert fails as a missing file.
const wchar_t* wide(const WidePath& path) { return reinterpret_cast<const wchar_t*>(path.get()); }

// Message texts are shown whatever they hold: a bad sequence (a name cut in
// the middle of a character) shows as U+FFFD.
constexpr std::size_t kBoxTextUnits = 2048;
bool wideText(const char* text, wchar_t* out, std::size_t units) {
  return utf8ToUtf16(text == nullptr ? "" : text, reinterpret_cast<char16_t*>(out), units,
                     BadSequences::replace) >= 0;
}

// Handles answered as _lopen answers them: the handle's value as a 32-bit
// number, which every Windows handle fits.
FileHandle fileHandleOf(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kFileError : static_cast<FileHandle>(HandleToLong(handle));
}
HANDLE handleOf(FileHandle file) { return LongToHandle(file); }

// Copies wide `text` into `buffer` as UTF-8; false when it does not convert
// or fit (buffer then empty).
bool utf8Of(const wchar_t* text, char* buffer, std::size_t size) {
  return utf16ToUtf8(reinterpret_cast<const char16_t*>(text), buffer, size) >= 0;
}

}  // namespace

WindowHandle activeWindow() { return GetActiveWindow(); }

int messageBox(WindowHandle owner, const char* text, const char* caption, unsigned type) {
  static wchar_t wideMessage[kBoxTextUnits];
  static wchar_t wideCaption[kBoxTextUnits];
  if (!wideText(text, wideMessage, kBoxTextUnits)) wideMessage[0] = L'\0';
  if (!wideText(caption, wideCaption, kBoxTextUnits)) wideCaption[0] = L'\0';
  return MessageBoxW(static_cast<HWND>(owner), wideMessage, wideCaption, type);
}

int loadString(ModuleHandle module, unsigned id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  // The table's texts are ASCII: the same bytes in every code page.
  return LoadStringA(static_cast<HINSTANCE>(module), id, buffer, size);
}

bool pathExists(const char* path) {
  const WidePath name(path);
  return name.ok() && GetFileAttributesW(wide(name)) != INVALID_FILE_ATTRIBUTES;
}

FileHandle openFileForReading(const char* path) {
  const WidePath name(path);
  if (!name.ok()) return kFileError;
  // What _lopen (path, OF_READ) asks for.
  return fileHandleOf(CreateFileW(wide(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::int32_t seekFile(FileHandle file, std::int32_t offset) {
  if (file <= 0 || offset < 0) return -1;
  const DWORD position = SetFilePointer(handleOf(file), offset, nullptr, FILE_BEGIN);
  return position == INVALID_SET_FILE_POINTER ? -1 : static_cast<std::int32_t>(position);
}

std::int32_t readFile(FileHandle file, void* buffer, std::uint32_t count) {
  if (file <= 0 || buffer == nullptr) return -1;
  DWORD read = 0;
  if (!ReadFile(handleOf(file), buffer, count, &read, nullptr)) return -1;
  return static_cast<std::int32_t>(read);
}

void closeFile(FileHandle file) {
  if (file > 0) CloseHandle(handleOf(file));
}

FileHandle createFileForWriting(const char* path) {
  const WidePath name(path);
  if (!name.ok()) return kFileError;
  // What _lcreat (path, 0) asks for.
  return fileHandleOf(CreateFileW(wide(name), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool writeFile(FileHandle file, const void* buffer, std::uint32_t count) {
  if (file <= 0 || buffer == nullptr) return false;
  DWORD written = 0;
  return WriteFile(handleOf(file), buffer, count, &written, nullptr) && written == count;
}

bool replaceFile(const char* from, const char* to) {
  const WidePath source(from);
  const WidePath target(to);
  return source.ok() && target.ok() && MoveFileExW(wide(source), wide(target), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool deleteFile(const char* path) {
  const WidePath name(path);
  return name.ok() && DeleteFileW(wide(name)) != FALSE;
}

std::uint32_t processNumber() { return GetCurrentProcessId(); }

// The settings' sections, keys and values are ASCII; they go through the
// wide calls only so that the file's path can be any name. A file the wide
// calls make is written in the ANSI code page, as the narrow calls write it.
namespace {

constexpr std::size_t kProfileWordUnits = 1024;

struct WideWord {
  explicit WideWord(const char* text)
      : valid(text != nullptr && utf8ToUtf16(text, units, kProfileWordUnits, BadSequences::replace) >= 0) {}
  const wchar_t* get() const { return valid ? reinterpret_cast<const wchar_t*>(units) : nullptr; }

 private:
  char16_t units[kProfileWordUnits] = {};
  bool valid;
};

}  // namespace

unsigned profileInt(const char* section, const char* key, int defaultValue, const char* fileName) {
  const WidePath file(fileName);
  if (!file.ok()) return static_cast<unsigned>(defaultValue);
  return GetPrivateProfileIntW(WideWord(section).get(), WideWord(key).get(), defaultValue, wide(file));
}

std::size_t profileString(const char* section, const char* key, char* buffer, std::size_t size,
                          const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  // A null key would list the section's keys instead.
  const WidePath file(fileName);
  if (key == nullptr || !file.ok()) return 0;
  wchar_t text[kProfileWordUnits];
  GetPrivateProfileStringW(WideWord(section).get(), WideWord(key).get(), L"", text, kProfileWordUnits,
                           wide(file));
  // As the narrow call does, a text longer than the buffer is cut: here at
  // a whole character.
  const long bytes = utf16ToUtf8(reinterpret_cast<const char16_t*>(text), buffer, size, BadSequences::replace);
  if (bytes >= 0) return static_cast<std::size_t>(bytes);
  std::size_t used = 0;
  for (const wchar_t* at = text; *at != L'\0'; ++at) {
    char one[8];
    const wchar_t unit[2] = {*at, L'\0'};
    const long more = utf16ToUtf8(reinterpret_cast<const char16_t*>(unit), one, sizeof one, BadSequences::replace);
    if (more < 0 || used + static_cast<std::size_t>(more) >= size) break;
    for (long i = 0; i < more; ++i) buffer[used++] = one[i];
  }
  buffer[used] = '\0';
  return used;
}

bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
  const WidePath file(fileName);
  return file.ok() && WritePrivateProfileStringW(WideWord(section).get(), WideWord(key).get(),
                                                 WideWord(value).get(), wide(file)) != FALSE;
}

std::size_t profileSection(const char* section, char* buffer, std::size_t size,
                           const char* fileName) {
  if (buffer == nullptr || size < 2) return 0;
  buffer[0] = buffer[1] = '\0';
  const WidePath file(fileName);
  if (!file.ok()) return 0;
  auto* lines = static_cast<wchar_t*>(allocateMemory(size * sizeof(wchar_t)));
  if (lines == nullptr) return 0;
  GetPrivateProfileSectionW(WideWord(section).get(), lines, static_cast<DWORD>(size), wide(file));
  // Whole lines only, each ended by a zero and the last by a second one.
  std::size_t used = 0;
  for (const wchar_t* line = lines; *line != L'\0'; line += lstrlenW(line) + 1) {
    const long bytes = utf16ToUtf8(reinterpret_cast<const char16_t*>(line), buffer + used, size - used - 1,
                                   BadSequences::replace);
    if (bytes < 0) break;
    used += static_cast<std::size_t>(bytes) + 1;
  }
  buffer[used] = '\0';
  if (used + 1 < size) buffer[used + 1] = '\0';
  releaseMemory(lines);
  return used;
}

namespace {

bool shellFolder(int which, char* buffer, std::size_t size) {
  wchar_t folder[MAX_PATH] = L"";
  if (buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  if (FAILED(SHGetFolderPathW(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
  return folder[0] != L'\0' && utf8Of(folder, buffer, size);
}

}  // namespace

bool userDataFolder(char* buffer, std::size_t size) { return shellFolder(CSIDL_APPDATA, buffer, size); }

bool userLocalDataFolder(char* buffer, std::size_t size) { return shellFolder(CSIDL_LOCAL_APPDATA, buffer, size); }

char pathSeparator() { return '\\'; }

bool createFolder(const char* path) {
  const WidePath name(path);
  if (!name.ok()) return false;
  if (CreateDirectoryW(wide(name), nullptr)) return true;
  const DWORD attributes = GetFileAttributesW(wide(name));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileStamp(const char* path, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  const WidePath name(path);
  if (!name.ok() || stamp == nullptr || !GetFileAttributesExW(wide(name), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  stamp->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp->modified = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool fullPath(const char* path, char* buffer, std::size_t size) {
  const WidePath name(path);
  if (!name.ok() || buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  wchar_t full[kMaxPathUnits + 1];
  const DWORD length = GetFullPathNameW(wide(name), kMaxPathUnits + 1, full, nullptr);
  return length != 0 && length <= kMaxPathUnits && utf8Of(full, buffer, size);
}

CursorHandle showWaitCursor() { return SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

void restoreCursor(CursorHandle previous) { SetCursor(static_cast<HCURSOR>(previous)); }

void* allocateMemory(std::size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void* resizeMemory(void* block, std::size_t size) {
  if (block == nullptr) return allocateMemory(size);
  return HeapReAlloc(GetProcessHeap(), 0, block, size);
}

void releaseMemory(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace platform
