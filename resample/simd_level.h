// Which vector passes the resample layer uses: what the processor offers,
// capped by tests and the fuzz harness to hold each pass against the scalar
// loops.
#pragma once

namespace simd {

enum Level : int { scalarLevel = 0, sse2Level = 1, avx2Level = 2 };

// sse2Level with SSE2; avx2Level with AVX2 and SSSE3; at most the cap.
int level();
// Sets the cap (clamped to the levels above) and answers level().
int limitLevel(int cap);

}  // namespace simd
