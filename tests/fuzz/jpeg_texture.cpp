// Any bytes as a JPEG texture: long name, described, decoded at open, every
// row read, released. A second walk fails one of the first reads (picked by
// the input's length), so that a read failing inside libjpeg's source
// manager is reached, not only a short file.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  const std::string path = fuzzing::writeInputFile(data, size, "texture.jpg");
  fuzzing::checkLongName(path);
  fuzzing::walkTextureWithReadFault(path, size);
  return 0;
}
