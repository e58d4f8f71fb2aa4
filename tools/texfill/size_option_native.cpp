// The native --size: the engine linked in rescales and describes textures.
#include <cstdio>

#include "texture/texture_source.h"
#include "tools/texfill/size_option.h"
#include "tools/texfill/texture_image.h"
#include "tools/texfill/tiff_io.h"
#include "tools/texfill/wrap_scale.h"

namespace texfill {

bool prescaleTexture(const std::string& texture, int pixels, const TempDir& temp, bool verbose,
                     std::string& path, std::string& error) {
  Image image;
  if (!readTextureImage(texture, image, error)) return false;
  if (image.width != image.height) {
    error = texture + ": --size " + std::to_string(pixels) + " needs a square texture, this one is " +
            std::to_string(image.width) + "x" + std::to_string(image.height);
    return false;
  }
  Image scaled;
  if (!wrapScale(image, pixels, scaled, error)) return false;
  if (temp.path.empty()) {
    error = "cannot make a temporary directory";
    return false;
  }
  path = temp.path + "/texture-" + std::to_string(pixels) + ".tif";
  if (!writeTiff(path, scaled, error)) return false;
  if (verbose) {
    std::fprintf(stderr, "texfill fill: %s: %s\n", texture.c_str(),
                 describeScaling(image.width, pixels).c_str());
  }
  return true;
}

bool isLibraryTexture(const std::string& texture) {
  return texture::isHighResTexture(texture.c_str()) != 0 ||
         texture::isLowResTexture(texture.c_str()) != 0 ||
         texture::resizableTextureSide(texture.c_str()) != 0;
}

}  // namespace texfill
