// Test controls of the POSIX platform layer: recorded message boxes,
// injected allocation and read failures, and the answers a user would give.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform::test {

struct RecordedMessage {
  std::string text;
  std::string caption;
  unsigned type;
};

// Every message box shown since the last clearMessages(), oldest first.
const std::vector<RecordedMessage>& messages();
void clearMessages();
// When true (the default off), message boxes are also printed to stderr, as
// the command-line tools want.
void setPrintMessages(bool print);

// The k-th allocation from now (1-based) and every later one fail; 0 turns
// failures off. allocationsMade() counts successful and failed attempts.
void failAllocationAfter(long k);
// Only the k-th allocation from now fails; later ones succeed again.
void failOneAllocation(long k);
// Requests above `bytes` fail, as they would in a 32-bit host's crowded
// address space; 0 lifts the limit.
void limitAllocationSize(std::size_t bytes);
long allocationsMade();
long blocksOutstanding();

// The k-th file read from now (1-based) and every later one fail; 0 turns
// failures off.
void failReadAfter(long k);
// Only the k-th file read from now fails.
void failOneRead(long k);
long readsMade();

}  // namespace platform::test
