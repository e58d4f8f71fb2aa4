// What the Open Texture dialog shows about each file of a directory.
#pragma once

#include <string>
#include <vector>

namespace texfill {

struct LibraryEntry {
  std::string fileName;
  std::string longName;  // the "Long Names" list's text
  std::string infoLine;  // "TIFF (24 bit, 512x512)"; empty when not described
  bool highRes = false;  // the size combo's library classes
  bool lowRes = false;
  bool resizable = false;  // a square PNG or JPEG the size choices scale
};

// Regular files of `directory` whose extension is `type` ("tif", "bmp",
// "png", "jpg" with "jpeg"; any letter case) or all of them for "all", sorted by name without regard to case.
bool listLibrary(const std::string& directory, const std::string& type,
                 std::vector<LibraryEntry>& entries, std::string& error);

}  // namespace texfill
