// The resampler on an in-memory texture, as stb_image_resize is measured:
// creation, one on-the-fly row (rows walked in order, as the fill asks for
// them), and a whole pre-scale. Plus the Start-time pre-scaling through the
// entry point, which also reads the texture file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/filter_record.h"
#include "resample/wrap_resampler.h"
#include "tests/bench/baseline.h"
#include "tests/bench/bench_textures.h"
#include "tests/native/support/simulated_host.h"

namespace {

struct Texture {
  int side;
  std::vector<std::uint8_t> bytes;
  explicit Texture(int s) : side(s), bytes(bench::makeTile(s, 3)) {}
  static int fetch(void* context, std::int32_t row, std::uint8_t* destination) {
    const auto& texture = *static_cast<const Texture*>(context);
    const std::size_t rowBytes = static_cast<std::size_t>(texture.side) * 3;
    std::memcpy(destination, texture.bytes.data() + static_cast<std::size_t>(row) * rowBytes, rowBytes);
    return 0;
  }
  RowSource source() { return RowSource{&Texture::fetch, this}; }
};

void create(benchmark::State& state) {
  Texture texture(static_cast<int>(state.range(0)));
  const auto target = static_cast<std::int32_t>(state.range(1));
  for (auto _ : state) {
    WrapResampler* resampler = createWrapResampler(texture.side, target, 3, texture.source());
    benchmark::DoNotOptimize(resampler);
    destroyWrapResampler(resampler);
  }
}

void oneRow(benchmark::State& state) {
  Texture texture(static_cast<int>(state.range(0)));
  const auto target = static_cast<std::int32_t>(state.range(1));
  WrapResampler* resampler = createWrapResampler(texture.side, target, 3, texture.source());
  std::vector<std::uint8_t> row(static_cast<std::size_t>(target) * 3);
  std::int32_t next = 0;
  for (auto _ : state) {
    resampleRow(resampler, next, row.data());
    next = next + 1 == target ? 0 : next + 1;
    benchmark::DoNotOptimize(row.data());
  }
  destroyWrapResampler(resampler);
}

void prescale(benchmark::State& state) {
  Texture texture(static_cast<int>(state.range(0)));
  const auto target = static_cast<std::int32_t>(state.range(1));
  WrapResampler* resampler = createWrapResampler(texture.side, target, 3, texture.source());
  const std::size_t rowBytes = static_cast<std::size_t>(target) * 3;
  std::vector<std::uint8_t> block(rowBytes * static_cast<std::size_t>(target));
  for (auto _ : state) {
    for (std::int32_t i = 0; i < target; ++i) resampleRow(resampler, i, block.data() + i * rowBytes);
    benchmark::DoNotOptimize(block.data());
  }
  destroyWrapResampler(resampler);
}

// Start with a size that pre-scales: opening the TIFF, reading all of its
// rows and reducing them, then Finish.
void startPrescaled(benchmark::State& state) {
  const auto sizeChoice = static_cast<std::int32_t>(state.range(0));
  const bool lowRes = state.range(1) != 0;
  const bench::FillCase fillCase{"", lowRes, sizeChoice, 3};
  chooser::provideChoice({.status = 1, .fileName = bench::texturePath(fillCase),
                          .options = {.sizeChoice = sizeChoice, .tileOrigin = 1}});
  simhost::SimulatedHost host(8, 600, 3);
  for (auto _ : state) {
    if (host.start() != 0 || host.finish() != 0) {
      state.SkipWithError("Start failed");
      break;
    }
  }
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({512, 256})->Args({512, 128})->Args({512, 64})->Args({128, 64})->ArgNames({"from", "to"});
}

BENCHMARK(create)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(oneRow)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(prescale)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(startPrescaled)->Args({3, 0})->Args({4, 0})->Args({4, 1})->ArgNames({"size", "low"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
