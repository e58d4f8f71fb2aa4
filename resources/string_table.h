// The string table as id/text rows, for code that reads the texts without
// the module's resources: the POSIX platform layer, and the Windows test
// host that compares them with what the library's resources hold.
#pragma once

#include "resources/strings.h"

namespace resources {

struct StringTableRow {
  unsigned id;
  const char* text;
};

#define ORIELVMX_STRING_ROW(id, text) {id, text},
inline constexpr StringTableRow kStringTable[] = {ORIELVMX_STRING_TABLE(ORIELVMX_STRING_ROW)};
#undef ORIELVMX_STRING_ROW

}  // namespace resources
