// A host for tests: owns a document with canary bytes after every row,
// builds the FilterRecord, and drives ENTRYPOINT1 through a filter run the
// way an image editor does, recording every callback.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/filter_record.h"

namespace simhost {

constexpr std::uint8_t kCanary = 0xA5;
constexpr int kCanaryBytes = 7;

struct Document {
  int width = 0;
  int height = 0;
  int planes = 3;          // bytes per pixel in the document
  int rowBytes = 0;        // width * planes + kCanaryBytes
  std::vector<std::uint8_t> bytes;

  Document() = default;
  Document(int width, int height, int planes, std::uint8_t fill = 0x11);
  std::uint8_t* pixel(int x, int y) { return bytes.data() + y * rowBytes + x * planes; }
  const std::uint8_t* pixel(int x, int y) const { return bytes.data() + y * rowBytes + x * planes; }
};

struct Run {
  std::int16_t startResult = 0;
  std::vector<std::int16_t> continueResults;
  std::int16_t finishResult = 0;
  std::vector<std::pair<std::int32_t, std::int32_t>> progress;
  std::vector<host::Rect16> bands;  // outRect of every Continue call, before it
  int continueCalls = 0;
};

class SimulatedHost {
 public:
  SimulatedHost(int width, int height, std::int16_t imageMode);

  // The whole document, or a selection within it.
  void setFilterRect(int top, int left, int bottom, int right);
  // Continue calls after which abortProc answers true (0-based: 0 aborts at
  // the first Continue); -1 never. Counted over every abortProc call.
  void abortAtCall(int call) { abortAtCall_ = call; }

  // Parameters, Prepare, Start, Continue until the empty rectangle (at most
  // `continueLimit` calls, or until a non-zero result), Finish.
  Run run(int continueLimit = 1000000);
  // Only Start; the record stays for further selectors.
  std::int16_t start();
  std::int16_t continueOnce();
  std::int16_t finish();
  std::int16_t call(std::int16_t selector);

  host::FilterRecord& record() { return record_; }
  Document& document() { return document_; }
  Run& log() { return run_; }
  int abortCalls() const { return abortCalls_; }
  // Bytes outside the filter rectangle, and canaries, that differ from the
  // document as it was before the run.
  int bytesChangedOutsideRect() const;

 private:
  static unsigned char abortThunk();
  static void progressThunk(std::int32_t done, std::int32_t total);
  void handOverBand();

  Document document_;
  std::vector<std::uint8_t> original_;
  host::FilterRecord record_{};
  host::PlatformData platform_{};
  Run run_;
  int abortAtCall_ = -1;
  int abortCalls_ = 0;
  static SimulatedHost* current_;
};

}  // namespace simhost
