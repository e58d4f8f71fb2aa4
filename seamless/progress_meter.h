// The work's share of the caller's progress bar, and its stop button.
#pragma once

#include <cstdint>

#include "seamless/seamless.h"

namespace seamless {

class ProgressMeter {
 public:
  ProgressMeter(const Progress& progress, std::int64_t total) : progress_(progress), total_(total > 0 ? total : 1) {}

  // Counts `units` more as done and reports; false once the caller asked
  // to stop (and from then on).
  bool advance(std::int64_t units);
  bool stopped() const { return stopped_; }

 private:
  Progress progress_;
  std::int64_t total_;
  std::int64_t done_ = 0;
  bool stopped_ = false;
};

}  // namespace seamless
