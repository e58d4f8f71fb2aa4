// cos and sin of 2 pi k / n from additions, multiplications and divisions
// only: the C library's cos and sin differ in the last bit between glibc
// and the Windows runtimes, and such a bit can turn a pixel.
#pragma once

#include <cstdint>

namespace seamless {

struct UnitRoot {
  double cosine;
  double sine;
};

// Any k (reduced modulo n), n >= 1. Exact at multiples of a quarter turn.
UnitRoot unitRoot(std::int64_t k, std::int64_t n);

}  // namespace seamless
