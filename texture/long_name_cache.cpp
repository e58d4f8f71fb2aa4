#include "texture/long_name_cache.h"

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "texture/info_line.h"

namespace texture {

long longNamesRead = 0;

namespace {

// Open addressing at most three quarters full, so probes stay short.
constexpr std::size_t kSlots = 16384;
static_assert(kLongNameCacheEntries * 4 <= kSlots * 3, "the store must keep free slots");
constexpr std::size_t kPathBytes = 1024;

struct Entry {
  char* path;  // null: free slot
  std::uint32_t hash;
  int answer;
  platform::FileStamp stamp;
  char longName[kLongNameBytes];
};

Entry* slots = nullptr;
std::size_t used = 0;

std::uint32_t pathHash(const char* path) {
  std::uint32_t hash = 2166136261u;
  for (const char* c = path; *c != '\0'; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  return hash;
}

void emptyStore() {
  if (slots == nullptr) return;
  for (std::size_t i = 0; i < kSlots; ++i) platform::releaseMemory(slots[i].path);
  std::memset(slots, 0, kSlots * sizeof(Entry));
  used = 0;
}

// The entry for `path`, or the free slot where it belongs.
Entry* findSlot(const char* path, std::uint32_t hash) {
  for (std::size_t i = hash & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
    Entry* entry = &slots[i];
    if (entry->path == nullptr) return entry;
    if (entry->hash == hash && std::strcmp(entry->path, path) == 0) return entry;
  }
}

// Without memory for the store every name is simply read again.
bool haveStore() {
  if (slots != nullptr) return true;
  slots = static_cast<Entry*>(platform::allocateMemory(kSlots * sizeof(Entry)));
  if (slots == nullptr) return false;
  std::memset(slots, 0, kSlots * sizeof(Entry));
  return true;
}

int readLongName(const char* name, char* result) {
  ++longNamesRead;
  return textureLongName(name, result);
}

// The absolute path under which `name` is remembered and the file's stamp;
// false for missing files and directories, which are answered afresh: they
// cost no read.
bool keyOf(const char* name, char* path, platform::FileStamp* stamp) {
  return name != nullptr && platform::fullPath(name, path, kPathBytes) &&
         platform::fileStamp(path, stamp);
}

// The entry for `path` when the file is unchanged since it was read.
const Entry* remembered(const char* path, const platform::FileStamp& stamp) {
  const Entry* entry = findSlot(path, pathHash(path));
  if (entry->path == nullptr || entry->stamp.size != stamp.size ||
      entry->stamp.modified != stamp.modified) {
    return nullptr;
  }
  return entry;
}

void remember(const char* path, const platform::FileStamp& stamp, int answer, const char* result) {
  const std::uint32_t hash = pathHash(path);
  Entry* entry = findSlot(path, hash);
  if (entry->path == nullptr) {
    if (used == kLongNameCacheEntries) {
      emptyStore();
      entry = findSlot(path, hash);
    }
    const std::size_t length = std::strlen(path);
    entry->path = static_cast<char*>(platform::allocateMemory(length + 1));
    if (entry->path == nullptr) return;
    std::memcpy(entry->path, path, length + 1);
    entry->hash = hash;
    ++used;
  }
  entry->stamp = stamp;
  entry->answer = answer;
  std::memcpy(entry->longName, result, std::strlen(result) + 1);
}

void copyLongName(char* result, const Entry* entry) {
  std::memcpy(result, entry->longName, std::strlen(entry->longName) + 1);
}

// The files of a batch that the store did not hold, with what their
// reading needs and gives; one block, widest members first.
struct Misses {
  void* block;
  platform::FileStamp* stamps;
  std::size_t* indices;
  const char** names;
  int* answers;
  unsigned char* keyed;
  char* results;
  std::size_t count;
};

bool allocateMisses(std::size_t capacity, Misses* misses) {
  const std::size_t each = sizeof(platform::FileStamp) + sizeof(std::size_t) + sizeof(const char*) +
                           sizeof(int) + 1 + kLongNameBytes;
  if (capacity > static_cast<std::size_t>(-1) / each) return false;
  auto* bytes = static_cast<unsigned char*>(platform::allocateMemory(capacity * each));
  if (bytes == nullptr) return false;
  misses->block = bytes;
  misses->stamps = reinterpret_cast<platform::FileStamp*>(bytes);
  bytes += capacity * sizeof(platform::FileStamp);
  misses->indices = reinterpret_cast<std::size_t*>(bytes);
  bytes += capacity * sizeof(std::size_t);
  misses->names = reinterpret_cast<const char**>(bytes);
  bytes += capacity * sizeof(const char*);
  misses->answers = reinterpret_cast<int*>(bytes);
  bytes += capacity * sizeof(int);
  misses->keyed = bytes;
  misses->results = reinterpret_cast<char*>(bytes + capacity);
  misses->count = 0;
  return true;
}

}  // namespace

int cachedTextureLongName(const char* name, char* result) {
  char path[kPathBytes];
  platform::FileStamp stamp{};
  if (result == nullptr || !keyOf(name, path, &stamp) || !haveStore()) {
    return readLongName(name, result);
  }
  if (const Entry* entry = remembered(path, stamp)) {
    copyLongName(result, entry);
    return entry->answer;
  }
  const int answer = readLongName(name, result);
  remember(path, stamp, answer, result);
  return answer;
}

bool cachedTextureLongNames(std::size_t count, const char* const* names, char* results,
                            int* answers, LongNameReader readMissing) {
  if (count == 0) return true;
  Misses misses{};
  if (names == nullptr || results == nullptr || answers == nullptr || readMissing == nullptr ||
      !allocateMisses(count, &misses)) {
    return false;
  }
  const bool store = haveStore();
  char path[kPathBytes];
  for (std::size_t i = 0; i < count; ++i) {
    platform::FileStamp stamp{};
    const bool keyed = store && keyOf(names[i], path, &stamp);
    if (keyed) {
      if (const Entry* entry = remembered(path, stamp)) {
        copyLongName(results + i * kLongNameBytes, entry);
        answers[i] = entry->answer;
        continue;
      }
    }
    const std::size_t m = misses.count++;
    misses.stamps[m] = stamp;
    misses.indices[m] = i;
    misses.names[m] = names[i];
    misses.keyed[m] = keyed ? 1 : 0;
  }
  if (misses.count > 0) readMissing(misses.count, misses.names, misses.results, misses.answers);
  for (std::size_t m = 0; m < misses.count; ++m) {
    ++longNamesRead;
    const char* longName = misses.results + m * kLongNameBytes;
    const std::size_t i = misses.indices[m];
    std::memcpy(results + i * kLongNameBytes, longName, std::strlen(longName) + 1);
    answers[i] = misses.answers[m];
    if (misses.keyed[m] && platform::fullPath(names[i], path, kPathBytes)) {
      remember(path, misses.stamps[m], misses.answers[m], longName);
    }
  }
  platform::releaseMemory(misses.block);
  return true;
}

void forgetLongNames() {
  emptyStore();
  platform::releaseMemory(slots);
  slots = nullptr;
}

}  // namespace texture
