// Command-line parsing shared by the subcommands, and the exit statuses.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "fill/host_view.h"

namespace texfill {

enum ExitStatus : int {
  exitOk = 0,
  exitFailure = 1,        // nothing was written
  exitUsage = 2,
  exitPluginMessage = 3,  // written, but the plug-in showed a message
  exitInterrupted = 130,  // Ctrl-C: 128 + SIGINT, as shells report it
};

struct OptionSpec {
  const char* name;  // "--size"
  bool takesValue;
};

struct ParsedArgs {
  std::map<std::string, std::string> options;  // "--size" -> "256X256"; flags -> ""
  std::vector<std::string> positional;
  bool help = false;
};

// args are the words after the subcommand. Accepts "--name value",
// "--name=value", "-h"/"--help", and "--" before positional words that start
// with "-".
bool parseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs,
               ParsedArgs& parsed, std::string& error);

// What --size asks for: one of the dialog's entries, or a pixel size that
// texfill prepares itself with the wrap-around resampler.
struct SizeRequest {
  int sizeChoice = 0;  // SizeChoice handed to the plug-in
  int pixels = 0;      // > 0: pre-scale the texture to pixels x pixels first
};
// "Actual", "512X512", "256X256", "128X128", "64X64" (letter case and the x
// ignored), a bare number N, or "NxN" for other N: N from 2 to 512.
bool parseSize(const std::string& text, SizeRequest& size, std::string& error);
// "document" (1) or "selection" (0).
bool parseOrigin(const std::string& text, int& tileOrigin, std::string& error);
// "TOP,LEFT,BOTTOM,RIGHT"; checked against the document later.
bool parseRect(const std::string& text, fill::Rect16& rect, std::string& error);
bool parseInt(const std::string& text, long minimum, long maximum, long& value);

// "texfill SUBCOMMAND: message" on stderr.
void complain(const char* subcommand, const std::string& message);
// complain(), then a pointer to --help; answers exitUsage.
int usageError(const char* subcommand, const std::string& message);

}  // namespace texfill
