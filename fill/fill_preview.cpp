#include "fill/fill_preview.h"

#include <cstring>
#include <new>

namespace fill {

struct FillPreview {
  int unused;
};

FillPreview* createFillPreview() { return new (std::nothrow) FillPreview{}; }

void destroyFillPreview(FillPreview* preview) { delete preview; }

bool drawFillPreview(FillPreview*, const char*, const FillOptions&, std::int32_t width, std::int32_t height,
                     std::uint8_t* rgb) {
  if (rgb != nullptr && width > 0 && height > 0) {
    std::memset(rgb, 255, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  }
  return false;
}

}  // namespace fill
