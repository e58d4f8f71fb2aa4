#include "tools/texfill/texture_image.h"

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "texture/texture_source.h"

namespace texfill {

bool readTextureImage(const std::string& path, Image& rgb, std::string& error) {
  if (!platform::pathExists(path.c_str())) {
    error = path + ": no such file";
    return false;
  }
  texture::TextureSource source;
  texture::clearTextureSource(&source);
  if (texture::openTextureSource(path.c_str(), &source) == 0) {
    texture::releaseTextureSource(&source);
    error = path + ": not a texture the plug-in can open (TIFF of 8-bit samples, or 8/24-bit BMP)";
    return false;
  }
  bool ok = true;
  if (source.width > 8192 || source.height > 8192) {
    error = path + ": texture larger than 8192 pixels a side";
    ok = false;
  }
  if (ok) {
    Image image = makeImage(source.width, source.height, 3);
    // The row source may write a whole stored row (4 samples) before packing it.
    std::vector<std::uint8_t> row(static_cast<std::size_t>(source.rowBytes) + 4 * source.width);
    for (int y = 0; ok && y < source.height; ++y) {
      ok = texture::readTextureRow(&source, row.data(), y) != 0;
      if (ok) std::copy(row.begin(), row.begin() + static_cast<long>(rowBytesOf(image)), rowOf(image, y));
    }
    if (ok) {
      rgb = std::move(image);
    } else {
      error = path + ": texture row cannot be read";
    }
  }
  texture::releaseTextureSource(&source);
  return ok;
}

}  // namespace texfill
