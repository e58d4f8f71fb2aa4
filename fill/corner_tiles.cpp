#include "fill/corner_tiles.h"

#include <atomic>
#include <cstddef>
#include <cstring>

#include "fill/diamond_cut.h"
#include "fill/joint_strength.h"
#include "fill/texture_lattice.h"
#include "fill/triangle_grid.h"
#include "platform/platform.h"
#include "platform/worker_threads.h"
#include "resample/wrap_index.h"

namespace fill {
namespace {

// Patch positions tried for each colour, and how much worse than the best
// the one taken may be (Efros and Freeman take a random block among those
// within 10 % of the best; with whole-period patches the best positions are
// few, so the margin is wider here, and it keeps the colours apart).
constexpr std::int32_t kCandidates = 256;
constexpr double kTolerance = 0.25;

inline const std::uint8_t* texelAt(const TexelBlock& texture, std::int32_t x, std::int32_t y) {
  return texelRow(texture, wrapNear(y, texture.height)) +
         static_cast<std::ptrdiff_t>(wrapNear(x, texture.width)) * texture.channels;
}

std::int32_t squaredDifference(const std::uint8_t* a, const std::uint8_t* b, std::int32_t channels) {
  std::int32_t sum = 0;
  for (std::int32_t c = 0; c < channels; ++c) {
    const std::int32_t d = static_cast<std::int32_t>(a[c]) - static_cast<std::int32_t>(b[c]);
    sum += d * d;
  }
  return sum;
}

struct Placement {
  const TexelBlock* texture;  // what the decisions are taken on
  std::int32_t tileWidth;
  std::int32_t tileHeight;
  std::int32_t centreX;  // tileWidth / 2: where the cuts are pinned
  std::int32_t centreY;
  TextureLattice lattice;  // patch positions differ by offsets on it
  std::int32_t phaseX;     // and each is (phaseX, phaseY) plus one of them
  std::int32_t phaseY;
};

// Overlap error between the patches of two corners side by side (left at
// source (ax, ay), right at (bx, by)) over a band about the tile edge
// between them, every fourth texel along it and every other across; `down`
// swaps the roles of the axes.
std::int64_t overlapError(const Placement& p, bool down, std::int32_t ax, std::int32_t ay, std::int32_t bx,
                          std::int32_t by) {
  const std::int32_t along = down ? p.tileWidth : p.tileHeight;
  const std::int32_t across = down ? p.tileHeight : p.tileWidth;
  const std::int32_t centreAlong = down ? p.centreX : p.centreY;
  const std::int32_t centreAcross = down ? p.centreY : p.centreX;
  const std::int32_t halfBand = across / 16 > 2 ? across / 16 : 2;
  std::int64_t sum = 0;
  for (std::int32_t r = 0; r < along; r += 4) {
    const std::int32_t offAxis = r - (along - centreAlong);
    for (std::int32_t x = centreAcross - halfBand; x <= centreAcross + halfBand; x += 2) {
      const std::uint8_t* a = down ? texelAt(*p.texture, ax + offAxis, ay + x) : texelAt(*p.texture, ax + x, ay + offAxis);
      const std::uint8_t* b = down ? texelAt(*p.texture, bx + offAxis, by + x - across)
                                   : texelAt(*p.texture, bx + x - across, by + offAxis);
      sum += squaredDifference(a, b, p.texture->channels);
    }
  }
  return sum;
}

struct SourceSearch {
  const Placement* placement;
  const std::int32_t* chosenX;
  const std::int32_t* chosenY;
  std::int32_t chosen;
  const std::int32_t* candidateX;
  const std::int32_t* candidateY;
  std::int64_t* errors;  // per candidate; -1 for one too close to a chosen position
};

void candidateError(void* context, std::int32_t index) {
  const SourceSearch& s = *static_cast<const SourceSearch*>(context);
  const Placement& p = *s.placement;
  const std::int32_t x = s.candidateX[index];
  const std::int32_t y = s.candidateY[index];
  for (std::int32_t j = 0; j < s.chosen; ++j) {
    const std::int32_t dx = wrapIndex(x - s.chosenX[j], p.texture->width);
    const std::int32_t dy = wrapIndex(y - s.chosenY[j], p.texture->height);
    const std::int32_t nearX = dx < p.texture->width - dx ? dx : p.texture->width - dx;
    const std::int32_t nearY = dy < p.texture->height - dy ? dy : p.texture->height - dy;
    if (nearX * 8 < p.texture->width && nearY * 8 < p.texture->height) {
      s.errors[index] = -1;
      return;
    }
  }
  // Every pair of colours meets in both orders and both directions, and a
  // colour meets itself.
  std::int64_t error = overlapError(p, false, x, y, x, y) + overlapError(p, true, x, y, x, y);
  for (std::int32_t j = 0; j < s.chosen; ++j) {
    const std::int32_t cx = s.chosenX[j];
    const std::int32_t cy = s.chosenY[j];
    error += overlapError(p, false, cx, cy, x, y) + overlapError(p, false, x, y, cx, cy) +
             overlapError(p, true, cx, cy, x, y) + overlapError(p, true, x, y, cx, cy);
  }
  s.errors[index] = error;
}

struct Random {
  std::uint32_t state;
  std::uint32_t next() {
    state += 0x9E3779B9u;
    return stochastic::mixBits(state);
  }
  std::int32_t below(std::int32_t bound) {
    return static_cast<std::int32_t>((static_cast<std::uint64_t>(next()) * static_cast<std::uint32_t>(bound)) >> 32);
  }
};

// Each colour's patch position in turn, Efros and Freeman's way: the overlap
// error against the patches already placed (and against itself), and a
// random one among the candidates within kTolerance of the best.
void chooseSources(const Placement& p, Random& random, CornerTiles& tiles, std::int64_t* errors) {
  std::int32_t candidateX[kCandidates];
  std::int32_t candidateY[kCandidates];
  for (std::int32_t k = 0; k < tiles.colours; ++k) {
    for (std::int32_t i = 0; i < kCandidates; ++i) {
      const std::int32_t x = random.below(p.texture->width);
      const std::int32_t y = random.below(p.texture->height);
      // Onto the lattice through the phase, so that every patch has its
      // joints where the others have theirs.
      std::int32_t cellX = 0;
      std::int32_t cellY = 0;
      latticeCell(p.lattice, std::int64_t{x} - p.phaseX, std::int64_t{y} - p.phaseY, &cellX, &cellY);
      candidateX[i] = wrapIndex(x - cellX, p.texture->width);
      candidateY[i] = wrapIndex(y - cellY, p.texture->height);
    }
    SourceSearch search{&p, tiles.sourceX, tiles.sourceY, k, candidateX, candidateY, errors};
    platform::forEachIndex(kCandidates, candidateError, &search);
    std::int64_t best = -1;
    for (std::int32_t i = 0; i < kCandidates; ++i) {
      if (errors[i] >= 0 && (best < 0 || errors[i] < best)) best = errors[i];
    }
    std::int32_t within = 0;
    const double limit = static_cast<double>(best) * (1.0 + kTolerance);
    for (std::int32_t i = 0; i < kCandidates; ++i) within += errors[i] >= 0 && errors[i] <= limit ? 1 : 0;
    std::int32_t pick = within > 0 ? random.below(within) : 0;
    tiles.sourceX[k] = candidateX[0];
    tiles.sourceY[k] = candidateY[0];
    for (std::int32_t i = 0; i < kCandidates; ++i) {
      if (errors[i] < 0 || errors[i] > limit) continue;
      if (pick-- == 0) {
        tiles.sourceX[k] = candidateX[i];
        tiles.sourceY[k] = candidateY[i];
        break;
      }
    }
  }
}

inline bool sideBit(const std::uint64_t* row, std::int32_t bit) { return ((row[bit >> 6] >> (bit & 63)) & 1u) != 0; }

// Which corner of tile (a, b, c, d) pixel (x, y) takes: 0 top-left,
// 1 top-right, 2 bottom-left, 3 bottom-right: the side of the cut of the
// diamond its triangle belongs to.
inline std::int32_t cornerOf(const CornerTiles& t, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                             std::int32_t x, std::int32_t y) {
  const std::int32_t k = t.colours;
  const std::int32_t cx = t.tileWidth / 2;
  const std::int32_t cy = t.tileHeight / 2;
  switch (tileTriangle(x, y, t.tileWidth, t.tileHeight)) {
    case triangleTop:
      return sideBit(t.acrossSides + (static_cast<std::size_t>(a * k + b) * t.tileHeight + y + t.tileHeight - cy) *
                                         t.acrossWords, x) ? 1 : 0;
    case triangleBottom:
      return sideBit(t.acrossSides + (static_cast<std::size_t>(c * k + d) * t.tileHeight + y - cy) * t.acrossWords,
                     x) ? 3 : 2;
    case triangleLeft:
      return sideBit(t.downSides + (static_cast<std::size_t>(a * k + c) * t.tileWidth + x + t.tileWidth - cx) *
                                       t.downWords, y) ? 2 : 0;
    default:
      return sideBit(t.downSides + (static_cast<std::size_t>(b * k + d) * t.tileWidth + x - cx) * t.downWords, y) ? 3
                                                                                                                : 1;
  }
}

struct CutWork {
  const Placement* placement;
  const std::uint8_t* joints;  // the texture's joint strength, a byte a texel
  CornerTiles* tiles;
  std::atomic<bool>* failed;
};

// One pair's cut in one direction: unit = (direction x colours + a) x
// colours + b. The two patches are laid over the diamond's frame, then cut.
void pairCut(void* context, std::int32_t unit) {
  const CutWork& work = *static_cast<const CutWork*>(context);
  const Placement& p = *work.placement;
  CornerTiles& t = *work.tiles;
  const std::int32_t k = t.colours;
  const bool down = unit >= k * k;
  const std::int32_t pair = unit % (k * k);
  const std::int32_t a = pair / k;
  const std::int32_t b = pair % k;
  DiamondFrame frame{};
  frame.along = down ? t.tileWidth : t.tileHeight;
  frame.across = down ? t.tileHeight : t.tileWidth;
  frame.centreAlong = frame.along / 2;
  frame.centreAcross = frame.across / 2;
  frame.acrossCut = !down;
  const std::int32_t channels = p.texture->channels;
  const std::size_t texels = static_cast<std::size_t>(frame.along) * frame.across;
  const std::size_t scratchBytes = diamondCutScratchBytes(frame, channels);
  // The scratch after the patches, on a 16-byte boundary for its arrays.
  const std::size_t patchBytes = (2 * texels * (channels + 1) + 15) & ~static_cast<std::size_t>(15);
  auto* memory = static_cast<std::uint8_t*>(platform::allocateMemory(patchBytes + scratchBytes));
  if (memory == nullptr) {
    work.failed->store(true);
    return;
  }
  std::uint8_t* first = memory;
  std::uint8_t* second = memory + texels * channels;
  std::uint8_t* firstJoint = memory + 2 * texels * channels;
  std::uint8_t* secondJoint = firstJoint + texels;
  const auto jointAt = [&](std::int32_t x, std::int32_t y) {
    return work.joints[static_cast<std::size_t>(wrapNear(y, p.texture->height)) * p.texture->width +
                       wrapNear(x, p.texture->width)];
  };
  const std::int32_t ax = t.sourceX[a];
  const std::int32_t ay = t.sourceY[a];
  const std::int32_t bx = t.sourceX[b];
  const std::int32_t by = t.sourceY[b];
  for (std::int32_t r = 0; r < frame.along; ++r) {
    // Along the cut, from the lattice edge.
    const std::int32_t offAxis = r - (frame.along - frame.centreAlong);
    for (std::int32_t x = 0; x < frame.across; ++x) {
      const std::uint8_t* from = down ? texelAt(*p.texture, ax + offAxis, ay + x) : texelAt(*p.texture, ax + x, ay + offAxis);
      const std::uint8_t* to = down ? texelAt(*p.texture, bx + offAxis, by + x - frame.across)
                                    : texelAt(*p.texture, bx + x - frame.across, by + offAxis);
      const std::size_t i = (static_cast<std::size_t>(r) * frame.across + x) * channels;
      std::memcpy(first + i, from, static_cast<std::size_t>(channels));
      std::memcpy(second + i, to, static_cast<std::size_t>(channels));
      const std::size_t j = static_cast<std::size_t>(r) * frame.across + x;
      firstJoint[j] = down ? jointAt(ax + offAxis, ay + x) : jointAt(ax + x, ay + offAxis);
      secondJoint[j] = down ? jointAt(bx + offAxis, by + x - frame.across) : jointAt(bx + x - frame.across, by + offAxis);
    }
  }
  std::uint64_t* sides = down ? t.downSides + static_cast<std::size_t>(pair) * t.tileWidth * t.downWords
                              : t.acrossSides + static_cast<std::size_t>(pair) * t.tileHeight * t.acrossWords;
  const CutPatches patches{first, second, firstJoint, secondJoint, channels};
  cutDiamond(frame, patches, memory + patchBytes, sides);
  platform::releaseMemory(memory);
}

struct RunWork {
  CornerTiles* tiles;
  bool write;  // false: count the runs into runFirst[entry + 1]
  // For each tile row, the columns [spanFirst, spanEnd) in its top or
  // bottom triangle (tileTriangle); the others are in the left or right one.
  const std::int32_t* spanFirst;
  const std::int32_t* spanEnd;
};

// The runs of one quarter kind and one choice of its three colours: the
// half rows of its quarter of every tile that has those colours there.
void quarterRuns(void* context, std::int32_t unit) {
  const RunWork& work = *static_cast<const RunWork*>(context);
  CornerTiles& t = *work.tiles;
  const std::int32_t k = t.colours;
  const std::int32_t triples = k * k * k;
  const std::int32_t quarter = unit / triples;
  const std::int32_t triple = unit % triples;
  std::int32_t colour[4] = {0, 0, 0, 0};
  colour[kQuarterCorners[quarter][0]] = triple / (k * k);
  colour[kQuarterCorners[quarter][1]] = triple / k % k;
  colour[kQuarterCorners[quarter][2]] = triple % k;
  const std::int32_t cx = t.tileWidth / 2;
  const std::int32_t cy = t.tileHeight / 2;
  const std::int32_t top = quarter < 2 ? 0 : cy;
  const std::int32_t bottom = quarter < 2 ? cy : t.tileHeight;
  const std::int32_t left = quarter % 2 == 0 ? 0 : cx;
  const std::int32_t right = quarter % 2 == 0 ? cx : t.tileWidth;
  // A tile one texel wide has no left half: no runs there (its counts stay 0).
  if (left >= right) return;
  for (std::int32_t y = top; y < bottom; ++y) {
    const std::size_t entry = static_cast<std::size_t>(unit) * t.tileHeight + y;
    std::uint32_t* out = work.write ? t.runs + t.runFirst[entry] : nullptr;
    std::uint32_t count = 0;
    // The row's cut of the top or bottom triangle, and the cuts down the
    // columns of the left or right one, as cornerOf reads them.
    const bool upper = y < cy;
    const std::uint64_t* acrossRow =
        upper ? t.acrossSides + (static_cast<std::size_t>(colour[0] * k + colour[1]) * t.tileHeight + y +
                                 t.tileHeight - cy) * t.acrossWords
              : t.acrossSides + (static_cast<std::size_t>(colour[2] * k + colour[3]) * t.tileHeight + y - cy) *
                                    t.acrossWords;
    const std::int32_t acrossCorner = upper ? 0 : 2;
    // Frame rows of the left cut from tile column 0 on, of the right one
    // from column cx on.
    const std::size_t leftColumns =
        static_cast<std::size_t>(colour[0] * k + colour[2]) * t.tileWidth + t.tileWidth - cx;
    const std::size_t rightColumns = static_cast<std::size_t>(colour[1] * k + colour[3]) * t.tileWidth;
    const std::int32_t spanFirst = work.spanFirst[y];
    const std::int32_t spanEnd = work.spanEnd[y];
    const auto owner = [&](std::int32_t x) {
      if (x >= spanFirst && x < spanEnd) return acrossCorner + (sideBit(acrossRow, x) ? 1 : 0);
      if (x < cx) return sideBit(t.downSides + (leftColumns + x) * t.downWords, y) ? 2 : 0;
      return sideBit(t.downSides + (rightColumns + (x - cx)) * t.downWords, y) ? 3 : 1;
    };
    std::int32_t current = owner(left);
    for (std::int32_t x = left + 1; x <= right; ++x) {
      const std::int32_t next = x < right ? owner(x) : -1;
      if (next == current) continue;
      if (out != nullptr) out[count] = (static_cast<std::uint32_t>(x) << 2) | static_cast<std::uint32_t>(current);
      ++count;
      current = next;
    }
    if (!work.write) t.runFirst[entry + 1] = count;
  }
}

std::int32_t tileSide(std::int32_t period, std::int32_t cellPercent) {
  std::int32_t side = cellPercent > 0 ? static_cast<std::int32_t>(static_cast<std::int64_t>(period) * cellPercent / 100)
                                      : period;
  if (side < kShortestTileSide) side = kShortestTileSide;
  if (side > kLongestTileSide) side = kLongestTileSide;
  return side;
}

// A lattice that leaves fewer offsets than this for the patches would make
// the colours' patches repeat one another.
constexpr std::int32_t kFewestLatticeOffsets = 16;

std::int32_t greatestCommonDivisor(std::int32_t a, std::int32_t b) {
  while (b != 0) {
    const std::int32_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

// The nearest side to `side` that is a multiple of `step`, within the
// tile sides allowed and the period; 0 when there is none.
std::int32_t sideOnLattice(std::int32_t side, std::int32_t step, std::int32_t period) {
  const std::int32_t longest = period < kLongestTileSide ? period : kLongestTileSide;
  std::int32_t below = side / step * step;
  if (below > longest) below = longest / step * step;
  const std::int32_t above = below + step;
  const bool belowFits = below >= kShortestTileSide;
  const bool aboveFits = above <= longest;
  if (belowFits && (!aboveFits || side - below <= above - side)) return below;
  return aboveFits ? above : 0;
}

// Tiles whose sides are lattice offsets, so that a patch keeps its phase on
// the lattice in whichever corner of a tile it sits: (tileWidth, 0) and
// (0, tileHeight) on the lattice. False when no such sides fit.
bool fitTilesToLattice(const TexelBlock& texture, CornerTiles& tiles) {
  const TextureLattice& l = tiles.lattice;
  if (anyOffset(l)) return true;
  const std::int32_t stepDown = l.down * (l.across / greatestCommonDivisor(l.across, l.shift));
  const std::int32_t width = sideOnLattice(tiles.tileWidth, l.across, texture.width);
  const std::int32_t height = sideOnLattice(tiles.tileHeight, stepDown, texture.height);
  if (width == 0 || height == 0) return false;
  tiles.tileWidth = width;
  tiles.tileHeight = height;
  return true;
}

// Where on the lattice the patches sit: the tile centres, where every cut of
// a tile ends, on the texels that differ least from one lattice cell to the
// next (the grout, the mortar, a gap: what the cells share). False when
// memory runs out.
bool latticePhase(const TexelBlock& texture, const CornerTiles& tiles, Placement& placement) {
  placement.lattice = tiles.lattice;
  placement.phaseX = 0;
  placement.phaseY = 0;
  const TextureLattice& l = tiles.lattice;
  if (anyOffset(l)) return true;
  const std::size_t cells = static_cast<std::size_t>(l.across) * l.down;
  auto* sums = static_cast<double*>(platform::allocateMemory(sizeof(double) * 3 * cells));
  if (sums == nullptr) return false;
  std::memset(sums, 0, sizeof(double) * 3 * cells);
  double* squares = sums + cells;
  double* counts = squares + cells;
  for (std::int32_t y = 0; y < texture.height; ++y) {
    const std::uint8_t* row = texelRow(texture, y);
    for (std::int32_t x = 0; x < texture.width; ++x) {
      std::int32_t cellX = 0;
      std::int32_t cellY = 0;
      latticeCell(l, x, y, &cellX, &cellY);
      const std::size_t cell = static_cast<std::size_t>(cellY) * l.across + cellX;
      for (std::int32_t c = 0; c < texture.channels; ++c) {
        const double value = row[static_cast<std::ptrdiff_t>(x) * texture.channels + c];
        sums[cell] += value;
        squares[cell] += value * value;
      }
      counts[cell] += 1;
    }
  }
  // Each cell's variance across the lattice, in place of its squares.
  for (std::size_t cell = 0; cell < cells; ++cell) {
    const double mean = sums[cell] / counts[cell];
    squares[cell] = squares[cell] / counts[cell] - mean * mean;
  }
  // The pin is a texel corner: the four texels about it count together.
  double best = -1;
  std::int32_t bestX = 0;
  std::int32_t bestY = 0;
  for (std::int32_t y = 0; y < l.down; ++y) {
    for (std::int32_t x = 0; x < l.across; ++x) {
      double spread = 0;
      for (std::int32_t dy = -1; dy <= 0; ++dy) {
        for (std::int32_t dx = -1; dx <= 0; ++dx) {
          std::int32_t cellX = 0;
          std::int32_t cellY = 0;
          latticeCell(l, x + dx, y + dy, &cellX, &cellY);
          spread += squares[static_cast<std::size_t>(cellY) * l.across + cellX];
        }
      }
      if (best < 0 || spread < best) {
        best = spread;
        bestX = x;
        bestY = y;
      }
    }
  }
  platform::releaseMemory(sums);
  // Patch (sx, sy) has its tile centre at (sx + w / 2, sy + h / 2).
  placement.phaseX = bestX - tiles.tileWidth / 2;
  placement.phaseY = bestY - tiles.tileHeight / 2;
  return true;
}

}  // namespace

void releaseCornerTiles(CornerTiles& tiles) {
  platform::releaseMemory(tiles.acrossSides);
  platform::releaseMemory(tiles.downSides);
  platform::releaseMemory(tiles.runFirst);
  platform::releaseMemory(tiles.runs);
  tiles = CornerTiles{};
}

bool buildCornerTiles(const TexelBlock& texture, std::int32_t cellPercent, std::uint32_t seed, CornerTiles& tiles) {
  return buildCornerTiles(texture, texture, cellPercent, seed, tiles);
}

bool buildCornerTiles(const TexelBlock& texture, const TexelBlock& decisions, std::int32_t cellPercent,
                      std::uint32_t seed, CornerTiles& tiles) {
  tiles = CornerTiles{};
  if (decisions.width != texture.width || decisions.height != texture.height) return false;
  tiles.texture = texture;
  tiles.lattice = kAnyOffset;
  const bool roomy = texture.width >= kShortestTileSide && texture.height >= kShortestTileSide;
  tiles.colours = roomy ? kCornerColours : 1;
  tiles.tileWidth = roomy ? tileSide(texture.width, cellPercent) : texture.width;
  tiles.tileHeight = roomy ? tileSide(texture.height, cellPercent) : texture.height;
  Placement placement{&decisions, 0, 0, 0, 0, kAnyOffset, 0, 0};
  if (roomy) {
    if (!findTextureLattice(decisions, kFewestLatticeOffsets, tiles.lattice)) return false;
    if (!fitTilesToLattice(decisions, tiles)) tiles.lattice = kAnyOffset;
    if (!latticePhase(decisions, tiles, placement)) return false;
  }
  const std::int32_t k = tiles.colours;
  const std::int32_t units = 4 * k * k * k;
  const std::size_t entries = static_cast<std::size_t>(units) * tiles.tileHeight;
  tiles.acrossWords = sideWords(tiles.tileWidth);
  tiles.downWords = sideWords(tiles.tileHeight);
  const std::size_t acrossBytes =
      sizeof(std::uint64_t) * static_cast<std::size_t>(k * k) * tiles.tileHeight * tiles.acrossWords;
  const std::size_t downBytes =
      sizeof(std::uint64_t) * static_cast<std::size_t>(k * k) * tiles.tileWidth * tiles.downWords;
  tiles.acrossSides = static_cast<std::uint64_t*>(platform::allocateMemory(acrossBytes));
  tiles.downSides = static_cast<std::uint64_t*>(platform::allocateMemory(downBytes));
  tiles.runFirst = static_cast<std::uint32_t*>(platform::allocateMemory(sizeof(std::uint32_t) * (entries + 1)));
  if (tiles.acrossSides == nullptr || tiles.downSides == nullptr || tiles.runFirst == nullptr) {
    releaseCornerTiles(tiles);
    return false;
  }
  std::memset(tiles.runFirst, 0, sizeof(std::uint32_t) * (entries + 1));
  // One colour: the texture itself, every pixel its top-left corner's.
  std::memset(tiles.acrossSides, 0, acrossBytes);
  std::memset(tiles.downSides, 0, downBytes);

  if (roomy) {
    placement.tileWidth = tiles.tileWidth;
    placement.tileHeight = tiles.tileHeight;
    placement.centreX = tiles.tileWidth / 2;
    placement.centreY = tiles.tileHeight / 2;
    auto* errors = static_cast<std::int64_t*>(platform::allocateMemory(sizeof(std::int64_t) * kCandidates));
    if (errors == nullptr) {
      releaseCornerTiles(tiles);
      return false;
    }
    Random random{seed};
    chooseSources(placement, random, tiles, errors);
    platform::releaseMemory(errors);
    auto* joints = static_cast<std::uint8_t*>(
        platform::allocateMemory(static_cast<std::size_t>(texture.width) * texture.height));
    std::atomic<bool> failed{joints == nullptr || !jointStrength(decisions, joints)};
    CutWork cuts{&placement, joints, &tiles, &failed};
    if (!failed.load()) platform::forEachIndex(2 * k * k, pairCut, &cuts);
    platform::releaseMemory(joints);
    if (failed.load()) {
      releaseCornerTiles(tiles);
      return false;
    }
  }

  auto* spans = static_cast<std::int32_t*>(platform::allocateMemory(sizeof(std::int32_t) * 2 * tiles.tileHeight));
  if (spans == nullptr) {
    releaseCornerTiles(tiles);
    return false;
  }
  for (std::int32_t y = 0; y < tiles.tileHeight; ++y) {
    std::int32_t first = tiles.tileWidth;
    std::int32_t end = 0;
    for (std::int32_t x = 0; x < tiles.tileWidth; ++x) {
      const TileTriangle triangle = tileTriangle(x, y, tiles.tileWidth, tiles.tileHeight);
      if (triangle != triangleTop && triangle != triangleBottom) continue;
      if (x < first) first = x;
      end = x + 1;
    }
    spans[y] = first;
    spans[tiles.tileHeight + y] = end;
  }
  RunWork count{&tiles, false, spans, spans + tiles.tileHeight};
  platform::forEachIndex(units, quarterRuns, &count);
  tiles.runFirst[0] = 0;
  for (std::size_t e = 0; e < entries; ++e) tiles.runFirst[e + 1] += tiles.runFirst[e];
  tiles.runs = static_cast<std::uint32_t*>(platform::allocateMemory(sizeof(std::uint32_t) * tiles.runFirst[entries]));
  if (tiles.runs == nullptr && tiles.runFirst[entries] > 0) {
    platform::releaseMemory(spans);
    releaseCornerTiles(tiles);
    return false;
  }
  RunWork write{&tiles, true, spans, spans + tiles.tileHeight};
  platform::forEachIndex(units, quarterRuns, &write);
  platform::releaseMemory(spans);
  return true;
}

void halfRowRuns(const CornerTiles& tiles, const std::int32_t colour[4], std::int32_t y, bool right,
                 std::uint32_t* first, std::uint32_t* last) {
  const std::int32_t k = tiles.colours;
  const std::int32_t quarter = (y < tiles.tileHeight / 2 ? 0 : 2) + (right ? 1 : 0);
  const std::int32_t* corners = kQuarterCorners[quarter];
  const std::int32_t triple = (colour[corners[0]] * k + colour[corners[1]]) * k + colour[corners[2]];
  const std::size_t entry = (static_cast<std::size_t>(quarter) * k * k * k + triple) * tiles.tileHeight + y;
  *first = tiles.runFirst[entry];
  *last = tiles.runFirst[entry + 1];
}

std::int32_t cornerColour(const CornerTiles& tiles, std::int64_t i, std::int64_t j, std::uint32_t seed) {
  return static_cast<std::int32_t>(
      stochastic::cornerHash(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j), seed) %
      static_cast<std::uint32_t>(tiles.colours));
}

TexelPosition quiltedSource(const CornerTiles& tiles, std::int64_t u, std::int64_t v, std::uint32_t seed) {
  const std::int64_t i = floorDivide(u, tiles.tileWidth);
  const std::int64_t j = floorDivide(v, tiles.tileHeight);
  const auto x = static_cast<std::int32_t>(u - i * tiles.tileWidth);
  const auto y = static_cast<std::int32_t>(v - j * tiles.tileHeight);
  const std::int32_t colour[4] = {cornerColour(tiles, i, j, seed), cornerColour(tiles, i + 1, j, seed),
                                  cornerColour(tiles, i, j + 1, seed), cornerColour(tiles, i + 1, j + 1, seed)};
  const std::int32_t corner = cornerOf(tiles, colour[0], colour[1], colour[2], colour[3], x, y);
  const std::int32_t k = colour[corner];
  return {wrapNear(tiles.sourceX[k] + x - (corner & 1) * tiles.tileWidth, tiles.texture.width),
          wrapNear(tiles.sourceY[k] + y - (corner >> 1) * tiles.tileHeight, tiles.texture.height)};
}

const std::uint8_t* quiltedTexel(const CornerTiles& tiles, std::int64_t u, std::int64_t v, std::uint32_t seed) {
  const TexelPosition at = quiltedSource(tiles, u, v, seed);
  return texelRow(tiles.texture, at.y) + static_cast<std::ptrdiff_t>(at.x) * tiles.texture.channels;
}

}  // namespace fill
