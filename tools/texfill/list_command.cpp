// texfill list: a library directory as the Open Texture dialog lists it.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "texture/info_line.h"
#include "platform/ascii.h"
#include "texture/long_name_cache.h"
#include "texture/texture_source.h"
#include "tools/texfill/cli.h"
#include "tools/texfill/commands.h"
#include "tools/texfill/library_listing.h"

namespace texfill {
namespace {

constexpr const char* kName = "list";

bool matchesType(const std::string& name, const std::string& type) {
  if (type == "all") return true;
  const std::size_t dot = name.find_last_of('.');
  const std::string extension = dot == std::string::npos ? "" : platform::lowerAscii(name.substr(dot + 1));
  return extension == type || (type == "jpg" && extension == "jpeg");
}

// The dialog opens each bare file name relative to the directory it lists.
struct WorkingDirectory {
  int saved = open(".", O_RDONLY | O_CLOEXEC);
  ~WorkingDirectory() {
    if (saved >= 0) {
      if (fchdir(saved) != 0) std::perror("texfill list: cannot return to the working directory");
      close(saved);
    }
  }
};

}  // namespace

bool listLibrary(const std::string& directory, const std::string& type,
                 std::vector<LibraryEntry>& entries, std::string& error) {
  std::error_code code;
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(directory, code)) {
    std::error_code statCode;
    if (!item.is_regular_file(statCode)) continue;
    const std::string name = item.path().filename().string();
    if (matchesType(name, type)) names.push_back(name);
  }
  if (code) {
    error = directory + ": " + code.message();
    return false;
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = platform::lowerAscii(a), lb = platform::lowerAscii(b);
    return la != lb ? la < lb : a < b;
  });

  WorkingDirectory restore;
  if (chdir(directory.c_str()) != 0) {
    error = directory + ": cannot enter the directory";
    return false;
  }
  for (const std::string& name : names) {
    LibraryEntry entry;
    entry.fileName = name;
    char longName[texture::kLongNameBytes] = {};
    texture::cachedTextureLongName(name.c_str(), longName);
    entry.longName = longName;
    texture::TextureInfo info{};
    if (texture::describeTexture(name.c_str(), &info)) entry.infoLine = texture::textureInfoLine(&info);
    entry.highRes = texture::isHighResTexture(name.c_str()) != 0;
    entry.lowRes = texture::isLowResTexture(name.c_str()) != 0;
    entry.resizable = texture::resizableTextureSide(name.c_str()) != 0;
    entries.push_back(entry);
  }
  return true;
}

int listCommand(const Args& args) {
  static const std::vector<OptionSpec> specs = {{"--type", true}};
  ParsedArgs parsed;
  std::string error;
  if (!parseArgs(args, specs, parsed, error)) return usageError(kName, error);
  if (parsed.help) return printHelp(kName) ? exitOk : exitFailure;
  if (parsed.positional.size() != 1) return usageError(kName, "expected one directory");
  std::string type = "tif";
  if (const auto it = parsed.options.find("--type"); it != parsed.options.end()) type = it->second;
  if (type != "tif" && type != "bmp" && type != "png" && type != "jpg" && type != "all") {
    return usageError(kName, "--type " + type + ": expected tif, bmp, png, jpg or all");
  }
  std::vector<LibraryEntry> entries;
  if (!listLibrary(parsed.positional[0], type, entries, error)) {
    complain(kName, error);
    return exitFailure;
  }
  std::size_t nameWidth = 4, longWidth = 9, infoWidth = 4;
  for (const LibraryEntry& e : entries) {
    nameWidth = std::max(nameWidth, e.fileName.size());
    longWidth = std::max(longWidth, e.longName.size());
    infoWidth = std::max(infoWidth, e.infoLine.size());
  }
  for (const LibraryEntry& e : entries) {
    const char* size = e.highRes ? "high-res" : e.lowRes ? "low-res" : e.resizable ? "resizable" : "-";
    std::printf("%-*s  %-*s  %-*s  %s\n", static_cast<int>(nameWidth), e.fileName.c_str(),
                static_cast<int>(longWidth), e.longName.empty() ? "-" : e.longName.c_str(),
                static_cast<int>(infoWidth), e.infoLine.empty() ? "-" : e.infoLine.c_str(), size);
  }
  return exitOk;
}

}  // namespace texfill
