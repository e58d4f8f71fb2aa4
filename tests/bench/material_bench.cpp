// Finding a material beside the chosen map in a folder of 10,000 files, the
// goal 20 ms: 1,998 other materials of five maps each (empty files, never
// described, as their stems differ), one ambientCG set and one set of bare
// names ("Color.tif", "Normal.tif" ...), five 64 x 64 TIFF maps each. A bare
// name has the empty stem, so that every name of the folder is read against
// the table: the slowest case. range(0): 0 the ambientCG set, 1 the bare names.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/native/support/texture_fixtures.h"
#include "texture/material.h"

namespace {

constexpr const char* kWords[] = {"Color", "NormalGL", "Roughness", "Displacement", "AmbientOcclusion"};

struct MaterialFolder {
  fixtures::TempDir dir;
  MaterialFolder() {
    char name[64];
    for (int material = 0; material < 1998; ++material) {
      for (const char* word : kWords) {
        std::snprintf(name, sizeof name, "Stone%04d_1K_%s.png", material, word);
        std::FILE* file = std::fopen(dir.file(name).c_str(), "wb");
        if (file != nullptr) std::fclose(file);
      }
    }
    for (const char* word : kWords) {
      for (const std::string& stem : {std::string("Granite042_1K_"), std::string()}) {
        fixtures::TiffSpec layout;
        layout.path = dir.file(stem + word + ".tif");
        layout.width = 64;
        layout.height = 64;
        fixtures::writeTiff(layout);
      }
    }
  }
};

void findMaterialInLargeFolder(benchmark::State& state) {
  static const MaterialFolder folder;
  const std::string chosen = folder.dir.file(state.range(0) == 0 ? "Granite042_1K_Color.tif" : "Color.tif");
  const auto material = std::make_unique<texture::Material>();
  for (auto _ : state) {
    if (!texture::findMaterial(chosen.c_str(), material.get()) || material->mapCount != 5) {
      state.SkipWithError("the material's five maps not found");
      break;
    }
    benchmark::DoNotOptimize(material->maps);
  }
}

}  // namespace

BENCHMARK(findMaterialInLargeFolder)->Arg(0)->Arg(1)->ArgName("bare")->Unit(benchmark::kMillisecond);
