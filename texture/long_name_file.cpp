#include "texture/long_name_file.h"

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "platform/utf8.h"
#include "texture/fnv1a.h"
#include "texture/info_line.h"
#include "texture/little_endian.h"
#include "texture/long_name_cache.h"

namespace texture {
namespace {

constexpr char kMagic[8] = {'O', 'V', 'M', 'X', 'L', 'N', '2', '\n'};
// Files of the earlier releases: the same format, paths in the ANSI code page.
constexpr char kAnsiMagic[8] = {'O', 'V', 'M', 'X', 'L', 'N', '1', '\n'};
constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kMaxPathBytes = 1023;
constexpr std::size_t kFixedEntryBytes = 2 + 8 + 8 + 1 + 1;
constexpr std::size_t kMaxEntryBytes = kFixedEntryBytes + kMaxPathBytes + kLongNameBytes - 1;
constexpr std::size_t kMaxBodyBytes = kLongNameCacheEntries * kMaxEntryBytes;

struct Entry {
  char path[kMaxPathBytes + 1];
  platform::FileStamp stamp;
  int answer;
  char longName[kLongNameBytes];
  bool usable;  // false for an ANSI path that is not plain ASCII
};

bool isAscii(const char* text) {
  for (; *text != '\0'; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

// One entry from `body` at `*offset`, which moves past it; false when the
// entry breaks the format. A UTF-8 file's paths must be well formed; of an
// ANSI file's, only those in plain ASCII (the same bytes in UTF-8) are
// usable, and the others are read again when listed.
bool parseEntry(const std::uint8_t* body, std::size_t size, std::size_t* offset, bool ansi, Entry* entry) {
  std::size_t at = *offset;
  if (size - at < 2) return false;
  const std::size_t pathBytes = readLittle16(body + at);
  at += 2;
  if (pathBytes == 0 || pathBytes > kMaxPathBytes || size - at < pathBytes + kFixedEntryBytes - 2) return false;
  if (std::memchr(body + at, '\0', pathBytes) != nullptr) return false;
  std::memcpy(entry->path, body + at, pathBytes);
  entry->path[pathBytes] = '\0';
  entry->usable = ansi ? isAscii(entry->path) : platform::isUtf8(entry->path);
  if (!ansi && !entry->usable) return false;
  at += pathBytes;
  entry->stamp.size = readLittle64(body + at);
  entry->stamp.modified = readLittle64(body + at + 8);
  entry->answer = body[at + 16];
  const std::size_t nameBytes = body[at + 17];
  at += 18;
  if (entry->answer > 1 || nameBytes >= static_cast<std::size_t>(kLongNameBytes) || size - at < nameBytes) {
    return false;
  }
  if (std::memchr(body + at, '\0', nameBytes) != nullptr) return false;
  std::memcpy(entry->longName, body + at, nameBytes);
  entry->longName[nameBytes] = '\0';
  *offset = at + nameBytes;
  return true;
}

// Every entry of the body, or none: the first pass only checks.
bool takeEntries(const std::uint8_t* body, std::size_t size, std::uint32_t count, bool ansi, bool remember) {
  Entry entry;
  std::size_t offset = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!parseEntry(body, size, &offset, ansi, &entry)) return false;
    // A full store keeps what it has; the rest is read again when listed.
    if (remember && entry.usable && !rememberLongName(entry.path, entry.stamp, entry.answer, entry.longName)) return true;
  }
  return offset == size;
}

bool readBody(const char* path, std::uint8_t** body, std::size_t* size, std::uint32_t* count, bool* ansi) {
  const platform::FileHandle file = platform::openFileForReading(path);
  if (file <= 0) return false;
  std::uint8_t header[kHeaderBytes];
  bool ok = platform::readFile(file, header, sizeof header) == static_cast<std::int32_t>(sizeof header);
  *ansi = ok && std::memcmp(header, kAnsiMagic, sizeof kAnsiMagic) == 0;
  ok = ok && (*ansi || std::memcmp(header, kMagic, sizeof kMagic) == 0);
  if (ok) {
    *count = readLittle32(header + 8);
    *size = readLittle32(header + 12);
    ok = *count <= kLongNameCacheEntries && *size <= kMaxBodyBytes && *size <= *count * kMaxEntryBytes &&
         *size >= *count * (kFixedEntryBytes + 1);
  }
  if (ok) {
    // One byte more than the body, to tell a file that goes on past it.
    *body = static_cast<std::uint8_t*>(platform::allocateMemory(*size + 1));
    ok = *body != nullptr &&
         platform::readFile(file, *body, static_cast<std::uint32_t>(*size + 1)) == static_cast<std::int32_t>(*size) &&
         fnv1a(*body, *size) == readLittle32(header + 16);
    if (!ok) {
      platform::releaseMemory(*body);
      *body = nullptr;
    }
  }
  platform::closeFile(file);
  return ok;
}

// The entries the store writes, as appendEntry would write them.
bool writable(const char* path, int answer, const char* longName) {
  const std::size_t pathBytes = std::strlen(path);
  return pathBytes != 0 && pathBytes <= kMaxPathBytes && platform::isUtf8(path) &&
         std::strlen(longName) < static_cast<std::size_t>(kLongNameBytes) && (answer == 0 || answer == 1);
}

void addEntryBytes(void* context, const char* path, const platform::FileStamp&, int answer, const char* longName) {
  if (writable(path, answer, longName)) {
    *static_cast<std::size_t*>(context) += kFixedEntryBytes + std::strlen(path) + std::strlen(longName);
  }
}

struct Writer {
  std::uint8_t* bytes;
  std::size_t used;
  std::uint32_t count;
};

void appendEntry(void* context, const char* path, const platform::FileStamp& stamp, int answer,
                 const char* longName) {
  auto* writer = static_cast<Writer*>(context);
  if (!writable(path, answer, longName)) return;
  const std::size_t pathBytes = std::strlen(path);
  const std::size_t nameBytes = std::strlen(longName);
  std::uint8_t* at = writer->bytes + writer->used;
  writeLittle16(at, static_cast<std::uint16_t>(pathBytes));
  std::memcpy(at + 2, path, pathBytes);
  at += 2 + pathBytes;
  writeLittle64(at, stamp.size);
  writeLittle64(at + 8, stamp.modified);
  at[16] = static_cast<std::uint8_t>(answer);
  at[17] = static_cast<std::uint8_t>(nameBytes);
  std::memcpy(at + 18, longName, nameBytes);
  writer->used += kFixedEntryBytes + pathBytes + nameBytes;
  ++writer->count;
}

}  // namespace

bool loadLongNames(const char* path) {
  if (path == nullptr) return false;
  std::uint8_t* body = nullptr;
  std::size_t size = 0;
  std::uint32_t count = 0;
  bool ansi = false;
  if (!readBody(path, &body, &size, &count, &ansi)) return false;
  const bool ok = takeEntries(body, size, count, ansi, false);
  if (ok) takeEntries(body, size, count, ansi, true);
  platform::releaseMemory(body);
  return ok;
}

namespace {

bool writeBlock(const char* temporaryPath, void* context) {
  const Writer& writer = *static_cast<const Writer*>(context);
  const platform::FileHandle file = platform::createFileForWriting(temporaryPath);
  if (file <= 0) return false;
  const bool written = platform::writeFile(file, writer.bytes, static_cast<std::uint32_t>(writer.used));
  platform::closeFile(file);
  return written;
}

}  // namespace

bool saveLongNames(const char* path) {
  if (path == nullptr || std::strlen(path) > kMaxPathBytes) return false;
  std::size_t bytes = kHeaderBytes;
  visitLongNames(addEntryBytes, &bytes);
  Writer writer{static_cast<std::uint8_t*>(platform::allocateMemory(bytes)), kHeaderBytes, 0};
  if (writer.bytes == nullptr) return false;
  visitLongNames(appendEntry, &writer);
  std::memcpy(writer.bytes, kMagic, sizeof kMagic);
  writeLittle32(writer.bytes + 8, writer.count);
  writeLittle32(writer.bytes + 12, static_cast<std::uint32_t>(writer.used - kHeaderBytes));
  writeLittle32(writer.bytes + 16, fnv1a(writer.bytes + kHeaderBytes, writer.used - kHeaderBytes));

  const bool ok = platform::writeFileReplacing(path, writeBlock, &writer);
  platform::releaseMemory(writer.bytes);
  if (ok) markLongNamesKept();
  return ok;
}

}  // namespace texture
