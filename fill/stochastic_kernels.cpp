// The scalar blend and the samples of the by-example fill.
#include "fill/stochastic_kernels.h"

#include <cstring>

namespace stochastic::kernels {

namespace {

constexpr std::uint64_t kFieldMask = 0x1FFFFF;

template <int Channels, int SampleBytes>
void writeSamplesOf(const StochasticTexture& texture, const Chunk& chunk, std::int32_t first, std::int32_t count,
                    std::int32_t pixelBytes, std::uint8_t* out) {
  const std::uint64_t* lookup = texture.lookup;
  out += static_cast<std::ptrdiff_t>(first) * pixelBytes;
  for (std::int32_t p = first; p < count; ++p, out += pixelBytes) {
    std::uint64_t sum = lookup[chunk.nodes[0][p]];
    if constexpr (Channels == 3) sum += lookup[kLookupNodes + chunk.nodes[1][p]] + lookup[2 * kLookupNodes + chunk.nodes[2][p]];
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

void blendChunkScalar(const StochasticTexture& texture, Chunk& chunk, std::int32_t first, std::int32_t count) {
  for (std::int32_t p = first; p < count; ++p) {
    std::int32_t weight[3];
    cornerWeights(chunk.fractionA[p], chunk.fractionB[p], weight);
    const std::int32_t normaliser = texture.normaliser[normaliserIndex(weight)];
    for (std::int32_t k = 0; k < texture.channels; ++k) {
      chunk.nodes[k][p] = blendedNode(chunk.reads[0][k][p], chunk.reads[1][k][p], chunk.reads[2][k][p], weight,
                                      normaliser);
    }
  }
}

void writeSamples(const StochasticTexture& texture, const Chunk& chunk, std::int32_t first, std::int32_t count,
                  const StochasticTarget& target, std::uint8_t* out) {
  const bool wide = target.sampleBytes == 2;
  if (texture.channels == 3) {
    wide ? writeSamplesOf<3, 2>(texture, chunk, first, count, target.pixelBytes, out)
         : writeSamplesOf<3, 1>(texture, chunk, first, count, target.pixelBytes, out);
  } else {
    wide ? writeSamplesOf<1, 2>(texture, chunk, first, count, target.pixelBytes, out)
         : writeSamplesOf<1, 1>(texture, chunk, first, count, target.pixelBytes, out);
  }
}

}  // namespace stochastic::kernels
