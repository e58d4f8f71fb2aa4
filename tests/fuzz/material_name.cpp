// Any bytes as a file name, zero bytes included, read as a material map's:
// the parser reads nothing outside the name (a heap copy of exactly its
// size), and what it finds lies within it in order: the stem, then the
// word the table spells, the size tag beside the word, then the extension.
// Letter case changes nothing.
#include <cstring>
#include <memory>

#include "platform/ascii.h"
#include "tests/fuzz/fuzz_support.h"
#include "texture/material_name.h"

namespace {

void checkParts(const char* name, std::size_t size, bool found, const texture::MapName& parsed) {
  if (found != (parsed.kind != texture::mapNone)) fuzzing::fail("answer and kind disagree");
  if (parsed.word == nullptr) fuzzing::fail("no word text");
  if (!found) {
    if (parsed.word[0] != '\0' || parsed.stemLength != 0 || parsed.wordLength != 0 || parsed.sizeLength != 0 ||
        parsed.sizeValue != 0) {
      fuzzing::fail("a name that is no map has parts");
    }
    return;
  }
  if (parsed.kind < texture::mapColour || parsed.kind >= texture::kMapKinds) fuzzing::fail("kind out of range");
  const std::size_t wordEnd = parsed.wordStart + parsed.wordLength;
  if (parsed.wordLength == 0 || wordEnd > size) fuzzing::fail("word outside the name");
  if (parsed.wordStart == 0 ? parsed.stemLength != 0 : parsed.stemLength >= parsed.wordStart) {
    fuzzing::fail("stem does not end before the word");
  }
  if (std::strlen(parsed.word) != parsed.wordLength) fuzzing::fail("word is not the table's");
  for (std::size_t i = 0; i < parsed.wordLength; ++i) {
    const char written = platform::lowerAscii(name[parsed.wordStart + i]);
    if (parsed.word[i] == '_' ? std::strchr("_-. ", written) == nullptr || written == '\0'
                              : written != parsed.word[i]) {
      fuzzing::fail("word spelled otherwise");
    }
  }
  std::size_t last = wordEnd;  // the extension's dot follows the word or the size tag
  if (parsed.sizeLength != 0) {
    const std::size_t sizeEnd = parsed.sizeStart + parsed.sizeLength;
    if (sizeEnd > size || parsed.sizeValue == 0) fuzzing::fail("size tag outside the name");
    if (parsed.sizeStart < parsed.stemLength || (sizeEnd > parsed.wordStart && parsed.sizeStart < wordEnd)) {
      fuzzing::fail("size tag inside the stem or the word");
    }
    if (parsed.sizeStart > wordEnd) last = sizeEnd;
  } else if (parsed.sizeValue != 0) {
    fuzzing::fail("a size without a tag");
  }
  if (last >= size || name[last] != '.' || std::memchr(name + last + 1, '.', size - last - 1) != nullptr) {
    fuzzing::fail("the word is not the last part before the extension");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  const std::unique_ptr<char[]> name(new char[size == 0 ? 1 : size]);
  if (size != 0) std::memcpy(name.get(), data, size);
  texture::MapName parsed;
  const bool found = texture::parseMapName(name.get(), size, &parsed);
  checkParts(name.get(), size, found, parsed);
  if (texture::mapKindName(parsed.kind) == nullptr) fuzzing::fail("kind without a name");

  for (std::size_t i = 0; i < size; ++i) name[i] = platform::upperAscii(name[i]);
  texture::MapName upper;
  if (texture::parseMapName(name.get(), size, &upper) != found || upper.kind != parsed.kind ||
      upper.word != parsed.word || upper.stemLength != parsed.stemLength ||
      upper.wordStart != parsed.wordStart || upper.sizeStart != parsed.sizeStart ||
      upper.sizeLength != parsed.sizeLength || upper.sizeValue != parsed.sizeValue) {
    fuzzing::fail("letter case changed the answer");
  }
  return 0;
}
