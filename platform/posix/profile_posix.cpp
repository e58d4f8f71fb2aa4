// Private-profile (INI) files for POSIX builds, answering as the Windows
// calls do so that one settings file reads the same everywhere:
// - section and key names match without regard to letter case, with blanks
//   around the names ignored (in the file and in the call); the first
//   matching section and, inside it, the first matching key count;
// - a value starts after the blanks that follow "=" and ends before the
//   blanks at the end of its line; a value in matching quotes loses them;
// - the integer read takes an optional sign and the decimal digits up to the
//   first other character ("12abc" reads 12, "abc" reads 0; "0x1F" is
//   hexadecimal), wrapping to an unsigned 32-bit number; a missing file or
//   key, a key without "=" or an empty value gives the default;
// - the string read gives the value as it stands, "" where the integer read
//   would give the default (an empty value too);
// - lines may end in LF, CRLF or CR, the last one without an end.
// A bare file name lives in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), where Windows would use its own folder;
// the same folder stands for the user's application data.
// Writing keeps every line it does not change, in the file's own line ends,
// and replaces the file in one rename.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/ascii.h"
#include "platform/posix/profile_posix_test.h"

namespace {

std::string& directoryOverride() {
  static std::string directory;
  return directory;
}

std::string& userDataOverride() {
  static std::string directory;
  return directory;
}

std::string& unwritableFile() {
  static std::string path;
  return path;
}

std::string configDirectory() {
  if (!directoryOverride().empty()) return directoryOverride();
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // Relative values of the XDG variables are ignored, as the base directory rules say.
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
  return ".";
}

std::string resolvePath(const char* fileName) {
  if (std::strchr(fileName, '/') != nullptr) return fileName;
  return configDirectory() + "/" + fileName;
}

// Windows counts Ctrl-Z, an old end-of-file mark, as a blank too.
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

bool sameName(std::string_view a, std::string_view b) { return platform::equalIgnoringAsciiCase(a, b); }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

struct Line {
  std::string text;    // without its line end
  std::string ending;  // "\n", "\r\n", "\r" or "" for a last line without one
};

enum class LineKind { blank, section, key };

struct ParsedLine {
  LineKind kind = LineKind::blank;
  std::string_view name;                  // section or key name
  std::optional<std::string_view> value;  // keys with "=" only
};

ParsedLine parseLine(std::string_view text) {
  ParsedLine parsed;
  std::string_view line = text;
  while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
  if (line.empty()) return parsed;
  if (line.front() == '[') {
    // The name runs to the last "]" of the line, without the blanks around
    // it; a header without "]" is an ordinary line.
    const std::size_t close = line.rfind(']');
    if (close != std::string_view::npos) {
      parsed.kind = LineKind::section;
      parsed.name = trim(line.substr(1, close - 1));
      return parsed;
    }
  }
  while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
  parsed.kind = LineKind::key;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    parsed.name = line;
    return parsed;
  }
  parsed.name = trim(line.substr(0, equals));
  std::string_view value = line.substr(equals + 1);
  while (!value.empty() && isBlank(value.front())) value.remove_prefix(1);
  parsed.value = value;
  return parsed;
}

std::vector<Line> splitLines(const std::string& content) {
  std::vector<Line> lines;
  std::size_t start = 0;
  // A UTF-8 byte-order mark is not part of the first line.
  if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  while (start < content.size()) {
    std::size_t end = content.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back({content.substr(start), ""});
      break;
    }
    std::size_t next = end + 1;
    if (content[end] == '\r' && next < content.size() && content[next] == '\n') ++next;
    lines.push_back({content.substr(start, end - start), content.substr(end, next - end)});
    start = next;
  }
  return lines;
}

bool readWholeFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *content = buffer.str();
  return true;
}

// Where a section lies in the file: its header line and the line after its
// last key (blank lines at its end stay after keys added to it).
struct SectionPlace {
  std::size_t header;
  std::size_t end;         // first line after the section
  std::size_t afterLast;   // insertion point for a new key
};

std::optional<SectionPlace> findSection(const std::vector<Line>& lines, std::string_view name) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ParsedLine parsed = parseLine(lines[i].text);
    if (parsed.kind != LineKind::section || !sameName(parsed.name, name)) continue;
    SectionPlace place{i, i + 1, i + 1};
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
      ParsedLine inner = parseLine(lines[j].text);
      if (inner.kind == LineKind::section) break;
      place.end = j + 1;
      if (inner.kind == LineKind::key) place.afterLast = j + 1;
    }
    return place;
  }
  return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, const SectionPlace& section,
                                   std::string_view key) {
  for (std::size_t j = section.header + 1; j < section.end; ++j) {
    ParsedLine parsed = parseLine(lines[j].text);
    if (parsed.kind == LineKind::key && sameName(parsed.name, key)) return j;
  }
  return std::nullopt;
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// The integer read: a sign, then digits up to the first other character;
// "0x", "0o" and "0b" switch to hexadecimal, octal and binary, as Windows'
// string-to-integer conversion does.
unsigned parseUnsigned(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char prefix = text[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;
  for (; i < text.size(); ++i) {
    const int digit = digitValue(text[i]);
    if (digit >= static_cast<int>(base)) break;
    total = total * base + static_cast<std::uint32_t>(digit);
  }
  return negative ? 0u - total : total;
}

// The text stored for a key, without the matching quotes that may enclose
// it; nothing when the file, the section, the key or its "=" is missing.
std::optional<std::string> storedValue(const char* section, const char* key, const char* fileName) {
  if (section == nullptr || key == nullptr || fileName == nullptr || fileName[0] == '\0') {
    return std::nullopt;
  }
  std::string content;
  if (!readWholeFile(resolvePath(fileName), &content)) return std::nullopt;
  const std::vector<Line> lines = splitLines(content);
  const std::optional<SectionPlace> place = findSection(lines, trim(section));
  if (!place) return std::nullopt;
  const std::optional<std::size_t> index = findKey(lines, *place, trim(key));
  if (!index) return std::nullopt;
  const std::optional<std::string_view> value = parseLine(lines[*index].text).value;
  if (!value) return std::nullopt;
  std::string_view text = *value;
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return std::string(text);
}

bool writeContent(const char* temporaryPath, void* content) {
  const std::string& text = *static_cast<const std::string*>(content);
  std::FILE* out = std::fopen(temporaryPath, "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && written;
}

bool writeWholeFile(const std::string& path, std::string content) {
  return platform::writeFileReplacing(path.c_str(), writeContent, &content);
}

}  // namespace

namespace platform {

unsigned profileInt(const char* section, const char* key, int defaultValue, const char* fileName) {
  const unsigned fallback = static_cast<unsigned>(defaultValue);
  const std::optional<std::string> value = storedValue(section, key, fileName);
  if (!value) return fallback;
  std::string_view text = *value;
  // Windows reads the value into a buffer of 30 characters.
  if (text.size() > 29) text = text.substr(0, 29);
  if (text.empty()) return fallback;
  return parseUnsigned(text);
}

std::size_t profileString(const char* section, const char* key, char* buffer, std::size_t size,
                          const char* fileName) {
  if (buffer == nullptr || size == 0) return 0;
  const std::optional<std::string> value = storedValue(section, key, fileName);
  const std::size_t length = value ? std::min(value->size(), size - 1) : 0;
  if (length > 0) std::memcpy(buffer, value->data(), length);
  buffer[length] = '\0';
  return length;
}

bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* fileName) {
  if (section == nullptr || fileName == nullptr || fileName[0] == '\0') return false;
  const std::string path = resolvePath(fileName);
  if (!unwritableFile().empty() && path == unwritableFile()) return false;
  if (std::strchr(fileName, '/') == nullptr) ::mkdir(configDirectory().c_str(), 0700);

  std::string content;
  const bool existed = readWholeFile(path, &content);
  std::vector<Line> lines = existed ? splitLines(content) : std::vector<Line>{};
  // New lines take the ending the file already uses.
  std::string newline = "\n";
  for (const Line& line : lines) {
    if (!line.ending.empty()) {
      newline = line.ending;
      break;
    }
  }
  const std::string_view sectionName = trim(section);
  std::optional<SectionPlace> place = findSection(lines, sectionName);

  if (key == nullptr) {
    // A missing key name removes the whole section.
    if (!place) return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(place->header),
                lines.begin() + static_cast<std::ptrdiff_t>(place->end));
  } else {
    const std::string_view keyName = trim(key);
    std::optional<std::size_t> index;
    if (place) index = findKey(lines, *place, keyName);
    if (value == nullptr) {
      // A missing value removes the key.
      if (!index) return true;
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*index));
    } else if (index) {
      ParsedLine parsed = parseLine(lines[*index].text);
      if (parsed.value && *parsed.value == value) return true;
      lines[*index].text = std::string(parsed.name) + "=" + value;
    } else {
      if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = newline;
      std::size_t at = lines.size();
      if (place) {
        at = place->afterLast;
      } else {
        // Sections are kept apart by a blank line.
        if (!lines.empty() && !trim(lines.back().text).empty()) lines.push_back({"", newline});
        lines.push_back({"[" + std::string(sectionName) + "]", newline});
        at = lines.size();
      }
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                   Line{std::string(keyName) + "=" + value, newline});
    }
  }

  // The byte-order mark is not part of the first line, but it stays the
  // file's: dropped, a second mark behind it would become the first and
  // change what the next reading sees.
  std::string output = existed && content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? "\xEF\xBB\xBF" : "";
  for (const Line& line : lines) output += line.text + line.ending;
  return writeWholeFile(path, output);
}

std::size_t profileSection(const char* section, char* buffer, std::size_t size,
                           const char* fileName) {
  if (buffer == nullptr || size < 2) return 0;
  buffer[0] = buffer[1] = '\0';
  std::string content;
  if (section == nullptr || fileName == nullptr || fileName[0] == '\0' ||
      !readWholeFile(resolvePath(fileName), &content)) {
    return 0;
  }
  const std::vector<Line> lines = splitLines(content);
  const std::optional<SectionPlace> place = findSection(lines, trim(section));
  if (!place) return 0;
  std::size_t used = 0;
  for (std::size_t j = place->header + 1; j < place->end; ++j) {
    const ParsedLine parsed = parseLine(lines[j].text);
    if (parsed.kind != LineKind::key) continue;
    std::string entry(parsed.name);
    if (parsed.value) entry += "=" + std::string(*parsed.value);
    // Entries that do not fit whole are left out, the list staying ended.
    if (used + entry.size() + 2 > size) break;
    std::memcpy(buffer + used, entry.c_str(), entry.size() + 1);
    used += entry.size() + 1;
  }
  buffer[used] = '\0';
  return used;
}

bool userDataFolder(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  const std::string folder = userDataOverride().empty() ? configDirectory() : userDataOverride();
  if (folder.size() >= size) return false;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return true;
}

// $XDG_CACHE_HOME, else ~/.cache; the test override stands for both folders.
bool userLocalDataFolder(char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return false;
  buffer[0] = '\0';
  std::string folder = userDataOverride();
  if (folder.empty()) {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (xdg != nullptr && xdg[0] == '/') {
      folder = xdg;
    } else if (home != nullptr && home[0] != '\0') {
      folder = std::string(home) + "/.cache";
    } else {
      return false;
    }
  }
  if (folder.size() >= size) return false;
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return true;
}

}  // namespace platform

namespace platform::test {

void setUserDataFolder(const std::string& directory) { userDataOverride() = directory; }

void failProfileWritesTo(const std::string& path) { unwritableFile() = path; }

void setProfileDirectory(const std::string& directory) { directoryOverride() = directory; }

std::string profilePath(const char* fileName) { return resolvePath(fileName); }

}  // namespace platform::test
