// texfill pack: turns a seamless picture into a library texture.
#include <cstdio>
#include <string>

#include "texture/info_line.h"
#include "texture/texture_source.h"
#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/library_tiff.h"
#include "tools/texfill/pack.h"
#include "tools/texfill/seamless_image.h"
#include "tools/texfill/wrap_scale.h"

namespace texfill {
namespace {

constexpr const char* kName = "pack";
constexpr int kHighResSide = 512;
constexpr int kLowResSide = 128;
constexpr int kPreviewSide = 64;

bool writeLibrary(const std::string& tempPath, const void* context, std::string& error) {
  return writeLibraryTiff(tempPath, *static_cast<const LibraryTexture*>(context), error);
}

// The plug-in's own readers must take the file for what it was made to be.
bool checkWithPluginReaders(const std::string& path, const std::string& name, bool low,
                            std::string& error) {
  texture::TextureInfo info{};
  const bool described = texture::describeTexture(path.c_str(), &info) != 0;
  const bool classOk = low ? texture::isLowResTexture(path.c_str()) != 0
                           : texture::isHighResTexture(path.c_str()) != 0;
  char longName[texture::kLongNameBytes] = {};
  texture::textureLongName(path.c_str(), longName);
  std::string expected = name.substr(0, texture::kLongNameBytes - 1);
  expected = expected.substr(0, expected.find(';'));
  if (!described || longName != expected) {
    error = path + ": the plug-in does not read the written file back as made";
    return false;
  }
  if (!classOk) {
    error = path + ": written, but the plug-in does not take it for a " +
            (low ? "low" : "high") + "-resolution library texture (is the extension .tif?)";
    return false;
  }
  return true;
}

}  // namespace

bool makeLibraryTexture(const Image& input, const std::string& name, bool low,
                        LibraryTexture& library, std::string& scaling, std::string& error) {
  if (input.width != input.height) {
    error = "the picture is " + std::to_string(input.width) + "x" + std::to_string(input.height) +
            "; a library texture repeats a square, so crop it to a square first";
    return false;
  }
  const int side = low ? kLowResSide : kHighResSide;
  const Image converted = low ? toGray(input) : toRgb(input);
  scaling = describeScaling(input.width, side);
  if (!wrapScale(converted, side, library.texture, error)) return false;
  library.description = name;
  Image preview;
  if (!wrapScale(toRgb(library.texture), kPreviewSide, preview, error)) return false;
  return quantize(preview, 256, library.preview256, error) &&
         quantize(preview, 16, library.preview16, error);
}

int packCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--name", true}, {"--low", false}, {"--quiet", false},
                                                {"--make-seamless", false}, {"--method", true},
                                                {"--flatten", false}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.positional.size() != 2) return usageError(kName, "expected IN and OUT.tif");
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  const auto nameOption = parsed.options.find("--name");
  if (nameOption == parsed.options.end() || nameOption->second.empty()) {
    return usageError(kName, "--name \"Long name\" is required");
  }
  const std::string& name = nameOption->second;
  const bool low = parsed.options.count("--low") != 0;
  const bool quiet = parsed.options.count("--quiet") != 0;
  const bool makeSeamless = parsed.options.count("--make-seamless") != 0;
  seamless::Options seamlessOptions{seamless::Method::smooth, parsed.options.count("--flatten") != 0};
  if (const auto method = parsed.options.find("--method"); method != parsed.options.end()) {
    if (!parseSeamlessMethod(method->second, seamlessOptions.method)) {
      return usageError(kName, "--method takes smooth or cut, not \"" + method->second + "\"");
    }
  }
  if (!makeSeamless && (parsed.options.count("--method") != 0 || seamlessOptions.flatten)) {
    return usageError(kName, "--method and --flatten go with --make-seamless");
  }
  if (lowerExtension(output) != "tif") {
    return usageError(kName, "OUT must end in .tif: the plug-in offers its sizes only for .tif files");
  }

  if (name.size() > texture::kLongNameBytes - 1) {
    complain(kName, "warning: the long name has " + std::to_string(name.size()) +
                        " characters; the list shows its first 63");
  }
  Image picture;
  if (!readImageFile(input, picture, error)) {
    complain(kName, error);
    return exitFailure;
  }
  bool aborted = false;
  if (makeSeamless && !makeImageSeamless(picture, seamlessOptions, aborted, error)) {
    complain(kName, input + ": " + error + "; " + output + " not written");
    return aborted ? exitInterrupted : exitFailure;
  }
  LibraryTexture library;
  std::string scaling;
  if (!makeLibraryTexture(picture, name, low, library, scaling, error)) {
    complain(kName, input + ": " + error);
    return exitFailure;
  }
  if (!quiet) std::fprintf(stderr, "texfill pack: %s: %s\n", input.c_str(), scaling.c_str());
  if (!writeFileAtomically(output, error, nullptr, writeLibrary, &library)) {
    complain(kName, error);
    return exitFailure;
  }
  if (!checkWithPluginReaders(output, name, low, error)) {
    complain(kName, error);
    std::remove(output.c_str());
    return exitFailure;
  }
  return exitOk;
}

}  // namespace texfill
