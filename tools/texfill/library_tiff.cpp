#include "tools/texfill/library_tiff.h"

#include <tiffio.h>

#include <algorithm>
#include <vector>

#include "tools/texfill/tiff_io.h"

namespace texfill {
namespace {

bool writeTexture(TIFF* tiff, const LibraryTexture& library) {
  const Image& image = library.texture;
  TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
  // The plug-in reads texture rows in any order; uncompressed strips allow
  // that without decoding a strip from its start.
  setUncompressedImageTags(tiff, image);
  TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, library.description.c_str());
  TIFFSetField(tiff, TIFFTAG_SOFTWARE, "texfill pack");
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 72.0);
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 72.0);
  for (int y = 0; y < image.height; ++y) {
    if (TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(rowOf(image, y)),
                          static_cast<std::uint32_t>(y), 0) != 1) {
      return false;
    }
  }
  return TIFFWriteDirectory(tiff) == 1;
}

// A palette preview of `bits` bits a sample: a ColorMap of 2^bits entries
// (unused ones black), each colour stored as c * 257 so that its high byte,
// which is all a reader keeps, is c.
bool writePreview(TIFF* tiff, const IndexedPicture& picture, int bits) {
  const std::size_t entries = std::size_t{1} << bits;
  std::vector<std::uint16_t> red(entries, 0), green(entries, 0), blue(entries, 0);
  for (std::size_t i = 0; i < picture.colours.size() && i < entries; ++i) {
    red[i] = static_cast<std::uint16_t>(picture.colours[i][0] * 257);
    green[i] = static_cast<std::uint16_t>(picture.colours[i][1] * 257);
    blue[i] = static_cast<std::uint16_t>(picture.colours[i][2] * 257);
  }
  TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(picture.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(picture.height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(picture.height));
  TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  const int perByte = 8 / bits;
  std::vector<std::uint8_t> row(static_cast<std::size_t>((picture.width * bits + 7) / 8));
  for (int y = 0; y < picture.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < picture.width; ++x) {
      const unsigned index = picture.indices[static_cast<std::size_t>(y) * picture.width + x] &
                             ((1u << bits) - 1);
      // Samples are packed most significant bits first.
      const int shift = 8 - bits * (x % perByte + 1);
      row[static_cast<std::size_t>(x / perByte)] |= static_cast<std::uint8_t>(index << shift);
    }
    if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) != 1) return false;
  }
  return TIFFWriteDirectory(tiff) == 1;
}

}  // namespace

bool writeLibraryTiff(const std::string& path, const LibraryTexture& library, std::string& error) {
  std::string tiffError;
  TIFF* tiff = openTiff(path, "w", tiffError);
  if (tiff == nullptr) {
    error = tiffError;
    return false;
  }
  const bool ok = writeTexture(tiff, library) && writePreview(tiff, library.preview256, 8) &&
                  writePreview(tiff, library.preview16, 4);
  TIFFClose(tiff);
  if (!ok) error = tiffError.empty() ? std::string("cannot write the TIFF") : tiffError;
  return ok;
}

}  // namespace texfill
