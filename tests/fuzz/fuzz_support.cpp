#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "host/entry.h"
#include "platform/platform.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "texture/info_line.h"
#include "texture/texture_source.h"
#include "texture/tiff_file.h"

namespace fuzzing {
namespace {

std::string makeDirectory() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") +
                        "/orielvmx-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) fail("cannot create a temporary directory");
  return pattern;
}

// Kept for the whole process (never destroyed), so that the exit handler
// that removes the directory still has its name.
const std::string& directory() {
  static const std::string* path = [] {
    auto* made = new std::string(makeDirectory());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(directory(), ignored);
    });
    return made;
  }();
  return *path;
}

bool isZero(const texture::TextureSource& source) {
  static const texture::TextureSource zero{};
  return std::memcmp(&source, &zero, sizeof source) == 0;
}

// The fill asks for one row at a time and stops at the first failure; the
// walk goes on past failures to reach later strips, within a budget, since
// after a failed decode every row of a compressed strip is decoded again
// from the strip's start.
constexpr long kScanlineBudgetPerRow = 8;
constexpr std::int32_t kRowsAtEachEnd = 1024;

}  // namespace

InputScope::InputScope() {
  host::attachModule(reinterpret_cast<void*>(1));
  platform::clearRecordedMessages();
  platform::test::limitAllocationSize(kAllocationLimit);
  platform::test::failAllocationAfter(0);
  platform::test::failReadAfter(0);
  blocksBefore_ = platform::test::blocksOutstanding();
}

InputScope::~InputScope() {
  platform::clearRecordedMessages();
  if (platform::test::blocksOutstanding() != blocksBefore_) fail("blocks of the core leaked");
}

void fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

std::string writeInputFile(const std::uint8_t* data, std::size_t size, const std::string& name) {
  const std::string path = directory() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) fail("cannot write the input file");
  return path;
}

void checkLongName(const std::string& path) {
  // Canaries on both sides of the 64-byte result, as the dialog's buffer
  // would sit among its neighbours.
  char guarded[texture::kLongNameBytes + 32];
  std::memset(guarded, 0x5A, sizeof guarded);
  char* result = guarded + 16;
  texture::textureLongName(path.c_str(), result);
  if (std::strlen(result) >= static_cast<std::size_t>(texture::kLongNameBytes)) {
    fail("long name not terminated inside its buffer");
  }
  for (int i = 0; i < 16; ++i) {
    if (guarded[i] != 0x5A || guarded[16 + texture::kLongNameBytes + i] != 0x5A) {
      fail("long name written outside its buffer");
    }
  }
}

void walkTexture(const std::string& path) {
  const char* name = path.c_str();
  texture::TextureInfo info{};
  const int described = texture::describeTexture(name, &info);
  if (!described && (info.width != 0 || info.height != 0)) fail("failed description keeps a size");
  if (std::strlen(texture::textureInfoLine(&info)) >= 128) fail("info line too long");
  texture::classifyTexturePath(name);
  texture::isHighResTexture(name);
  texture::isLowResTexture(name);

  texture::TextureSource source{};
  if (texture::openTextureSource(name, &source) == 0) {
    texture::releaseTextureSource(&source);
    if (!isZero(source)) fail("release after a failed open leaves fields behind");
    return;
  }
  const int holders = (source.tiff != nullptr) + (source.bmpFile > 0) + (source.decoded != nullptr);
  if (holders != 1) fail("open holds not exactly one file or decoded block");
  if (source.width <= 0 || source.height <= 0 || source.height > 32767) fail("open size out of range");
  if (source.bufferRowBytes != 3 * source.width || source.rowBytes < source.bufferRowBytes) {
    fail("row buffer smaller than a delivered row");
  }

  // Exactly the row buffer the fill allocates, so that ASan sees any row
  // written past it.
  auto* row = static_cast<std::uint8_t*>(
      platform::allocateMemory(static_cast<std::size_t>(source.rowBytes)));
  if (row != nullptr) {
    texture::prerollTiff(&source, source.height / 2);
    const long budget = texture::tiffScanlinesRead + kScanlineBudgetPerRow * source.height + 64;
    for (std::int32_t y = 0; y < source.height && texture::tiffScanlinesRead < budget; ++y) {
      // Taller textures: the first and last rows, where both storage
      // orders keep their edge cases, and not a file operation per row
      // in between.
      if (source.height > 2 * kRowsAtEachEnd && y == kRowsAtEachEnd) y = source.height - kRowsAtEachEnd;
      texture::readTextureRow(&source, row, y);
    }
    if (texture::readTextureRow(&source, row, -1) != 0) fail("row -1 was delivered");
    if (texture::readTextureRow(&source, row, source.height) != 0) fail("row height was delivered");
    platform::releaseMemory(row);
  }
  texture::releaseTextureSource(&source);
  if (!isZero(source)) fail("release leaves fields behind");
  texture::releaseTextureSource(&source);
}

void walkTextureWithReadFault(const std::string& path, std::size_t seed) {
  walkTexture(path);
  platform::test::failOneRead(static_cast<long>(seed % 7) + 1);
  walkTexture(path);
  platform::test::failReadAfter(0);
}

void pictureSize(const std::uint8_t* data, std::int64_t mostPixels, std::int32_t& width, std::int32_t& height) {
  width = data[0] | data[1] << 8;
  height = data[2] | data[3] << 8;
  if (width > 0 && height > 0 && std::int64_t{width} * height > mostPixels) {
    height = static_cast<std::int32_t>(mostPixels / width > 0 ? mostPixels / width : 1);
    if (std::int64_t{width} * height > mostPixels) width = static_cast<std::int32_t>(mostPixels);
  }
}

}  // namespace fuzzing
