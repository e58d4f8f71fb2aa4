// The subcommands of texfill. Each takes the words after its name and
// answers the process exit status (cli.h).
#pragma once

#include <string>
#include <vector>

namespace texfill {

using Args = std::vector<std::string>;

int fillCommand(const Args& args);
int listCommand(const Args& args);
int previewCommand(const Args& args);
int packCommand(const Args& args);
int genSampleCommand(const Args& args);
int sheetCommand(const Args& args);
int makeSeamlessCommand(const Args& args);

// Man-page-style help: "" for the overview, or a subcommand's name. Null,
// or false, for an unknown name.
const char* manualPage(const std::string& subcommand);
bool printHelp(const std::string& subcommand);

}  // namespace texfill
