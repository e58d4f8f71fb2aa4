#pragma once

#include <cstdint>

// Non-negative remainder, for any index and a positive period: index -1 is
// the last one, so rows and columns left of or above the origin still line
// up with the rest of the repetition.
inline std::int32_t wrapIndex(std::int32_t index, std::int32_t period) {
  const std::int32_t remainder = index % period;
  return remainder < 0 ? remainder + period : remainder;
}

// The quotient rounded down, for any value and a positive divisor: the tile
// or lattice cell a position left of or above the origin lies in.
inline std::int64_t floorDivide(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return quotient * divisor > value ? quotient - 1 : quotient;
}

// wrapIndex for an index at most one period outside, without a division
// (a patch position plus a tile offset never lies further: tiles are at most
// a period); further ones still wrap.
inline std::int32_t wrapNear(std::int32_t index, std::int32_t period) {
  if (index >= 0 && index < period) return index;
  if (index < 0 && index >= -period) return index + period;
  if (index >= period && index < 2 * period) return index - period;
  return wrapIndex(index, period);
}
