// Ctrl-C through a signal handler; the bar's line erased with an escape.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "tools/texfill/terminal.h"
#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

volatile sig_atomic_t interruptSeen = 0;

void onInterrupt(int) { interruptSeen = 1; }

}  // namespace

void installInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

bool interrupted() { return interruptSeen != 0; }

bool stderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void pauseMilliseconds(long ms) {
  timespec pause{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&pause, nullptr);
}

void eraseBarLine() { std::fprintf(stderr, "\r\033[K"); }

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

}  // namespace texfill
