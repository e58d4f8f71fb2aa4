// Any bytes as a UTF-8 path and, taken two at a time, as a UTF-16 one. What
// converts must convert back to the same bytes or units, agree with isUtf8,
// and fit the buffers the path travels in; what is refused leaves an empty
// buffer; the replacing conversion never fails when there is room.
#include <cstring>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));
  const std::size_t room = text.size() + 1;  // units never outnumber bytes

  std::vector<char16_t> wide(room, u'?');
  const long units = platform::utf8ToUtf16(text.c_str(), wide.data(), room);
  if ((units >= 0) != platform::isUtf8(text.c_str())) fuzzing::fail("isUtf8 disagrees with the conversion");
  if (units < 0) {
    if (wide[0] != u'\0') fuzzing::fail("a refused text left units behind");
  } else {
    std::vector<char> back(room, '?');
    if (platform::utf16ToUtf8(wide.data(), back.data(), room) != static_cast<long>(text.size()) ||
        text != back.data()) {
      fuzzing::fail("UTF-8 did not come back unchanged");
    }
    const platform::WidePath path(text.c_str());
    if (path.ok() != (static_cast<std::size_t>(units) <= platform::kMaxPathUnits && !text.empty())) {
      if (!(text.empty() && path.ok())) fuzzing::fail("WidePath took the wrong paths");
    }
    if (path.ok() && text.size() >= platform::kPathBytes) fuzzing::fail("a path that opens outgrows the buffers");
  }
  // Every bad byte becomes one U+FFFD: never more units than bytes.
  if (platform::utf8ToUtf16(text.c_str(), wide.data(), room, platform::BadSequences::replace) < 0) {
    fuzzing::fail("replacing failed with room");
  }
  std::vector<char> shown(room + 8);
  std::memcpy(shown.data(), text.c_str(), room);
  platform::cutUtf8ToUnits(shown.data(), size % 64);

  std::u16string units16;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0) break;
    units16 += unit;
  }
  const std::size_t bytes = 3 * units16.size() + 1;  // a pair is four bytes for two units
  std::vector<char> narrow(bytes, '?');
  const long written = platform::utf16ToUtf8(units16.c_str(), narrow.data(), bytes);
  if (written >= 0) {
    if (!platform::isUtf8(narrow.data())) fuzzing::fail("UTF-16 became bad UTF-8");
    std::vector<char16_t> again(units16.size() + 1);
    if (platform::utf8ToUtf16(narrow.data(), again.data(), again.size()) != static_cast<long>(units16.size()) ||
        units16 != again.data()) {
      fuzzing::fail("UTF-16 did not come back unchanged");
    }
  } else if (narrow[0] != '\0') {
    fuzzing::fail("a refused UTF-16 text left bytes behind");
  }
  if (platform::utf16ToUtf8(units16.c_str(), narrow.data(), bytes, platform::BadSequences::replace) < 0) {
    fuzzing::fail("replacing UTF-16 failed with room");
  }
  return 0;
}
