#include "texture/material.h"

#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "platform/platform.h"

namespace texture {

namespace {

// Windows ends a drive's name with ":" as well ("C:Slate_Color.png" lies in
// drive C's current folder).
bool isPathSeparator(char c) {
  const char own = platform::pathSeparator();
  return c == '/' || c == own || (own == '\\' && c == ':');
}

// Extensions of one format count as the same when two maps of a kind compete.
enum FileFormat { formatPng, formatJpeg, formatTiff, formatBmp, formatExr, formatOther };

FileFormat formatOf(const char* name) {
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) return formatOther;
  const std::string_view extension(dot + 1);
  if (platform::equalIgnoringAsciiCase(extension, "png")) return formatPng;
  if (platform::equalIgnoringAsciiCase(extension, "jpg") || platform::equalIgnoringAsciiCase(extension, "jpeg")) {
    return formatJpeg;
  }
  if (platform::equalIgnoringAsciiCase(extension, "tif") || platform::equalIgnoringAsciiCase(extension, "tiff")) {
    return formatTiff;
  }
  if (platform::equalIgnoringAsciiCase(extension, "bmp")) return formatBmp;
  if (platform::equalIgnoringAsciiCase(extension, "exr")) return formatExr;
  return formatOther;
}

struct Search {
  Material* material;
  const char* path;         // the chosen map's
  std::size_t folderBytes;  // its folder with the separator after it
  const char* chosenName;
  MapName chosen;
  FileFormat chosenFormat;
  TextureInfo chosenInfo;
};

// Keeps the first kLeftOutNames names in byte order, whatever order the
// folder lists them in, and counts the rest.
void leaveOut(Material* material, const char* name, MapKind kind, LeftOutReason reason) {
  std::int32_t count = material->leftOutCount;
  std::int32_t at = count;
  while (at > 0 && std::strcmp(name, material->leftOut[at - 1].name) < 0) --at;
  if (count == kLeftOutNames) {
    ++material->leftOutUnlisted;
    if (at == kLeftOutNames) return;
    --count;  // the last by name drops off the list
  }
  std::memmove(&material->leftOut[at + 1], &material->leftOut[at],
               static_cast<std::size_t>(count - at) * sizeof(LeftOutMap));
  LeftOutMap& entry = material->leftOut[at];
  std::strncpy(entry.name, name, kNameBytes - 1);
  entry.name[kNameBytes - 1] = '\0';
  platform::cutUtf8AtCharacter(entry.name);
  entry.kind = kind;
  entry.reason = reason;
  material->leftOutCount = count + 1;
}

// The map a material should rather have of two of one kind: the chosen
// map's format (a set downloaded as JPEG stays JPEG), then PNG, then the
// first by name, so that the answer does not depend on the listing order.
bool preferred(const Search& search, const char* name, const char* other) {
  const auto rank = [&search](const char* text) {
    const FileFormat format = formatOf(text);
    return format == search.chosenFormat ? 0 : format == formatPng ? 1 : 2;
  };
  const int mine = rank(name);
  const int theirs = rank(other);
  return mine != theirs ? mine < theirs : std::strcmp(name, other) < 0;
}

bool visitSibling(void* context, const char* name, bool isFolder) {
  Search& search = *static_cast<Search*>(context);
  Material* material = search.material;
  const std::size_t length = std::strlen(name);
  const std::size_t stem = search.chosen.stemLength;
  // Most names of a large folder end here, before the name table is read.
  if (length <= stem ||
      !platform::equalIgnoringAsciiCase(std::string_view(name, stem), std::string_view(search.chosenName, stem)) ||
      std::strcmp(name, search.chosenName) == 0) {
    return true;
  }
  MapName parsed;
  if (!parseMapName(name, length, &parsed) || parsed.stemLength != stem) return true;
  // "_2K_" beside a chosen "_1K_": the same material in another download.
  if (parsed.sizeValue != 0 && search.chosen.sizeValue != 0 && parsed.sizeValue != search.chosen.sizeValue) {
    return true;
  }
  if (isFolder) {
    leaveOut(material, name, parsed.kind, leftFolder);
    return true;
  }
  char path[platform::kPathBytes];
  TextureInfo info{};
  if (search.folderBytes + length >= sizeof path) {
    leaveOut(material, name, parsed.kind, leftUnreadable);
    return true;
  }
  std::memcpy(path, search.path, search.folderBytes);
  std::memcpy(path + search.folderBytes, name, length + 1);
  if (describeTexture(path, &info) == 0) {
    leaveOut(material, name, parsed.kind, leftUnreadable);
    return true;
  }
  if (info.width != search.chosenInfo.width || info.height != search.chosenInfo.height) {
    leaveOut(material, name, parsed.kind, leftOtherSize);
    return true;
  }
  MaterialMap& slot = material->maps[parsed.kind];
  if (slot.path[0] != '\0') {
    const char* holder = slot.path + search.folderBytes;
    if (parsed.kind == search.chosen.kind || !preferred(search, name, holder)) {
      leaveOut(material, name, parsed.kind, leftSameKind);
      return true;
    }
    leaveOut(material, holder, parsed.kind, leftSameKind);
  }
  std::memcpy(slot.path, path, search.folderBytes + length + 1);
  slot.kind = parsed.kind;
  slot.word = parsed.word;
  slot.info = info;
  return true;
}

// The maps sit at their kind's index while the folder is searched; then
// they close up in kind order.
void closeUp(Material* material, MapKind chosenKind) {
  std::int32_t count = 0;
  for (int kind = 0; kind < kMapKinds; ++kind) {
    if (material->maps[kind].path[0] == '\0') continue;
    if (kind == chosenKind) material->chosen = count;
    if (count != kind) {
      material->maps[count] = material->maps[kind];
      material->maps[kind].path[0] = '\0';
    }
    ++count;
  }
  material->mapCount = count;
}

}  // namespace

bool findMaterial(const char* path, Material* material) {
  if (material == nullptr) return false;
  std::memset(material, 0, sizeof *material);
  material->chosen = -1;
  for (MaterialMap& map : material->maps) map.word = "";
  const std::size_t length = path == nullptr ? 0 : std::strlen(path);
  if (length == 0 || length >= platform::kPathBytes) return false;

  std::size_t nameStart = length;
  while (nameStart > 0 && !isPathSeparator(path[nameStart - 1])) --nameStart;
  Search search{material, path, nameStart, path + nameStart, {}, formatOf(path + nameStart), {}};
  const bool isMap = parseMapName(search.chosenName, length - nameStart, &search.chosen);
  // A texture of its own is what a fill lays down: its colour.
  const MapKind chosenKind = isMap ? search.chosen.kind : mapColour;
  MaterialMap& chosen = material->maps[chosenKind];
  std::memcpy(chosen.path, path, length + 1);
  chosen.kind = chosenKind;
  chosen.word = search.chosen.word;
  bool found = describeTexture(path, &search.chosenInfo) != 0;
  chosen.info = search.chosenInfo;

  if (found && isMap) {
    char folder[platform::kPathBytes] = ".";
    if (nameStart > 0) {
      std::memcpy(folder, path, nameStart);
      folder[nameStart] = '\0';
    }
    found = platform::listFolder(folder, visitSibling, &search);
  }
  closeUp(material, chosenKind);
  return found;
}

const MaterialMap* materialMap(const Material* material, MapKind kind) {
  if (material == nullptr) return nullptr;
  for (std::int32_t i = 0; i < material->mapCount && i < kMapKinds; ++i) {
    if (material->maps[i].kind == kind) return &material->maps[i];
  }
  return nullptr;
}

}  // namespace texture
