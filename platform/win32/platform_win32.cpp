// Win32 implementation of the platform layer: each operation is the KERNEL32
// or USER32 call of the same name, so the plug-in behaves as hosts expect of
// a 32-bit filter (message boxes owned by the active window, INI files in the
// Windows directory unless a path is given, memory from the process heap).
#include <windows.h>
#include <shlobj.h>

#include "platform/platform.h"

namespace platform {

WindowHandle activeWindow() { return GetActiveWindow(); }

int messageBox(WindowHandle owner, const char* text, const char* caption, unsigned type) {
  return MessageBoxA(static_cast<HWND>(owner), text, caption, type);
}

int loadString(ModuleHandle module, unsigned id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  return LoadStringA(static_cast<HINSTANCE>(module), id, buffer, size);
}

bool pathExists(const char* path) {
  return path != nullptr && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

FileHandle openFileForReading(const char* path) {
  if (path == nullptr) return kFileError;
  return _lopen(path, OF_READ);  // HFILE_ERROR is -1, our kFileError
}

std::int32_t seekFile(FileHandle file, std::int32_t offset) {
  if (file <= 0 || offset < 0) return -1;
  return _llseek(file, offset, FILE_BEGIN);
}

std::int32_t readFile(FileHandle file, void* buffer, std::uint32_t count) {
  if (file <= 0 || buffer == nullptr) return -1;
  // _lread answers HFILE_ERROR (all bits set) on failure, which reads as -1 here.
  return static_cast<std::int32_t>(_lread(file, buffer, count));
}

void closeFile(FileHandle file) {
  if (file > 0) _lclose(file);
}

FileHandle createFileForWriting(const char* path) {
  if (path == nullptr) return kFileError;
  return _lcreat(path, 0);
}

bool writeFile(FileHandle file, const void* buffer, std::uint32_t count) {
  if (file <= 0 || buffer == nullptr) return false;
  return _lwrite(file, static_cast<LPCCH>(buffer), count) == count;
}

bool replaceFile(const char* from, const char* to) {
  return from != nullptr && to != nullptr && MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool deleteFile(const char* path) { return path != nullptr && DeleteFileA(path) != FALSE; }

std::uint32_t processNumber() { return GetCurrentProcessId(); }

unsigned profileInt(const char* section, const char* key, int defaultValue, const char* fileName) {
  return GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

std::size_t profileString(const char* section, const char* key, char* buffer, std::size_t size,
                          const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  buffer[0] = '\0';
  // A null key would list the section's keys instead.
  if (key == nullptr) return 0;
  return GetPrivateProfileStringA(section, key, "", buffer, static_cast<DWORD>(size), fileName);
}

bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
  return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}

std::size_t profileSection(const char* section, char* buffer, std::size_t size,
                           const char* fileName) {
  if (buffer == nullptr || size < 2) return 0;
  buffer[0] = buffer[1] = '\0';
  return GetPrivateProfileSectionA(section, buffer, static_cast<DWORD>(size), fileName);
}

namespace {

bool shellFolder(int which, char* buffer, std::size_t size) {
  char folder[MAX_PATH] = "";
  if (buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  if (FAILED(SHGetFolderPathA(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
  const std::size_t length = lstrlenA(folder);
  if (length == 0 || length >= size) return false;
  lstrcpyA(buffer, folder);
  return true;
}

}  // namespace

bool userDataFolder(char* buffer, std::size_t size) { return shellFolder(CSIDL_APPDATA, buffer, size); }

bool userLocalDataFolder(char* buffer, std::size_t size) { return shellFolder(CSIDL_LOCAL_APPDATA, buffer, size); }

char pathSeparator() { return '\\'; }

bool createFolder(const char* path) {
  if (path == nullptr) return false;
  if (CreateDirectoryA(path, nullptr)) return true;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool fileStamp(const char* path, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path == nullptr || stamp == nullptr ||
      !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  stamp->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp->modified = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return true;
}

bool fullPath(const char* path, char* buffer, std::size_t size) {
  if (path == nullptr || buffer == nullptr || size == 0) return false;
  const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(size), buffer, nullptr);
  return length != 0 && length < size;
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
