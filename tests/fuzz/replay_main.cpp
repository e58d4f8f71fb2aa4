// The fuzz targets' own main for builds without libFuzzer: runs the target
// once on every file named, or found (sorted, recursively) under a directory
// named, so that the test suite replays the seed corpora and every input
// that once made a target fail. An argument that does not exist is skipped,
// so that a target without regression inputs yet still runs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

std::vector<std::filesystem::path> inputsUnder(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_regular_file(root)) return {root};
  if (!std::filesystem::is_directory(root)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().filename().string().front() != '.') {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  long replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& path : inputsUnder(argv[i])) {
      std::ifstream in(path, std::ios::binary);
      const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
      // Names the input before running it, so a crash points at its file.
      std::fprintf(stderr, "replay %s\n", path.c_str());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::printf("%ld inputs replayed\n", replayed);
  return replayed > 0 ? 0 : 1;
}
