// The texture chooser's Win32 dialogs: Open Texture (the platform's
// file-open dialog with template 178 and a hook), Preferences (179) and
// About (105), and the drawing of the preview and of bitmap resources.
// One dialog run at a time, on the host's thread; the state is module-level.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "chooser/preview_panel.h"
#include "chooser/texture_choice.h"
#include "fill/fill_preview.h"
#include "platform/utf8.h"

namespace chooser {

// The platform dialog's file buffer, in UTF-16 units.
constexpr int kTextureFileUnits = 512;
// A path the dialog names, in UTF-8 as the core carries it.
constexpr int kTextureFileBytes = static_cast<int>(platform::kPathBytes);

// The Open Texture run in progress (or the last one).
struct TextureDialogState {
  int dialogStatus;                              // DialogStatus of the run
  wchar_t textureFileBuffer[kTextureFileUnits];  // the path the platform dialog returns
  // The run's options: the size choice taken at Open, the tile origin and
  // the fill options changed only by a confirmed Preferences.
  fill::FillOptions workingOptions;
  HWND ownerWindow;                          // the host window; parent of Preferences
  HINSTANCE moduleInstance;                  // templates and bitmaps
  PreviewPanel* previewPanel;                // owned from initialisation to the run's end
  HBITMAP bannerBitmap;                      // resource 103, while the dialog is up
  int initialised;                           // initTextureDialog succeeded this run
  WNDPROC bannerControlProc;                 // the banner static's own procedure
};
extern TextureDialogState textureDialog;

struct AboutDialogState {
  HINSTANCE moduleInstance;
  HBITMAP aboutBitmap;          // resource 104, while the dialog is up
  WNDPROC pictureControlProc;   // the picture static's own procedure
};
extern AboutDialogState aboutDialog;

// Open Texture.
UINT_PTR CALLBACK textureDialogHook(HWND dialog, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;
int initTextureDialog(HWND dialog);
int onTextureDialogCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void updateInfoLine(HWND dialog);
void updateSizeControls(HWND dialog, const char* path);
void saveDialogSettings(HWND dialog);

// The control's text (the file name edit's path) as UTF-8: "" when it does
// not convert (platform/utf8.h).
void itemPath(HWND dialog, int id, char* path, std::size_t size);

// SendDlgItemMessageA, with the parameters most messages leave at zero.
LRESULT itemMessage(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// A control's top-left corner in the dialog's client coordinates, and its
// width and height in place of the bottom-right corner.
RECT clientPlace(HWND dialog, HWND control);

// Shared by the three dialogs: moves the window, keeping its size, to the
// screen centre, n times one and a half caption heights further right and
// down.
void centreDialog(HWND window, int n);
// Gives the dialog window class the white stock brush as background.
void setWhiteDialogBackground(HWND dialog);

// The Preferences dialog while it is up: what its swatch shows.
struct PreferencesDialogState {
  fill::FillPreview* swatchPreview;        // reads the texture once; null when memory ran out
  char texturePath[kTextureFileBytes];     // named in the Open Texture dialog's edit
  std::int32_t sizeChoice;                 // its "Size to:" selection
  int ready;                               // the controls are filled in: changes redraw
};
extern PreferencesDialogState preferencesDialog;

// Preferences and About. `texturePath` and `sizeChoice` are what the Open
// Texture dialog shows, for the swatch.
void showPreferencesDialog(HWND parent, const char* texturePath, std::int32_t sizeChoice);
INT_PTR CALLBACK preferencesDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
// The swatch: 160 by 160 pixels of a document filled with the texture and
// the options as the dialog's controls stand, enlarged on a scaled display.
constexpr int kSwatchSide = 160;
void redrawSwatch(HWND dialog, const fill::FillOptions& options);
void drawSwatch(const DRAWITEMSTRUCT* item);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                 LPARAM lParam) noexcept;

// Scaled displays. Sizes fixed in pixels are given for 96 DPI; a dialog on
// a display scaled by the system is laid out for dialogDpi(window) instead.
constexpr int kUnscaledDpi = 96;
int dialogDpi(HWND window);
// `pixels` at 96 DPI, rounded to the nearest pixel at `dpi`.
int scaledForDpi(int pixels, int dpi);

// Drawing.
void drawPreview(const PreviewPanel* panel, HDC deviceContext);
// Builds, selects and realises a palette of the colour block's entries in
// use; answers the palette selected before, or null when none could be made.
HPALETTE selectPreviewPalette(HDC deviceContext, const texture::ColorTableBlock* block);
void drawBitmapIntoControl(HWND control, HBITMAP bitmap, int x, int y, DWORD rasterOperation);
// Copies the bitmap to the control's top-left corner, enlarged smoothly as
// far as the control has grown from `unscaledControlWidth` (its width at 96
// DPI); at that width exactly as drawBitmapIntoControl.
void drawBitmapScaledIntoControl(HWND control, HBITMAP bitmap, int unscaledControlWidth);

}  // namespace chooser
