// texfill gen-sample: the procedural pictures the sample library is packed from.
#include <cstdio>
#include <string>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/jpeg_io.h"
#include "tools/texfill/png_io.h"
#include "tools/texfill/sample_gen.h"

namespace texfill {
namespace {

constexpr const char* kName = "gen-sample";
constexpr int kJpegQuality = 92;

bool isJpegName(const std::string& path) {
  const std::string extension = lowerExtension(path);
  return extension == "jpg" || extension == "jpeg";
}

// A sample texture with its long name stored the way the plug-in reads it.
struct TextureJob {
  const Image* picture;
  const std::string* title;
  bool jpeg;
};

bool writeTexture(const std::string& tempPath, const void* context, std::string& error) {
  const auto* job = static_cast<const TextureJob*>(context);
  return job->jpeg ? writeJpeg(tempPath, *job->picture, kJpegQuality, *job->title, error)
                   : writePng(tempPath, *job->picture, error, *job->title);
}

}  // namespace

int genSampleCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--size", true}, {"--list", false}, {"--title", true}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.options.count("--list") != 0) {
    for (const SampleRecipe& recipe : sampleRecipes()) {
      std::printf("%s\t%s\t%d\t%s\n", recipe.name, recipe.lowRes ? "low" : "high", recipe.size,
                  recipe.longName);
    }
    return exitOk;
  }
  if (parsed.positional.size() != 2) return usageError(kName, "expected NAME and OUT.png");
  if (parsed.positional[0] == "document") {
    long width = 640, height = 400;
    if (const auto it = parsed.options.find("--size"); it != parsed.options.end()) {
      const std::size_t x = it->second.find_first_of("xX");
      if (x == std::string::npos || !parseInt(it->second.substr(0, x), 8, 4096, width) ||
          !parseInt(it->second.substr(x + 1), 8, 4096, height)) {
        return usageError(kName, "--size for the document is WIDTHxHEIGHT, 8 to 4096 each");
      }
    }
    if (!writeImageFile(parsed.positional[1], generateDocument(static_cast<int>(width),
                                                               static_cast<int>(height)),
                        error)) {
      complain(kName, error);
      return exitFailure;
    }
    return exitOk;
  }
  const SampleRecipe* recipe = findSampleRecipe(parsed.positional[0]);
  if (recipe == nullptr) {
    return usageError(kName, "no sample named " + parsed.positional[0] + " (see --list)");
  }
  long size = recipe->size;
  if (const auto it = parsed.options.find("--size"); it != parsed.options.end()) {
    if (!parseInt(it->second, 8, 4096, size)) return usageError(kName, "--size takes 8 to 4096");
  }
  const Image picture = generateSample(*recipe, static_cast<int>(size));
  const std::string& out = parsed.positional[1];
  const auto title = parsed.options.find("--title");
  if (title != parsed.options.end() || isJpegName(out)) {
    if (!isJpegName(out) && lowerExtension(out) != "png") {
      return usageError(kName, "--title needs OUT.png or OUT.jpg");
    }
    const std::string text = title != parsed.options.end() ? title->second : std::string();
    const TextureJob job{&picture, &text, isJpegName(out)};
    if (!writeFileAtomically(out, error, nullptr, writeTexture, &job)) {
      complain(kName, out + ": " + error);
      return exitFailure;
    }
    return exitOk;
  }
  if (!writeImageFile(out, picture, error)) {
    complain(kName, error);
    return exitFailure;
  }
  return exitOk;
}

}  // namespace texfill
