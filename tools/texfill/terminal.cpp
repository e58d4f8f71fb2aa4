#include "tools/texfill/terminal.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace texfill {
namespace {

volatile sig_atomic_t interruptSeen = 0;
int lastPercent = -1;
bool barDrawn = false;
long bandDelayMs = -1;  // -1: not read yet

void onInterrupt(int) { interruptSeen = 1; }

long bandDelay() {
  if (bandDelayMs < 0) {
    const char* value = std::getenv("TEXFILL_BAND_DELAY_MS");
    bandDelayMs = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
    if (bandDelayMs < 0 || bandDelayMs > 10000) bandDelayMs = 0;
  }
  return bandDelayMs;
}

}  // namespace

void installInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

bool interrupted() { return interruptSeen != 0; }

unsigned char abortRequested() {
  if (const long ms = bandDelay(); ms > 0) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
  }
  return interruptSeen != 0 ? 1 : 0;
}

void reportProgress(std::int32_t done, std::int32_t total) {
  if (total <= 0 || !isatty(STDERR_FILENO)) return;
  if (done < 0) done = 0;
  if (done > total) done = total;
  const int percent = static_cast<int>(static_cast<std::int64_t>(done) * 100 / total);
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
  if (barDrawn) std::fprintf(stderr, "\r\033[K");
  barDrawn = false;
  lastPercent = -1;
}

}  // namespace texfill
