// A simulated host that drives one filter run through an ENTRYPOINT1 function
// the way an image editor does: Parameters, Prepare, Start, Continue until the
// plug-in leaves the empty rectangle, Finish. The same code runs natively
// (the entry point linked in) and on Windows (the entry point taken from the
// real DLL), so that both can be compared byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fillhost {

using EntryPoint = void (*)(std::int16_t selector, void* parameterBlock, std::intptr_t* data,
                            std::int16_t* result);

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
  std::int16_t startResult = 0;
  std::int16_t lastContinueResult = 0;
  std::int16_t finishResult = 0;
  int continueCalls = 0;
  // Something a real host would have refused: a band outside the filter
  // rectangle or the document's planes, or no empty rectangle in sight.
  std::string hostError;
  std::vector<std::pair<std::int32_t, std::int32_t>> progress;  // (done, total) per call
  std::vector<std::uint8_t> document;  // planes bytes a pixel, rows packed
  bool outsideChanged = false;  // bytes outside the filter rectangle were written
};

// The outcome as one number: the first failure of Start or Continue, or
// Finish's result when the run went through.
std::int16_t overallResult(const FillOutcome& outcome);

// The document's initial contents: a pattern, so that writes outside the
// filter rectangle show up.
std::uint8_t initialDocumentByte(std::size_t offset);

// The caller has already told the chooser what the user picks.
FillOutcome runFill(EntryPoint entry, const FillRequest& request);

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash = 0xcbf29ce484222325ull);

}  // namespace fillhost
