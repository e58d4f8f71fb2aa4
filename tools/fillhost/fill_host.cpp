#include "tools/fillhost/fill_host.h"

namespace fillhost {
namespace {

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

std::uint64_t fnv1a64(const void* data, std::size_t size, std::uint64_t hash) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

FillOutcome runFill(hostdriver::EntryPoint entry, const FillRequest& request) {
  FillOutcome outcome;
  outcome.document.resize(static_cast<std::size_t>(request.width) * request.planes * request.height);
  for (std::size_t i = 0; i < outcome.document.size(); ++i) outcome.document[i] = initialDocumentByte(i);

  hostdriver::HostDriver driver(
      entry, hostdriver::packedView(outcome.document.data(), request.width, request.height, request.planes),
      static_cast<std::int16_t>(request.imageMode));
  driver.setFilterRect(request.top, request.left, request.bottom, request.right);
  driver.abortAnswer = [&request](const hostdriver::HostDriver& host) {
    if (host.selector() == host::filterSelectorStart) return request.abortDuringStart;
    return host.selector() == host::filterSelectorContinue && host.log().continueCalls == request.abortAtBand;
  };
  outcome.log = driver.run();
  outcome.outsideChanged = !outsideUnchanged(request, outcome.document);
  return outcome;
}

}  // namespace fillhost
