// What differs between the native and the Windows fill runner: where the
// entry point comes from, how the chooser is told the user's pick, and how
// message boxes are counted.
#pragma once

#include <string>

#include "tools/fillhost/case_list.h"
#include "tools/fillhost/fill_host.h"

namespace fillhost {

// Natively the plug-in is linked in and `pluginPath` is ignored; on Windows
// it is the DLL to load. Answers null and a reason on failure.
EntryPoint loadPlugin(const char* pluginPath, std::string* error);
void unloadPlugin();

// Sets up the chooser so that the next Start picks `texturePath` as `fillCase` says.
void chooseTexture(const FillCase& fillCase, const std::string& texturePath);

void forgetMessageBoxes();
// Message boxes shown (and, on Windows, dismissed with OK) since forgetMessageBoxes.
int messageBoxesShown();

char pathSeparator();

}  // namespace fillhost
