#include "fill/quilted_plane.h"

#include <cmath>
#include <cstring>

#include "resample/wrap_index.h"

namespace fill {
namespace {

// Texels across and down one block's positions may reach. With two texels
// of margin either side an RGB window is about 30 KB, small enough for the
// stack of whichever thread draws the block, so that drawing allocates
// nothing and any number of threads draw at once. At 73 % and 30 degrees a
// block is 66 x 69 pixels (the rows of a band 8000 wide) and the texels
// copied for it about twice its pixels; windows of 64 (blocks of 33 x 45
// there) took a tenth more time over all.
constexpr std::int32_t kWindowSide = 96;
constexpr std::int32_t kHeld = kWindowSide + 4;
constexpr std::size_t kLoadSlack = 16;  // a vector load of a row's last texels reads this far on
// A larger block saves little once a window serves thousands of pixels.
constexpr std::int32_t kLargestBlock = 96;
// Lattice corners across and down whose colours a block keeps: the 98
// texels a window fills meet at most eight tiles of the shortest side with
// a cut.
constexpr std::int32_t kKeptCorners = (kHeld + kShortestTileSide - 1) / kShortestTileSide + 2;
constexpr std::int64_t kHalfTexel = std::int64_t{1} << (kMapFractionBits - 1);

struct Window {
  std::uint8_t texels[kHeld * kHeld * 3 + kLoadSlack];
  const std::uint8_t* rows[kHeld];
};

// The colours of the lattice corners a block's rows meet, hashed once for
// the block rather than once for every row; corners beyond those kept (the
// texture's own tiles, when it is too small for a cut, may be a texel wide)
// are hashed when met.
struct CornerColours {
  const CornerTiles* tiles;
  std::uint32_t seed;
  std::int64_t firstI;
  std::int64_t firstJ;
  std::int32_t across;
  std::int32_t down;
  std::int32_t kept[kKeptCorners][kKeptCorners];

  CornerColours(const CornerTiles& t, std::uint32_t s, std::int64_t i, std::int64_t j, std::int64_t lastI,
                std::int64_t lastJ)
      : tiles(&t), seed(s), firstI(i), firstJ(j) {
    across = lastI - i + 2 < kKeptCorners ? static_cast<std::int32_t>(lastI - i + 2) : kKeptCorners;
    down = lastJ - j + 2 < kKeptCorners ? static_cast<std::int32_t>(lastJ - j + 2) : kKeptCorners;
    for (std::int32_t b = 0; b < down; ++b) {
      for (std::int32_t a = 0; a < across; ++a) kept[b][a] = t.colours == 1 ? 0 : cornerColour(t, i + a, j + b, s);
    }
  }
  std::int32_t at(std::int64_t i, std::int64_t j) const {
    const std::int64_t a = i - firstI;
    const std::int64_t b = j - firstJ;
    if (a >= 0 && a < across && b >= 0 && b < down) return kept[b][a];
    return cornerColour(*tiles, i, j, seed);
  }
};

// Texels [u, u + count) of the plane's row v into `out`, run by run from
// the corner patches, as the fill at the texture's own size copies them.
void copyPlaneRow(const CornerTiles& t, const CornerColours& colours, std::int64_t u, std::int64_t v,
                  std::int32_t count, std::uint8_t* out) {
  const TexelBlock& texture = t.texture;
  const auto channels = static_cast<std::size_t>(texture.channels);
  const std::int64_t j = floorDivide(v, t.tileHeight);
  const auto ty = static_cast<std::int32_t>(v - j * t.tileHeight);
  std::int32_t done = 0;
  while (done < count) {
    const std::int64_t i = floorDivide(u, t.tileWidth);
    auto tx = static_cast<std::int32_t>(u - i * t.tileWidth);
    const std::int32_t colour[4] = {colours.at(i, j), colours.at(i + 1, j), colours.at(i, j + 1),
                                    colours.at(i + 1, j + 1)};
    const std::int32_t before = done;
    for (std::int32_t half = tx < t.tileWidth / 2 ? 0 : 1; half < 2 && done < count; ++half) {
      std::uint32_t r = 0;
      std::uint32_t last = 0;
      halfRowRuns(t, colour, ty, half == 1, &r, &last);
      for (; r < last && done < count; ++r) {
        const auto end = static_cast<std::int32_t>(t.runs[r] >> 2);
        if (end <= tx) continue;
        const auto corner = static_cast<std::int32_t>(t.runs[r] & 3u);
        const std::int32_t n = end - tx < count - done ? end - tx : count - done;
        const std::int32_t c = colour[corner];
        std::int32_t sx = wrapNear(t.sourceX[c] + tx - (corner & 1) * t.tileWidth, texture.width);
        const std::int32_t sy = wrapNear(t.sourceY[c] + ty - (corner >> 1) * t.tileHeight, texture.height);
        const std::uint8_t* row = texelRow(texture, sy);
        for (std::int32_t left = n; left > 0; sx = 0) {
          const std::int32_t piece = texture.width - sx < left ? texture.width - sx : left;
          std::memcpy(out + static_cast<std::size_t>(done) * channels, row + static_cast<std::size_t>(sx) * channels,
                      static_cast<std::size_t>(piece) * channels);
          done += piece;
          left -= piece;
        }
        tx += n;
        u += n;
      }
    }
    if (done == before) {  // runs that leave a gap: never from buildCornerTiles
      std::memset(out + static_cast<std::size_t>(done) * channels, 0, static_cast<std::size_t>(count - done) * channels);
      return;
    }
  }
}

// One axis of a block's positions, less half a texel (so that a position's
// texel is the one left of or at its centre): the first pixel's, and the
// texels of the lowest and highest.
struct AxisSpan {
  std::int64_t first;
  std::int64_t lowest;
  std::int64_t highest;
};

// False when the block's positions wrap at 64 bits between its pixels.
bool spanOf(std::int64_t perX, std::int64_t perY, std::int64_t origin, std::int64_t x, std::int64_t y,
            std::int32_t columns, std::int32_t rows, AxisSpan& span) {
  span.first = static_cast<std::int64_t>(static_cast<std::uint64_t>(perX) * static_cast<std::uint64_t>(x) +
                                         static_cast<std::uint64_t>(perY) * static_cast<std::uint64_t>(y) +
                                         static_cast<std::uint64_t>(origin) - static_cast<std::uint64_t>(kHalfTexel));
  std::int64_t across = 0;
  std::int64_t down = 0;
  std::int64_t corners[4] = {span.first, 0, 0, 0};
  if (__builtin_mul_overflow(perX, std::int64_t{columns - 1}, &across) ||
      __builtin_mul_overflow(perY, std::int64_t{rows - 1}, &down) ||
      __builtin_add_overflow(span.first, across, &corners[1]) ||
      __builtin_add_overflow(span.first, down, &corners[2]) ||
      __builtin_add_overflow(corners[1], down, &corners[3])) {
    return false;
  }
  std::int64_t lowest = corners[0];
  std::int64_t highest = corners[0];
  for (const std::int64_t corner : corners) {
    lowest = corner < lowest ? corner : lowest;
    highest = corner > highest ? corner : highest;
  }
  span.lowest = lowest >> kMapFractionBits;
  span.highest = highest >> kMapFractionBits;
  return true;
}

// A position of the block in its window, whose texel 0 is the plane's
// texel `lowest`: within [0, extent), exactly, once spanOf has answered.
inline std::int64_t inWindow(const AxisSpan& span, std::int64_t per, std::int32_t step) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(span.first) +
                                   static_cast<std::uint64_t>(per) * static_cast<std::uint64_t>(step) -
                                   (static_cast<std::uint64_t>(span.lowest) << kMapFractionBits) +
                                   static_cast<std::uint64_t>(kHalfTexel));
}

// One block through the window; false when its texels do not fit.
bool sampleBlock(const QuiltedPlane& plane, Window& window, std::int64_t x, std::int64_t y, std::int32_t columns,
                 std::int32_t rows, const SampleTarget& first, std::ptrdiff_t rowBytes) {
  const TextureMap& m = plane.map;
  AxisSpan across{};
  AxisSpan down{};
  if (!spanOf(m.ux, m.uy, m.u0, x, y, columns, rows, across) || !spanOf(m.vx, m.vy, m.v0, x, y, columns, rows, down)) {
    return false;
  }
  // A position's texel lies in [lowest, highest], its taps one before to two
  // after: window texels -1 .. width with the width below.
  if (across.highest - across.lowest > kWindowSide - 2 || down.highest - down.lowest > kWindowSide - 2) return false;
  const auto width = static_cast<std::int32_t>(across.highest - across.lowest + 2);
  const auto height = static_cast<std::int32_t>(down.highest - down.lowest + 2);
  const CornerTiles& tiles = *plane.tiles;
  const std::int32_t channels = tiles.texture.channels;
  const std::size_t stride = static_cast<std::size_t>(kHeld) * channels;
  const CornerColours colours(tiles, plane.seed, floorDivide(across.lowest - 1, tiles.tileWidth),
                              floorDivide(down.lowest - 1, tiles.tileHeight),
                              floorDivide(across.lowest + width, tiles.tileWidth),
                              floorDivide(down.lowest + height, tiles.tileHeight));
  for (std::int32_t j = -1; j <= height; ++j) {
    copyPlaneRow(tiles, colours, across.lowest - 1, down.lowest + j, width + 2,
                 window.texels + static_cast<std::size_t>(j + 2) * stride + channels);
  }
  const TexelWindow view{window.rows, width, height, channels, plane.phaseWeights};
  for (std::int32_t row = 0; row < rows; ++row) {
    sampleWindow(view, inWindow(across, m.uy, row), inWindow(down, m.vy, row), m.ux, m.vx, columns,
                 SampleTarget{first.first + row * rowBytes, first.pixelBytes, first.sampleBytes});
  }
  return true;
}

}  // namespace

std::int32_t quiltedBlockSide(const TextureMap& map) {
  constexpr double kUnit = static_cast<double>(std::int64_t{1} << kMapFractionBits);
  const double across = (std::fabs(static_cast<double>(map.ux)) + std::fabs(static_cast<double>(map.uy))) / kUnit;
  const double down = (std::fabs(static_cast<double>(map.vx)) + std::fabs(static_cast<double>(map.vy))) / kUnit;
  const double step = across > down ? across : down;
  // n pixels reach texels at most step x (n - 1) + 1 apart, and the window
  // holds kWindowSide - 2 more than its first: a block that misses by a
  // rounding is drawn pixel by pixel.
  if (!(step * (kLargestBlock - 1) + 1 > kWindowSide - 2)) return kLargestBlock;
  const double side = std::floor((kWindowSide - 3) / step) + 1;
  return side < 1 ? 1 : static_cast<std::int32_t>(side);
}

void sampleQuiltedPlane(const QuiltedPlane& plane, std::int64_t x, std::int64_t y, std::int32_t columns,
                        std::int32_t rows, const SampleTarget& first, std::ptrdiff_t rowBytes) {
  if (columns <= 0 || rows <= 0 || plane.tiles == nullptr || plane.phaseWeights == nullptr) return;
  const std::int32_t channels = plane.tiles->texture.channels;
  if (channels != 1 && channels != 3) return;
  Window window;
  // Bytes a vector load reads past a block's last texel are never used, but
  // they are read: zeroed once rather than left as the stack had them.
  std::memset(window.texels, 0, sizeof window.texels);
  for (std::int32_t j = 0; j < kHeld; ++j) window.rows[j] = window.texels + static_cast<std::size_t>(j) * kHeld * channels;
  const std::int32_t side = quiltedBlockSide(plane.map);
  // Blocks of even sizes, so that no thin block is left at the end.
  const std::int32_t down = (rows + side - 1) / side;
  const std::int32_t across = (columns + side - 1) / side;
  for (std::int32_t bj = 0; bj < down; ++bj) {
    const auto top = static_cast<std::int32_t>(std::int64_t{bj} * rows / down);
    const auto bottom = static_cast<std::int32_t>(std::int64_t{bj + 1} * rows / down);
    for (std::int32_t bi = 0; bi < across; ++bi) {
      const auto left = static_cast<std::int32_t>(std::int64_t{bi} * columns / across);
      const auto right = static_cast<std::int32_t>(std::int64_t{bi + 1} * columns / across);
      const SampleTarget at{first.first + top * rowBytes + static_cast<std::ptrdiff_t>(left) * first.pixelBytes,
                            first.pixelBytes, first.sampleBytes};
      if (sampleBlock(plane, window, x + left, y + top, right - left, bottom - top, at, rowBytes)) continue;
      // Far out, where the positions wrap inside the block: each pixel a
      // window of its own.
      for (std::int32_t row = top; row < bottom; ++row) {
        for (std::int32_t column = left; column < right; ++column) {
          const SampleTarget pixel{
              first.first + row * rowBytes + static_cast<std::ptrdiff_t>(column) * first.pixelBytes,
              first.pixelBytes, first.sampleBytes};
          sampleBlock(plane, window, x + column, y + row, 1, 1, pixel, rowBytes);
        }
      }
    }
  }
}

}  // namespace fill
