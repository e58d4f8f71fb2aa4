// Stand-in for the Open Texture and About dialogs so that the Windows build
// can be driven by the test hosts before the dialogs exist. Goes away when
// the dialogs land.
//
// ORIELVMX_TEST_CHOICE = "status|path|sizeChoice|tileOrigin", status 1 for a
// chosen texture, 2 for a cancel, anything else for a failed dialog. Without
// the variable the user cancels.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "chooser/texture_choice.h"

namespace chooser {

int runTextureDialog(platform::WindowHandle, platform::ModuleHandle, TextureChoice* choice) {
  char value[1024];
  const DWORD length = GetEnvironmentVariableA("ORIELVMX_TEST_CHOICE", value, sizeof value);
  if (length == 0 || length >= sizeof value) return dialogCancelled;

  char* fields[4] = {value, nullptr, nullptr, nullptr};
  for (int i = 1; i < 4; ++i) {
    char* bar = std::strchr(fields[i - 1], '|');
    if (bar == nullptr) break;
    *bar = '\0';
    fields[i] = bar + 1;
  }
  const int status = std::atoi(fields[0]);
  if (status != dialogChosen) return status == dialogCancelled ? dialogCancelled : dialogFailed;
  if (fields[1] == nullptr || choice == nullptr || choice->fileName == nullptr) return dialogFailed;

  std::size_t pathLength = std::strlen(fields[1]);
  if (pathLength > kFileNameBytes - 1) pathLength = kFileNameBytes - 1;
  std::memcpy(choice->fileName, fields[1], pathLength);
  choice->fileName[pathLength] = '\0';
  if (fields[2] != nullptr) choice->sizeChoice = std::atoi(fields[2]);
  if (fields[3] != nullptr) choice->tileOrigin = std::atoi(fields[3]);
  return dialogChosen;
}

int showAboutDialog(platform::WindowHandle, platform::ModuleHandle) { return 0; }

}  // namespace chooser
