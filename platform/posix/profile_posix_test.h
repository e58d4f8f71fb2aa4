// Test control of the POSIX private-profile functions: where bare settings
// file names are placed, where the user's data folder is, which file cannot
// be written.
#pragma once

#include <string>

namespace platform::test {

// Bare file names given to profileInt and writeProfileString are placed in
// `directory` instead of the user's configuration folder; "" restores it.
void setProfileDirectory(const std::string& directory);
// Where a bare name `fileName` is placed now.
std::string profilePath(const char* fileName);
// userDataFolder and userLocalDataFolder answer `directory` instead of the
// folder of bare names and the cache folder;
// "" restores it.
void setUserDataFolder(const std::string& directory);
// Writes to the file at `path` (as profilePath names it) fail, as they do
// in a Windows directory a standard user may not write; "" lifts it.
void failProfileWritesTo(const std::string& path);

}  // namespace platform::test
