// Runs the texfill executable for the tests that need a real process: exit
// statuses, Ctrl-C, files left behind.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "tools/texfill/image.h"

namespace texfilltest {

struct ProcessOutcome {
  int exitCode = -1;     // -1 when ended by a signal
  int signal = 0;
  std::string standardError;
};

// Starts texfill with `args`, its stdout and stderr going to files in
// `scratchDir`; `environment` entries are added to the inherited ones.
pid_t startTexfill(const std::vector<std::string>& args, const std::string& scratchDir,
                   const std::vector<std::pair<std::string, std::string>>& environment = {});
ProcessOutcome waitForTexfill(pid_t pid, const std::string& scratchDir);
ProcessOutcome runTexfill(const std::vector<std::string>& args, const std::string& scratchDir,
                          const std::vector<std::pair<std::string, std::string>>& environment = {});

// A picture with something different at every pixel, so that misplaced
// pixels show up.
texfill::Image patternImage(int width, int height, int channels);
bool fileExists(const std::string& path);
// Names in `dir`, for spotting files left behind.
std::vector<std::string> filesIn(const std::string& dir);

}  // namespace texfilltest
