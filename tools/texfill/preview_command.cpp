// texfill preview: the preview panel's picture, enlarged, beside the texture
// tiled two by two (seams show up where the copies meet).
#include <algorithm>
#include <cstdio>
#include <string>

#include "fill/fill_preview.h"
#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/fill_option_args.h"
#include "tools/texfill/preview_reader.h"
#include "tools/texfill/texture_image.h"

namespace texfill {
namespace {

constexpr const char* kName = "preview";
constexpr int kMargin = 8;
constexpr std::uint8_t kBackground = 96;
constexpr std::uint8_t kFrame = 0;
// The swatch's side in the Preferences dialog at 96 DPI.
constexpr int kSwatchSide = 160;

// The panel draws the preview inside a one-pixel black frame.
Image framed(const Image& picture) {
  Image frame = makeImage(picture.width + 2, picture.height + 2, 3, kFrame);
  paste(picture, frame, 1, 1);
  return frame;
}

// The Preferences swatch of the texture filled with the options given.
int drawSwatch(const ParsedArgs& parsed, const std::string& path, const std::string& output) {
  fill::FillOptions options;
  std::string error;
  if (const auto size = parsed.options.find("--size"); size != parsed.options.end()) {
    SizeRequest request;
    if (!parseSize(size->second, request, error)) return usageError(kName, error);
    if (request.pixels > 0) return usageError(kName, "--size with --swatch takes one of the dialog's sizes");
    options.sizeChoice = request.sizeChoice;
  }
  if (!readFillOptions(parsed, options, error)) return usageError(kName, error);
  fill::FillPreview* preview = fill::createFillPreview();
  Image swatch = makeImage(kSwatchSide, kSwatchSide, 3);
  const bool drawn = preview != nullptr &&
                     fill::drawFillPreview(preview, path.c_str(), options, kSwatchSide, kSwatchSide, swatch.pixels.data());
  fill::destroyFillPreview(preview);
  if (!drawn) complain(kName, "note: " + path + " cannot be read as a texture; the swatch is white");
  if (!writeImageFile(output, swatch, error)) {
    complain(kName, error);
    return exitFailure;
  }
  return exitOk;
}

}  // namespace

int previewCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = [] {
    std::vector<OptionSpec> all = {{"--sixteen", false}, {"--no-tiles", false}, {"--swatch", false}, {"--size", true}};
    all.insert(all.end(), fillOptionSpecs().begin(), fillOptionSpecs().end());
    return all;
  }();
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.positional.size() != 2) return usageError(kName, "expected FILE and OUT.png");
  const std::string& path = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  if (formatForName(output) == FileFormat::unknown) {
    return usageError(kName, "OUT must end in .png, .tif or .tiff");
  }
  if (parsed.options.count("--swatch") != 0) return drawSwatch(parsed, path, output);
  for (const char* option : {"--size", "--angle", "--offset", "--repeat", "--seed", "--cell"}) {
    if (parsed.options.count(option) != 0) return usageError(kName, std::string(option) + " goes with --swatch");
  }
  long scale = 4;
  if (const auto it = parsed.options.find("--scale"); it != parsed.options.end()) {
    if (!parseInt(it->second, 1, 16, scale)) return usageError(kName, "--scale takes 1 to 16");
  }

  const bool sixteen = parsed.options.count("--sixteen") != 0;
  PreviewPicture preview;
  if (!readPanelPreview(path, sixteen, preview)) {
    complain(kName, "out of memory");
    return exitFailure;
  }
  if (!preview.hasColorMap) {
    complain(kName, "note: " + path + " has no " + (sixteen ? "16-colour " : "") +
                        "preview directory with a colour map; the panel shows white");
  }
  const Image shown = framed(enlarge(preview.rgb, static_cast<int>(scale)));

  Image tiled;
  if (parsed.options.count("--no-tiles") == 0) {
    Image texture;
    if (!readTextureImage(path, texture, error)) {
      complain(kName, error);
      return exitFailure;
    }
    // Beyond this the tiled view would take gigabytes; the preview still shows.
    if (texture.width > 2048 || texture.height > 2048) {
      complain(kName, "note: " + path + " is larger than 2048 pixels; no tiled view");
    } else {
      tiled = tile(texture, 2, 2);
    }
  }
  const int width = kMargin + shown.width + kMargin + (tiled.width > 0 ? tiled.width + kMargin : 0);
  const int height = kMargin + std::max(shown.height, tiled.height) + kMargin;
  Image sheet = makeImage(width, height, 3, kBackground);
  paste(shown, sheet, kMargin, kMargin);
  if (tiled.width > 0) paste(tiled, sheet, kMargin + shown.width + kMargin, kMargin);
  if (!writeImageFile(output, sheet, error)) {
    complain(kName, error);
    return exitFailure;
  }
  return exitOk;
}

}  // namespace texfill
