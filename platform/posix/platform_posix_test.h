// Test controls of the POSIX platform layer: injected allocation and read
// failures. (Message boxes are recorded for every caller: message_log.h.)
#pragma once

#include <cstddef>

namespace platform::test {

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
