// The real plug-in DLL, loaded as a host loads it. Its Open Texture dialog is
// answered from the dialog watcher's thread, and its message boxes are
// dismissed with OK by the watcher.
#include <windows.h>

#include "tools/hostdriver/plugin_binding.h"
#include "tools/wintest/chooser_driver.h"
#include "tools/wintest/dialog_driver.h"

namespace hostdriver {
namespace {
HMODULE plugin = nullptr;
}  // namespace

EntryPoint bindPlugin(const std::string& pluginPath, std::string& error) {
  if (pluginPath.empty()) {
    error = "--plugin PATH (the .8BF to load) is needed on Windows";
    return nullptr;
  }
  plugin = LoadLibraryA(pluginPath.c_str());
  if (plugin == nullptr) {
    error = "cannot load " + pluginPath + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(plugin, "ENTRYPOINT1")));
  if (entry == nullptr) {
    error = pluginPath + " does not export ENTRYPOINT1";
    FreeLibrary(plugin);
    plugin = nullptr;
    return nullptr;
  }
  wintest::startDialogWatcher();
  return entry;
}

void unbindPlugin() {
  if (plugin == nullptr) return;
  wintest::stopDialogWatcher();
  FreeLibrary(plugin);
  plugin = nullptr;
}

void choosePluginTexture(const PluginChoice& choice) {
  wintest::answerChooser(wintest::ChooserAnswer{.status = choice.status, .path = choice.texturePath,
                                                .sizeChoice = choice.sizeChoice, .tileOrigin = choice.tileOrigin});
}

std::string takeChoiceProblems() { return wintest::takeChooserProblems(); }

std::vector<std::string> takePluginMessages() {
  std::vector<std::string> texts;
  for (const wintest::SeenDialog& box : wintest::takeMessageBoxes()) {
    texts.push_back(box.text.empty() ? box.caption : box.text);
  }
  return texts;
}

}  // namespace hostdriver
