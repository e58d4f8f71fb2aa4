// Principal axes of a texture's colours: the by-example fill Gaussianises
// each decorrelated channel on its own, which keeps the colours' joint
// histogram far better than working on red, green and blue directly
// (Deliot and Heitz, "Procedural Stochastic Textures by Tiling and
// Blending", GPU Zen 2, 2019: one 1-D histogram transformation per axis of
// the colours' eigenspace instead of a 3-D optimal transport).
#pragma once

#include <cstdint>

#include "resample/texel_block.h"

namespace stochastic {

constexpr std::int32_t kAxisOne = 16384;  // fixed-point unit of an axis component

struct ColourAxes {
  // Row k is axis k, strongest variance first, in units of kAxisOne; the
  // decorrelated value of a texel is the sum of axis[k][c] x sample c.
  std::int32_t axis[3][3];
  // The inverse of the fixed-point axes: sample c = sum of
  // inverse[c][k] x decorrelated value k / kAxisOne.
  double inverse[3][3];
  double mean[3];  // of each sample, in levels
};

// For a block of 3 channels. The sums are exact integers and the
// eigenvectors come from Jacobi rotations, which need only arithmetic and
// square roots, so every build finds the same axes.
ColourAxes principalColourAxes(const TexelBlock& block);

}  // namespace stochastic
