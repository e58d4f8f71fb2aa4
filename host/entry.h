// The library's only export: the host calls it once per selector.
#pragma once

#include <cstdint>

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

}  // namespace host
