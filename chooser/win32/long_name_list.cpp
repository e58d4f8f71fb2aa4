#include "chooser/win32/long_name_list.h"

#include <commdlg.h>

#include <cstdint>
#include <cstring>

#include "chooser/win32/chooser_win32.h"
#include "resources/dialog_ids.h"
#include "texture/fnv1a.h"
#include "texture/info_line.h"
#include "texture/long_name_cache.h"

namespace chooser {

namespace {

// File names longer than this many characters get an empty long name.
constexpr int kNameUnits = texture::kLongNameBytes;
constexpr LPARAM kAverageLongNameBytes = 24;

// Posted after the commands with which the platform may list other files
// without reporting a selection change: Open on a directory name or a
// pattern, a new file type or drive while the name holds a pattern, a
// double-click in the directory list. By the time it arrives the platform
// has listed the files, and the long names must follow them.
constexpr UINT kRelistMessage = WM_APP + 0x4F;

// Signature of the file list the long names were built from.
std::uint32_t listedFiles;

// FNV-1a over the file list's items, to tell whether the long names are
// still those of the listed files.
std::uint32_t fileListSignature(HWND dialog) {
  std::uint32_t hash = texture::kFnv1aStart;
  // The control is looked up once: each lookup lists the dialog's children,
  // which costs more than the item itself.
  HWND files = GetDlgItem(dialog, IDC_FILE_LIST);
  const LRESULT count = SendMessageW(files, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t name[kTextureFileUnits] = L"";
    const LRESULT length = SendMessageW(files, LB_GETTEXTLEN, i, 0);
    if (length >= 0 && length < kTextureFileUnits) {
      SendMessageW(files, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
    }
    // The name with its terminating zero, so that names cannot run together.
    hash = texture::fnv1a(name, (lstrlenW(name) + 1) * sizeof(wchar_t), hash);
  }
  return hash ^ static_cast<std::uint32_t>(count);
}

UINT selectionChangedMessage() {
  static const UINT message = RegisterWindowMessageA(LBSELCHSTRINGA);
  return message;
}

// A long name read from the file is its own bytes, shown in the ANSI code
// page as it always was; one that is the file's name (or its beginning) is
// UTF-8 like the name, and shown as such.
void insertLongName(HWND list, const char* longName, const char* path) {
  const std::size_t length = std::strlen(longName);
  wchar_t wide[kNameUnits];
  if (length != 0 && std::strncmp(longName, path, length) == 0 &&
      platform::utf8ToUtf16(longName, reinterpret_cast<char16_t*>(wide), kNameUnits) >= 0) {
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide));
  } else {
    SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(longName));
  }
}

}  // namespace

void switchListView(HWND dialog, int radioButtonId) {
  int shownId = 0;
  int parkedId = 0;
  if (radioButtonId == IDC_FILE_NAMES_VIEW) {
    shownId = IDC_FILE_LIST;
    parkedId = IDC_LONG_NAME_LIST;
  } else if (radioButtonId == IDC_LONG_NAMES_VIEW) {
    shownId = IDC_LONG_NAME_LIST;
    parkedId = IDC_FILE_LIST;
  } else {
    return;
  }
  if (IsDlgButtonChecked(dialog, radioButtonId) == BST_CHECKED) return;
  HWND shown = GetDlgItem(dialog, shownId);
  HWND parked = GetDlgItem(dialog, parkedId);
  // Both lists share one place; the one not shown waits outside the dialog.
  const RECT place = clientPlace(dialog, parked);
  MoveWindow(parked, -600, -600, place.right, place.bottom, FALSE);
  MoveWindow(shown, place.left, place.top, place.right, place.bottom, TRUE);
  ShowWindow(shown, SW_SHOW);
  SendMessageA(shown, WM_SETREDRAW, TRUE, 0);
  ShowWindow(parked, SW_HIDE);
  SendMessageA(parked, WM_SETREDRAW, FALSE, 0);
}

void mirrorFileSelection(HWND dialog, WPARAM newIndex) {
  const LRESULT top = itemMessage(dialog, IDC_FILE_LIST, LB_GETTOPINDEX);
  itemMessage(dialog, IDC_LONG_NAME_LIST, WM_SETREDRAW, FALSE);
  itemMessage(dialog, IDC_LONG_NAME_LIST, LB_SETCURSEL, LOWORD(newIndex));
  itemMessage(dialog, IDC_LONG_NAME_LIST, LB_SETTOPINDEX, LOWORD(top));
  itemMessage(dialog, IDC_LONG_NAME_LIST, WM_SETREDRAW, TRUE);
}

void takeLongNameSelection(HWND dialog) {
  const LRESULT selected = itemMessage(dialog, IDC_LONG_NAME_LIST, LB_GETCURSEL);
  const LRESULT top = itemMessage(dialog, IDC_LONG_NAME_LIST, LB_GETTOPINDEX);
  wchar_t name[kTextureFileUnits] = L"";
  if (selected != LB_ERR) {
    // LB_GETTEXT has no size limit: measure first. The wide messages carry
    // any name; the narrow ones would turn what the ANSI code page lacks
    // into "?".
    HWND files = GetDlgItem(dialog, IDC_FILE_LIST);
    const LRESULT length = SendMessageW(files, LB_GETTEXTLEN, selected, 0);
    if (length >= 0 && length < kTextureFileUnits) {
      SendMessageW(files, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(name));
    }
  }
  SetDlgItemTextW(dialog, IDC_FILE_NAME, name);
  // The platform dialog is not told: the edit's text is what Open uses.
  itemMessage(dialog, IDC_FILE_LIST, WM_SETREDRAW, FALSE);
  itemMessage(dialog, IDC_FILE_LIST, LB_SETCURSEL, selected);
  itemMessage(dialog, IDC_FILE_LIST, LB_SETTOPINDEX, top);
  itemMessage(dialog, IDC_FILE_LIST, WM_SETREDRAW, TRUE);
}

void rebuildLongNameList(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_LONG_NAME_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  UpdateWindow(list);
  // The list's own flag, not IsWindowVisible: while the dialog is being
  // set up it is not on screen yet, and the list would still recompute its
  // scroll range at every line. The parked list keeps redrawing off.
  const bool visible = (GetWindowLongA(list, GWL_STYLE) & WS_VISIBLE) != 0;
  if (visible) SendMessageA(list, WM_SETREDRAW, FALSE, 0);

  // One line per file, an empty one included, so that line i of the long
  // names always stands for item i of the file list.
  HWND files = GetDlgItem(dialog, IDC_FILE_LIST);
  const LRESULT count = SendMessageA(files, LB_GETCOUNT, 0, 0);
  // Room for every line at once rather than growing the list line by line.
  if (count > 0) {
    SendMessageA(list, LB_INITSTORAGE, static_cast<WPARAM>(count),
                 static_cast<LPARAM>(count) * kAverageLongNameBytes);
  }
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t name[kNameUnits] = L"";
    char path[platform::kPathBytes] = "";
    char longName[texture::kLongNameBytes] = "";
    // A name too long for the 64-character area gets an empty long name
    // rather than being read past the area.
    const LRESULT length = SendMessageW(files, LB_GETTEXTLEN, i, 0);
    if (length >= 0 && length < kNameUnits) {
      SendMessageW(files, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
      CharLowerBuffW(name, static_cast<DWORD>(length));
      if (platform::utf16ToUtf8(reinterpret_cast<const char16_t*>(name), path, sizeof path) >= 0) {
        texture::cachedTextureLongName(path, longName);
      }
    }
    insertLongName(list, longName, path);
  }

  if (visible) {
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, FALSE);
  }
  listedFiles = fileListSignature(dialog);
}

void requestLongNameRelist(HWND dialog) { PostMessageA(dialog, kRelistMessage, 0, 0); }

void followFileList(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRelistMessage) {
    if (fileListSignature(dialog) != listedFiles) rebuildLongNameList(dialog);
    return;
  }
  if (message != selectionChangedMessage()) return;
  switch (wParam) {
    case IDC_FILE_LIST:
      mirrorFileSelection(dialog, static_cast<WPARAM>(LOWORD(lParam)));
      break;
    case IDC_DIRECTORY_LIST:
      rebuildLongNameList(dialog);
      SetDlgItemTextA(dialog, IDC_FILE_NAME, "");
      break;
    case IDC_FILE_TYPE:
    case IDC_DRIVES:
      rebuildLongNameList(dialog);
      break;
    default:
      break;
  }
}

}  // namespace chooser
