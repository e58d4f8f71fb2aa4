#include "fill/mode_support.h"

#include <cstring>

#include "fill/band_rect.h"
#include "fill/opaque_plane.h"
#include "fill/result_codes.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/worker_threads.h"
#include "resources/strings.h"

namespace fill {
namespace {

struct BandWork {
  const BandTarget* band;
  RenderRow renderRow;
  const void* context;
};

void renderOneRow(void* context, std::int32_t row) {
  const BandWork& work = *static_cast<const BandWork*>(context);
  const BandTarget& band = *work.band;
  std::uint8_t* first = band.pixels + static_cast<std::ptrdiff_t>(row) * band.rowBytes;
  work.renderRow(work.context, band, row, first);
  writeOpaquePlane(first, band.columns, band.layout);
}

}  // namespace

int reportOutOfMemory(std::int16_t* result) {
  *result = memFullErr;
  platform::showTableMessage(IDS_OUT_OF_MEMORY, platform::kBoxOk);
  return 0;
}

void* allocateModeState(FillJob& job, std::size_t bytes, std::int16_t* result) {
  job.modeState = platform::allocateMemory(bytes);
  if (job.modeState == nullptr) {
    reportOutOfMemory(result);
    return nullptr;
  }
  std::memset(job.modeState, 0, bytes);
  return job.modeState;
}

void releaseModeState(FillJob& job) {
  platform::releaseMemory(job.modeState);
  job.modeState = nullptr;
}

void tileOriginOf(const FillOptions& options, const HostView& view, std::int32_t& x, std::int32_t& y) {
  const bool fromSelection = options.tileOrigin != originDocument;
  x = fromSelection ? view.filterRect.left : 0;
  y = fromSelection ? view.filterRect.top : 0;
}

std::int32_t handedBandRows(const FillJob&, const HostView& view) {
  return bandExtent(view.inRect.top, view.inRect.bottom, view.outRect.top, view.outRect.bottom);
}

bool sameColourAsStart(const BandTarget& band, std::int32_t channels, std::int16_t* result) {
  if (band.layout.colourPlanes == channels) return true;
  *result = filterBadParameters;
  return false;
}

void renderBandOnEveryCore(const BandTarget& band, RenderRow renderRow, const void* context) {
  BandWork work{&band, renderRow, context};
  platform::forEachIndex(band.rows, renderOneRow, &work);
}

}  // namespace fill
