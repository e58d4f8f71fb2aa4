#include "platform/utf8.h"

#include <cstdint>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kBad = 0xFFFFFFFF;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point at `*at`, which moves past it (past one byte when it is
// bad): kBad for anything but the shortest form of a scalar value.
char32_t decodeUtf8(const unsigned char*& at) {
  const unsigned char lead = *at++;
  if (lead < 0x80) return lead;
  int more = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return kBad;  // a continuation byte, an overlong lead (C0, C1) or F5 to FF
  }
  const unsigned char* next = at;
  for (int i = 0; i < more; ++i, ++next) {
    // The terminating zero is not a continuation byte, so a cut-off
    // sequence stops here without reading past the text.
    if ((*next & 0xC0) != 0x80) return kBad;
    c = (c << 6) | (*next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || isSurrogate(c)) return kBad;
  at = next;
  return c;
}

// The code point at `*at` of UTF-16, which moves past it: kBad for a lone
// surrogate.
char32_t decodeUtf16(const char16_t*& at) {
  const char32_t first = *at++;
  if (!isSurrogate(first)) return first;
  if (first >= 0xDC00 || *at < 0xDC00 || *at > 0xDFFF) return kBad;
  const char32_t second = *at++;
  return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
}

// Writes `c` as UTF-16 at out[*used]; false when it does not fit before the
// zero.
bool putUtf16(char32_t c, char16_t* out, std::size_t capacity, std::size_t* used) {
  const std::size_t units = c >= 0x10000 ? 2 : 1;
  if (*used + units >= capacity) return false;
  if (units == 1) {
    out[(*used)++] = static_cast<char16_t>(c);
  } else {
    out[(*used)++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out[(*used)++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
  return true;
}

bool putUtf8(char32_t c, char* out, std::size_t capacity, std::size_t* used) {
  unsigned char bytes[4];
  std::size_t count = 0;
  if (c < 0x80) {
    bytes[count++] = static_cast<unsigned char>(c);
  } else if (c < 0x800) {
    bytes[count++] = static_cast<unsigned char>(0xC0 | (c >> 6));
    bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    bytes[count++] = static_cast<unsigned char>(0xE0 | (c >> 12));
    bytes[count++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  } else {
    bytes[count++] = static_cast<unsigned char>(0xF0 | (c >> 18));
    bytes[count++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    bytes[count++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  }
  if (*used + count >= capacity) return false;
  for (std::size_t i = 0; i < count; ++i) out[(*used)++] = static_cast<char>(bytes[i]);
  return true;
}

template <typename In, typename Out, typename Decode, typename Put>
long convert(const In* text, Out* out, std::size_t capacity, BadSequences bad, Decode decode, Put put) {
  if (out == nullptr || capacity == 0) return -1;
  out[0] = 0;
  if (text == nullptr) return -1;
  std::size_t used = 0;
  while (*text != 0) {
    char32_t c = decode(text);
    if (c == kBad) {
      if (bad == BadSequences::refuse) {
        out[0] = 0;
        return -1;
      }
      c = kReplacement;
    }
    if (!put(c, out, capacity, &used)) {
      out[0] = 0;
      return -1;
    }
  }
  out[used] = 0;
  return static_cast<long>(used);
}

}  // namespace

long utf8ToUtf16(const char* text, char16_t* out, std::size_t capacity, BadSequences bad) {
  return convert(reinterpret_cast<const unsigned char*>(text), out, capacity, bad,
                 [](const unsigned char*& at) { return decodeUtf8(at); }, putUtf16);
}

long utf16ToUtf8(const char16_t* text, char* out, std::size_t capacity, BadSequences bad) {
  return convert(text, out, capacity, bad, [](const char16_t*& at) { return decodeUtf16(at); }, putUtf8);
}

bool isUtf8(const char* text) {
  if (text == nullptr) return false;
  const auto* at = reinterpret_cast<const unsigned char*>(text);
  while (*at != 0) {
    if (decodeUtf8(at) == kBad) return false;
  }
  return true;
}

void cutUtf8AtCharacter(char* text) {
  if (text == nullptr) return;
  auto* at = reinterpret_cast<unsigned char*>(text);
  std::size_t length = 0;
  while (at[length] != 0) ++length;
  // The last lead byte within three of the end, and how long its sequence is.
  for (std::size_t back = 1; back <= 3 && back <= length; ++back) {
    const unsigned char c = at[length - back];
    if ((c & 0xC0) == 0x80) continue;
    const std::size_t needs = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (needs > back) at[length - back] = 0;
    return;
  }
}

void cutUtf8ToUnits(char* text, std::size_t units) {
  if (text == nullptr) return;
  auto* at = reinterpret_cast<unsigned char*>(text);
  std::size_t used = 0;
  while (*at != 0) {
    const unsigned char* next = at;
    const char32_t c = decodeUtf8(next);
    const std::size_t width = c != kBad && c >= 0x10000 ? 2 : 1;
    if (used + width > units) break;
    used += width;
    at = const_cast<unsigned char*>(next);
  }
  *at = 0;
}

}  // namespace platform
