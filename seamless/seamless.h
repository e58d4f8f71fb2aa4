// Making a picture tile without a seam: the one entry point of this layer.
// The picture is changed in place; nothing of the caller is kept.
#pragma once

#include <cstdint>

#include "texture/texture_source.h"

namespace seamless {

// Rows packed without padding, row 0 first; 16-bit samples in the
// machine's byte order, 0 to 65535.
struct Picture {
  std::uint8_t* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t channels;     // 1 gray, 3 RGB
  std::int32_t sampleBytes;  // 1 or 2
};

enum class Method : std::int32_t {
  // Keep the periodic component of the periodic plus smooth decomposition:
  // every detail stays, the jumps across the borders are spread out as a
  // slow change over the whole picture.
  smooth = 0,
  // Cover the borders with a strip from the middle of the picture, joined
  // along the least visible path, then `smooth` what is left. For content
  // that breaks at the border (a plank, a joint) and would otherwise show a
  // soft step.
  cut = 1,
};

constexpr int kMethodCount = 2;
// Their words, by Method: texfill's --method and the GEGL operation's choice.
inline constexpr const char* kMethodNames[kMethodCount] = {"smooth", "cut"};

struct Options {
  Method method;
  // First divide out the large-scale change of brightness (a photograph
  // lit from one side), keeping the picture's mean.
  bool flatten;
};

// The caller's progress bar and stop button: the same callbacks a texture
// decode at open takes. Either may be null.
using Progress = texture::DecodeProgress;

enum class Outcome : std::int32_t {
  done = 0,
  refused = 1,      // see Refusal; the picture is untouched
  // The two below may leave the picture partly changed: drop it.
  outOfMemory = 2,
  aborted = 3,  // the caller asked to stop
};

enum class Refusal : std::int32_t {
  none = 0,
  noPixels = 1,      // null pixels, or a side below 1
  badLayout = 2,     // channels other than 1 or 3, sample bytes other than 1 or 2
  tooLarge = 3,      // a side above kMaxSide, or more than kMaxPixels pixels
};

struct Result {
  Outcome outcome;
  Refusal refusal;
};

// The largest pictures taken: the texture readers' sides, and a working
// set (8 bytes a pixel besides the picture) that a 64-bit process can hold.
constexpr std::int32_t kMaxSide = 32767;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

Result makeSeamless(Picture& picture, const Options& options, const Progress& progress);

// One line for a person: "done", or why not.
const char* describeResult(const Result& result);

}  // namespace seamless
