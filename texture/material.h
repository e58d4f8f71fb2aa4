// The material a chosen texture belongs to: the maps beside it in its folder
// that share its stem (texture/material_name.h) and its size, at most one of
// each kind, and the names that looked like its maps but were left out.
#pragma once

#include <cstdint>

#include "platform/utf8.h"
#include "texture/material_name.h"
#include "texture/texture_source.h"

namespace texture {

// Bytes that hold any one file name with its zero: Windows allows 255 UTF-16
// units a name, at most 765 bytes of UTF-8 (POSIX 255 bytes).
constexpr std::size_t kNameBytes = 768;
// The left-out names a material lists for the front ends to show; beyond
// these it only counts them.
constexpr int kLeftOutNames = 16;

struct MaterialMap {
  char path[platform::kPathBytes];
  MapKind kind;
  const char* word;  // the map word as the name table spells it; "" for none
  TextureInfo info;
};

enum LeftOutReason : std::int32_t {
  leftUnreadable = 1,  // cannot be opened or described as a texture
  leftFolder = 2,      // a folder, or a link to one
  leftOtherSize = 3,   // another width or height than the chosen map's
  leftSameKind = 4,    // another map of its kind was taken
};

struct LeftOutMap {
  char name[kNameBytes];  // within the chosen map's folder
  MapKind kind;
  LeftOutReason reason;
};

// About 25 KB: kept by its owner, not on a small stack.
struct Material {
  // In kind order; the chosen map is always among them.
  MaterialMap maps[kMapKinds];
  std::int32_t mapCount;
  std::int32_t chosen;  // index of the chosen map in maps
  // In name order: the first kLeftOutNames by name, and how many more.
  LeftOutMap leftOut[kLeftOutNames];
  std::int32_t leftOutCount;
  std::int32_t leftOutUnlisted;
};

// Finds the material of the texture at `path` (UTF-8). Siblings are only
// described when their names carry a map word and the chosen map's stem,
// and only the same size joins; of two maps of one kind the one with the
// chosen map's extension is taken, then a PNG, then the first by name. A
// texture whose name carries no map word is a material of itself alone, as
// its colour. False when the texture cannot be described or its folder
// listed: the material then holds the chosen map alone (none for a path that
// does not fit a MaterialMap).
bool findMaterial(const char* path, Material* material);

// The material's map of `kind`, or null.
const MaterialMap* materialMap(const Material* material, MapKind kind);

}  // namespace texture
