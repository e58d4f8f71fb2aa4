// Win32 implementation of the platform layer: each operation is the KERNEL32
// or USER32 call of the same name, so the plug-in behaves as hosts expect of
// a 32-bit filter (message boxes owned by the active window, INI files in the
// Windows directory unless a path is given, memory from the process heap).
#include <windows.h>

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

unsigned profileInt(const char* section, const char* key, int defaultValue, const char* fileName) {
  return GetPrivateProfileIntA(section, key, defaultValue, fileName);
}

bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
  return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
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
