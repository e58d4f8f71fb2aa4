// The console side of a run on Windows: Ctrl-C through the console control
// handler, the progress bar when stderr is a console.
#include <windows.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "tools/texfill/terminal.h"

namespace texfill {
namespace {

volatile LONG interruptSeen = 0;
int lastPercent = -1;
bool barDrawn = false;
long bandDelayMs = -1;

// Runs on a thread of its own; the first Ctrl-C is the host's abort, a
// second one is left to the default handler, which ends the process.
BOOL WINAPI onControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  return InterlockedExchange(&interruptSeen, 1) == 0 ? TRUE : FALSE;
}

long bandDelay() {
  if (bandDelayMs < 0) {
    const char* value = std::getenv("TEXFILL_BAND_DELAY_MS");
    bandDelayMs = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
    if (bandDelayMs < 0 || bandDelayMs > 10000) bandDelayMs = 0;
  }
  return bandDelayMs;
}

}  // namespace

void installInterruptHandler() { SetConsoleCtrlHandler(onControl, TRUE); }

bool interrupted() { return interruptSeen != 0; }

unsigned char abortRequested() {
  if (const long ms = bandDelay(); ms > 0) Sleep(static_cast<DWORD>(ms));
  return interruptSeen != 0 ? 1 : 0;
}

void reportProgress(std::int32_t done, std::int32_t total) {
  if (total <= 0 || !_isatty(_fileno(stderr))) return;
  if (done < 0) done = 0;
  if (done > total) done = total;
  const int percent = static_cast<int>(static_cast<long long>(done) * 100 / total);
  if (percent == lastPercent) return;
  lastPercent = percent;
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\rtexfill: filling [%s] %3d%%", bar, percent);
  std::fflush(stderr);
  barDrawn = true;
}

void endProgress() {
  if (barDrawn) std::fprintf(stderr, "\r%60s\r", "");
  barDrawn = false;
  lastPercent = -1;
}

}  // namespace texfill
