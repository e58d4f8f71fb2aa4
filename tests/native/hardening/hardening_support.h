// Shared by the hardening tests: the textures of every kind a run can open,
// and a full host run whose outcome is checked against what a user may be
// shown and what must be left behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/native/support/simulated_host.h"
#include "tests/native/support/texture_fixtures.h"

namespace hardening {

struct TextureCase {
  std::string name;
  std::string path;
  int sizeChoice = 0;
  // Filter rectangle: tall enough that the smaller library reductions are
  // pre-scaled, and away from the document origin so the phase matters.
  int top = 3;
  int left = 5;
  int bottom = 33;
  int right = 25;
  std::int16_t imageMode = 3;
};

// Writes one texture of each kind into `dir`: RGB, gray, white-is-zero,
// palette and four-sample TIFFs (one compressed, so the pre-roll runs), 24-
// and 8-bit BMPs, RGB, palette and interlaced 16-bit PNGs, a square PNG
// enlarged by its size choice, gray and progressive JPEGs, and the two
// library textures; the library ones once for each size choice.
std::vector<TextureCase> everyTextureKind(const fixtures::TempDir& dir);
// The BMP, PNG and JPEG cases: their reads go through the platform layer.
std::vector<TextureCase> platformReadCases(const std::vector<TextureCase>& all);

struct RunOutcome {
  std::int16_t startResult = 0;
  std::vector<std::int16_t> continueResults;
  std::int16_t finishResult = 0;
  std::vector<std::string> messages;
  bool startReleasedEverything = false;  // TextureSource all zero after Start
  bool resamplerAfterStart = false;
  bool prescaledAfterStart = false;
  bool rowBufferAfterStart = false;
  std::vector<std::uint8_t> document;
  int bytesChangedOutsideRect = 0;
};

// Start, Continue until the empty band or a non-zero result, Finish; then a
// stray Continue and a second Finish, which must do nothing.
RunOutcome runCase(const TextureCase& texture);

bool textureSourceIsEmpty();

}  // namespace hardening
