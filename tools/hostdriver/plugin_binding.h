// Where the plug-in comes from, for the hosts that run either build: the
// engine linked in natively, the real .8BF on Windows. Also how such a host
// tells the Open Texture dialog what the user picks, and hears of the
// plug-in's message boxes.
#pragma once

#include <string>
#include <vector>

#include "fill/fill_options.h"
#include "tools/hostdriver/host_driver.h"

namespace hostdriver {

// `pluginPath` is the .8BF to load on Windows and must be empty natively.
// Null, with a reason, when the plug-in cannot be had.
EntryPoint bindPlugin(const std::string& pluginPath, std::string& error);
void unbindPlugin();

struct PluginChoice {
  int status = 1;  // 1 chosen, 2 cancelled, anything else: the dialog fails
  std::string texturePath;
  fill::FillOptions options;
};

// What every later Start's Open Texture dialog answers.
void choosePluginTexture(const PluginChoice& choice);
// What went wrong answering the dialog since the last call ("" when nothing
// did; always "" natively, where there is no dialog to answer). A problem
// means the plug-in may have been given another choice than the one asked.
std::string takeChoiceProblems();
// The texts of the message boxes the plug-in showed since the last call,
// oldest first; on Windows each was dismissed with OK.
std::vector<std::string> takePluginMessages();

}  // namespace hostdriver
