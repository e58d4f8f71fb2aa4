#include "tools/fillhost/fill_host.h"

#include <cstddef>

#include "host/filter_record.h"

namespace fillhost {
namespace {

// The host callbacks take no context, as in the real interface, so the run in
// progress is reached through these.
FillOutcome* currentOutcome = nullptr;
bool abortNow = false;

unsigned char abortCallback() { return abortNow ? 1 : 0; }

void progressCallback(std::int32_t done, std::int32_t total) {
  if (currentOutcome != nullptr) currentOutcome->progress.emplace_back(done, total);
}

bool isEmpty(const host::Rect16& rect) { return rect.top >= rect.bottom || rect.left >= rect.right; }

std::string describeBand(const host::FilterRecord& record) {
  const host::Rect16& r = record.outRect;
  return "band (" + std::to_string(r.top) + "," + std::to_string(r.left) + "," +
         std::to_string(r.bottom) + "," + std::to_string(r.right) + ") planes " +
         std::to_string(record.outLoPlane) + ".." + std::to_string(record.outHiPlane);
}

// A host hands over only bands inside its document and inside the filter
// rectangle, and only planes it has.
bool bandIsValid(const host::FilterRecord& record, const FillRequest& request) {
  const host::Rect16& r = record.outRect;
  return r.top >= request.top && r.left >= request.left && r.bottom <= request.bottom &&
         r.right <= request.right && r.top >= 0 && r.left >= 0 && r.bottom <= request.height &&
         r.right <= request.width && record.outLoPlane >= 0 &&
         record.outLoPlane <= record.outHiPlane && record.outHiPlane < request.planes;
}

bool insideFilterRect(const FillRequest& request, int x, int y) {
  return y >= request.top && y < request.bottom && x >= request.left && x < request.right;
}

bool outsideUnchanged(const FillRequest& request, const std::vector<std::uint8_t>& document) {
  const std::size_t rowBytes = static_cast<std::size_t>(request.width) * request.planes;
  for (int y = 0; y < request.height; ++y) {
    for (int x = 0; x < request.width; ++x) {
      if (insideFilterRect(request, x, y)) continue;
      for (int p = 0; p < request.planes; ++p) {
        const std::size_t offset = y * rowBytes + static_cast<std::size_t>(x) * request.planes + p;
        if (document[offset] != initialDocumentByte(offset)) return false;
      }
    }
  }
  return true;
}

}  // namespace

std::uint8_t initialDocumentByte(std::size_t offset) {
  return static_cast<std::uint8_t>((offset * 37 + 11) ^ (offset >> 9));
}

std::int16_t overallResult(const FillOutcome& outcome) {
  if (outcome.startResult != 0) return outcome.startResult;
  if (outcome.lastContinueResult != 0) return outcome.lastContinueResult;
  return outcome.finishResult;
}

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

FillOutcome runFill(EntryPoint entry, const FillRequest& request) {
  FillOutcome outcome;
  const std::size_t rowBytes = static_cast<std::size_t>(request.width) * request.planes;
  outcome.document.resize(rowBytes * request.height);
  for (std::size_t i = 0; i < outcome.document.size(); ++i) outcome.document[i] = initialDocumentByte(i);

  host::PlatformData platformData{nullptr};
  host::FilterRecord record{};
  record.abortProc = abortCallback;
  record.progressProc = progressCallback;
  record.imageSize = {static_cast<std::int16_t>(request.height), static_cast<std::int16_t>(request.width)};
  record.wholeSize = record.imageSize;
  record.planes = static_cast<std::int16_t>(request.planes);
  record.filterRect = {request.top, request.left, request.bottom, request.right};
  record.imageMode = static_cast<std::int16_t>(request.imageMode);
  record.maxSpace = 64 * 1024 * 1024;
  record.platformData = &platformData;

  currentOutcome = &outcome;
  abortNow = false;
  std::intptr_t data = 0;
  std::int16_t result = 0;

  entry(host::filterSelectorParameters, &record, &data, &result);
  entry(host::filterSelectorPrepare, &record, &data, &result);
  abortNow = request.abortDuringStart;
  entry(host::filterSelectorStart, &record, &data, &result);
  abortNow = false;
  outcome.startResult = result;

  // One band per Continue, each at most as high as the filter rectangle, so
  // a correct plug-in ends within that many calls.
  const int callLimit = (request.bottom - request.top) + 2;
  while (outcome.startResult == 0 && !isEmpty(record.outRect)) {
    if (!bandIsValid(record, request)) {
      outcome.hostError = "invalid " + describeBand(record);
      break;
    }
    if (outcome.continueCalls >= callLimit) {
      outcome.hostError = "no empty rectangle after " + std::to_string(callLimit) + " bands";
      break;
    }
    const std::size_t offset = record.outRect.top * rowBytes +
                               static_cast<std::size_t>(record.outRect.left) * request.planes +
                               record.outLoPlane;
    record.outData = outcome.document.data() + offset;
    record.outRowBytes = static_cast<std::int32_t>(rowBytes);
    record.inData = record.outData;
    record.inRowBytes = record.outRowBytes;
    ++outcome.continueCalls;
    abortNow = outcome.continueCalls == request.abortAtBand;
    entry(host::filterSelectorContinue, &record, &data, &result);
    abortNow = false;
    record.outData = nullptr;
    record.inData = nullptr;
    outcome.lastContinueResult = result;
    if (result != 0) break;
  }

  entry(host::filterSelectorFinish, &record, &data, &result);
  outcome.finishResult = result;
  currentOutcome = nullptr;
  outcome.outsideChanged = !outsideUnchanged(request, outcome.document);
  return outcome;
}

}  // namespace fillhost
