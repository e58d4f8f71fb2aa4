#include "host/tile_fill.h"

#include <cstring>
#include <type_traits>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

#include "host/result_codes.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "resample/rgb_gather_masks.h"
#include "resources/strings.h"

namespace host {

std::int32_t rowsDone = 0;
std::int32_t rowsTotal = 0;

namespace {

constexpr std::int16_t kModeGrayscale = 1;
constexpr std::int16_t kModeRgb = 3;

// Bytes of one texel in the delivered row once it is ready for the document:
// 1 after the gray conversion, 3 for RGB.
std::int32_t texelBytesFor(const HostView& view) { return view.imageMode == kModeGrayscale ? 1 : 3; }

// Floor division and non-negative remainder: the phase of a rectangle that
// starts left of or above the document origin still lines up with the rest.
std::int32_t floorDivide(std::int32_t value, std::int32_t divisor) {
  std::int32_t quotient = value / divisor;
  if (value % divisor != 0 && value < 0) --quotient;
  return quotient;
}
std::int32_t wrapIndex(std::int32_t value, std::int32_t period) {
  std::int32_t remainder = value % period;
  return remainder < 0 ? remainder + period : remainder;
}

bool rectIsEmpty(const Rect16& rect) { return rect.top >= rect.bottom || rect.left >= rect.right; }

// Rows or columns of the band to write. outData holds the host's outRect,
// which the plug-in set equal to inRect; a host that has shrunk it since
// gets no more than it handed over.
std::int32_t bandExtent(std::int32_t asked, std::int32_t askedEnd, std::int32_t given,
                        std::int32_t givenEnd) {
  const std::int32_t extent = askedEnd - asked;
  const std::int32_t held = givenEnd - given;
  return held < extent ? held : extent;
}

void endBands(HostView& view) {
  view.inRect = Rect16{0, 0, 0, 0};
  view.outRect = view.inRect;
}

// Copies `texelBytes` bytes: the two sizes the fill meets get fixed-size
// copies the compiler turns into plain moves.
inline void copyTexel(std::uint8_t* destination, const std::uint8_t* source, std::int32_t texelBytes) {
  if (texelBytes == 3) {
    std::memcpy(destination, source, 3);
  } else if (texelBytes == 1) {
    *destination = *source;
  } else {
    std::memcpy(destination, source, static_cast<std::size_t>(texelBytes));
  }
}

// Writes output columns [0, width) of one row, texel by texel: texels from
// `row` starting at byte `phase`, each repeated `repeat` times, wrapping at
// `rowLength` bytes. Texels are `texelBytes` apart in the row; output pixels
// are `planes` apart, so a host that interleaves an extra plane (RGB with
// transparency) keeps that byte. A texel that would reach past the row's end
// wraps too, so a phase that is not a whole texel (a host that changed the
// mode since Start) never reads beyond the row.
void writeTexelByTexel(const std::uint8_t* row, std::int32_t rowLength, std::int32_t phase,
                       std::int32_t texelBytes, std::int32_t planes, std::int32_t repeat,
                       std::int32_t width, std::uint8_t* destination) {
  const std::uint8_t* source = row + phase;
  const std::uint8_t* lastTexel = row + rowLength - texelBytes;
  std::int32_t column = 0;
  while (column < width) {
    if (source > lastTexel) source = row;
    const std::int32_t copies = repeat < width - column ? repeat : width - column;
    for (std::int32_t copy = 0; copy < copies; ++copy) {
      copyTexel(destination, source, texelBytes);
      destination += planes;
    }
    column += copies;
    source += texelBytes;
  }
}

// One whole period of a packed row with each texel repeated Repeat times:
// `texels` groups from texel `firstTexel` on, wrapping at the row's end.
template <int TexelBytes, int Repeat>
void replicatePeriod(const std::uint8_t* row, std::int32_t texels, std::int32_t firstTexel,
                     std::uint8_t* destination) {
  const std::uint8_t* source = row + static_cast<std::ptrdiff_t>(firstTexel) * TexelBytes;
  const std::uint8_t* end = row + static_cast<std::ptrdiff_t>(texels) * TexelBytes;
  for (std::int32_t i = 0; i < texels; ++i, source += TexelBytes, destination += TexelBytes * Repeat) {
    if (source == end) source = row;
    if constexpr (TexelBytes == 1) {
      // One byte spread over the group: 0xAB * 0x0101 = 0xABAB.
      using Group = std::conditional_t<Repeat == 2, std::uint16_t, std::uint32_t>;
      const Group group = static_cast<Group>(*source * (Repeat == 2 ? 0x0101u : 0x01010101u));
      std::memcpy(destination, &group, sizeof group);
    } else {
      for (int copy = 0; copy < Repeat; ++copy) std::memcpy(destination + copy * TexelBytes, source, TexelBytes);
    }
  }
}

// The replication factors and texel sizes the fill meets; false for others.
bool writeReplicatedPeriod(const std::uint8_t* row, std::int32_t texels, std::int32_t firstTexel,
                           std::int32_t texelBytes, std::int32_t repeat, std::uint8_t* destination) {
  if (firstTexel < 0 || firstTexel >= texels) return false;
  const int kind = texelBytes * 10 + repeat;
  switch (kind) {
    case 12: replicatePeriod<1, 2>(row, texels, firstTexel, destination); return true;
    case 14: replicatePeriod<1, 4>(row, texels, firstTexel, destination); return true;
    case 32: replicatePeriod<3, 2>(row, texels, firstTexel, destination); return true;
    case 34: replicatePeriod<3, 4>(row, texels, firstTexel, destination); return true;
    default: return false;
  }
}

// Writes one band: every one of its `bandHeight` rows, `rowStride` bytes
// apart, receives the texture row, repeated `repeat` times horizontally.
//
// When output pixels are packed (as many planes as texel bytes), an output
// row is periodic: it repeats every rowLength x repeat bytes from its first
// byte. So only the first period is built from the texture row, and the
// rest of the row is copied from the row's own beginning in doubling runs
// (period, 2 periods, 4, ...), which takes a handful of memcpy calls however
// narrow the texture. The band's
// other rows are copies of its first. With repeat 1 the first period is two
// runs of the texture row (phase to end, start to phase); with a larger
// repeat it is written texel by texel, once per band rather than once per
// output pixel.
void writeBand(const std::uint8_t* row, std::int32_t rowLength, std::int32_t phase,
               std::int32_t texelBytes, std::int32_t planes, std::int32_t repeat,
               std::int32_t width, std::int32_t bandHeight, std::uint8_t* destination,
               std::int32_t rowStride) {
  if (width <= 0 || bandHeight <= 0 || rowLength < texelBytes) return;
  // With repeat 1 the row is a plain byte stream and any phase keeps it
  // periodic; with a larger repeat the texel grid must line up.
  const bool packed = planes == texelBytes && (repeat == 1 || phase % texelBytes == 0);
  if (!packed) {
    for (std::int32_t i = 0; i < bandHeight; ++i) {
      writeTexelByTexel(row, rowLength, phase, texelBytes, planes, repeat, width,
                        destination + static_cast<std::ptrdiff_t>(i) * rowStride);
    }
    return;
  }

  const std::size_t total = static_cast<std::size_t>(width) * static_cast<std::size_t>(planes);
  const std::size_t period = static_cast<std::size_t>(rowLength) * static_cast<std::size_t>(repeat);
  const std::size_t first = period < total ? period : total;
  if (repeat == 1) {
    const std::size_t tail = static_cast<std::size_t>(rowLength - phase);
    const std::size_t head = tail < first ? tail : first;
    std::memcpy(destination, row + phase, head);
    if (head < first) std::memcpy(destination + head, row, first - head);
  } else {
    const bool replicated = first == period && rowLength % texelBytes == 0 &&
                            writeReplicatedPeriod(row, rowLength / texelBytes, phase / texelBytes, texelBytes,
                                                  repeat, destination);
    if (!replicated) {
      writeTexelByTexel(row, rowLength, phase, texelBytes, planes, repeat,
                        static_cast<std::int32_t>(first / static_cast<std::size_t>(planes)), destination);
    }
  }
  // `done` stays a whole number of periods until the last, partial run, so
  // the bytes at the row's start are the ones that belong at `done`.
  for (std::size_t done = first; done < total;) {
    const std::size_t run = done < total - done ? done : total - done;
    std::memcpy(destination + done, destination, run);
    done += run;
  }
  for (std::int32_t i = 1; i < bandHeight; ++i) {
    std::memcpy(destination + static_cast<std::ptrdiff_t>(i) * rowStride, destination, total);
  }
}

}  // namespace

ScalingFactors scalingFactors(const char* fileName, std::int32_t sizeChoice) {
  if (texture::isLowResTexture(fileName)) {
    switch (sizeChoice) {
      case size512: return {4, 1};
      case size256: return {2, 1};
      case size64: return {1, 2};
      default: return {1, 1};
    }
  }
  if (texture::isHighResTexture(fileName)) {
    switch (sizeChoice) {
      case size256: return {1, 2};
      case size128: return {1, 4};
      case size64: return {1, 8};
      default: return {1, 1};
    }
  }
  return {1, 1};
}

void prepareFill(const char* fileName, texture::TextureSource* source, HostView& view,
                 std::int16_t* result) {
  view.inLoPlane = 0;
  rowsTotal = view.filterRect.bottom - view.filterRect.top;
  if (view.imageMode == kModeGrayscale) {
    view.inHiPlane = 0;
  } else if (view.imageMode == kModeRgb) {
    view.inHiPlane = 2;
  } else {
    *result = filterBadMode;
  }
  // A host that gives fewer bytes per pixel than the planes requested would
  // have every row overrun; refuse it before any band is written.
  if (*result == noErr && view.planes < view.inHiPlane - view.inLoPlane + 1) {
    *result = filterBadParameters;
  }

  const ScalingFactors factors = scalingFactors(fileName, source->sizeChoice);
  const std::int32_t r = factors.replication;

  view.inRect = view.filterRect;
  std::int32_t bandBottom = view.inRect.top + r;
  if (bandBottom > view.filterRect.bottom) bandBottom = view.filterRect.bottom;
  view.inRect.bottom = static_cast<std::int16_t>(bandBottom);
  view.outRect = view.inRect;
  // An empty or inverted rectangle has nothing to fill: hand back the empty
  // band at once so that the host does not call Continue.
  if (rectIsEmpty(view.filterRect)) endBands(view);

  source->scaledHeight = source->height / factors.reduction;
  source->scaledWidth = source->width / factors.reduction;

  if (source->tileOrigin == originDocument && source->scaledWidth > 0 && source->scaledHeight > 0) {
    const std::int32_t column = floorDivide(view.filterRect.left + r / 2, r);
    const std::int32_t row = floorDivide(view.filterRect.top + r / 2, r);
    source->phaseOffset = wrapIndex(column, source->scaledWidth) * texelBytesFor(view);
    source->nextRow = wrapIndex(row, source->scaledHeight);
  } else {
    source->phaseOffset = 0;
    source->nextRow = 0;
  }

  if (texture::prerollTiff(source, source->nextRow) != 0) hostProgress(view, 0, rowsTotal);

  view.outLoPlane = view.inLoPlane;
  view.outHiPlane = view.inHiPlane;

  source->rowBuffer = static_cast<std::uint8_t*>(
      platform::allocateMemory(static_cast<std::size_t>(source->rowBytes)));
  if (source->rowBuffer == nullptr) {
    *result = memFullErr;
    platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
    return;
  }
  // A gray row is a third of the RGB row it comes from; keeping all of them
  // costs less than the texture's own rows and spares every later pass down
  // the texture the read and the conversion.
  if (view.imageMode == kModeGrayscale && source->scaledWidth > 0 && source->scaledHeight > 0) {
    const std::size_t rows = static_cast<std::size_t>(source->scaledHeight);
    source->grayRows = static_cast<std::uint8_t*>(
        platform::allocateMemory(rows + rows * static_cast<std::size_t>(source->scaledWidth)));
    if (source->grayRows == nullptr) {
      *result = memFullErr;
      platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
      return;
    }
    std::memset(source->grayRows, 0, rows);
  }
}

void fillNextBand(texture::TextureSource* source, HostView& view, std::int16_t* result) {
  if (hostAborted(view)) {
    *result = userCancelled;
    return;
  }
  // Continue without a prepared texture (out of order, or after a failed
  // Start): nothing to fill, so end the host's loop.
  if (source->rowBuffer == nullptr || source->scaledWidth <= 0 || source->scaledHeight <= 0) {
    *result = filterBadParameters;
    endBands(view);
    return;
  }
  // A band without rows or columns (Continue called again after the empty
  // rectangle) has nothing to fill: no texture row is used up for it.
  if (rectIsEmpty(view.inRect) || rectIsEmpty(view.outRect)) {
    endBands(view);
    return;
  }

  std::int32_t repeat = 1;
  std::int32_t bandHeight = 1;
  if (source->upscale != 0 && (source->sizeChoice == size512 || source->sizeChoice == size256)) {
    repeat = source->sizeChoice == size512 ? 4 : 2;
    bandHeight = bandExtent(view.inRect.top, view.inRect.bottom, view.outRect.top, view.outRect.bottom);
  }

  const std::int32_t texelBytes = texelBytesFor(view);
  const std::int32_t width =
      bandExtent(view.inRect.left, view.inRect.right, view.outRect.left, view.outRect.right);
  const std::int32_t planes = view.planes;
  // Never write outside the band the host described: a band with no rows, a
  // pixel smaller than the planes requested, or rows closer together than
  // one row's bytes cannot be filled safely.
  const bool writable = bandHeight >= 1 && view.outData != nullptr && planes >= texelBytes &&
                        (bandHeight == 1 || view.outRowBytes >= width * planes);
  if (!writable) {
    *result = filterBadParameters;
    endBands(view);
    return;
  }

  hostProgress(view, rowsDone, rowsTotal);

  const std::int32_t rowIndex = source->nextRow % source->scaledHeight;
  const bool gray = view.imageMode == kModeGrayscale;
  std::uint8_t* keptGray = nullptr;
  if (gray && source->grayRows != nullptr) {
    keptGray = source->grayRows + source->scaledHeight +
               static_cast<std::size_t>(rowIndex) * static_cast<std::size_t>(source->scaledWidth);
  }
  const std::uint8_t* bandRow = source->rowBuffer;
  if (keptGray != nullptr && source->grayRows[rowIndex] != 0) {
    bandRow = keptGray;
  } else {
    if (texture::readTextureRow(source, source->rowBuffer, rowIndex) == 0) {
      *result = readErr;
      platform::showTableMessage(IDS_READ_ERROR, platform::kBoxOk);
      return;
    }
    if (gray) grayFromRgb(source->rowBuffer, source->rowBuffer, source->scaledWidth);
    if (keptGray != nullptr) {
      std::memcpy(keptGray, source->rowBuffer, static_cast<std::size_t>(source->scaledWidth));
      source->grayRows[rowIndex] = 1;
    }
  }

  rowsDone += bandHeight;
  source->nextRow += 1;

  const std::int32_t rowLength = source->scaledWidth * texelBytes;
  // The phase was set for the mode seen at Start; a host that changed the
  // mode since must not send the copy past the row.
  const std::int32_t phase = source->phaseOffset < rowLength ? source->phaseOffset : 0;
  writeBand(bandRow, rowLength, phase, texelBytes, planes, repeat, width, bandHeight,
            view.outData, view.outRowBytes);

  const std::int32_t top = view.inRect.top + bandHeight;
  const std::int32_t bottom = view.inRect.bottom + bandHeight;
  if (top >= view.filterRect.bottom) {
    endBands(view);
    return;
  }
  view.inRect.top = static_cast<std::int16_t>(top);
  view.inRect.bottom = static_cast<std::int16_t>(bottom > view.filterRect.bottom ? view.filterRect.bottom : bottom);
  view.outRect = view.inRect;
}

namespace {

void grayFromRgbScalar(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count) {
  // Weights sum to 1024; nothing is added before the shift.
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint32_t red = source[3 * i];
    const std::uint32_t green = source[3 * i + 1];
    const std::uint32_t blue = source[3 * i + 2];
    destination[i] = static_cast<std::uint8_t>((306 * red + 601 * green + 117 * blue) >> 10);
  }
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORIELVMX_GRAY_SSSE3 1


// Eight texels in 16-bit lanes; see below.
__attribute__((target("ssse3"))) inline __m128i weightedGray(__m128i red, __m128i green, __m128i blue, __m128i w50,
                                                             __m128i w89, __m128i w117) {
  const __m128i high = _mm_add_epi16(red, _mm_add_epi16(green, green));
  const __m128i low =
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(red, w50), _mm_mullo_epi16(green, w89)), _mm_mullo_epi16(blue, w117));
  return _mm_srli_epi16(_mm_add_epi16(high, _mm_srli_epi16(low, 8)), 2);
}

// 16 texels at a time, exactly as the scalar sum: with 306 = 256 + 50 and
// 601 = 512 + 89 the sum is 256 (R + 2G) + (50R + 89G + 117B); the second
// part is at most 65280 and the first at most 765, so both fit 16-bit lanes,
// and (256a + b) >> 10 = (a + (b >> 8)) >> 2 for whole a and b.
// 32-bit Windows hosts may call with a stack aligned to 4 bytes only.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
__attribute__((target("ssse3"))) std::int32_t grayFromRgbSsse3(const std::uint8_t* source,
                                                                std::uint8_t* destination,
                                                                std::int32_t count) {
  const auto* masks = reinterpret_cast<const __m128i*>(&simd::kGatherMasks.bytes[0][0][0]);
  const __m128i redMask0 = _mm_load_si128(masks), redMask1 = _mm_load_si128(masks + 1),
                redMask2 = _mm_load_si128(masks + 2);
  const __m128i greenMask0 = _mm_load_si128(masks + 3), greenMask1 = _mm_load_si128(masks + 4),
                greenMask2 = _mm_load_si128(masks + 5);
  const __m128i blueMask0 = _mm_load_si128(masks + 6), blueMask1 = _mm_load_si128(masks + 7),
                blueMask2 = _mm_load_si128(masks + 8);
  const __m128i zero = _mm_setzero_si128();
  const __m128i w50 = _mm_set1_epi16(50);
  const __m128i w89 = _mm_set1_epi16(89);
  const __m128i w117 = _mm_set1_epi16(117);
  std::int32_t i = 0;
  // Each block's loads come before its store, and the store lands at or
  // before bytes already read, so the conversion may run in place.
  for (; i + 16 <= count; i += 16) {
    const std::uint8_t* in = source + 3 * i;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    const __m128i red = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, redMask0), _mm_shuffle_epi8(b, redMask1)),
                                     _mm_shuffle_epi8(c, redMask2));
    const __m128i green = _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(a, greenMask0), _mm_shuffle_epi8(b, greenMask1)), _mm_shuffle_epi8(c, greenMask2));
    const __m128i blue = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, blueMask0), _mm_shuffle_epi8(b, blueMask1)),
                                      _mm_shuffle_epi8(c, blueMask2));
    const __m128i grayLow = weightedGray(_mm_unpacklo_epi8(red, zero), _mm_unpacklo_epi8(green, zero),
                                         _mm_unpacklo_epi8(blue, zero), w50, w89, w117);
    const __m128i grayHigh = weightedGray(_mm_unpackhi_epi8(red, zero), _mm_unpackhi_epi8(green, zero),
                                          _mm_unpackhi_epi8(blue, zero), w50, w89, w117);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), _mm_packus_epi16(grayLow, grayHigh));
  }
  return i;
}

bool grayHasSsse3() {
  static const bool supported = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return supported;
}
#endif

}  // namespace

void grayFromRgb(const std::uint8_t* source, std::uint8_t* destination, std::int32_t count) {
  std::int32_t done = 0;
#if defined(ORIELVMX_GRAY_SSSE3)
  if (count >= 16 && grayHasSsse3()) done = grayFromRgbSsse3(source, destination, count);
#endif
  grayFromRgbScalar(source + 3 * done, destination + done, count - done);
}

}  // namespace host
