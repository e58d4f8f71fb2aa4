// texfill: the command-line host of the texture-fill plug-in and its
// texture-library tools.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/terminal.h"
#include "tools/texfill/terminal_platform.h"

int main(int argc, char** argv) {
  // Before anything else, so that an early Ctrl-C is an abort, not a kill.
  texfill::installInterruptHandler();
  const std::vector<std::string> arguments = texfill::commandLineArguments(argc, argv);
  if (arguments.empty()) {
    texfill::printHelp("");
    return texfill::exitUsage;
  }
  const std::string command = arguments[0];
  const texfill::Args args(arguments.begin() + 1, arguments.end());
  if (command == "-h" || command == "--help" || command == "help") {
    const std::string topic = args.empty() ? "" : args[0];
    if (texfill::printHelp(topic)) return texfill::exitOk;
    std::fprintf(stderr, "texfill: no subcommand %s\n", topic.c_str());
    return texfill::exitUsage;
  }
  if (command == "--version") {
    std::printf("texfill %s\n", TEXFILL_VERSION);
    return texfill::exitOk;
  }
  if (command == "fill") return texfill::fillCommand(args);
#if defined(_WIN32)
  if (command == "list" || command == "preview" || command == "pack" ||
      command == "gen-sample" || command == "sheet" || command == "make-seamless") {
    std::fprintf(stderr, "texfill: %s needs the engine linked in; use the native texfill\n",
                 command.c_str());
    return texfill::exitUsage;
  }
#else
  if (command == "list") return texfill::listCommand(args);
  if (command == "preview") return texfill::previewCommand(args);
  if (command == "pack") return texfill::packCommand(args);
  if (command == "gen-sample") return texfill::genSampleCommand(args);
  if (command == "sheet") return texfill::sheetCommand(args);
  if (command == "make-seamless") return texfill::makeSeamlessCommand(args);
#endif
  std::fprintf(stderr, "texfill: unknown subcommand %s; try 'texfill --help'\n", command.c_str());
  return texfill::exitUsage;
}
