// Result codes written through the host's result pointer (signed 16-bit).
#pragma once

#include <cstdint>

namespace fill {

enum : std::int16_t {
  noErr = 0,
  userCancelled = 1,  // positive: nothing further to report
  readErr = -19,
  memFullErr = -108,
  filterBadParameters = -30100,
  filterBadMode = -30101,
};

}  // namespace fill
