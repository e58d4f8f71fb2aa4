// One value a texel for the tile set's decisions (the lattice, the joints):
// the plug-in's gray of an RGB texel, the one sample of a gray one, and the
// mean of the samples of a stack of several maps' channels.
#pragma once

#include <cstdint>

namespace fill {

inline std::uint32_t texelLuminance(const std::uint8_t* texel, std::int32_t channels) {
  if (channels == 1) return texel[0];
  if (channels == 3) return (306u * texel[0] + 601u * texel[1] + 117u * texel[2]) >> 10;
  std::uint32_t sum = 0;
  for (std::int32_t c = 0; c < channels; ++c) sum += texel[c];
  return sum / static_cast<std::uint32_t>(channels);
}

}  // namespace fill
