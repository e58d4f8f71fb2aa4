// The by-example fill without repetition: tiling and blending with a
// histogram-preserving blend (Heitz and Neyret, "High-Performance By-Example
// Noise using a Histogram-Preserving Blending Operator", HPG 2018, in the
// form of Deliot and Heitz, "Procedural Stochastic Textures by Tiling and
// Blending", GPU Zen 2, 2019).
//
// Preparing, once per texture, decorrelates the colours, maps each
// decorrelated channel to a Gaussian through its sorted values (equal
// values share the middle of their ranks) and tabulates the way back. The
// tables are integers built by code that gives the same bits in every
// build; rendering (stochastic_render.h) is integer arithmetic only.
#pragma once

#include <cstdint>

#include "resample/texel_block.h"

namespace stochastic {

// The way back from a blended Gaussian value to samples: nodes every
// 1/512 deviation from -6 to +6 deviations, the nearest node taken. The
// texture's own values stay within 5.5 deviations, and beyond its extremes
// the way back is constant.
constexpr std::int32_t kLookupNodes = 6144;
constexpr std::int32_t kLookupNodesPerDeviation = 512;
// Samples leave the tables in quarters of a 16-bit sample (0 .. 32768, the
// hosts' 16-bit range): kSampleTop is the brightest.
constexpr std::int32_t kSampleTop = 4 * 32768;
// Up to 16 million texels, 4096 x 4096.
constexpr std::int64_t kMaximumTexels = std::int64_t{1} << 24;

}  // namespace stochastic

struct StochasticTexture {
  std::int32_t width;
  std::int32_t height;
  std::int32_t channels;  // 1 gray, 3 RGB
  // One plane per decorrelated channel, width x height, row 0 first: the
  // Gaussianised texture in stochastic::kGaussianOne units.
  std::int16_t* planes;
  // The same values texel by texel for reads at any position: four values
  // a texel for RGB (the fourth 0), so that one cache line serves all the
  // channels; the plane itself for gray.
  std::int16_t* texels;
  // One table of kLookupNodes entries per channel. An entry packs the node's
  // contribution to each sample in 21-bit fields (red in the low bits), each
  // offset so that it is never negative and three of them never carry into
  // the next field; summing the channels' entries and subtracting
  // fieldOffset gives the samples in quarters of a 16-bit sample.
  std::uint64_t* lookup;
  std::int32_t fieldOffset[3];
  // 1 / sqrt(sum of squared blend weights), less one, in 1/32768 units,
  // by the sum of squares in 1/4096 units (see stochastic_kernels.h).
  std::int16_t* normaliser;
  // The triangle edge, in texels, the texture asks for (see feature_size.h).
  double automaticCellEdge;
  // Each channel's correlation between neighbours across and down, and the
  // gains of bilinear reads by fraction across, then down, kGainEntries
  // each (see interpolation_gain.h).
  double neighbourCorrelation[3][2];
  std::int16_t* interpolationGain;
};

// Null when the block is not 1 or 3 channels of 1 to kMaximumTexels texels,
// or memory runs out (everything taken so far is given back).
//
// For a gray document prepare the texture's gray, (306 R + 601 G + 117 B)
// >> 10 a texel as the tile fill writes it: the fill then keeps the
// histogram of that gray exactly, rather than that of a gray worked out
// after blending colours, at a third of the work.
StochasticTexture* prepareStochasticTexture(const TexelBlock& block);
void releaseStochasticTexture(StochasticTexture* texture);
