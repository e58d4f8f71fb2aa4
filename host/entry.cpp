#include "host/entry.h"

#include <new>

#include "chooser/texture_choice.h"
#include "fill/fill_job.h"
#include "fill/host_view.h"
#include "fill/result_codes.h"
#include "host/filter_record.h"
#include "host/module_state.h"
#include "platform/module_instance.h"
#include "texture/long_name_cache.h"

namespace host {

void* hostParams = nullptr;

namespace {

using fill::HostView;
using namespace fill;  // the result codes

// The fill of the run in progress: made at Start, kept between the host's
// calls, released at Finish (or by the next Start of a host that skipped it).
fill::FillJob job;

bool abortFromRecord(void* context) {
  auto* record = static_cast<FilterRecord*>(context);
  return record->abortProc != nullptr && record->abortProc() != 0;
}

void progressToRecord(void* context, std::int32_t done, std::int32_t total) {
  auto* record = static_cast<FilterRecord*>(context);
  if (record->progressProc != nullptr) record->progressProc(done, total);
}

HostView viewOf(FilterRecord& record) {
  HostView view{};
  view.filterRect = {record.filterRect.top, record.filterRect.left, record.filterRect.bottom,
                     record.filterRect.right};
  view.planes = record.planes;
  view.imageMode = record.imageMode;
  view.outData = static_cast<std::uint8_t*>(record.outData);
  view.outRowBytes = record.outRowBytes;
  if (trustedLayerFields(record)) {
    view.filterCase = record.filterCase;
    view.inLayerPlanes = record.inLayerPlanes;
    view.inTransparencyMask = record.inTransparencyMask;
    view.outLayerPlanes = record.outLayerPlanes;
    view.outTransparencyMask = record.outTransparencyMask;
  }
  view.inRect = {record.inRect.top, record.inRect.left, record.inRect.bottom, record.inRect.right};
  view.outRect = {record.outRect.top, record.outRect.left, record.outRect.bottom,
                  record.outRect.right};
  view.inLoPlane = record.inLoPlane;
  view.inHiPlane = record.inHiPlane;
  view.outLoPlane = record.outLoPlane;
  view.outHiPlane = record.outHiPlane;
  view.abortRequested = abortFromRecord;
  view.reportProgress = progressToRecord;
  view.context = &record;
  return view;
}

// Writes back only the band fields; every other field stays as the host set it.
void storeBand(const HostView& view, FilterRecord& record) {
  record.inRect = {view.inRect.top, view.inRect.left, view.inRect.bottom, view.inRect.right};
  record.outRect = {view.outRect.top, view.outRect.left, view.outRect.bottom, view.outRect.right};
  record.inLoPlane = view.inLoPlane;
  record.inHiPlane = view.inHiPlane;
  record.outLoPlane = view.outLoPlane;
  record.outHiPlane = view.outHiPlane;
}

void startFilter(FilterRecord& record, std::int16_t* result) {
  fill::releaseFillJob(&job);
  if (record.progressProc != nullptr) record.progressProc(0, 1);

  platform::WindowHandle owner = record.platformData != nullptr ? record.platformData->hwnd : nullptr;
  chooser::TextureChoice choice{job.fileName, {}};
  const int status = chooser::runTextureDialog(owner, platform::moduleInstance, &choice);
  if (status != chooser::dialogChosen) fill::clearFillJob(&job);
  if (status == chooser::dialogCancelled) {
    *result = userCancelled;
    return;
  }
  if (status != chooser::dialogChosen) {
    *result = readErr;
    return;
  }
  job.fileName[fill::kFileNameBytes - 1] = '\0';
  job.options = choice.options;
  HostView view = viewOf(record);
  fill::startFillJob(&job, view, result);
  storeBand(view, record);
}

void aboutFilter(AboutRecord* record) {
  platform::WindowHandle owner = nullptr;
  if (record != nullptr && record->platformData != nullptr) owner = record->platformData->hwnd;
  chooser::showAboutDialog(owner, platform::moduleInstance);
}

void continueFilter(FilterRecord& record, std::int16_t* result) {
  HostView view = viewOf(record);
  fill::fillNextBand(&job, view, result);
  storeBand(view, record);
}

}  // namespace

void attachModule(void* instance) { platform::moduleInstance = instance; }

const fill::FillJob& currentFillJob() { return job; }

void detachModule() {
  fill::releaseFillJob(&job);
  texture::forgetLongNames();
}

}  // namespace host

extern "C" void ORIELVMX_CDECL ENTRYPOINT1(std::int16_t selector, void* parameterBlock,
                                           std::intptr_t* /*data*/, std::int16_t* result) {
  using namespace host;
  hostParams = parameterBlock;
  if (result == nullptr) return;
  *result = noErr;
  auto* record = static_cast<FilterRecord*>(parameterBlock);
  // No exception may cross into the host: it would take the user's image
  // editor down with it.
  try {
  switch (selector) {
    case filterSelectorAbout:
      aboutFilter(static_cast<AboutRecord*>(parameterBlock));
      break;
    case filterSelectorParameters:
    case filterSelectorPrepare:
      break;
    case filterSelectorStart:
      if (record == nullptr) {
        *result = filterBadParameters;
        break;
      }
      startFilter(*record, result);
      break;
    case filterSelectorContinue:
      if (record == nullptr) {
        *result = filterBadParameters;
        break;
      }
      continueFilter(*record, result);
      break;
    case filterSelectorFinish:
      fill::releaseFillJob(&job);
      break;
    default:
      *result = filterBadParameters;
      break;
  }
  } catch (const std::bad_alloc&) {
    *result = memFullErr;
  } catch (...) {
    *result = filterBadParameters;
  }
}
