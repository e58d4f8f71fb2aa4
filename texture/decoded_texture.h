// PNG and JPEG textures: compressed as a whole, so they cannot be read row
// by row in any order. They are decoded once at open into one block of
// packed RGB rows, which the row source then serves.
#pragma once

#include <cstdint>

#include "texture/texture_source.h"

namespace texture {

enum DecodeOutcome : std::int32_t {
  decodeDone = 0,
  decodeFailed = 1,   // unreadable or damaged: the open fails as for a TIFF that cannot be read
  decodeRefused = 2,  // a layout the texture rows cannot be made from
  decodeAborted = 3,  // the user asked to stop
};

// The largest texture decoded at open: its RGB rows in memory, and rows and
// columns that fit the fill's 16-bit coordinates.
constexpr std::int64_t kMaxDecodedBytes = std::int64_t{512} * 1024 * 1024;
constexpr std::int32_t kMaxDecodedSide = 32767;
bool decodedSizeAllowed(std::int64_t width, std::int64_t height);

// Reports `done` of `total` and answers true when the user asked to stop.
bool decodeStep(const DecodeProgress& progress, std::int32_t done, std::int32_t total);

// Decodes the described PNG or JPEG (the record's kind, width and height)
// into `decoded`. Shows 102 for a texture too large or of a refused layout,
// 100 when the block cannot be had; an unreadable file fails with no message
// of its own. Nothing is kept on failure.
int openDecodedSource(const char* path, TextureSource* source);

// Reads every row of an open TIFF or BMP texture into memory, closes the
// file and serves the rows from memory from then on (kindHeld), so that the
// whole picture can be changed; a PNG or JPEG already is. Shows 102 for a
// texture too large to hold and 100 when the block cannot be had; a row that
// cannot be read fails with the reader's own message, if any.
int holdWholeTexture(TextureSource* source);

// Copies decoded row `row` into destination; false outside the texture.
bool copyDecodedRow(const TextureSource* source, std::int32_t row, std::uint8_t* destination);

}  // namespace texture
