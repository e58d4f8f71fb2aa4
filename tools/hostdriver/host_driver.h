// The one host of every test host and of texfill: builds the FilterRecord
// for a document, calls the selectors of a filter run as an image editor does
// and hands each band over in place. It knows nothing of where the entry
// point comes from (linked in, or taken from the .8BF), so the same code
// drives the engine natively and the real DLL on Windows.
//
// A plain run is `run()`. Hosts with habits of their own use the single
// steps (call, start, continueOnce, finish) with the record open to change
// between them, a RunPlan, and the abort hook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/filter_record.h"

namespace hostdriver {

// ENTRYPOINT1's shape.
using EntryPoint = void (*)(std::int16_t selector, void* parameterBlock, std::intptr_t* data,
                            std::int16_t* result);

// The host's pixels: `planes` samples of `sampleBytes` bytes a pixel, rows
// `rowBytes` apart (a row may end in bytes of the host's own).
struct DocumentView {
  std::uint8_t* bytes = nullptr;
  int width = 0;
  int height = 0;
  int planes = 3;
  std::size_t rowBytes = 0;
  int sampleBytes = 1;
};

// Packed rows, no bytes between them.
DocumentView packedView(std::uint8_t* bytes, int width, int height, int planes, int sampleBytes = 1);

// What the host saw of one run, from Start on.
struct RunLog {
  std::int16_t startResult = 0;
  std::vector<std::int16_t> continueResults;
  std::int16_t finishResult = 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> progress;  // (done, total) per call
  std::vector<host::Rect16> bands;  // outRect of every Continue, as handed over
  int continueCalls = 0;
  // Set when the host stopped the bands itself: a band a host would not hand
  // over, or no end after the call limit.
  std::string hostError;

  // The first non-zero result of Start or a Continue; else Finish's.
  std::int16_t result() const;
};

enum class LoopEnd {
  emptyRect,    // the first band with no rows or no columns ends the run
  allSidesZero  // only a band whose four sides are 0 does
};

struct RunPlan {
  std::vector<std::int16_t> beforeStart{host::filterSelectorParameters,
                                        host::filterSelectorPrepare};
  LoopEnd end = LoopEnd::emptyRect;
  // Most Continue calls; -1: the filter rectangle's height and two more, as
  // every band is at least a row high.
  int continueLimit = -1;
  bool limitIsError = true;
  // Refuse a band outside the document or the filter rectangle, or of planes
  // the document lacks, instead of handing it over.
  bool refuseBadBands = true;
  bool finish = true;
};

class HostDriver {
 public:
  // The record of a document of `imageMode` (1 grayscale, 3 RGB, anything
  // else to test refusal) whose filter rectangle is the whole document.
  HostDriver(EntryPoint entry, const DocumentView& document, std::int16_t imageMode);
  // The record points at the driver's own platform data.
  HostDriver(const HostDriver&) = delete;
  HostDriver& operator=(const HostDriver&) = delete;

  // A host with callbacks of its own puts them here; one with odd habits
  // changes any field between the steps.
  host::FilterRecord& record() { return record_; }
  const host::FilterRecord& record() const { return record_; }
  void setFilterRect(int top, int left, int bottom, int right);
  // The later record fields as a host that fills them sets them for filter
  // case 1 to 7 of a layer with `colourPlanes` colour planes: the
  // transparency plane handed over and taken back in cases 4 and 5, handed
  // over only in 6 and 7, absent in the flat and floating cases.
  void setFilterCase(std::int16_t filterCase, int colourPlanes);
  // Where later bands are handed over; the record is left as it is.
  void setDocument(const DocumentView& document) { document_ = document; }

  // The entry point, with no band handed over.
  std::int16_t call(std::int16_t selector);
  // Start, with a fresh log.
  std::int16_t start();
  // Hands over the band outRect names (outData null when it starts outside
  // the document) and calls Continue.
  std::int16_t continueOnce();
  std::int16_t finish();
  // Continue while the plan's end is not reached, each result 0 and the
  // band acceptable.
  void continueBands(const RunPlan& plan);
  // The selectors before Start, Start, the bands, Finish (whenever the plan
  // has one, even after a failed Start).
  const RunLog& run(const RunPlan& plan = RunPlan{});

  RunLog& log() { return log_; }
  const RunLog& log() const { return log_; }
  // The selector in progress; -1 between calls.
  std::int16_t selector() const { return selector_; }
  // abortProc calls so far, the one in progress included.
  int abortCalls() const { return abortCalls_; }

  // abortProc's answer; without it the user never aborts.
  std::function<bool(const HostDriver&)> abortAnswer;

 private:
  static unsigned char abortThunk();
  static void progressThunk(std::int32_t done, std::int32_t total);
  std::string bandError() const;

  EntryPoint entry_;
  DocumentView document_;
  host::FilterRecord record_{};
  host::PlatformData platform_{};
  std::intptr_t data_ = 0;
  RunLog log_;
  std::int16_t selector_ = -1;
  int abortCalls_ = 0;
  static HostDriver* current_;
};

// The About selector, which comes with a record of its own and may come at
// any time; `withPlatformData` false: the host gives no platform data.
std::int16_t callAbout(EntryPoint entry, bool withPlatformData = true);

// "noErr (0)", "readErr (-19)", and so on, for messages.
std::string resultName(std::int16_t result);

}  // namespace hostdriver
