#pragma once

#include <cstdint>

// Non-negative remainder, for any index and a positive period: index -1 is
// the last one, so rows and columns left of or above the origin still line
// up with the rest of the repetition.
inline std::int32_t wrapIndex(std::int32_t index, std::int32_t period) {
  const std::int32_t remainder = index % period;
  return remainder < 0 ? remainder + period : remainder;
}
