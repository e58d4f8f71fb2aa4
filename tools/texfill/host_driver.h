// The command-line host: drives one filter run of the plug-in over a
// document in memory, as an image editor does.
#pragma once

#include <cstdint>
#include <string>

#include "host/filter_record.h"
#include "tools/texfill/image.h"

namespace texfill {

// ENTRYPOINT1's shape: linked in natively, taken from the .8BF on Windows.
using EntryPoint = void (*)(std::int16_t selector, void* parameterBlock, std::intptr_t* data,
                            std::int16_t* result);

struct FillJob {
  EntryPoint entry = nullptr;
  Image* document = nullptr;   // 1 channel (grayscale mode) or 3 (RGB mode); filled in place
  host::Rect16 filterRect{};   // top, left, bottom, right; within the document
  host::AbortProc abortProc = nullptr;
  host::ProgressProc progressProc = nullptr;
};

struct FillOutcome {
  // The first non-zero result of Start or a Continue; else Finish's result.
  std::int16_t result = 0;
  int continueCalls = 0;
  // Set when the plug-in asked for something a host refuses: a band outside
  // the document or of other planes than the document has.
  std::string hostError;
};

// Parameters, Prepare, Start, Continue until the plug-in leaves the empty
// band, Finish (always, once Start was called). Before each Continue the
// band's pixels are handed over in place: outData points into the document
// at outRect, outRowBytes is the document's row length.
FillOutcome runFilter(const FillJob& job);

// "noErr", "readErr (-19)", and so on, for messages.
std::string resultName(std::int16_t result);

}  // namespace texfill
