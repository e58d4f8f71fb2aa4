// Several one-dimensional discrete Fourier transforms of the same length
// at once, one in each lane of a short vector of floats: the smooth
// component's thousands of rows and columns go through the vector unit
// together rather than one by one.
#pragma once

#include <cstdint>

namespace seamless {

// GCC's vector extension: plain SSE2 on x86 (no fused multiply-add, the
// build turns contraction off), so every build computes the same bits.
// Aligned as a float, since the 32-bit Windows heap gives 8-byte blocks.
#ifndef ORIELVMX_SEAMLESS_LANES
#define ORIELVMX_SEAMLESS_LANES 4
#endif
constexpr std::int32_t kLaneCount = ORIELVMX_SEAMLESS_LANES;
typedef float Lanes __attribute__((vector_size(sizeof(float) * kLaneCount), aligned(alignof(float))));

typedef std::int32_t LaneIntegers
    __attribute__((vector_size(sizeof(std::int32_t) * kLaneCount), aligned(alignof(std::int32_t))));

// Point k of every lane's transform: the real parts, then the imaginary.
struct LaneComplex {
  Lanes real;
  Lanes imaginary;
};

// rows[i][j] and rows[j][i] swapped: kLaneCount lines of kLaneCount
// values turned into kLaneCount columns. Each round interleaves row i with
// row i + kLaneCount / 2, its first halves into row 2 i and its second
// halves into row 2 i + 1; log2(kLaneCount) rounds transpose.
// Lanes of `a` and `b` taken by index (0 to kLaneCount - 1 from a, the
// rest from b). GCC shuffles two vectors by an index vector; clang (the fuzz
// builds) has no such builtin, and moves the lanes one by one: the same
// values either way.
inline Lanes shuffleLanes(Lanes a, Lanes b, LaneIntegers index) {
#if defined(__clang__)
  Lanes out;
  for (std::int32_t j = 0; j < kLaneCount; ++j) out[j] = index[j] < kLaneCount ? a[index[j]] : b[index[j] - kLaneCount];
  return out;
#else
  return __builtin_shuffle(a, b, index);
#endif
}

inline void transposeLanes(Lanes* rows) {
  constexpr std::int32_t n = kLaneCount;
  static_assert(n >= 2 && (n & (n - 1)) == 0, "a power of two lanes");
  LaneIntegers firstHalves, secondHalves;
#pragma GCC unroll 16
  for (std::int32_t i = 0; i < n; ++i) {
    firstHalves[i] = i / 2 + (i % 2) * n;
    secondHalves[i] = n / 2 + i / 2 + (i % 2) * n;
  }
  for (std::int32_t round = 1; round < n; round *= 2) {
    Lanes mixed[n];
#pragma GCC unroll 16
    for (std::int32_t i = 0; i < n / 2; ++i) {
      mixed[2 * i] = shuffleLanes(rows[i], rows[i + n / 2], firstHalves);
      mixed[2 * i + 1] = shuffleLanes(rows[i], rows[i + n / 2], secondHalves);
    }
#pragma GCC unroll 16
    for (std::int32_t i = 0; i < n; ++i) rows[i] = mixed[i];
  }
}

struct LanePlan;

// `inverse`: the sign of the exponent is +; neither direction scales.
// Null when the plan's memory cannot be had. A plan keeps scratch lines of
// its own: one thread at a time. `like`, when it is a plan of the same
// length (either direction), lends its twiddles rather than having them
// worked out again.
LanePlan* createLanePlan(std::int32_t length, bool inverse, const LanePlan* like = nullptr);
void destroyLanePlan(LanePlan* plan);

// input and output hold the plan's length and must not overlap; input is
// left as it was.
void transformLanes(LanePlan* plan, const LaneComplex* input, LaneComplex* output);

}  // namespace seamless
