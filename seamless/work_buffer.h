// A block of the process heap owned by one stage of the work, so that every
// way out of the stage gives it back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace seamless {

template <typename Element>
class WorkBuffer {
 public:
  WorkBuffer() = default;
  WorkBuffer(const WorkBuffer&) = delete;
  WorkBuffer& operator=(const WorkBuffer&) = delete;
  ~WorkBuffer() { platform::releaseMemory(data_); }

  // False when the block cannot be had, or its size would not fit a size_t.
  bool allocate(std::int64_t count) {
    platform::releaseMemory(data_);
    data_ = nullptr;
    if (count < 1 || static_cast<std::uint64_t>(count) > SIZE_MAX / sizeof(Element)) return false;
    data_ = static_cast<Element*>(platform::allocateMemory(static_cast<std::size_t>(count) * sizeof(Element)));
    return data_ != nullptr;
  }
  Element* data() const { return data_; }
  Element& operator[](std::int64_t index) const { return data_[index]; }

 private:
  Element* data_ = nullptr;
};

}  // namespace seamless
