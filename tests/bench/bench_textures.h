// What the fill benchmarks fill with: a library-like 512 x 512 RGB texture,
// a 128 x 128 one-sample texture and a 2048 x 2048 RGB PNG, written once per
// process, and the filter runs measured on them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fill/fill_options.h"
#include "tests/native/support/simulated_host.h"

namespace benchmark {
class State;
}  // namespace benchmark

namespace bench {

struct Textures {
  std::string highRes;  // 512 x 512 RGB, uncompressed
  std::string lowRes;   // 128 x 128 one 8-bit sample, uncompressed
  std::string png;      // 2048 x 2048 RGB PNG, decoded whole at Start
};

// Written into a temporary directory on first use; removed at exit.
const Textures& textures();

struct FillCase {
  std::string name;  // e.g. "rgb/512/actual"
  bool lowRes;       // which texture
  std::int32_t sizeChoice;
  std::int16_t imageMode;  // 1 gray, 3 RGB, 10 gray 16-bit, 11 RGB 16-bit
  bool png = false;        // the PNG instead of either TIFF
  // Preferences' options; the size choice above replaces theirs.
  fill::FillOptions options{};
};

// Every size choice of both textures into RGB, and the goal cases into gray.
std::vector<FillCase> fillCases();
const std::string& texturePath(const FillCase& fillCase);

struct FillTiming {
  bool ok = false;
  int continues = 0;
  double startSeconds = 0;     // Parameters, Prepare and Start
  double continueSeconds = 0;  // every Continue
  // Processor time of every thread during the Continues: the fills that
  // share a band's rows among the cores, measured so that other processes
  // on a shared machine do not inflate it as they do the wall clock.
  double continueProcessorSeconds = 0;
  double finishSeconds = 0;
};

// One whole filter run of the document the host holds, selector by selector
// as an image editor makes it, with the timings of its parts.
FillTiming runFill(simhost::SimulatedHost& host, const FillCase& fillCase);

// The Preferences swatch (160 x 160, from the 2048 x 2048 PNG, turned) with
// the given repeat, drawn once, then timed as each redraw changes the scale
// by one percent either way, the most a keystroke can ask for.
// range(0): the scale in percent.
void redrawSwatchAsScaleChanges(benchmark::State& state, std::int32_t repeat);

}  // namespace bench
