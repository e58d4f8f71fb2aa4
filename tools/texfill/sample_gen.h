// Seamless procedural textures for the sample library: every pattern is
// built from noise and shapes whose period is the picture itself, so the
// right edge continues into the left one and the bottom into the top.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/texfill/image.h"

namespace texfill {

struct SampleRecipe {
  const char* name;      // "marble"
  const char* longName;  // the library's long name, with fields after ";"
  int size;              // default side of the generated picture
  bool lowRes;           // packed as a 128x128 one-sample texture
};

const std::vector<SampleRecipe>& sampleRecipes();
const SampleRecipe* findSampleRecipe(const std::string& name);

// The pattern's colour at (u, v); the same at (u + 1, v) and (u, v + 1).
void sampleColour(const SampleRecipe& recipe, double u, double v, std::uint8_t rgb[3]);

// An RGB picture of side `size` (8 to 4096). Deterministic: the same name
// and size always give the same pixels.
Image generateSample(const SampleRecipe& recipe, int size);

// A landscape picture to fill in demonstrations: not a texture, so that
// filled and untouched areas are told apart at a glance.
Image generateDocument(int width, int height);

}  // namespace texfill
