// The long-name store kept in a file between processes, so that a host
// started again lists a library it has listed before without opening its
// files. Each entry still counts only while its file keeps the size and
// modification time it had when it was read.
//
// The file, little-endian: the 8 bytes "OVMXLN2\n", the entry count (32
// bits), the body's length in bytes (32 bits) and the body's FNV-1a hash (32
// bits); then the body, for each entry: the full path's length (16 bits, 1 to
// 1023) and the path, the file's size and modification time (64 bits each),
// the long-name answer (8 bits, 0 or 1), the long name's length (8 bits, at
// most 63) and the name. Paths are UTF-8; names are the texture files' own
// bytes. Paths and names hold no zero byte. A file that breaks any of this is
// no store: nothing of it is used.
//
// The earlier releases wrote "OVMXLN1\n" and paths in the ANSI code page.
// Such a file is still read, its entries with plain ASCII paths taken (they
// are the same bytes in UTF-8) and the others left to be read again when
// listed; the next save writes the whole store as UTF-8.
#pragma once

#include <cstddef>

namespace texture {

// The file's name in the folder that keeps it.
constexpr const char* kLongNameFileName = "OrielVMX.names";

// Adds the kept entries to the store (entries it has for the same paths stay
// as they are; see rememberLongName). False, with the store unchanged, for a
// missing file or one that is no store.
bool loadLongNames(const char* path);

// Writes the whole store to `path`, through a file beside it that then takes
// its place, and marks it kept. False when it could not be written; the old
// file, if any, then stays.
bool saveLongNames(const char* path);

}  // namespace texture
