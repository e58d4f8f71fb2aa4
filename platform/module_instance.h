// The library's instance handle for the life of the process. The host calls
// from one thread and never re-entrantly, so it is not locked.
#pragma once

#include "platform/platform.h"

namespace platform {

// Set when the process attaches the library; zero until then. Strings,
// dialog templates and bitmaps are loaded through it.
extern ModuleHandle moduleInstance;

}  // namespace platform
