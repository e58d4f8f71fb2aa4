// libtiff access shared by the texture files, the long names and the
// preview loader.
#pragma once

#include <cstdint>

#include "texture/texture_source.h"

namespace texture {

// TIFFOpen (path, "r") after routing libtiff's messages to the discarding
// handlers; null when the file is missing or not a TIFF.
TIFF* openTiffForReading(const char* path);
// The same without mapping the file into memory: for reading the first
// directory's tags only, where setting up a mapping of the whole file costs
// more than the few small reads.
TIFF* openTiffForTags(const char* path);

// Where the replaced libtiff handlers put their formatted texts (level 2 for
// errors, 1 for warnings). Nothing is shown or kept.
void discardTiffMessage(int level, const char* text);

// Reads scanline `row` (sample 0) of the source's open TIFF into `buffer`
// (TIFFScanlineSize bytes). Rows skipped inside a compressed strip are
// decoded on the way, so any order of rows works. False for a row outside
// 0 .. height - 1 or a failed read.
bool readTiffScanline(TextureSource* source, std::uint8_t* buffer, std::int32_t row);

// Every TIFFReadScanline the row source has issued; tests watch it to see
// which rows were decoded.
extern long tiffScanlinesRead;

}  // namespace texture
