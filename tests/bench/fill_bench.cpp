// The fill through ENTRYPOINT1 and the simulated host, 8000 x 8000 documents,
// one Continue per band, the host's own bookkeeping included; and the
// memcpy-run baseline of the same output bytes.
#include <benchmark/benchmark.h>

#include "tests/bench/baseline.h"
#include "tests/bench/bench_textures.h"

namespace {

void fillDocument(benchmark::State& state, const bench::FillCase& fillCase) {
  bench::textures();
  simhost::SimulatedHost host(bench::kDocumentSide, bench::kDocumentSide, fillCase.imageMode);
  double start = 0;
  double continuing = 0;
  double continuingProcessor = 0;
  long continues = 0;
  for (auto _ : state) {
    const bench::FillTiming timing = bench::runFill(host, fillCase);
    if (!timing.ok) {
      state.SkipWithError("the filter run failed");
      break;
    }
    start += timing.startSeconds;
    continuing += timing.continueSeconds;
    continuingProcessor += timing.continueProcessorSeconds;
    continues += timing.continues;
    benchmark::ClobberMemory();
  }
  const double runs = static_cast<double>(state.iterations());
  const int planes = fillCase.imageMode == 1 || fillCase.imageMode == 10 ? 1 : 3;
  const int sampleBytes = fillCase.imageMode >= 10 ? 2 : 1;
  state.SetBytesProcessed(state.iterations() * bench::kDocumentSide * bench::kDocumentSide * planes * sampleBytes);
  if (runs > 0 && continues > 0) {
    state.counters["start_us"] = start / runs * 1e6;
    state.counters["continue_ns"] = continuing / static_cast<double>(continues) * 1e9;
    state.counters["continues"] = static_cast<double>(continues) / runs;
    state.counters["continue_cpu_ms"] = continuingProcessor / runs * 1e3;
  }
}

void baseline(benchmark::State& state, int planes) {
  const std::vector<std::uint8_t> tile = bench::makeTile(512, planes);
  bench::PlainDocument document(bench::kDocumentSide, bench::kDocumentSide, planes);
  for (auto _ : state) {
    bench::fillByRuns(tile.data(), 512, document);
    benchmark::DoNotOptimize(document.bytes.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bench::kDocumentSide * bench::kDocumentSide * planes);
}

[[maybe_unused]] const bool registered = [] {
  benchmark::RegisterBenchmark("baseline/rgb", baseline, 3)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("baseline/gray", baseline, 1)->Unit(benchmark::kMillisecond);
  // The same runs over the bytes of 16-bit documents.
  benchmark::RegisterBenchmark("baseline/rgb16", baseline, 6)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("baseline/gray16", baseline, 2)->Unit(benchmark::kMillisecond);
  for (const bench::FillCase& fillCase : bench::fillCases()) {
    benchmark::RegisterBenchmark(("fill/" + fillCase.name).c_str(), fillDocument, fillCase)
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
