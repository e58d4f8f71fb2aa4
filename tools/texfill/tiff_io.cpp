#include "tools/texfill/tiff_io.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "platform/utf8.h"
#include "tools/texfill/document_io.h"

namespace texfill {
namespace {

// The first error of a handle is the cause; later ones are consequences.
int keepFirstError(TIFF*, void* userData, const char* module, const char* format, va_list args) {
  auto* error = static_cast<std::string*>(userData);
  if (error != nullptr && error->empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    *error = module != nullptr ? std::string(module) + ": " + text : std::string(text);
  }
  return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

const char* photometricName(std::uint16_t photometric) {
  switch (photometric) {
    case PHOTOMETRIC_PALETTE: return "a palette (indexed-colour) TIFF";
    case PHOTOMETRIC_SEPARATED: return "a CMYK TIFF";
    case PHOTOMETRIC_YCBCR: return "a YCbCr TIFF";
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB: return "a Lab TIFF";
    case PHOTOMETRIC_MASK: return "a transparency-mask TIFF";
    default: return "a TIFF of an unsupported colour model";
  }
}

constexpr const char* kWanted = ": texfill works on 8-bit RGB or grayscale documents";

}  // namespace

TIFF* openTiff(const std::string& path, const char* mode, std::string& error) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) {
    error = "out of memory";
    return nullptr;
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options, keepFirstError, &error);
  TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
#ifdef _WIN32
  // By its wide name: the narrow open would take the path in the ANSI code page.
  const platform::WidePath name(path.c_str());
  TIFF* tiff = name.ok() ? TIFFOpenWExt(reinterpret_cast<const wchar_t*>(name.get()), mode, options) : nullptr;
#else
  TIFF* tiff = TIFFOpenExt(path.c_str(), mode, options);
#endif
  TIFFOpenOptionsFree(options);
  if (tiff == nullptr && error.empty()) error = "cannot open as TIFF";
  return tiff;
}

bool readTiff(const std::string& path, Image& image, std::string& error, bool sixteenBit) {
  std::string tiffError;
  TIFF* tiff = openTiff(path, "r", tiffError);
  if (tiff == nullptr) {
    error = "not a readable TIFF file (" + tiffError + ")";
    return false;
  }
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 0, samples = 0, photometric = 0xFFFF, planar = PLANARCONFIG_CONTIG;
  std::uint16_t extraCount = 0;
  std::uint16_t* extraTypes = nullptr;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  const bool hasPhotometric = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) == 1;

  bool ok = false;
  if (!hasPhotometric) {
    error = "TIFF without a PhotometricInterpretation";
  } else if (bits != 8 && !(sixteenBit && bits == 16)) {
    error = std::to_string(bits) + "-bit TIFF" + kWanted;
  } else if (photometric != PHOTOMETRIC_RGB && photometric != PHOTOMETRIC_MINISBLACK &&
             photometric != PHOTOMETRIC_MINISWHITE) {
    error = std::string(photometricName(photometric)) + kWanted;
  } else if (extraCount > 0) {
    error = std::string("a TIFF with an alpha or extra channel") + kWanted;
  } else if ((photometric == PHOTOMETRIC_RGB) != (samples == 3) || (samples != 1 && samples != 3)) {
    error = "a TIFF of " + std::to_string(samples) + " samples per pixel" + kWanted;
  } else if (TIFFIsTiled(tiff)) {
    error = "a tiled TIFF: texfill reads TIFF documents stored in strips";
  } else if (checkImageSize(width, height, error)) {
    ok = true;
  }
  if (!ok) {
    TIFFClose(tiff);
    return false;
  }

  image = makeImage(static_cast<int>(width), static_cast<int>(height), samples);
  const std::size_t sampleBytes = bits / 8;
  image.sampleBytes = static_cast<int>(sampleBytes);
  image.pixels.resize(image.pixels.size() * sampleBytes);
  const tmsize_t scanline = TIFFScanlineSize(tiff);
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(scanline > 0 ? scanline : 0));
  const int planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
  const std::size_t expected = planes == 1 ? rowBytesOf(image) : static_cast<std::size_t>(width) * sampleBytes;
  if (buffer.size() != expected) {
    error = "TIFF rows are not the size their tags give";
    ok = false;
  }
  for (int plane = 0; ok && plane < planes; ++plane) {
    for (std::uint32_t y = 0; ok && y < height; ++y) {
      if (TIFFReadScanline(tiff, buffer.data(), y, static_cast<std::uint16_t>(plane)) < 0) {
        error = "damaged or truncated TIFF (" + (tiffError.empty() ? "read error" : tiffError) + ")";
        ok = false;
        break;
      }
      std::uint8_t* row = rowOf(image, static_cast<int>(y));
      if (planes == 1) {
        std::copy(buffer.begin(), buffer.end(), row);
      } else {
        for (std::uint32_t x = 0; x < width; ++x) {
          std::copy_n(&buffer[x * sampleBytes], sampleBytes, &row[(x * samples + plane) * sampleBytes]);
        }
      }
    }
  }
  TIFFClose(tiff);
  if (!ok) {
    image = Image{};
    return false;
  }
  // White is 0 there: inverting every byte inverts 16-bit samples as well.
  if (photometric == PHOTOMETRIC_MINISWHITE) {
    for (std::uint8_t& value : image.pixels) value = static_cast<std::uint8_t>(255 - value);
  }
  return true;
}

void setUncompressedImageTags(TIFF* tiff, const Image& image) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8 * image.sampleBytes);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, image.channels);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
               image.channels == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  // Uncompressed strips can be read in any row order.
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
}

bool writeTiff(const std::string& path, const Image& image, std::string& error) {
  std::string tiffError;
  TIFF* tiff = openTiff(path, "w", tiffError);
  if (tiff == nullptr) {
    error = tiffError;
    return false;
  }
  setUncompressedImageTags(tiff, image);
  bool ok = true;
  for (int y = 0; ok && y < image.height; ++y) {
    ok = TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(rowOf(image, y)),
                           static_cast<std::uint32_t>(y), 0) == 1;
  }
  if (ok) ok = TIFFWriteDirectory(tiff) == 1;
  TIFFClose(tiff);
  if (!ok) error = tiffError.empty() ? std::string("cannot write TIFF") : tiffError;
  return ok;
}

}  // namespace texfill
