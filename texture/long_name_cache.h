// Long names remembered for the life of the process, so that listing a
// library directory again opens none of its files. An entry is used only
// while the file keeps the size and modification time it had when it was
// read.
#pragma once

#include <cstddef>

namespace texture {

// At most this many files are remembered; one more empties the store.
constexpr std::size_t kLongNameCacheEntries = 12288;

// textureLongName(name, result), answered from the store when the file is
// unchanged since its last reading.
int cachedTextureLongName(const char* name, char* result);

// Frees the store; the next call starts an empty one.
void forgetLongNames();

// Files read since the process started (misses of the store); tests watch it.
extern long longNamesRead;

}  // namespace texture
