// One line per check ("ok name" or "FAIL name: detail") and the closing count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/hostdriver/dialog_driver.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;

// A check answers "" when it holds, otherwise what went wrong.
void report(const std::string& name, const std::string& failure);
int passedChecks();
int failedChecks();
// Prints "N passed, N failed".
void printSummary();

// Helpers for building failure texts.
// " WHAT gave HAVE, want WANT", or "" when they agree.
std::string resultText(const char* what, std::int16_t have, std::int16_t want);
std::string quoted(const std::string& text);
std::string hexBytes(const void* data, std::size_t size);
// " [caption text]" for each dialog.
std::string describeDialogs(const std::vector<SeenDialog>& dialogs);

}  // namespace wintest
