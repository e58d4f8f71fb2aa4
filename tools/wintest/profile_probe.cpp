// Answers private-profile reads and writes through the platform layer, so
// that the POSIX implementation can be compared with the Windows calls on
// the same files:
//   profile_probe DIR QUERIES
// Each line of QUERIES is "R|file|section|key|default" (answers the integer
// read), "S|file|section|key|size" (answers the string read into a buffer
// of that size, in brackets, and its length) or "W|file|section|key|value"
// (answers whether the write worked);
// "(null)" stands for a missing key or value. Files are named relative to
// DIR. One answer line per query, in order.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = line.find('|', start);
    fields.push_back(line.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

const char* orNull(const std::string& text) { return text == "(null)" ? nullptr : text.c_str(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: profile_probe DIR QUERIES\n");
    return 2;
  }
#ifdef _WIN32
  const std::string separator = "\\";
#else
  const std::string separator = "/";
#endif
  const std::string directory = argv[1];
  std::ifstream queries(argv[2]);
  if (!queries) {
    std::fprintf(stderr, "profile_probe: cannot read %s\n", argv[2]);
    return 2;
  }
  std::string line;
  while (std::getline(queries, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = split(line);
    if (f.size() != 5 || (f[0] != "R" && f[0] != "S" && f[0] != "W")) {
      std::printf("bad query: %s\n", line.c_str());
      continue;
    }
    const std::string path = directory + separator + f[1];
    if (f[0] == "R") {
      const unsigned value =
          platform::profileInt(f[2].c_str(), f[3].c_str(), std::atoi(f[4].c_str()), path.c_str());
      std::printf("%s -> %u\n", line.c_str(), value);
    } else if (f[0] == "S") {
      char text[256] = {};
      const std::size_t size = std::min<std::size_t>(std::strtoul(f[4].c_str(), nullptr, 10), sizeof text);
      const std::size_t length = platform::profileString(f[2].c_str(), f[3].c_str(), text, size, path.c_str());
      std::printf("%s -> [%s] %lu\n", line.c_str(), text, static_cast<unsigned long>(length));
    } else {
      const bool written =
          platform::writeProfileString(f[2].c_str(), orNull(f[3]), orNull(f[4]), path.c_str());
      std::printf("%s -> %s\n", line.c_str(), written ? "written" : "failed");
    }
  }
  return 0;
}
