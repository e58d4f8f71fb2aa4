#include "tools/texfill/host_driver.h"

#include <cstring>

namespace texfill {
namespace {

constexpr std::int32_t kHostSignature = 0x5446584C;  // 'TFXL'
// What a host offers as buffer memory; the plug-in leaves it alone.
constexpr std::int32_t kMaxSpace = 64 * 1024 * 1024;

bool isEmpty(const host::Rect16& r) {
  return r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0;
}

std::int16_t callSelector(const FillJob& job, host::FilterRecord& record, std::int16_t selector) {
  std::int16_t result = 0;
  std::intptr_t data = 0;
  job.entry(selector, &record, &data, &result);
  return result;
}

// A host gives the plug-in only bands inside the image and of the planes the
// image has; anything else would point outData outside the document.
std::string checkBand(const host::FilterRecord& record, const Image& document) {
  const host::Rect16 r = record.outRect;
  if (r.top < 0 || r.left < 0 || r.top >= r.bottom || r.left >= r.right ||
      r.bottom > document.height || r.right > document.width) {
    return "the plug-in asked for band (" + std::to_string(r.top) + "," + std::to_string(r.left) +
           "," + std::to_string(r.bottom) + "," + std::to_string(r.right) +
           "), which is not inside the document";
  }
  if (record.outLoPlane != 0 || record.outHiPlane != document.channels - 1) {
    return "the plug-in asked for planes " + std::to_string(record.outLoPlane) + " to " +
           std::to_string(record.outHiPlane) + " of a document with " +
           std::to_string(document.channels);
  }
  return "";
}

void handOverBand(host::FilterRecord& record, Image& document) {
  const std::size_t rowBytes = rowBytesOf(document);
  std::uint8_t* band = document.pixels.data() +
                       static_cast<std::size_t>(record.outRect.top) * rowBytes +
                       static_cast<std::size_t>(record.outRect.left) * document.channels;
  record.outData = band;
  record.outRowBytes = static_cast<std::int32_t>(rowBytes);
  // The fill never reads its input, but a host hands it over all the same.
  record.inData = band;
  record.inRowBytes = static_cast<std::int32_t>(rowBytes);
}

}  // namespace

FillOutcome runFilter(const FillJob& job) {
  FillOutcome outcome;
  Image& document = *job.document;
  host::PlatformData platform{};
  host::FilterRecord record;
  std::memset(&record, 0, sizeof record);
  record.abortProc = job.abortProc;
  record.progressProc = job.progressProc;
  record.imageSize = {static_cast<std::int16_t>(document.height),
                      static_cast<std::int16_t>(document.width)};
  record.wholeSize = record.imageSize;
  record.planes = static_cast<std::int16_t>(document.channels);
  record.imageMode = document.channels == 1 ? 1 : 3;
  record.filterRect = job.filterRect;
  record.maxSpace = kMaxSpace;
  record.hostSig = kHostSignature;
  record.imageHRes = 72 << 16;
  record.imageVRes = 72 << 16;
  record.platformData = &platform;

  callSelector(job, record, host::filterSelectorParameters);
  callSelector(job, record, host::filterSelectorPrepare);
  outcome.result = callSelector(job, record, host::filterSelectorStart);
  while (outcome.result == 0 && !isEmpty(record.outRect)) {
    outcome.hostError = checkBand(record, document);
    if (!outcome.hostError.empty()) break;
    handOverBand(record, document);
    ++outcome.continueCalls;
    outcome.result = callSelector(job, record, host::filterSelectorContinue);
  }
  record.outData = nullptr;
  record.inData = nullptr;
  const std::int16_t finish = callSelector(job, record, host::filterSelectorFinish);
  if (outcome.result == 0) outcome.result = finish;
  return outcome;
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

}  // namespace texfill
