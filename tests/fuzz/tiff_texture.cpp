// Any bytes as a TIFF texture: described, opened, every row read, released.
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  fuzzing::walkTexture(fuzzing::writeInputFile(data, size, "texture.tif"));
  return 0;
}
