#include "resample/point_sampler.h"

#include <cstring>
#include <new>

#include "platform/platform.h"
#include "resample/cubic_weights.h"
#include "resample/point_sampler_kernels.h"
#include "resample/simd_level.h"

using point_kernels::AxisWalk;
using point_kernels::PixelWalk;

namespace {

constexpr std::int32_t kMaximumSide = 32768;
constexpr std::int32_t kPadding = 2;      // texels of continuation either side of a row
constexpr std::size_t kLoadSlack = 16;    // a vector load of a row's last texels may read this far on

void copyPadded(const TexelBlock& texture, PointSampler& sampler) {
  const std::size_t channels = static_cast<std::size_t>(texture.channels);
  for (std::int32_t row = 0; row < texture.height; ++row) {
    const std::uint8_t* from = texelRow(texture, row);
    std::uint8_t* to = sampler.texels + static_cast<std::size_t>(row) * sampler.rowBytes;
    std::memcpy(to + kPadding * channels, from, static_cast<std::size_t>(texture.width) * channels);
    for (std::int32_t column = -kPadding; column < texture.width + kPadding; ++column) {
      if (column >= 0 && column < texture.width) continue;
      std::memcpy(to + static_cast<std::size_t>(column + kPadding) * channels,
                  from + static_cast<std::size_t>(edgeIndex(column, texture.width, sampler.edge)) * channels, channels);
    }
  }
  for (std::int32_t row = -kPadding; row < texture.height + kPadding; ++row) {
    sampler.rows[row + kPadding] =
        sampler.texels + static_cast<std::size_t>(edgeIndex(row, texture.height, sampler.edge)) * sampler.rowBytes;
  }
}

std::int64_t positiveRemainder(std::int64_t value, std::int64_t period) {
  const std::int64_t remainder = value % period;
  return remainder < 0 ? remainder + period : remainder;
}

// The same for values a window's rows start from and step by, which are
// within a period of it: no division for a row of a few dozen pixels.
std::int64_t remainderNear(std::int64_t value, std::int64_t period) {
  if (value >= 0 && value < period) return value;
  if (value < 0 && value >= -period) return value + period;
  return positiveRemainder(value, period);
}

// (a * b) mod period without overflow, for a in [0, period), period below
// 2^50: a byte of b at a time, so no partial product reaches 2^59.
std::int64_t multiplyModulo(std::int64_t a, std::int64_t b, std::int64_t period) {
  const bool negative = b < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(b) : static_cast<std::uint64_t>(b);
  std::int64_t result = 0;
  for (int shift = 24; shift >= 0; shift -= 8) {
    result = (result * 256 + a * static_cast<std::int64_t>((magnitude >> shift) & 0xFF)) % period;
  }
  return negative && result != 0 ? period - result : result;
}

AxisWalk startAxis(std::int64_t perX, std::int64_t perY, std::int64_t origin, std::int32_t x, std::int32_t y,
                   std::int32_t size, EdgeMode edge) {
  const std::int64_t texels = std::int64_t{size} << kMapFractionBits;
  const std::int64_t period = edge == EdgeMode::reflect ? 2 * texels : texels;
  const std::int64_t step = positiveRemainder(perX, period);
  const std::int64_t position = positiveRemainder(multiplyModulo(step, x, period) +
                                                      multiplyModulo(positiveRemainder(perY, period), y, period) +
                                                      positiveRemainder(origin, period),
                                                  period);
  return AxisWalk{position, step, period, edge == EdgeMode::reflect ? texels : period};
}

template <int Channels, int SampleBytes>
void sampleScalar(PixelWalk& walk, std::int32_t count, const SampleTarget& target) {
  std::uint8_t* out = target.first;
  for (std::int32_t i = 0; i < count; ++i, out += target.pixelBytes) {
    const std::uint8_t* taps[4];
    const std::int16_t* across = nullptr;
    const std::int16_t* down = nullptr;
    walk.locate(taps, across, down);
    for (int ch = 0; ch < Channels; ++ch) {
      std::int32_t sum = 0;
      for (int c = 0; c < 4; ++c) {
        std::int32_t column = 0;
        for (int k = 0; k < 4; ++k) column += down[k] * taps[k][c * Channels + ch];
        sum += across[c] * ((column + point_kernels::kColumnBias) >> point_kernels::kColumnShift);
      }
      if constexpr (SampleBytes == 1) {
        out[ch] = point_kernels::narrowSample(sum);
      } else {
        point_kernels::putWide(out + 2 * ch, sum);
      }
    }
    walk.advance();
  }
}

void sampleWalk(PixelWalk& walk, std::int32_t channels, std::int32_t count, const SampleTarget& target) {
#if defined(ORIELVMX_X86)
  if (simd::level() >= simd::avx2Level) {
    point_kernels::sampleAvx2(walk, count, target);
    return;
  }
#endif
  const bool wide = target.sampleBytes == 2;
  if (channels == 1) {
    wide ? sampleScalar<1, 2>(walk, count, target) : sampleScalar<1, 1>(walk, count, target);
  } else {
    wide ? sampleScalar<3, 2>(walk, count, target) : sampleScalar<3, 1>(walk, count, target);
  }
}

}  // namespace

// The weights for a position `phase` / kPhases past texel i's centre: the
// resampler's weights for a centre 1 - phase / kPhases before the next whole
// position, i + 1, over taps i - 1 .. i + 2.
void buildPhaseWeights(std::int16_t (*weights)[4]) {
  for (std::int32_t phase = 0; phase <= kPhases; ++phase) {
    const double frac = 1.0 - static_cast<double>(phase) / kPhases;
    cubicTapWeights(frac, 1.0, -2, 4, weights[phase]);
  }
}

namespace point_kernels {

PixelWalk startWalk(const PointSampler& sampler, const TextureMap& map, std::int32_t x, std::int32_t y) {
  return PixelWalk{&sampler, startAxis(map.ux, map.uy, map.u0, x, y, sampler.width, sampler.edge),
                   startAxis(map.vx, map.vy, map.v0, x, y, sampler.height, sampler.edge)};
}

}  // namespace point_kernels

PointSampler* createPointSampler(const TexelBlock& texture, EdgeMode edge) {
  if (texture.pixels == nullptr || (texture.channels != 1 && texture.channels != 3)) return nullptr;
  if (texture.width < 1 || texture.height < 1 || texture.width > kMaximumSide || texture.height > kMaximumSide) {
    return nullptr;
  }
  if (texture.rowBytes < texture.width * texture.channels) return nullptr;
  void* block = platform::allocateMemory(sizeof(PointSampler));
  if (block == nullptr) return nullptr;
  auto* sampler = new (block) PointSampler{};
  sampler->edge = edge;
  sampler->width = texture.width;
  sampler->height = texture.height;
  sampler->channels = texture.channels;
  sampler->rowBytes = static_cast<std::size_t>(texture.width + 2 * kPadding) * static_cast<std::size_t>(texture.channels);
  sampler->texels = static_cast<std::uint8_t*>(
      platform::allocateMemory(sampler->rowBytes * static_cast<std::size_t>(texture.height) + kLoadSlack));
  sampler->rows = static_cast<const std::uint8_t**>(
      platform::allocateMemory(static_cast<std::size_t>(texture.height + 2 * kPadding) * sizeof(std::uint8_t*)));
  sampler->phaseWeights =
      static_cast<std::int16_t(*)[4]>(platform::allocateMemory((kPhases + 1) * sizeof(std::int16_t[4])));
  if (sampler->texels == nullptr || sampler->rows == nullptr || sampler->phaseWeights == nullptr) {
    destroyPointSampler(sampler);
    return nullptr;
  }
  std::memset(sampler->texels + sampler->rowBytes * static_cast<std::size_t>(texture.height), 0, kLoadSlack);
  copyPadded(texture, *sampler);
  buildPhaseWeights(sampler->phaseWeights);
  return sampler;
}

void destroyPointSampler(PointSampler* sampler) {
  if (sampler == nullptr) return;
  if (sampler->texels != nullptr) platform::releaseMemory(sampler->texels);
  if (sampler->rows != nullptr) platform::releaseMemory(const_cast<std::uint8_t**>(sampler->rows));
  if (sampler->phaseWeights != nullptr) platform::releaseMemory(sampler->phaseWeights);
  sampler->~PointSampler();
  platform::releaseMemory(sampler);
}

void samplePoints(const PointSampler& sampler, const TextureMap& map, std::int32_t x, std::int32_t y,
                  std::int32_t count, const SampleTarget& target) {
  if (count <= 0 || target.first == nullptr || (target.sampleBytes != 1 && target.sampleBytes != 2)) return;
  PixelWalk walk = point_kernels::startWalk(sampler, map, x, y);
  sampleWalk(walk, sampler.channels, count, target);
}

void sampleWindow(const TexelWindow& window, std::int64_t u, std::int64_t v, std::int64_t du, std::int64_t dv,
                  std::int32_t count, const SampleTarget& target) {
  if (count <= 0 || target.first == nullptr || (target.sampleBytes != 1 && target.sampleBytes != 2)) return;
  if (window.rows == nullptr || window.phaseWeights == nullptr || (window.channels != 1 && window.channels != 3) ||
      window.width < 1 || window.height < 1) {
    return;
  }
  // A sampler whose period is the window: the walk never leaves it.
  PointSampler view{};
  view.edge = EdgeMode::wrap;
  view.width = window.width;
  view.height = window.height;
  view.channels = window.channels;
  view.rows = window.rows;
  view.phaseWeights = const_cast<std::int16_t(*)[4]>(window.phaseWeights);  // only read
  const std::int64_t across = std::int64_t{window.width} << kMapFractionBits;
  const std::int64_t down = std::int64_t{window.height} << kMapFractionBits;
  PixelWalk walk{&view,
                 AxisWalk{remainderNear(u, across), remainderNear(du, across), across, across},
                 AxisWalk{remainderNear(v, down), remainderNear(dv, down), down, down}};
  sampleWalk(walk, window.channels, count, target);
}
