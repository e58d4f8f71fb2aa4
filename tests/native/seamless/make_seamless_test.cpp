// makeSeamless: the periodic component against a dense solution of its
// defining equations, the seam ratio of every method's output, the sizes at
// the edges, and the ways out (refusal, abort, out of memory).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/posix/platform_posix_test.h"
#include "seamless/seamless.h"
#include "tests/native/seamless/seam_ratio.h"

namespace {

struct TestPicture {
  int width, height, channels, sampleBytes;
  std::vector<std::uint8_t> bytes;

  TestPicture(int width, int height, int channels, int sampleBytes)
      : width(width), height(height), channels(channels), sampleBytes(sampleBytes),
        bytes(std::size_t(width) * height * channels * sampleBytes) {}
  std::size_t index(int x, int y, int c) const { return (std::size_t(y) * width + x) * channels + c; }
  int at(int x, int y, int c) const {
    if (sampleBytes == 1) return bytes[index(x, y, c)];
    std::uint16_t v;
    std::memcpy(&v, &bytes[2 * index(x, y, c)], 2);
    return v;
  }
  void set(int x, int y, int c, int value) {
    if (sampleBytes == 1) {
      bytes[index(x, y, c)] = std::uint8_t(value);
    } else {
      const std::uint16_t v = std::uint16_t(value);
      std::memcpy(&bytes[2 * index(x, y, c)], &v, 2);
    }
  }
  seamless::Picture view() { return {bytes.data(), width, height, channels, sampleBytes}; }
};

double seamRatio(const TestPicture& p) {
  return seamtest::seamRatio(p.width, p.height, p.channels, [&p](int x, int y, int c) { return p.at(x, y, c); });
}

// A surface photographed under light from one side: grain, a blotchy
// middle scale, stripes whose period does not divide the picture, and a
// brightness gradient. None of it repeats with the picture's period.
TestPicture surface(int width, int height, int channels, int sampleBytes, unsigned seed) {
  TestPicture picture(width, height, channels, sampleBytes);
  const double top = sampleBytes == 2 ? 65535.0 : 255.0;
  unsigned state = seed;
  auto random = [&state] {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1u << 24);
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double grain = random() - 0.5;
      const double stripes = std::sin(x * 0.37 + y * 0.05) * std::sin(y * 0.11);
      const double light = 0.45 * x / width + 0.25 * y / height;
      for (int c = 0; c < channels; ++c) {
        const double v = 0.2 + light + 0.12 * stripes + 0.08 * grain + 0.03 * c;
        picture.set(x, y, c, int(std::lround(std::min(1.0, std::max(0.0, v)) * top)));
      }
    }
  }
  return picture;
}

// The periodic component p of u, from its definition: p's periodic
// Laplacian is u's Laplacian over neighbours inside the picture, and p
// keeps u's mean. The Laplacian equations sum to zero, so the first is
// replaced by the mean. Dense Gaussian elimination with partial pivoting.
std::vector<double> densePeriodicComponent(const TestPicture& u, int c) {
  const int w = u.width, h = u.height, n = w * h;
  std::vector<double> a(std::size_t(n) * (n + 1), 0.0);
  auto cell = [&](int row, int column) -> double& { return a[std::size_t(row) * (n + 1) + column]; };
  double mean = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int i = y * w + x;
      mean += u.at(x, y, c);
      const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& nb : neighbours) {
        const int px = (nb[0] + w) % w, py = (nb[1] + h) % h;
        cell(i, py * w + px) += 1;
        cell(i, i) -= 1;
        if (nb[0] >= 0 && nb[0] < w && nb[1] >= 0 && nb[1] < h) cell(i, n) += u.at(nb[0], nb[1], c) - u.at(x, y, c);
      }
    }
  }
  for (int j = 0; j <= n; ++j) cell(0, j) = j < n ? 1.0 : mean;
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r) {
      if (std::abs(cell(r, col)) > std::abs(cell(pivot, col))) pivot = r;
    }
    for (int j = 0; j <= n; ++j) std::swap(cell(col, j), cell(pivot, j));
    for (int r = 0; r < n; ++r) {
      if (r == col || cell(r, col) == 0) continue;
      const double f = cell(r, col) / cell(col, col);
      for (int j = col; j <= n; ++j) cell(r, j) -= f * cell(col, j);
    }
  }
  std::vector<double> p(n);
  for (int i = 0; i < n; ++i) p[i] = cell(i, n) / cell(i, i);
  return p;
}

const seamless::Progress kNoProgress{nullptr, nullptr, nullptr};

struct Size {
  int width, height, channels, sampleBytes;
};

// Odd, prime, one-pixel and chirp-transformed (a prime factor over 31) sides.
TEST(MakeSeamless, BordersAreTheDenseSolutionsPeriodicComponentAndTheMiddleIsKept) {
  for (const Size& s : {Size{1, 6, 1, 1}, Size{6, 1, 3, 2}, Size{5, 4, 1, 2}, Size{7, 3, 3, 1},
                        Size{8, 8, 3, 2}, Size{13, 11, 1, 1}, Size{37, 3, 1, 2}, Size{4, 41, 3, 1}}) {
    TestPicture u(s.width, s.height, s.channels, s.sampleBytes);
    const int low = s.sampleBytes == 2 ? 20000 : 80, span = s.sampleBytes == 2 ? 25000 : 90;
    unsigned state = 7u * s.width + s.height;
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        for (int c = 0; c < s.channels; ++c) {
          state = state * 1103515245u + 12345u;
          u.set(x, y, c, low + int((state >> 8) % unsigned(span)));
        }
    TestPicture p = u;
    seamless::Picture view = p.view();
    const seamless::Result result = seamless::makeSeamless(view, {seamless::Method::smooth, false}, kNoProgress);
    ASSERT_EQ(result.outcome, seamless::Outcome::done);
    // The periodic component on the borders, the picture itself in the
    // middle half, and in between something between the two.
    auto fromBorder = [](int i, int side) { return std::min(i, side - 1 - i); };
    for (int c = 0; c < s.channels; ++c) {
      const std::vector<double> periodic = densePeriodicComponent(u, c);
      for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
          const double expected = periodic[y * s.width + x];
          const int own = u.at(x, y, c), made = p.at(x, y, c);
          const bool middle = fromBorder(x, s.width) >= s.width / 4 && fromBorder(y, s.height) >= s.height / 4 &&
                              s.width >= 4 && s.height >= 4;
          if (fromBorder(x, s.width) == 0 || fromBorder(y, s.height) == 0) {
            ASSERT_NEAR(made, expected, 0.52) << s.width << "x" << s.height << " channel " << c << " at " << x << "," << y;
          } else if (middle) {
            ASSERT_EQ(made, own) << s.width << "x" << s.height << " channel " << c << " at " << x << "," << y;
          } else {
            ASSERT_GE(made, std::min<double>(own, expected) - 0.52) << x << "," << y;
            ASSERT_LE(made, std::max<double>(own, expected) + 0.52) << x << "," << y;
          }
        }
    }
  }
}

// 300 x 140 is shared out over the cores, in more than one run of rows
// and of columns.
TEST(MakeSeamless, EveryMethodLeavesNoSeam) {
  for (const Size& s : {Size{96, 64, 3, 1}, Size{80, 80, 1, 2}, Size{131, 47, 3, 2}, Size{20, 33, 1, 1},
                        Size{300, 140, 3, 1}}) {
    const TestPicture input = surface(s.width, s.height, s.channels, s.sampleBytes, 11u + s.width);
    ASSERT_GT(seamRatio(input), 2.0);
    for (seamless::Method method : {seamless::Method::smooth, seamless::Method::cut}) {
      for (bool flatten : {false, true}) {
        TestPicture output = input;
        seamless::Picture view = output.view();
        ASSERT_EQ(seamless::makeSeamless(view, {method, flatten}, kNoProgress).outcome, seamless::Outcome::done);
        EXPECT_LE(seamRatio(output), 1.1) << s.width << "x" << s.height << " method " << int(method)
                                          << (flatten ? " flattened" : "");
      }
    }
  }
}

struct Refused {
  seamless::Picture picture;
  seamless::Refusal refusal;
};

TEST(MakeSeamless, RefusesWhatItCannotTakeAndHandlesTheSmallest) {
  std::uint8_t dummy[8] = {};
  for (const Refused& r : {Refused{{nullptr, 4, 4, 3, 1}, seamless::Refusal::noPixels},
                           Refused{{dummy, 0, 4, 3, 1}, seamless::Refusal::noPixels},
                           Refused{{dummy, 2, -1, 1, 1}, seamless::Refusal::noPixels},
                           Refused{{dummy, 1, 1, 2, 1}, seamless::Refusal::badLayout},
                           Refused{{dummy, 1, 1, 4, 1}, seamless::Refusal::badLayout},
                           Refused{{dummy, 1, 1, 3, 3}, seamless::Refusal::badLayout},
                           Refused{{dummy, 32768, 1, 1, 1}, seamless::Refusal::tooLarge},
                           Refused{{dummy, 32767, 32767, 3, 1}, seamless::Refusal::tooLarge}}) {
    seamless::Picture picture = r.picture;
    const seamless::Result result = seamless::makeSeamless(picture, {seamless::Method::cut, true}, kNoProgress);
    EXPECT_EQ(result.outcome, seamless::Outcome::refused);
    EXPECT_EQ(result.refusal, r.refusal);
    EXPECT_STRNE(seamless::describeResult(result), "refused");
  }
  TestPicture single(1, 1, 3, 2);
  single.set(0, 0, 0, 40000);
  seamless::Picture view = single.view();
  ASSERT_EQ(seamless::makeSeamless(view, {seamless::Method::cut, true}, kNoProgress).outcome, seamless::Outcome::done);
  EXPECT_EQ(single.at(0, 0, 0), 40000);

  // The widest row the readers give: its length has the prime factor 151.
  TestPicture row = surface(32767, 1, 3, 1, 5u);
  view = row.view();
  ASSERT_EQ(seamless::makeSeamless(view, {seamless::Method::cut, false}, kNoProgress).outcome, seamless::Outcome::done);
  EXPECT_LE(seamRatio(row), 1.1);
}

struct Calls {
  int reports = 0;
  int abortAt = -1;
  std::int32_t lastDone = -1, lastTotal = 0;
  bool backwards = false;
};

TEST(MakeSeamless, StopsWhenAskedOrShortOfMemoryAndGivesEveryBlockBack) {
  const TestPicture input = surface(64, 48, 3, 1, 3u);
  const seamless::Progress progress{
      [](void* context, std::int32_t done, std::int32_t total) {
        auto& calls = *static_cast<Calls*>(context);
        calls.backwards |= done < calls.lastDone;
        calls.lastDone = done;
        calls.lastTotal = total;
        ++calls.reports;
      },
      [](void* context) {
        auto& calls = *static_cast<Calls*>(context);
        return calls.reports == calls.abortAt;
      },
      nullptr};
  const long blocks = platform::test::blocksOutstanding();
  Calls whole;
  seamless::Progress counted = progress;
  counted.context = &whole;
  TestPicture output = input;
  seamless::Picture view = output.view();
  const long before = platform::test::allocationsMade();
  ASSERT_EQ(seamless::makeSeamless(view, {seamless::Method::cut, true}, counted).outcome, seamless::Outcome::done);
  const long allocations = platform::test::allocationsMade() - before;
  EXPECT_FALSE(whole.backwards);
  EXPECT_EQ(whole.lastDone, whole.lastTotal);
  for (int stop : {1, whole.reports / 2, whole.reports}) {
    Calls calls;
    calls.abortAt = stop;
    counted.context = &calls;
    output = input;
    view = output.view();
    EXPECT_EQ(seamless::makeSeamless(view, {seamless::Method::cut, true}, counted).outcome,
              seamless::Outcome::aborted);
    EXPECT_EQ(calls.reports, stop);
  }
  for (long k = 1; k <= allocations; ++k) {
    output = input;
    view = output.view();
    platform::test::failOneAllocation(k);
    EXPECT_EQ(seamless::makeSeamless(view, {seamless::Method::cut, true}, kNoProgress).outcome,
              seamless::Outcome::outOfMemory)
        << "allocation " << k;
    platform::test::failOneAllocation(0);
    EXPECT_EQ(platform::test::blocksOutstanding(), blocks);
  }
}

}  // namespace
