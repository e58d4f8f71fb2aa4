#include "texture/long_name_cache.h"

#include <cstdint>
#include <cstring>

#include "platform/platform.h"
#include "texture/fnv1a.h"
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
bool changed = false;

std::uint32_t pathHash(const char* path) { return fnv1a(path, std::strlen(path)); }

void emptyStore() {
  if (slots == nullptr) return;
  for (std::size_t i = 0; i < kSlots; ++i) platform::releaseMemory(slots[i].path);
  std::memset(slots, 0, kSlots * sizeof(Entry));
  used = 0;
  changed = false;
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

// Gives a free slot `entry` the path; false without memory for it.
bool takeSlot(Entry* entry, const char* path, std::uint32_t hash) {
  const std::size_t length = std::strlen(path);
  entry->path = static_cast<char*>(platform::allocateMemory(length + 1));
  if (entry->path == nullptr) return false;
  std::memcpy(entry->path, path, length + 1);
  entry->hash = hash;
  ++used;
  return true;
}

void fillEntry(Entry* entry, const platform::FileStamp& stamp, int answer, const char* longName) {
  entry->stamp = stamp;
  entry->answer = answer;
  std::memcpy(entry->longName, longName, std::strlen(longName) + 1);
}

}  // namespace

int cachedTextureLongName(const char* name, char* result) {
  char path[kPathBytes];
  platform::FileStamp stamp{};
  // Missing files and directories are answered afresh: they cost no read.
  if (name == nullptr || result == nullptr || !platform::fullPath(name, path, sizeof path) ||
      !platform::fileStamp(path, &stamp) || !haveStore()) {
    return readLongName(name, result);
  }
  const std::uint32_t hash = pathHash(path);
  Entry* entry = findSlot(path, hash);
  if (entry->path != nullptr && platform::sameStamp(entry->stamp, stamp)) {
    std::memcpy(result, entry->longName, std::strlen(entry->longName) + 1);
    return entry->answer;
  }
  const int answer = readLongName(name, result);
  if (entry->path == nullptr) {
    if (used == kLongNameCacheEntries) {
      emptyStore();
      entry = findSlot(path, hash);
    }
    if (!takeSlot(entry, path, hash)) return answer;
  }
  fillEntry(entry, stamp, answer, result);
  changed = true;
  return answer;
}

bool rememberLongName(const char* path, const platform::FileStamp& stamp, int answer, const char* longName) {
  if (path == nullptr || longName == nullptr || std::strlen(path) >= kPathBytes ||
      std::strlen(longName) >= static_cast<std::size_t>(kLongNameBytes) || !haveStore()) {
    return false;
  }
  const std::uint32_t hash = pathHash(path);
  Entry* entry = findSlot(path, hash);
  if (entry->path != nullptr) return true;
  if (used == kLongNameCacheEntries || !takeSlot(entry, path, hash)) return false;
  fillEntry(entry, stamp, answer, longName);
  return true;
}

void visitLongNames(LongNameVisitor visit, void* context) {
  if (slots == nullptr) return;
  for (std::size_t i = 0; i < kSlots; ++i) {
    const Entry& entry = slots[i];
    if (entry.path != nullptr) visit(context, entry.path, entry.stamp, entry.answer, entry.longName);
  }
}

std::size_t longNamesRemembered() { return used; }

bool longNamesChanged() { return changed; }

void markLongNamesKept() { changed = false; }

void forgetLongNames() {
  emptyStore();
  platform::releaseMemory(slots);
  slots = nullptr;
}

}  // namespace texture
