// State of the library for the life of the process. The host calls from one
// thread and never re-entrantly, so none of it is locked.
#pragma once

#include "platform/platform.h"

namespace host {

// Set when the process attaches the library; zero until then. Strings,
// dialog templates and bitmaps are loaded through it.
extern platform::ModuleHandle moduleInstance;
// The parameter block of the call in progress (a FilterRecord, or the
// AboutRecord for the About selector).
extern void* hostParams;

}  // namespace host
