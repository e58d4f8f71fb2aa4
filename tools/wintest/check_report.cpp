#include "tools/wintest/check_report.h"

#include <cstdint>
#include <cstdio>

namespace wintest {
namespace {
int passed = 0;
int failed = 0;
}  // namespace

void report(const std::string& name, const std::string& failure) {
  if (failure.empty()) {
    ++passed;
    std::printf("ok %s\n", name.c_str());
  } else {
    ++failed;
    std::printf("FAIL %s: %s\n", name.c_str(), failure.c_str());
  }
  std::fflush(stdout);
}

int passedChecks() { return passed; }
int failedChecks() { return failed; }

void printSummary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string hexBytes(const void* data, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    if (i > 0) text += ' ';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

std::string resultText(const char* what, std::int16_t have, std::int16_t want) {
  return have == want ? "" : std::string(" ") + what + " gave " + std::to_string(have) + ", want " + std::to_string(want);
}

std::string describeDialogs(const std::vector<SeenDialog>& dialogs) {
  std::string text;
  for (const SeenDialog& dialog : dialogs) text += " [" + quoted(dialog.caption) + " " + quoted(dialog.text) + "]";
  return text;
}

}  // namespace wintest
