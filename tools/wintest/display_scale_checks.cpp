// The chooser on a scaled display: run once per DPI, each time in a process
// of its own, as the system takes its DPI at process start. At 96 DPI the
// preview and the banner must show the very pixels they always showed; above
// it the frame, the banner and the About picture grow with the display, the
// preview fills its frame in whole blocks and the pictures are smoothed.
// Screenshots go to ORIELVMX_SCREENSHOTS as open-texture-<dpi>dpi,
// preferences-<dpi>dpi and about-<dpi>dpi.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/wintest/check_report.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/wintest/chooser_run.h"
#include "tools/wintest/plugin_under_test.h"
#include "tools/wintest/screen_capture.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

// What the preview frame and the banner control showed at 96 DPI before the
// dialogs knew of scaled displays, with lib512.tif named in the edit (the
// frame's 66 by 66 pixels and the banner control's left 426 by 39). A change
// to the banner artwork or to the fixture's preview changes them: take the
// new values from the failure text after looking at the screenshot.
constexpr std::uint32_t kFrameChecksum96 = 0xDBF905FD;
constexpr std::uint32_t kBannerChecksum96 = 0x8958FD21;
// The template's MS Sans Serif at 8 points makes the client area 429 pixels
// wide at 96 DPI, so the 495-pixel banner control, 3 pixels in, shows only
// its left 426. A substitute font can make the dialog wider (Wine 8 shows
// the whole control); these columns show with either.
constexpr int kBannerShownWidth96 = 426;

int scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

RECT clientOnScreen(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

// The part of a control that the dialog's client area shows.
RECT shownPart(HWND dialog, const RECT& control) {
  const RECT client = clientOnScreen(dialog);
  RECT shown{};
  IntersectRect(&shown, &control, &client);
  return shown;
}

RECT windowRect(HWND dialog, int id) {
  RECT area{};
  GetWindowRect(GetDlgItem(dialog, id), &area);
  return area;
}

std::string sizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string expectSize(const char* what, const RECT& area, int width, int height) {
  const int haveWidth = area.right - area.left;
  const int haveHeight = area.bottom - area.top;
  if (haveWidth == width && haveHeight == height) return "";
  return std::string(" ") + what + " is " + sizeText(haveWidth, haveHeight) + ", want " +
         sizeText(width, height);
}

// The smallest rectangle holding every pixel of `area` that is not white.
RECT drawnExtent(const Capture& capture, const RECT& area) {
  RECT extent{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const std::uint32_t colour = capture.pixel(x, y);
      if (colour == kWhite || colour == Capture::kOutside) continue;
      extent.left = std::min<LONG>(extent.left, x);
      extent.top = std::min<LONG>(extent.top, y);
      extent.right = std::max<LONG>(extent.right, x + 1);
      extent.bottom = std::max<LONG>(extent.bottom, y + 1);
    }
  }
  return extent;
}

// The picture reaches at least `width` by `height` pixels into `area`.
std::string expectDrawn(const char* what, const Capture& capture, const RECT& area, int width,
                        int height) {
  const RECT extent = drawnExtent(capture, area);
  const int haveWidth = std::max<LONG>(0, extent.right - extent.left);
  const int haveHeight = std::max<LONG>(0, extent.bottom - extent.top);
  if (haveWidth >= width && haveHeight >= height) return "";
  return std::string(" ") + what + " drawn over " + sizeText(haveWidth, haveHeight) +
         ", want at least " + sizeText(width, height);
}

// What a bitmap resource of the plug-in shows at its own size: its distinct
// colours (a picture enlarged without smoothing shows no others) and how
// far its pixels that are not white reach.
struct ResourcePicture {
  std::size_t colours = 0;
  int drawnWidth = 0;
  int drawnHeight = 0;
};

ResourcePicture describeResource(HMODULE module, int id) {
  ResourcePicture picture;
  HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
  if (bitmap == nullptr) return picture;
  BITMAP size{};
  GetObjectA(bitmap, sizeof size, &size);
  BITMAPINFO info = topDownBitmapInfo(size.bmWidth, size.bmHeight, 32);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size.bmWidth) * size.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, size.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  std::set<std::uint32_t> seen;
  RECT extent{size.bmWidth, size.bmHeight, 0, 0};
  for (int y = 0; y < size.bmHeight; ++y) {
    for (int x = 0; x < size.bmWidth; ++x) {
      const std::uint32_t colour = pixels[static_cast<std::size_t>(y) * size.bmWidth + x] & kWhite;
      seen.insert(colour);
      if (colour == kWhite) continue;
      extent = RECT{std::min<LONG>(extent.left, x), std::min<LONG>(extent.top, y),
                    std::max<LONG>(extent.right, x + 1), std::max<LONG>(extent.bottom, y + 1)};
    }
  }
  picture.colours = seen.size();
  picture.drawnWidth = std::max<LONG>(0, extent.right - extent.left);
  picture.drawnHeight = std::max<LONG>(0, extent.bottom - extent.top);
  return picture;
}

std::string expectSmooth(const char* what, const Capture& capture, const RECT& area,
                         std::size_t resource) {
  const std::size_t shown = capture.colours(area);
  if (shown > resource) return "";
  return std::string(" ") + what + " shows " + std::to_string(shown) + " colours, no more than the " +
         std::to_string(resource) + " of its bitmap: not smoothed";
}

// The picture in the control `area` reaches as far as its resource does,
// enlarged as far as the control has grown from its width at 96 DPI, or to
// the dialog's edge; an enlarged picture is smoothed.
std::string expectPicture(const char* what, HWND dialog, const Capture& capture, const RECT& area,
                          const ResourcePicture& resource, int unscaledWidth) {
  const int width = area.right - area.left;
  const RECT shown = shownPart(dialog, area);
  std::string problem =
      expectDrawn(what, capture, shown,
                  std::min<int>(MulDiv(resource.drawnWidth, width, unscaledWidth),
                                shown.right - shown.left) - 1,
                  MulDiv(resource.drawnHeight, width, unscaledWidth) - 1);
  if (width != unscaledWidth) problem += expectSmooth(what, capture, shown, resource.colours);
  return problem;
}

// Above 96 DPI the banner grows with the display but stays inside the
// dialog, in proportion: the template's font may grow less than the display.
std::string expectBannerPlace(HWND dialog, const RECT& banner, int dpi) {
  const RECT client = clientOnScreen(dialog);
  const int width = banner.right - banner.left;
  const int height = banner.bottom - banner.top;
  const int room = client.right - banner.left;
  std::string problem;
  if (banner.right > client.right) problem += " the banner runs past the dialog's edge";
  if (width * 10 < std::min(scaled(495, dpi), room) * 9) {
    problem += " the banner grew to " + std::to_string(width) + " of " + std::to_string(room);
  }
  if (std::abs(height - MulDiv(39, width, 495)) > 1) {
    problem += " the banner is " + sizeText(width, height) + ", out of proportion";
  }
  return problem;
}

std::string expectChecksum(const char* what, const Capture& capture, const RECT& area,
                           std::uint32_t want) {
  const std::uint32_t have = capture.checksum(area);
  if (have == want) return "";
  char text[96];
  std::snprintf(text, sizeof text, " %s pixels changed (checksum 0x%08lX, want 0x%08lX)", what,
                static_cast<unsigned long>(have), static_cast<unsigned long>(want));
  return text;
}

// Every k by k block of the enlarged preview is one colour.
std::string expectWholeBlocks(const Capture& capture, const RECT& preview, int k) {
  for (int y = preview.top; y + k <= preview.bottom; y += k) {
    for (int x = preview.left; x + k <= preview.right; x += k) {
      const std::uint32_t colour = capture.pixel(x, y);
      for (int i = 0; i < k * k; ++i) {
        if (capture.pixel(x + i % k, y + i / k) != colour) {
          return " the preview is not made of " + std::to_string(k) + "x" + std::to_string(k) +
                 " blocks (at " + std::to_string(x - preview.left) + "," +
                 std::to_string(y - preview.top) + ")";
        }
      }
    }
  }
  return "";
}

std::string checkOpenTexture(const PluginUnderTest& plugin, int dpi) {
  const ResourcePicture bannerPicture = describeResource(plugin.module, IDB_BANNER);
  const Run run = runWithChooser(plugin, [&](HWND dialog) {
    typeFileName(dialog, "lib512.tif");
    const Capture capture = captureWindow(dialog);
    saveScreenshot(capture, "open-texture-" + std::to_string(dpi) + "dpi");
    const RECT frame = windowRect(dialog, IDC_PREVIEW_FRAME);
    const RECT banner = windowRect(dialog, IDC_BANNER);
    // The frame grows with the display up to the "Preview" check box under
    // it, whose place the template's font decides; the preview inside it
    // keeps its border.
    const RECT check = windowRect(dialog, IDC_PREVIEW_CHECK);
    const int frameSide = std::max(66, std::min<int>(scaled(66, dpi), check.top - frame.top));
    std::string problem = expectSize("preview frame", frame, frameSide, frameSide);
    if (frame.bottom > check.top) problem += " the preview frame runs into the Preview check box";
    problem += dpi == 96 ? expectSize("banner control", banner, 495, 39)
                         : expectBannerPlace(dialog, banner, dpi);
    const int side = scaled(64, dpi) - (scaled(66, dpi) - frameSide);
    const int inset = (frameSide - side) / 2;
    const RECT preview{frame.left + inset, frame.top + inset, frame.left + inset + side,
                       frame.top + inset + side};
    problem += expectDrawn("preview", capture, preview, side, side);
    problem += expectPicture("banner", dialog, capture, banner, bannerPicture, 495);
    if (dpi == 96) {
      problem += expectChecksum("preview frame", capture, frame, kFrameChecksum96);
      const RECT bannerShown{banner.left, banner.top, banner.left + kBannerShownWidth96, banner.bottom};
      problem += expectChecksum("banner", capture, bannerShown, kBannerChecksum96);
    } else if (side % 64 == 0) {
      problem += expectWholeBlocks(capture, preview, side / 64);
    }
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1);
}

std::string checkPreferences(const PluginUnderTest& plugin, int dpi) {
  const Run run = runWithChooser(plugin, [&](HWND dialog) {
    typeFileName(dialog, "lib512.tif");
    pressButton(dialog, IDC_PREFERENCES_BUTTON);
    HWND preferences = findDialog("Preferences", kDialogWait);
    if (preferences == nullptr) return std::string(" no Preferences");
    saveScreenshot(captureWindow(preferences), "preferences-" + std::to_string(dpi) + "dpi");
    std::string problem = preferencesLayoutProblems(preferences, dpi);
    pressButton(preferences, IDCANCEL);
    if (!waitUntil([&] { return !IsWindow(preferences); }, kDialogWait)) problem += " Preferences stayed up";
    pressButton(dialog, IDCANCEL);
    return problem;
  });
  return run.problem + resultText("the run", run.fill.result, 1);
}

std::string checkAbout(const PluginUnderTest& plugin, int dpi) {
  const ResourcePicture resource = describeResource(plugin.module, IDB_ABOUT_PICTURE);
  return runAboutWith(plugin, [&](HWND dialog) {
    const Capture capture = captureWindow(dialog);
    saveScreenshot(capture, "about-" + std::to_string(dpi) + "dpi");
    const RECT picture = windowRect(dialog, IDC_ABOUT_PICTURE);
    std::string problem =
        expectSize("picture control", picture, scaled(263, dpi), scaled(203, dpi));
    problem += expectPicture("picture", dialog, capture, picture, resource, 263);
    pressButton(dialog, IDOK);
    if (!waitUntil([&] { return !IsWindow(dialog); }, kDialogWait)) problem += " About stayed up";
    return problem;
  });
}

}  // namespace

void runDisplayScaleChecks(const PluginUnderTest& plugin, int dpi) {
  const std::string at = " at " + std::to_string(dpi) + " DPI";
  HDC screen = GetDC(nullptr);
  const int reported = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  report("the display is set" + at,
         reported == dpi ? "" : " the system reports " + std::to_string(reported) + " DPI");
  if (reported != dpi) return;
  report(dpi == 96 ? "Open Texture" + at + ": preview and banner pixels unchanged"
                   : "Open Texture" + at + ": frame and banner scaled, preview fills the frame",
         checkOpenTexture(plugin, dpi));
  report("Preferences" + at + ": the fill options below the tile origin, the swatch scaled in its frame",
         checkPreferences(plugin, dpi));
  report("About" + at + ": the picture fills its scaled control", checkAbout(plugin, dpi));
}

}  // namespace wintest
