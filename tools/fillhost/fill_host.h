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
  int imageMode = 3;  // 1 grayscale, 3 RGB, anything else to test refusal
  int planes = 3;     // bytes per document pixel
  std::int16_t top = 0, left = 0, bottom = 0, right = 0;  // filter rectangle
  int abortAtBand = 0;  // abortProc answers true at this Continue (1-based); 0 never
  bool abortDuringStart = false;  // abortProc answers true while Start runs (pre-scaling)
};

struct FillOutcome {
  hostdriver::RunLog log;
  std::vector<std::uint8_t> document;  // planes bytes a pixel, rows packed
  bool outsideChanged = false;  // bytes outside the filter rectangle were written
};

// The document's initial contents.
std::uint8_t initialDocumentByte(std::size_t offset);

// The caller has already told the chooser what the user picks.
FillOutcome runFill(hostdriver::EntryPoint entry, const FillRequest& request);

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash = 0xcbf29ce484222325ull);

}  // namespace fillhost
