// Any bytes as a file of the texture library's list: the long name the list
// shows and the info line under the preview, for every extension the
// classification tells apart.
#include <cstring>

#include "tests/fuzz/fuzz_support.h"
#include "texture/info_line.h"
#include "texture/texture_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  static const char* const kNames[] = {"library.tif", "library.bmp", "library.lrt", "library"};
  const char* name = kNames[size % 4];
  const std::string path = fuzzing::writeInputFile(data, size, name);

  // Canaries on both sides of the 64-byte result, as the dialog's buffer
  // would sit among its neighbours.
  char guarded[texture::kLongNameBytes + 32];
  std::memset(guarded, 0x5A, sizeof guarded);
  char* result = guarded + 16;
  texture::textureLongName(path.c_str(), result);
  if (std::strlen(result) >= static_cast<std::size_t>(texture::kLongNameBytes)) {
    fuzzing::fail("long name not terminated inside its buffer");
  }
  for (int i = 0; i < 16; ++i) {
    if (guarded[i] != 0x5A || guarded[16 + texture::kLongNameBytes + i] != 0x5A) {
      fuzzing::fail("long name written outside its buffer");
    }
  }

  texture::TextureInfo info{};
  texture::describeTexture(path.c_str(), &info);
  const char* line = texture::textureInfoLine(&info);
  if (std::strlen(line) >= 128) fuzzing::fail("info line too long");
  return 0;
}
