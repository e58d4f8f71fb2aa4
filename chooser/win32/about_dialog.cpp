// The About dialog: the product's picture and its credits.
#include <windows.h>

#include "chooser/win32/chooser_win32.h"
#include "resources/dialog_ids.h"

namespace chooser {

AboutDialogState aboutDialog;

namespace {

constexpr int kPictureWidth = 263;
constexpr int kPictureHeight = 203;

void deleteAboutBitmap() {
  if (aboutDialog.aboutBitmap == nullptr) return;
  DeleteObject(aboutDialog.aboutBitmap);
  aboutDialog.aboutBitmap = nullptr;
}

// The picture's static paints itself after the dialog has drawn into it,
// and may clear what was drawn, so it draws the picture on its own paint
// too, under its frame.
LRESULT CALLBACK pictureControlProc(HWND control, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
  if (message == WM_PAINT && aboutDialog.aboutBitmap != nullptr) {
    drawBitmapScaledIntoControl(control, aboutDialog.aboutBitmap, kPictureWidth);
  }
  return CallWindowProcA(aboutDialog.pictureControlProc, control, message, wParam, lParam);
}

}  // namespace

int showAboutDialog(platform::WindowHandle parent, platform::ModuleHandle module) {
  aboutDialog.moduleInstance = static_cast<HINSTANCE>(module);
  return static_cast<int>(DialogBoxParamA(static_cast<HINSTANCE>(module),
                                          MAKEINTRESOURCEA(IDD_ABOUT), static_cast<HWND>(parent),
                                          aboutDialogProc, 0));
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) noexcept {
  switch (message) {
    case WM_INITDIALOG: {
      setWhiteDialogBackground(dialog);
      aboutDialog.aboutBitmap =
          LoadBitmapA(aboutDialog.moduleInstance, MAKEINTRESOURCEA(IDB_ABOUT_PICTURE));
      centreDialog(dialog, 1);
      // The template gives the place in dialog units; the picture needs its
      // size in pixels, grown as the template was on a scaled display.
      HWND picture = GetDlgItem(dialog, IDC_ABOUT_PICTURE);
      const RECT place = clientPlace(dialog, picture);
      const int dpi = dialogDpi(dialog);
      MoveWindow(picture, place.left, place.top, scaledForDpi(kPictureWidth, dpi),
                 scaledForDpi(kPictureHeight, dpi), TRUE);
      aboutDialog.pictureControlProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
          picture, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pictureControlProc)));
      return FALSE;
    }
    case WM_PAINT:
      if (aboutDialog.aboutBitmap != nullptr) {
        drawBitmapScaledIntoControl(GetDlgItem(dialog, IDC_ABOUT_PICTURE), aboutDialog.aboutBitmap,
                                    kPictureWidth);
      }
      return FALSE;
    case WM_COMMAND:
      // The OK button or the Enter key; Escape's Cancel leaves the dialog up.
      if (wParam == IDOK) {
        deleteAboutBitmap();
        EndDialog(dialog, IDCANCEL);
      }
      return FALSE;
    case WM_CLOSE:
      deleteAboutBitmap();
      EndDialog(dialog, IDCANCEL);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace chooser
