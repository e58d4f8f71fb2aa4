// The peers the fill and the resampler are measured against, in the same run:
// stb_image_resize reducing with wrap-around edges and the Catmull-Rom
// filter, and libvips replicating and cropping a tile to a document-sized
// image in memory, and doing the same through its bicubic affine transform
// for the fill at any scale and angle. The memcpy-run baseline is measured here too, so the
// peers' own ratios come from one process.
#include <benchmark/benchmark.h>
#include <stb_image_resize.h>
#include <vips/vips.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/bench/baseline.h"

namespace {

void stbReduce(benchmark::State& state) {
  const int from = static_cast<int>(state.range(0));
  const int to = static_cast<int>(state.range(1));
  const std::vector<std::uint8_t> source = bench::makeTile(from, 3);
  std::vector<std::uint8_t> out(static_cast<std::size_t>(to) * to * 3);
  for (auto _ : state) {
    const int ok = stbir_resize_uint8_generic(source.data(), from, from, 0, out.data(), to, to, 0, 3,
                                              STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_WRAP,
                                              STBIR_FILTER_CATMULLROM, STBIR_COLORSPACE_LINEAR, nullptr);
    if (!ok) {
      state.SkipWithError("stbir_resize_uint8_generic failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
}

void vipsReplicateCrop(benchmark::State& state) {
  const int planes = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t> tile = bench::makeTile(512, planes);
  const int side = bench::kDocumentSide;
  const int across = (side + 511) / 512;
  for (auto _ : state) {
    VipsImage* source = vips_image_new_from_memory(tile.data(), tile.size(), 512, 512, planes, VIPS_FORMAT_UCHAR);
    VipsImage* replicated = nullptr;
    VipsImage* cropped = nullptr;
    std::size_t size = 0;
    void* bytes = nullptr;
    if (source != nullptr && vips_replicate(source, &replicated, across, across, nullptr) == 0 &&
        vips_crop(replicated, &cropped, 0, 0, side, side, nullptr) == 0) {
      bytes = vips_image_write_to_memory(cropped, &size);
    }
    if (cropped != nullptr) g_object_unref(cropped);
    if (replicated != nullptr) g_object_unref(replicated);
    if (source != nullptr) g_object_unref(source);
    if (bytes == nullptr || size != static_cast<std::size_t>(side) * side * planes) {
      state.SkipWithError(vips_error_buffer());
      g_free(bytes);
      break;
    }
    benchmark::DoNotOptimize(bytes);
    g_free(bytes);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(side) * side * planes);
}

// The tile repeated over the area the turned document covers, scaled and
// turned with the bicubic interpolator, and the document cut from the
// middle: the same image as the transformed fill.
void vipsAffine(benchmark::State& state) {
  const std::vector<std::uint8_t> tile = bench::makeTile(512, 3);
  const int side = bench::kDocumentSide;
  const double scale = bench::kTransformScale;
  const double radians = bench::kTransformDegrees * 3.14159265358979323846 / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const int across = static_cast<int>(std::ceil(side / scale * (c + s) / 512.0)) + 1;
  VipsInterpolate* bicubic = vips_interpolate_new("bicubic");
  for (auto _ : state) {
    VipsImage* source = vips_image_new_from_memory(tile.data(), tile.size(), 512, 512, 3, VIPS_FORMAT_UCHAR);
    VipsImage* replicated = nullptr;
    VipsImage* turned = nullptr;
    VipsImage* cropped = nullptr;
    std::size_t size = 0;
    void* bytes = nullptr;
    // Counter-clockwise on screen, rows running down.
    if (source != nullptr && vips_replicate(source, &replicated, across, across, nullptr) == 0 &&
        vips_affine(replicated, &turned, scale * c, scale * s, -scale * s, scale * c, "interpolate", bicubic,
                    nullptr) == 0 &&
        vips_crop(turned, &cropped, (turned->Xsize - side) / 2, (turned->Ysize - side) / 2, side, side, nullptr) == 0) {
      bytes = vips_image_write_to_memory(cropped, &size);
    }
    for (VipsImage* image : {cropped, turned, replicated, source}) {
      if (image != nullptr) g_object_unref(image);
    }
    if (bytes == nullptr || size != static_cast<std::size_t>(side) * side * 3) {
      state.SkipWithError(vips_error_buffer());
      g_free(bytes);
      break;
    }
    benchmark::DoNotOptimize(bytes);
    g_free(bytes);
  }
  g_object_unref(bicubic);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(side) * side * 3);
}

void baseline(benchmark::State& state) {
  const int planes = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t> tile = bench::makeTile(512, planes);
  bench::PlainDocument document(bench::kDocumentSide, bench::kDocumentSide, planes);
  for (auto _ : state) {
    bench::fillByRuns(tile.data(), 512, document);
    benchmark::DoNotOptimize(document.bytes.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bench::kDocumentSide * bench::kDocumentSide * planes);
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({512, 256})->Args({512, 128})->Args({512, 64})->Args({128, 64})->ArgNames({"from", "to"});
}

BENCHMARK(stbReduce)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(vipsReplicateCrop)->Arg(3)->Arg(1)->ArgName("planes")->Unit(benchmark::kMillisecond);
BENCHMARK(vipsAffine)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(baseline)->Arg(3)->Arg(1)->ArgName("planes")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (VIPS_INIT(argv[0]) != 0) {
    std::fprintf(stderr, "libvips would not start: %s\n", vips_error_buffer());
    return 1;
  }
  // Every iteration must do the whole work, not fetch the last result.
  vips_cache_set_max(0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vips_shutdown();
  return 0;
}
