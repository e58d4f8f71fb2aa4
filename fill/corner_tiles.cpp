#include "fill/corner_tiles.h"

#include <cstddef>
#include <cstring>

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

inline std::int64_t floorDivide(std::int64_t value, std::int32_t divisor) {
  const std::int64_t quotient = value / divisor;
  return quotient * divisor > value ? quotient - 1 : quotient;
}

// A position at most one period outside the texture, brought inside: a
// patch position plus a tile offset never lies further (tiles are at most
// a period), and a compare or two costs less than a division.
inline std::int32_t wrapNear(std::int32_t index, std::int32_t period) {
  return index < 0 ? index + period : (index >= period ? index - period : index);
}

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
  const TexelBlock* texture;
  std::int32_t tileWidth;
  std::int32_t tileHeight;
  std::int32_t centreX;  // tileWidth / 2: where the cuts are pinned
  std::int32_t centreY;
};

// How far a cut may stray from the tile centre's column (or row), `step`
// cells from the nearer pinned end, a tile side `along` cells long and
// `across` wide. A cut that keeps within this cone of its tile never meets
// the cuts of the other direction, so every pixel of a tile has one corner.
inline std::int32_t cutReach(std::int32_t step, std::int32_t along, std::int32_t across) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(step) * across / along);
}

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
      candidateX[i] = random.below(p.texture->width);
      candidateY[i] = random.below(p.texture->height);
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

// The minimum-error cut between two corner patches (dynamic programming, as
// in Image Quilting; a graph cut would also allow loops, which the runs do
// not need): from the tile centre on one side of the edge to the centre on
// the other, one cell across at most per step, within cutReach of the
// centre line. `cost` holds along x (across + 1) sums, `from` the steps.
void minimumCut(const Placement& p, bool down, std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by,
                std::int64_t* cost, std::int8_t* from, std::int32_t* cut) {
  const std::int32_t along = down ? p.tileWidth : p.tileHeight;
  const std::int32_t across = down ? p.tileHeight : p.tileWidth;
  const std::int32_t centreAlong = down ? p.centreX : p.centreY;
  const std::int32_t centre = down ? p.centreY : p.centreX;
  const std::int64_t unreachable = INT64_MAX / 4;
  for (std::int32_t r = 0; r < along; ++r) {
    const std::int32_t offAxis = r - (along - centreAlong);
    const std::int32_t step = r < along - 1 - r ? r : along - 1 - r;
    const std::int32_t reach = cutReach(step, along, across);
    std::int64_t* row = cost + static_cast<std::ptrdiff_t>(r) * across;
    const std::int64_t* previous = row - across;
    for (std::int32_t x = 0; x < across; ++x) {
      if (x < centre - reach || x > centre + reach) {
        row[x] = unreachable;
        continue;
      }
      const std::uint8_t* a = down ? texelAt(*p.texture, ax + offAxis, ay + x) : texelAt(*p.texture, ax + x, ay + offAxis);
      const std::uint8_t* b = down ? texelAt(*p.texture, bx + offAxis, by + x - across)
                                   : texelAt(*p.texture, bx + x - across, by + offAxis);
      const std::int64_t here = squaredDifference(a, b, p.texture->channels);
      if (r == 0) {
        row[x] = here;
        continue;
      }
      std::int64_t least = previous[x];
      std::int8_t move = 0;
      if (x > 0 && previous[x - 1] < least) {
        least = previous[x - 1];
        move = -1;
      }
      if (x + 1 < across && previous[x + 1] < least) {
        least = previous[x + 1];
        move = 1;
      }
      row[x] = least + here;
      from[static_cast<std::ptrdiff_t>(r) * across + x] = move;
    }
  }
  std::int32_t x = centre;
  for (std::int32_t r = along - 1; r >= 0; --r) {
    cut[r] = x;
    if (r > 0) x += from[static_cast<std::ptrdiff_t>(r) * across + x];
  }
}

// Which corner of tile (a, b, c, d) pixel (x, y) takes: 0 top-left,
// 1 top-right, 2 bottom-left, 3 bottom-right.
inline std::int32_t cornerOf(const CornerTiles& t, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                             std::int32_t x, std::int32_t y) {
  const std::int32_t k = t.colours;
  const std::int32_t cx = t.tileWidth / 2;
  const std::int32_t cy = t.tileHeight / 2;
  const std::int32_t column = y < cy ? t.acrossCuts[(a * k + b) * t.tileHeight + y + t.tileHeight - cy]
                                     : t.acrossCuts[(c * k + d) * t.tileHeight + y - cy];
  const std::int32_t row = x < cx ? t.downCuts[(a * k + c) * t.tileWidth + x + t.tileWidth - cx]
                                  : t.downCuts[(b * k + d) * t.tileWidth + x - cx];
  return (y < row ? 0 : 2) + (x < column ? 0 : 1);
}

struct RunWork {
  CornerTiles* tiles;
  bool write;  // false: count the runs into runFirst[entry + 1]
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
  // The cut across this quarter's rows (its column) and the one down its
  // columns (a row for each column), as cornerOf reads them.
  // Offsets, so that across[acrossAt + y] and down[downAt + x] are read.
  const std::int32_t* across = t.acrossCuts;
  const std::int32_t* down = t.downCuts;
  const std::int32_t acrossAt = quarter < 2 ? (colour[0] * k + colour[1]) * t.tileHeight + t.tileHeight - cy
                                            : (colour[2] * k + colour[3]) * t.tileHeight - cy;
  const std::int32_t downAt = quarter % 2 == 0 ? (colour[0] * k + colour[2]) * t.tileWidth + t.tileWidth - cx
                                               : (colour[1] * k + colour[3]) * t.tileWidth - cx;
  for (std::int32_t y = top; y < bottom; ++y) {
    const std::size_t entry = static_cast<std::size_t>(unit) * t.tileHeight + y;
    std::uint32_t* out = work.write ? t.runs + t.runFirst[entry] : nullptr;
    std::uint32_t count = 0;
    const std::int32_t column = across[acrossAt + y];
    std::int32_t owner = (y < down[downAt + left] ? 0 : 2) + (left < column ? 0 : 1);
    for (std::int32_t x = left + 1; x <= right; ++x) {
      const std::int32_t next = x < right ? (y < down[downAt + x] ? 0 : 2) + (x < column ? 0 : 1) : -1;
      if (next == owner) continue;
      if (out != nullptr) out[count] = (static_cast<std::uint32_t>(x) << 2) | static_cast<std::uint32_t>(owner);
      ++count;
      owner = next;
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

}  // namespace

void releaseCornerTiles(CornerTiles& tiles) {
  platform::releaseMemory(tiles.acrossCuts);
  platform::releaseMemory(tiles.downCuts);
  platform::releaseMemory(tiles.runFirst);
  platform::releaseMemory(tiles.runs);
  tiles = CornerTiles{};
}

bool buildCornerTiles(const TexelBlock& texture, std::int32_t cellPercent, std::uint32_t seed, CornerTiles& tiles) {
  tiles = CornerTiles{};
  tiles.texture = texture;
  const bool roomy = texture.width >= kShortestTileSide && texture.height >= kShortestTileSide;
  tiles.colours = roomy ? kCornerColours : 1;
  tiles.tileWidth = roomy ? tileSide(texture.width, cellPercent) : texture.width;
  tiles.tileHeight = roomy ? tileSide(texture.height, cellPercent) : texture.height;
  const std::int32_t k = tiles.colours;
  const std::int32_t units = 4 * k * k * k;
  const std::size_t entries = static_cast<std::size_t>(units) * tiles.tileHeight;
  tiles.acrossCuts = static_cast<std::int32_t*>(
      platform::allocateMemory(sizeof(std::int32_t) * static_cast<std::size_t>(k * k) * tiles.tileHeight));
  tiles.downCuts = static_cast<std::int32_t*>(
      platform::allocateMemory(sizeof(std::int32_t) * static_cast<std::size_t>(k * k) * tiles.tileWidth));
  tiles.runFirst = static_cast<std::uint32_t*>(platform::allocateMemory(sizeof(std::uint32_t) * (entries + 1)));
  if (tiles.runFirst != nullptr) std::memset(tiles.runFirst, 0, sizeof(std::uint32_t) * (entries + 1));
  if (tiles.acrossCuts == nullptr || tiles.downCuts == nullptr || tiles.runFirst == nullptr) {
    releaseCornerTiles(tiles);
    return false;
  }

  if (!roomy) {
    // The texture itself: one tile, one corner, the tile fill.
    for (std::int32_t y = 0; y < tiles.tileHeight; ++y) tiles.acrossCuts[y] = tiles.tileWidth;
    for (std::int32_t x = 0; x < tiles.tileWidth; ++x) tiles.downCuts[x] = tiles.tileHeight;
  } else {
    const Placement placement{&texture, tiles.tileWidth, tiles.tileHeight, tiles.tileWidth / 2, tiles.tileHeight / 2};
    const std::int32_t longer = tiles.tileWidth > tiles.tileHeight ? tiles.tileWidth : tiles.tileHeight;
    const std::size_t cells = static_cast<std::size_t>(longer) * longer;
    auto* cost = static_cast<std::int64_t*>(platform::allocateMemory(sizeof(std::int64_t) * cells));
    auto* from = static_cast<std::int8_t*>(platform::allocateMemory(cells));
    auto* errors = static_cast<std::int64_t*>(platform::allocateMemory(sizeof(std::int64_t) * kCandidates));
    if (cost == nullptr || from == nullptr || errors == nullptr) {
      platform::releaseMemory(cost);
      platform::releaseMemory(from);
      platform::releaseMemory(errors);
      releaseCornerTiles(tiles);
      return false;
    }
    Random random{seed};
    chooseSources(placement, random, tiles, errors);
    for (std::int32_t a = 0; a < k; ++a) {
      for (std::int32_t b = 0; b < k; ++b) {
        minimumCut(placement, false, tiles.sourceX[a], tiles.sourceY[a], tiles.sourceX[b], tiles.sourceY[b], cost,
                   from, tiles.acrossCuts + (a * k + b) * tiles.tileHeight);
        minimumCut(placement, true, tiles.sourceX[a], tiles.sourceY[a], tiles.sourceX[b], tiles.sourceY[b], cost,
                   from, tiles.downCuts + (a * k + b) * tiles.tileWidth);
      }
    }
    platform::releaseMemory(cost);
    platform::releaseMemory(from);
    platform::releaseMemory(errors);
  }

  RunWork count{&tiles, false};
  platform::forEachIndex(units, quarterRuns, &count);
  tiles.runFirst[0] = 0;
  for (std::size_t e = 0; e < entries; ++e) tiles.runFirst[e + 1] += tiles.runFirst[e];
  tiles.runs = static_cast<std::uint32_t*>(platform::allocateMemory(sizeof(std::uint32_t) * tiles.runFirst[entries]));
  if (tiles.runs == nullptr && tiles.runFirst[entries] > 0) {
    releaseCornerTiles(tiles);
    return false;
  }
  RunWork write{&tiles, true};
  platform::forEachIndex(units, quarterRuns, &write);
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

const std::uint8_t* mappedQuiltedTexel(const CornerTiles& tiles, const TextureMap& map, std::int64_t x,
                                       std::int64_t y, std::uint32_t seed) {
  const auto along = [x, y](std::int64_t perX, std::int64_t perY, std::int64_t origin) {
    const std::uint64_t fixed = static_cast<std::uint64_t>(perX) * static_cast<std::uint64_t>(x) +
                                static_cast<std::uint64_t>(perY) * static_cast<std::uint64_t>(y) +
                                static_cast<std::uint64_t>(origin);
    return static_cast<std::int64_t>(fixed) >> kMapFractionBits;
  };
  return quiltedTexel(tiles, along(map.ux, map.uy, map.u0), along(map.vx, map.vy, map.v0), seed);
}

}  // namespace fill
