// The host's side of a run on a terminal: Ctrl-C as the user's abort, and a
// progress bar on stderr when stderr is a terminal.
#pragma once

#include <cstdint>

namespace texfill {

// SIGINT sets a flag that abortRequested() answers; a second Ctrl-C ends the
// process the usual way, should the plug-in stop polling.
void installInterruptHandler();
bool interrupted();

// The abortProc handed to the plug-in. When TEXFILL_BAND_DELAY_MS is set it
// also waits that long each time, so that a demonstration or a test can
// interrupt a fill of a small document.
unsigned char abortRequested();

// The progressProc handed to the plug-in: redraws the bar when the percentage
// changes. Nothing is drawn unless stderr is a terminal.
void reportProgress(std::int32_t done, std::int32_t total);
// The word before the bar ("filling" unless set).
void setProgressLabel(const char* label);
// Clears the bar's line, if one was drawn.
void endProgress();

}  // namespace texfill
