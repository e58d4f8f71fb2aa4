// Answers the plug-in's Open Texture dialog as a user would, from the dialog
// watcher's thread: types the texture path into the File Name edit, picks the
// size in the "Size to:" combo, confirms Preferences set to the other
// options when they are not the defaults, and presses Open; or presses
// Cancel; or makes the dialog fail (ends it without either command).
#pragma once

#include <windows.h>

#include <string>

#include "fill/fill_options.h"

namespace hostdriver {

// Caption of the Open Texture dialog (the settings section, string 1).
constexpr const char* kChooserCaption = "Oriel Brindle Texture Library";

// `options.sizeChoice` is picked when the combo is enabled (library
// textures); the tile origin and the fill options are set in Preferences
// when any of them differs from its default.
struct ChooserAnswer {
  int status = 1;    // 1 choose, 2 Cancel, anything else: end the dialog without a choice
  std::string path;  // typed into the File Name edit
  fill::FillOptions options;
};

// Every later Open Texture dialog is answered with `answer` (the watcher
// must be running). Installs the handler on first use.
void answerChooser(const ChooserAnswer& answer);
// The same from "status|path|sizeChoice|tileOrigin"; "" is a Cancel.
void answerChooser(const std::string& text);
// What went wrong while answering since the last call ("" when nothing).
std::string takeChooserProblems();

// Dialog helpers shared with the chooser checks.
bool clickButton(HWND dialog, int id);  // BM_CLICK: auto buttons change state too
int listCount(HWND dialog, int id);
std::string listText(HWND dialog, int id, int index);
// Types `text` into the File Name edit and waits until the dialog has
// redescribed the file (the info line and the size combo follow the edit).
bool typeFileName(HWND dialog, const std::string& text);

}  // namespace hostdriver
