// The Windows side of the fill runner: the real plug-in DLL, the chooser
// told through ORIELVMX_TEST_CHOICE, message boxes dismissed and counted by
// the dialog watcher.
#include <windows.h>

#include "tools/fillhost/runner_platform.h"
#include "tools/wintest/dialog_driver.h"

namespace fillhost {
namespace {
HMODULE plugin = nullptr;
}  // namespace

EntryPoint loadPlugin(const char* pluginPath, std::string* error) {
  if (pluginPath == nullptr) {
    *error = "--plugin PATH is needed on Windows";
    return nullptr;
  }
  plugin = LoadLibraryA(pluginPath);
  if (plugin == nullptr) {
    *error = std::string("cannot load ") + pluginPath + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(plugin, "ENTRYPOINT1")));
  if (entry == nullptr) {
    *error = "the plug-in does not export ENTRYPOINT1";
    return nullptr;
  }
  wintest::startDialogWatcher();
  return entry;
}

void unloadPlugin() {
  wintest::stopDialogWatcher();
  if (plugin != nullptr) FreeLibrary(plugin);
  plugin = nullptr;
}

void chooseTexture(const FillCase& fillCase, const std::string& texturePath) {
  const std::string value = std::to_string(fillCase.chooserStatus) + "|" + texturePath + "|" +
                            std::to_string(fillCase.sizeChoice) + "|" +
                            std::to_string(fillCase.tileOrigin);
  SetEnvironmentVariableA("ORIELVMX_TEST_CHOICE", value.c_str());
}

void forgetMessageBoxes() { wintest::takeSeenDialogs(); }

int messageBoxesShown() { return static_cast<int>(wintest::takeSeenDialogs().size()); }

char pathSeparator() { return '\\'; }

}  // namespace fillhost
