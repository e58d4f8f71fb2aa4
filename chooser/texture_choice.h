// What the texture chooser hands to the Start selector.
#pragma once

#include <cstdint>

#include "fill/fill_options.h"
#include "platform/platform.h"

namespace chooser {

struct TextureChoice {
  char* fileName;            // kFileNameBytes buffer for the chosen path
  fill::FillOptions options;  // the size choice, the tile origin and the rest
};

constexpr int kFileNameBytes = fill::kFileNameBytes;

enum DialogStatus : int {
  dialogFailed = 0,
  dialogChosen = 1,
  dialogCancelled = 2,
};

// Runs the chooser: the Open Texture dialog on Windows, the choice provider
// set by tests and the command-line host elsewhere. Answers a DialogStatus.
int runTextureDialog(platform::WindowHandle owner, platform::ModuleHandle module,
                     TextureChoice* choice);

// The About dialog, for the host's About selector and the chooser's button.
// Answers the dialog's result (2), or 0 where there is no dialog to show.
int showAboutDialog(platform::WindowHandle parent, platform::ModuleHandle module);

}  // namespace chooser
