#include "tests/native/texfill/texfill_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace texfilltest {

pid_t startTexfill(const std::vector<std::string>& args, const std::string& scratchDir,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
  const std::string out = scratchDir + "/texfill.stdout";
  const std::string err = scratchDir + "/texfill.stderr";
  std::vector<std::string> words = {TEXFILL_EXECUTABLE};
  words.insert(words.end(), args.begin(), args.end());
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // Child: only async-signal-safe work would be strictly right after fork
  // in a threaded parent; the test process has no other threads here.
  const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (outFd < 0 || errFd < 0) _exit(127);
  dup2(outFd, STDOUT_FILENO);
  dup2(errFd, STDERR_FILENO);
  const int nullFd = open("/dev/null", O_RDONLY);
  if (nullFd >= 0) dup2(nullFd, STDIN_FILENO);
  for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
  // The test runner may ignore SIGINT; the child must see the default.
  signal(SIGINT, SIG_DFL);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

ProcessOutcome waitForTexfill(pid_t pid, const std::string& scratchDir) {
  ProcessOutcome outcome;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid) {
    if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  }
  std::ifstream err(scratchDir + "/texfill.stderr");
  std::stringstream text;
  text << err.rdbuf();
  outcome.standardError = text.str();
  return outcome;
}

ProcessOutcome runTexfill(const std::vector<std::string>& args, const std::string& scratchDir,
                          const std::vector<std::pair<std::string, std::string>>& environment) {
  return waitForTexfill(startTexfill(args, scratchDir, environment), scratchDir);
}

texfill::Image patternImage(int width, int height, int channels) {
  texfill::Image image = texfill::makeImage(width, height, channels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        texfill::rowOf(image, y)[x * channels + c] =
            static_cast<std::uint8_t>((x * 7 + y * 13 + c * 91 + (x * y) % 17) & 255);
      }
    }
  }
  return image;
}

bool fileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace texfilltest
