// Reading and writing whole pictures by file content (PNG or TIFF), with the
// size limits every subcommand shares, and writes that never leave a partial
// file behind.
#pragma once

#include <cstdint>
#include <string>

#include "tools/texfill/image.h"

namespace texfill {

// The host record carries coordinates as signed 16-bit values, and a
// document is held in memory whole.
constexpr std::uint64_t kMaxSide = 32767;
constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 30;

enum class FileFormat { unknown, png, tiff };

// By the file's first bytes; unknown for a missing or unrecognised file.
FileFormat formatOfFile(const std::string& path);
// By the name's extension (.png, .tif, .tiff in any case); unknown otherwise.
FileFormat formatForName(const std::string& path);
// The name's extension without its dot, in lower case; empty when it has none.
std::string lowerExtension(const std::string& path);

// False, with a reason, for an empty image or one beyond the limits above.
bool checkImageSize(std::uint64_t width, std::uint64_t height, std::string& error);

// Reads a PNG or TIFF document; `error` starts with the path. `sixteenBit`:
// 16-bit files are read too, as 16-bit images.
bool readImageFile(const std::string& path, Image& image, std::string& error, bool sixteenBit = false);

// Writes to a temporary name beside `path` and renames it into place, so a
// failed or cancelled write leaves no partial file. `cancelled`, when given,
// is asked just before the rename. The format follows the extension.
bool writeImageFile(const std::string& path, const Image& image, std::string& error,
                    bool (*cancelled)() = nullptr);

// The same for any writer of a whole file: `write` is given the temporary path.
bool writeFileAtomically(const std::string& path, std::string& error, bool (*cancelled)(),
                         bool (*write)(const std::string& tempPath, const void* context,
                                       std::string& error),
                         const void* context);

}  // namespace texfill
