// A way of making a fill's pixels. Start chooses one for the job and
// prepares it once; every Continue then asks it for one band of the host's
// document, anywhere in the filter rectangle, through the shared band loop
// (fillNextBand), which owns the abort, the progress and the band protocol.
#pragma once

#include <cstdint>

#include "fill/fill_job.h"
#include "fill/host_view.h"
#include "fill/pixel_layout.h"

namespace fill {

// Where one band's pixels go: the host's buffer for the document rectangle
// starting at (top, left), `rows` x `columns` pixels laid out as `layout` says.
struct BandTarget {
  std::int32_t top;
  std::int32_t left;
  std::int32_t rows;
  std::int32_t columns;
  std::uint8_t* pixels;
  std::int32_t rowBytes;
  PixelLayout layout;
};

struct FillMode {
  // After the texture is open: sets the job up and the view's first band.
  // Answers 1 when Start may go on; otherwise the result and any message are
  // given, and what was set up stays for Finish to release.
  int (*prepare)(FillJob& job, HostView& view, std::int16_t* result);
  // Whether a band can be filled: false after a Start that failed part way,
  // for a host that calls Continue all the same.
  bool (*ready)(const FillJob& job);
  // Rows of the band the host has just handed over (at least 1).
  std::int32_t (*bandRows)(const FillJob& job, const HostView& view);
  // Writes the band. Answers 1, or 0 after reporting a failure in `result`
  // (the band is then not counted and the host's rectangle stays).
  int (*render)(FillJob& job, const BandTarget& band, std::int16_t* result);
  // Frees the mode's own state; the job's texture is released with the job.
  void (*release)(FillJob& job);
};

}  // namespace fill
