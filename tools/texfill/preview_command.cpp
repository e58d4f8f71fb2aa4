// texfill preview: the preview panel's picture, enlarged, beside the texture
// tiled two by two (seams show up where the copies meet).
#include <algorithm>
#include <cstdio>
#include <string>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/preview_reader.h"
#include "tools/texfill/texture_image.h"

namespace texfill {
namespace {

constexpr const char* kName = "preview";
constexpr int kMargin = 8;
constexpr std::uint8_t kBackground = 96;
constexpr std::uint8_t kFrame = 0;

// The panel draws the preview inside a one-pixel black frame.
Image framed(const Image& picture) {
  Image frame = makeImage(picture.width + 2, picture.height + 2, 3, kFrame);
  paste(picture, frame, 1, 1);
  return frame;
}

}  // namespace

int previewCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--scale", true}, {"--sixteen", false},
                                                {"--no-tiles", false}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.positional.size() != 2) return usageError(kName, "expected FILE and OUT.png");
  const std::string& path = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  long scale = 4;
  if (const auto it = parsed.options.find("--scale"); it != parsed.options.end()) {
    if (!parseInt(it->second, 1, 16, scale)) return usageError(kName, "--scale takes 1 to 16");
  }
  if (formatForName(output) == FileFormat::unknown) {
    return usageError(kName, "OUT must end in .png, .tif or .tiff");
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
