#include "tools/texfill/preview_reader.h"

#include <vector>

#include "chooser/posix/preview_display_posix.h"
#include "chooser/preview_panel.h"
#include "texture/little_endian.h"
#include "texture/texture_source.h"

namespace texfill {
namespace {

// Index of pixel x in a bitmap row of `bits` bits a pixel, packed from the
// most significant bits of each byte, as device-independent bitmaps are.
unsigned indexAt(const std::uint8_t* row, int x, int bits) {
  const int bit = x * bits;
  const unsigned shift = static_cast<unsigned>(8 - bits - bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

}  // namespace

bool readPanelPreview(const std::string& path, bool sixteenColours, PreviewPicture& preview) {
  // The native display is a setting: a palette-less 4-bit screen is what
  // makes the panel take the 16-colour directory.
  chooser::setNativeDisplay(false, sixteenColours ? 4 : 24);
  chooser::PreviewPanel panel{};
  if (!chooser::createPreviewPanel(&panel, nullptr, 0, 0, chooser::kPreviewSide,
                                   chooser::kPreviewSide)) {
    return false;
  }
  chooser::loadPreview(&panel, path.c_str());

  const std::uint8_t* header = panel.bitmapInfo;
  int bits = texture::readLittle16(header + texture::kInfoHeaderBitCount);
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) bits = 8;
  std::uint32_t entries = texture::readLittle32(header + texture::kInfoHeaderClrUsed);
  if (entries == 0 || entries > chooser::kPreviewColorEntries) entries = chooser::kPreviewColorEntries;
  const std::uint8_t* table = header + texture::kInfoHeaderBytes;

  // PNG and JPEG textures show a thumbnail instead of a stored preview; the
  // panel's colour table is all white when none could be made.
  const texture::TextureClass type = texture::classifyTexturePath(path.c_str());
  if (type == texture::classPng || type == texture::classJpeg) {
    preview.hasColorMap = false;
    for (std::uint32_t i = 0; i < entries && !preview.hasColorMap; ++i) {
      const std::uint8_t* entry = table + 4 * i;
      preview.hasColorMap = entry[0] != 255 || entry[1] != 255 || entry[2] != 255;
    }
  } else {
    std::vector<std::uint8_t> probe(chooser::kPreviewColorBlockBytes, 0);
    preview.hasColorMap =
        chooser::readPreviewColorTable(probe.data(), path.c_str(), sixteenColours,
                                       {panel.height, panel.pixelRowBytes}) != 0;
  }

  preview.bitCount = bits;
  preview.rgb = makeImage(panel.width, panel.height, 3);
  // The bitmap is drawn with the header's bit count, so its rows are that
  // long (32 bytes for a 4-bit preview), rounded up to 4 bytes, bottom row
  // first, from the start of the pixel buffer.
  const std::size_t stride = static_cast<std::size_t>((panel.width * bits + 31) / 32 * 4);
  for (int y = 0; y < panel.height; ++y) {
    const std::uint8_t* source = panel.pixels + static_cast<std::size_t>(panel.height - 1 - y) * stride;
    std::uint8_t* target = rowOf(preview.rgb, y);
    for (int x = 0; x < panel.width; ++x) {
      const unsigned index = indexAt(source, x, bits);
      const std::uint8_t* entry = table + 4 * (index < entries ? index : 0);
      target[3 * x] = entry[2];
      target[3 * x + 1] = entry[1];
      target[3 * x + 2] = entry[0];
    }
  }
  chooser::freePreviewPanel(&panel);
  return true;
}

}  // namespace texfill
