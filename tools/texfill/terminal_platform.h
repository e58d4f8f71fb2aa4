// What texfill needs from the system, one file a platform.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace texfill {

// The program's arguments after its name, in UTF-8: on Windows from the wide
// command line (any name the user typed), elsewhere as given.
std::vector<std::string> commandLineArguments(int argc, char** argv);
// std::fopen with a UTF-8 path; Windows opens it by its wide name.
std::FILE* openFile(const std::string& path, const char* mode);

bool stderrIsTerminal();
void pauseMilliseconds(long ms);
// Blanks the progress bar's line and returns to its start.
void eraseBarLine();

}  // namespace texfill
