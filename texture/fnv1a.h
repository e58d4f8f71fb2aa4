// FNV-1a, 32 bits: a quick hash of bytes, not a check against tampering.
// It keys the long-name store's paths, guards the kept long-name file's body
// and tells the dialog whether its file list changed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace texture {

constexpr std::uint32_t kFnv1aStart = 2166136261u;

// `hash` continues an earlier call's answer over more bytes.
inline std::uint32_t fnv1a(const void* bytes, std::size_t size, std::uint32_t hash = kFnv1aStart) {
  const auto* at = static_cast<const unsigned char*>(bytes);
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ at[i]) * 16777619u;
  return hash;
}

}  // namespace texture
