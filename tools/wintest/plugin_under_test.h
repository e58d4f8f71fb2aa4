// The loaded plug-in the checks run against.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace wintest {

using EntryPoint = void (*)(std::int16_t selector, void* parameterBlock, std::intptr_t* data,
                            std::int16_t* result);

struct PluginUnderTest {
  HMODULE module;
  std::string path;
  EntryPoint entry;
  std::string scratchDirectory;  // for files the checks write; ends with a backslash
};

void runResourceChecks(const PluginUnderTest& plugin);
void runSelectorChecks(const PluginUnderTest& plugin);
void runHostHabitChecks(const PluginUnderTest& plugin);
void runChooserChecks(const PluginUnderTest& plugin);
// The Preferences dialog's fill options; run by the chooser checks.
void runPreferencesChecks(const PluginUnderTest& plugin);
// The chooser's dialogs on a display the system has set to `dpi`.
void runDisplayScaleChecks(const PluginUnderTest& plugin, int dpi);
void runPspiHostChecks(const PluginUnderTest& plugin);

}  // namespace wintest
