#include "resample/simd_level.h"

#include <algorithm>

#include "resample/cpu_features.h"

namespace simd {
namespace {

int cappedLevel = avx2Level;

int detectedLevel() {
  const cpu::Features& offered = cpu::features();
  if (offered.avx2 && offered.ssse3) return avx2Level;
  if (offered.sse2) return sse2Level;
  return scalarLevel;
}

}  // namespace

int level() { return std::min(detectedLevel(), cappedLevel); }

int limitLevel(int cap) {
  cappedLevel = std::clamp(cap, static_cast<int>(scalarLevel), static_cast<int>(avx2Level));
  return level();
}

}  // namespace simd
