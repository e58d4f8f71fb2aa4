// Byte-order helpers for the little-endian records of Windows bitmaps:
// the headers are read and written byte by byte, so they mean the same on
// any host.
#pragma once

#include <cstdint>

namespace texture {

inline std::uint16_t readLittle16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t readLittle32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

inline void writeLittle16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void writeLittle32(std::uint8_t* bytes, std::uint32_t value) {
  writeLittle16(bytes, static_cast<std::uint16_t>(value));
  writeLittle16(bytes + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace texture
