// What a texture's file name says about the material it belongs to. A
// material ships as files of one stem, each with a map word and often a size
// tag: "Bricks076_1K_Color.png" and "Bricks076_1K_NormalGL.png",
// "brick_wall_001_diff_1k.png" and "brick_wall_001_nor_gl_1k.exr".
#pragma once

#include <cstddef>
#include <cstdint>

namespace texture {

// What a map holds. A normal map says which way its green points: OpenGL
// (up) unless its word says DirectX; a material may ship both, so they are
// kinds of their own.
enum MapKind : std::int32_t {
  mapNone = 0,  // no map word: a texture of its own
  mapColour = 1,
  mapNormalGl = 2,
  mapNormalDx = 3,
  mapHeight = 4,
  mapRoughness = 5,
  mapGloss = 6,
  mapOcclusion = 7,
  mapMetalness = 8,
  mapSpecular = 9,
  mapOpacity = 10,
  mapPackedArm = 11,  // occlusion, roughness and metalness in red, green and blue
  mapOther = 12,
};
constexpr int kMapKinds = 13;  // mapNone included, so that a kind indexes a table

// The parts of a map's file name, as offsets into the name.
struct MapName {
  MapKind kind;  // mapNone: not the name of a map
  // The word as the table spells it (lower case, "_" for any separator);
  // "" for no map.
  const char* word;
  std::size_t stemLength;  // the stem is the first stemLength bytes
  std::size_t wordStart;   // the word as the name writes it
  std::size_t wordLength;
  std::size_t sizeStart;  // the size tag ("1K", "2048"); sizeLength 0 without
  std::size_t sizeLength;
  std::uint32_t sizeValue;  // texels across the tag names (1K = 1024); 0 without
};

// Reads `name` (a file name without its folder, `length` bytes) as a map's:
// a stem, a separator ("_", "-", "." or a space; none for an empty stem), an
// optional size tag and separator, a map word in any letter case, an
// optional separator and size tag, and the extension of a format textures
// come in. False (and mapNone) for every other name: a map word counts only
// as a whole token, so "colorado.png" and "shadow.png" are no maps.
bool parseMapName(const char* name, std::size_t length, MapName* parsed);

// "colour", "normal (OpenGL)" ...: for lists and messages.
const char* mapKindName(MapKind kind);

}  // namespace texture
