// The host's records of the filter plug-in interface 4.0, defined from their
// published byte offsets. Only the fields the plug-in touches carry meaning
// here; the rest are placeholders that keep the offsets right. Hosts pack the
// record on 4-byte boundaries on both 32- and 64-bit Windows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_view.h"
#include "host/result_codes.h"

namespace host {

#pragma pack(push, 4)

struct Point16 {
  std::int16_t v;
  std::int16_t h;
};

struct PlatformData {
  void* hwnd;  // the host's main window
};

using AbortProc = unsigned char (*)();                   // cdecl; non-zero: user aborted
using ProgressProc = void (*)(std::int32_t, std::int32_t);  // cdecl; done, total

struct FilterRecord {
  std::int32_t serialNumber;
  AbortProc abortProc;
  ProgressProc progressProc;
  void* parameters;
  Point16 imageSize;
  std::int16_t planes;
  Rect16 filterRect;
  std::uint16_t background[3];
  std::uint16_t foreground[3];
  std::int32_t maxSpace;
  std::int32_t bufferSpace;
  Rect16 inRect;
  std::int16_t inLoPlane;
  std::int16_t inHiPlane;
  Rect16 outRect;
  std::int16_t outLoPlane;
  std::int16_t outHiPlane;
  void* inData;
  std::int32_t inRowBytes;
  void* outData;
  std::int32_t outRowBytes;
  std::uint8_t isFloating;
  std::uint8_t haveMask;
  std::uint8_t autoMask;
  Rect16 maskRect;
  void* maskData;
  std::int32_t maskRowBytes;
  std::uint8_t backColor[4];
  std::uint8_t foreColor[4];
  std::int32_t hostSig;
  void* hostProc;
  std::int16_t imageMode;
  std::int32_t imageHRes;
  std::int32_t imageVRes;
  Point16 floatCoord;
  Point16 wholeSize;
  std::int32_t monitor[10];
  PlatformData* platformData;
};

struct AboutRecord {
  PlatformData* platformData;
};

#pragma pack(pop)

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, progressProc) == 8);
static_assert(offsetof(FilterRecord, planes) == 20);
static_assert(offsetof(FilterRecord, filterRect) == 22);
static_assert(offsetof(FilterRecord, inRect) == 52);
static_assert(offsetof(FilterRecord, inLoPlane) == 60);
static_assert(offsetof(FilterRecord, inHiPlane) == 62);
static_assert(offsetof(FilterRecord, outRect) == 64);
static_assert(offsetof(FilterRecord, outLoPlane) == 72);
static_assert(offsetof(FilterRecord, outHiPlane) == 74);
static_assert(offsetof(FilterRecord, outData) == 84);
static_assert(offsetof(FilterRecord, outRowBytes) == 88);
static_assert(offsetof(FilterRecord, imageMode) == 128);
static_assert(offsetof(FilterRecord, platformData) == 188);
#else
static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, progressProc) == 12);
static_assert(offsetof(FilterRecord, planes) == 32);
static_assert(offsetof(FilterRecord, filterRect) == 34);
static_assert(offsetof(FilterRecord, inRect) == 64);
static_assert(offsetof(FilterRecord, inLoPlane) == 72);
static_assert(offsetof(FilterRecord, inHiPlane) == 74);
static_assert(offsetof(FilterRecord, outRect) == 76);
static_assert(offsetof(FilterRecord, outLoPlane) == 84);
static_assert(offsetof(FilterRecord, outHiPlane) == 86);
static_assert(offsetof(FilterRecord, outData) == 100);
static_assert(offsetof(FilterRecord, outRowBytes) == 108);
static_assert(offsetof(FilterRecord, imageMode) == 156);
static_assert(offsetof(FilterRecord, platformData) == 216);
#endif
static_assert(offsetof(AboutRecord, platformData) == 0);

// Selectors of a filter run.
enum : std::int16_t {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

}  // namespace host
