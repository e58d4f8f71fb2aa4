// Ctrl-C through the console control handler; the bar's line blanked with
// spaces, which every console understands.
#include <windows.h>
#include <io.h>

#include <shellapi.h>

#include <cstdio>

#include "platform/utf8.h"
#include "tools/texfill/terminal.h"
#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

volatile LONG interruptSeen = 0;

// Runs on a thread of its own; the first Ctrl-C is the host's abort, a
// second one is left to the default handler, which ends the process.
BOOL WINAPI onControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  return InterlockedExchange(&interruptSeen, 1) == 0 ? TRUE : FALSE;
}

}  // namespace

void installInterruptHandler() { SetConsoleCtrlHandler(onControl, TRUE); }

bool interrupted() { return interruptSeen != 0; }

bool stderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void pauseMilliseconds(long ms) { Sleep(static_cast<DWORD>(ms)); }

void eraseBarLine() { std::fprintf(stderr, "\r%60s\r", ""); }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) {
    std::u16string units(wide[i], wide[i] + lstrlenW(wide[i]));
    std::string text(3 * units.size() + 1, '\0');
    // A lone surrogate cannot be a name the file system finds either; it is
    // shown as U+FFFD in what texfill reports.
    const long length = platform::utf16ToUtf8(units.c_str(), text.data(), text.size(), platform::BadSequences::replace);
    text.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    arguments.push_back(text);
  }
  LocalFree(wide);
  return arguments;
}

std::FILE* openFile(const std::string& path, const char* mode) {
  const platform::WidePath name(path.c_str());
  wchar_t wideMode[8] = {};
  for (int i = 0; i < 7 && mode[i] != '\0'; ++i) wideMode[i] = static_cast<wchar_t>(mode[i]);
  if (!name.ok()) return nullptr;
  return _wfopen(reinterpret_cast<const wchar_t*>(name.get()), wideMode);
}

}  // namespace texfill
