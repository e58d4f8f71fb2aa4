// Any bytes as a PNG or JPEG (by the first byte: 0xFF opens every JPEG)
// made into the chooser's thumbnail, then again with one of the first
// reads failing. The thumbnail record sits in a block of exactly its size,
// so that ASan sees a pixel written past it.
#include <memory>

#include "platform/posix/platform_posix_test.h"
#include "tests/fuzz/fuzz_support.h"
#include "texture/thumbnail.h"

namespace {

void makeAndCheck(const std::string& path) {
  auto thumbnail = std::make_unique<texture::Thumbnail>();
  if (!texture::makeThumbnail(path.c_str(), thumbnail.get())) return;
  if (thumbnail->width < 1 || thumbnail->width > texture::kThumbnailSide || thumbnail->height < 1 ||
      thumbnail->height > texture::kThumbnailSide) {
    fuzzing::fail("thumbnail size out of range");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  const bool jpeg = size > 0 && data[0] == 0xFF;
  const std::string path = fuzzing::writeInputFile(data, size, jpeg ? "thumbnail.jpg" : "thumbnail.png");
  makeAndCheck(path);
  platform::test::failOneRead(static_cast<long>(size % 5) + 1);
  makeAndCheck(path);
  platform::test::failReadAfter(0);
  return 0;
}
