// The triangle grid of the by-example fill: which three patches a point
// blends and with what weights, and where each patch comes from.
//
// The texture plane is cut into equilateral triangles of edge E texels
// (Heitz and Neyret 2018, Deliot and Heitz 2019). Skewed coordinates
// A = (u - v / sqrt 3) / E and B = 2 v / (sqrt 3 E) turn the triangles'
// corners into the whole-number points, so a point's triangle and its
// barycentric weights come from the whole and fractional parts of (A, B).
#pragma once

#include <cstdint>

namespace stochastic {

constexpr std::int32_t kWeightOne = 32768;  // barycentric weights and fractions in 15 bits

struct GridPoint {
  std::int32_t a;  // whole parts, modulo 2^32: corners that far apart may share a patch
  std::int32_t b;
  std::int32_t fractionA;  // 0 .. kWeightOne - 1
  std::int32_t fractionB;
};

// From 32.32 fixed-point skewed coordinates.
inline GridPoint gridPoint(std::int64_t skewedA, std::int64_t skewedB) {
  return {static_cast<std::int32_t>(static_cast<std::uint64_t>(skewedA >> 32)),
          static_cast<std::int32_t>(static_cast<std::uint64_t>(skewedB >> 32)),
          static_cast<std::int32_t>((skewedA >> 17) & (kWeightOne - 1)),
          static_cast<std::int32_t>((skewedB >> 17) & (kWeightOne - 1))};
}

inline bool inUpperTriangle(std::int32_t fractionA, std::int32_t fractionB) {
  return fractionA + fractionB < kWeightOne;
}

struct TriangleCorners {
  std::int32_t a[3];
  std::int32_t b[3];
};

// The corners in the order cornerWeights gives their weights: (a, b),
// (a, b + 1), (a + 1, b) in the upper triangle of the cell, (a + 1, b + 1),
// (a + 1, b), (a, b + 1) in the lower.
inline TriangleCorners triangleCorners(const GridPoint& point) {
  const std::int32_t a = point.a;
  const std::int32_t b = point.b;
  if (inUpperTriangle(point.fractionA, point.fractionB)) return {{a, a, a + 1}, {b, b + 1, b}};
  return {{a + 1, a + 1, a}, {b + 1, b, b + 1}};
}

// Bits of a corner and the seed, well mixed: two rounds of xor-shift and
// multiply per input word (constants from Chris Wellons' hash prospector,
// public domain), so that neighbouring corners get unrelated patches.
inline std::uint32_t mixBits(std::uint32_t h) {
  h = (h ^ (h >> 16)) * 0x21F0AAADu;
  h = (h ^ (h >> 15)) * 0x735A2D97u;
  return h ^ (h >> 15);
}

inline std::uint32_t cornerHash(std::int32_t a, std::int32_t b, std::uint32_t seed) {
  return mixBits(mixBits(mixBits(seed + 0x9E3779B9u) + static_cast<std::uint32_t>(a)) + static_cast<std::uint32_t>(b));
}

// Where the patch of a corner starts: a whole texel, so that a translation
// reads texel centres and keeps the texture sharp.
struct PatchOffset {
  std::int32_t column;  // 0 .. width - 1
  std::int32_t row;     // 0 .. height - 1
};

inline PatchOffset patchOffset(std::uint32_t hash, std::int32_t width, std::int32_t height) {
  return {static_cast<std::int32_t>(((hash & 0xFFFFu) * static_cast<std::uint64_t>(width)) >> 16),
          static_cast<std::int32_t>(((hash >> 16) * static_cast<std::uint64_t>(height)) >> 16)};
}

}  // namespace stochastic
