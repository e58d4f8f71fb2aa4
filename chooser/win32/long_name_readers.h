// Reading many files' long names at once. Under some platforms every open
// and close of a file is a round trip to another process; with several
// readers waiting on those trips together, a directory is read in less
// time than one reader takes.
#pragma once

#include <cstddef>

namespace chooser {

// A texture::LongNameReader: textureLongName of every name, the dialog's
// thread and a few helper threads sharing them out one file at a time.
void readLongNamesAtOnce(std::size_t count, const char* const* names, char* results,
                         int* answers);

}  // namespace chooser
