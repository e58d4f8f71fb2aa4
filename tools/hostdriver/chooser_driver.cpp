#include "tools/hostdriver/chooser_driver.h"

#include <cstdlib>
#include <mutex>

#include "resources/dialog_ids.h"
#include "tools/hostdriver/dialog_driver.h"
#include "tools/hostdriver/preferences_driver.h"

namespace hostdriver {
namespace {

struct DriverState {
  std::mutex lock;
  bool installed = false;
  ChooserAnswer answer;
  std::string problems;
};

DriverState& state() {
  static DriverState instance;
  return instance;
}

void noteProblem(const std::string& problem) {
  std::lock_guard<std::mutex> guard(state().lock);
  if (!state().problems.empty()) state().problems += "; ";
  state().problems += problem;
}

// The dialog is up and initialised once the long-name list is filled in.
bool waitForChooser(HWND dialog) {
  return waitUntil([&] { return buttonChecked(dialog, IDC_LONG_NAMES_VIEW); }, kDialogWait);
}

void answerOpenTexture(HWND dialog, const ChooserAnswer& answer) {
  if (!waitForChooser(dialog)) noteProblem("the Open Texture dialog did not initialise");
  if (answer.status == 2) {
    pressButton(dialog, IDCANCEL);
    return;
  }
  if (answer.status != 1) {
    // Neither Open nor Cancel: the platform dialog ends without a file.
    if (!EndDialog(dialog, 0)) noteProblem("EndDialog failed");
    return;
  }
  if (!typeFileName(dialog, answer.path)) noteProblem("the edit did not take " + answer.path);
  const fill::FillOptions& options = answer.options;
  if (options.sizeChoice != 0 && controlEnabled(dialog, IDC_SIZE_COMBO) &&
      !selectComboItem(dialog, IDC_SIZE_COMBO, options.sizeChoice)) {
    noteProblem("cannot pick size " + std::to_string(options.sizeChoice));
  }
  if (needsPreferences(options)) {
    const std::string problem = answerPreferences(dialog, options, IDOK);
    if (!problem.empty()) noteProblem(problem);
  }
  pressButton(dialog, IDOK);
}

bool handleDialog(HWND dialog, const std::string& caption) {
  if (caption != kChooserCaption) return false;
  ChooserAnswer answer;
  {
    std::lock_guard<std::mutex> guard(state().lock);
    answer = state().answer;
  }
  answerOpenTexture(dialog, answer);
  return true;
}

}  // namespace

void answerChooser(const ChooserAnswer& answer) {
  bool install = false;
  {
    std::lock_guard<std::mutex> guard(state().lock);
    state().answer = answer;
    install = !state().installed;
    state().installed = true;
  }
  if (install) addDialogHandler(handleDialog);
}

void answerChooser(const std::string& text) {
  ChooserAnswer answer;
  answer.status = 2;
  if (!text.empty()) {
    std::string fields[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
      const std::size_t bar = i < 3 ? text.find('|', start) : std::string::npos;
      fields[i] = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    answer.status = std::atoi(fields[0].c_str());
    answer.path = fields[1];
    if (!fields[2].empty()) answer.options.sizeChoice = std::atoi(fields[2].c_str());
    if (!fields[3].empty()) answer.options.tileOrigin = std::atoi(fields[3].c_str());
  }
  answerChooser(answer);
}

std::string takeChooserProblems() {
  std::lock_guard<std::mutex> guard(state().lock);
  std::string problems;
  problems.swap(state().problems);
  return problems;
}

bool clickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

int listCount(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  return list != nullptr ? static_cast<int>(sendWithTimeout(list, LB_GETCOUNT, 0, 0)) : -1;
}

std::string listText(HWND dialog, int id, int index) {
  HWND list = GetDlgItem(dialog, id);
  if (list == nullptr) return "";
  const LRESULT length = sendWithTimeout(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0 || length > 4096) return "";
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  sendWithTimeout(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  return utf8Of(text.c_str());
}

bool typeFileName(HWND dialog, const std::string& text) {
  if (!setControlText(dialog, IDC_FILE_NAME, text)) return false;
  // The edit lower-cases what it is given; the hook handles EN_CHANGE
  // inside WM_SETTEXT, so the dialog is up to date once the text is there.
  std::wstring wide = wideOf(text);
  CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  const std::string lower = utf8Of(wide.c_str());
  return waitUntil([&] { return controlText(dialog, IDC_FILE_NAME) == lower; }, kDialogWait);
}

}  // namespace hostdriver
