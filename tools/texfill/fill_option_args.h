// The fill options of `texfill fill` and `texfill preview --swatch`: the
// same words, the same ranges and the same messages in both.
#pragma once

#include <string>
#include <vector>

#include "fill/fill_options.h"
#include "tools/texfill/cli.h"

namespace texfill {

// --scale PERCENT, --angle DEGREES, --offset X,Y, --repeat tile|mirror|random,
// --seed N, --cell PERCENT and --make-seamless, for parseArgs.
const std::vector<OptionSpec>& fillOptionSpecs();

// Reads those of them that were given into `options`; false with a message
// naming the option for a value outside its range or not a number.
bool readFillOptions(const ParsedArgs& parsed, fill::FillOptions& options, std::string& error);

}  // namespace texfill
