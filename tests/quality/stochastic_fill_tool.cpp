// Fills a picture with the by-example fill for the quality script
// (stochastic_quality.py), split as no host splits it, so that a seam at a
// band or call boundary would show (texfill fill --repeat random makes the
// same pixels band by band through the plug-in):
//
//   stochastic_fill TEXTURE.png OUT.pnm WIDTH HEIGHT [--seed N] [--cell PERCENT]
//                   [--gray] [--band ROWS] [--call PIXELS] [--angle DEGREES] [--scale PERCENT]
//                   [--texture-out TEXTURE.pnm]
//
// Rows are rendered band by band, bands in reverse order, each row in calls
// of --call pixels from its right end back, so that a seam at a band or
// call boundary would show. Writes binary PPM (RGB) or PGM (gray), and
// prints the triangle edge and period the fill used.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fill/stochastic_render.h"
#include "tools/texfill/png_io.h"

namespace {

bool writePnm(const std::string& path, const texfill::Image& image) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P%d\n%d %d\n255\n", image.channels == 1 ? 5 : 6, image.width, image.height);
  const bool written = std::fwrite(image.pixels.data(), 1, image.pixels.size(), file) == image.pixels.size();
  return std::fclose(file) == 0 && written;
}

int usage() {
  std::fprintf(stderr,
               "usage: stochastic_fill TEXTURE.png OUT.pnm WIDTH HEIGHT [--seed N] [--cell PERCENT] [--gray]"
               " [--band ROWS] [--call PIXELS] [--angle DEGREES] [--scale PERCENT] [--texture-out TEXTURE.pnm]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return usage();
  const std::string texturePath = argv[1];
  const std::string outPath = argv[2];
  const int width = std::atoi(argv[3]);
  const int height = std::atoi(argv[4]);
  StochasticOptions options{1, 0};
  bool gray = false;
  int band = 64;
  int call = 64;
  double angle = 0;
  double scale = 100;
  std::string textureOut;
  for (int i = 5; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--seed" && hasValue) {
      options.seed = std::atoi(argv[++i]);
    } else if (option == "--cell" && hasValue) {
      options.cellPercent = std::atoi(argv[++i]);
    } else if (option == "--band" && hasValue) {
      band = std::atoi(argv[++i]);
    } else if (option == "--call" && hasValue) {
      call = std::atoi(argv[++i]);
    } else if (option == "--angle" && hasValue) {
      angle = std::atof(argv[++i]);
    } else if (option == "--scale" && hasValue) {
      scale = std::atof(argv[++i]);
    } else if (option == "--texture-out" && hasValue) {
      textureOut = argv[++i];
    } else if (option == "--gray") {
      gray = true;
    } else {
      return usage();
    }
  }
  if (width < 1 || height < 1 || band < 1 || call < 1 || !(scale > 0)) return usage();

  texfill::Image texture;
  std::string error;
  if (!texfill::readPng(texturePath, texture, error)) {
    std::fprintf(stderr, "stochastic_fill: %s: %s\n", texturePath.c_str(), error.c_str());
    return 1;
  }
  if (gray && texture.channels == 3) texture = texfill::toGray(texture);
  if (!textureOut.empty() && !writePnm(textureOut, texture)) return 1;

  const TexelBlock block{texture.pixels.data(), texture.width, texture.height, texture.channels,
                         texture.width * texture.channels};
  StochasticTexture* prepared = prepareStochasticTexture(block);
  StochasticPlacement placement{};
  // The texture turned by `angle` counter-clockwise on screen and scaled
  // about the origin: the inverse map from pixels to texels.
  const double turn = angle * 3.141592653589793 / 180;
  const double c = std::cos(turn) * 100 / scale;
  const double s = std::sin(turn) * 100 / scale;
  const StochasticMap map{c, -s, 0, s, c, 0};
  if (prepared == nullptr || !placeStochasticTexture(*prepared, options, map, &placement)) {
    std::fprintf(stderr, "stochastic_fill: the texture or the options cannot be used\n");
    releaseStochasticTexture(prepared);
    return 1;
  }
  texfill::Image out = texfill::makeImage(width, height, texture.channels);
  const int pixelBytes = texture.channels;
  for (int top = (height - 1) / band * band; top >= 0; top -= band) {
    for (int y = top; y < std::min(height, top + band); ++y) {
      std::uint8_t* row = texfill::rowOf(out, y);
      for (int x = (width - 1) / call * call; x >= 0; x -= call) {
        renderStochasticRow(*prepared, placement, x, y, std::min(call, width - x),
                            {row + x * pixelBytes, pixelBytes, 1});
      }
    }
  }
  std::printf("edge %.6f period %d %d\n", stochasticCellEdge(*prepared, options.cellPercent), texture.width,
              texture.height);
  releaseStochasticTexture(prepared);
  return writePnm(outPath, out) ? 0 : 1;
}
