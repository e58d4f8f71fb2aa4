// The seam ratio: the mean absolute difference across the wrap-around edges
// (last column to first, last row to first) over that between neighbouring
// interior pixels. 1 for a picture that tiles as well as it reads. A side
// of one pixel has no neighbours along it and is left out.
#pragma once

#include <cstdlib>

namespace seamtest {

// sample(x, y, c) gives the picture's sample.
template <typename Sample>
double seamRatio(int width, int height, int channels, const Sample& sample) {
  double wrap = 0, interior = 0;
  long wraps = 0, interiors = 0;
  for (int c = 0; c < channels; ++c) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (width > 1) {
          const int right = std::abs(sample((x + 1) % width, y, c) - sample(x, y, c));
          (x + 1 == width ? wrap : interior) += right;
          ++(x + 1 == width ? wraps : interiors);
        }
        if (height > 1) {
          const int down = std::abs(sample(x, (y + 1) % height, c) - sample(x, y, c));
          (y + 1 == height ? wrap : interior) += down;
          ++(y + 1 == height ? wraps : interiors);
        }
      }
    }
  }
  return (wrap / wraps) / (interior / interiors);
}

}  // namespace seamtest
