// The plug-in inside an independent host: the prebuilt pspiHost library of
// the public Photoshop-Plugin-Host project, loaded from the directory that
// ORIELVMX_PSPIHOST_DIR names (the Wine run copies it there from a local
// snapshot; it is never part of this repository). Without it the check says
// it was skipped.
//
// Given an RGBA image, that host picks the editable-transparency case and
// hands the transparency plane over with the colour. Its case choice looks
// one entry too far into the plug-in's filter-case list (case 4 reads the
// entry of case 5, and so on), which is harmless only because every entry
// of ours hands the data over; this check would catch a list that broke it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/wintest/bmp_file.h"
#include "tools/wintest/check_report.h"
#include "tools/hostdriver/chooser_driver.h"
#include "tools/hostdriver/dialog_driver.h"
#include "tools/wintest/plugin_under_test.h"

namespace wintest {

// The dialog driving that texfill.exe shares with the checks.
using namespace hostdriver;
namespace {

// The library's C interface: every call answers 0 for success.
using SetImage = int (*)(int type, int width, int height, void* image, int imageStride, void* alpha,
                         int alphaStride);
using SetRoi = int (*)(int top, int left, int bottom, int right);
using PlugInLoad = int (*)(const wchar_t* path);
using PlugInExecute = int (*)(HWND owner);
using ReleaseAllImages = int (*)();

constexpr int kImageRgba = 3;
constexpr int kWidth = 40;
constexpr int kHeight = 30;
// The filter rectangle: top, left, bottom, right.
constexpr int kRoi[4] = {5, 6, 25, 34};

// A 3 by 2 texture, anchored at the document's corner: the image's corner
// when the library hands over the whole image, the region's when it hands
// over the region alone as its document.
constexpr std::uint8_t kTexels[2][3][3] = {{{10, 20, 30}, {40, 50, 60}, {70, 80, 90}},
                                           {{200, 110, 120}, {130, 140, 150}, {160, 170, 180}}};

std::wstring widened(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
  return wide;
}

// Left half fully transparent, right half half-covered; colours a pattern.
std::vector<std::uint8_t> layerImage() {
  std::vector<std::uint8_t> image(static_cast<std::size_t>(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &image[(static_cast<std::size_t>(y) * kWidth + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 5);
      p[1] = static_cast<std::uint8_t>(y * 7);
      p[2] = static_cast<std::uint8_t>(x + y);
      p[3] = x < kWidth / 2 ? 0 : 128;
    }
  }
  return image;
}

std::string pixelText(const char* what, int x, int y, const std::uint8_t* have, const std::uint8_t* want) {
  return std::string(" ") + what + " pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
         hexBytes(have, 4) + ", want " + hexBytes(want, 4);
}

// Inside the rectangle the opaque texture anchored at (anchorY, anchorX),
// outside the image as it was.
std::string compare(const std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& before, int anchorY,
                    int anchorX) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 4;
      const bool inside = y >= kRoi[0] && y < kRoi[2] && x >= kRoi[1] && x < kRoi[3];
      std::uint8_t want[4] = {before[at], before[at + 1], before[at + 2], before[at + 3]};
      if (inside) {
        const std::uint8_t* t = kTexels[(y - anchorY) % 2][(x - anchorX) % 3];
        want[0] = t[0];
        want[1] = t[1];
        want[2] = t[2];
        want[3] = 255;
      }
      if (std::memcmp(&image[at], want, 4) != 0) return pixelText(inside ? "inside" : "outside", x, y, &image[at], want);
    }
  }
  return "";
}

template <typename Function>
Function procedure(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::string checkOpaqueLayerFill(const PluginUnderTest& plugin, HMODULE library) {
  const auto setImage = procedure<SetImage>(library, "pspiSetImage");
  const auto setRoi = procedure<SetRoi>(library, "pspiSetRoi");
  const auto load = procedure<PlugInLoad>(library, "pspiPlugInLoad");
  const auto execute = procedure<PlugInExecute>(library, "pspiPlugInExecute");
  const auto release = procedure<ReleaseAllImages>(library, "pspiReleaseAllImages");
  if (setImage == nullptr || setRoi == nullptr || load == nullptr || execute == nullptr || release == nullptr) {
    return "the library lacks one of its documented exports";
  }
  const std::string texture = plugin.scratchDirectory + "pspi-texture.bmp";
  if (!writeFileBytes(texture, bmpFile(3, 2, &kTexels[0][0][0]))) return "cannot write the texture";

  std::vector<std::uint8_t> image = layerImage();
  const std::vector<std::uint8_t> before = image;
  std::string failure;
  if (int status = setImage(kImageRgba, kWidth, kHeight, image.data(), kWidth * 4, nullptr, 0); status != 0) {
    failure = " pspiSetImage answered " + std::to_string(status);
  } else if (status = setRoi(kRoi[0], kRoi[1], kRoi[2], kRoi[3]); status != 0) {
    failure = " pspiSetRoi answered " + std::to_string(status);
  } else if (status = load(widened(plugin.path).c_str()); status != 0) {
    failure = " pspiPlugInLoad answered " + std::to_string(status);
  } else {
    answerChooser("1|" + texture + "|0|1");
    status = execute(nullptr);
    answerChooser(std::string());
    if (status != 0) {
      failure = " pspiPlugInExecute answered " + std::to_string(status);
    } else {
      failure = compare(image, before, 0, 0);
      if (!failure.empty() && compare(image, before, kRoi[0], kRoi[1]).empty()) failure.clear();
    }
  }
  release();
  const std::vector<SeenDialog> boxes = takeMessageBoxes();
  if (!boxes.empty()) failure += " unexpected boxes:" + describeDialogs(boxes);
  DeleteFileA(texture.c_str());
  return failure;
}

}  // namespace

void runPspiHostChecks(const PluginUnderTest& plugin) {
  const char* directory = std::getenv("ORIELVMX_PSPIHOST_DIR");
  const std::string path = directory != nullptr && *directory != '\0' ? std::string(directory) + "\\pspiHost.dll" : "";
  HMODULE library = path.empty() ? nullptr : LoadLibraryA(path.c_str());
  if (library == nullptr) {
    std::printf("skip pspiHost: %s\n", path.empty() ? "ORIELVMX_PSPIHOST_DIR is not set" : ("cannot load " + path).c_str());
    return;
  }
  report("pspiHost fills an RGBA layer: texture fully opaque inside the region, untouched outside",
         checkOpaqueLayerFill(plugin, library));
  FreeLibrary(library);
}

}  // namespace wintest
