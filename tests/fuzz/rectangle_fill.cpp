// The rectangle entry the GEGL operation fills through: a fuzzed texture
// with options at their limits, and rectangles anywhere on the plane (far
// beyond its limits too), each written into a buffer of exactly its size.
//
// Input: a 20-byte header, then the texture file's bytes.
//   0      bits 0-1 file name (.tif, .bmp, .png, .jpg); bit 2 gray; bit 3
//          16-bit samples; bit 4 made seamless first
//   1, 2   size choice, repeat (each modulo its count)
//   3, 4   scale and angle: one of the limits' values (modulo their count)
//   5      offset: one of the limits' values
//   6, 7   variation (16-bit little-endian, modulo its range)
//   8-15   top and left of the first rectangle (32-bit little-endian)
//   16, 17 rows (modulo 65) and columns (2 x, modulo 257)
//   18     bytes between rows beyond one row's (modulo 8)
//   19     rectangles (1 to 4), each the one before moved by its own size
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fill/fill_options.h"
#include "fill/rectangle_fill.h"
#include "fill/result_codes.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::int32_t kScales[] = {fill::kScaleMinimum, 2, 37, fill::kScaleDefault, 250, fill::kScaleMaximum};
constexpr double kAngles[] = {0.0, 90.0, -360.0, 360.0, 33.3, -0.001};
constexpr std::int32_t kOffsets[] = {0, 7, -fill::kOffsetLimit, fill::kOffsetLimit};
constexpr const char* kNames[] = {"texture.tif", "texture.bmp", "texture.png", "texture.jpg"};

template <typename T, std::size_t N>
const T& pick(const T (&values)[N], std::uint8_t byte) {
  return values[byte % N];
}

std::int32_t little32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) |
                                   (static_cast<std::uint32_t>(p[3]) << 24));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) return 0;
  fuzzing::InputScope scope;
  const std::uint8_t flags = data[0];
  const std::string path = fuzzing::writeInputFile(data + kHeaderBytes, size - kHeaderBytes, kNames[flags & 3]);

  fill::RectangleFill entry{};
  path.copy(entry.job.fileName, sizeof entry.job.fileName - 1);
  fill::FillOptions& options = entry.job.options;
  options.sizeChoice = data[1] % fill::kSizeChoiceCount;
  options.repeat = data[2] % fill::kRepeatModeCount;
  options.scalePercent = pick(kScales, data[3]);
  options.angleDegrees = pick(kAngles, data[4]);
  options.offsetX = pick(kOffsets, data[5]);
  options.offsetY = pick(kOffsets, static_cast<std::uint8_t>(data[5] >> 4));
  options.seed = (data[6] | data[7] << 8) % (fill::kSeedMaximum + 1);
  options.makeSeamless = (flags & 16) != 0;
  const std::int32_t planes = flags & 4 ? 1 : 3;
  const std::int32_t sampleBytes = flags & 8 ? 2 : 1;
  std::int16_t result = fill::noErr;
  if (fill::startRectangleFill(entry, planes, sampleBytes, &result) == 0) {
    if (result == fill::noErr) fuzzing::fail("a refused start without a result");
    return 0;
  }

  std::int64_t top = little32(data + 8);
  std::int64_t left = little32(data + 12);
  const std::int32_t rows = data[16] % 65;
  const std::int32_t columns = (2 * data[17]) % 257;
  const std::int32_t rowBytes = columns * planes * sampleBytes + data[18] % 8;
  const int rectangles = 1 + data[19] % 4;
  for (int i = 0; i < rectangles; ++i) {
    // Exactly the rectangle's bytes: a write past its last row's last
    // pixel leaves the block.
    const std::size_t bytes = rows > 0 ? static_cast<std::size_t>(rows - 1) * rowBytes +
                                             static_cast<std::size_t>(columns) * planes * sampleBytes
                                       : 0;
    std::vector<std::uint8_t> pixels(bytes);
    const bool inside = rows > 0 && columns > 0 && top >= -fill::kPlaneLimit && left >= -fill::kPlaneLimit &&
                        top + rows <= fill::kPlaneLimit && left + columns <= fill::kPlaneLimit;
    const int filled = fill::fillRectangle(entry, static_cast<std::int32_t>(top), static_cast<std::int32_t>(left),
                                           rows, columns, pixels.empty() ? nullptr : pixels.data(), rowBytes,
                                           &result);
    if (filled != (inside ? 1 : 0)) fuzzing::fail("a rectangle filled or refused against its bounds");
    top = top + rows > INT32_MAX ? top : top + rows;
    left = left + columns > INT32_MAX ? left : left + columns;
  }
  fill::releaseRectangleFill(entry);
  fill::releaseRectangleFill(entry);
  return 0;
}
