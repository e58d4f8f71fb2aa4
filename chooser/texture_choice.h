// What the texture chooser hands to the Start selector.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace chooser {

struct TextureChoice {
  char* fileName;            // 512-byte buffer for the chosen path
  std::int32_t sizeChoice;   // SizeChoice
  std::int32_t tileOrigin;   // TileOrigin
};

constexpr int kFileNameBytes = 512;

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
