#include "seamless/periodic_smooth.h"

#include <cstring>

#include "platform/worker_threads.h"
#include "seamless/fourier.h"
#include "seamless/picture_samples.h"
#include "seamless/unit_root.h"
#include "seamless/work_buffer.h"

namespace seamless {
namespace {

// Columns gathered at a time for the vertical transforms, so that the reads
// of the spectrum go along rows rather than one value per row.
constexpr std::int32_t kColumnBlock = 16;

// The rows and the column blocks are shared out over the cores in runs of
// this many, with progress and abort between runs on the caller's thread.
// Every row and column is computed the same whichever thread takes it, so
// the result does not depend on the number of cores.
constexpr std::int32_t kRowsPerRun = 128;
constexpr std::int32_t kBlocksPerRun = 16;
// Each lane (one thread's share) has its own scratch lines; pictures
// smaller than this many pixels are done on the caller's thread alone.
constexpr std::int32_t kMostLanes = 16;
constexpr std::int64_t kLeastPixelsForLanes = 128 * 128;

class Plans {
 public:
  ~Plans() {
    for (FourierPlan* plan : plans_) destroyFourierPlan(plan);
  }
  bool create(std::int32_t width, std::int32_t height) {
    plans_[0] = createFourierPlan(width, false);
    plans_[1] = createFourierPlan(height, false);
    plans_[2] = createFourierPlan(width, true);
    plans_[3] = createFourierPlan(height, true);
    return plans_[0] != nullptr && plans_[1] != nullptr && plans_[2] != nullptr && plans_[3] != nullptr;
  }
  FourierPlan* forwardAcross() const { return plans_[0]; }
  FourierPlan* forwardDown() const { return plans_[1]; }
  FourierPlan* inverseAcross() const { return plans_[2]; }
  FourierPlan* inverseDown() const { return plans_[3]; }

 private:
  FourierPlan* plans_[4] = {};
};

// One thread's scratch, and its own plans: a plan of Bluestein's chirp
// transforms through a work line of its own.
struct Lane {
  Plans plans;
  WorkBuffer<Complex> line;   // 2 x the longer side
  WorkBuffer<Complex> block;  // kColumnBlock x height
};

struct Working {
  WorkBuffer<Complex> spectrum;  // height rows of width values
  Lane lanes[kMostLanes];
  std::int32_t laneCount = 0;    // lanes with their memory
  WorkBuffer<Complex> acrossJumps;  // width: transform of the jumps from the last row to the first
  WorkBuffer<Complex> downJumps;    // height: transform of the jumps from the last column to the first
  WorkBuffer<UnitRoot> acrossRoots;  // width
  WorkBuffer<UnitRoot> downRoots;    // height
  WorkBuffer<double> acrossKept;     // width: see keptShare
  WorkBuffer<double> downKept;       // height
};

// One lane at least; more, up to one a core, while their memory can be had.
bool allocate(Working& working, const Picture& picture) {
  const std::int64_t width = picture.width;
  const std::int64_t height = picture.height;
  const std::int64_t longer = width > height ? width : height;
  if (!working.spectrum.allocate(width * height) || !working.acrossJumps.allocate(width) ||
      !working.downJumps.allocate(height) || !working.acrossRoots.allocate(width) ||
      !working.downRoots.allocate(height) || !working.acrossKept.allocate(width) ||
      !working.downKept.allocate(height)) {
    return false;
  }
  std::int32_t wanted = width * height < kLeastPixelsForLanes ? 1 : platform::workerThreadCount();
  if (wanted > kMostLanes) wanted = kMostLanes;
  working.laneCount = 0;
  while (working.laneCount < wanted) {
    Lane& lane = working.lanes[working.laneCount];
    if (!lane.plans.create(picture.width, picture.height) || !lane.line.allocate(2 * longer) ||
        !lane.block.allocate(kColumnBlock * height)) {
      break;
    }
    ++working.laneCount;
  }
  return working.laneCount > 0;
}

// The smooth component is taken out whole at the borders, where the seam
// is, and less and less towards the middle, whose half is kept exactly as
// it was: acrossKept[x] * downKept[y] of it is kept. (Moisan's p takes
// it out everywhere, which spreads each border's jump over the whole
// picture and shifts the shading of its middle too.) Across the outer
// quarter the share rises as a smoothstep from nothing at the border to all
// of it, so what is taken out stays smooth; the borders, and so the jumps
// across the wrap, are those of the periodic component.
void fillKeptShares(double* shares, std::int32_t side) {
  const std::int32_t quarter = side / 4;
  for (std::int32_t i = 0; i < side; ++i) {
    const std::int32_t fromBorder = i < side - 1 - i ? i : side - 1 - i;
    if (quarter == 0) {
      shares[i] = 0.0;  // no middle to keep: all of it goes
    } else if (fromBorder >= quarter) {
      shares[i] = 1.0;
    } else {
      const double t = static_cast<double>(fromBorder) / quarter;
      shares[i] = t * t * (3.0 - 2.0 * t);
    }
  }
}

double sampleOrZero(const Picture& picture, std::int32_t x, std::int32_t y, std::int32_t channel) {
  return channel < picture.channels ? sampleAt(picture, x, y, channel) : 0.0;
}

// Two channels travel as one complex picture: the real part the first, the
// imaginary part the second. Every step is linear over the complex numbers
// and the smooth component of a real picture is real, so the two come back
// apart in the real and imaginary parts.
void transformBorderJumps(const Picture& picture, std::int32_t first, Working& working) {
  const std::int32_t width = picture.width;
  const std::int32_t height = picture.height;
  const Plans& plans = working.lanes[0].plans;
  Complex* jumps = working.lanes[0].line.data();
  for (std::int32_t y = 0; y < height; ++y) {
    jumps[y] = {static_cast<float>(sampleOrZero(picture, width - 1, y, first) - sampleOrZero(picture, 0, y, first)),
                static_cast<float>(sampleOrZero(picture, width - 1, y, first + 1) -
                                   sampleOrZero(picture, 0, y, first + 1))};
  }
  transform(plans.forwardDown(), jumps, working.downJumps.data());
  for (std::int32_t x = 0; x < width; ++x) {
    jumps[x] = {static_cast<float>(sampleOrZero(picture, x, height - 1, first) - sampleOrZero(picture, x, 0, first)),
                static_cast<float>(sampleOrZero(picture, x, height - 1, first + 1) -
                                   sampleOrZero(picture, x, 0, first + 1))};
  }
  transform(plans.forwardAcross(), jumps, working.acrossJumps.data());
}

// Row r of the smooth component's spectrum, then its inverse transform
// across. The jumps are a picture that is zero but on the borders; its
// spectrum is the border jumps' one-dimensional spectra times
// 1 - exp(2 pi i q / n), and the periodic Laplacian divides it by
// 2 cos(2 pi q / width) + 2 cos(2 pi r / height) - 4.
void smoothSpectrumRow(const Picture& picture, std::int32_t r, const Working& working, Lane& lane) {
  const std::int32_t width = picture.width;
  const UnitRoot down = working.downRoots[r];
  const Complex downJump = working.downJumps[r];
  const double downFactorReal = 1.0 - down.cosine;
  const double downFactorImaginary = -down.sine;
  Complex* row = lane.line.data();
  for (std::int32_t q = 0; q < width; ++q) {
    const UnitRoot across = working.acrossRoots[q];
    const double laplacian = 2.0 * across.cosine + 2.0 * down.cosine - 4.0;
    if (q == 0 && r == 0) {
      row[q] = {0.0f, 0.0f};  // s has mean zero: p keeps u's mean
      continue;
    }
    const double acrossFactorReal = 1.0 - across.cosine;
    const double acrossFactorImaginary = -across.sine;
    const Complex acrossJump = working.acrossJumps[q];
    const double real = downJump.real * acrossFactorReal - downJump.imaginary * acrossFactorImaginary +
                        acrossJump.real * downFactorReal - acrossJump.imaginary * downFactorImaginary;
    const double imaginary = downJump.real * acrossFactorImaginary + downJump.imaginary * acrossFactorReal +
                             acrossJump.real * downFactorImaginary + acrossJump.imaginary * downFactorReal;
    row[q] = {static_cast<float>(real / laplacian), static_cast<float>(imaginary / laplacian)};
  }
  transform(lane.plans.inverseAcross(), row, working.spectrum.data() + static_cast<std::int64_t>(r) * width);
}

void subtractColumns(Picture& picture, std::int32_t first, std::int32_t x0, std::int32_t count, const Working& working,
                     Lane& lane) {
  const std::int32_t width = picture.width;
  const std::int32_t height = picture.height;
  Complex* block = lane.block.data();
  for (std::int32_t y = 0; y < height; ++y) {
    const Complex* row = working.spectrum.data() + static_cast<std::int64_t>(y) * width + x0;
    for (std::int32_t i = 0; i < count; ++i) block[static_cast<std::int64_t>(i) * height + y] = row[i];
  }
  const double scale = 1.0 / (static_cast<double>(width) * static_cast<double>(height));
  const std::int32_t maximum = maximumSample(picture);
  Complex* column = lane.line.data();
  for (std::int32_t i = 0; i < count; ++i) {
    transform(lane.plans.inverseDown(), block + static_cast<std::int64_t>(i) * height, column);
    const std::int32_t x = x0 + i;
    for (std::int32_t y = 0; y < height; ++y) {
      const double taken = (1.0 - working.acrossKept[x] * working.downKept[y]) * scale;
      setSample(picture, x, y, first, quantizeSample(sampleAt(picture, x, y, first) - column[y].real * taken, maximum));
      if (first + 1 < picture.channels) {
        setSample(picture, x, y, first + 1,
                  quantizeSample(sampleAt(picture, x, y, first + 1) - column[y].imaginary * taken, maximum));
      }
    }
  }
}

// One run of rows or column blocks, [start, end), shared out over the lanes:
// lane i takes start + i, start + i + laneCount and so on.
struct LaneWork {
  Picture* picture;
  std::int32_t first;
  Working* working;
  std::int32_t start;
  std::int32_t end;
};

void spectrumRows(void* context, std::int32_t laneIndex) {
  const LaneWork& work = *static_cast<const LaneWork*>(context);
  Lane& lane = work.working->lanes[laneIndex];
  for (std::int32_t r = work.start + laneIndex; r < work.end; r += work.working->laneCount) {
    smoothSpectrumRow(*work.picture, r, *work.working, lane);
  }
}

void columnBlocks(void* context, std::int32_t laneIndex) {
  const LaneWork& work = *static_cast<const LaneWork*>(context);
  Lane& lane = work.working->lanes[laneIndex];
  const std::int32_t width = work.picture->width;
  for (std::int32_t b = work.start + laneIndex; b < work.end; b += work.working->laneCount) {
    const std::int32_t x0 = b * kColumnBlock;
    const std::int32_t count = width - x0 < kColumnBlock ? width - x0 : kColumnBlock;
    subtractColumns(*work.picture, work.first, x0, count, *work.working, lane);
  }
}

}  // namespace

std::int64_t smoothUnits(const Picture& picture) {
  const std::int64_t pairs = (picture.channels + 1) / 2;
  return pairs * (static_cast<std::int64_t>(picture.height) + (picture.width + kColumnBlock - 1) / kColumnBlock);
}

Outcome keepPeriodicComponent(Picture& picture, ProgressMeter& meter) {
  if (static_cast<std::int64_t>(picture.width) * picture.height == 1) {
    return meter.advance(smoothUnits(picture)) ? Outcome::done : Outcome::aborted;
  }
  Working working;
  if (!allocate(working, picture)) return Outcome::outOfMemory;
  for (std::int32_t q = 0; q < picture.width; ++q) working.acrossRoots[q] = unitRoot(q, picture.width);
  for (std::int32_t r = 0; r < picture.height; ++r) working.downRoots[r] = unitRoot(r, picture.height);
  fillKeptShares(working.acrossKept.data(), picture.width);
  fillKeptShares(working.downKept.data(), picture.height);
  for (std::int32_t first = 0; first < picture.channels; first += 2) {
    transformBorderJumps(picture, first, working);
    LaneWork work{&picture, first, &working, 0, 0};
    for (work.start = 0; work.start < picture.height; work.start += kRowsPerRun) {
      work.end = picture.height - work.start < kRowsPerRun ? picture.height : work.start + kRowsPerRun;
      platform::forEachIndex(working.laneCount, spectrumRows, &work);
      if (!meter.advance(work.end - work.start)) return Outcome::aborted;
    }
    const std::int32_t blocks = (picture.width + kColumnBlock - 1) / kColumnBlock;
    for (work.start = 0; work.start < blocks; work.start += kBlocksPerRun) {
      work.end = blocks - work.start < kBlocksPerRun ? blocks : work.start + kBlocksPerRun;
      platform::forEachIndex(working.laneCount, columnBlocks, &work);
      if (!meter.advance(work.end - work.start)) return Outcome::aborted;
    }
  }
  return Outcome::done;
}

}  // namespace seamless
