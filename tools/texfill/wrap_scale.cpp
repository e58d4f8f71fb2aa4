#include "tools/texfill/wrap_scale.h"

#include <cstdio>
#include <cstring>

#include "resample/wrap_resampler.h"

namespace texfill {
namespace {

int fetchImageRow(void* context, std::int32_t row, std::uint8_t* destination) {
  const auto* image = static_cast<const Image*>(context);
  if (row < 0 || row >= image->height) return -1;
  std::memcpy(destination, rowOf(*image, row), rowBytesOf(*image));
  return 0;
}

}  // namespace

ScalePath scalePathFor(int sourceSize, int targetSize) {
  if (sourceSize == targetSize) return ScalePath::none;
  if (targetSize > 0 && sourceSize > targetSize && sourceSize % targetSize == 0) {
    return ScalePath::wholeReduction;
  }
  return ScalePath::general;
}

std::string describeScaling(int sourceSize, int targetSize) {
  const std::string from = std::to_string(sourceSize) + "x" + std::to_string(sourceSize);
  const std::string to = std::to_string(targetSize) + "x" + std::to_string(targetSize);
  switch (scalePathFor(sourceSize, targetSize)) {
    case ScalePath::none:
      return "kept " + from + " as it is";
    case ScalePath::wholeReduction:
      return "reduced " + from + " by " + std::to_string(sourceSize / targetSize) + " to " + to +
             " with the wrap-around resampler";
    case ScalePath::general: {
      char factor[32];
      std::snprintf(factor, sizeof factor, "%.4g", static_cast<double>(targetSize) / sourceSize);
      return std::string(targetSize > sourceSize ? "enlarged " : "resampled ") + from + " to " +
             to + " (factor " + factor + ") with the wrap-around resampler's general path";
    }
  }
  return "";
}

bool wrapScale(const Image& square, int targetSize, Image& scaled, std::string& error) {
  if (square.width != square.height || (square.channels != 1 && square.channels != 3)) {
    error = "only square gray or RGB pictures can be rescaled";
    return false;
  }
  if (targetSize == square.width) {
    scaled = square;
    return true;
  }
  RowSource source{fetchImageRow, const_cast<Image*>(&square)};
  WrapResampler* resampler =
      createWrapResampler(square.width, targetSize, square.channels, source);
  if (resampler == nullptr) {
    error = "the resampler cannot scale " + std::to_string(square.width) + " pixels to " +
            std::to_string(targetSize);
    return false;
  }
  Image result = makeImage(targetSize, targetSize, square.channels);
  bool ok = true;
  for (int row = 0; ok && row < targetSize; ++row) {
    ok = resampleRow(resampler, row, rowOf(result, row)) == 0;
  }
  destroyWrapResampler(resampler);
  if (!ok) {
    error = "the resampler failed to produce a row";
    return false;
  }
  scaled = std::move(result);
  return true;
}

}  // namespace texfill
