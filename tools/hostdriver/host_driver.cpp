#include "tools/hostdriver/host_driver.h"

#include <cstring>

namespace hostdriver {
namespace {

// What the result slot holds until the plug-in writes it.
constexpr std::int16_t kUnanswered = 0x7777;
// What a host offers as buffer memory; the plug-in leaves it alone.
constexpr std::int32_t kMaxSpace = 64 * 1024 * 1024;

bool isEmpty(const host::Rect16& r) { return r.top >= r.bottom || r.left >= r.right; }
bool isZero(const host::Rect16& r) { return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0; }

// The host's advanceState callback; the fill never calls it, but a host of
// the later record hands it over.
std::int16_t advanceState() { return 0; }

}  // namespace

HostDriver* HostDriver::current_ = nullptr;

DocumentView packedView(std::uint8_t* bytes, int width, int height, int planes, int sampleBytes) {
  return {bytes, width, height, planes,
          static_cast<std::size_t>(width) * (planes > 0 ? planes : 0) * static_cast<std::size_t>(sampleBytes),
          sampleBytes};
}

std::int16_t RunLog::result() const {
  if (startResult != 0) return startResult;
  for (std::int16_t r : continueResults) {
    if (r != 0) return r;
  }
  return finishResult;
}

HostDriver::HostDriver(EntryPoint entry, const DocumentView& document, std::int16_t imageMode)
    : entry_(entry), document_(document) {
  std::memset(&record_, 0, sizeof record_);
  record_.serialNumber = 12345;
  record_.abortProc = &HostDriver::abortThunk;
  record_.progressProc = &HostDriver::progressThunk;
  record_.imageSize = {static_cast<std::int16_t>(document.height), static_cast<std::int16_t>(document.width)};
  record_.wholeSize = record_.imageSize;
  record_.planes = static_cast<std::int16_t>(document.planes);
  record_.imageMode = imageMode;
  record_.maxSpace = kMaxSpace;
  record_.imageHRes = 72 << 16;
  record_.imageVRes = 72 << 16;
  record_.platformData = &platform_;
  record_.depth = 8 * document.sampleBytes;
  setFilterRect(0, 0, document.height, document.width);
}

void HostDriver::setFilterCase(std::int16_t filterCase, int colourPlanes) {
  const auto colour = static_cast<std::int16_t>(colourPlanes);
  const bool layer = filterCase >= 4 && filterCase <= 7;
  const bool editable = filterCase == 4 || filterCase == 5;
  record_.advanceState = reinterpret_cast<void*>(&advanceState);
  record_.filterCase = filterCase;
  record_.isFloating = filterCase == 3 ? 1 : 0;
  record_.inLayerPlanes = layer ? colour : 0;
  record_.inTransparencyMask = layer ? 1 : 0;
  record_.inNonLayerPlanes = layer ? 0 : colour;
  record_.outLayerPlanes = editable ? colour : 0;
  record_.outTransparencyMask = editable ? 1 : 0;
  record_.outNonLayerPlanes = editable ? 0 : colour;
}

void HostDriver::setFilterRect(int top, int left, int bottom, int right) {
  record_.filterRect = {static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                        static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
}

// The callbacks take no context, as in the real interface, so the driver in
// a call reaches them through current_.
unsigned char HostDriver::abortThunk() {
  HostDriver* self = current_;
  ++self->abortCalls_;
  return self->abortAnswer && self->abortAnswer(*self) ? 1 : 0;
}

void HostDriver::progressThunk(std::int32_t done, std::int32_t total) {
  current_->log_.progress.emplace_back(done, total);
}

std::int16_t HostDriver::call(std::int16_t selector) {
  current_ = this;
  selector_ = selector;
  std::int16_t result = kUnanswered;
  entry_(selector, &record_, &data_, &result);
  selector_ = -1;
  return result;
}

std::int16_t HostDriver::start() {
  log_ = RunLog{};
  log_.startResult = call(host::filterSelectorStart);
  return log_.startResult;
}

std::int16_t HostDriver::continueOnce() {
  const host::Rect16 band = record_.outRect;
  std::uint8_t* at = nullptr;
  if (document_.bytes != nullptr && band.top >= 0 && band.left >= 0 && band.top < document_.height &&
      band.left < document_.width) {
    const std::size_t sample = static_cast<std::size_t>(document_.sampleBytes);
    at = document_.bytes + static_cast<std::size_t>(band.top) * document_.rowBytes +
         static_cast<std::size_t>(band.left) * document_.planes * sample;
    if (record_.outLoPlane > 0 && record_.outLoPlane < document_.planes) at += record_.outLoPlane * sample;
  }
  // The fill never reads its input, but a host hands it over all the same;
  // both buffers are lent for the one call.
  record_.outData = at;
  record_.inData = at;
  record_.outRowBytes = static_cast<std::int32_t>(document_.rowBytes);
  record_.inRowBytes = record_.outRowBytes;
  log_.bands.push_back(band);
  ++log_.continueCalls;
  const std::int16_t result = call(host::filterSelectorContinue);
  log_.continueResults.push_back(result);
  record_.outData = nullptr;
  record_.inData = nullptr;
  record_.inRowBytes = 0;
  return result;
}

std::int16_t HostDriver::finish() {
  log_.finishResult = call(host::filterSelectorFinish);
  return log_.finishResult;
}

// A host hands over only bands inside its document and the filter
// rectangle, and only planes it has.
std::string HostDriver::bandError() const {
  const host::Rect16 r = record_.outRect;
  const host::Rect16 f = record_.filterRect;
  const bool inside = !isEmpty(r) && r.top >= 0 && r.left >= 0 && r.bottom <= document_.height &&
                      r.right <= document_.width && r.top >= f.top && r.left >= f.left &&
                      r.bottom <= f.bottom && r.right <= f.right && record_.outLoPlane >= 0 &&
                      record_.outLoPlane <= record_.outHiPlane && record_.outHiPlane < document_.planes;
  if (inside) return "";
  return "the plug-in asked for band (" + std::to_string(r.top) + "," + std::to_string(r.left) + "," +
         std::to_string(r.bottom) + "," + std::to_string(r.right) + ") of planes " +
         std::to_string(record_.outLoPlane) + ".." + std::to_string(record_.outHiPlane) +
         ", which is not inside the document's filter rectangle and " +
         std::to_string(document_.planes) + " planes";
}

void HostDriver::continueBands(const RunPlan& plan) {
  const host::Rect16 f = record_.filterRect;
  const int limit = plan.continueLimit >= 0 ? plan.continueLimit : f.bottom - f.top + 2;
  for (int calls = 0;; ++calls) {
    const host::Rect16 r = record_.outRect;
    if (plan.end == LoopEnd::emptyRect ? isEmpty(r) : isZero(r)) return;
    if (calls >= limit) {
      if (plan.limitIsError) {
        log_.hostError = "no end of the bands after " + std::to_string(limit) + " Continue calls";
      }
      return;
    }
    if (plan.refuseBadBands) {
      log_.hostError = bandError();
      if (!log_.hostError.empty()) return;
    }
    if (continueOnce() != 0) return;
  }
}

const RunLog& HostDriver::run(const RunPlan& plan) {
  for (std::int16_t selector : plan.beforeStart) call(selector);
  if (start() == 0) continueBands(plan);
  if (plan.finish) finish();
  return log_;
}

std::int16_t callAbout(EntryPoint entry, bool withPlatformData) {
  host::PlatformData platform{};
  host::AboutRecord about{withPlatformData ? &platform : nullptr};
  std::intptr_t data = 0;
  std::int16_t result = kUnanswered;
  entry(host::filterSelectorAbout, &about, &data, &result);
  return result;
}

std::string resultName(std::int16_t result) {
  switch (result) {
    case 0: return "noErr (0)";
    case 1: return "cancelled (1)";
    case -19: return "readErr (-19)";
    case -108: return "memFullErr (-108)";
    case -30100: return "filterBadParameters (-30100)";
    case -30101: return "filterBadMode (-30101)";
    default: return "result " + std::to_string(result);
  }
}

}  // namespace hostdriver
