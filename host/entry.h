// The library's only export: the host calls it once per selector.
#pragma once

#include <cstdint>

#include "fill/fill_job.h"

#if defined(_WIN32)
#define ORIELVMX_CDECL __cdecl
#else
#define ORIELVMX_CDECL
#endif

extern "C" void ORIELVMX_CDECL ENTRYPOINT1(std::int16_t selector, void* parameterBlock,
                                           std::intptr_t* data, std::int16_t* result);

namespace host {

// The process attach and detach of the library (DllMain's role on Windows;
// native hosts and tests call them directly).
void attachModule(void* instance);
void detachModule();

// The fill job the entry point keeps between the host's calls: what a native
// host can look at after any selector.
const fill::FillJob& currentFillJob();

}  // namespace host
