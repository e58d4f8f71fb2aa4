// The library's process notifications. mingw's DllMainCRTStartup has already
// set up the C and C++ runtime before it calls DllMain, and tears it down
// after the detach call returns, so only the module's own state is handled.
#include <windows.h>

#include "host/entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      host::attachModule(instance);
      break;
    case DLL_PROCESS_DETACH:
      host::detachModule();
      break;
    default:  // thread notifications and anything newer: nothing to do
      break;
  }
  // Failing the attach would make the host drop the plug-in without a word.
  return TRUE;
}
