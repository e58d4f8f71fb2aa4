// Letter case as file-name extensions, settings keys and command-line words
// compare it: only A to Z and a to z change, whatever the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace platform {

constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string lowerAscii(std::string text) {
  for (char& c : text) c = lowerAscii(c);
  return text;
}
inline std::string upperAscii(std::string text) {
  for (char& c : text) c = upperAscii(c);
  return text;
}

inline bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace platform
