// texfill make-seamless: a photograph of a surface made into a picture that
// tiles without a seam.
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/jpeg_io.h"
#include "tools/texfill/seamless_image.h"
#include "tools/texfill/terminal.h"

namespace texfill {
namespace {

constexpr const char* kName = "make-seamless";

bool startsLikeJpeg(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char head[3] = {};
  file.read(reinterpret_cast<char*>(head), 3);
  return file && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

// PNG and TIFF at 8 or 16 bits, as fill reads documents; JPEG as the
// plug-in decodes textures.
bool readPicture(const std::string& path, Image& image, std::string& error) {
  if (formatOfFile(path) != FileFormat::unknown) return readImageFile(path, image, error, true);
  std::string reason;
  if (!std::ifstream(path, std::ios::binary)) {
    reason = "cannot be opened";
  } else if (!startsLikeJpeg(path)) {
    reason = "neither a PNG, a JPEG nor a TIFF file";
  } else if (readJpeg(path, image, reason)) {
    return true;
  }
  error = path + ": " + reason;
  return false;
}

}  // namespace

int makeSeamlessCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--method", true}, {"--flatten", false}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.positional.size() != 2) return usageError(kName, "expected IN and OUT");
  const std::string& input = parsed.positional[0];
  const std::string& output = parsed.positional[1];
  seamless::Options options{seamless::Method::smooth, parsed.options.count("--flatten") != 0};
  if (const auto method = parsed.options.find("--method"); method != parsed.options.end()) {
    if (!parseSeamlessMethod(method->second, options.method)) {
      return usageError(kName, "--method takes smooth or cut, not \"" + method->second + "\"");
    }
  }
  if (formatForName(output) == FileFormat::unknown) return usageError(kName, "OUT must end in .png, .tif or .tiff");

  Image picture;
  if (!readPicture(input, picture, error)) {
    complain(kName, error);
    return exitFailure;
  }
  bool aborted = false;
  if (!makeImageSeamless(picture, options, aborted, error)) {
    complain(kName, input + ": " + error + "; " + output + " not written");
    return aborted ? exitInterrupted : exitFailure;
  }
  if (!writeImageFile(output, picture, error, interrupted)) {
    complain(kName, error);
    return interrupted() ? exitInterrupted : exitFailure;
  }
  return exitOk;
}

}  // namespace texfill
