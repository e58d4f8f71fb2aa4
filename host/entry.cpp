#include "host/entry.h"

#include <new>

#include "chooser/texture_choice.h"
#include "host/filter_record.h"
#include "host/host_view.h"
#include "host/module_state.h"
#include "host/prepare_scaling.h"
#include "host/tile_fill.h"
#include "platform/messages.h"
#include "platform/module_instance.h"
#include "resources/strings.h"
#include "texture/long_name_cache.h"
#include "texture/texture_source.h"

namespace host {

void* hostParams = nullptr;

namespace {

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
  texture::TextureSource* source = &texture::textureSource;
  // A host that skipped Finish after the last run leaves its texture open.
  texture::releaseTextureSource(source);
  texture::clearTextureSource(source);
  if (record.progressProc != nullptr) record.progressProc(0, 1);

  platform::WindowHandle owner = record.platformData != nullptr ? record.platformData->hwnd : nullptr;
  char fileName[chooser::kFileNameBytes] = {};
  chooser::TextureChoice choice{fileName, 0, 1};
  const int status = chooser::runTextureDialog(owner, platform::moduleInstance, &choice);
  if (status == chooser::dialogCancelled) {
    *result = userCancelled;
    return;
  }
  if (status != chooser::dialogChosen) {
    *result = readErr;
    return;
  }
  fileName[chooser::kFileNameBytes - 1] = '\0';
  source->sizeChoice = choice.sizeChoice;
  source->tileOrigin = choice.tileOrigin;
  *result = noErr;

  source->decodeProgress = {progressToRecord, abortFromRecord, &record};
  if (texture::openTextureSource(fileName, source) == 0) {
    const bool aborted = source->decodeAborted != 0;
    texture::releaseTextureSource(source);
    if (aborted) {
      *result = userCancelled;
      return;
    }
    platform::showTableMessage(IDS_READ_ERROR, platform::kBoxOk);
    *result = readErr;
    return;
  }
  HostView view = viewOf(record);
  prepareFill(fileName, source, view, result);
  prepareScaling(fileName, source, view, result);
  storeBand(view, record);
}

void aboutFilter(AboutRecord* record) {
  platform::WindowHandle owner = nullptr;
  if (record != nullptr && record->platformData != nullptr) owner = record->platformData->hwnd;
  chooser::showAboutDialog(owner, platform::moduleInstance);
}

void continueFilter(FilterRecord& record, std::int16_t* result) {
  HostView view = viewOf(record);
  fillNextBand(&texture::textureSource, view, result);
  storeBand(view, record);
}

}  // namespace

void attachModule(void* instance) { platform::moduleInstance = instance; }

void detachModule() {
  texture::releaseTextureSource(&texture::textureSource);
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
      texture::releaseTextureSource(&texture::textureSource);
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
