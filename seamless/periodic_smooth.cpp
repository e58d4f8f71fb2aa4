#include "seamless/periodic_smooth.h"

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/worker_threads.h"
#include "seamless/fourier.h"
#include "seamless/lane_fourier.h"
#include "seamless/picture_samples.h"
#include "seamless/unit_root.h"
#include "seamless/work_buffer.h"

namespace seamless {
namespace {

// The smooth component of a real picture is real, so its spectrum is
// conjugate-symmetric: the columns of the first half, width / 2 + 1 of
// them, say all of it. Column q of channel c's spectrum is
//   (downJumps_c(r) acrossFactor(q) + acrossJumps_c(q) downFactor(r)) / L(q, r),
// so the transforms down are of |acrossFactor(q)| downJumps_c(r) / L(q, r)
// for each channel and of k(q) downFactor(r) / L(q, r) once for all, k(q)
// the largest |acrossJumps_c(q)|. Each of them is the transform of a
// conjugate-symmetric column, real, and two of them travel as one complex
// transform (the first in the real part, the second in the imaginary
// part), kLaneCount columns at a time; the two scales keep the pair's
// values of like size, so that neither drowns in the other's rounding.
// Then each row's half spectrum is put together from them and transformed
// across, two rows as one complex transform, kLaneCount pairs at a time.
constexpr std::int32_t kColumnsPerBatch = kLaneCount;
constexpr std::int32_t kRowsPerBatch = 2 * kLaneCount;

// The batches are shared out over the cores in runs of about this many
// samples, with progress and abort between runs on the caller's thread.
// Every batch is computed the same whichever thread takes it, so the result
// does not depend on the number of cores.
constexpr std::int64_t kSamplesPerRun = std::int64_t{1} << 20;
// Each worker (one thread's share) has its own scratch lines and plans;
// pictures smaller than this many pixels are done on the caller's thread
// alone.
constexpr std::int32_t kMostWorkers = 16;
constexpr std::int64_t kLeastPixelsForWorkers = 128 * 128;

struct Worker {
  Worker() = default;
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  ~Worker() {
    destroyLanePlan(down);
    destroyLanePlan(across);
  }
  LanePlan* down = nullptr;         // inverse, of the height
  LanePlan* across = nullptr;       // inverse, of the width
  WorkBuffer<LaneComplex> input;    // the longer side
  WorkBuffer<LaneComplex> output;   // the longer side
  WorkBuffer<float> rows;           // channels x kRowsPerBatch x width: rows of the smooth component
  WorkBuffer<float> taken;          // channels x width: one row's share of it, as the pixels are packed
};

// One column's values of one of the real transforms down, for
// kRowsPerBatch rows, as the transforms across take them: lane l holds rows
// y0 + 2 l (first) and y0 + 2 l + 1 (second).
struct RowPairs {
  Lanes first;
  Lanes second;
};

// What the spectrum of one point needs of its row r: the factor
// 1 - exp(2 pi i r / n) of the border jumps' spectra, and the periodic
// Laplacian's share 2 cos(2 pi r / n) - 2 = -4 sin^2(pi r / n).
struct Frequency {
  Complex factor;
  float laplacian;
};

// What a column q of the first half needs: the Laplacian's share across,
// the scales of its transforms down (|acrossFactor(q)|, then k(q)) and what
// turns them back, acrossFactor(q) / |acrossFactor(q)| and
// acrossJumps_c(q) / k(q) (0 when k(q) is), channel c in lane c.
struct HalfColumn {
  float laplacian;
  float factorSize;
  float jumpSize;
  Complex factorTurn;
  LaneComplex jumpShares;
};

struct Working {
  std::int32_t halfWidth = 0;        // width / 2 + 1
  std::int32_t parts = 0;            // the real transforms down: one a channel, then the factors' one
  // Row batches of halfWidth columns of `parts` transforms down.
  WorkBuffer<RowPairs> half;
  Worker workers[kMostWorkers];
  std::int32_t workerCount = 0;      // workers with their memory
  LanePlan* forwardAcross = nullptr;
  LanePlan* forwardDown = nullptr;
  // Transforms of the jumps from the last row to the first (across, width
  // values) and from the last column to the first (down, height values),
  // channel c in lane c.
  WorkBuffer<LaneComplex> acrossJumps;
  WorkBuffer<LaneComplex> downJumps;
  WorkBuffer<HalfColumn> halfColumns;       // halfWidth
  WorkBuffer<Frequency> downFrequencies;    // height
  WorkBuffer<float> acrossKept;      // width: see fillKeptShares
  WorkBuffer<float> downKept;        // height
  Working() = default;
  Working(const Working&) = delete;
  Working& operator=(const Working&) = delete;
  ~Working() {
    destroyLanePlan(forwardAcross);
    destroyLanePlan(forwardDown);
  }
};

std::int32_t rowBatchCount(const Picture& picture) { return (picture.height + kRowsPerBatch - 1) / kRowsPerBatch; }

// One worker at least; more, up to one a core, while their memory can be had.
bool allocate(Working& working, const Picture& picture) {
  const std::int64_t width = picture.width;
  const std::int64_t height = picture.height;
  const std::int64_t longer = width > height ? width : height;
  working.halfWidth = picture.width / 2 + 1;
  working.parts = picture.channels + 1;  // even: pairs of them travel together
  if (!working.half.allocate(rowBatchCount(picture) * static_cast<std::int64_t>(working.halfWidth) *
                             working.parts) ||
      !working.acrossJumps.allocate(width) || !working.downJumps.allocate(height) ||
      !working.halfColumns.allocate(working.halfWidth) ||
      !working.downFrequencies.allocate(height) ||
      !working.acrossKept.allocate(width) || !working.downKept.allocate(height)) {
    return false;
  }
  std::int32_t wanted = width * height < kLeastPixelsForWorkers ? 1 : platform::workerThreadCount();
  if (wanted > kMostWorkers) wanted = kMostWorkers;
  // The first worker's plans lend their twiddles to every other plan.
  const Worker& first = working.workers[0];
  working.workerCount = 0;
  while (working.workerCount < wanted) {
    Worker& worker = working.workers[working.workerCount];
    worker.down = createLanePlan(picture.height, true, first.down);
    worker.across = createLanePlan(picture.width, true, first.across != nullptr ? first.across : first.down);
    if (worker.down == nullptr || worker.across == nullptr || !worker.input.allocate(longer) ||
        !worker.output.allocate(longer) || !worker.rows.allocate(picture.channels * kRowsPerBatch * width) ||
        !worker.taken.allocate(picture.channels * width)) {
      break;
    }
    ++working.workerCount;
  }
  if (working.workerCount == 0) return false;
  working.forwardDown = createLanePlan(picture.height, false, first.down);
  working.forwardAcross = createLanePlan(picture.width, false, first.across);
  return working.forwardDown != nullptr && working.forwardAcross != nullptr;
}

// From the half angle: 1 - exp(i t) = 2 sin^2(t / 2) - 2 i sin(t / 2) cos(t / 2).
Frequency frequencyOf(std::int32_t q, std::int32_t n) {
  const UnitRoot half = unitRoot(q, 2 * static_cast<std::int64_t>(n));
  return {{static_cast<float>(2.0 * half.sine * half.sine), static_cast<float>(-2.0 * half.sine * half.cosine)},
          static_cast<float>(-4.0 * half.sine * half.sine)};
}

// The smooth component is taken out whole at the borders, where the seam
// is, and less and less towards the middle, whose half is kept exactly as
// it was: acrossKept[x] * downKept[y] of it is kept. (Moisan's p takes
// it out everywhere, which spreads each border's jump over the whole
// picture and shifts the shading of its middle too.) Across the outer
// quarter the share rises as a smoothstep from nothing at the border to all
// of it, so what is taken out stays smooth; the borders, and so the jumps
// across the wrap, are those of the periodic component.
void fillKeptShares(float* shares, std::int32_t side) {
  const std::int32_t quarter = side / 4;
  for (std::int32_t i = 0; i < side; ++i) {
    const std::int32_t fromBorder = i < side - 1 - i ? i : side - 1 - i;
    if (quarter == 0) {
      shares[i] = 0.0f;  // no middle to keep: all of it goes
    } else if (fromBorder >= quarter) {
      shares[i] = 1.0f;
    } else {
      const double t = static_cast<double>(fromBorder) / quarter;
      shares[i] = static_cast<float>(t * t * (3.0 - 2.0 * t));
    }
  }
}

// Every channel's border jumps at once, channel c in lane c.
static_assert(kLaneCount >= 3, "a lane for each channel of an RGB picture");
void transformBorderJumps(const Picture& picture, Working& working) {
  const std::int32_t width = picture.width;
  const std::int32_t height = picture.height;
  LaneComplex* jumps = working.workers[0].input.data();
  for (std::int32_t y = 0; y < height; ++y) {
    jumps[y] = LaneComplex{};
    for (std::int32_t c = 0; c < picture.channels; ++c) {
      jumps[y].real[c] = static_cast<float>(sampleAt(picture, width - 1, y, c) - sampleAt(picture, 0, y, c));
    }
  }
  transformLanes(working.forwardDown, jumps, working.downJumps.data());
  for (std::int32_t x = 0; x < width; ++x) {
    jumps[x] = LaneComplex{};
    for (std::int32_t c = 0; c < picture.channels; ++c) {
      jumps[x].real[c] = static_cast<float>(sampleAt(picture, x, height - 1, c) - sampleAt(picture, x, 0, c));
    }
  }
  transformLanes(working.forwardAcross, jumps, working.acrossJumps.data());
}

// From the half angle t / 2 in [0, pi / 2]: 2 cos t - 2 = -4 sin^2(t / 2),
// |1 - exp(i t)| = 2 sin(t / 2) and
// (1 - exp(i t)) / |1 - exp(i t)| = sin(t / 2) - i cos(t / 2).
void fillHalfColumns(const Picture& picture, Working& working) {
  for (std::int32_t q = 0; q < working.halfWidth; ++q) {
    const UnitRoot half = unitRoot(q, 2 * static_cast<std::int64_t>(picture.width));
    HalfColumn& column = working.halfColumns[q];
    column.laplacian = static_cast<float>(-4.0 * half.sine * half.sine);
    column.factorSize = static_cast<float>(2.0 * half.sine);
    column.factorTurn = {static_cast<float>(half.sine), static_cast<float>(-half.cosine)};
    const LaneComplex& jumps = working.acrossJumps[q];
    double largest = 0.0;
    for (std::int32_t c = 0; c < picture.channels; ++c) {
      const double size = std::sqrt(static_cast<double>(jumps.real[c]) * jumps.real[c] +
                                    static_cast<double>(jumps.imaginary[c]) * jumps.imaginary[c]);
      if (size > largest) largest = size;
    }
    column.jumpSize = static_cast<float>(largest);
    column.jumpShares = LaneComplex{};
    for (std::int32_t c = 0; largest > 0.0 && c < picture.channels; ++c) {
      column.jumpShares.real[c] = static_cast<float>(jumps.real[c] / largest);
      column.jumpShares.imaginary[c] = static_cast<float>(jumps.imaginary[c] / largest);
    }
  }
}

Lanes broadcast(float value) { return Lanes{} + value; }

// The spectrum a part's transform down starts from, at row r (before the
// division by the Laplacian): a channel's border jumps, or the factor.
Complex partSpectrum(const Working& working, std::int32_t part, std::int32_t r) {
  const LaneComplex& jumps = working.downJumps[r];
  if (part < working.parts - 1) return {jumps.real[part], jumps.imaginary[part]};
  return working.downFrequencies[r].factor;
}

// Columns q0 .. q0 + kLaneCount - 1 of every part's transform down, into
// `half`. The jumps are a picture that is zero but on the borders; its
// spectrum is the border jumps' one-dimensional spectra times
// 1 - exp(2 pi i q / n), and the periodic Laplacian divides it by
// L(q, r) = 2 cos(2 pi q / width) + 2 cos(2 pi r / height) - 4. The inverse
// transforms' 1 / (width height) is taken here too.
void transformColumns(const Picture& picture, std::int32_t q0, Working& working, Worker& worker) {
  const std::int32_t height = picture.height;
  const std::int32_t count = working.halfWidth - q0 < kLaneCount ? working.halfWidth - q0 : kLaneCount;
  Lanes laplacian{}, factorSize{}, jumpSize{};
  for (std::int32_t lane = 0; lane < kLaneCount; ++lane) {
    // Lanes past the last column repeat it; their results are dropped.
    const std::int32_t q = q0 + (lane < count ? lane : count - 1);
    laplacian[lane] = working.halfColumns[q].laplacian;
    factorSize[lane] = working.halfColumns[q].factorSize;
    jumpSize[lane] = working.halfColumns[q].jumpSize;
  }
  const Lanes scale = broadcast(static_cast<float>(1.0 / (static_cast<double>(picture.width) * height)));
  LaneComplex* column = worker.input.data();
  for (std::int32_t part = 0; part < working.parts; part += 2) {
    const Lanes firstSize = part < working.parts - 1 ? factorSize : jumpSize;
    const Lanes secondSize = part + 1 < working.parts - 1 ? factorSize : jumpSize;
    for (std::int32_t r = 0; r < height; ++r) {
      // part + i (part + 1), each at its scale
      const Complex a = partSpectrum(working, part, r);
      const Complex b = partSpectrum(working, part + 1, r);
      const Lanes share = scale / (laplacian + working.downFrequencies[r].laplacian);
      column[r] = {(a.real * firstSize - b.imaginary * secondSize) * share,
                   (a.imaginary * firstSize + b.real * secondSize) * share};
    }
    if (q0 == 0) {
      // L(0, 0) is 0. s has mean zero (p keeps u's mean), and the jumps'
      // transforms at column 0 are scaled by |acrossFactor(0)| = 0.
      column[0].real[0] = 0.0f;
      column[0].imaginary[0] = 0.0f;
    }
    transformLanes(worker.down, column, worker.output.data());
    // Turned from lanes of columns into lanes of row pairs.
    const LaneComplex* rows = worker.output.data();
    for (std::int32_t y0 = 0; y0 < height; y0 += kRowsPerBatch) {
      LaneComplex padded[kRowsPerBatch];
      const LaneComplex* batch = rows + y0;
      if (height - y0 < kRowsPerBatch) {
        for (std::int32_t i = 0; i < kRowsPerBatch; ++i) padded[i] = y0 + i < height ? rows[y0 + i] : LaneComplex{};
        batch = padded;
      }
      Lanes firstReal[kLaneCount], firstImaginary[kLaneCount], secondReal[kLaneCount], secondImaginary[kLaneCount];
#pragma GCC unroll 16
      for (std::int32_t lane = 0; lane < kLaneCount; ++lane) {
        firstReal[lane] = batch[2 * lane].real;
        firstImaginary[lane] = batch[2 * lane].imaginary;
        secondReal[lane] = batch[2 * lane + 1].real;
        secondImaginary[lane] = batch[2 * lane + 1].imaginary;
      }
      transposeLanes(firstReal);
      transposeLanes(firstImaginary);
      transposeLanes(secondReal);
      transposeLanes(secondImaginary);
      RowPairs* out = working.half.data() +
                      (static_cast<std::int64_t>(y0 / kRowsPerBatch) * working.halfWidth + q0) * working.parts + part;
      for (std::int32_t lane = 0; lane < count; ++lane) {
        out[lane * working.parts] = {firstReal[lane], secondReal[lane]};
        out[lane * working.parts + 1] = {firstImaginary[lane], secondImaginary[lane]};
      }
    }
  }
}

// Packed samples, kLaneCount of them, as the vector unit takes them.
typedef std::uint8_t LaneBytes __attribute__((vector_size(kLaneCount), aligned(1)));
typedef std::uint16_t LaneWords __attribute__((vector_size(2 * kLaneCount), aligned(2)));

// kLaneCount packed samples as floats, and back (clamped before, so that
// every value fits).
inline Lanes loadSamples(const std::uint8_t* samples) {
#if defined(__SSE2__)
  std::int32_t four;
  std::memcpy(&four, samples, sizeof four);
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero);
  return Lanes(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
#else
  LaneBytes packed;
  std::memcpy(&packed, samples, sizeof packed);
  return __builtin_convertvector(packed, Lanes);
#endif
}
inline void storeSamples(LaneIntegers values, std::uint8_t* samples) {
#if defined(__SSE2__)
  const __m128i words = _mm_packs_epi32(__m128i(values), __m128i(values));
  const std::int32_t four = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
  std::memcpy(samples, &four, sizeof four);
#else
  const LaneBytes packed = __builtin_convertvector(values, LaneBytes);
  std::memcpy(samples, &packed, sizeof packed);
#endif
}
inline Lanes loadSamples(const std::uint16_t* samples) {
  LaneWords packed;
  std::memcpy(&packed, samples, sizeof packed);
  return __builtin_convertvector(packed, Lanes);
}
inline void storeSamples(LaneIntegers values, std::uint16_t* samples) {
  const LaneWords packed = __builtin_convertvector(values, LaneWords);
  std::memcpy(samples, &packed, sizeof packed);
}

// Takes `taken` (the smooth component times its share, sample by sample)
// out of `count` packed samples: the nearest sample, clamped (NaN to 0),
// with plain comparisons and a truncation, kLaneCount at a time and then
// one by one, alike.
template <typename Sample>
void subtractSamples(Sample* samples, const float* taken, std::int32_t count, float maximum) {
  std::int32_t i = 0;
  for (; i + kLaneCount <= count; i += kLaneCount) {
    Lanes share;
    std::memcpy(&share, taken + i, sizeof share);
    Lanes value = loadSamples(samples + i) - share;
    value = value > 0.0f ? value : 0.0f;
    value = value < maximum ? value : maximum;
    storeSamples(__builtin_convertvector(value + 0.5f, LaneIntegers), samples + i);
  }
  for (; i < count; ++i) {
    float value = static_cast<float>(samples[i]) - taken[i];
    value = value > 0.0f ? value : 0.0f;
    value = value < maximum ? value : maximum;
    samples[i] = static_cast<Sample>(static_cast<std::int32_t>(value + 0.5f));
  }
}

// Columns [begin, end) of row y: each channel's smooth component times its
// share, acrossKept[x] * downKept[y] of it kept, interleaved as the pixels
// are, then taken out of them.
void subtractPixels(Picture& picture, std::int32_t y, const float* const* smooth, const Working& working,
                    float* taken, std::int32_t begin, std::int32_t end) {
  const std::int32_t channels = picture.channels;
  const float rowKept = working.downKept[y];
  const float* acrossKept = working.acrossKept.data();
  if (channels == 3) {
    for (std::int32_t x = begin; x < end; ++x) {
      const float share = 1.0f - acrossKept[x] * rowKept;
      float* out = taken + 3 * (x - begin);
      out[0] = smooth[0][x] * share;
      out[1] = smooth[1][x] * share;
      out[2] = smooth[2][x] * share;
    }
  } else {
    for (std::int32_t x = begin; x < end; ++x) taken[x - begin] = smooth[0][x] * (1.0f - acrossKept[x] * rowKept);
  }
  const std::size_t first = (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) + begin) * channels;
  const std::int32_t count = (end - begin) * channels;
  const float maximum = static_cast<float>(maximumSample(picture));
  if (picture.sampleBytes == 2) {
    subtractSamples(reinterpret_cast<std::uint16_t*>(picture.pixels) + first, taken, count, maximum);
  } else {
    subtractSamples(picture.pixels + first, taken, count, maximum);
  }
}

// One channel's rows y0 .. y0 + kRowsPerBatch - 1 of the smooth component,
// from their half spectra, into `rows` (kRowsPerBatch rows of width).
void smoothRows(const Picture& picture, std::int32_t channel, std::int32_t y0, const Working& working,
                Worker& worker, float* rows) {
  const std::int32_t width = picture.width;
  const std::int32_t parts = working.parts;
  const RowPairs* half = working.half.data() + static_cast<std::int64_t>(y0 / kRowsPerBatch) * working.halfWidth * parts;
  LaneComplex* spectrum = worker.input.data();
  // Column q of the lanes' first and second rows: the channel's part
  // turned as acrossFactor(q), plus the factors' part times the channel's
  // share of acrossJumps(q). At 0, and at width / 2 of an even width, the
  // values are real; past the half, each is the conjugate of the one
  // mirrored.
  for (std::int32_t q = 0; 2 * q <= width; ++q) {
    const RowPairs& own = half[static_cast<std::int64_t>(q) * parts + channel];
    const RowPairs& factors = half[static_cast<std::int64_t>(q) * parts + parts - 1];
    const HalfColumn& column = working.halfColumns[q];
    const Complex factor = column.factorTurn;
    const Complex jump{column.jumpShares.real[channel], column.jumpShares.imaginary[channel]};
    const Lanes firstReal = factor.real * own.first + jump.real * factors.first;
    const Lanes firstImaginary = factor.imaginary * own.first + jump.imaginary * factors.first;
    const Lanes secondReal = factor.real * own.second + jump.real * factors.second;
    const Lanes secondImaginary = factor.imaginary * own.second + jump.imaginary * factors.second;
    if (q == 0 || 2 * q == width) {
      spectrum[q] = {firstReal, secondReal};
    } else {
      // first + i second, and its mirror conj(first) + i conj(second)
      spectrum[q] = {firstReal - secondImaginary, firstImaginary + secondReal};
      spectrum[width - q] = {firstReal + secondImaginary, secondReal - firstImaginary};
    }
  }
  transformLanes(worker.across, spectrum, worker.output.data());

  // Lane l's real parts are row y0 + 2 l, its imaginary parts the next.
  const LaneComplex* values = worker.output.data();
  std::int32_t x = 0;
  for (; x + kLaneCount <= width; x += kLaneCount) {
    const LaneComplex* at = values + x;
    Lanes real[kLaneCount], imaginary[kLaneCount];
#pragma GCC unroll 16
    for (std::int32_t i = 0; i < kLaneCount; ++i) {
      real[i] = at[i].real;
      imaginary[i] = at[i].imaginary;
    }
    transposeLanes(real);
    transposeLanes(imaginary);
    for (std::int32_t lane = 0; lane < kLaneCount; ++lane) {
      std::memcpy(rows + static_cast<std::int64_t>(2 * lane) * width + x, &real[lane], sizeof(Lanes));
      std::memcpy(rows + static_cast<std::int64_t>(2 * lane + 1) * width + x, &imaginary[lane], sizeof(Lanes));
    }
  }
  for (; x < width; ++x) {
    for (std::int32_t lane = 0; lane < kLaneCount; ++lane) {
      rows[static_cast<std::int64_t>(2 * lane) * width + x] = values[x].real[lane];
      rows[static_cast<std::int64_t>(2 * lane + 1) * width + x] = values[x].imaginary[lane];
    }
  }
}

// Rows y0 .. y0 + kRowsPerBatch - 1 of every channel's smooth component,
// taken out of the picture.
void smoothRowBatch(Picture& picture, std::int32_t y0, const Working& working, Worker& worker) {
  const std::int32_t width = picture.width;
  const std::int64_t channelRows = static_cast<std::int64_t>(kRowsPerBatch) * width;
  for (std::int32_t c = 0; c < picture.channels; ++c) {
    smoothRows(picture, c, y0, working, worker, worker.rows.data() + c * channelRows);
  }
  // Rows of the middle half keep the middle half of their columns as they
  // are: none of the smooth component is taken out there.
  const std::int32_t quarter = width / 4;
  float* taken = worker.taken.data();
  for (std::int32_t i = 0; i < kRowsPerBatch && y0 + i < picture.height; ++i) {
    const float* smooth[3];
    for (std::int32_t c = 0; c < picture.channels; ++c) {
      smooth[c] = worker.rows.data() + c * channelRows + static_cast<std::int64_t>(i) * width;
    }
    const bool middle = working.downKept[y0 + i] == 1.0f && quarter > 0;
    subtractPixels(picture, y0 + i, smooth, working, taken, 0, middle ? quarter : width);
    if (middle) subtractPixels(picture, y0 + i, smooth, working, taken, width - quarter, width);
  }
}

// One run of batches, [start, end), shared out over the workers: worker i
// takes start + i, start + i + workerCount and so on.
struct Run {
  Picture* picture;
  Working* working;
  std::int32_t start;
  std::int32_t end;
};

void columnBatches(void* context, std::int32_t workerIndex) {
  const Run& run = *static_cast<const Run*>(context);
  Worker& worker = run.working->workers[workerIndex];
  for (std::int32_t b = run.start + workerIndex; b < run.end; b += run.working->workerCount) {
    transformColumns(*run.picture, b * kColumnsPerBatch, *run.working, worker);
  }
}

void rowBatches(void* context, std::int32_t workerIndex) {
  const Run& run = *static_cast<const Run*>(context);
  Worker& worker = run.working->workers[workerIndex];
  for (std::int32_t b = run.start + workerIndex; b < run.end; b += run.working->workerCount) {
    smoothRowBatch(*run.picture, b * kRowsPerBatch, *run.working, worker);
  }
}

std::int32_t columnBatchCount(const Picture& picture) {
  return (picture.width / 2 + 1 + kColumnsPerBatch - 1) / kColumnsPerBatch;
}

// Calls job over `batches` batches of kLaneCount transforms of `length` in
// runs; false when the caller stopped.
bool inRuns(Run& run, std::int32_t batches, std::int32_t length, void (*job)(void*, std::int32_t),
            ProgressMeter& meter) {
  const std::int64_t most = kSamplesPerRun / (static_cast<std::int64_t>(kLaneCount) * length);
  const std::int32_t perRun = most < 1 ? 1 : most > batches ? batches : static_cast<std::int32_t>(most);
  for (run.start = 0; run.start < batches; run.start += perRun) {
    run.end = batches - run.start < perRun ? batches : run.start + perRun;
    platform::forEachIndex(run.working->workerCount, job, &run);
    if (!meter.advance(run.end - run.start)) return false;
  }
  return true;
}

}  // namespace

std::int64_t smoothUnits(const Picture& picture) {
  return static_cast<std::int64_t>(columnBatchCount(picture)) + rowBatchCount(picture);
}

Outcome keepPeriodicComponent(Picture& picture, ProgressMeter& meter) {
  if (static_cast<std::int64_t>(picture.width) * picture.height == 1) {
    return meter.advance(smoothUnits(picture)) ? Outcome::done : Outcome::aborted;
  }
  Working working;
  if (!allocate(working, picture)) return Outcome::outOfMemory;
  for (std::int32_t r = 0; r < picture.height; ++r) working.downFrequencies[r] = frequencyOf(r, picture.height);
  fillKeptShares(working.acrossKept.data(), picture.width);
  fillKeptShares(working.downKept.data(), picture.height);
  transformBorderJumps(picture, working);
  fillHalfColumns(picture, working);
  Run run{&picture, &working, 0, 0};
  if (!inRuns(run, columnBatchCount(picture), picture.height, columnBatches, meter) ||
      !inRuns(run, rowBatchCount(picture), picture.width * picture.channels, rowBatches, meter)) {
    return Outcome::aborted;
  }
  return Outcome::done;
}

}  // namespace seamless
