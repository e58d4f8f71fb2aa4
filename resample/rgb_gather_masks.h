// pshufb masks that gather one channel of 16 packed RGB pixels: entry
// [channel][block] picks, from 16-byte block `block` of the 48 bytes, the
// bytes of that channel; 0x80 leaves a zero, so OR-ing the three blocks'
// results gives the channel's 16 bytes in pixel order.
#pragma once

#include <cstdint>

namespace simd {

struct GatherMasks {
  alignas(16) std::uint8_t bytes[3][3][16];
};

constexpr GatherMasks makeGatherMasks() {
  GatherMasks masks{};
  for (int channel = 0; channel < 3; ++channel) {
    for (int block = 0; block < 3; ++block) {
      for (int i = 0; i < 16; ++i) {
        const int at = 3 * i + channel - 16 * block;
        masks.bytes[channel][block][i] = at >= 0 && at < 16 ? static_cast<std::uint8_t>(at) : 0x80;
      }
    }
  }
  return masks;
}

inline constexpr GatherMasks kGatherMasks = makeGatherMasks();

}  // namespace simd
