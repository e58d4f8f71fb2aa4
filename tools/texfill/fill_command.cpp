// texfill fill: the command-line host.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/fill_option_args.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/hostdriver/plugin_binding.h"
#include "tools/texfill/size_option.h"
#include "tools/texfill/temp_dir.h"
#include "tools/texfill/terminal.h"
#include "tools/texfill/terminal_platform.h"

namespace texfill {
namespace {

constexpr const char* kName = "fill";

struct FillCommandOptions {
  std::string texture;
  SizeRequest size;
  fill::FillOptions fill;
  bool haveRect = false;
  fill::Rect16 rect{};
  bool gray = false;
  bool verbose = false;
  std::string plugin;
  std::string input;
  std::string output;
};

bool readOptions(const ParsedArgs& parsed, FillCommandOptions& options, std::string& error) {
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
    if (!parseOrigin(origin->second, options.fill.tileOrigin, error)) return false;
  }
  if (!readFillOptions(parsed, options.fill, error)) return false;
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

bool checkRect(const FillCommandOptions& options, const Image& document, fill::Rect16& rect,
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

void noteSizeWithoutEffect(const FillCommandOptions& options) {
  if (options.size.sizeChoice == 0 || isLibraryTexture(options.texture)) return;
  std::fprintf(stderr,
               "texfill fill: note: %s is neither a library texture (a 512x512 RGB or 128x128 "
               "one-sample .tif file) nor a square PNG or JPEG of at least 64 pixels; the "
               "plug-in fills it at its own size\n",
               options.texture.c_str());
}

// 16-bit files hold 0 to 65535, hosts 0 to 32768; both ways round to the
// nearest value, halves up.
std::uint16_t hostSample(std::uint32_t file) { return static_cast<std::uint16_t>((file * 32768u + 32767u) / 65535u); }
std::uint16_t fileSample(std::uint32_t host) {
  return host >= 32768u ? 65535u : static_cast<std::uint16_t>((host * 65535u + 16384u) / 32768u);
}

// The plug-in's run over `pixels` (the document's layout, `sampleBytes`
// a sample), with Ctrl-C as the user's abort and the progress bar as the
// host's.
hostdriver::RunLog runPlugin(hostdriver::EntryPoint entry, const Image& document, std::uint8_t* pixels,
                             const fill::Rect16& rect) {
  const bool deep = document.sampleBytes == 2;
  const std::int16_t mode = document.channels == 1 ? (deep ? 10 : 1) : (deep ? 11 : 3);
  hostdriver::HostDriver driver(
      entry,
      hostdriver::packedView(pixels, document.width, document.height, document.channels, document.sampleBytes),
      mode);
  driver.setFilterRect(rect.top, rect.left, rect.bottom, rect.right);
  driver.record().abortProc = abortRequested;
  driver.record().progressProc = reportProgress;
  hostdriver::RunPlan plan;
  plan.end = hostdriver::LoopEnd::allSidesZero;
  return driver.run(plan);
}

// 8-bit documents are filled in place. A 16-bit one is handed over in the
// hosts' range, and only the rectangle comes back into the file's range, so
// every sample outside it keeps its exact value.
hostdriver::RunLog fillDocument(hostdriver::EntryPoint entry, Image& document, const fill::Rect16& rect) {
  if (document.sampleBytes != 2) return runPlugin(entry, document, document.pixels.data(), rect);
  std::vector<std::uint16_t> samples(document.pixels.size() / 2);
  std::memcpy(samples.data(), document.pixels.data(), document.pixels.size());
  for (std::uint16_t& sample : samples) sample = hostSample(sample);
  const hostdriver::RunLog log = runPlugin(entry, document, reinterpret_cast<std::uint8_t*>(samples.data()), rect);
  const std::size_t rowSamples = static_cast<std::size_t>(document.width) * document.channels;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (std::size_t i = static_cast<std::size_t>(rect.left) * document.channels;
         i < static_cast<std::size_t>(rect.right) * document.channels; ++i) {
      const std::uint16_t value = fileSample(samples[y * rowSamples + i]);
      std::memcpy(&document.pixels[(y * rowSamples + i) * 2], &value, 2);
    }
  }
  return log;
}

// Each message box the plug-in showed, on stderr; answers how many.
int printPluginMessages() {
  const std::vector<std::string> texts = hostdriver::takePluginMessages();
  for (const std::string& text : texts) std::fprintf(stderr, "%s\n", text.c_str());
  return static_cast<int>(texts.size());
}

}  // namespace

int fillCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = [] {
    std::vector<OptionSpec> all = {{"--texture", true}, {"--size", true},     {"--origin", true}, {"--rect", true},
                                   {"--gray", false},   {"--verbose", false}, {"--plugin", true}};
    all.insert(all.end(), fillOptionSpecs().begin(), fillOptionSpecs().end());
    return all;
  }();
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  FillCommandOptions options;
  if (!readOptions(parsed, options, error)) return usageError(kName, error);

  std::FILE* texture = openFile(options.texture, "rb");
  if (texture == nullptr) {
    complain(kName, options.texture + ": cannot be opened");
    return exitFailure;
  }
  std::fclose(texture);
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
  if (!readImageFile(options.input, document, error, true)) {
    complain(kName, error);
    return exitFailure;
  }
  if (options.gray && document.sampleBytes != 1) return usageError(kName, "--gray takes 8-bit documents only");
  if (options.gray) document = toGray(document);
  fill::Rect16 rect{};
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

  options.fill.sizeChoice = options.size.sizeChoice;
  hostdriver::choosePluginTexture({1, texturePath, options.fill});
  hostdriver::takePluginMessages();
  hostdriver::takeChoiceProblems();
  const hostdriver::RunLog outcome = fillDocument(entry, document, rect);
  endProgress();
  const int messages = printPluginMessages();
  // The Windows build answers the plug-in's own dialog; when that went wrong
  // the plug-in may have filled with another texture or size than asked.
  if (const std::string problems = hostdriver::takeChoiceProblems(); !problems.empty()) {
    complain(kName, "the Open Texture dialog was not answered as asked (" + problems + "); " + options.output +
                        " not written");
    return exitFailure;
  }

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
