// The fill at any scale and angle, below the fill mode: the prefiltered
// reduction, the point sampler's creation and every row of an 8000 x 8000
// RGB document, on one thread and on every core (rows split in bands, as a
// fill mode would), timed by the wall clock as libvips is in the peers.
// Also one row alone, tiled and mirrored, and the Preferences swatch: a
// 2048 x 2048 texture (decoded) prefiltered and sampled into 160 x 160
// pixels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "fill/fill_preview.h"
#include "resample/point_sampler.h"
#include "resample/prefilter.h"
#include "resample/texture_map.h"
#include "tests/bench/baseline.h"
#include "tests/bench/bench_textures.h"

namespace {

struct Prepared {
  PrefilteredTexture prefiltered{};
  PointSampler* sampler = nullptr;
  TextureMap map{};
};

bool prepare(const std::vector<std::uint8_t>& tile, double scale, double degrees, EdgeMode edge, Prepared& out,
             int side = 512) {
  const TexelBlock texture{tile.data(), side, side, 3, side * 3};
  if (!prefilterTexture(texture, scale, edge, out.prefiltered)) return false;
  out.sampler = createPointSampler(out.prefiltered.block, edge);
  out.map = fillTextureMap(FillTransform{scale, degrees, 0, 0}, out.prefiltered.frame);
  return out.sampler != nullptr;
}

void release(Prepared& prepared) {
  destroyPointSampler(prepared.sampler);
  releasePrefiltered(prepared.prefiltered);
}

void sampleRows(const Prepared& prepared, bench::PlainDocument& document, int first, int last) {
  for (int y = first; y < last; ++y) {
    samplePoints(*prepared.sampler, prepared.map, 0, y, document.width,
                 SampleTarget{document.bytes.data() + y * document.rowBytes, 3, 1});
  }
}

// range(0): threads, 0 for every core.
void transformedFill(benchmark::State& state) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int threads = state.range(0) == 0 ? static_cast<int>(cores) : static_cast<int>(state.range(0));
  const std::vector<std::uint8_t> tile = bench::makeTile(512, 3);
  bench::PlainDocument document(bench::kDocumentSide, bench::kDocumentSide, 3);
  for (auto _ : state) {
    Prepared prepared;
    if (!prepare(tile, bench::kTransformScale, bench::kTransformDegrees, EdgeMode::wrap, prepared)) {
      state.SkipWithError("no sampler");
      break;
    }
    // Bands of 64 rows dealt out in turn, so that every thread meets the
    // same mix of rows.
    constexpr int kBand = 64;
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) {
      workers.emplace_back([&, t] {
        for (int y = t * kBand; y < document.height; y += threads * kBand)
          sampleRows(prepared, document, y, std::min(y + kBand, document.height));
      });
    }
    for (int y = 0; y < document.height; y += threads * kBand)
      sampleRows(prepared, document, y, std::min(y + kBand, document.height));
    for (std::thread& worker : workers) worker.join();
    release(prepared);
    benchmark::DoNotOptimize(document.bytes.data());
    benchmark::ClobberMemory();
  }
  state.counters["threads"] = threads;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bench::kDocumentSide) * bench::kDocumentSide * 3);
}

// One 8000-pixel row; range(0) 1 mirrored; range(1) the scale in percent.
void transformedRow(benchmark::State& state) {
  const std::vector<std::uint8_t> tile = bench::makeTile(512, 3);
  Prepared prepared;
  const EdgeMode edge = state.range(0) != 0 ? EdgeMode::reflect : EdgeMode::wrap;
  if (!prepare(tile, static_cast<double>(state.range(1)) / 100.0, bench::kTransformDegrees, edge, prepared)) {
    state.SkipWithError("no sampler");
    return;
  }
  std::vector<std::uint8_t> row(static_cast<std::size_t>(bench::kDocumentSide) * 3);
  std::int32_t y = 0;
  for (auto _ : state) {
    samplePoints(*prepared.sampler, prepared.map, 0, y++, bench::kDocumentSide, SampleTarget{row.data(), 3, 1});
    benchmark::DoNotOptimize(row.data());
  }
  release(prepared);
}

// range(0): the scale in percent.
void swatch(benchmark::State& state) {
  constexpr int kTexture = 2048;
  constexpr int kSwatch = 160;
  const std::vector<std::uint8_t> texture = bench::makeTile(kTexture, 3);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSwatch) * kSwatch * 3);
  for (auto _ : state) {
    Prepared prepared;
    if (!prepare(texture, static_cast<double>(state.range(0)) / 100.0, bench::kTransformDegrees, EdgeMode::wrap,
                 prepared, kTexture)) {
      state.SkipWithError("no sampler");
      break;
    }
    for (int y = 0; y < kSwatch; ++y) {
      samplePoints(*prepared.sampler, prepared.map, 0, y, kSwatch,
                   SampleTarget{pixels.data() + static_cast<std::size_t>(y) * kSwatch * 3, 3, 1});
    }
    release(prepared);
    benchmark::DoNotOptimize(pixels.data());
  }
}

// The swatch as Preferences redraws it, through the product's own renderer:
// the PNG is read on the first draw only, and each timed redraw prefilters
// anew.
void swatchRedraw(benchmark::State& state) { bench::redrawSwatchAsScaleChanges(state, fill::repeatTile); }

BENCHMARK(transformedFill)->Arg(1)->Arg(0)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(transformedRow)->Args({0, 73})->Args({0, 100})->Args({0, 400})->Args({1, 73})->Args({1, 100})->ArgNames({"mirror", "scale"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(swatch)->Arg(10)->Arg(400)->ArgName("scale")->Unit(benchmark::kMillisecond);
BENCHMARK(swatchRedraw)->Arg(10)->Arg(400)->ArgName("scale")->Unit(benchmark::kMillisecond);

}  // namespace

void bench::redrawSwatchAsScaleChanges(benchmark::State& state, std::int32_t repeat) {
  constexpr int kSwatch = 160;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kSwatch) * kSwatch * 3);
  fill::FillPreview* preview = fill::createFillPreview();
  fill::FillOptions options;
  options.repeat = repeat;
  options.scalePercent = static_cast<std::int32_t>(state.range(0));
  options.angleDegrees = bench::kTransformDegrees;
  const char* path = bench::textures().png.c_str();
  if (!fill::drawFillPreview(preview, path, options, kSwatch, kSwatch, pixels.data())) {
    state.SkipWithError("the PNG cannot be read");
  }
  bool up = true;
  for (auto _ : state) {
    options.scalePercent = static_cast<std::int32_t>(state.range(0)) + (up ? 1 : 0);
    up = !up;
    fill::drawFillPreview(preview, path, options, kSwatch, kSwatch, pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
  fill::destroyFillPreview(preview);
}
