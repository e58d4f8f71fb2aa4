#include "texture/material_name.h"

#include <cstring>

#include "platform/ascii.h"

namespace texture {

namespace {

struct MapWord {
  const char* word;  // lower case; "_" stands for any separator
  MapKind kind;
};

// The words the material libraries write, ambientCG's ("Color", "NormalGL",
// "AmbientOcclusion") and Poly Haven's ("diff", "nor_gl", "arm") among them.
// Where two end a name alike the longer wins ("nor_gl" over "nor",
// "ambient_occlusion" over "occlusion"), so the order here does not matter.
constexpr MapWord kMapWords[] = {
    {"color", mapColour},
    {"colour", mapColour},
    {"basecolor", mapColour},
    {"basecolour", mapColour},
    {"base_color", mapColour},
    {"base_colour", mapColour},
    {"albedo", mapColour},
    {"diffuse", mapColour},
    {"diff", mapColour},
    {"col", mapColour},
    {"normal", mapNormalGl},
    {"normalgl", mapNormalGl},
    {"normal_gl", mapNormalGl},
    {"nor_gl", mapNormalGl},
    {"nrm", mapNormalGl},
    {"nrm_gl", mapNormalGl},
    {"nor", mapNormalGl},
    {"normaldx", mapNormalDx},
    {"normal_dx", mapNormalDx},
    {"nor_dx", mapNormalDx},
    {"nrm_dx", mapNormalDx},
    {"displacement", mapHeight},
    {"disp", mapHeight},
    {"height", mapHeight},
    {"bump", mapHeight},
    {"roughness", mapRoughness},
    {"rough", mapRoughness},
    {"gloss", mapGloss},
    {"glossiness", mapGloss},
    {"ambientocclusion", mapOcclusion},
    {"ambient_occlusion", mapOcclusion},
    {"occlusion", mapOcclusion},
    {"ao", mapOcclusion},
    {"metalness", mapMetalness},
    {"metallic", mapMetalness},
    {"metal", mapMetalness},
    {"specular", mapSpecular},
    {"spec", mapSpecular},
    {"opacity", mapOpacity},
    {"alpha", mapOpacity},
    {"arm", mapPackedArm},
    {"emission", mapOther},
    {"emissive", mapOther},
    {"translucency", mapOther},
};

// The formats a texture is read from; ".exr" already, so that a material's
// half-float height and normal maps are found once there is a reader.
constexpr const char* kMapExtensions[] = {"png", "jpg", "jpeg", "tif", "tiff", "bmp", "exr"};

bool isSeparator(char c) { return c == '_' || c == '-' || c == '.' || c == ' '; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// `text` (`length` bytes) is `lower` in any ASCII letter case, each "_" of
// `lower` standing for any separator.
bool spells(const char* text, std::size_t length, const char* lower) {
  std::size_t i = 0;
  for (; i < length && lower[i] != '\0'; ++i) {
    if (lower[i] == '_' ? !isSeparator(text[i]) : platform::lowerAscii(text[i]) != lower[i]) return false;
  }
  return i == length && lower[i] == '\0';
}

// A size tag: "<digits>k" ("1k", "2K", "16k") or a plain number of three to
// five digits ("512", "4096"). Neither starts with 0, so that a catalogue
// number such as "001" stays in the stem.
bool readSizeTag(const char* text, std::size_t length, std::uint32_t* value) {
  if (length < 2 || text[0] < '1' || text[0] > '9') return false;
  const bool kilo = platform::lowerAscii(text[length - 1]) == 'k';
  const std::size_t digits = kilo ? length - 1 : length;
  if (kilo ? digits > 2 : digits < 3 || digits > 5) return false;
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    if (!isDigit(text[i])) return false;
    number = number * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  *value = kilo ? number * 1024 : number;
  return true;
}

// Where the token ending at `end` starts: after the last separator before it.
std::size_t tokenStart(const char* name, std::size_t end) {
  std::size_t start = end;
  while (start > 0 && !isSeparator(name[start - 1])) --start;
  return start;
}

}  // namespace

bool parseMapName(const char* name, std::size_t length, MapName* parsed) {
  if (parsed == nullptr) return false;
  *parsed = MapName{mapNone, "", 0, 0, 0, 0, 0, 0};
  if (name == nullptr) return false;

  std::size_t dot = length;
  while (dot > 0 && name[dot - 1] != '.') --dot;
  if (dot < 2) return false;  // no extension, or nothing before it
  bool known = false;
  for (const char* extension : kMapExtensions) known = known || spells(name + dot, length - dot, extension);
  if (!known) return false;
  const std::size_t base = dot - 1;

  // A size tag after the word (Poly Haven's "diff_1k").
  std::size_t sizeStart = 0;
  std::size_t sizeLength = 0;
  std::uint32_t sizeValue = 0;
  std::size_t wordEnd = base;
  const std::size_t last = tokenStart(name, base);
  if (last > 0 && readSizeTag(name + last, base - last, &sizeValue)) {
    sizeStart = last;
    sizeLength = base - last;
    wordEnd = last - 1;
  }

  const MapWord* found = nullptr;
  std::size_t wordLength = 0;
  for (const MapWord& entry : kMapWords) {
    const std::size_t candidate = std::strlen(entry.word);
    if (candidate > wordEnd || candidate <= wordLength) continue;
    const std::size_t start = wordEnd - candidate;
    if ((start == 0 || isSeparator(name[start - 1])) && spells(name + start, candidate, entry.word)) {
      found = &entry;
      wordLength = candidate;
    }
  }
  if (found == nullptr) return false;
  const std::size_t wordStart = wordEnd - wordLength;

  // The stem ends at the separator before the word, or before a size tag
  // there (ambientCG's "_1K_Color").
  std::size_t stemLength = wordStart == 0 ? 0 : wordStart - 1;
  if (sizeLength == 0 && wordStart > 0) {
    const std::size_t tag = tokenStart(name, stemLength);
    if (readSizeTag(name + tag, stemLength - tag, &sizeValue)) {
      sizeStart = tag;
      sizeLength = stemLength - tag;
      stemLength = tag == 0 ? 0 : tag - 1;
    }
  }

  *parsed = MapName{found->kind, found->word, stemLength, wordStart, wordLength, sizeStart, sizeLength, sizeValue};
  return true;
}

const char* mapKindName(MapKind kind) {
  switch (kind) {
    case mapColour: return "colour";
    case mapNormalGl: return "normal (OpenGL)";
    case mapNormalDx: return "normal (DirectX)";
    case mapHeight: return "height";
    case mapRoughness: return "roughness";
    case mapGloss: return "gloss";
    case mapOcclusion: return "ambient occlusion";
    case mapMetalness: return "metalness";
    case mapSpecular: return "specular";
    case mapOpacity: return "opacity";
    case mapPackedArm: return "occlusion, roughness, metalness";
    case mapOther: return "other";
    default: return "none";
  }
}

}  // namespace texture
