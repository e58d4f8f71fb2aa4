#include "seamless/unit_root.h"

namespace seamless {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Taylor series to the 17th and 18th powers: on [0, pi/4] the first term
// left out is below 1e-18, far under half a unit in the last place.
UnitRoot firstOctant(double x) {
  const double square = x * x;
  double sine = 1.0;
  double cosine = 1.0;
  for (int term = 17; term >= 3; term -= 2) sine = 1.0 - square / (term * (term - 1)) * sine;
  for (int term = 18; term >= 2; term -= 2) cosine = 1.0 - square / (term * (term - 1)) * cosine;
  return {cosine, x * sine};
}

}  // namespace

UnitRoot unitRoot(std::int64_t k, std::int64_t n) {
  // The angle is 2 pi numerator / denominator, folded into [0, pi/4] with
  // whole-number steps so that every build folds it alike.
  std::int64_t numerator = k % n;
  if (numerator < 0) numerator += n;
  std::int64_t denominator = n;
  double sineSign = 1.0;
  double cosineSign = 1.0;
  bool swapped = false;
  if (2 * numerator > denominator) {  // past half a turn: reflect
    numerator = denominator - numerator;
    sineSign = -1.0;
  }
  if (4 * numerator > denominator) {  // past a quarter: pi minus the angle
    numerator = denominator - 2 * numerator;
    denominator *= 2;
    cosineSign = -1.0;
  }
  if (8 * numerator > denominator) {  // past an eighth: pi/2 minus the angle
    numerator = denominator - 4 * numerator;
    denominator *= 4;
    swapped = true;
  }
  const UnitRoot folded = firstOctant(kTwoPi * static_cast<double>(numerator) / static_cast<double>(denominator));
  const double cosine = swapped ? folded.sine : folded.cosine;
  const double sine = swapped ? folded.cosine : folded.sine;
  return {cosineSign * cosine, sineSign * sine};
}

}  // namespace seamless
