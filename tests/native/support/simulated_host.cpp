#include "tests/native/support/simulated_host.h"

#include <cstring>

#include "host/entry.h"

namespace simhost {

Document::Document(int w, int h, int p, std::uint8_t fill, int sample)
    : width(w), height(h), planes(p), rowBytes(w * p * sample + kCanaryBytes), sampleBytes(sample) {
  bytes.assign(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(h), fill);
  for (int y = 0; y < h; ++y) {
    std::memset(bytes.data() + y * rowBytes + w * p * sample, kCanary, kCanaryBytes);
  }
}

SimulatedHost::SimulatedHost(int width, int height, std::int16_t imageMode)
    : document_(width, height, imageMode == 1 || imageMode == 10 ? 1 : 3, 0x11,
                imageMode == 10 || imageMode == 11 ? 2 : 1),
      original_(document_.bytes),
      driver_(ENTRYPOINT1, view(), imageMode) {
  driver_.abortAnswer = [this](const hostdriver::HostDriver& driver) {
    return abortAtCall_ >= 0 && driver.abortCalls() > abortAtCall_;
  };
  plan_.end = hostdriver::LoopEnd::allSidesZero;
  plan_.limitIsError = false;
  plan_.refuseBadBands = false;
}

hostdriver::DocumentView SimulatedHost::view() {
  return {document_.bytes.data(), document_.width, document_.height, document_.planes,
          static_cast<std::size_t>(document_.rowBytes), document_.sampleBytes};
}

std::int16_t SimulatedHost::continueOnce() {
  driver_.setDocument(view());
  return driver_.continueOnce();
}

hostdriver::RunPlan& SimulatedHost::plan(int continueLimit) {
  plan_.continueLimit = continueLimit;
  return plan_;
}

void SimulatedHost::continueBands(int continueLimit) {
  driver_.setDocument(view());
  driver_.continueBands(plan(continueLimit));
}

Run SimulatedHost::run(int continueLimit) {
  driver_.setDocument(view());
  return driver_.run(plan(continueLimit));
}

int SimulatedHost::bytesChangedOutsideRect() const {
  const host::Rect16 f = driver_.record().filterRect;
  int changed = 0;
  for (int y = 0; y < document_.height; ++y) {
    for (int x = 0; x < document_.rowBytes; ++x) {
      const int pixelBytes = document_.planes * document_.sampleBytes;
      const int pixelX = x / pixelBytes;
      const bool inside = y >= f.top && y < f.bottom && pixelX >= f.left && pixelX < f.right &&
                          x < document_.width * pixelBytes;
      const std::size_t at = static_cast<std::size_t>(y) * document_.rowBytes + x;
      if (!inside && document_.bytes[at] != original_[at]) ++changed;
    }
  }
  return changed;
}

}  // namespace simhost
