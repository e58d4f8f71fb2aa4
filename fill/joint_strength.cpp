#include "fill/joint_strength.h"

#include <cstddef>
#include <cstring>

#include "fill/texel_luminance.h"
#include "platform/platform.h"
#include "resample/wrap_index.h"

namespace fill {
namespace {

// Joints up to 2 x kReach texels wide vanish in the closing (or opening):
// grout and mortar of a few texels, a board's gap of one or two.
constexpr std::int32_t kReach = 4;
// A top-hat this many times the texture's mean is a joint at full strength.
constexpr std::uint32_t kMeanMultiple = 4;

// The extreme (largest with `larger`, else smallest) of each texel's wrapped
// neighbourhood of kReach either way, across then down, from `in` to `out`.
void extremeFilter(const std::uint8_t* in, std::uint8_t* out, std::uint8_t* line, std::int32_t width,
                   std::int32_t height, bool larger) {
  const auto pick = [larger](std::uint8_t a, std::uint8_t b) { return larger ? (a > b ? a : b) : (a < b ? a : b); };
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = in + static_cast<std::ptrdiff_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t value = row[x];
      for (std::int32_t d = 1; d <= kReach; ++d) {
        value = pick(value, pick(row[wrapIndex(x - d, width)], row[wrapIndex(x + d, width)]));
      }
      line[static_cast<std::ptrdiff_t>(y) * width + x] = value;
    }
  }
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t value = line[static_cast<std::ptrdiff_t>(y) * width + x];
      for (std::int32_t d = 1; d <= kReach; ++d) {
        value = pick(value, pick(line[static_cast<std::ptrdiff_t>(wrapIndex(y - d, height)) * width + x],
                                 line[static_cast<std::ptrdiff_t>(wrapIndex(y + d, height)) * width + x]));
      }
      out[static_cast<std::ptrdiff_t>(y) * width + x] = value;
    }
  }
}

}  // namespace

bool jointStrength(const TexelBlock& texture, std::uint8_t* strength) {
  const std::int32_t width = texture.width;
  const std::int32_t height = texture.height;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  auto* memory = static_cast<std::uint8_t*>(platform::allocateMemory(4 * count));
  if (memory == nullptr) return false;
  std::uint8_t* luminance = memory;
  std::uint8_t* closed = memory + count;
  std::uint8_t* opened = memory + 2 * count;
  std::uint8_t* work = memory + 3 * count;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = texelRow(texture, y);
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint8_t* t = row + static_cast<std::ptrdiff_t>(x) * texture.channels;
      luminance[static_cast<std::ptrdiff_t>(y) * width + x] = static_cast<std::uint8_t>(texelLuminance(t, texture.channels));
    }
  }
  // Closing: dilate then erode; opening: erode then dilate.
  extremeFilter(luminance, opened, work, width, height, true);
  extremeFilter(opened, closed, work, width, height, false);
  extremeFilter(luminance, strength, work, width, height, false);
  extremeFilter(strength, opened, work, width, height, true);
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t dark = closed[i] - luminance[i];
    const std::uint32_t light = luminance[i] - opened[i];
    const std::uint32_t hat = dark > light ? dark : light;
    work[i] = static_cast<std::uint8_t>(hat);
    sum += hat;
  }
  const std::uint64_t full = sum * kMeanMultiple / count + 1;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t scaled = static_cast<std::uint64_t>(work[i]) * 255 / full;
    strength[i] = static_cast<std::uint8_t>(scaled < 255 ? scaled : 255);
  }
  platform::releaseMemory(memory);
  return true;
}

}  // namespace fill
