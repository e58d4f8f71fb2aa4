// The quilted fill's tile set: built from a 512 x 512 RGB sample (brick, the
// texture the fill is for, and marble), wall clock on every core, and the
// processor time of every thread.
#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <vector>

#include "fill/corner_tiles.h"
#include "fill/rectangle_fill.h"
#include "tests/bench/baseline.h"
#include "tests/bench/bench_textures.h"
#include "tools/texfill/sample_gen.h"

namespace {

void tileSet(benchmark::State& state, const char* sample) {
  const texfill::Image image = texfill::generateSample(*texfill::findSampleRecipe(sample), 512);
  const TexelBlock block{image.pixels.data(), 512, 512, 3, 512 * 3};
  std::uint32_t seed = 1;
  // The processor time of every thread, which other processes on a shared
  // machine do not inflate as they do the wall clock.
  const std::clock_t processorStart = std::clock();
  for (auto _ : state) {
    fill::CornerTiles tiles{};
    if (!fill::buildCornerTiles(block, 0, seed++, tiles)) {
      state.SkipWithError("out of memory");
      break;
    }
    benchmark::DoNotOptimize(tiles.runs);
    fill::releaseCornerTiles(tiles);
  }
  state.counters["every_thread_cpu_ms"] = static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC * 1e3 /
                                          static_cast<double>(state.iterations());
}

// The Preferences swatch of the quilted fill redrawn as a keystroke changes
// the scale by one percent either way (from the 2048 x 2048 PNG): the tiles
// kept from the first draw serve every redraw (they are cut again only when
// a reduction reads another halving). range(0): the scale in percent.
void quiltedSwatchRedraw(benchmark::State& state) { bench::redrawSwatchAsScaleChanges(state, fill::repeatShapes); }

// The rectangle entry as GEGL draws through it: 128 x 128 tiles of a
// 1024 x 1024 region at 73 % and 30 degrees, one after the other on one
// thread (GEGL's own threads share the tiles out). range(0): the repeat,
// the tile fill beside the quilted one.
void rectangleTiles(benchmark::State& state) {
  constexpr int kTile = 128;
  constexpr int kRegion = 1024;
  fill::RectangleFill entry{};
  bench::textures().highRes.copy(entry.job.fileName, sizeof entry.job.fileName - 1);
  entry.job.options.repeat = static_cast<std::int32_t>(state.range(0));
  entry.job.options.scalePercent = 73;
  entry.job.options.angleDegrees = bench::kTransformDegrees;
  std::int16_t result = 0;
  if (fill::startRectangleFill(entry, 3, 1, &result) == 0) {
    state.SkipWithError("no fill");
    return;
  }
  std::vector<std::uint8_t> tile(static_cast<std::size_t>(kTile) * kTile * 3);
  for (auto _ : state) {
    for (int top = 0; top < kRegion; top += kTile) {
      for (int left = 0; left < kRegion; left += kTile) {
        fill::fillRectangle(entry, top, left, kTile, kTile, tile.data(), kTile * 3, &result);
      }
    }
    benchmark::DoNotOptimize(tile.data());
  }
  fill::releaseRectangleFill(entry);
}

BENCHMARK(rectangleTiles)->Arg(fill::repeatTile)->Arg(fill::repeatShapes)->ArgName("repeat")->Unit(benchmark::kMillisecond);

BENCHMARK(quiltedSwatchRedraw)->Arg(30)->Arg(400)->ArgName("scale")->Unit(benchmark::kMillisecond);

[[maybe_unused]] const bool registered = [] {
  for (const char* sample : {"brick", "marble"}) {
    benchmark::RegisterBenchmark((std::string("tileset/512/") + sample).c_str(), tileSet, sample)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  return true;
}();

}  // namespace
