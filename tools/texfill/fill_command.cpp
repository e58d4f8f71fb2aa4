// texfill fill: the command-line host.
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/hostdriver/plugin_binding.h"
#include "tools/texfill/size_option.h"
#include "tools/texfill/temp_dir.h"
#include "tools/texfill/terminal.h"

namespace texfill {
namespace {

constexpr const char* kName = "fill";

struct FillOptions {
  std::string texture;
  SizeRequest size;
  int tileOrigin = 1;
  bool haveRect = false;
  host::Rect16 rect{};
  bool gray = false;
  bool verbose = false;
  std::string plugin;
  std::string input;
  std::string output;
};

bool readOptions(const ParsedArgs& parsed, FillOptions& options, std::string& error) {
  if (parsed.positional.size() != 2) {
    error = "expected IN and OUT, got " + std::to_string(parsed.positional.size()) + " file names";
    return false;
  }
  options.input = parsed.positional[0];
  options.output = parsed.positional[1];
  const auto texture = parsed.options.find("--texture");
  if (texture == parsed.options.end() || texture->second.empty()) {
    error = "--texture FILE is required";
    return false;
  }
  options.texture = texture->second;
  // The chooser hands the plug-in a 512-byte path; a longer one would be cut.
  if (options.texture.size() > 511) {
    error = "--texture: the plug-in takes paths of at most 511 characters";
    return false;
  }
  if (const auto size = parsed.options.find("--size"); size != parsed.options.end()) {
    if (!parseSize(size->second, options.size, error)) return false;
  }
  if (const auto origin = parsed.options.find("--origin"); origin != parsed.options.end()) {
    if (!parseOrigin(origin->second, options.tileOrigin, error)) return false;
  }
  if (const auto rect = parsed.options.find("--rect"); rect != parsed.options.end()) {
    if (!parseRect(rect->second, options.rect, error)) return false;
    options.haveRect = true;
  }
  options.gray = parsed.options.count("--gray") != 0;
  options.verbose = parsed.options.count("--verbose") != 0;
  if (const auto plugin = parsed.options.find("--plugin"); plugin != parsed.options.end()) {
    options.plugin = plugin->second;
  }
  if (formatForName(options.output) == FileFormat::unknown) {
    error = "OUT must end in .png, .tif or .tiff";
    return false;
  }
  return true;
}

bool checkRect(const FillOptions& options, const Image& document, host::Rect16& rect,
               std::string& error) {
  if (!options.haveRect) {
    rect = {0, 0, static_cast<std::int16_t>(document.height),
            static_cast<std::int16_t>(document.width)};
    return true;
  }
  rect = options.rect;
  if (rect.bottom > document.height || rect.right > document.width) {
    error = "--rect reaches outside the " + std::to_string(document.width) + "x" +
            std::to_string(document.height) + " document";
    return false;
  }
  return true;
}

void noteSizeWithoutEffect(const FillOptions& options) {
  if (options.size.sizeChoice == 0 || isLibraryTexture(options.texture)) return;
  std::fprintf(stderr,
               "texfill fill: note: %s is neither a library texture (a 512x512 RGB or 128x128 "
               "one-sample .tif file) nor a square PNG or JPEG of at least 64 pixels; the "
               "plug-in fills it at its own size\n",
               options.texture.c_str());
}

// The plug-in's run over the document in place, with Ctrl-C as the user's
// abort and the progress bar as the host's.
hostdriver::RunLog fillDocument(hostdriver::EntryPoint entry, Image& document, const host::Rect16& rect) {
  hostdriver::HostDriver driver(
      entry, hostdriver::packedView(document.pixels.data(), document.width, document.height, document.channels),
      document.channels == 1 ? 1 : 3);
  driver.setFilterRect(rect.top, rect.left, rect.bottom, rect.right);
  driver.record().abortProc = abortRequested;
  driver.record().progressProc = reportProgress;
  hostdriver::RunPlan plan;
  plan.end = hostdriver::LoopEnd::allSidesZero;
  return driver.run(plan);
}

// Each message box the plug-in showed, on stderr; answers how many.
int printPluginMessages() {
  const std::vector<std::string> texts = hostdriver::takePluginMessages();
  for (const std::string& text : texts) std::fprintf(stderr, "%s\n", text.c_str());
  return static_cast<int>(texts.size());
}

}  // namespace

int fillCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--texture", true}, {"--size", true},
                                                {"--origin", true},  {"--rect", true},
                                                {"--gray", false},   {"--verbose", false},
                                                {"--plugin", true}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  FillOptions options;
  if (!readOptions(parsed, options, error)) return usageError(kName, error);

  if (!std::ifstream(options.texture, std::ios::binary)) {
    complain(kName, options.texture + ": cannot be opened");
    return exitFailure;
  }
  const hostdriver::EntryPoint entry = hostdriver::bindPlugin(options.plugin, error);
  if (entry == nullptr) {
    complain(kName, error);
    return exitFailure;
  }
  // The binding is released however the fill ends.
  struct Unbind {
    ~Unbind() { hostdriver::unbindPlugin(); }
  } unbind;
  Image document;
  if (!readImageFile(options.input, document, error)) {
    complain(kName, error);
    return exitFailure;
  }
  if (options.gray) document = toGray(document);
  host::Rect16 rect{};
  if (!checkRect(options, document, rect, error)) return usageError(kName, error);

  TempDir temp;
  std::string texturePath = options.texture;
  if (options.size.pixels > 0) {
    if (!prescaleTexture(options.texture, options.size.pixels, temp, options.verbose, texturePath,
                         error)) {
      complain(kName, error);
      return exitFailure;
    }
  } else {
    noteSizeWithoutEffect(options);
  }

  hostdriver::choosePluginTexture({1, texturePath, options.size.sizeChoice, options.tileOrigin});
  hostdriver::takePluginMessages();
  const hostdriver::RunLog outcome = fillDocument(entry, document, rect);
  endProgress();
  const int messages = printPluginMessages();

  if (interrupted() || outcome.result() == 1) {
    complain(kName, "aborted, the plug-in reported result 1; " + options.output + " not written");
    return interrupted() ? exitInterrupted : exitFailure;
  }
  if (!outcome.hostError.empty()) {
    complain(kName, outcome.hostError + "; " + options.output + " not written");
    return exitFailure;
  }
  if (outcome.result() != 0) {
    complain(kName, "the plug-in ended the fill with " + hostdriver::resultName(outcome.result()) + "; " +
                        options.output + " not written");
    return exitFailure;
  }
  if (!writeImageFile(options.output, document, error, interrupted)) {
    complain(kName, error);
    return interrupted() ? exitInterrupted : exitFailure;
  }
  if (messages > 0) {
    complain(kName, "the plug-in showed " + std::to_string(messages) + " message(s); " +
                        options.output + " written all the same");
    return exitPluginMessage;
  }
  if (options.verbose) {
    std::fprintf(stderr, "texfill fill: %d bands filled, %s written\n", outcome.continueCalls,
                 options.output.c_str());
  }
  return exitOk;
}

}  // namespace texfill
