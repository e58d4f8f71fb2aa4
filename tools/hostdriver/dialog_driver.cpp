#include "tools/hostdriver/dialog_driver.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "platform/utf8.h"

namespace hostdriver {
namespace {

// Milliseconds for one message to the dialog's thread. A loaded machine can
// keep that thread from its queue for seconds (Wine's file dialog lists the
// directory after the hook has run), so only a hang may use all of it.
constexpr UINT kMessageTimeout = 30000;

struct Watcher {
  std::thread thread;
  std::atomic<bool> stop{false};
  std::mutex lock;
  std::vector<DialogHandler> handlers;
  std::vector<SeenDialog> seen;
  std::set<HWND> taken;
};

Watcher& watcher() {
  static Watcher instance;
  return instance;
}

BOOL CALLBACK collectDialog(HWND window, LPARAM parameter) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && windowClass(window) == "#32770") {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
  }
  return TRUE;
}

std::vector<HWND> visibleDialogs() {
  std::vector<HWND> dialogs;
  EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
}

void handleDialog(HWND dialog) {
  Watcher& w = watcher();
  SeenDialog entry;
  entry.caption = windowText(dialog);
  entry.text = staticText(dialog);
  std::vector<DialogHandler> handlers;
  {
    std::lock_guard<std::mutex> guard(w.lock);
    handlers = w.handlers;
  }
  for (const DialogHandler& handler : handlers) {
    if (handler(dialog, entry.caption)) {
      entry.handled = true;
      break;
    }
  }
  // Recorded before the OK is posted, so the record is there by the time the
  // plug-in's call returns to the test.
  {
    std::lock_guard<std::mutex> guard(w.lock);
    w.seen.push_back(entry);
  }
  if (!entry.handled) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void watch() {
  Watcher& w = watcher();
  while (!w.stop.load()) {
    for (auto it = w.taken.begin(); it != w.taken.end();) {
      it = IsWindow(*it) ? std::next(it) : w.taken.erase(it);
    }
    for (HWND dialog : visibleDialogs()) {
      if (w.taken.insert(dialog).second) handleDialog(dialog);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

BOOL CALLBACK findStaticText(HWND child, LPARAM parameter) {
  if (windowClass(child) != "Static") return TRUE;
  std::string text = windowText(child);
  if (text.empty()) return TRUE;
  *reinterpret_cast<std::string*>(parameter) = text;
  return FALSE;
}

}  // namespace

LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeout, &answer) == 0) {
    return 0;
  }
  return static_cast<LRESULT>(answer);
}

bool startDialogWatcher() {
  Watcher& w = watcher();
  if (w.thread.joinable()) return true;
  w.stop = false;
  w.thread = std::thread(watch);
  return true;
}

void stopDialogWatcher() {
  Watcher& w = watcher();
  if (!w.thread.joinable()) return;
  w.stop = true;
  w.thread.join();
}

void addDialogHandler(DialogHandler handler) {
  std::lock_guard<std::mutex> guard(watcher().lock);
  watcher().handlers.push_back(std::move(handler));
}

void clearDialogHandlers() {
  std::lock_guard<std::mutex> guard(watcher().lock);
  watcher().handlers.clear();
}

std::vector<SeenDialog> takeSeenDialogs() {
  std::lock_guard<std::mutex> guard(watcher().lock);
  std::vector<SeenDialog> seen;
  seen.swap(watcher().seen);
  return seen;
}

std::vector<SeenDialog> takeMessageBoxes() {
  std::vector<SeenDialog> boxes = takeSeenDialogs();
  std::erase_if(boxes, [](const SeenDialog& dialog) { return dialog.handled; });
  return boxes;
}

std::wstring wideOf(const std::string& text) {
  std::u16string units(text.size() + 1, u'\0');
  const long length = platform::utf8ToUtf16(text.c_str(), units.data(), units.size(), platform::BadSequences::replace);
  units.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
  return std::wstring(units.begin(), units.end());
}

std::string utf8Of(const wchar_t* text) {
  const std::u16string units(text, text + lstrlenW(text));
  std::string bytes(3 * units.size() + 1, '\0');
  const long length = platform::utf16ToUtf8(units.c_str(), bytes.data(), bytes.size(), platform::BadSequences::replace);
  bytes.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
  return bytes;
}

std::string windowText(HWND window) {
  wchar_t text[1024] = {};
  sendWithTimeout(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  text[1023] = L'\0';
  return utf8Of(text);
}

std::string windowClass(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string staticText(HWND dialog) {
  std::string text;
  EnumChildWindows(dialog, findStaticText, reinterpret_cast<LPARAM>(&text));
  return text;
}

HWND findDialog(const std::string& caption, int timeoutMilliseconds) {
  HWND found = nullptr;
  waitUntil(
      [&] {
        for (HWND dialog : visibleDialogs()) {
          if (windowText(dialog) == caption) {
            found = dialog;
            return true;
          }
        }
        return false;
      },
      timeoutMilliseconds);
  return found;
}

std::string controlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr ? windowText(control) : std::string();
}

bool setControlText(HWND dialog, int id, const std::string& text) {
  HWND control = GetDlgItem(dialog, id);
  const std::wstring wide = wideOf(text);
  return control != nullptr &&
         sendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())) != 0;
}

bool controlEnabled(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowEnabled(control);
}

bool controlVisible(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowVisible(control);
}

bool selectComboItem(HWND dialog, int id, int index) {
  HWND combo = GetDlgItem(dialog, id);
  if (combo == nullptr) return false;
  if (sendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
  // CB_SETCURSEL does not notify the owner; a user's pick does.
  sendWithTimeout(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  return true;
}

int comboSelection(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  return combo != nullptr ? static_cast<int>(sendWithTimeout(combo, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

std::vector<std::string> comboItems(HWND dialog, int id) {
  std::vector<std::string> items;
  HWND combo = GetDlgItem(dialog, id);
  if (combo == nullptr) return items;
  const int count = static_cast<int>(sendWithTimeout(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    const LRESULT length = sendWithTimeout(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0 || length >= 512) {
      items.emplace_back();
      continue;
    }
    sendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.emplace_back(utf8Of(text));
  }
  return items;
}

bool buttonChecked(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button != nullptr && sendWithTimeout(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool pressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace hostdriver
