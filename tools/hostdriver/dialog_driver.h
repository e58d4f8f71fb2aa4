// Drives the plug-in's modal windows from a second thread of the test host.
// While the plug-in runs a dialog or message box, the host's own thread is
// inside the plug-in's modal loop, so a watcher thread looks for new dialog
// windows (class "#32770") of this process, hands each to the first handler
// that takes it, and otherwise records its caption and text and dismisses it
// with OK. The helpers below work from the watcher thread on a dialog that
// lives on the host thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace hostdriver {

struct SeenDialog {
  std::string caption;
  std::string text;      // the message text of a message box; "" when it has none
  bool handled = false;  // a handler took it (otherwise it was dismissed with OK)
};

// Runs on the watcher thread for every new dialog; answers true when it took
// the dialog (it then pressed its buttons itself, with pressButton).
using DialogHandler = std::function<bool(HWND dialog, const std::string& caption)>;

bool startDialogWatcher();
void stopDialogWatcher();
void addDialogHandler(DialogHandler handler);
void clearDialogHandlers();
// Dialogs seen since the last call, oldest first.
std::vector<SeenDialog> takeSeenDialogs();
// The same without those a handler took: the message boxes, each dismissed
// with OK.
std::vector<SeenDialog> takeMessageBoxes();

// How long a dialog is waited for to do what it was asked: long enough for a
// loaded machine, where Wine may take seconds to list a directory; only a
// failing check waits it out.
constexpr int kDialogWait = 30000;

// Window helpers; every message to the dialog's thread has a time limit, so a
// hung plug-in fails a test instead of hanging it.
// SendMessage with that limit; 0 when the time ran out. Messages sent from
// one thread are handled in order, so once it returns every earlier one,
// with all it set off in the dialog, is done.
// Sent as a wide message: texts go both ways as UTF-16.
LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Texts are UTF-8 on the test's side, UTF-16 on the dialogs' (a bad
// sequence becomes U+FFFD).
std::wstring wideOf(const std::string& text);
std::string utf8Of(const wchar_t* text);
std::string windowText(HWND window);
std::string windowClass(HWND window);
// The first non-empty static text of a dialog: a message box's message.
std::string staticText(HWND dialog);
// A visible dialog of this process whose caption is `caption`; null when none
// appears within the time limit.
HWND findDialog(const std::string& caption, int timeoutMilliseconds);
std::string controlText(HWND dialog, int id);
bool setControlText(HWND dialog, int id, const std::string& text);
bool controlEnabled(HWND dialog, int id);
bool controlVisible(HWND dialog, int id);
// Selects a combo box item and tells the dialog, as a user's pick would.
bool selectComboItem(HWND dialog, int id, int index);
int comboSelection(HWND dialog, int id);
std::vector<std::string> comboItems(HWND dialog, int id);
bool buttonChecked(HWND dialog, int id);
// Posts the click, so a button that opens another modal dialog does not
// block the caller.
bool pressButton(HWND dialog, int id);
// Polls `condition` every 10 ms until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, int timeoutMilliseconds);

}  // namespace hostdriver
