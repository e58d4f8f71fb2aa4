// Shared by the fuzz targets: a private file for each input, the checks every
// input must pass however hostile it is (no block left behind, nothing left
// open), and the texture walk the file-format targets share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The plug-in's allocations above this fail, as they may in a 32-bit host's
// crowded address space. A header that merely claims a row of millions of
// pixels then costs a refused allocation instead of seconds of padding, and
// the out-of-memory paths get their share of inputs.
constexpr std::size_t kAllocationLimit = std::size_t{16} << 20;

// Starts one input: module attached (so messages are shown and counted),
// messages cleared, allocation limit set, blocks counted. On destruction
// checks that every block of the core came back; a leak aborts, so that
// both libFuzzer and the replay report the input.
class InputScope {
 public:
  InputScope();
  ~InputScope();
  InputScope(const InputScope&) = delete;
  InputScope& operator=(const InputScope&) = delete;

 private:
  long blocksBefore_;
};

// The picture size in an input's first four bytes (width, then height, 16
// bits each, low byte first); a picture of more than `mostPixels` is cut
// down in height (and a single row still too long, in width).
void pictureSize(const std::uint8_t* data, std::int64_t mostPixels, std::int32_t& width, std::int32_t& height);

// Writes the input to `name` inside a private directory made once per
// process (removed at exit) and answers the path.
std::string writeInputFile(const std::uint8_t* data, std::size_t size, const std::string& name);

// The long name the library's list shows for `path`, into a buffer with
// canaries on both sides; aborts when it is unterminated or overruns.
void checkLongName(const std::string& path);

// Describes, classifies and opens `path` as a texture, then reads every row
// (of a texture over 2048 rows high, the first and last 1024) into a buffer
// of exactly the row-buffer size, as the fill does, and releases it twice.
// Aborts when an invariant of the open record breaks.
void walkTexture(const std::string& path);

// walkTexture, then again with one of the first reads failing (which one
// picked by `seed`, the input's length), for readers that go through the
// platform's file operations.
void walkTextureWithReadFault(const std::string& path, std::size_t seed);

// Stops the process with `what` on stderr: the fuzzer reports it as a crash.
[[noreturn]] void fail(const char* what);

}  // namespace fuzzing
