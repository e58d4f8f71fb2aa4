// texfill gen-sample: the procedural pictures the sample library is packed from.
#include <cstdio>
#include <string>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/sample_gen.h"

namespace texfill {
namespace {
constexpr const char* kName = "gen-sample";
}  // namespace

int genSampleCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--size", true}, {"--list", false}};
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
  if (!writeImageFile(parsed.positional[1], picture, error)) {
    complain(kName, error);
    return exitFailure;
  }
  return exitOk;
}

}  // namespace texfill
