// The Windows test host: loads the real plug-in and checks its resources and
// its selector protocol, one line per check and a closing count.
//
//   orielvmx_wintest PLUGIN.8BF
//   orielvmx_wintest --dpi N PLUGIN.8BF   only the chooser on a display the
//                                         system has set to N DPI
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/wintest/check_report.h"
#include "tools/hostdriver/dialog_driver.h"
#include "tools/wintest/plugin_under_test.h"

namespace {

std::string makeScratchDirectory() {
  char base[MAX_PATH] = {};
  if (GetTempPathA(sizeof base, base) == 0) return "";
  const std::string path = std::string(base) + "orielvmx-wintest-" + std::to_string(GetCurrentProcessId());
  if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return "";
  return path + "\\";
}

}  // namespace

int main(int argc, char** argv) {
  int dpi = 0;
  if (argc == 4 && std::string(argv[1]) == "--dpi") {
    dpi = std::atoi(argv[2]);
    argv += 2;
    argc -= 2;
  }
  if (argc != 2 || dpi < 0) {
    std::fprintf(stderr, "usage: orielvmx_wintest [--dpi N] PLUGIN.8BF\n");
    return 2;
  }
  // Hosts of today are DPI-aware: the system scales their dialog templates
  // instead of stretching their windows.
  SetProcessDPIAware();
  wintest::PluginUnderTest plugin{};
  plugin.path = argv[1];
  plugin.module = LoadLibraryA(argv[1]);
  if (plugin.module == nullptr) {
    wintest::report("load the plug-in", "LoadLibrary failed with error " + std::to_string(GetLastError()));
    wintest::printSummary();
    return 1;
  }
  plugin.entry = reinterpret_cast<wintest::EntryPoint>(
      reinterpret_cast<void*>(GetProcAddress(plugin.module, "ENTRYPOINT1")));
  plugin.scratchDirectory = makeScratchDirectory();
  wintest::report("load the plug-in and find ENTRYPOINT1", plugin.entry != nullptr ? "" : "no ENTRYPOINT1");

  if (dpi == 0) wintest::runResourceChecks(plugin);
  if (plugin.entry != nullptr) {
    hostdriver::startDialogWatcher();
    if (dpi != 0) {
      wintest::runDisplayScaleChecks(plugin, dpi);
    } else {
      wintest::runChooserChecks(plugin);
      wintest::runSelectorChecks(plugin);
      wintest::runHostHabitChecks(plugin);
      wintest::runPspiHostChecks(plugin);
    }
    hostdriver::stopDialogWatcher();
  }
  wintest::report("unload the plug-in", FreeLibrary(plugin.module) ? "" : "FreeLibrary failed");
  if (!plugin.scratchDirectory.empty()) RemoveDirectoryA(plugin.scratchDirectory.c_str());

  wintest::printSummary();
  return wintest::failedChecks() == 0 ? 0 : 1;
}
