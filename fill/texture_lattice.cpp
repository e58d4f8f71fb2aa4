#include "fill/texture_lattice.h"

#include <cstddef>
#include <cstdlib>

#include "fill/texel_luminance.h"
#include "platform/platform.h"
#include "resample/wrap_index.h"
#include "seamless/fourier.h"

namespace fill {
namespace {

// A peak of the normalised autocorrelation at least this high is a repeat
// of the motif. Tiles, bricks and the rows of a deck reach 0.4 to 0.9 at
// their pitch; noise stays within a few hundredths of 0, and the broad
// humps of marble or clouds are no single peaks.
constexpr float kPeakMinimum = 0.3f;
// And it rises at least this far above the autocorrelation halfway to it:
// a repeat has a dip between, where the flank of the peak at offset 0 (the
// texture's own smoothness, or texels drawn two or four times over) falls
// without one.
constexpr float kPeakRise = 0.15f;
constexpr std::int32_t kRing = 3;
constexpr float kRingRise = 0.02f;
// Below this variance a sample (0 to 255) the texture is flat: no motif.
constexpr double kFlatVariance = 0.25;

inline std::int64_t floorModulo(std::int64_t value, std::int64_t divisor) {
  return value - floorDivide(value, divisor) * divisor;
}

struct Offset {
  std::int32_t x;
  std::int32_t y;
  float height;
};

// The lattice the offsets generate together with the period's two sides,
// in Hermite normal form: the generators' rows reduced until one has a
// non-zero y (then (shift, down)), the others' x taken together by their
// greatest common divisor (across). x stays below the width, as adding the
// period never changes the lattice.
TextureLattice latticeOf(const Offset* generators, std::int32_t count, std::int32_t width, std::int32_t height) {
  std::int64_t x[4];
  std::int64_t y[4];
  std::int32_t n = 0;
  for (std::int32_t i = 0; i < count && n < 2; ++i, ++n) {
    x[n] = floorModulo(generators[i].x, width);
    y[n] = generators[i].y;
  }
  x[n] = 0;
  y[n++] = height;
  x[n] = width;
  y[n++] = 0;
  // Euclid on the y column: the row with the smallest non-zero |y| takes
  // the others' y down to their remainders.
  for (;;) {
    std::int32_t pivot = -1;
    for (std::int32_t i = 0; i < n; ++i) {
      if (y[i] != 0 && (pivot < 0 || std::llabs(y[i]) < std::llabs(y[pivot]))) pivot = i;
    }
    bool others = false;
    for (std::int32_t i = 0; i < n; ++i) {
      if (i == pivot || y[i] == 0) continue;
      const std::int64_t q = y[i] / y[pivot];
      y[i] -= q * y[pivot];
      x[i] = floorModulo(x[i] - q * x[pivot], width);
      others = others || y[i] != 0;
    }
    if (!others) {
      std::int64_t across = width;
      for (std::int32_t i = 0; i < n; ++i) {
        if (i == pivot) continue;
        std::int64_t a = across;
        std::int64_t b = x[i];
        while (b != 0) {
          const std::int64_t r = a % b;
          a = b;
          b = r;
        }
        across = a;
      }
      const std::int64_t sign = y[pivot] < 0 ? -1 : 1;
      const std::int64_t down = y[pivot] * sign;
      const std::int64_t shift = floorModulo(x[pivot] * sign, across);
      return {static_cast<std::int32_t>(across), static_cast<std::int32_t>(shift), static_cast<std::int32_t>(down)};
    }
  }
}

// The texture's luminance (or its one channel) less its mean, and the
// variance; false for a flat texture.
bool centredLuminance(const TexelBlock& texture, seamless::Complex* plane, double* variance) {
  double sum = 0;
  for (std::int32_t y = 0; y < texture.height; ++y) {
    const std::uint8_t* row = texelRow(texture, y);
    for (std::int32_t x = 0; x < texture.width; ++x) {
      const std::uint8_t* t = row + static_cast<std::ptrdiff_t>(x) * texture.channels;
      const auto value = static_cast<float>(texelLuminance(t, texture.channels));
      plane[static_cast<std::ptrdiff_t>(y) * texture.width + x] = {value, 0.0f};
      sum += value;
    }
  }
  const std::size_t count = static_cast<std::size_t>(texture.width) * texture.height;
  const auto mean = static_cast<float>(sum / static_cast<double>(count));
  double squares = 0;
  for (std::size_t i = 0; i < count; ++i) {
    plane[i].real -= mean;
    squares += static_cast<double>(plane[i].real) * plane[i].real;
  }
  *variance = squares / static_cast<double>(count);
  return *variance >= kFlatVariance;
}

// Transforms every row, then every column, of a width x height plane in
// place; `line` holds the longer side twice.
void transformPlane(seamless::FourierPlan* across, seamless::FourierPlan* down, seamless::Complex* plane,
                    std::int32_t width, std::int32_t height, seamless::Complex* line) {
  for (std::int32_t y = 0; y < height; ++y) {
    seamless::Complex* row = plane + static_cast<std::ptrdiff_t>(y) * width;
    for (std::int32_t x = 0; x < width; ++x) line[x] = row[x];
    seamless::transform(across, line, row);
  }
  seamless::Complex* out = line + (width > height ? width : height);
  for (std::int32_t x = 0; x < width; ++x) {
    for (std::int32_t y = 0; y < height; ++y) line[y] = plane[static_cast<std::ptrdiff_t>(y) * width + x];
    seamless::transform(down, line, out);
    for (std::int32_t y = 0; y < height; ++y) plane[static_cast<std::ptrdiff_t>(y) * width + x] = out[y];
  }
}

// The single peaks of the autocorrelation `rho` (width x height, offset
// (0, 0) first, wrapped): above every neighbour and at least kPeakMinimum;
// the shortest kept, at most `room` of them, shortest first.
std::int32_t autocorrelationPeaks(const float* rho, std::int32_t width, std::int32_t height, Offset* peaks,
                                  std::int32_t room) {
  std::int32_t count = 0;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      if (x == 0 && y == 0) continue;
      const float value = rho[static_cast<std::ptrdiff_t>(y) * width + x];
      if (value < kPeakMinimum) continue;
      // Above the ring three texels out by kRingRise: a point on a ridge
      // (the offsets that line up long straight joints, whatever the shift
      // along them) has its equals along the ridge and is no repeat of the
      // motif itself.
      bool single = true;
      for (std::int32_t dy = -kRing; dy <= kRing && single; ++dy) {
        for (std::int32_t dx = -kRing; dx <= kRing; ++dx) {
          const bool ring = dx == -kRing || dx == kRing || dy == -kRing || dy == kRing;
          const bool near = dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
          if (!ring && !near) continue;
          if (dx == 0 && dy == 0) continue;
          const auto nx = static_cast<std::int32_t>(floorModulo(x + dx, width));
          const auto ny = static_cast<std::int32_t>(floorModulo(y + dy, height));
          const float other = rho[static_cast<std::ptrdiff_t>(ny) * width + nx];
          if (ring ? other + kRingRise > value : other >= value) {
            single = false;
            break;
          }
        }
      }
      if (!single) continue;
      // The offset's shortest form: within half a period either way.
      const std::int32_t ox = x > width / 2 ? x - width : x;
      const std::int32_t oy = y > height / 2 ? y - height : y;
      const auto halfX = static_cast<std::int32_t>(floorModulo(floorDivide(ox, 2), width));
      const auto halfY = static_cast<std::int32_t>(floorModulo(floorDivide(oy, 2), height));
      if (value < rho[static_cast<std::ptrdiff_t>(halfY) * width + halfX] + kPeakRise) continue;
      const Offset peak{ox, oy, value};
      const std::int64_t length = std::int64_t{ox} * ox + std::int64_t{oy} * oy;
      std::int32_t at = count < room ? count : room;
      while (at > 0) {
        const Offset& before = peaks[at - 1];
        const std::int64_t beforeLength = std::int64_t{before.x} * before.x + std::int64_t{before.y} * before.y;
        if (beforeLength <= length) break;
        if (at < room) peaks[at] = before;
        --at;
      }
      if (at < room) {
        peaks[at] = peak;
        if (count < room) ++count;
      }
    }
  }
  return count;
}

// The shortest offset along one axis at which whole rows (`rows`) or whole
// columns repeat: a peak of the autocorrelation averaged across the other
// axis, that is of the rows' (or columns') mean profile. 0 when there is none.
std::int32_t ridgePitch(const float* rho, std::int32_t width, std::int32_t height, bool rows) {
  const std::int32_t length = rows ? height : width;
  const std::int32_t other = rows ? width : height;
  const auto mean = [&](std::int32_t at) {
    const auto wrapped = static_cast<std::int32_t>(floorModulo(at, length));
    double sum = 0;
    for (std::int32_t i = 0; i < other; ++i) {
      sum += rows ? rho[static_cast<std::ptrdiff_t>(wrapped) * width + i]
                  : rho[static_cast<std::ptrdiff_t>(i) * width + wrapped];
    }
    return sum / other;
  };
  for (std::int32_t pitch = 2; pitch <= length / 2; ++pitch) {
    const double value = mean(pitch);
    if (value < kPeakMinimum || value <= mean(pitch - 1) || value < mean(pitch + 1)) continue;
    if (value < mean(pitch / 2) + kPeakRise) continue;
    return pitch;
  }
  return 0;
}

}  // namespace

void latticeCell(const TextureLattice& lattice, std::int64_t x, std::int64_t y, std::int32_t* cellX,
                 std::int32_t* cellY) {
  const std::int64_t n = floorDivide(y, lattice.down);
  *cellY = static_cast<std::int32_t>(y - n * lattice.down);
  *cellX = static_cast<std::int32_t>(floorModulo(x - n * lattice.shift, lattice.across));
}

bool findTextureLattice(const TexelBlock& texture, std::int32_t fewestOffsets, TextureLattice& lattice) {
  lattice = kAnyOffset;
  const std::int32_t width = texture.width;
  const std::int32_t height = texture.height;
  if (width < 2 || height < 2) return true;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  const std::int32_t longer = width > height ? width : height;
  auto* plane = static_cast<seamless::Complex*>(platform::allocateMemory(sizeof(seamless::Complex) * count));
  auto* line = static_cast<seamless::Complex*>(platform::allocateMemory(sizeof(seamless::Complex) * 2 * longer));
  seamless::FourierPlan* forwardAcross = seamless::createFourierPlan(width, false);
  seamless::FourierPlan* forwardDown = seamless::createFourierPlan(height, false);
  seamless::FourierPlan* inverseAcross = seamless::createFourierPlan(width, true);
  seamless::FourierPlan* inverseDown = seamless::createFourierPlan(height, true);
  const bool held = plane != nullptr && line != nullptr && forwardAcross != nullptr && forwardDown != nullptr &&
                    inverseAcross != nullptr && inverseDown != nullptr;
  double variance = 0;
  bool enough = held;
  if (held && centredLuminance(texture, plane, &variance)) {
    // Wiener-Khinchin: the autocorrelation of a periodic picture is the
    // inverse transform of its power spectrum.
    transformPlane(forwardAcross, forwardDown, plane, width, height, line);
    for (std::size_t i = 0; i < count; ++i) {
      plane[i] = {plane[i].real * plane[i].real + plane[i].imaginary * plane[i].imaginary, 0.0f};
    }
    transformPlane(inverseAcross, inverseDown, plane, width, height, line);
    // Normalised by the value at offset 0 (the variance times the count,
    // squared by the transform's lack of scaling), kept in the real parts.
    const float zero = plane[0].real;
    auto* values = static_cast<float*>(platform::allocateMemory(sizeof(float) * count));
    enough = values != nullptr;
    if (values != nullptr && zero > 0.0f) {
      for (std::size_t i = 0; i < count; ++i) values[i] = plane[i].real / zero;
      Offset peaks[16];
      const std::int32_t found = autocorrelationPeaks(values, width, height, peaks, 16);
      Offset generators[2];
      std::int32_t used = 0;
      if (found > 0) generators[used++] = peaks[0];
      for (std::int32_t i = 1; i < found && used < 2; ++i) {
        const std::int64_t cross = std::int64_t{peaks[0].x} * peaks[i].y - std::int64_t{peaks[0].y} * peaks[i].x;
        if (cross != 0) generators[used++] = peaks[i];
      }
      // Without two directions of repeats, rows or columns that repeat
      // whole (the rows of a deck, whose boards end anywhere), free along
      // them.
      if (used < 2) {
        const std::int32_t rowPitch = ridgePitch(values, width, height, true);
        const std::int32_t columnPitch = ridgePitch(values, width, height, false);
        if (used == 0 && rowPitch > 0 && columnPitch > 0) {
          generators[0] = {0, rowPitch, 1.0f};
          generators[1] = {columnPitch, 0, 1.0f};
          used = 2;
        } else if (used == 0 && (rowPitch > 0 || columnPitch > 0)) {
          generators[0] = rowPitch > 0 ? Offset{0, rowPitch, 1.0f} : Offset{columnPitch, 0, 1.0f};
          used = 1;
        }
        if (used == 1) {
          const bool mostlyDown = std::llabs(generators[0].y) >= std::llabs(generators[0].x);
          generators[used++] = mostlyDown ? Offset{1, 0, 1.0f} : Offset{0, 1, 1.0f};
        }
      }
      if (used == 2) {
        const TextureLattice found2 = latticeOf(generators, used, width, height);
        const std::int64_t offsets = static_cast<std::int64_t>(count) / (std::int64_t{found2.across} * found2.down);
        if (offsets >= fewestOffsets) lattice = found2;
      }
    }
    platform::releaseMemory(values);
  }
  seamless::destroyFourierPlan(forwardAcross);
  seamless::destroyFourierPlan(forwardDown);
  seamless::destroyFourierPlan(inverseAcross);
  seamless::destroyFourierPlan(inverseDown);
  platform::releaseMemory(line);
  platform::releaseMemory(plane);
  return enough;
}

}  // namespace fill
