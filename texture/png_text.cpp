#include <zlib.h>

#include <cstring>

#include "platform/platform.h"
#include "texture/png_file.h"

namespace texture {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Text chunks longer than this are passed over: a title is a line, not a
// document.
constexpr std::uint32_t kLongestTextChunk = 1 << 20;

std::uint32_t readBig32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

bool readExactly(platform::FileHandle file, void* buffer, std::uint32_t count) {
  return platform::readFile(file, buffer, count) == static_cast<std::int32_t>(count);
}

// Copies at most bytes - 1 bytes of `text` (ending at a zero or at `length`).
void copyText(const std::uint8_t* text, std::size_t length, char* out, std::size_t bytes) {
  std::size_t n = 0;
  for (; n + 1 < bytes && n < length && text[n] != 0; ++n) out[n] = static_cast<char>(text[n]);
  out[n] = '\0';
}

// Inflates the start of a compressed text: only the first bytes are kept.
bool inflateText(const std::uint8_t* data, std::size_t length, char* out, std::size_t bytes) {
  std::uint8_t start[256];
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(length);
  stream.next_out = start;
  stream.avail_out = sizeof start;
  const int status = inflate(&stream, Z_SYNC_FLUSH);
  const std::size_t produced = sizeof start - stream.avail_out;
  inflateEnd(&stream);
  if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return false;
  copyText(start, produced, out, bytes);
  return true;
}

// The text of a tEXt, zTXt or iTXt chunk's data whose keyword is `keyword`.
bool chunkText(const std::uint8_t* type, const std::uint8_t* data, std::size_t length,
               const char* keyword, char* out, std::size_t bytes) {
  const std::size_t keyLength = std::strlen(keyword);
  if (length <= keyLength || std::memcmp(data, keyword, keyLength) != 0 || data[keyLength] != 0) {
    return false;
  }
  const std::uint8_t* rest = data + keyLength + 1;
  std::size_t left = length - keyLength - 1;
  if (std::memcmp(type, "tEXt", 4) == 0) {
    copyText(rest, left, out, bytes);
    return true;
  }
  if (std::memcmp(type, "zTXt", 4) == 0) {
    return left >= 1 && rest[0] == 0 && inflateText(rest + 1, left - 1, out, bytes);
  }
  // iTXt: compression flag and method, then language tag and translated
  // keyword, each ending at a zero.
  if (left < 2) return false;
  const bool compressed = rest[0] != 0;
  rest += 2;
  left -= 2;
  for (int field = 0; field < 2; ++field) {
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(rest, 0, left));
    if (end == nullptr) return false;
    left -= static_cast<std::size_t>(end - rest) + 1;
    rest = end + 1;
  }
  if (!compressed) {
    copyText(rest, left, out, bytes);
    return true;
  }
  return inflateText(rest, left, out, bytes);
}

bool isTextChunk(const std::uint8_t* type) {
  return std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 ||
         std::memcmp(type, "iTXt", 4) == 0;
}

// Walks the chunks up to IEND; a title ends the walk, a description is kept
// in case no title follows.
bool findText(platform::FileHandle file, char* text, std::size_t bytes) {
  std::uint8_t signature[8];
  if (!readExactly(file, signature, sizeof signature) ||
      std::memcmp(signature, kSignature, sizeof signature) != 0) {
    return false;
  }
  std::int64_t position = sizeof signature;
  bool haveDescription = false;
  for (;;) {
    std::uint8_t header[8];
    if (!readExactly(file, header, sizeof header)) break;
    const std::uint32_t length = readBig32(header);
    const std::uint8_t* type = header + 4;
    if (std::memcmp(type, "IEND", 4) == 0 || length > 0x7FFFFFFFu) break;
    const std::int64_t next = position + 8 + std::int64_t{length} + 4;
    if (isTextChunk(type) && length <= kLongestTextChunk) {
      auto* data = static_cast<std::uint8_t*>(platform::allocateMemory(length + 1));
      if (data == nullptr) break;
      const bool read = readExactly(file, data, length);
      bool title = false;
      if (read) {
        title = chunkText(type, data, length, "Title", text, bytes);
        if (!title && !haveDescription) {
          haveDescription = chunkText(type, data, length, "Description", text, bytes);
        }
      }
      platform::releaseMemory(data);
      if (!read) break;
      if (title) return true;
    }
    if (next > 0x7FFFFFFF || platform::seekFile(file, static_cast<std::int32_t>(next)) != next) break;
    position = next;
  }
  return haveDescription;
}

}  // namespace

bool pngLongText(const char* path, char* text, std::size_t bytes) {
  if (path == nullptr || text == nullptr || bytes == 0) return false;
  text[0] = '\0';
  const platform::FileHandle file = platform::openFileForReading(path);
  if (file <= 0) return false;
  const bool found = findText(file, text, bytes);
  platform::closeFile(file);
  if (!found) text[0] = '\0';
  return found;
}

}  // namespace texture
