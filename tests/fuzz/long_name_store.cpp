// Any bytes as the kept long-name file. A file taken in must write back out
// and be taken in again with as many entries; nothing of a refused file may
// reach the store.
#include "tests/fuzz/fuzz_support.h"
#include "texture/long_name_cache.h"
#include "texture/long_name_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  texture::forgetLongNames();
  const std::string path = fuzzing::writeInputFile(data, size, "kept.names");
  if (!texture::loadLongNames(path.c_str())) {
    if (texture::longNamesRemembered() != 0) fuzzing::fail("a refused file reached the store");
    texture::forgetLongNames();
    return 0;
  }
  const std::size_t entries = texture::longNamesRemembered();
  const std::string again = path + ".again";
  if (!texture::saveLongNames(again.c_str())) fuzzing::fail("a store taken in could not be written");
  texture::forgetLongNames();
  if (!texture::loadLongNames(again.c_str())) fuzzing::fail("a written store was refused");
  if (texture::longNamesRemembered() != entries) fuzzing::fail("entries lost in writing");
  texture::forgetLongNames();
  return 0;
}
