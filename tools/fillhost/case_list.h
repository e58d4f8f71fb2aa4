// The list of fill cases that the native and the Windows runner both work
// through. One case a line, fields separated by blanks, '#' starts a comment:
//
//   name texture size origin mode width height top left bottom right [options]
//
// texture: a file name inside the texture directory, or "cancel" / "fail" for
//          a chooser that is cancelled or fails;
// size:    SizeChoice 0..4 (Actual, 512, 256, 128, 64);
// origin:  "doc" (document top-left, 1) or "sel" (selection top-left, 0);
// mode:    "rgb", "gray", "rgb16", "gray16", or an imageMode number (3
//          planes) to test refusal;
// abort=N: the host answers abort at the N-th Continue; abort=start: while
//          Start runs (the pre-scaling polls it);
// expect=R: the overall result code the case should end with (default 0);
// boxes=N: the number of message boxes the run should show (not checked
//          without it);
// case=N:  the host fills the later record fields for filter case N (1..7);
//          4 and 5 hand over the transparency plane with the colour;
// short:   ... but leaves advanceState null, as a host of the short record
//          whose memory after the record happens to look like those fields;
// planes=N: samples a document pixel (after case=);
// blank:   the transparency plane starts fully transparent;
// scale=P, angle=DEG, offset=X,Y, repeat=tile|mirror|random|shapes, seed=N,
// seamless: the fill options, set through Preferences on Windows (so whole
//          degrees only).
#pragma once

#include <string>
#include <vector>

#include "fill/fill_options.h"
#include "tools/fillhost/fill_host.h"

namespace fillhost {

struct FillCase {
  std::string name;
  std::string texture;  // empty for "cancel" and "fail"
  int chooserStatus = 1;  // 1 chosen, 2 cancelled, 0 failed
  fill::FillOptions options;
  FillRequest request;
  int expectedResult = 0;
  int expectedBoxes = -1;  // -1: not checked
};

// Parses the whole list; on a malformed line answers false with the line
// number and the reason in `error`.
bool parseCaseList(const std::string& text, std::vector<FillCase>* cases, std::string* error);

std::string readTextFile(const std::string& path, bool* ok);

}  // namespace fillhost
