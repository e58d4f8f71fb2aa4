#include "tools/fillhost/fill_host.h"

namespace fillhost {
namespace {

bool insideFilterRect(const FillRequest& request, int x, int y) {
  return y >= request.top && y < request.bottom && x >= request.left && x < request.right;
}

std::size_t pixelBytes(const FillRequest& request) {
  return static_cast<std::size_t>(request.planes) * static_cast<std::size_t>(request.sampleBytes);
}

bool outsideUnchanged(const FillRequest& request, const std::vector<std::uint8_t>& document,
                      const std::vector<std::uint8_t>& before) {
  const std::size_t bytes = pixelBytes(request);
  for (int y = 0; y < request.height; ++y) {
    for (int x = 0; x < request.width; ++x) {
      if (insideFilterRect(request, x, y)) continue;
      const std::size_t offset = (static_cast<std::size_t>(y) * request.width + x) * bytes;
      for (std::size_t i = 0; i < bytes; ++i) {
        if (document[offset + i] != before[offset + i]) return false;
      }
    }
  }
  return true;
}

// The sample after the colour planes, of every pixel in the rectangle:
// fully opaque when the plug-in owns it, else as it was.
bool transparencyRight(const FillRequest& request, const std::vector<std::uint8_t>& document,
                       const std::vector<std::uint8_t>& before) {
  if (request.planes <= request.colourPlanes) return true;
  const bool written = transparencyWritten(request);
  const unsigned opaque = request.sampleBytes == 2 ? 32768u : 255u;
  const std::size_t bytes = pixelBytes(request);
  for (int y = request.top; y < request.bottom; ++y) {
    for (int x = request.left; x < request.right; ++x) {
      const std::size_t offset = (static_cast<std::size_t>(y) * request.width + x) * bytes +
                                 static_cast<std::size_t>(request.colourPlanes) * request.sampleBytes;
      unsigned value = document[offset];
      unsigned was = before[offset];
      if (request.sampleBytes == 2) {
        value |= static_cast<unsigned>(document[offset + 1]) << 8;
        was |= static_cast<unsigned>(before[offset + 1]) << 8;
      }
      if (value != (written ? opaque : was)) return false;
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

bool transparencyWritten(const FillRequest& request) {
  return !request.shortRecord && (request.filterCase == 4 || request.filterCase == 5);
}

FillOutcome runFill(hostdriver::EntryPoint entry, const FillRequest& request) {
  FillOutcome outcome;
  const std::size_t bytes = pixelBytes(request);
  outcome.document.resize(static_cast<std::size_t>(request.width) * request.height * bytes);
  for (std::size_t i = 0; i < outcome.document.size(); ++i) {
    const bool transparency = i % bytes >= static_cast<std::size_t>(request.colourPlanes) * request.sampleBytes;
    outcome.document[i] = request.blankLayer && transparency ? 0 : initialDocumentByte(i);
  }
  const std::vector<std::uint8_t> before = outcome.document;

  hostdriver::HostDriver driver(entry,
                                hostdriver::packedView(outcome.document.data(), request.width, request.height,
                                                       request.planes, request.sampleBytes),
                                static_cast<std::int16_t>(request.imageMode));
  driver.setFilterRect(request.top, request.left, request.bottom, request.right);
  if (request.filterCase != 0) {
    driver.setFilterCase(static_cast<std::int16_t>(request.filterCase), request.colourPlanes);
    if (request.shortRecord) driver.record().advanceState = nullptr;
  }
  driver.abortAnswer = [&request](const hostdriver::HostDriver& host) {
    if (host.selector() == host::filterSelectorStart) return request.abortDuringStart;
    return host.selector() == host::filterSelectorContinue && host.log().continueCalls == request.abortAtBand;
  };
  outcome.log = driver.run();
  outcome.outsideChanged = !outsideUnchanged(request, outcome.document, before);
  outcome.transparencyWrong = !transparencyRight(request, outcome.document, before);
  return outcome;
}

}  // namespace fillhost
