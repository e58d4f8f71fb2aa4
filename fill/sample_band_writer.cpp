#include "fill/sample_band_writer.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "fill/band_writer.h"

namespace fill {

namespace {

constexpr std::array<std::uint16_t, 256> makeWideTable() {
  std::array<std::uint16_t, 256> table{};
  for (std::uint32_t v = 0; v < 256; ++v) table[v] = wideSample(v);
  return table;
}

constexpr std::array<std::uint16_t, 256> kWide = makeWideTable();

// One output pixel from one texel, samples little-endian.
template <int Colour, int SampleBytes, bool Opaque>
inline void putPixel(std::uint8_t* out, const std::uint8_t* texel) {
  if constexpr (SampleBytes == 1) {
    for (int c = 0; c < Colour; ++c) out[c] = texel[c];
    if constexpr (Opaque) out[Colour] = 255;
  } else {
    for (int c = 0; c < Colour; ++c) {
      const std::uint16_t value = kWide[texel[c]];
      out[2 * c] = static_cast<std::uint8_t>(value & 0xFF);
      out[2 * c + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    if constexpr (Opaque) {
      out[2 * Colour] = 0x00;  // 32768
      out[2 * Colour + 1] = 0x80;
    }
  }
}

// Output pixels [0, count) of one row, `step` bytes apart, from texel
// `firstTexel` on, each repeated `repeat` times. Unreplicated rows go in
// runs up to the row's end, so the inner loop has no wrap test.
template <int Colour, int SampleBytes, bool Opaque>
void writePixels(const std::uint8_t* row, std::int32_t texels, std::int32_t firstTexel,
                 std::int32_t repeat, std::int32_t count, std::int32_t step, std::uint8_t* out) {
  constexpr int kBytes = (Colour + (Opaque ? 1 : 0)) * SampleBytes;
  std::int32_t texel = firstTexel;
  if (repeat == 1) {
    for (std::int32_t column = 0; column < count; texel = 0) {
      const std::int32_t run = texels - texel < count - column ? texels - texel : count - column;
      const std::uint8_t* source = row + static_cast<std::ptrdiff_t>(texel) * Colour;
      for (std::int32_t i = 0; i < run; ++i, source += Colour, out += step) {
        putPixel<Colour, SampleBytes, Opaque>(out, source);
      }
      column += run;
    }
    return;
  }
  for (std::int32_t column = 0; column < count;) {
    std::uint8_t pixel[kBytes];
    putPixel<Colour, SampleBytes, Opaque>(pixel, row + static_cast<std::ptrdiff_t>(texel) * Colour);
    const std::int32_t copies = repeat < count - column ? repeat : count - column;
    for (std::int32_t copy = 0; copy < copies; ++copy, out += step) std::memcpy(out, pixel, kBytes);
    column += copies;
    if (++texel == texels) texel = 0;
  }
}

using PixelWriter = void (*)(const std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                             std::int32_t, std::uint8_t*);

PixelWriter pixelWriterFor(const SampleFormat& format) {
  const bool wide = format.sampleBytes == 2;
  if (format.colourPlanes == 1) {
    if (wide) return format.opaquePlane ? writePixels<1, 2, true> : writePixels<1, 2, false>;
    return format.opaquePlane ? writePixels<1, 1, true> : writePixels<1, 1, false>;
  }
  if (wide) return format.opaquePlane ? writePixels<3, 2, true> : writePixels<3, 2, false>;
  return format.opaquePlane ? writePixels<3, 1, true> : writePixels<3, 1, false>;
}

}  // namespace

void writeSampleBand(const std::uint8_t* row, std::int32_t texels, std::int32_t firstTexel,
                     const SampleFormat& format, std::int32_t repeat, std::int32_t width,
                     std::int32_t bandHeight, std::uint8_t* destination, std::int32_t rowStride) {
  if (width <= 0 || bandHeight <= 0 || texels <= 0 || repeat <= 0) return;
  if (format.colourPlanes != 1 && format.colourPlanes != 3) return;
  if (format.sampleBytes != 1 && format.sampleBytes != 2) return;
  if (firstTexel < 0 || firstTexel >= texels) firstTexel = 0;
  const PixelWriter writer = pixelWriterFor(format);
  const std::int32_t written = (format.colourPlanes + (format.opaquePlane ? 1 : 0)) * format.sampleBytes;
  if (format.pixelBytes != written) {
    for (std::int32_t i = 0; i < bandHeight; ++i) {
      writer(row, texels, firstTexel, repeat, width, format.pixelBytes,
             destination + static_cast<std::ptrdiff_t>(i) * rowStride);
    }
    return;
  }
  // Packed pixels: the row repeats every texels x repeat pixels, so the
  // first period is converted and the rest copied in doubling runs.
  const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(written);
  const std::int64_t periodPixels = static_cast<std::int64_t>(texels) * repeat;
  const std::int32_t firstPixels = periodPixels < width ? static_cast<std::int32_t>(periodPixels) : width;
  writer(row, texels, firstTexel, repeat, firstPixels, written, destination);
  extendFirstPeriod(destination, static_cast<std::size_t>(firstPixels) * written, total, bandHeight, rowStride);
}

}  // namespace fill
