#include "tools/texfill/seamless_image.h"

#include "tools/texfill/terminal.h"

namespace texfill {

bool parseSeamlessMethod(const std::string& text, seamless::Method& method) {
  for (int i = 0; i < seamless::kMethodCount; ++i) {
    if (text == seamless::kMethodNames[i]) {
      method = static_cast<seamless::Method>(i);
      return true;
    }
  }
  return false;
}

bool makeImageSeamless(Image& image, const seamless::Options& options, bool& aborted, std::string& error) {
  seamless::Picture picture{image.pixels.data(), image.width, image.height, image.channels, image.sampleBytes};
  const seamless::Progress progress{
      [](void*, std::int32_t done, std::int32_t total) { reportProgress(done, total); },
      [](void*) { return abortRequested() != 0; }, nullptr};
  setProgressLabel("making seamless");
  const seamless::Result result = seamless::makeSeamless(picture, options, progress);
  endProgress();
  setProgressLabel("filling");
  aborted = result.outcome == seamless::Outcome::aborted;
  if (result.outcome != seamless::Outcome::done) error = seamless::describeResult(result);
  return result.outcome == seamless::Outcome::done;
}

}  // namespace texfill
