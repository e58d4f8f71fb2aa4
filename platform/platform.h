// The one header through which the portable core reaches the operating system.
// Win32 builds implement it with the real KERNEL32/USER32 calls
// (platform/win32); every other build uses platform/posix, which records
// message boxes so tests can read them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using ModuleHandle = void*;  // HINSTANCE on Windows
using WindowHandle = void*;  // HWND on Windows
using CursorHandle = void*;  // HCURSOR on Windows

// File handles follow _lopen: 0 means none, -1 a failed open, positive is open.
using FileHandle = std::int32_t;
constexpr FileHandle kFileError = -1;

// Message boxes and strings -------------------------------------------------
constexpr unsigned kBoxOk = 0x00;           // MB_OK
constexpr unsigned kBoxExclamation = 0x30;  // MB_ICONEXCLAMATION

WindowHandle activeWindow();
int messageBox(WindowHandle owner, const char* text, const char* caption, unsigned type);
// Copies string `id` of the module's string table into buffer (at most
// size - 1 characters and a terminating zero); returns the characters copied.
int loadString(ModuleHandle module, unsigned id, char* buffer, int size);

// Files ---------------------------------------------------------------------
// True for an existing file or directory.
bool pathExists(const char* path);
FileHandle openFileForReading(const char* path);
// Positions at `offset` bytes from the start; answers the new position or -1.
std::int32_t seekFile(FileHandle file, std::int32_t offset);
// Answers the bytes read (fewer at the end of the file) or -1.
std::int32_t readFile(FileHandle file, void* buffer, std::uint32_t count);
void closeFile(FileHandle file);
// Creates `path` empty (replacing a file of that name) for writing.
FileHandle createFileForWriting(const char* path);
// True when all `count` bytes were written.
bool writeFile(FileHandle file, const void* buffer, std::uint32_t count);
// Puts `from` in the place of `to` in one step, replacing a file there, so
// that readers see the old file or the new one, never a part.
bool replaceFile(const char* from, const char* to);
bool deleteFile(const char* path);
// Writes a whole file so that readers see the old file or the new one,
// never a part: `write` fills a temporary file beside `path` (named after it
// and this process), which then replaces `path`. The temporary is removed
// when `write` answers false or the replacement fails.
bool writeFileReplacing(const char* path, bool (*write)(const char* temporaryPath, void* context),
                        void* context);
// A number no other process running now has: this process's identifier.
std::uint32_t processNumber();

// Private-profile (INI) settings --------------------------------------------
unsigned profileInt(const char* section, const char* key, int defaultValue, const char* fileName);
// Copies the stored text of `key` (without the quotes that may enclose it;
// at most size - 1 characters and a terminating zero) into buffer: "" when
// the file, the section, the key or its "=" is missing. Answers the
// characters copied.
std::size_t profileString(const char* section, const char* key, char* buffer, std::size_t size,
                          const char* fileName);
bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* fileName);
// The section's lines as "key=value", each ended by a zero and the last by a
// second zero; answers the characters copied before that second zero.
std::size_t profileSection(const char* section, char* buffer, std::size_t size,
                           const char* fileName);

// Per-user folders and file stamps ------------------------------------------
// The folder the shell names for the user's roaming application data, without
// a separator at its end; false when there is none or it does not fit.
bool userDataFolder(char* buffer, std::size_t size);
// The same for the user's local (not roaming) application data, where what
// can be made again belongs.
bool userLocalDataFolder(char* buffer, std::size_t size);
char pathSeparator();
// True when the folder exists afterwards, made now or before.
bool createFolder(const char* path);

// What tells one version of a file from another without reading it.
struct FileStamp {
  std::uint64_t size;
  std::uint64_t modified;  // in the platform's own units
};
inline bool sameStamp(const FileStamp& a, const FileStamp& b) {
  return a.size == b.size && a.modified == b.modified;
}
// False for a missing path or a directory.
bool fileStamp(const char* path, FileStamp* stamp);
// The absolute form of `path` (relative ones against the current folder);
// false when it does not fit.
bool fullPath(const char* path, char* buffer, std::size_t size);
// Calls `visit` once for each entry of `folder` but "." and "..", in the
// order the file system keeps them, with the entry's name (UTF-8, without
// the folder) and whether it is a folder (a link to a folder counts as one);
// `visit` answers false to stop. Names that do not convert (not UTF-8 on
// POSIX, a lone surrogate on Windows) are skipped: no path built from them
// would open. False when the folder cannot be read.
bool listFolder(const char* folder, bool (*visit)(void* context, const char* name, bool isFolder),
                void* context);

// Cursor ----------------------------------------------------------------------
// Shows the wait cursor and answers the cursor it replaced.
CursorHandle showWaitCursor();
void restoreCursor(CursorHandle previous);

// Memory from the process heap. Every block of the core goes through these,
// so that tests can make the k-th allocation fail.
void* allocateMemory(std::size_t size);
void* resizeMemory(void* block, std::size_t size);  // null on failure; block kept
void releaseMemory(void* block);

}  // namespace platform
