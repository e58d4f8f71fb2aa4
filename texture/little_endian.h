// Byte-order helpers for little-endian records (Windows bitmaps' headers,
// the kept long-name file): read and written byte by byte, so they mean the
// same on any host.
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

inline std::uint64_t readLittle64(const std::uint8_t* bytes) {
  return readLittle32(bytes) | (static_cast<std::uint64_t>(readLittle32(bytes + 4)) << 32);
}

inline void writeLittle16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void writeLittle32(std::uint8_t* bytes, std::uint32_t value) {
  writeLittle16(bytes, static_cast<std::uint16_t>(value));
  writeLittle16(bytes + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void writeLittle64(std::uint8_t* bytes, std::uint64_t value) {
  writeLittle32(bytes, static_cast<std::uint32_t>(value));
  writeLittle32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace texture
