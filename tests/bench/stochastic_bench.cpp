// The by-example fill without repetition: an 8000 x 8000 document from a
// 512 x 512 RGB texture at scale 100 %, rows shared among every core as a
// band would be; some of its rows on one thread, also turned, against the
// double-precision oracle of the tests; and the preparation.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <thread>
#include <vector>

#include "fill/stochastic_render.h"
#include "tests/bench/baseline.h"
#include "tests/native/fill/stochastic_oracle.h"
#include "tools/texfill/sample_gen.h"

namespace {

constexpr StochasticMap kTranslation{1, 0, 13, 0, 1, -7};
constexpr StochasticOptions kOptions{1, 0};

struct Prepared {
  texfill::Image image;
  StochasticTexture* texture = nullptr;
  StochasticPlacement placement{};
  explicit Prepared(bool gray) {
    image = texfill::generateSample(*texfill::findSampleRecipe("marble"), 512);
    if (gray) image = texfill::toGray(image);
    const TexelBlock block{image.pixels.data(), 512, 512, image.channels, 512 * image.channels};
    texture = prepareStochasticTexture(block);
    if (texture != nullptr) placeStochasticTexture(*texture, kOptions, kTranslation, &placement);
  }
  ~Prepared() { releaseStochasticTexture(texture); }
};

const Prepared& prepared(bool gray) {
  static const Prepared rgb(false);
  static const Prepared grayTexture(true);
  return gray ? grayTexture : rgb;
}

// The whole document, each thread taking the next row.
void document(benchmark::State& state) {
  const bool gray = state.range(0) == 1;
  const int sampleBytes = static_cast<int>(state.range(1));
  const Prepared& p = prepared(gray);
  if (p.texture == nullptr) {
    state.SkipWithError("preparation failed");
    return;
  }
  const int planes = p.texture->channels;
  bench::PlainDocument out(bench::kDocumentSide, bench::kDocumentSide, planes * sampleBytes);
  const int threads = std::max(1u, std::thread::hardware_concurrency());
  // The processor time of every thread, which other processes on a shared
  // machine do not inflate as they do the wall clock.
  const std::clock_t processorStart = std::clock();
  for (auto _ : state) {
    std::atomic<int> next{0};
    auto work = [&] {
      for (int y = next++; y < bench::kDocumentSide; y = next++) {
        const StochasticTarget target{out.bytes.data() + y * out.rowBytes, planes * sampleBytes, sampleBytes};
        renderStochasticRow(*p.texture, p.placement, 0, y, bench::kDocumentSide, target);
      }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    benchmark::DoNotOptimize(out.bytes.data());
    benchmark::ClobberMemory();
  }
  state.counters["threads"] = threads;
  state.counters["every_thread_cpu_ms"] = static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC * 1e3 /
                                          static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() * bench::kDocumentSide * bench::kDocumentSide * planes * sampleBytes);
}

// 16 rows of 8000 pixels, one thread: the integer paths or the oracle.
constexpr int kSampleRows = 16;

void rowsInteger(benchmark::State& state) {
  const Prepared& p = prepared(false);
  std::vector<std::uint8_t> row(bench::kDocumentSide * 3);
  for (auto _ : state) {
    for (int y = 0; y < kSampleRows; ++y) {
      renderStochasticRow(*p.texture, p.placement, 0, y * 499, bench::kDocumentSide, {row.data(), 3, 1});
      benchmark::DoNotOptimize(row.data());
    }
  }
}

// The same rows turned by 30 degrees at 73 %: every read bilinear.
void rowsTurned(benchmark::State& state) {
  const Prepared& p = prepared(false);
  const StochasticMap turned{1.1863, 0.6849, 5, -0.6849, 1.1863, 9};
  StochasticPlacement placement{};
  placeStochasticTexture(*p.texture, kOptions, turned, &placement);
  std::vector<std::uint8_t> row(bench::kDocumentSide * 3);
  for (auto _ : state) {
    for (int y = 0; y < kSampleRows; ++y) {
      renderStochasticRow(*p.texture, placement, 0, y * 499, bench::kDocumentSide, {row.data(), 3, 1});
      benchmark::DoNotOptimize(row.data());
    }
  }
}

void rowsOracle(benchmark::State& state) {
  const Prepared& p = prepared(false);
  for (auto _ : state) {
    for (int y = 0; y < kSampleRows; ++y) {
      benchmark::DoNotOptimize(
          stochastic_test::oracleRow(*p.texture, kOptions, kTranslation, 0, y * 499, bench::kDocumentSide, 1).samples);
    }
  }
}

void prepare(benchmark::State& state) {
  const texfill::Image image = texfill::generateSample(*texfill::findSampleRecipe("marble"), 512);
  const TexelBlock block{image.pixels.data(), 512, 512, 3, 512 * 3};
  for (auto _ : state) {
    StochasticTexture* texture = prepareStochasticTexture(block);
    benchmark::DoNotOptimize(texture);
    releaseStochasticTexture(texture);
  }
}

BENCHMARK(document)
    ->Args({3, 1})
    ->Args({3, 2})
    ->Args({1, 1})
    ->ArgNames({"channels", "bytes"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(rowsInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(rowsTurned)->Unit(benchmark::kMillisecond);
BENCHMARK(rowsOracle)->Unit(benchmark::kMillisecond);
BENCHMARK(prepare)->Unit(benchmark::kMillisecond);

}  // namespace
