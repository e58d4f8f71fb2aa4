// Long names remembered for the life of the process, so that listing a
// library directory again opens none of its files. An entry is used only
// while the file keeps the size and modification time it had when it was
// read.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace texture {

// At most this many files are remembered; one more empties the store.
constexpr std::size_t kLongNameCacheEntries = 12288;

// textureLongName(name, result), answered from the store when the file is
// unchanged since its last reading.
int cachedTextureLongName(const char* name, char* result);

// Frees the store; the next call starts an empty one.
void forgetLongNames();

// An entry read elsewhere (a kept store, see long_name_file.h) joins the
// store, for the full path `path`. An entry the store has for that path
// already stays as it is: it is at least as recent. False when the store is
// full or has no memory.
bool rememberLongName(const char* path, const platform::FileStamp& stamp, int answer, const char* longName);

// Calls `visit` for every entry, in no particular order.
using LongNameVisitor = void (*)(void* context, const char* path, const platform::FileStamp& stamp, int answer,
                                 const char* longName);
void visitLongNames(LongNameVisitor visit, void* context);
// Entries in the store now.
std::size_t longNamesRemembered();

// True when a file was read into the store since the last markLongNamesKept()
// (or since the store was started): the kept copy is behind.
bool longNamesChanged();
void markLongNamesKept();

// Files read since the process started (misses of the store); tests watch it.
extern long longNamesRead;

}  // namespace texture
