#include <tiffio.h>

#include <cstring>

#include "texture/little_endian.h"
#include "texture/texture_source.h"

namespace texture {

void expandToRgb(const std::uint8_t* input, std::int32_t count, const ColorTableBlock* table,
                 std::int32_t tableEntries, std::uint8_t* output, bool invert) {
  if (table != nullptr) {
    // Entries are stored blue, green, red, reserved; an index past the
    // entries the file provides has no colour and reads as black.
    const std::uint8_t* entries = table + kInfoHeaderBytes;
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int32_t index = input[i];
      std::uint8_t* out = output + 3 * i;
      if (index < tableEntries) {
        const std::uint8_t* entry = entries + 4 * index;
        out[0] = entry[2];
        out[1] = entry[1];
        out[2] = entry[0];
      } else {
        out[0] = out[1] = out[2] = 0;
      }
    }
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t v = invert ? static_cast<std::uint8_t>(~input[i]) : input[i];
    output[3 * i] = output[3 * i + 1] = output[3 * i + 2] = v;
  }
}

void swapRedBlue(std::uint8_t* row, std::int32_t pixels) {
  for (std::int32_t i = 0; i < pixels; ++i) {
    const std::uint8_t first = row[3 * i];
    row[3 * i] = row[3 * i + 2];
    row[3 * i + 2] = first;
  }
}

int fillColorTableFromTiff(ColorTableBlock* block, TIFF* tiff) {
  if (block == nullptr || tiff == nullptr) return 0;
  std::uint16_t bits = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  if (bits < 1 || bits > 8) return 0;
  std::uint16_t* red = nullptr;
  std::uint16_t* green = nullptr;
  std::uint16_t* blue = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr ||
      green == nullptr || blue == nullptr) {
    return 0;
  }
  const std::uint32_t entries = 1u << bits;
  writeLittle32(block + kInfoHeaderClrUsed, entries);
  writeLittle16(block + kInfoHeaderBitCount, bits);
  std::uint8_t* entry = block + kInfoHeaderBytes;
  for (std::uint32_t i = 0; i < entries; ++i, entry += 4) {
    // Colour-map values are 16-bit; the table keeps their high bytes.
    entry[0] = static_cast<std::uint8_t>(blue[i] >> 8);
    entry[1] = static_cast<std::uint8_t>(green[i] >> 8);
    entry[2] = static_cast<std::uint8_t>(red[i] >> 8);
    entry[3] = 0;
  }
  return 1;
}

ColorTableBlock* colorTableFromTiff(TIFF* tiff) {
  if (tiff == nullptr) return nullptr;
  std::uint16_t bits = 0;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  if (bits < 1 || bits > 8) return nullptr;
  std::uint16_t* red = nullptr;
  std::uint16_t* green = nullptr;
  std::uint16_t* blue = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) != 1) return nullptr;
  const std::size_t bytes = kInfoHeaderBytes + 4 * (std::size_t{1} << bits);
  auto* block = static_cast<ColorTableBlock*>(platform::allocateMemory(bytes));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, kInfoHeaderBytes);
  if (!fillColorTableFromTiff(block, tiff)) {
    platform::releaseMemory(block);
    return nullptr;
  }
  return block;
}

}  // namespace texture
