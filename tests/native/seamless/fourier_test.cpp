// The transforms against the definition, summed in double, and our cos and
// sin against the C library's.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <complex>
#include <cstdint>
#include <vector>

#include "seamless/fourier.h"
#include "seamless/lane_fourier.h"
#include "seamless/unit_root.h"

namespace {

TEST(UnitRoot, AgreesWithTheLibraryAndIsExactAtQuarterTurns) {
  for (int n : {1, 2, 3, 4, 7, 8, 12, 360, 1024, 4099, 32767}) {
    for (int k = -n; k < 2 * n; k += (n > 64 ? n / 61 : 1)) {
      const seamless::UnitRoot root = seamless::unitRoot(k, n);
      // From k reduced first; the reference's angle is itself rounded, by
      // up to 2 pi times half a unit in the last place, hence the margin
      // (valgrind runs long double as double, so it is no way out).
      const double angle = 2.0 * M_PI * double(((k % n) + n) % n) / n;
      EXPECT_NEAR(root.cosine, std::cos(angle), 1e-15) << k << "/" << n;
      EXPECT_NEAR(root.sine, std::sin(angle), 1e-15) << k << "/" << n;
    }
  }
  EXPECT_EQ(seamless::unitRoot(1, 4).cosine, 0.0);
  EXPECT_EQ(seamless::unitRoot(2, 4).sine, 0.0);
  EXPECT_EQ(seamless::unitRoot(3, 4).sine, -1.0);
}

// The largest distance of `output` from the definition's transform of
// `input`, summed in double.
double errorFromDefinition(const std::vector<std::complex<double>>& input,
                           const std::vector<std::complex<double>>& output, bool inverse) {
  const int length = int(input.size());
  double largest = 0.0;
  for (int k = 0; k < length; ++k) {
    std::complex<double> sum = 0.0;
    for (int i = 0; i < length; ++i) {
      const double angle = (inverse ? 2.0 : -2.0) * M_PI * double((std::int64_t(i) * k) % length) / length;
      sum += input[i] * std::polar(1.0, angle);
    }
    largest = std::max(largest, std::abs(sum - output[k]));
  }
  return largest;
}

// Single precision: the error grows with the values (|x| <= 50), the
// square root of the length and the number of passes.
double allowedError(int length) { return 1e-5 * 50 * std::sqrt(double(length)) * (1 + std::log2(double(length))); }

// Direct lengths (factors up to 31) and lengths through the chirp (a larger
// prime factor), both directions; one at a time, and in lanes, each lane
// with values of its own.
TEST(Fourier, TransformsAsTheDefinitionSays) {
  for (int length : {1, 2, 3, 5, 8, 12, 31, 37, 64, 97, 210, 257, 360, 1024}) {
    for (bool inverse : {false, true}) {
      seamless::FourierPlan* plan = seamless::createFourierPlan(length, inverse);
      ASSERT_NE(plan, nullptr);
      EXPECT_TRUE(seamless::usesOwnTwiddles(plan)) << length;
      std::vector<seamless::Complex> input(length), output(length);
      for (int i = 0; i < length; ++i) input[i] = {float((i * 37) % 101) - 50.0f, float((i * 11) % 23) - 9.0f};
      seamless::transform(plan, input.data(), output.data());
      std::vector<std::complex<double>> in(length), out(length);
      for (int i = 0; i < length; ++i) {
        in[i] = {input[i].real, input[i].imaginary};
        out[i] = {output[i].real, output[i].imaginary};
      }
      EXPECT_LT(errorFromDefinition(in, out, inverse), allowedError(length))
          << length << (inverse ? " inverse" : " forward");
      seamless::destroyFourierPlan(plan);

      seamless::LanePlan* lanePlan = seamless::createLanePlan(length, inverse);
      ASSERT_NE(lanePlan, nullptr);
      std::vector<seamless::LaneComplex> laneInput(length), laneOutput(length);
      for (int i = 0; i < length; ++i) {
        for (int lane = 0; lane < seamless::kLaneCount; ++lane) {
          laneInput[i].real[lane] = float((i * (37 + lane) + lane) % 101) - 50.0f;
          laneInput[i].imaginary[lane] = float((i * 11 + 5 * lane) % 23) - 9.0f;
        }
      }
      seamless::transformLanes(lanePlan, laneInput.data(), laneOutput.data());
      for (int lane = 0; lane < seamless::kLaneCount; ++lane) {
        for (int i = 0; i < length; ++i) {
          in[i] = {laneInput[i].real[lane], laneInput[i].imaginary[lane]};
          out[i] = {laneOutput[i].real[lane], laneOutput[i].imaginary[lane]};
        }
        EXPECT_LT(errorFromDefinition(in, out, inverse), allowedError(length))
            << length << (inverse ? " inverse" : " forward") << " in lane " << lane;
      }
      seamless::destroyLanePlan(lanePlan);
    }
  }
}

}  // namespace
