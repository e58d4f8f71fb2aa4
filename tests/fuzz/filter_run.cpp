// A whole filter run through ENTRYPOINT1 with a fuzzed host record and a
// fuzzed texture. The host hands over each band in a buffer of exactly the
// size the band needs, filled with canary bytes, so that ASan sees a write
// past the band and the canaries show a write between its rows or into a
// plane the fill does not own. That per-byte control over every band, and
// the check of the whole record after every call, are why it builds its
// calls itself rather than through the host driver the other hosts share.
//
// Input: a 32-byte header, then the texture file's bytes.
//   0     flags: bits 0-1 file name (texture.tif, .bmp, .lrt, no extension);
//         bit 2 no abortProc; bit 3 no progressProc; bit 4 no platformData;
//         bit 5 selectors from the script; bit 6 planes and mode change
//         after Start (bytes 30, 31); bit 7 the host moves the edges of
//         outRect by -2 .. 2 before each Continue (bytes 22-25, when there
//         is no script)
//   1, 2  sizeChoice, tileOrigin (signed)
//   3     bits 0-1 chooser answer: 0 chosen, 1 cancelled, 2 failed (mod 3);
//         bits 2-3 repeat (tile, mirror, without repetition, tile); bits
//         4-7 one of Preferences' scales, angles and offsets (0: none)
//   4-11  filterRect top, left, bottom, right (16-bit little-endian)
//   12-15 planes, imageMode (16-bit)
//   16-19 outRowBytes minus the band's width x planes (32-bit)
//   20    abortProc answers true from this call on (255: never)
//   21    most Continue calls (0: 48)
//   22-29 selector script: each byte % 8 - 1, 255 ends it
//   30-31 planes and mode after Start (signed bytes), with bit 6
// The input's length modulo 3 picks the resampler's vector passes: scalar,
// SSE2, or AVX2 where the processor has it, so that every pass meets odd
// sizes and phases, not just the widest this machine offers.
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "fill/fill_options.h"
#include "host/entry.h"
#include "host/filter_record.h"
#include "resample/wrap_resampler.h"
#include "tests/fuzz/fuzz_support.h"
#include "texture/texture_source.h"

namespace {

constexpr std::size_t kHeaderBytes = 32;
// A band the host could not hand over: the plug-in gets no buffer at all.
// Larger bands take the fill's same paths, only slower to check: 48 bands
// of 4 MB kept one input busy for ten seconds.
constexpr std::uint64_t kLargestBand = std::uint64_t{1} << 20;
constexpr std::uint8_t kCanary = 0xA5;

struct Header {
  std::uint8_t flags;
  std::int8_t sizeChoice;
  std::int8_t tileOrigin;
  std::uint8_t chooser;
  host::Rect16 filterRect;
  std::int16_t planes;
  std::int16_t imageMode;
  std::int32_t rowBytesDelta;
  std::uint8_t abortAt;
  std::uint8_t continueLimit;
  std::array<std::uint8_t, 8> script;
  std::int8_t latePlanes;
  std::int8_t lateMode;
};

std::int16_t little16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
std::int32_t little32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) |
                                   (static_cast<std::uint32_t>(p[3]) << 24));
}

// Preferences' options: the tile fill (scale 100, angle 0, no offset), run
// copies (an offset, whole turns, mirrors), and the sampler at scales from
// the smallest to the largest.
fill::FillOptions optionsOf(const Header& h) {
  struct Transform {
    std::int32_t scale;
    double angle;
    std::int32_t offsetX;
    std::int32_t offsetY;
  };
  static constexpr Transform kTransforms[16] = {
      {100, 0, 0, 0},    {100, 360, 5, -3}, {50, 30, 0, 0},  {250, -45, 7, 1},  {1, 10, 0, 0},   {1000, 200, -9, 9},
      {73, 30, 0, 0},    {100, 90, 0, 0},   {10, 0, 300000, -300000}, {100, -0.5, 0, 0}, {33, 135, 1, 2},
      {400, 1e6, 0, 0},  {100, 0, -1, 0},   {99, 0, 0, 0},   {101, 270, 3, 3}, {2, 359.9, 0, 0},
  };
  const Transform& t = kTransforms[h.chooser >> 4];
  fill::FillOptions options;
  options.sizeChoice = h.sizeChoice;
  options.tileOrigin = h.tileOrigin;
  options.repeat = ((h.chooser >> 2) & 3) % fill::kRepeatModeCount;
  options.scalePercent = t.scale;
  options.angleDegrees = t.angle;
  options.offsetX = t.offsetX;
  options.offsetY = t.offsetY;
  return options;
}

Header parseHeader(const std::uint8_t* p) {
  Header h{};
  h.flags = p[0];
  h.sizeChoice = static_cast<std::int8_t>(p[1]);
  h.tileOrigin = static_cast<std::int8_t>(p[2]);
  h.chooser = p[3];
  h.filterRect = {little16(p + 4), little16(p + 6), little16(p + 8), little16(p + 10)};
  h.planes = little16(p + 12);
  h.imageMode = little16(p + 14);
  h.rowBytesDelta = little32(p + 16);
  h.abortAt = p[20];
  h.continueLimit = p[21];
  std::memcpy(h.script.data(), p + 22, 8);
  h.latePlanes = static_cast<std::int8_t>(p[30]);
  h.lateMode = static_cast<std::int8_t>(p[31]);
  return h;
}

int abortCalls = 0;
int abortFrom = -1;

unsigned char abortProc() { return abortFrom >= 0 && abortCalls++ >= abortFrom ? 1 : 0; }
void progressProc(std::int32_t, std::int32_t) {}

bool isEmpty(const host::Rect16& r) { return r.top >= r.bottom || r.left >= r.right; }

// The band buffer of one Continue call, with the bytes the fill may write.
struct Band {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::vector<std::uint8_t> writable;
  std::size_t size = 0;
};

Band handOverBand(host::FilterRecord& record) {
  Band band;
  record.outData = nullptr;
  const host::Rect16 r = record.outRect;
  const std::int64_t height = std::int64_t{r.bottom} - r.top;
  const std::int64_t width = std::int64_t{r.right} - r.left;
  const std::int64_t planes = record.planes;
  // 16-bit documents: two bytes a sample, as hosts lay them out.
  const std::int64_t sampleBytes = record.imageMode == 10 || record.imageMode == 11 ? 2 : 1;
  const std::int64_t pixelBytes = planes * sampleBytes;
  std::int64_t rowBytes = width * (planes > 0 ? pixelBytes : 0) + std::int64_t{record.outRowBytes};
  if (rowBytes > INT32_MAX || rowBytes < INT32_MIN) rowBytes = 0;
  record.outRowBytes = static_cast<std::int32_t>(rowBytes);
  if (height < 1 || width < 1 || planes < 1) return band;
  const std::uint64_t stride = static_cast<std::uint64_t>(rowBytes < 0 ? -rowBytes : rowBytes);
  const std::uint64_t rowLength = static_cast<std::uint64_t>(width * pixelBytes);
  const std::uint64_t size = static_cast<std::uint64_t>(height - 1) * stride + rowLength;
  if (size > kLargestBand) return band;
  band.size = static_cast<std::size_t>(size);
  band.bytes.reset(new std::uint8_t[band.size]);
  std::memset(band.bytes.get(), kCanary, band.size);
  band.writable.assign(band.size, 0);
  const std::uint64_t first = rowBytes < 0 ? static_cast<std::uint64_t>(height - 1) * stride : 0;
  // The fill owns the first one or three samples of each pixel; further
  // planes (transparency, say) are the host's.
  const std::int64_t owned = (record.imageMode == 1 || record.imageMode == 10 ? 1 : 3) * sampleBytes;
  for (std::int64_t row = 0; row < height; ++row) {
    const std::uint64_t start = rowBytes < 0 ? first - row * stride : row * stride;
    for (std::uint64_t b = 0; b < rowLength; ++b) {
      if (static_cast<std::int64_t>(b % pixelBytes) < owned) band.writable[start + b] = 1;
    }
  }
  record.outData = band.bytes.get() + first;
  return band;
}

void checkBand(const Band& band) {
  const std::uint8_t* bytes = band.bytes.get();
  const std::uint8_t* writable = band.writable.data();
  for (std::size_t i = 0; i < band.size; ++i) {
    if (writable[i] == 0 && bytes[i] != kCanary) fuzzing::fail("byte outside the band written");
  }
}

bool knownResult(std::int16_t result) {
  switch (result) {
    case 0: case 1: case -19: case -108: case -30100: case -30101: return true;
    default: return false;
  }
}

// The fields the plug-in writes; every other byte of the record must stay
// as the host set it.
void copyBandFields(const host::FilterRecord& from, host::FilterRecord& to) {
  to.inRect = from.inRect;
  to.outRect = from.outRect;
  to.inLoPlane = from.inLoPlane;
  to.inHiPlane = from.inHiPlane;
  to.outLoPlane = from.outLoPlane;
  to.outHiPlane = from.outHiPlane;
}

std::int16_t call(host::FilterRecord& record, std::int16_t selector) {
  host::FilterRecord before;
  std::memcpy(&before, &record, sizeof record);
  Band band;
  if (selector == host::filterSelectorContinue) {
    band = handOverBand(record);
    std::memcpy(&before, &record, sizeof record);
  }
  std::int16_t result = 0x7777;
  std::intptr_t data = 0x5EED;
  ENTRYPOINT1(selector, &record, &data, &result);
  if (data != 0x5EED) fuzzing::fail("the data slot was touched");
  if (!knownResult(result)) fuzzing::fail("unknown result code");
  if (selector == host::filterSelectorContinue) checkBand(band);
  copyBandFields(record, before);
  if (std::memcmp(&before, &record, sizeof record) != 0) fuzzing::fail("a host field changed");
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) return 0;
  fuzzing::InputScope scope;
  limitWrapResamplerSimd(static_cast<int>(size % 3));
  const Header header = parseHeader(data);
  static const char* const kNames[] = {"texture.tif", "texture.bmp", "texture.lrt", "texture"};
  const std::string path =
      fuzzing::writeInputFile(data + kHeaderBytes, size - kHeaderBytes, kNames[header.flags & 3]);

  const int answer = (header.chooser & 3) % 3;
  const int status = answer == 0 ? 1 : answer == 1 ? 2 : 0;
  chooser::provideChoice({.status = status, .fileName = path, .options = optionsOf(header)});
  abortCalls = 0;
  abortFrom = header.abortAt == 255 ? -1 : header.abortAt;

  host::PlatformData platformData{nullptr};
  host::FilterRecord record;
  std::memset(&record, 0x3C, sizeof record);
  record.abortProc = (header.flags & 4) != 0 ? nullptr : abortProc;
  record.progressProc = (header.flags & 8) != 0 ? nullptr : progressProc;
  record.platformData = (header.flags & 16) != 0 ? nullptr : &platformData;
  record.filterRect = header.filterRect;
  record.planes = header.planes;
  record.imageMode = header.imageMode;
  record.outData = nullptr;
  const std::int32_t rowBytesDelta = header.rowBytesDelta;
  const int continueLimit = header.continueLimit == 0 ? 48 : header.continueLimit;
  bool changedAfterStart = false;

  auto continueOnce = [&]() {
    if ((header.flags & 64) != 0 && !changedAfterStart) {
      record.planes = header.latePlanes;
      record.imageMode = header.lateMode;
      changedAfterStart = true;
    }
    if ((header.flags & 128) != 0 && (header.flags & 32) == 0) {
      host::Rect16& out = record.outRect;
      out.top = static_cast<std::int16_t>(out.top + static_cast<std::int8_t>(header.script[0]) % 3);
      out.left = static_cast<std::int16_t>(out.left + static_cast<std::int8_t>(header.script[1]) % 3);
      out.bottom = static_cast<std::int16_t>(out.bottom + static_cast<std::int8_t>(header.script[2]) % 3);
      out.right = static_cast<std::int16_t>(out.right + static_cast<std::int8_t>(header.script[3]) % 3);
    }
    record.outRowBytes = rowBytesDelta;
    return call(record, host::filterSelectorContinue);
  };

  if ((header.flags & 32) != 0) {
    int continues = 0;
    for (std::uint8_t step : header.script) {
      if (step == 255) break;
      const auto selector = static_cast<std::int16_t>(step % 8 - 1);
      if (selector == host::filterSelectorContinue) {
        if (continues++ < continueLimit) continueOnce();
      } else if (selector == host::filterSelectorAbout) {
        // About comes with its own record, and touches no fill state.
        host::AboutRecord about{record.platformData};
        const texture::TextureSource before = host::currentFillJob().source;
        std::int16_t result = 0x7777;
        ENTRYPOINT1(host::filterSelectorAbout, &about, nullptr, &result);
        if (result != 0) fuzzing::fail("About failed");
        if (std::memcmp(&before, &host::currentFillJob().source, sizeof before) != 0) {
          fuzzing::fail("About changed the fill state");
        }
      } else {
        call(record, selector);
      }
    }
  } else {
    call(record, host::filterSelectorParameters);
    call(record, host::filterSelectorPrepare);
    if (call(record, host::filterSelectorStart) == 0) {
      if (isEmpty(header.filterRect) && !isEmpty(record.outRect)) {
        fuzzing::fail("an empty rectangle was handed a band");
      }
      // Every band is at least one row high, so the bands run out after
      // at most as many calls as the rectangle has rows.
      const std::int32_t filterHeight = std::int32_t{header.filterRect.bottom} - header.filterRect.top;
      int continues = 0;
      while (!isEmpty(record.outRect) && continues < continueLimit) {
        if (continues >= filterHeight) fuzzing::fail("the bands never ran out");
        ++continues;
        if (continueOnce() != 0) break;
      }
    }
  }
  // However the host went about it, Finish releases everything, and once
  // more is harmless.
  if (call(record, host::filterSelectorFinish) != 0) fuzzing::fail("Finish failed");
  if (call(record, host::filterSelectorFinish) != 0) fuzzing::fail("second Finish failed");
  static const texture::TextureSource zero{};
  if (std::memcmp(&host::currentFillJob().source, &zero, sizeof zero) != 0 || host::currentFillJob().mode != nullptr) {
    fuzzing::fail("Finish left state");
  }
  chooser::provideChoice({});
  return 0;
}
