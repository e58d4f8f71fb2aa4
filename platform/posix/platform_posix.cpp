// POSIX implementation of the platform layer, for native builds, tests and the
// command-line tools. Message boxes are recorded instead of shown; the string
// table is compiled in from the same list the resource script uses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "resources/string_table.h"

namespace {

std::vector<platform::RecordedMessage>& recorded() {
  static std::vector<platform::RecordedMessage> list;
  return list;
}

// Counts the attempts at one kind of operation and tells which of them the
// test wants to fail. Atomic: fills allocate on their worker threads too.
struct InjectedFailures {
  std::atomic<long> attempts{0};
  std::atomic<long> failAt{0};  // absolute attempt number from which to fail; 0: never
  std::atomic<bool> once{false};

  // Counts an attempt; true when it is to fail.
  bool nextFails() {
    const long attempt = ++attempts;
    const long from = failAt.load();
    if (from == 0) return false;
    return once.load() ? attempt == from : attempt >= from;
  }
  // The k-th attempt from now (1-based) fails, and every later one unless
  // `onlyOnce`; k = 0 turns failures off.
  void failFrom(long k, bool onlyOnce) {
    failAt = k > 0 ? attempts + k : 0;
    once = onlyOnce;
  }
};

InjectedFailures allocations;
InjectedFailures reads;
std::size_t allocationLimit = 0;  // larger requests fail; 0: no limit
std::atomic<long> outstanding{0};

bool allocationShouldFail(std::size_t size) {
  // Counted even when the size limit refuses it.
  const bool injected = allocations.nextFails();
  return (allocationLimit != 0 && size > allocationLimit) || injected;
}

// Blocks carry their size in front so that resize and release can keep count.
constexpr std::size_t kHeader = 16;

}  // namespace

namespace platform {

WindowHandle activeWindow() { return nullptr; }

int messageBox(WindowHandle, const char* text, const char* caption, unsigned type) {
  recorded().push_back({text ? text : "", caption ? caption : "", type});
  return 1;  // IDOK
}

int loadString(ModuleHandle, unsigned id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  for (const resources::StringTableRow& entry : resources::kStringTable) {
    if (entry.id != id) continue;
    std::size_t length = std::strlen(entry.text);
    if (length > static_cast<std::size_t>(size - 1)) length = static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, entry.text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
  }
  return 0;
}

bool pathExists(const char* path) {
  struct stat info;
  return path != nullptr && path[0] != '\0' && ::stat(path, &info) == 0;
}

char pathSeparator() { return '/'; }

bool createFolder(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  struct stat info;
  return ::mkdir(path, 0700) == 0 || (::stat(path, &info) == 0 && S_ISDIR(info.st_mode));
}

bool fileStamp(const char* path, FileStamp* stamp) {
  struct stat info;
  if (path == nullptr || stamp == nullptr || ::stat(path, &info) != 0 || S_ISDIR(info.st_mode)) {
    return false;
  }
  stamp->size = static_cast<std::uint64_t>(info.st_size);
  stamp->modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                    static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
  return true;
}

bool fullPath(const char* path, char* buffer, std::size_t size) {
  if (path == nullptr || buffer == nullptr || size == 0) return false;
  std::size_t used = 0;
  if (path[0] != '/') {
    if (::getcwd(buffer, size) == nullptr) return false;
    used = std::strlen(buffer);
    if (used + 1 >= size) return false;
    if (used == 0 || buffer[used - 1] != '/') buffer[used++] = '/';
  }
  const std::size_t length = std::strlen(path);
  if (used + length >= size) return false;
  std::memcpy(buffer + used, path, length + 1);
  return true;
}

FileHandle openFileForReading(const char* path) {
  if (path == nullptr) return kFileError;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kFileError;
  // Descriptor 0 would read as "no file" to callers; move it out of the way.
  if (fd == 0) {
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) return kFileError;
    fd = moved;
  }
  return fd;
}

std::int32_t seekFile(FileHandle file, std::int32_t offset) {
  if (file <= 0 || offset < 0) return -1;
  off_t position = ::lseek(file, offset, SEEK_SET);
  return position < 0 ? -1 : static_cast<std::int32_t>(position);
}

std::int32_t readFile(FileHandle file, void* buffer, std::uint32_t count) {
  if (reads.nextFails()) return -1;
  if (file <= 0 || buffer == nullptr) return -1;
  if (count > static_cast<std::uint32_t>(INT32_MAX)) count = INT32_MAX;
  std::uint32_t done = 0;
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (done < count) {
    ssize_t n = ::read(file, bytes + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? static_cast<std::int32_t>(done) : -1;
    }
    if (n == 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  return static_cast<std::int32_t>(done);
}

void closeFile(FileHandle file) {
  if (file > 0) ::close(file);
}

FileHandle createFileForWriting(const char* path) {
  if (path == nullptr) return kFileError;
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd <= 0) {
    if (fd == 0) ::close(fd);
    return kFileError;
  }
  return fd;
}

bool writeFile(FileHandle file, const void* buffer, std::uint32_t count) {
  if (file <= 0 || buffer == nullptr) return false;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(file, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool replaceFile(const char* from, const char* to) {
  return from != nullptr && to != nullptr && std::rename(from, to) == 0;
}

bool deleteFile(const char* path) { return path != nullptr && ::unlink(path) == 0; }

std::uint32_t processNumber() { return static_cast<std::uint32_t>(::getpid()); }

CursorHandle showWaitCursor() { return nullptr; }
void restoreCursor(CursorHandle) {}

void* allocateMemory(std::size_t size) {
  if (allocationShouldFail(size)) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &size, sizeof size);
  ++outstanding;
  return block + kHeader;
}

void* resizeMemory(void* block, std::size_t size) {
  if (block == nullptr) return allocateMemory(size);
  if (allocationShouldFail(size)) return nullptr;
  auto* base = static_cast<unsigned char*>(block) - kHeader;
  auto* grown = static_cast<unsigned char*>(std::realloc(base, size + kHeader));
  if (grown == nullptr) return nullptr;
  std::memcpy(grown, &size, sizeof size);
  return grown + kHeader;
}

void releaseMemory(void* block) {
  if (block == nullptr) return;
  --outstanding;
  std::free(static_cast<unsigned char*>(block) - kHeader);
}

}  // namespace platform

namespace platform {

const std::vector<RecordedMessage>& recordedMessages() { return recorded(); }
void clearRecordedMessages() { recorded().clear(); }

}  // namespace platform

namespace platform::test {

void failAllocationAfter(long k) { allocations.failFrom(k, false); }
void failOneAllocation(long k) { allocations.failFrom(k, true); }
void limitAllocationSize(std::size_t bytes) { allocationLimit = bytes; }
long allocationsMade() { return allocations.attempts; }
long blocksOutstanding() { return outstanding; }

void failReadAfter(long k) { reads.failFrom(k, false); }
void failOneRead(long k) { reads.failFrom(k, true); }
long readsMade() { return reads.attempts; }

}  // namespace platform::test
