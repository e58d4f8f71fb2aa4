// One fill case through the shared host driver, over a document whose bytes
// start as a pattern, so that writes outside the filter rectangle show up.
// The native and the Windows runner share it, so that both can be compared
// byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/hostdriver/host_driver.h"

namespace fillhost {

struct FillRequest {
  int width = 0;   // document size in pixels
  int height = 0;
  int imageMode = 3;  // 1 grayscale, 3 RGB, 10 and 11 their 16-bit forms, anything else to test refusal
  int planes = 3;     // samples per document pixel
  int colourPlanes = 3;  // the first planes; a further one is the layer's transparency
  int sampleBytes = 1;
  int filterCase = 0;  // 1..7: the host fills the later record fields for that case
  bool shortRecord = false;  // ... but, like a host of the short record, no advanceState
  bool blankLayer = false;   // the transparency plane starts fully transparent
  std::int16_t top = 0, left = 0, bottom = 0, right = 0;  // filter rectangle
  int abortAtBand = 0;  // abortProc answers true at this Continue (1-based); 0 never
  bool abortDuringStart = false;  // abortProc answers true while Start runs (pre-scaling)
};

struct FillOutcome {
  hostdriver::RunLog log;
  std::vector<std::uint8_t> document;  // planes bytes a pixel, rows packed
  bool outsideChanged = false;  // bytes outside the filter rectangle were written
  // Inside the rectangle, a transparency plane that is not fully opaque where
  // the plug-in owns it, or that was written where the host keeps it.
  bool transparencyWrong = false;
};

// Whether the plug-in owns the transparency plane of the request's layer.
bool transparencyWritten(const FillRequest& request);

// The document's initial contents.
std::uint8_t initialDocumentByte(std::size_t offset);

// The caller has already told the chooser what the user picks.
FillOutcome runFill(hostdriver::EntryPoint entry, const FillRequest& request);

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash = 0xcbf29ce484222325ull);

}  // namespace fillhost
