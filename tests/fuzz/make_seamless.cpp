// A picture of fuzzed size, layout and contents made seamless. The first 8
// bytes: width (2, little-endian), height (2), channels, sample bytes,
// options (bits 0-1 method, 2 flatten, 3-7 the progress report at which
// the caller stops, 0 never); the rest are the samples, repeated to fill
// the picture. The picture lies in a heap block of exactly its size.
#include <cstdint>
#include <cstring>
#include <memory>

#include "seamless/seamless.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Stop {
  int reports = 0;
  int at = 0;
};

// Pictures past this many pixels are cut down in height: the transforms
// are what costs, and their sizes, not their area, are what varies.
constexpr std::int64_t kMostPixels = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  fuzzing::InputScope scope;
  std::int32_t width = 0;
  std::int32_t height = 0;
  fuzzing::pictureSize(data, kMostPixels, width, height);
  const std::int32_t channels = data[4] % 5;
  const std::int32_t sampleBytes = data[5] % 4;
  const seamless::Options options{static_cast<seamless::Method>(data[6] & 3), (data[6] & 4) != 0};
  Stop stop{0, data[6] >> 3};
  const std::int64_t bytes = std::int64_t{width > 0 ? width : 0} * (height > 0 ? height : 0) * channels * sampleBytes;
  std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[bytes > 0 ? bytes : 1]);
  const std::uint8_t* samples = data + 8;
  const std::size_t sampleCount = size - 8;
  for (std::int64_t i = 0; i < bytes; ++i) pixels[i] = sampleCount > 0 ? samples[i % sampleCount] : 0;
  std::uint8_t first[6] = {};
  std::memcpy(first, pixels.get(), bytes < 6 ? static_cast<std::size_t>(bytes > 0 ? bytes : 0) : 6);

  seamless::Picture picture{pixels.get(), width, height, channels, sampleBytes};
  const seamless::Progress progress{
      [](void* context, std::int32_t done, std::int32_t total) {
        if (done < 0 || done > total) fuzzing::fail("progress outside 0 .. total");
        ++static_cast<Stop*>(context)->reports;
      },
      [](void* context) {
        const auto* s = static_cast<Stop*>(context);
        return s->at != 0 && s->reports >= s->at;
      },
      &stop};
  const seamless::Result result = seamless::makeSeamless(picture, options, progress);
  switch (result.outcome) {
    case seamless::Outcome::done:
      if (result.refusal != seamless::Refusal::none) fuzzing::fail("done with a refusal");
      // One pixel is periodic as it is.
      if (std::int64_t{width} * height == 1 && std::memcmp(first, pixels.get(), static_cast<std::size_t>(bytes)) != 0) {
        fuzzing::fail("a single pixel changed");
      }
      break;
    case seamless::Outcome::refused:
      if (result.refusal == seamless::Refusal::none) fuzzing::fail("refused without a reason");
      if (stop.reports != 0) fuzzing::fail("refused after starting");
      break;
    case seamless::Outcome::aborted:
      if (stop.at == 0) fuzzing::fail("aborted unasked");
      break;
    case seamless::Outcome::outOfMemory:
      break;
    default:
      fuzzing::fail("unknown outcome");
  }
  return 0;
}
