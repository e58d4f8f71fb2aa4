#include "tools/texfill/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace texfill {

TempDir::TempDir() {
  // Only textures texfill rescales itself go here, and the Windows build,
  // which does not link the engine, makes none.
#if !defined(_WIN32)
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") +
                        "/texfill-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) != nullptr) path = buffer.data();
#endif
}

TempDir::~TempDir() {
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

}  // namespace texfill
