// Answers the plug-in's Preferences dialog as a user would, from the dialog
// watcher's thread: reads what it shows, sets every control (the tile
// origin and the fill options) and confirms or cancels it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "fill/fill_options.h"

namespace hostdriver {

constexpr const char* kPreferencesCaption = "Preferences";

// What preferencesShown gives for an edit that holds no number.
constexpr std::int32_t kNotANumber = INT32_MIN;

// True when `options` ask for something the Open Texture dialog alone does
// not give: the selection origin or any fill option other than its default.
bool needsPreferences(const fill::FillOptions& options);
// What the open dialog shows: the tile origin, the repeat, the typed values
// (whole degrees for the angle) and make seamless; the rest are defaults.
fill::FillOptions preferencesShown(HWND preferences);
// Sets every control from `options`, each as a user's change would (so the
// dialog redraws its swatch). Answers "" or what went wrong.
std::string setPreferences(HWND preferences, const fill::FillOptions& options);
// Opens Preferences from the Open Texture dialog, tells what it opened with
// in `shown` (when not null), sets it from `options` and presses
// `buttonId` (IDOK or IDCANCEL); waits until it has closed. Answers "" or a
// problem.
std::string answerPreferences(HWND chooser, const fill::FillOptions& options, int buttonId,
                              fill::FillOptions* shown = nullptr);

}  // namespace hostdriver
