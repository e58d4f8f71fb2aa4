#include "tools/wintest/bmp_file.h"

#include <fstream>

namespace wintest {
namespace {

void put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

// BMP rows are stored bottom-up, blue first, each padded to 4 bytes.
std::vector<std::uint8_t> bmpFile(int width, int height, const std::uint8_t* rgb,
                                  std::uint32_t compression) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t imageBytes = rowBytes * height;
  std::vector<std::uint8_t> bytes(54 + imageBytes, 0);
  put(bytes, 0, 0x4D42, 2);  // "BM"
  put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
  put(bytes, 10, 54, 4);
  put(bytes, 14, 40, 4);
  put(bytes, 18, static_cast<std::uint32_t>(width), 4);
  put(bytes, 22, static_cast<std::uint32_t>(height), 4);
  put(bytes, 26, 1, 2);
  put(bytes, 28, 24, 2);
  put(bytes, 30, compression, 4);
  put(bytes, 34, static_cast<std::uint32_t>(imageBytes), 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* from = rgb + (static_cast<std::size_t>(y) * width + x) * 3;
      std::uint8_t* to = &bytes[54 + (height - 1 - y) * rowBytes + static_cast<std::size_t>(x) * 3];
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
    }
  }
  return bytes;
}

bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace wintest
