// Making a picture read by texfill seamless, with the terminal's progress
// bar and Ctrl-C, for `make-seamless` and `pack --make-seamless`.
#pragma once

#include <string>

#include "seamless/seamless.h"
#include "tools/texfill/image.h"

namespace texfill {

// "smooth" or "cut"; false for anything else.
bool parseSeamlessMethod(const std::string& text, seamless::Method& method);

// False with a reason; `aborted` tells Ctrl-C from the other failures.
bool makeImageSeamless(Image& image, const seamless::Options& options, bool& aborted, std::string& error);

}  // namespace texfill
