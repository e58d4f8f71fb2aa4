// The Windows side of the fill runner: the real plug-in DLL, its Open
// Texture dialog answered from the dialog watcher's thread, message boxes
// dismissed and counted by the watcher.
#include <windows.h>

#include "tools/fillhost/runner_platform.h"
#include "tools/wintest/chooser_driver.h"
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
  wintest::ChooserAnswer answer;
  answer.status = fillCase.chooserStatus;
  answer.path = texturePath;
  answer.sizeChoice = fillCase.sizeChoice;
  answer.tileOrigin = fillCase.tileOrigin;
  wintest::answerChooser(answer);
}

void forgetMessageBoxes() { wintest::takeSeenDialogs(); }

// The Open Texture dialog itself is not a message box; neither is the
// "Cannot find file" box with which a failed dialog reports itself, which
// the native chooser has no dialog to show.
int messageBoxesShown() {
  int boxes = 0;
  for (const wintest::SeenDialog& seen : wintest::takeSeenDialogs()) {
    if (!seen.handled && seen.text != "Cannot find file ") ++boxes;
  }
  return boxes;
}

char pathSeparator() { return '\\'; }

}  // namespace fillhost
