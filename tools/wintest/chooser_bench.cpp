// How long until a library directory is listed: the Open Texture dialog's
// complete long-name list against the platform's own Open dialog (no
// template, no hook) on the same directory, each opened twice in one process.
//   chooser_bench PLUGIN.8BF DIRECTORY chooser|plain
// Prints one line per opening: "<what> opening <n>: <milliseconds> ms".
// Run by tests/bench/large_library.sh.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "resources/dialog_ids.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/hostdriver/dialog_driver.h"

namespace {

constexpr int kListWait = 120000;

double now() {
  static LARGE_INTEGER frequency{};
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int countTextures(const std::string& directory) {
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((directory + "\\*.tif").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

LRESULT askList(HWND list, UINT message) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(list, message, 0, 0, SMTO_NORMAL, kListWait, &answer)) return -1;
  return static_cast<LRESULT>(answer);
}

BOOL CALLBACK findListView(HWND child, LPARAM parameter) {
  if (hostdriver::windowClass(child) != "SysListView32") return TRUE;
  *reinterpret_cast<HWND*>(parameter) = child;
  return FALSE;
}

// Waits on the watcher thread until `list` of `dialog` holds `files` items,
// notes the time and cancels the dialog.
struct Opening {
  std::atomic<double> listed{0};
  std::atomic<bool> done{false};
};

bool finishWhenListed(HWND dialog, HWND list, UINT countMessage, int files, Opening* opening) {
  if (getenv("L17A_DEBUG")) std::printf("  dialog seen at %.0f\n", now());
  const bool full = hostdriver::waitUntil(
      [&] { return list != nullptr && askList(list, countMessage) == files; }, kListWait);
  opening->listed = full ? now() : -1.0;
  hostdriver::pressButton(dialog, IDCANCEL);
  opening->done = true;
  return true;
}

double openPlain(const std::string& directory, int files) {
  Opening opening;
  hostdriver::clearDialogHandlers();
  hostdriver::addDialogHandler([&](HWND dialog, const std::string&) {
    HWND list = nullptr;
    hostdriver::waitUntil([&] {
      EnumChildWindows(dialog, findListView, reinterpret_cast<LPARAM>(&list));
      return list != nullptr;
    }, kListWait);
    return finishWhenListed(dialog, list, LVM_GETITEMCOUNT, files, &opening);
  });
  char name[MAX_PATH] = "";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = "TIFF (*.tif)\0*.tif\0";
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.lpstrInitialDir = directory.c_str();
  const double start = now();
  GetOpenFileNameA(&dialog);
  hostdriver::waitUntil([&] { return opening.done.load(); }, kListWait);
  return opening.listed > 0 ? opening.listed - start : -1.0;
}

double openChooser(hostdriver::EntryPoint entry, int files) {
  Opening opening;
  hostdriver::clearDialogHandlers();
  hostdriver::addDialogHandler([&](HWND dialog, const std::string& caption) {
    if (caption != hostdriver::kChooserCaption) return false;
    return finishWhenListed(dialog, GetDlgItem(dialog, IDC_LONG_NAME_LIST), LB_GETCOUNT, files,
                            &opening);
  });
  std::uint8_t pixels[4 * 4 * 3] = {};
  hostdriver::HostDriver host(entry, hostdriver::packedView(pixels, 4, 4, 3), 3);
  hostdriver::RunPlan plan;
  plan.beforeStart = {};
  const double start = now();
  if (getenv("L17A_DEBUG")) std::printf("  start at %.0f\n", start);
  host.run(plan);
  hostdriver::waitUntil([&] { return opening.done.load(); }, kListWait);
  return opening.listed > 0 ? opening.listed - start : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::strcmp(argv[3], "chooser") != 0 && std::strcmp(argv[3], "plain") != 0)) {
    std::fprintf(stderr, "usage: chooser_bench PLUGIN.8BF DIRECTORY chooser|plain\n");
    return 2;
  }
  const std::string directory = argv[2];
  const bool chooser = std::strcmp(argv[3], "chooser") == 0;
  const int files = countTextures(directory);
  HMODULE module = LoadLibraryA(argv[1]);
  auto entry = module == nullptr ? nullptr
                                 : reinterpret_cast<hostdriver::EntryPoint>(
                                       reinterpret_cast<void*>(GetProcAddress(module, "ENTRYPOINT1")));
  if (files == 0 || entry == nullptr || !SetCurrentDirectoryA(directory.c_str())) {
    std::fprintf(stderr, "chooser_bench: no plug-in entry or no .tif files in %s\n", directory.c_str());
    return 1;
  }
  hostdriver::startDialogWatcher();
  int status = 0;
  for (int opening = 1; opening <= 2; ++opening) {
    SetCurrentDirectoryA(directory.c_str());
    const double milliseconds = chooser ? openChooser(entry, files) : openPlain(directory, files);
    if (milliseconds < 0) status = 1;
    std::printf("%s opening %d: %.0f ms (%d files)\n", argv[3], opening, milliseconds, files);
    std::fflush(stdout);
  }
  hostdriver::stopDialogWatcher();
  FreeLibrary(module);
  return status;
}
