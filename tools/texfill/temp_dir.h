// A private temporary directory, removed with its files when it goes out of
// scope (also after an error or a Ctrl-C, which texfill turns into a normal
// return).
#pragma once

#include <string>

namespace texfill {

struct TempDir {
  std::string path;  // empty when the directory could not be made
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

}  // namespace texfill
