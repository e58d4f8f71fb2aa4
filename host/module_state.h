// State of the entry point for the life of the process. The host calls from
// one thread and never re-entrantly, so none of it is locked.
#pragma once

namespace host {

// The parameter block of the call in progress (a FilterRecord, or the
// AboutRecord for the About selector).
extern void* hostParams;

}  // namespace host
