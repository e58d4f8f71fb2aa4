#include "tests/native/support/simulated_host.h"

#include <cstring>

#include "host/entry.h"

namespace simhost {

SimulatedHost* SimulatedHost::current_ = nullptr;

Document::Document(int w, int h, int p, std::uint8_t fill)
    : width(w), height(h), planes(p), rowBytes(w * p + kCanaryBytes) {
  bytes.assign(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(h), fill);
  for (int y = 0; y < h; ++y) {
    std::memset(bytes.data() + y * rowBytes + w * p, kCanary, kCanaryBytes);
  }
}

SimulatedHost::SimulatedHost(int width, int height, std::int16_t imageMode)
    : document_(width, height, imageMode == 1 ? 1 : 3) {
  original_ = document_.bytes;
  std::memset(&record_, 0, sizeof record_);
  record_.serialNumber = 12345;
  record_.abortProc = &SimulatedHost::abortThunk;
  record_.progressProc = &SimulatedHost::progressThunk;
  record_.imageSize = {static_cast<std::int16_t>(height), static_cast<std::int16_t>(width)};
  record_.planes = static_cast<std::int16_t>(document_.planes);
  record_.imageMode = imageMode;
  record_.platformData = &platform_;
  setFilterRect(0, 0, height, width);
}

void SimulatedHost::setFilterRect(int top, int left, int bottom, int right) {
  record_.filterRect = {static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                        static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
}

unsigned char SimulatedHost::abortThunk() {
  SimulatedHost* self = current_;
  const int call = self->abortCalls_++;
  return self->abortAtCall_ >= 0 && call >= self->abortAtCall_ ? 1 : 0;
}

void SimulatedHost::progressThunk(std::int32_t done, std::int32_t total) {
  current_->run_.progress.emplace_back(done, total);
}

std::int16_t SimulatedHost::call(std::int16_t selector) {
  current_ = this;
  std::int16_t result = 0x7777;
  std::intptr_t data = 0;
  ENTRYPOINT1(selector, &record_, &data, &result);
  return result;
}

// Hands the host's buffer for the band described by outRect over, as a host
// does before each Continue.
void SimulatedHost::handOverBand() {
  const host::Rect16 band = record_.outRect;
  if (band.top >= 0 && band.left >= 0 && band.top < document_.height && band.left < document_.width) {
    record_.outData = document_.pixel(band.left, band.top);
  } else {
    record_.outData = nullptr;
  }
  record_.outRowBytes = document_.rowBytes;
}

std::int16_t SimulatedHost::start() {
  run_ = Run{};
  run_.startResult = call(host::filterSelectorStart);
  return run_.startResult;
}

std::int16_t SimulatedHost::continueOnce() {
  handOverBand();
  run_.bands.push_back(record_.outRect);
  ++run_.continueCalls;
  const std::int16_t result = call(host::filterSelectorContinue);
  run_.continueResults.push_back(result);
  return result;
}

std::int16_t SimulatedHost::finish() {
  run_.finishResult = call(host::filterSelectorFinish);
  return run_.finishResult;
}

Run SimulatedHost::run(int continueLimit) {
  call(host::filterSelectorParameters);
  call(host::filterSelectorPrepare);
  start();
  if (run_.startResult == 0) {
    for (int i = 0; i < continueLimit; ++i) {
      const host::Rect16 r = record_.outRect;
      if (r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0) break;
      if (continueOnce() != 0) break;
    }
  }
  finish();
  return run_;
}

int SimulatedHost::bytesChangedOutsideRect() const {
  const host::Rect16 f = record_.filterRect;
  int changed = 0;
  for (int y = 0; y < document_.height; ++y) {
    for (int x = 0; x < document_.rowBytes; ++x) {
      const int pixelX = x / document_.planes;
      const bool inside = y >= f.top && y < f.bottom && pixelX >= f.left && pixelX < f.right &&
                          x < document_.width * document_.planes;
      const std::size_t at = static_cast<std::size_t>(y) * document_.rowBytes + x;
      if (!inside && document_.bytes[at] != original_[at]) ++changed;
    }
  }
  return changed;
}

}  // namespace simhost
