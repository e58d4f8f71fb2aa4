// One filter run's fill, from Start until Finish: the texture opened for it,
// the user's options, the mode that makes its pixels and the progress. The
// entry point keeps one between the host's calls; the Preferences swatch and
// texfill make their own. Nothing in it is shared between jobs.
#pragma once

#include <cstdint>

#include "fill/fill_options.h"
#include "fill/host_view.h"
#include "texture/texture_source.h"

namespace fill {

struct FillMode;

struct FillJob {
  texture::TextureSource source;
  FillOptions options;
  char fileName[kFileNameBytes];  // the chosen path
  const FillMode* mode;           // null until Start has prepared one
  void* modeState;                // the mode's own, freed by its release
  // Progress of the fill, shared with the pre-scaling so that one bar
  // covers both.
  std::int32_t rowsDone;
  std::int32_t rowsTotal;
};

void clearFillJob(FillJob* job);
// Frees everything the job owns and clears it; safe on a cleared job.
void releaseFillJob(FillJob* job);

// Start, once the chooser has set the job's file name and options: opens the
// texture, with the view's callbacks as the decode's progress and abort, and
// prepares the mode for the document the view describes. Result codes and
// messages as Start reports them; a job that failed is released.
void startFillJob(FillJob* job, HostView& view, std::int16_t* result);

// The first half of Start: opens the job's texture (and makes it seamless
// when asked). Answers 1, or 0 with the result (and message) given and the
// job released.
int openFillTexture(FillJob* job, HostView& view, std::int16_t* result);

// The mode for the options: the tile fill for everything earlier releases
// could ask for, the fill without repetition when asked, run copies wherever
// the texture keeps its own size and direction, and the sampler for every
// other scale and angle. `anyRectangle` leaves out the tile fill, which goes
// down the document row after row: every other mode fills any rectangle in
// any order, and the copy mode lays down the tile fill's pixels.
const FillMode* modeFor(const FillOptions& options, bool anyRectangle);

// Continue: fills the band the view names and asks for the next one, or
// leaves the empty rectangle after the last.
void fillNextBand(FillJob* job, HostView& view, std::int16_t* result);

}  // namespace fill
