// Ctrl-C through the console control handler; the bar's line blanked with
// spaces, which every console understands.
#include <windows.h>
#include <io.h>

#include <cstdio>

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

}  // namespace texfill
