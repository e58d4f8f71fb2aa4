// The Open Texture dialog: the platform's file-open dialog run with template
// 178 and a hook that adds the banner, the preview, the long-name list, the
// info line, the "Size to:" combo and the Preferences and About buttons.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "chooser/kept_long_names.h"
#include "chooser/settings.h"
#include "chooser/win32/chooser_win32.h"
#include "chooser/win32/long_name_list.h"
#include "platform/messages.h"
#include "resources/dialog_ids.h"
#include "resources/strings.h"
#include "texture/info_line.h"

namespace chooser {

TextureDialogState textureDialog;

namespace {

// The record of the Windows 95 generation, which ends after the template
// name: systems of that age and every later one accept it (76 bytes in a
// 32-bit process).
constexpr DWORD kOpenFileNameSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(sizeof(void*) != 4 || kOpenFileNameSize == 76);

// The first three entries keep their places so that a stored filter index
// keeps its meaning; the later formats come after them.
constexpr wchar_t kFilter[] =
    L"TIFF (*.tif)\0*.TIF\0Bitmaps (*.bmp)\0*.BMP\0All Files (*.*)\0*.*\0"
    L"All Textures (*.tif;*.bmp;*.png;*.jpg)\0*.TIF;*.BMP;*.PNG;*.JPG;*.JPEG\0"
    L"PNG (*.png)\0*.PNG\0JPEG (*.jpg)\0*.JPG;*.JPEG\0";

// The dialog's title: the settings section's name.
constexpr std::size_t kTitleUnits = 64;
wchar_t dialogTitle[kTitleUnits];

// The platform dialog's path in UTF-8; "" when it cannot be carried intact
// (too long, or not a whole name), which then fails to open.
void chosenPath(char* path, std::size_t size) {
  if (platform::utf16ToUtf8(reinterpret_cast<const char16_t*>(textureDialog.textureFileBuffer), path, size) < 0) {
    path[0] = '\0';
  }
}


constexpr int kFrameSide = 66;  // the preview and its one-pixel black frame

// The banner control's place in pixels at 96 DPI.
constexpr RECT kBannerPlace{3, 2, 495, 39};  // left, top, width, height

// The banner's place for the dialog's DPI, in proportion. Above 96 DPI the
// template's font can have grown less than the display (font sizes do not
// scale exactly), so the banner is kept inside the dialog; at 96 DPI it
// keeps its place whatever the dialog's width.
RECT bannerPlace(HWND dialog, int dpi) {
  const int left = scaledForDpi(kBannerPlace.left, dpi);
  int width = scaledForDpi(kBannerPlace.right, dpi);
  if (dpi != kUnscaledDpi) {
    RECT client{};
    GetClientRect(dialog, &client);
    width = std::min<int>(width, client.right - 2 * left);
  }
  return RECT{left, scaledForDpi(kBannerPlace.top, dpi), width,
              MulDiv(kBannerPlace.bottom, width, kBannerPlace.right)};
}

void releasePreviewPanel() {
  if (textureDialog.previewPanel == nullptr) return;
  freePreviewPanel(textureDialog.previewPanel);
  platform::releaseMemory(textureDialog.previewPanel);
  textureDialog.previewPanel = nullptr;
}

void deleteBanner() {
  if (textureDialog.bannerBitmap == nullptr) return;
  DeleteObject(textureDialog.bannerBitmap);
  textureDialog.bannerBitmap = nullptr;
}

void drawBanner(HWND dialog) {
  if (textureDialog.bannerBitmap == nullptr) return;
  drawBitmapScaledIntoControl(GetDlgItem(dialog, IDC_BANNER), textureDialog.bannerBitmap,
                              kBannerPlace.right);
}

// The banner static paints itself over whatever the dialog drew into it
// (an empty simple static clears its area), so it also draws the banner on
// its own paint and keeps it from being erased.
LRESULT CALLBACK bannerControlProc(HWND control, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
  if (textureDialog.bannerBitmap != nullptr) {
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      BeginPaint(control, &paint);
      EndPaint(control, &paint);
      drawBitmapScaledIntoControl(control, textureDialog.bannerBitmap, kBannerPlace.right);
      return 0;
    }
  }
  return CallWindowProcW(textureDialog.bannerControlProc, control, message, wParam, lParam);
}

// The preview frame's side for the dialog's DPI: it grows with the display,
// but not into the "Preview" check box under it, which the template's font
// places and which may have grown less (Wine 10 at 192 DPI lays the dialog
// out half as large again, not twice). Never below its 96-DPI side.
int previewFrameSide(HWND dialog, const RECT& place, int dpi) {
  const int side = scaledForDpi(kFrameSide, dpi);
  const RECT below = clientPlace(dialog, GetDlgItem(dialog, IDC_PREVIEW_CHECK));
  const int room = below.top - place.top;
  return std::max(kFrameSide, std::min(side, room));
}

}  // namespace

void itemPath(HWND dialog, int id, char* path, std::size_t size) {
  wchar_t text[kTextureFileUnits] = L"";
  GetDlgItemTextW(dialog, id, text, kTextureFileUnits);
  if (platform::utf16ToUtf8(reinterpret_cast<const char16_t*>(text), path, size) < 0) path[0] = '\0';
}

LRESULT itemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

RECT clientPlace(HWND dialog, HWND control) {
  RECT screen{};
  GetWindowRect(control, &screen);
  POINT corner{screen.left, screen.top};
  ScreenToClient(dialog, &corner);
  return RECT{corner.x, corner.y, screen.right - screen.left, screen.bottom - screen.top};
}

void centreDialog(HWND window, int n) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  HDC screen = GetDC(nullptr);
  const int halfWidth = GetDeviceCaps(screen, HORZRES) / 2;
  const int halfHeight = GetDeviceCaps(screen, VERTRES) / 2;
  ReleaseDC(nullptr, screen);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  const int offset = n * (caption + caption / 2);
  const auto x = static_cast<short>(halfWidth - width / 2 + offset);
  const auto y = static_cast<short>(halfHeight - height / 2 + offset);
  MoveWindow(window, x, y, width, height, TRUE);
}

void setWhiteDialogBackground(HWND dialog) {
  // The brush belongs to the window class, so every dialog of the process
  // shares it; the stock brush needs no deleting.
  SetClassLongPtrA(dialog, GCLP_HBRBACKGROUND,
                   reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
}

void saveDialogSettings(HWND dialog) {
  DialogSettings settings;
  settings.previewChecked = IsDlgButtonChecked(dialog, IDC_PREVIEW_CHECK) == BST_CHECKED;
  settings.longNamesChecked = IsDlgButtonChecked(dialog, IDC_LONG_NAMES_VIEW) == BST_CHECKED;
  settings.fileTypeIndex = static_cast<int>(itemMessage(dialog, IDC_FILE_TYPE, CB_GETCURSEL));
  writeDialogSettings(settings);
}

int runTextureDialog(platform::WindowHandle owner, platform::ModuleHandle module,
                     TextureChoice* choice) {
  loadSettingsNames(module);
  const unsigned filterIndex = readFilterIndexSetting();

  textureDialog.textureFileBuffer[0] = L'\0';
  platform::utf8ToUtf16(settingsSection, reinterpret_cast<char16_t*>(dialogTitle), kTitleUnits,
                        platform::BadSequences::replace);
  OPENFILENAMEW setup;
  std::memset(&setup, 0, sizeof setup);
  setup.lStructSize = kOpenFileNameSize;
  setup.hwndOwner = static_cast<HWND>(owner);
  setup.hInstance = static_cast<HINSTANCE>(module);
  setup.lpstrFilter = kFilter;
  setup.nFilterIndex = filterIndex;
  setup.lpstrFile = textureDialog.textureFileBuffer;
  setup.nMaxFile = kTextureFileUnits;
  setup.nMaxFileTitle = kTextureFileUnits;
  setup.lpstrTitle = dialogTitle;
  // No existence checks, no read-only box, no help: the hook and the
  // module's own template only.
  setup.Flags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  setup.lpfnHook = textureDialogHook;
  setup.lpTemplateName = MAKEINTRESOURCEW(IDD_OPEN_TEXTURE);

  textureDialog.ownerWindow = static_cast<HWND>(owner);
  textureDialog.moduleInstance = static_cast<HINSTANCE>(module);
  textureDialog.workingOptions = fill::FillOptions{};
  textureDialog.workingOptions.sizeChoice = fill::size512;
  textureDialog.dialogStatus = dialogFailed;
  textureDialog.initialised = 0;
  releasePreviewPanel();
  takeKeptLongNames();

  // A dialog that its own initialisation ended (out of memory) comes back
  // from some platforms as a success, with no file.
  if (GetOpenFileNameW(&setup) && textureDialog.initialised) {
    textureDialog.dialogStatus = dialogChosen;
    if (choice != nullptr && choice->fileName != nullptr) {
      chosenPath(choice->fileName, kFileNameBytes);
      choice->options = textureDialog.workingOptions;
    }
  } else if (textureDialog.dialogStatus == dialogFailed) {
    // Ended without the Cancel command: the platform refused the dialog,
    // or initialisation ran out of memory. The name is shown as it was
    // typed, a part that does not convert as U+FFFD.
    textureDialog.textureFileBuffer[kTextureFileUnits - 1] = L'\0';
    static char shown[kTextureFileBytes * 2];
    platform::utf16ToUtf8(reinterpret_cast<const char16_t*>(textureDialog.textureFileBuffer), shown, sizeof shown,
                          platform::BadSequences::replace);
    platform::showTableMessageFormatted(IDS_CANNOT_FIND_FILE, platform::kBoxExclamation, shown);
  }
  releasePreviewPanel();
  deleteBanner();
  keepLongNames();
  return textureDialog.dialogStatus;
}

UINT_PTR CALLBACK textureDialogHook(HWND dialog, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
  switch (message) {
    case WM_INITDIALOG:
      textureDialog.bannerBitmap =
          LoadBitmapA(textureDialog.moduleInstance, MAKEINTRESOURCEA(IDB_BANNER));
      setWhiteDialogBackground(dialog);
      if (!initTextureDialog(dialog)) {
        platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
        EndDialog(dialog, IDCANCEL);
      }
      centreDialog(dialog, 0);
      return 0;
    case WM_PAINT: {
      drawBanner(dialog);
      PAINTSTRUCT paint;
      HDC deviceContext = BeginPaint(dialog, &paint);
      drawPreview(textureDialog.previewPanel, deviceContext);
      EndPaint(dialog, &paint);
      return 0;
    }
    case WM_MOVE:
    case WM_ACTIVATEAPP:
      drawBanner(dialog);
      return 0;
    case WM_CLOSE:
      deleteBanner();
      return 0;
    case WM_COMMAND:
      return static_cast<UINT_PTR>(onTextureDialogCommand(dialog, message, wParam, lParam));
    default:
      break;
  }
  followFileList(dialog, message, wParam, lParam);
  return 0;
}

int initTextureDialog(HWND dialog) {
  const int dpi = dialogDpi(dialog);
  HWND frame = GetDlgItem(dialog, IDC_PREVIEW_FRAME);
  const RECT place = clientPlace(dialog, frame);
  const int frameSide = previewFrameSide(dialog, place, dpi);
  MoveWindow(frame, place.left, place.top, frameSide, frameSide, TRUE);

  textureDialog.previewPanel =
      static_cast<PreviewPanel*>(platform::allocateMemory(sizeof(PreviewPanel)));
  if (textureDialog.previewPanel == nullptr) return 0;
  std::memset(textureDialog.previewPanel, 0, sizeof(PreviewPanel));
  // Centred in the frame: inside its one-pixel border at 96 DPI. A frame
  // held back by the check box below shows the preview smaller by as much.
  const int shownSide = scaledForDpi(kPreviewSide, dpi) - (scaledForDpi(kFrameSide, dpi) - frameSide);
  const int inset = (frameSide - shownSide) / 2;
  if (!createPreviewPanel(textureDialog.previewPanel, dialog, place.left + inset,
                          place.top + inset, kPreviewSide, kPreviewSide)) {
    return 0;
  }
  textureDialog.previewPanel->shownWidth = shownSide;
  textureDialog.previewPanel->shownHeight = shownSide;

  HWND banner = GetDlgItem(dialog, IDC_BANNER);
  const RECT bannerArea = bannerPlace(dialog, dpi);
  MoveWindow(banner, bannerArea.left, bannerArea.top, bannerArea.right, bannerArea.bottom, TRUE);
  textureDialog.bannerControlProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      banner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(bannerControlProc)));
  EnableWindow(GetDlgItem(dialog, IDC_ABOUT_BUTTON), TRUE);

  const bool preview = readPreviewSetting();
  itemMessage(dialog, IDC_PREVIEW_CHECK, BM_SETCHECK, preview ? BST_CHECKED : BST_UNCHECKED);
  setPreviewEnabled(textureDialog.previewPanel, preview ? 1 : 0);

  EnableWindow(GetDlgItem(dialog, IDC_SIZE_LABEL), FALSE);
  // Unsorted, so that an item's index is its SizeChoice.
  for (const char* item : fill::kSizeChoiceNames) {
    itemMessage(dialog, IDC_SIZE_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  itemMessage(dialog, IDC_SIZE_COMBO, CB_SETCURSEL, 0);
  EnableWindow(GetDlgItem(dialog, IDC_SIZE_COMBO), FALSE);

  // The dialog always opens on the long names, whatever was stored.
  itemMessage(dialog, IDC_FILE_NAMES_VIEW, BM_SETCHECK, BST_CHECKED);
  switchListView(dialog, IDC_LONG_NAMES_VIEW);
  CheckRadioButton(dialog, IDC_FILE_NAMES_VIEW, IDC_LONG_NAMES_VIEW, IDC_LONG_NAMES_VIEW);

  rebuildLongNameList(dialog);
  textureDialog.initialised = 1;
  return 1;
}

int onTextureDialogCommand(HWND dialog, UINT, WPARAM wParam, LPARAM) {
  const int id = LOWORD(wParam);
  const int notification = HIWORD(wParam);
  switch (id) {
    case IDOK:
      // Taken before the platform validates the name: when the name turns
      // out to be a directory or a pattern the dialog stays up regardless.
      textureDialog.workingOptions.sizeChoice =
          static_cast<std::int32_t>(itemMessage(dialog, IDC_SIZE_COMBO, CB_GETCURSEL));
      saveDialogSettings(dialog);
      requestLongNameRelist(dialog);
      return 0;
    case IDCANCEL:
      saveDialogSettings(dialog);
      textureDialog.dialogStatus = dialogCancelled;
      return 0;
    case IDC_FILE_NAMES_VIEW:
    case IDC_LONG_NAMES_VIEW:
      switchListView(dialog, id);
      CheckRadioButton(dialog, IDC_FILE_NAMES_VIEW, IDC_LONG_NAMES_VIEW, id);
      return 0;
    case IDC_LONG_NAME_LIST:
      if (notification == LBN_SELCHANGE) {
        takeLongNameSelection(dialog);
      } else if (notification == LBN_DBLCLK) {
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      }
      return 1;
    case IDC_FILE_NAME:
      if (notification == EN_CHANGE) {
        updateInfoLine(dialog);
        char path[kTextureFileBytes];
        itemPath(dialog, IDC_FILE_NAME, path, sizeof path);
        loadPreview(textureDialog.previewPanel, path);
        updateSizeControls(dialog, path);
      }
      return 0;
    case IDC_PREFERENCES_BUTTON: {
      // Owned by the host window, not by this dialog; its swatch shows the
      // texture named here at the size chosen here.
      char path[kTextureFileBytes];
      itemPath(dialog, IDC_FILE_NAME, path, sizeof path);
      showPreferencesDialog(textureDialog.ownerWindow, path,
                            static_cast<std::int32_t>(itemMessage(dialog, IDC_SIZE_COMBO, CB_GETCURSEL)));
      InvalidateRect(dialog, nullptr, FALSE);
      return 0;
    }
    case IDC_ABOUT_BUTTON:
      showAboutDialog(dialog, textureDialog.moduleInstance);
      InvalidateRect(dialog, nullptr, FALSE);
      return 0;
    case IDC_PREVIEW_CHECK:
      setPreviewEnabled(textureDialog.previewPanel,
                        IsDlgButtonChecked(dialog, IDC_PREVIEW_CHECK) == BST_CHECKED ? 1 : 0);
      return 1;
    case IDC_FILE_TYPE:
    case IDC_DRIVES:
      if (notification == CBN_SELCHANGE) requestLongNameRelist(dialog);
      return 0;
    case IDC_DIRECTORY_LIST:
      if (notification == LBN_DBLCLK) requestLongNameRelist(dialog);
      return 0;
    default:
      return 0;
  }
}

void updateInfoLine(HWND dialog) {
  char path[kTextureFileBytes];
  itemPath(dialog, IDC_FILE_NAME, path, sizeof path);
  texture::TextureInfo info{};
  const char* text = texture::describeTexture(path, &info) ? texture::textureInfoLine(&info) : "";
  SetDlgItemTextA(dialog, IDC_INFO_LINE, text);
}

void updateSizeControls(HWND dialog, const char* path) {
  // Library textures and square PNG or JPEG textures can be filled at
  // another size; everything else fills at Actual.
  const BOOL sizable = texture::isHighResTexture(path) || texture::isLowResTexture(path) ||
                       texture::resizableTextureSide(path) != 0;
  if (!sizable) itemMessage(dialog, IDC_SIZE_COMBO, CB_SETCURSEL, 0);
  EnableWindow(GetDlgItem(dialog, IDC_SIZE_COMBO), sizable);
  EnableWindow(GetDlgItem(dialog, IDC_SIZE_LABEL), sizable);
}

}  // namespace chooser
