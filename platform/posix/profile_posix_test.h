// Test control of the POSIX private-profile functions: where bare settings
// file names are placed.
#pragma once

#include <string>

namespace platform::test {

// Bare file names given to profileInt and writeProfileString are placed in
// `directory` instead of the user's configuration folder; "" restores it.
void setProfileDirectory(const std::string& directory);
// Where a bare name `fileName` is placed now.
std::string profilePath(const char* fileName);

}  // namespace platform::test
