// The native binding: the engine is linked in, the chooser is the native
// choice provider, and message boxes are the POSIX platform layer's records.
#include <cstdio>

#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "platform/posix/platform_posix_test.h"
#include "texture/texture_source.h"
#include "tools/texfill/plugin_binding.h"
#include "tools/texfill/texture_image.h"
#include "tools/texfill/tiff_io.h"
#include "tools/texfill/wrap_scale.h"

namespace texfill {

EntryPoint bindPlugin(const std::string& pluginPath, std::string& error) {
  if (!pluginPath.empty()) {
    error = "--plugin loads a .8BF in the Windows build; this build has the engine linked in";
    return nullptr;
  }
  // The library's process attach: strings and messages need a module.
  host::attachModule(reinterpret_cast<void*>(1));
  return ENTRYPOINT1;
}

void unbindPlugin() { platform::test::setPrintMessages(false); }

void choosePluginTexture(const PluginChoice& choice) {
  chooser::ProvidedChoice provided;
  provided.status = 1;
  provided.fileName = choice.texturePath;
  provided.sizeChoice = choice.sizeChoice;
  provided.tileOrigin = choice.tileOrigin;
  chooser::provideChoice(provided);
  platform::test::clearMessages();
  platform::test::setPrintMessages(true);
}

int pluginMessagesShown() { return static_cast<int>(platform::test::messages().size()); }

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
         texture::isLowResTexture(texture.c_str()) != 0;
}

}  // namespace texfill
