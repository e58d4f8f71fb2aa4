// The Windows binding: the real plug-in DLL given with --plugin, loaded as a
// host loads it. Its Open Texture dialog is answered the way the test hosts
// answer it, and its message boxes are dismissed with OK by the dialog watcher and
// printed on stderr. Texture preparation needs the engine, which this build
// does not link.
#include <windows.h>

#include <cstdio>

#include "tools/texfill/plugin_binding.h"
#include "tools/wintest/chooser_driver.h"
#include "tools/wintest/dialog_driver.h"

namespace texfill {
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
  auto entry = reinterpret_cast<EntryPoint>(
      reinterpret_cast<void*>(GetProcAddress(plugin, "ENTRYPOINT1")));
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
  wintest::ChooserAnswer answer;
  answer.status = 1;
  answer.path = choice.texturePath;
  answer.sizeChoice = choice.sizeChoice;
  answer.tileOrigin = choice.tileOrigin;
  wintest::answerChooser(answer);
  wintest::takeSeenDialogs();
}

int pluginMessagesShown() {
  int shown = 0;
  for (const wintest::SeenDialog& dialog : wintest::takeSeenDialogs()) {
    if (dialog.handled) continue;  // the Open Texture dialog, answered above
    std::fprintf(stderr, "%s\n", dialog.text.empty() ? dialog.caption.c_str() : dialog.text.c_str());
    ++shown;
  }
  return shown;
}

bool prescaleTexture(const std::string&, int pixels, const TempDir&, bool, std::string&,
                     std::string& error) {
  error = "--size " + std::to_string(pixels) +
          " rescales with the engine, which the Windows build does not link; use the native "
          "texfill or one of Actual, 512X512, 256X256, 128X128, 64X64";
  return false;
}

// Only the plug-in knows; it fills other textures at their own size anyway.
bool isLibraryTexture(const std::string&) { return true; }

}  // namespace texfill
