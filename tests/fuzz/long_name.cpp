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

  fuzzing::checkLongName(path);

  texture::TextureInfo info{};
  texture::describeTexture(path.c_str(), &info);
  const char* line = texture::textureInfoLine(&info);
  if (std::strlen(line) >= 128) fuzzing::fail("info line too long");
  return 0;
}
