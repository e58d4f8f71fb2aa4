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

// Reads the long names of `count` files that the store does not hold:
// textureLongName(names[i], results + i * kLongNameBytes) for each i, its
// answer into answers[i]. The files may be read in any order, and at once.
using LongNameReader = void (*)(std::size_t count, const char* const* names, char* results,
                                int* answers);

// cachedTextureLongName for `count` files at once, results[i] being
// kLongNameBytes long; the files the store does not hold are handed to
// `readMissing` together. False, with nothing written, when there is no
// memory for the bookkeeping.
bool cachedTextureLongNames(std::size_t count, const char* const* names, char* results,
                            int* answers, LongNameReader readMissing);

// Frees the store; the next call starts an empty one.
void forgetLongNames();

// Files read since the process started (misses of the store); tests watch it.
extern long longNamesRead;

}  // namespace texture
