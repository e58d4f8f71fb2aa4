// What the user chose for a fill: one record, defined here and passed down
// from the chooser, the settings, texfill and the host driver alike. The
// values of the size choice and the tile origin are fixed by the "Size to:"
// list and the Preferences dialog and defined only here.
#pragma once

#include <cstdint>

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

// Room for the chosen texture's path, its terminating zero included.
constexpr int kFileNameBytes = 512;

struct FillOptions {
  std::int32_t sizeChoice = sizeActual;  // SizeChoice
  std::int32_t tileOrigin = originDocument;  // TileOrigin
};

// The side a size choice asks for; 0 for Actual and for values outside the list.
constexpr std::int32_t chosenSide(std::int32_t sizeChoice) {
  return sizeChoice >= size512 && sizeChoice <= size64 ? 1024 >> sizeChoice : 0;
}

}  // namespace fill
