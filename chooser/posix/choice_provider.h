// The chooser of native builds: whoever drives the plug-in (a test or the
// command-line host) says in advance what the user would pick.
#pragma once

#include <string>

#include "fill/fill_options.h"

namespace chooser {

struct ProvidedChoice {
  int status = 1;  // DialogStatus to answer: 1 chosen, 2 cancelled, 0 failed
  std::string fileName;
  fill::FillOptions options;
};

void provideChoice(const ProvidedChoice& choice);
// How many times the chooser has run since the process started.
int chooserRuns();

}  // namespace chooser
