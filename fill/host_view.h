// What the fill engine sees of the host: plain values and two callbacks.
// The entry point copies these out of the host's FilterRecord before a
// selector runs and writes the band fields back afterwards, so nothing
// below the entry point depends on the host record's layout.
#pragma once

#include <cstdint>

namespace fill {

struct Rect16 {
  std::int16_t top;
  std::int16_t left;
  std::int16_t bottom;
  std::int16_t right;
};

struct HostView {
  // Given by the host.
  Rect16 filterRect;
  std::int16_t planes;
  std::int16_t imageMode;
  std::uint8_t* outData;
  std::int32_t outRowBytes;
  // The layer, from a host whose later record fields can be believed; all 0
  // otherwise, which the fill treats as a flat image.
  std::int16_t filterCase;
  std::int16_t inLayerPlanes;
  std::int16_t inTransparencyMask;
  std::int16_t outLayerPlanes;
  std::int16_t outTransparencyMask;

  // The band the plug-in asks for; written by the fill engine and copied back.
  Rect16 inRect;
  Rect16 outRect;
  std::int16_t inLoPlane;
  std::int16_t inHiPlane;
  std::int16_t outLoPlane;
  std::int16_t outHiPlane;

  // Host callbacks; either may be null (treated as "no abort" / "no report").
  bool (*abortRequested)(void* context);
  void (*reportProgress)(void* context, std::int32_t done, std::int32_t total);
  void* context;
};

inline bool hostAborted(const HostView& view) {
  return view.abortRequested != nullptr && view.abortRequested(view.context);
}

inline void hostProgress(const HostView& view, std::int32_t done, std::int32_t total) {
  if (view.reportProgress != nullptr) view.reportProgress(view.context, done, total);
}

}  // namespace fill
