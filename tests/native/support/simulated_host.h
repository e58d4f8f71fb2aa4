// The native tests' host: the shared host driver over ENTRYPOINT1 and a
// document with canary bytes after every row, so that writes past a row or
// outside the filter rectangle show up.
#pragma once

#include <cstdint>
#include <vector>

#include "host/filter_record.h"
#include "tools/hostdriver/host_driver.h"

namespace simhost {

constexpr std::uint8_t kCanary = 0xA5;
constexpr int kCanaryBytes = 7;

struct Document {
  int width = 0;
  int height = 0;
  int planes = 3;          // samples per pixel in the document
  int rowBytes = 0;        // width * planes * sampleBytes + kCanaryBytes
  std::vector<std::uint8_t> bytes;
  int sampleBytes = 1;

  Document() = default;
  Document(int width, int height, int planes, std::uint8_t fill = 0x11, int sampleBytes = 1);
  std::uint8_t* pixel(int x, int y) { return bytes.data() + y * rowBytes + x * planes * sampleBytes; }
  const std::uint8_t* pixel(int x, int y) const { return bytes.data() + y * rowBytes + x * planes * sampleBytes; }
};

using Run = hostdriver::RunLog;

class SimulatedHost {
 public:
  // imageMode 1 and 10 give one plane, any other three; 10 and 11 give
  // 16-bit samples.
  SimulatedHost(int width, int height, std::int16_t imageMode);

  // The whole document, or a selection within it.
  void setFilterRect(int top, int left, int bottom, int right) { driver_.setFilterRect(top, left, bottom, right); }
  // Continue calls after which abortProc answers true (0-based: 0 aborts at
  // the first Continue); -1 never. Counted over every abortProc call.
  void abortAtCall(int call) { abortAtCall_ = call; }

  // Parameters, Prepare, Start, Continue until the empty rectangle (at most
  // `continueLimit` calls, or until a non-zero result), Finish.
  Run run(int continueLimit = 1000000);
  // Only Start; the record stays for further selectors.
  std::int16_t start() { return driver_.start(); }
  std::int16_t continueOnce();
  // Continue until the empty rectangle, a non-zero result or
  // `continueLimit` calls.
  void continueBands(int continueLimit = 1000000);
  std::int16_t finish() { return driver_.finish(); }
  std::int16_t call(std::int16_t selector) { return driver_.call(selector); }

  host::FilterRecord& record() { return driver_.record(); }
  Document& document() { return document_; }
  Run& log() { return driver_.log(); }
  int abortCalls() const { return driver_.abortCalls(); }
  // Bytes outside the filter rectangle, and canaries, that differ from the
  // document as it was before the run.
  int bytesChangedOutsideRect() const;

 private:
  // The document may have been replaced since the last band.
  hostdriver::DocumentView view();
  // A host that hands over whatever band it is asked for and stops only at
  // the all-zero rectangle. Made once: the benchmarks count the heap blocks
  // taken during the bands.
  hostdriver::RunPlan& plan(int continueLimit);

  Document document_;
  std::vector<std::uint8_t> original_;
  hostdriver::HostDriver driver_;
  hostdriver::RunPlan plan_;
  int abortAtCall_ = -1;
};

}  // namespace simhost
