// Reading and writing one sample of a picture, whatever its sample size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "seamless/seamless.h"

namespace seamless {

inline std::size_t sampleIndex(const Picture& picture, std::int32_t x, std::int32_t y, std::int32_t channel) {
  return (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) + static_cast<std::size_t>(x)) *
             static_cast<std::size_t>(picture.channels) +
         static_cast<std::size_t>(channel);
}

inline std::int32_t maximumSample(const Picture& picture) { return picture.sampleBytes == 2 ? 65535 : 255; }

inline std::int32_t sampleAt(const Picture& picture, std::int32_t x, std::int32_t y, std::int32_t channel) {
  const std::size_t index = sampleIndex(picture, x, y, channel);
  if (picture.sampleBytes == 1) return picture.pixels[index];
  std::uint16_t value;
  std::memcpy(&value, picture.pixels + 2 * index, 2);
  return value;
}

inline void setSample(Picture& picture, std::int32_t x, std::int32_t y, std::int32_t channel, std::int32_t value) {
  const std::size_t index = sampleIndex(picture, x, y, channel);
  if (picture.sampleBytes == 1) {
    picture.pixels[index] = static_cast<std::uint8_t>(value);
  } else {
    const auto sample = static_cast<std::uint16_t>(value);
    std::memcpy(picture.pixels + 2 * index, &sample, 2);
  }
}

// The nearest sample to `value`, clamped to the picture's range. Plain
// comparisons and a truncation, the same in every build.
inline std::int32_t quantizeSample(double value, std::int32_t maximum) {
  if (!(value > 0.0)) return 0;  // NaN too
  if (value >= maximum) return maximum;
  return static_cast<std::int32_t>(value + 0.5);
}

}  // namespace seamless
