// How a texture continues beyond its edges: repeated (wrap) or repeated
// with every other copy mirrored (reflect), so that no edge ever shows.
#pragma once

#include <cstdint>

#include "resample/wrap_index.h"

enum class EdgeMode : std::int32_t {
  wrap = 0,     // index i is i mod N
  reflect = 1,  // period 2N: i mod 2N, and j >= N becomes 2N - 1 - j
};

// Sizes up to 2^30, so that the period 2N stays an int.
inline std::int32_t reflectIndex(std::int32_t index, std::int32_t size) {
  const std::int32_t folded = wrapIndex(index, 2 * size);
  return folded < size ? folded : 2 * size - 1 - folded;
}

inline std::int32_t edgeIndex(std::int32_t index, std::int32_t size, EdgeMode edge) {
  return edge == EdgeMode::reflect ? reflectIndex(index, size) : wrapIndex(index, size);
}
