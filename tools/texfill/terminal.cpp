#include "tools/texfill/terminal.h"

#include <cstdio>
#include <cstdlib>

#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

int lastPercent = -1;
const char* progressLabel = "filling";
bool barDrawn = false;
long bandDelayMs = -1;  // -1: not read yet

long bandDelay() {
  if (bandDelayMs < 0) {
    const char* value = std::getenv("TEXFILL_BAND_DELAY_MS");
    bandDelayMs = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
    if (bandDelayMs < 0 || bandDelayMs > 10000) bandDelayMs = 0;
  }
  return bandDelayMs;
}

}  // namespace

unsigned char abortRequested() {
  if (const long ms = bandDelay(); ms > 0) pauseMilliseconds(ms);
  return interrupted() ? 1 : 0;
}

void reportProgress(std::int32_t done, std::int32_t total) {
  if (total <= 0 || !stderrIsTerminal()) return;
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
  std::fprintf(stderr, "\rtexfill: %s [%s] %3d%%", progressLabel, bar, percent);
  std::fflush(stderr);
  barDrawn = true;
}

void setProgressLabel(const char* label) { progressLabel = label; }

void endProgress() {
  if (barDrawn) eraseBarLine();
  barDrawn = false;
  lastPercent = -1;
}

}  // namespace texfill
