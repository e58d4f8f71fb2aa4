#include "resample/prefilter.h"

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "resample/wrap_resampler.h"

namespace {

int fetchTexelRow(void* context, std::int32_t row, std::uint8_t* destination) {
  const auto& texture = *static_cast<const TexelBlock*>(context);
  std::memcpy(destination, texelRow(texture, row), static_cast<std::size_t>(texture.width) * texture.channels);
  return 0;
}

std::int32_t reducedSide(std::int32_t side, double scale) {
  if (side < 2 || !(scale < 1.0) || !(scale > 0.0)) return side;
  return std::clamp(ceilWithTolerance(side * scale), 2, side);
}

}  // namespace

bool prefilterTexture(const TexelBlock& texture, double scale, EdgeMode edge, PrefilteredTexture& result) {
  // The resampler needs two texels a side to wrap around: a texture one
  // texel across is sampled as it is.
  const bool reducible = texture.width >= 2 && texture.height >= 2;
  const std::int32_t width = reducible ? reducedSide(texture.width, scale) : texture.width;
  const std::int32_t height = reducible ? reducedSide(texture.height, scale) : texture.height;
  if (width == texture.width && height == texture.height) {
    result = PrefilteredTexture{texture, BlockFrame{texture.width, texture.height, width, height}, nullptr};
    return true;
  }
  const std::int32_t rowBytes = width * texture.channels;
  auto* reduced = static_cast<std::uint8_t*>(
      platform::allocateMemory(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height)));
  if (reduced == nullptr) return false;
  TexelBlock source = texture;
  WrapResampler* resampler =
      createWrapResampler(ResampleShape{texture.width, texture.height, width, height, edge, Alignment::centres},
                          texture.channels, RowSource{fetchTexelRow, &source});
  if (resampler == nullptr) {
    platform::releaseMemory(reduced);
    return false;
  }
  for (std::int32_t row = 0; row < height; ++row) {
    resampleRow(resampler, row, reduced + static_cast<std::size_t>(row) * static_cast<std::size_t>(rowBytes));
  }
  destroyWrapResampler(resampler);
  result = PrefilteredTexture{TexelBlock{reduced, width, height, texture.channels, rowBytes},
                              BlockFrame{texture.width, texture.height, width, height}, reduced};
  return true;
}

void releasePrefiltered(PrefilteredTexture& result) {
  if (result.reduced != nullptr) platform::releaseMemory(result.reduced);
  result.reduced = nullptr;
  result.block.pixels = nullptr;
}
