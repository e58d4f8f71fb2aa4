// What differs between the native texfill, which links the plug-in's engine
// in, and the Windows one, which loads the real .8BF: where ENTRYPOINT1
// comes from, how the chooser learns the user's pick, how the plug-in's
// message boxes reach the user, and what texfill can prepare itself.
#pragma once

#include <string>

#include "tools/texfill/host_driver.h"
#include "tools/texfill/temp_dir.h"

namespace texfill {

struct PluginChoice {
  std::string texturePath;
  int sizeChoice = 0;
  int tileOrigin = 1;
};

// `pluginPath` is the --plugin option ("" when not given). Null, with a
// reason, when the plug-in cannot be had.
EntryPoint bindPlugin(const std::string& pluginPath, std::string& error);
void unbindPlugin();

// Sets up the chooser so that the next Start picks `choice`, and starts
// collecting the plug-in's message boxes, each printed on stderr.
void choosePluginTexture(const PluginChoice& choice);
// Message boxes the plug-in showed since choosePluginTexture.
int pluginMessagesShown();

// For --size N: the texture rescaled to N x N with the plug-in's resampler,
// written to an uncompressed TIFF in `temp`, whose path goes to `path`.
bool prescaleTexture(const std::string& texture, int pixels, const TempDir& temp,
                     bool verbose, std::string& path, std::string& error);
// True for the textures the dialog's sizes apply to (512x512 RGB or 128x128
// one-sample .tif files); true when the build cannot tell.
bool isLibraryTexture(const std::string& texture);

}  // namespace texfill
