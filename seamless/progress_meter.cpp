#include "seamless/progress_meter.h"

namespace seamless {

bool ProgressMeter::advance(std::int64_t units) {
  if (stopped_) return false;
  done_ += units;
  if (done_ > total_) done_ = total_;
  if (progress_.report != nullptr) {
    // The host's counters are 32-bit; the share is what counts.
    constexpr std::int64_t kScale = 1 << 16;
    progress_.report(progress_.context, static_cast<std::int32_t>(done_ * kScale / total_),
                     static_cast<std::int32_t>(kScale));
  }
  if (progress_.aborted != nullptr && progress_.aborted(progress_.context)) stopped_ = true;
  return !stopped_;
}

}  // namespace seamless
