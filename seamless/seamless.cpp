#include "seamless/seamless.h"

#include "seamless/border_cut.h"
#include "seamless/flatten.h"
#include "seamless/periodic_smooth.h"
#include "seamless/progress_meter.h"

namespace seamless {
namespace {

Refusal refusalOf(const Picture& picture, const Options& options) {
  if (picture.pixels == nullptr || picture.width < 1 || picture.height < 1) return Refusal::noPixels;
  if ((picture.channels != 1 && picture.channels != 3) || (picture.sampleBytes != 1 && picture.sampleBytes != 2) ||
      (options.method != Method::smooth && options.method != Method::cut)) {
    return Refusal::badLayout;
  }
  if (picture.width > kMaxSide || picture.height > kMaxSide ||
      static_cast<std::int64_t>(picture.width) * picture.height > kMaxPixels) {
    return Refusal::tooLarge;
  }
  return Refusal::none;
}

}  // namespace

Result makeSeamless(Picture& picture, const Options& options, const Progress& progress) {
  const Refusal refusal = refusalOf(picture, options);
  if (refusal != Refusal::none) return {Outcome::refused, refusal};
  const bool cut = options.method == Method::cut;
  ProgressMeter meter(progress, (options.flatten ? flattenUnits(picture) : 0) + (cut ? cutUnits(picture) : 0) +
                                    smoothUnits(picture));
  Outcome outcome = Outcome::done;
  if (options.flatten) outcome = flattenLighting(picture, meter);
  if (outcome == Outcome::done && cut) outcome = cutAcrossBorders(picture, meter);
  if (outcome == Outcome::done) outcome = keepPeriodicComponent(picture, meter);
  return {outcome, Refusal::none};
}

const char* describeResult(const Result& result) {
  switch (result.outcome) {
    case Outcome::done: return "done";
    case Outcome::outOfMemory: return "not enough memory to make the picture seamless";
    case Outcome::aborted: return "stopped before the picture was made seamless";
    case Outcome::refused: break;
  }
  switch (result.refusal) {
    case Refusal::noPixels: return "the picture is empty";
    case Refusal::badLayout: return "only gray or RGB pictures of 8 or 16 bits a sample can be made seamless";
    case Refusal::tooLarge: return "the picture is too large to be made seamless (at most 32767 pixels a side and 268 million pixels)";
    case Refusal::none: break;
  }
  return "refused";
}

}  // namespace seamless
