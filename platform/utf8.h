// File names cross the portable core as UTF-8 and reach Windows as UTF-16:
// this is the one conversion between the two, used at the platform boundary
// (platform/win32, libtiff's wide open, texfill.exe's wide arguments).
//
// Names are converted strictly. Input that is not well formed (an overlong
// form, an encoded surrogate, a value above U+10FFFF, a stray continuation
// byte, a sequence cut short; in UTF-16 a lone surrogate) converts to
// nothing: a path that cannot be carried intact is not opened at all, so no
// other file is ever opened in its place. Text that is only shown (a
// message box) may ask for each bad sequence to become U+FFFD instead.
#pragma once

#include <cstddef>

namespace platform {

// The longest path, in UTF-16 units without the terminating zero, that the
// platform opens: what Windows accepts without the "\\?\" prefix. Longer
// paths convert to nothing and fail to open.
constexpr std::size_t kMaxPathUnits = 260;
// Bytes that hold any path of kMaxPathUnits units as UTF-8 with its zero:
// at most three bytes a unit (a surrogate pair is two units and four bytes).
// Buffers that carry a path through the core are at least this large.
constexpr std::size_t kPathBytes = 1024;
static_assert(3 * kMaxPathUnits + 1 <= kPathBytes);

enum class BadSequences { refuse, replace };

// Converts zero-terminated `text` into `out` (at most `capacity` units with
// the terminating zero). Answers the units written before the zero, or -1
// (and an empty `out` when there is room for it) when the text is not well
// formed and `bad` is refuse, or does not fit.
long utf8ToUtf16(const char* text, char16_t* out, std::size_t capacity,
                 BadSequences bad = BadSequences::refuse);
// The same the other way: bytes of UTF-8 written before the zero, or -1.
long utf16ToUtf8(const char16_t* text, char* out, std::size_t capacity,
                 BadSequences bad = BadSequences::refuse);
// True when zero-terminated `text` is well-formed UTF-8.
bool isUtf8(const char* text);
// Drops a character cut short at the end of `text` (a lead byte and fewer
// continuation bytes than it announces), as a byte limit leaves it.
void cutUtf8AtCharacter(char* text);
// Ends `text` after at most `units` UTF-16 units, at a whole character (a
// bad byte counts as one unit, as it is shown).
void cutUtf8ToUnits(char* text, std::size_t units);

// A UTF-8 path as Windows takes it: empty (ok() false) when the path is
// null, not well formed or longer than kMaxPathUnits.
struct WidePath {
  explicit WidePath(const char* path)
      : valid(path != nullptr && utf8ToUtf16(path, units, kMaxPathUnits + 1) >= 0) {}
  bool ok() const { return valid; }
  const char16_t* get() const { return units; }

 private:
  char16_t units[kMaxPathUnits + 1] = {};
  bool valid;
};

}  // namespace platform
