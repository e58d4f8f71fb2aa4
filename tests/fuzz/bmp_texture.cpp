// Any bytes as a BMP texture: described, opened, every row read, released.
// BMP reads go through the platform layer, so a second walk fails one of the
// first reads (picked by the input's length) to reach the read-error paths.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  const std::string path = fuzzing::writeInputFile(data, size, "texture.bmp");
  fuzzing::walkTextureWithReadFault(path, size);
  return 0;
}
