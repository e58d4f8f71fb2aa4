#include "fill/scaling_factors.h"

#include "fill/fill_options.h"

namespace fill {
namespace {

// `side`: the square PNG or JPEG side the size choices scale, else 0.
ScalingFactors factorsFor(const char* fileName, std::int32_t sizeChoice, std::int32_t side) {
  if (texture::isLowResTexture(fileName)) {
    switch (sizeChoice) {
      case size512: return {4, 1, 0};
      case size256: return {2, 1, 0};
      case size64: return {1, 2, 0};
      default: return {1, 1, 0};
    }
  }
  if (texture::isHighResTexture(fileName)) {
    switch (sizeChoice) {
      case size256: return {1, 2, 0};
      case size128: return {1, 4, 0};
      case size64: return {1, 8, 0};
      default: return {1, 1, 0};
    }
  }
  const std::int32_t target = chosenSide(sizeChoice);
  if (side == 0 || target == 0 || target == side) return {1, 1, 0};
  // Whole multiples enlarge by replication, sharp as the library's
  // low-resolution textures; every other size goes through the resampler.
  if (target > side && target % side == 0) return {target / side, 1, 0};
  return {1, 1, target};
}

}  // namespace

ScalingFactors scalingFactors(const char* fileName, std::int32_t sizeChoice) {
  return factorsFor(fileName, sizeChoice, texture::resizableTextureSide(fileName));
}

ScalingFactors scalingFactors(const char* fileName, const texture::TextureSource& source) {
  return factorsFor(fileName, source.sizeChoice, texture::resizableSourceSide(&source));
}

}  // namespace fill
