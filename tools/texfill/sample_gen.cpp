#include "tools/texfill/sample_gen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace texfill {
namespace {

constexpr double kTwoPi = 6.283185307179586;

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B9u ^ x * 0x85EBCA6Bu ^ y * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

double unit(std::uint32_t h) { return (h & 0xFFFFFF) / 16777216.0; }

int wrap(int i, int period) { return ((i % period) + period) % period; }

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Gradient noise on a lattice that repeats every periodX by periodY cells;
// x and y in lattice units. Roughly -0.7 .. 0.7.
double gradient(double x, double y, int periodX, int periodY, std::uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0;
  const double fy = y - y0;
  double corner[4];
  for (int k = 0; k < 4; ++k) {
    const int dx = k & 1;
    const int dy = k >> 1;
    const double angle = kTwoPi * unit(hash(static_cast<std::uint32_t>(wrap(x0 + dx, periodX)),
                                            static_cast<std::uint32_t>(wrap(y0 + dy, periodY)), seed));
    corner[k] = std::cos(angle) * (fx - dx) + std::sin(angle) * (fy - dy);
  }
  const double u = fade(fx);
  const double v = fade(fy);
  const double top = corner[0] + (corner[1] - corner[0]) * u;
  const double bottom = corner[2] + (corner[3] - corner[2]) * u;
  return top + (bottom - top) * v;
}

// Fractal sum over the unit square (u, v in 0..1); the lattice of octave k
// has baseX * 2^k by baseY * 2^k cells, so every octave repeats with the
// picture. Unequal bases stretch the pattern.
double fbm2(double u, double v, int baseX, int baseY, int octaves, double gain,
            std::uint32_t seed, bool turbulent = false) {
  double sum = 0;
  double amplitude = 1;
  double norm = 0;
  int px = baseX;
  int py = baseY;
  for (int k = 0; k < octaves; ++k) {
    const double n = gradient(u * px, v * py, px, py, seed + static_cast<std::uint32_t>(k) * 101);
    sum += amplitude * (turbulent ? std::fabs(n) : n);
    norm += amplitude;
    amplitude *= gain;
    px *= 2;
    py *= 2;
  }
  return sum / norm;
}

double fbm(double u, double v, int basePeriod, int octaves, double gain, std::uint32_t seed,
           bool turbulent = false) {
  return fbm2(u, v, basePeriod, basePeriod, octaves, gain, seed, turbulent);
}

struct Cell {
  double nearest;
  double second;
  std::uint32_t id;
};

// Cellular noise over `cells` x `cells` cells of the unit square, wrapping.
Cell worley(double u, double v, int cells, std::uint32_t seed) {
  const double x = u * cells;
  const double y = v * cells;
  const int cx = static_cast<int>(std::floor(x));
  const int cy = static_cast<int>(std::floor(y));
  Cell cell{1e9, 1e9, 0};
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const auto ix = static_cast<std::uint32_t>(wrap(cx + dx, cells));
      const auto iy = static_cast<std::uint32_t>(wrap(cy + dy, cells));
      const std::uint32_t h = hash(ix, iy, seed);
      const double px = cx + dx + 0.15 + 0.7 * unit(h);
      const double py = cy + dy + 0.15 + 0.7 * unit(hash(h, 7, seed));
      const double d = std::hypot(px - x, py - y);
      if (d < cell.nearest) {
        cell.second = cell.nearest;
        cell.nearest = d;
        cell.id = h;
      } else if (d < cell.second) {
        cell.second = d;
      }
    }
  }
  return cell;
}

struct Rgb {
  double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }

double smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

Rgb marble(double u, double v) {
  const double turbulence = fbm(u, v, 4, 6, 0.5, 11, true);
  const double vein = 0.5 + 0.5 * std::sin(kTwoPi * (2 * u + v) + 9.0 * turbulence);
  const Rgb stone{236, 232, 224};
  const Rgb veinColour{92, 96, 110};
  return mix(veinColour, stone, std::pow(vein, 0.35));
}

Rgb wood(double u, double v) {
  const double warp = fbm(u, v, 2, 4, 0.5, 23);
  const double rings = 12 * v + 3.0 * warp + 0.4 * std::sin(kTwoPi * 2 * u);
  const double ring = rings - std::floor(rings);
  // Grain runs along the planks: long in x, fine in y.
  const double grain = fbm2(u, v, 6, 96, 2, 0.5, 29);
  const Rgb light{196, 146, 92};
  const Rgb dark{122, 74, 38};
  return scaled(mix(light, dark, smooth(0.55, 0.95, ring)), 1.0 + 0.35 * grain);
}

Rgb stone(double u, double v) {
  const double du = 0.04 * fbm(u, v, 4, 3, 0.5, 41);
  const double dv = 0.04 * fbm(u, v, 4, 3, 0.5, 43);
  const Cell cell = worley(u + du, v + dv, 6, 47);
  const double edge = cell.second - cell.nearest;
  const double tint = unit(cell.id);
  const Rgb base = mix(Rgb{148, 136, 118}, Rgb{112, 116, 120}, tint);
  const double speckle = fbm(u, v, 32, 3, 0.5, 53);
  const Rgb face = scaled(base, 1.0 + 0.5 * speckle - 0.6 * cell.nearest * 0.5);
  return mix(Rgb{46, 42, 38}, face, smooth(0.02, 0.12, edge));
}

Rgb fabric(double u, double v) {
  constexpr int kThreads = 32;
  const double x = u * kThreads;
  const double y = v * kThreads;
  const int column = static_cast<int>(std::floor(x));
  const int row = static_cast<int>(std::floor(y));
  const bool warpOnTop = ((column + row) & 1) == 0;
  const double across = std::sin(3.14159265 * (y - row));
  const double along = std::sin(3.14159265 * (x - column));
  const double shade = warpOnTop ? along : across;
  const double fuzz = fbm(u, v, 64, 2, 0.5, 61);
  const Rgb warpColour{58, 84, 140};
  const Rgb weftColour{176, 64, 58};
  const Rgb thread = warpOnTop ? warpColour : weftColour;
  return scaled(thread, 0.55 + 0.45 * shade + 0.25 * fuzz);
}

Rgb brick(double u, double v) {
  constexpr int kRows = 8;
  constexpr int kPerRow = 4;
  const double y = v * kRows;
  const int row = static_cast<int>(std::floor(y));
  const double x = u * kPerRow + (row % 2 == 0 ? 0.0 : 0.5);
  const double fx = x - std::floor(x);
  const double fy = y - row;
  const double mortarX = std::min(fx, 1 - fx) * 4.0;  // brick is 4 units wide in y-units
  const double mortarY = std::min(fy, 1 - fy);
  const double mortar = std::min(mortarX / kPerRow * kRows / 2.0, mortarY);
  const auto brickId = hash(static_cast<std::uint32_t>(wrap(static_cast<int>(std::floor(x)), kPerRow)),
                            static_cast<std::uint32_t>(wrap(row, kRows)), 71);
  const Rgb clay = mix(Rgb{150, 62, 44}, Rgb{186, 96, 62}, unit(brickId));
  const double grit = fbm(u, v, 32, 3, 0.55, 73);
  const Rgb face = scaled(clay, 1.0 + 0.3 * grit);
  const Rgb joint = scaled(Rgb{170, 166, 156}, 1.0 + 0.2 * grit);
  return mix(joint, face, smooth(0.04, 0.08, mortar));
}

Rgb water(double u, double v) {
  const double n = fbm(u, v, 3, 5, 0.55, 83);
  const double ripple = std::sin(kTwoPi * (3 * u + 5 * v) + 6 * n) * std::sin(kTwoPi * (4 * u - 2 * v) + 4 * n);
  const Rgb deep{18, 64, 110};
  const Rgb light{90, 170, 210};
  return mix(deep, light, 0.5 + 0.5 * ripple + 0.3 * n);
}

Rgb clouds(double u, double v) {
  const double n = fbm(u, v, 3, 6, 0.5, 97);
  return mix(Rgb{70, 120, 200}, Rgb{250, 250, 252}, smooth(-0.15, 0.35, n));
}

Rgb granite(double u, double v) {
  const double coarse = fbm(u, v, 8, 2, 0.5, 101);
  const double fine = fbm(u, v, 48, 2, 0.5, 103);
  const Cell grain = worley(u, v, 40, 107);
  const double fleck = unit(grain.id) > 0.8 ? -0.45 : unit(grain.id) < 0.15 ? 0.35 : 0.0;
  const double g = 0.55 + 0.25 * coarse + 0.35 * fine + fleck * smooth(0.0, 0.3, grain.second - grain.nearest);
  return {g * 230, g * 222, g * 216};
}

Rgb rust(double u, double v) {
  const double patches = fbm(u, v, 4, 5, 0.6, 113);
  const double pits = fbm(u, v, 32, 2, 0.5, 127);
  const Rgb metal{128, 130, 134};
  const Rgb oxide{150, 72, 30};
  return scaled(mix(metal, oxide, smooth(-0.05, 0.2, patches)), 1.0 + 0.4 * pits);
}

Rgb sand(double u, double v) {
  const double dunes = std::sin(kTwoPi * (6 * v + u) + 3 * fbm(u, v, 2, 3, 0.5, 131));
  constexpr int kGrains = 4096;
  const double grain =
      unit(hash(static_cast<std::uint32_t>(wrap(static_cast<int>(std::floor(u * kGrains)), kGrains)),
                static_cast<std::uint32_t>(wrap(static_cast<int>(std::floor(v * kGrains)), kGrains)), 137));
  const double g = 0.72 + 0.12 * dunes + 0.12 * (grain - 0.5);
  return {g * 236, g * 206, g * 150};
}

using Pattern = Rgb (*)(double, double);

Pattern patternOf(const std::string& name) {
  if (name == "marble") return marble;
  if (name == "wood") return wood;
  if (name == "stone") return stone;
  if (name == "fabric") return fabric;
  if (name == "brick") return brick;
  if (name == "water") return water;
  if (name == "clouds") return clouds;
  if (name == "granite") return granite;
  if (name == "rust") return rust;
  if (name == "sand") return sand;
  return nullptr;
}

std::uint8_t toByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

const std::vector<SampleRecipe>& sampleRecipes() {
  // Sizes differ on purpose: some are whole multiples of the library size
  // (reduced like the plug-in's own reductions), some are not.
  static const std::vector<SampleRecipe> recipes = {
      {"marble", "Carrara Marble;procedural;veined", 1024, false},
      {"wood", "Oak Planks;procedural;rings", 512, false},
      {"stone", "Cobble Stones;procedural;cells", 768, false},
      {"fabric", "Woven Fabric;procedural;twill", 512, false},
      {"brick", "Red Brick Wall;procedural;running bond", 512, false},
      {"water", "Rippled Water;procedural", 640, false},
      {"clouds", "Cloudy Sky;procedural;low resolution", 256, true},
      {"granite", "Speckled Granite;procedural;low resolution", 128, true},
      {"rust", "Rusted Metal;procedural;low resolution", 200, true},
      {"sand", "Wind-blown Sand;procedural;low resolution", 384, true},
  };
  return recipes;
}

const SampleRecipe* findSampleRecipe(const std::string& name) {
  for (const SampleRecipe& recipe : sampleRecipes()) {
    if (name == recipe.name) return &recipe;
  }
  return nullptr;
}

void sampleColour(const SampleRecipe& recipe, double u, double v, std::uint8_t rgb[3]) {
  const Pattern pattern = patternOf(recipe.name);
  const Rgb c = pattern != nullptr ? pattern(u, v) : Rgb{0, 0, 0};
  rgb[0] = toByte(c.r);
  rgb[1] = toByte(c.g);
  rgb[2] = toByte(c.b);
}

Image generateSample(const SampleRecipe& recipe, int size) {
  Image image = makeImage(size, size, 3);
  for (int y = 0; y < size; ++y) {
    std::uint8_t* row = rowOf(image, y);
    for (int x = 0; x < size; ++x) {
      // Pixel centres, so that the picture is the same forwards and wrapped.
      sampleColour(recipe, (x + 0.5) / size, (y + 0.5) / size, row + 3 * x);
    }
  }
  return image;
}

Image generateDocument(int width, int height) {
  Image image = makeImage(width, height, 3);
  const Rgb skyTop{52, 98, 170};
  const Rgb horizon{236, 206, 170};
  const Rgb farHills{96, 118, 140};
  const Rgb nearHills{58, 96, 54};
  const Rgb lake{40, 84, 120};
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = rowOf(image, y);
    const double v = (y + 0.5) / height;
    for (int x = 0; x < width; ++x) {
      const double u = (x + 0.5) / width;
      const double aspect = static_cast<double>(width) / height;
      Rgb c = mix(skyTop, horizon, smooth(0.0, 0.62, v));
      const double sun = std::hypot((u - 0.72) * aspect, v - 0.3);
      c = mix(Rgb{255, 240, 200}, c, smooth(0.05, 0.08, sun));
      const double far = 0.55 - 0.06 * std::sin(kTwoPi * (1.3 * u + 0.1)) - 0.03 * fbm(u, 0.5, 6, 3, 0.5, 151);
      if (v > far) c = mix(farHills, horizon, 0.25 * (1 - smooth(far, far + 0.2, v)));
      const double near = 0.66 - 0.08 * std::sin(kTwoPi * (0.8 * u + 0.6)) - 0.04 * fbm(u, 0.25, 8, 3, 0.5, 157);
      if (v > near) c = scaled(nearHills, 0.8 + 0.4 * (0.5 + fbm(u, v, 16, 3, 0.5, 163)));
      const double shore = 0.8 + 0.03 * std::sin(kTwoPi * 2 * u);
      if (v > shore) c = mix(lake, Rgb{120, 160, 190}, 0.5 + fbm(u * 0.5, v * 4, 8, 3, 0.5, 167));
      row[3 * x] = toByte(c.r);
      row[3 * x + 1] = toByte(c.g);
      row[3 * x + 2] = toByte(c.b);
    }
  }
  return image;
}

}  // namespace texfill
