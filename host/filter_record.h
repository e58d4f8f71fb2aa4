// The host's records of the filter plug-in interface 4.0, defined from their
// published byte offsets. Only the fields the plug-in touches carry meaning
// here; the rest are placeholders that keep the offsets right. Hosts pack the
// record on 4-byte boundaries on both 32- and 64-bit Windows.
//
// The record grew after its first form: everything from
// supportsDummyChannels on came later, and an older host hands over a
// shorter block. Nothing in the record says how long it is, so those fields
// are read only through trustedLayerFields() below.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fill/host_view.h"
#include "fill/result_codes.h"

namespace host {

// The record's rectangles are the ones the fill sees.
using fill::Rect16;

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
  void* bufferProcs;
  void* resourceProcs;
  void* processEvent;
  void* displayPixels;
  void* handleProcs;

  // The later fields.
  std::uint8_t supportsDummyChannels;
  std::uint8_t supportsAlternateLayouts;
  std::int16_t wantLayout;
  std::int16_t filterCase;
  std::int16_t dummyPlaneValue;
  void* premiereHook;
  void* advanceState;
  std::uint8_t supportsAbsolute;
  std::uint8_t wantsAbsolute;
  void* getPropertyObsolete;
  std::uint8_t cannotUndo;
  std::uint8_t supportsPadding;
  std::int16_t inputPadding;
  std::int16_t outputPadding;
  std::int16_t maskPadding;
  std::uint8_t samplingSupport;
  std::uint8_t reservedByte;
  std::int32_t inputRate;
  std::int32_t maskRate;
  void* colorServices;
  std::int16_t inLayerPlanes;
  std::int16_t inTransparencyMask;
  std::int16_t inLayerMasks;
  std::int16_t inInvertedLayerMasks;
  std::int16_t inNonLayerPlanes;
  std::int16_t outLayerPlanes;
  std::int16_t outTransparencyMask;
  std::int16_t outLayerMasks;
  std::int16_t outInvertedLayerMasks;
  std::int16_t outNonLayerPlanes;
  std::int16_t absLayerPlanes;
  std::int16_t absTransparencyMask;
  std::int16_t absLayerMasks;
  std::int16_t absInvertedLayerMasks;
  std::int16_t absNonLayerPlanes;
  std::int16_t inPreDummyPlanes;
  std::int16_t inPostDummyPlanes;
  std::int16_t outPreDummyPlanes;
  std::int16_t outPostDummyPlanes;
  std::int32_t inColumnBytes;
  std::int32_t inPlaneBytes;
  std::int32_t outColumnBytes;
  std::int32_t outPlaneBytes;
  void* imageServicesProcs;
  void* propertyProcs;
  std::int16_t inTileHeight;
  std::int16_t inTileWidth;
  Point16 inTileOrigin;
  std::int16_t absTileHeight;
  std::int16_t absTileWidth;
  Point16 absTileOrigin;
  std::int16_t outTileHeight;
  std::int16_t outTileWidth;
  Point16 outTileOrigin;
  std::int16_t maskTileHeight;
  std::int16_t maskTileWidth;
  Point16 maskTileOrigin;
  void* descriptorParameters;
  void* errorString;
  void* channelPortProcs;
  void* documentInfo;
  void* sSPBasic;
  void* plugInRef;
  std::int32_t depth;
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
static_assert(offsetof(FilterRecord, bufferProcs) == 192);
static_assert(offsetof(FilterRecord, handleProcs) == 208);
static_assert(offsetof(FilterRecord, supportsDummyChannels) == 212);
static_assert(offsetof(FilterRecord, filterCase) == 216);
static_assert(offsetof(FilterRecord, advanceState) == 224);
static_assert(offsetof(FilterRecord, getPropertyObsolete) == 232);
static_assert(offsetof(FilterRecord, inputRate) == 248);
static_assert(offsetof(FilterRecord, colorServices) == 256);
static_assert(offsetof(FilterRecord, inLayerPlanes) == 260);
static_assert(offsetof(FilterRecord, inTransparencyMask) == 262);
static_assert(offsetof(FilterRecord, inNonLayerPlanes) == 268);
static_assert(offsetof(FilterRecord, outLayerPlanes) == 270);
static_assert(offsetof(FilterRecord, outTransparencyMask) == 272);
static_assert(offsetof(FilterRecord, outNonLayerPlanes) == 278);
static_assert(offsetof(FilterRecord, inColumnBytes) == 300);
static_assert(offsetof(FilterRecord, outPlaneBytes) == 312);
static_assert(offsetof(FilterRecord, imageServicesProcs) == 316);
static_assert(offsetof(FilterRecord, descriptorParameters) == 356);
static_assert(offsetof(FilterRecord, sSPBasic) == 372);
static_assert(offsetof(FilterRecord, depth) == 380);
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
static_assert(offsetof(FilterRecord, bufferProcs) == 224);
static_assert(offsetof(FilterRecord, handleProcs) == 256);
static_assert(offsetof(FilterRecord, supportsDummyChannels) == 264);
static_assert(offsetof(FilterRecord, filterCase) == 268);
static_assert(offsetof(FilterRecord, advanceState) == 280);
static_assert(offsetof(FilterRecord, getPropertyObsolete) == 292);
static_assert(offsetof(FilterRecord, inputRate) == 312);
static_assert(offsetof(FilterRecord, colorServices) == 320);
static_assert(offsetof(FilterRecord, inLayerPlanes) == 328);
static_assert(offsetof(FilterRecord, inTransparencyMask) == 330);
static_assert(offsetof(FilterRecord, inNonLayerPlanes) == 336);
static_assert(offsetof(FilterRecord, outLayerPlanes) == 338);
static_assert(offsetof(FilterRecord, outTransparencyMask) == 340);
static_assert(offsetof(FilterRecord, outNonLayerPlanes) == 346);
static_assert(offsetof(FilterRecord, inColumnBytes) == 368);
static_assert(offsetof(FilterRecord, outPlaneBytes) == 380);
static_assert(offsetof(FilterRecord, imageServicesProcs) == 384);
static_assert(offsetof(FilterRecord, descriptorParameters) == 432);
static_assert(offsetof(FilterRecord, sSPBasic) == 464);
static_assert(offsetof(FilterRecord, depth) == 480);
#endif
static_assert(offsetof(AboutRecord, platformData) == 0);

// Filter cases: 1 flat image, 2 flat with a selection, 3 floating selection,
// 4 and 5 a layer whose transparency the plug-in may edit (without, with a
// selection), 6 and 7 a layer whose transparency is locked.
constexpr std::int16_t kFirstFilterCase = 1;
constexpr std::int16_t kLastFilterCase = 7;

// The later fields are believed only from a host that set advanceState,
// which came in the same block as the filter case and the plane counts, and
// that named a filter case: a host that zeroes the record and fills only the
// first fields gives a null advanceState and case 0, and a few hosts that
// keep the block leave the case 0 too. Such hosts get the flat-image fill.
inline bool trustedLayerFields(const FilterRecord& record) {
  return record.advanceState != nullptr && record.filterCase >= kFirstFilterCase &&
         record.filterCase <= kLastFilterCase;
}

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
