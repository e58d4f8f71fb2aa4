// Preparing a texture for the by-example fill (see stochastic_texture.h).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "fill/colour_decorrelation.h"
#include "fill/feature_size.h"
#include "fill/interpolation_gain.h"
#include "fill/normal_distribution.h"
#include "fill/stochastic_kernels.h"
#include "fill/stochastic_texture.h"
#include "platform/platform.h"

namespace stochastic {

namespace {

// Decorrelated values are sums of three samples times axis components of
// at most kAxisOne in magnitude; this offset makes them non-negative keys
// below 2^25 for the two 13-bit passes of the radix sort.
constexpr std::int32_t kKeyOffset = 3 * 255 * kAxisOne;
constexpr int kDigitBits = 13;
constexpr std::uint32_t kDigitMask = (1u << kDigitBits) - 1;

// Entries of the lookup tables: three 21-bit fields, each a contribution
// plus kFieldBias. A contribution is at most the largest distance of a
// colour from the mean along one axis, 255 sqrt(3) levels, times a
// component of the inverse axes (at most 1 and a little), in quarters of a
// 16-bit sample: under 227,300, so a field stays below 2 x kFieldBias and
// the sum of three below 2^21.
constexpr std::int64_t kFieldBias = 229376;
constexpr int kFieldBits = 21;

constexpr double kQuartersPerLevel = static_cast<double>(kSampleTop) / 255.0;

std::int64_t roundToWhole(double value) { return static_cast<std::int64_t>(std::floor(value + 0.5)); }

template <typename T>
T* allocateArray(std::int64_t count) {
  return static_cast<T*>(platform::allocateMemory(static_cast<std::size_t>(count) * sizeof(T)));
}

void releaseIfAllocated(void* block) {
  if (block != nullptr) platform::releaseMemory(block);
}

// The work of one channel: its values as sort keys, the texel indices in
// order of value (equal values keep texel order) and the sorted keys.
struct Scratch {
  std::uint32_t* keys = nullptr;
  std::uint32_t* order = nullptr;
  std::uint32_t* spare = nullptr;
  double* boundaries = nullptr;
  bool allocate(std::int64_t texels) {
    keys = allocateArray<std::uint32_t>(texels);
    order = allocateArray<std::uint32_t>(texels);
    spare = allocateArray<std::uint32_t>(texels);
    boundaries = allocateArray<double>(2 * kGaussianLimit);
    return keys != nullptr && order != nullptr && spare != nullptr && boundaries != nullptr;
  }
  ~Scratch() {
    releaseIfAllocated(keys);
    releaseIfAllocated(order);
    releaseIfAllocated(spare);
    releaseIfAllocated(boundaries);
  }
};

ColourAxes axesOf(const TexelBlock& block) {
  if (block.channels == 3) return principalColourAxes(block);
  ColourAxes axes{};
  axes.axis[0][0] = kAxisOne;
  axes.inverse[0][0] = 1.0;
  std::int64_t sum = 0;
  for (std::int32_t y = 0; y < block.height; ++y) {
    const std::uint8_t* row = texelRow(block, y);
    for (std::int32_t x = 0; x < block.width; ++x) sum += row[x];
  }
  axes.mean[0] = static_cast<double>(sum) / (static_cast<double>(block.width) * block.height);
  return axes;
}

void computeKeys(const TexelBlock& block, const ColourAxes& axes, int channel, std::uint32_t* keys) {
  const std::int32_t* axis = axes.axis[channel];
  std::uint32_t* out = keys;
  for (std::int32_t y = 0; y < block.height; ++y) {
    const std::uint8_t* row = texelRow(block, y);
    for (std::int32_t x = 0; x < block.width; ++x) {
      const std::uint8_t* texel = row + static_cast<std::ptrdiff_t>(x) * block.channels;
      std::int32_t value = 0;
      for (int c = 0; c < block.channels; ++c) value += axis[c] * texel[c];
      *out++ = static_cast<std::uint32_t>(value + kKeyOffset);
    }
  }
}

// One stable counting pass on the digit at `shift`.
void sortPass(const std::uint32_t* keys, const std::uint32_t* from, std::uint32_t* to, std::int64_t count, int shift) {
  std::uint32_t starts[kDigitMask + 2] = {};
  for (std::int64_t i = 0; i < count; ++i) ++starts[((keys[from[i]] >> shift) & kDigitMask) + 1];
  for (std::uint32_t d = 1; d <= kDigitMask + 1; ++d) starts[d] += starts[d - 1];
  for (std::int64_t i = 0; i < count; ++i) to[starts[(keys[from[i]] >> shift) & kDigitMask]++] = from[i];
}

// Ranks equal values together, so the order is the same however the sort
// is done; each group of equal values gets the Gaussian quantile of the
// middle of its ranks, which sends a value and the way back to itself.
void gaussianise(const Scratch& scratch, std::int64_t texels, std::int16_t* plane) {
  for (std::int64_t i = 0; i < texels; ++i) scratch.spare[i] = static_cast<std::uint32_t>(i);
  sortPass(scratch.keys, scratch.spare, scratch.order, texels, 0);
  sortPass(scratch.keys, scratch.order, scratch.spare, texels, kDigitBits);
  std::uint32_t* order = scratch.spare;
  const double doubleCount = 2.0 * static_cast<double>(texels);
  std::int64_t first = 0;
  while (first < texels) {
    const std::uint32_t key = scratch.keys[order[first]];
    std::int64_t last = first;
    while (last + 1 < texels && scratch.keys[order[last + 1]] == key) ++last;
    const double probability = static_cast<double>(first + last + 1) / doubleCount;
    const auto value = static_cast<std::int16_t>(gaussianQuantile(scratch.boundaries, probability));
    for (std::int64_t r = first; r <= last; ++r) plane[order[r]] = value;
    first = last + 1;
  }
  // The sorted keys, for the way back.
  for (std::int64_t r = 0; r < texels; ++r) scratch.order[r] = scratch.keys[order[r]];
}

// The decorrelated value, in levels, at each lookup node: the sorted values
// read at rank normalDistribution(node) x N - 1/2, linear between ranks.
void nodeValues(const std::uint32_t* sorted, std::int64_t texels, double* nodes) {
  for (std::int32_t j = 0; j < kLookupNodes; ++j) {
    const double deviation = static_cast<double>(j - kLookupNodes / 2) / kLookupNodesPerDeviation;
    const double rank = std::clamp(normalDistribution(deviation) * static_cast<double>(texels) - 0.5, 0.0,
                                   static_cast<double>(texels - 1));
    const auto lower = static_cast<std::int64_t>(rank);
    const std::int64_t upper = std::min(lower + 1, texels - 1);
    const double fraction = rank - static_cast<double>(lower);
    const double key = sorted[lower] + fraction * (static_cast<double>(sorted[upper]) - sorted[lower]);
    nodes[j] = (key - kKeyOffset) / kAxisOne;
  }
}

void fillLookup(StochasticTexture& texture, const ColourAxes& axes, double nodes[3][kLookupNodes]) {
  if (texture.channels == 1) {
    for (std::int32_t j = 0; j < kLookupNodes; ++j) {
      texture.lookup[j] = static_cast<std::uint64_t>(
          std::clamp<std::int64_t>(roundToWhole(nodes[0][j] * kQuartersPerLevel), 0, kSampleTop));
    }
    texture.fieldOffset[0] = texture.fieldOffset[1] = texture.fieldOffset[2] = 0;
    return;
  }
  // Centred on the mean, so that every contribution is small.
  double meanValue[3];
  for (int k = 0; k < 3; ++k) {
    meanValue[k] = 0;
    for (int c = 0; c < 3; ++c) meanValue[k] += axes.axis[k][c] * axes.mean[c];
    meanValue[k] /= kAxisOne;
  }
  for (int k = 0; k < 3; ++k) {
    std::uint64_t* table = texture.lookup + static_cast<std::ptrdiff_t>(k) * kLookupNodes;
    for (std::int32_t j = 0; j < kLookupNodes; ++j) {
      std::uint64_t entry = 0;
      for (int c = 0; c < 3; ++c) {
        const double contribution = axes.inverse[c][k] * (nodes[k][j] - meanValue[k]) * kQuartersPerLevel;
        const std::int64_t field = std::clamp<std::int64_t>(roundToWhole(contribution), -kFieldBias, kFieldBias - 1);
        entry |= static_cast<std::uint64_t>(field + kFieldBias) << (kFieldBits * c);
      }
      table[j] = entry;
    }
  }
  for (int c = 0; c < 3; ++c) {
    texture.fieldOffset[c] = static_cast<std::int32_t>(3 * kFieldBias - roundToWhole(axes.mean[c] * kQuartersPerLevel));
  }
}

void fillNormaliser(std::int16_t* normaliser) {
  for (std::int32_t j = 0; j < kernels::kNormaliserEntries; ++j) {
    const double squares = std::max((4.0 * j + 1.5) / kernels::kWeightSquareOne, 1.0 / 3.0);
    const double inverseRoot = 1.0 / std::sqrt(squares);
    normaliser[j] = static_cast<std::int16_t>(
        std::clamp<std::int64_t>(roundToWhole((inverseRoot - 1.0) * 32768.0), 0, kernels::kLargestNormaliser));
  }
}

void interleave(const std::int16_t* planes, std::int64_t texels, std::int16_t* out) {
  for (std::int64_t i = 0; i < texels; ++i) {
    out[4 * i] = planes[i];
    out[4 * i + 1] = planes[texels + i];
    out[4 * i + 2] = planes[2 * texels + i];
    out[4 * i + 3] = 0;
  }
}

// Each channel's Gaussian plane, lookup node values and neighbour
// correlations; false when the sort's memory cannot be had.
bool gaussianiseChannels(const TexelBlock& block, const ColourAxes& axes, StochasticTexture& texture,
                         double nodes[3][kLookupNodes]) {
  const std::int64_t texels = static_cast<std::int64_t>(block.width) * block.height;
  Scratch scratch;
  if (!scratch.allocate(texels)) return false;
  std::fill(texture.planes + texels * block.channels, texture.planes + texels * block.channels + kernels::kChunkSpill,
            std::int16_t{0});
  fillQuantileBoundaries(scratch.boundaries);
  for (int k = 0; k < block.channels; ++k) {
    computeKeys(block, axes, k, scratch.keys);
    std::int16_t* plane = texture.planes + texels * k;
    gaussianise(scratch, texels, plane);
    nodeValues(scratch.order, texels, nodes[k]);
    const LagCorrelation neighbours = lagCorrelation(plane, block.width, block.height, 1);
    texture.neighbourCorrelation[k][0] = neighbours.across;
    texture.neighbourCorrelation[k][1] = neighbours.down;
    std::int16_t* gains = texture.interpolationGain + static_cast<std::ptrdiff_t>(2) * kGainEntries * k;
    fillInterpolationGains(neighbours.across, gains);
    fillInterpolationGains(neighbours.down, gains + kGainEntries);
  }
  return true;
}

bool blockIsUsable(const TexelBlock& block) {
  if (block.pixels == nullptr || block.width < 1 || block.height < 1) return false;
  if (block.channels != 1 && block.channels != 3) return false;
  if (static_cast<std::int64_t>(block.width) * block.height > kMaximumTexels) return false;
  return block.rowBytes >= static_cast<std::int64_t>(block.width) * block.channels;
}

}  // namespace

}  // namespace stochastic

StochasticTexture* prepareStochasticTexture(const TexelBlock& block) {
  using namespace stochastic;
  if (!blockIsUsable(block)) return nullptr;
  void* memory = platform::allocateMemory(sizeof(StochasticTexture));
  if (memory == nullptr) return nullptr;
  auto* texture = new (memory) StochasticTexture{};
  texture->width = block.width;
  texture->height = block.height;
  texture->channels = block.channels;
  const std::int64_t texels = static_cast<std::int64_t>(block.width) * block.height;
  // Room after the planes for the vector blends to read on past a run.
  texture->planes = allocateArray<std::int16_t>(texels * block.channels + kernels::kChunkSpill);
  texture->lookup = allocateArray<std::uint64_t>(static_cast<std::int64_t>(kLookupNodes) * block.channels);
  texture->normaliser = allocateArray<std::int16_t>(kernels::kNormaliserEntries);
  texture->interpolationGain =
      allocateArray<std::int16_t>(static_cast<std::int64_t>(2) * kGainEntries * block.channels);
  auto* nodes = allocateArray<double[kLookupNodes]>(3);
  const ColourAxes axes = axesOf(block);
  bool prepared = texture->planes != nullptr && texture->lookup != nullptr && texture->normaliser != nullptr &&
                  texture->interpolationGain != nullptr && nodes != nullptr &&
                  gaussianiseChannels(block, axes, *texture, nodes);
  // Taken only now that the sort's memory is given back: for the largest
  // textures the two together would be the peak.
  if (prepared) {
    texture->texels = block.channels == 3 ? allocateArray<std::int16_t>(4 * texels) : texture->planes;
    prepared = texture->texels != nullptr;
  }
  if (prepared) {
    if (block.channels == 3) interleave(texture->planes, texels, texture->texels);
    fillLookup(*texture, axes, nodes);
    fillNormaliser(texture->normaliser);
    texture->automaticCellEdge = automaticCellEdge(texture->planes, block.width, block.height);
  }
  releaseIfAllocated(nodes);
  if (!prepared) {
    releaseStochasticTexture(texture);
    return nullptr;
  }
  return texture;
}

void releaseStochasticTexture(StochasticTexture* texture) {
  if (texture == nullptr) return;
  stochastic::releaseIfAllocated(texture->planes);
  stochastic::releaseIfAllocated(texture->lookup);
  stochastic::releaseIfAllocated(texture->normaliser);
  stochastic::releaseIfAllocated(texture->interpolationGain);
  if (texture->texels != texture->planes) stochastic::releaseIfAllocated(texture->texels);
  texture->~StochasticTexture();
  platform::releaseMemory(texture);
}
