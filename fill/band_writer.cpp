#include "fill/band_writer.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace fill {

namespace {

// The longest run extendFirstPeriod copies at once (see there).
constexpr std::size_t kRunBytes = 512;

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

}  // namespace

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
  extendFirstPeriod(destination, first, total, bandHeight, rowStride);
}

void extendFirstPeriod(std::uint8_t* destination, std::size_t first, std::size_t total, std::int32_t bandHeight,
                       std::int32_t rowStride) {
  // The row is periodic: every byte equals the one a whole number of periods
  // back. Whole periods at its start are doubled until they hold kRunBytes;
  // the rest is copied in runs of at most kRunBytes from the place a whole
  // number of those periods back. Copies of a few hundred bytes from just
  // behind their destination went at twice the speed of the long doubling
  // copies that did the same (and of one period at a time) on the machines
  // the benchmarks ran on.
  std::size_t done = first;
  while (done < kRunBytes && done < total) {
    const std::size_t run = done < total - done ? done : total - done;
    std::memcpy(destination + done, destination, run);
    done += run;
  }
  const std::size_t held = done;
  while (done < total) {
    const std::size_t from = done % held;
    std::size_t run = total - done;
    if (run > kRunBytes) run = kRunBytes;
    if (run > held - from) run = held - from;
    std::memcpy(destination + done, destination + from, run);
    done += run;
  }
  // The band's other rows are copies of the first, in runs of the same
  // length: one long copy a row went at about half the speed.
  for (std::int32_t i = 1; i < bandHeight; ++i) {
    std::uint8_t* row = destination + static_cast<std::ptrdiff_t>(i) * rowStride;
    for (std::size_t at = 0; at < total; at += kRunBytes) {
      std::memcpy(row + at, destination + at, total - at < kRunBytes ? total - at : kRunBytes);
    }
  }
}

}  // namespace fill
