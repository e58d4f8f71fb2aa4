#include "tools/texfill/quantize.h"

#include <libimagequant.h>

#include <memory>

namespace texfill {
namespace {

struct AttrDeleter {
  void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct ImageDeleter {
  void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct ResultDeleter {
  void operator()(liq_result* result) const { liq_result_destroy(result); }
};

}  // namespace

bool quantize(const Image& rgb, int colours, IndexedPicture& picture, std::string& error) {
  if (rgb.channels != 3 || colours < 2 || colours > 256 || rgb.width <= 0 || rgb.height <= 0) {
    error = "quantize: needs an RGB picture and 2 to 256 colours";
    return false;
  }
  const std::size_t count = static_cast<std::size_t>(rgb.width) * rgb.height;
  std::vector<std::uint8_t> rgba(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    rgba[4 * i] = rgb.pixels[3 * i];
    rgba[4 * i + 1] = rgb.pixels[3 * i + 1];
    rgba[4 * i + 2] = rgb.pixels[3 * i + 2];
    rgba[4 * i + 3] = 255;
  }
  std::unique_ptr<liq_attr, AttrDeleter> attr(liq_attr_create());
  if (!attr || liq_set_max_colors(attr.get(), colours) != LIQ_OK) {
    error = "quantize: libimagequant refused the settings";
    return false;
  }
  std::unique_ptr<liq_image, ImageDeleter> image(
      liq_image_create_rgba(attr.get(), rgba.data(), rgb.width, rgb.height, 0));
  liq_result* raw = nullptr;
  if (!image || liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || raw == nullptr) {
    error = "quantize: libimagequant could not reduce the colours";
    return false;
  }
  std::unique_ptr<liq_result, ResultDeleter> result(raw);
  liq_set_dithering_level(result.get(), 1.0f);
  picture.width = rgb.width;
  picture.height = rgb.height;
  picture.indices.assign(count, 0);
  if (liq_write_remapped_image(result.get(), image.get(), picture.indices.data(), count) != LIQ_OK) {
    error = "quantize: libimagequant could not remap the picture";
    return false;
  }
  const liq_palette* palette = liq_get_palette(result.get());
  picture.colours.clear();
  for (unsigned i = 0; i < palette->count && i < static_cast<unsigned>(colours); ++i) {
    picture.colours.push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b});
  }
  return true;
}

}  // namespace texfill
