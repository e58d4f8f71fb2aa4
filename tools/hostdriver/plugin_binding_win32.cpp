// The real plug-in DLL, loaded as a host loads it. Its Open Texture dialog is
// answered from the dialog watcher's thread, and its message boxes are
// dismissed with OK by the watcher.
#include <windows.h>

#include "tools/hostdriver/plugin_binding.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/hostdriver/dialog_driver.h"

namespace hostdriver {
namespace {
HMODULE plugin = nullptr;
}  // namespace

EntryPoint bindPlugin(const std::string& pluginPath, std::string& error) {
  if (pluginPath.empty()) {
    error = "--plugin PATH (the .8BF to load) is needed on Windows";
    return nullptr;
  }
  plugin = LoadLibraryW(wideOf(pluginPath).c_str());
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
  startDialogWatcher();
  return entry;
}

void unbindPlugin() {
  if (plugin == nullptr) return;
  stopDialogWatcher();
  FreeLibrary(plugin);
  plugin = nullptr;
}

void choosePluginTexture(const PluginChoice& choice) {
  answerChooser(ChooserAnswer{.status = choice.status, .path = choice.texturePath, .options = choice.options});
}

std::string takeChoiceProblems() { return takeChooserProblems(); }

std::vector<std::string> takePluginMessages() {
  std::vector<std::string> texts;
  for (const SeenDialog& box : takeMessageBoxes()) {
    texts.push_back(box.text.empty() ? box.caption : box.text);
  }
  return texts;
}

}  // namespace hostdriver
