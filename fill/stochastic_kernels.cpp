// The scalar blend and samples of the by-example fill, and the choice of
// vector passes.
#include "fill/stochastic_kernels.h"

#include <cstring>

namespace stochastic::kernels {

namespace {

constexpr std::uint64_t kFieldMask = 0x1FFFFF;

// Vector passes, chosen at run time; tests cap the level to hold them
// against the scalar loops.
enum SimdLevel : int { simdScalar = 0, simdSse2 = 1, simdAvx2 = 2 };
int limitedSimdLevel = simdAvx2;

void blendRunScalar(const StochasticTexture& texture, Chunk& chunk, const RunSources& sources, std::int32_t first,
                    std::int32_t end) {
  for (std::int32_t p = first; p < end; ++p) {
    std::int32_t weight[3];
    cornerWeights(chunk.fractionA[p], chunk.fractionB[p], weight);
    const std::int32_t normaliser = texture.normaliser[normaliserIndex(weight)];
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      const std::int32_t i = p - first;
      chunk.nodes[k][p] =
          blendedNode(sources.corner[0][k][i], sources.corner[1][k][i], sources.corner[2][k][i], weight, normaliser);
    }
  }
}

template <int Channels, int SampleBytes>
void writeSamplesOf(const StochasticTexture& texture, const Chunk& chunk, std::int32_t first, std::int32_t count,
                    std::int32_t pixelBytes, std::uint8_t* out) {
  const std::uint64_t* lookup = texture.lookup;
  out += static_cast<std::ptrdiff_t>(first) * pixelBytes;
  for (std::int32_t p = first; p < count; ++p, out += pixelBytes) {
    std::uint64_t sum = lookup[chunk.nodes[0][p]];
    if constexpr (Channels == 3)
      sum += lookup[kLookupNodes + chunk.nodes[1][p]] + lookup[2 * kLookupNodes + chunk.nodes[2][p]];
    for (int c = 0; c < Channels; ++c) {
      const auto field = static_cast<std::int32_t>((sum >> (21 * c)) & kFieldMask);
      const std::int32_t value = std::clamp(field - texture.fieldOffset[c], 0, kSampleTop);
      if constexpr (SampleBytes == 1) {
        out[c] = static_cast<std::uint8_t>((value * 255 + 65536) >> 17);
      } else {
        const auto wide = static_cast<std::uint16_t>((value + 2) >> 2);
        std::memcpy(out + 2 * c, &wide, sizeof wide);
      }
    }
  }
}

}  // namespace

int simdLevel() {
  const cpu::Features& offered = cpu::features();
  const int detected = offered.avx2 ? simdAvx2 : offered.sse2 ? simdSse2 : simdScalar;
  return std::min(detected, limitedSimdLevel);
}

int limitSimdLevel(int level) {
  limitedSimdLevel = std::clamp(level, static_cast<int>(simdScalar), static_cast<int>(simdAvx2));
  return simdLevel();
}

void blendRun(const StochasticTexture& texture, Chunk& chunk, const RunSources& sources, std::int32_t first,
              std::int32_t end) {
#if defined(ORIELVMX_X86)
  const int level = simdLevel();
  if (level >= simdAvx2) return blendRunAvx2(texture, chunk, sources, first, end);
  if (level >= simdSse2) return blendRunSse2(texture, chunk, sources, first, end);
#endif
  blendRunScalar(texture, chunk, sources, first, end);
}

void writeSamples(const StochasticTexture& texture, const Chunk& chunk, std::int32_t count,
                  const StochasticTarget& target, std::uint8_t* out) {
  std::int32_t done = 0;
#if defined(ORIELVMX_X86)
  if (simdLevel() >= simdAvx2) done = writeSamplesAvx2(texture, chunk, count, target, out);
#endif
  const bool wide = target.sampleBytes == 2;
  if (texture.channels == 3) {
    wide ? writeSamplesOf<3, 2>(texture, chunk, done, count, target.pixelBytes, out)
         : writeSamplesOf<3, 1>(texture, chunk, done, count, target.pixelBytes, out);
  } else {
    wide ? writeSamplesOf<1, 2>(texture, chunk, done, count, target.pixelBytes, out)
         : writeSamplesOf<1, 1>(texture, chunk, done, count, target.pixelBytes, out);
  }
}

}  // namespace stochastic::kernels
