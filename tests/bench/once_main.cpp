// One operation at a time, for figures that need a process of their own:
// instruction counts under callgrind (only the operation is instrumented)
// and the heap the fill holds beside the document.
//
//   orielvmx_bench_once fill CASE        one filter run of an 8000 x 8000 document
//   orielvmx_bench_once prescale FROM TO one whole reduction from memory
//   orielvmx_bench_once baseline PLANES  memcpy runs of a 512-wide tile, 8000 x 8000
//   orielvmx_bench_once texture PATH     writes the 512 x 512 RGB texture there
//   orielvmx_bench_once thumbnail PATH OUT the preview thumbnail of a PNG or
//                                        JPEG texture, written to OUT as PPM
//   orielvmx_bench_once list             the fill cases
//
// Every malloc of the process is counted here (libtiff's included), so the
// heap figures are upper bounds for the plug-in's own.
#include <malloc.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "host/filter_record.h"
#include "resample/wrap_resampler.h"
#include "tests/bench/baseline.h"
#include "tests/bench/bench_textures.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/texture_source.h"
#include "texture/thumbnail.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace heap {

long long live = 0;
long long peak = 0;
long long calls = 0;

void added(void* block) {
  if (block == nullptr) return;
  ++calls;
  live += static_cast<long long>(malloc_usable_size(block));
  if (live > peak) peak = live;
}
void removed(void* block) {
  if (block != nullptr) live -= static_cast<long long>(malloc_usable_size(block));
}
void resetPeak() { peak = live; }

}  // namespace heap

extern "C" {
void* malloc(std::size_t size) {
  void* block = __libc_malloc(size);
  heap::added(block);
  return block;
}
void* calloc(std::size_t count, std::size_t size) {
  void* block = __libc_calloc(count, size);
  heap::added(block);
  return block;
}
void* realloc(void* block, std::size_t size) {
  heap::removed(block);
  void* moved = __libc_realloc(block, size);
  // A failed realloc keeps the old block.
  heap::added(moved != nullptr || size == 0 ? moved : block);
  return moved;
}
void free(void* block) {
  heap::removed(block);
  __libc_free(block);
}
void* memalign(std::size_t alignment, std::size_t size) {
  void* block = __libc_memalign(alignment, size);
  heap::added(block);
  return block;
}
void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  void* block = memalign(alignment, size);
  if (block == nullptr) return 12;  // ENOMEM
  *out = block;
  return 0;
}
}

namespace {

int usage() {
  std::fprintf(stderr, "usage: orielvmx_bench_once fill CASE | prescale FROM TO | baseline PLANES | texture PATH | thumbnail PATH OUT | list\n");
  return 2;
}

int fillOnce(const std::string& name) {
  const std::vector<bench::FillCase> cases = bench::fillCases();
  const bench::FillCase* chosen = nullptr;
  for (const auto& c : cases) {
    if (c.name == name) chosen = &c;
  }
  if (chosen == nullptr) return usage();
  bench::textures();
  simhost::SimulatedHost host(bench::kDocumentSide, bench::kDocumentSide, chosen->imageMode);
  // A first run warms libtiff and the heap up, as any fill after the first.
  if (!bench::runFill(host, *chosen).ok) return 1;

  chooser::provideChoice({.status = 1, .fileName = bench::texturePath(*chosen),
                          .options = {.sizeChoice = chosen->sizeChoice, .tileOrigin = 1}});
  // The log of the first run is the host's, not the fill's.
  host.log() = simhost::Run{};
  const long long before = heap::live;
  heap::resetPeak();
  CALLGRIND_START_INSTRUMENTATION;
  host.call(host::filterSelectorParameters);
  host.call(host::filterSelectorPrepare);
  if (host.start() != 0) return 1;
  CALLGRIND_STOP_INSTRUMENTATION;
  const long long startPeak = heap::peak - before;
  const long long held = heap::live - before;
  // The host's own log must not grow during the bands.
  host.log().bands.reserve(bench::kDocumentSide + 1);
  host.log().progress.reserve(bench::kDocumentSide + 1000);
  host.log().continueResults.reserve(bench::kDocumentSide + 1);
  const long long callsBefore = heap::calls;
  const long long liveBeforeBands = heap::live;
  heap::resetPeak();
  CALLGRIND_START_INSTRUMENTATION;
  host.continueBands();
  CALLGRIND_STOP_INSTRUMENTATION;
  if (host.log().result() != 0) return 1;
  const int continues = host.log().continueCalls;
  const long long bandCalls = heap::calls - callsBefore;
  const long long bandPeak = heap::peak - liveBeforeBands;
  const texture::TextureSource& source = host::currentFillJob().source;
  const long long rowBuffer = source.rowBytes;
  const long long block = source.prescaled != nullptr
                              ? static_cast<long long>(source.scaledHeight) * source.bufferRowBytes
                              : 0;
  const long long textureRows = static_cast<long long>(source.height) * source.rowBytes;
  CALLGRIND_START_INSTRUMENTATION;
  if (host.finish() != 0) return 1;
  CALLGRIND_STOP_INSTRUMENTATION;
  std::printf("case %s continues %d\n", name.c_str(), continues);
  std::printf("heap_start_peak %lld\nheap_held_after_start %lld\n", startPeak, held);
  std::printf("heap_allocations_during_bands %lld\nheap_growth_during_bands %lld\n", bandCalls, bandPeak);
  std::printf("row_buffer %lld\nprescaled_block %lld\ntexture_rows %lld\n", rowBuffer, block, textureRows);
  return 0;
}

struct MemoryTexture {
  int side;
  std::vector<std::uint8_t> bytes;
  static int fetch(void* context, std::int32_t row, std::uint8_t* destination) {
    const auto& texture = *static_cast<const MemoryTexture*>(context);
    const std::size_t rowBytes = static_cast<std::size_t>(texture.side) * 3;
    std::memcpy(destination, texture.bytes.data() + static_cast<std::size_t>(row) * rowBytes, rowBytes);
    return 0;
  }
};

int prescaleOnce(int from, int to) {
  MemoryTexture texture{from, bench::makeTile(from, 3)};
  std::vector<std::uint8_t> block(static_cast<std::size_t>(to) * to * 3);
  CALLGRIND_START_INSTRUMENTATION;
  WrapResampler* resampler = createWrapResampler(from, to, 3, RowSource{&MemoryTexture::fetch, &texture});
  if (resampler == nullptr) return 1;
  for (int row = 0; row < to; ++row) {
    if (resampleRow(resampler, row, block.data() + static_cast<std::size_t>(row) * to * 3) != 0) return 1;
  }
  destroyWrapResampler(resampler);
  CALLGRIND_STOP_INSTRUMENTATION;
  unsigned sum = 0;
  for (std::uint8_t b : block) sum = sum * 31 + b;
  std::printf("prescale %d -> %d checksum %08x\n", from, to, sum);
  return 0;
}

int baselineOnce(int planes) {
  if (planes != 1 && planes != 3) return usage();
  const std::vector<std::uint8_t> tile = bench::makeTile(512, planes);
  bench::PlainDocument document(bench::kDocumentSide, bench::kDocumentSide, planes);
  bench::fillByRuns(tile.data(), 512, document);  // pages touched, as for the fill's warm-up run
  CALLGRIND_START_INSTRUMENTATION;
  bench::fillByRuns(tile.data(), 512, document);
  CALLGRIND_STOP_INSTRUMENTATION;
  std::printf("baseline planes %d byte %d\n", planes, document.bytes[12345]);
  return 0;
}

// The whole process is what is timed, against vipsthumbnail's, so the
// thumbnail is written out as that command writes its own.
int thumbnailOnce(const char* path, const char* out) {
  static texture::Thumbnail thumbnail;
  if (!texture::makeThumbnail(path, &thumbnail)) return 1;
  std::FILE* file = std::fopen(out, "wb");
  if (file == nullptr) return 1;
  std::fprintf(file, "P6\n%d %d\n255\n", thumbnail.width, thumbnail.height);
  const std::size_t bytes = 3 * static_cast<std::size_t>(thumbnail.width) * thumbnail.height;
  const bool written = std::fwrite(thumbnail.rgb, 1, bytes, file) == bytes;
  return std::fclose(file) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "list") == 0) {
    for (const auto& c : bench::fillCases()) std::printf("%s\n", c.name.c_str());
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "fill") == 0) return fillOnce(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "baseline") == 0) return baselineOnce(std::atoi(argv[2]));
  if (argc == 3 && std::strcmp(argv[1], "texture") == 0) {
    fixtures::TiffSpec texture;
    texture.path = argv[2];
    texture.width = 512;
    texture.height = 512;
    return fixtures::writeTiff(texture).empty() ? 1 : 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "thumbnail") == 0) return thumbnailOnce(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "prescale") == 0) return prescaleOnce(std::atoi(argv[2]), std::atoi(argv[3]));
  return usage();
}
