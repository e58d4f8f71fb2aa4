// What the user chose for a fill: one record, defined here and passed down
// from the chooser, the settings, texfill and the host driver alike. The
// values of the size choice and the tile origin are fixed by the "Size to:"
// list and the Preferences dialog and defined only here.
#pragma once

#include <cstdint>

#include "platform/utf8.h"

namespace fill {

// The "Size to:" choice: the index of its list entry.
enum SizeChoice : std::int32_t {
  sizeActual = 0,
  size512 = 1,
  size256 = 2,
  size128 = 3,
  size64 = 4,
};
constexpr int kSizeChoiceCount = 5;

// The list texts, by SizeChoice: the dialog's combo and texfill's --size.
inline constexpr const char* kSizeChoiceNames[kSizeChoiceCount] = {"Actual", "512X512", "256X256", "128X128",
                                                                   "64X64"};

// 1: the repetition is anchored at the document's top-left corner; any other
// value anchors it at the filter rectangle's top-left corner.
enum TileOrigin : std::int32_t {
  originSelection = 0,
  originDocument = 1,
};

// How the texture repeats: side by side, every other copy mirrored across
// and down (so any picture repeats without a hard edge), or without visible
// repetition at all: blended from copies at random offsets (best for
// shapeless surfaces: clouds, sand, rust), or quilted from pieces of the
// texture joined where they agree (the shapes kept: bricks, cobbles, planks).
enum RepeatMode : std::int32_t {
  repeatTile = 0,
  repeatMirror = 1,
  repeatRandom = 2,
  repeatShapes = 3,
};
constexpr int kRepeatModeCount = 4;

// Their words, by RepeatMode: texfill's --repeat, the fill cases and the
// GEGL operation's repeat choice; and their texts in the Preferences'
// Repeat list and the operation's.
inline constexpr const char* kRepeatWords[kRepeatModeCount] = {"tile", "mirror", "random", "shapes"};
inline constexpr const char* kRepeatModeTexts[kRepeatModeCount] = {"Tile", "Mirror", "Without repetition",
                                                                   "Quilted (shapes)"};

// Ranges of the options the user types or stores; a value outside its range
// is refused where it is typed and read as the default where it is stored.
constexpr std::int32_t kScaleMinimum = 1;
constexpr std::int32_t kScaleMaximum = 1000;
constexpr std::int32_t kScaleDefault = 100;
// Offsets are document pixels; a host's document is at most 300000 pixels a side.
constexpr std::int32_t kOffsetLimit = 300000;
constexpr std::int32_t kSeedMaximum = 99999;
constexpr std::int32_t kSeedDefault = 1;
// The cell of the fill without repetition, in percent of the shorter period
// (for the blend) or of the period across and down (the tile of the quilted
// fill); 0 lets the fill choose from the texture.
constexpr std::int32_t kCellMaximum = 100;

// Room for the chosen texture's path, its terminating zero included: any
// path the platform opens fits, in UTF-8 (platform/utf8.h).
constexpr int kFileNameBytes = static_cast<int>(platform::kPathBytes);

struct FillOptions {
  std::int32_t sizeChoice = sizeActual;  // SizeChoice
  std::int32_t tileOrigin = originDocument;  // TileOrigin
  // Applied after the size choice: 50 % of 256X256 is a 128-pixel period.
  std::int32_t scalePercent = kScaleDefault;
  // Any value, taken modulo 360; positive turns the texture counter-clockwise
  // as seen on screen.
  double angleDegrees = 0.0;
  // Where the texture's top-left corner lands, in document pixels from the
  // tile origin.
  std::int32_t offsetX = 0;
  std::int32_t offsetY = 0;
  std::int32_t repeat = repeatTile;  // RepeatMode
  // The variation of a fill without repetition, 0 to kSeedMaximum.
  std::int32_t seed = kSeedDefault;
  // Its cell size in percent of the period; 0 lets the fill choose.
  std::int32_t cellPercent = 0;
  // PNG, JPEG, BMP and TIFF textures other than the library's are made
  // seamless at Start before anything else.
  bool makeSeamless = false;
};

// True when the options ask for no more than the size choice and the tile
// origin (and perhaps a texture made seamless first): the tile fill every
// earlier release made, byte for byte.
bool plainTileFill(const FillOptions& options);

// The side a size choice asks for; 0 for Actual and for values outside the list.
constexpr std::int32_t chosenSide(std::int32_t sizeChoice) {
  return sizeChoice >= size512 && sizeChoice <= size64 ? 1024 >> sizeChoice : 0;
}

}  // namespace fill
