// One line per check ("ok name" or "FAIL name: detail") and the closing count.
#pragma once

#include <cstddef>
#include <string>

namespace wintest {

// A check answers "" when it holds, otherwise what went wrong.
void report(const std::string& name, const std::string& failure);
int passedChecks();
int failedChecks();
// Prints "N passed, N failed".
void printSummary();

// Helpers for building failure texts.
std::string quoted(const std::string& text);
std::string hexBytes(const void* data, std::size_t size);

}  // namespace wintest
