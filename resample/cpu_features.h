// What the processor offers for the vector kernels, asked once per process,
// and what those kernels need on every x86 build.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORIELVMX_X86 1
#endif

// 32-bit Windows hosts may call with the stack aligned to 4 bytes only;
// functions that keep vectors on the stack realign it on entry.
#if defined(__i386__)
#define ORIELVMX_REALIGN __attribute__((force_align_arg_pointer))
#else
#define ORIELVMX_REALIGN
#endif

namespace cpu {

struct Features {
  bool sse2;
  bool ssse3;
  bool avx2;
};

// All false off x86, so that every caller falls back to its scalar loop.
inline const Features& features() {
  static const Features detected = [] {
#if defined(ORIELVMX_X86)
    __builtin_cpu_init();
    return Features{__builtin_cpu_supports("sse2") != 0, __builtin_cpu_supports("ssse3") != 0,
                    __builtin_cpu_supports("avx2") != 0};
#else
    return Features{false, false, false};
#endif
  }();
  return detected;
}

}  // namespace cpu
