#include "seamless/lane_fourier.h"

#include <cstddef>

#include "platform/platform.h"
#include "seamless/fourier.h"
#include "seamless/unit_root.h"

namespace seamless {
namespace {

// Lengths whose prime factors are all at most this are split into mixed
// radices here; any other goes lane by lane through the scalar transform,
// which takes such lengths through Bluestein's chirp.
constexpr std::int32_t kLargestLaneFactor = 31;
constexpr std::int32_t kMostFactors = 32;  // 2^31 > any length taken

LaneComplex operator+(const LaneComplex& a, const LaneComplex& b) {
  return {a.real + b.real, a.imaginary + b.imaginary};
}
LaneComplex operator-(const LaneComplex& a, const LaneComplex& b) {
  return {a.real - b.real, a.imaginary - b.imaginary};
}
// Every lane times the same twiddle.
LaneComplex operator*(const LaneComplex& a, const Complex& w) {
  return {a.real * w.real - a.imaginary * w.imaginary, a.real * w.imaginary + a.imaginary * w.real};
}

}  // namespace

// Mixed-radix decimation in time (J. W. Cooley and J. W. Tukey, "An
// algorithm for the machine calculation of complex Fourier series", 1965;
// R. C. Singleton, "An algorithm for computing the mixed radix fast Fourier
// transform", 1969): a transform of n = p m is p transforms of length m over
// every p-th point, joined by butterflies of radix p.
struct LanePlan {
  std::int32_t length;
  bool inverse;
  std::int32_t factors[kMostFactors];  // radices, the outermost first: 4s, then 2, then odd primes
  std::int32_t parts[kMostFactors];    // the length of each transform a level joins
  Complex* twiddles;                   // length values: exp(-+ 2 pi i j / length)
  // The twiddles of every radix-4 level in the order its butterflies take
  // them, each in every lane: for u = 1 .. part - 1, those of u, 2 u, 3 u.
  LaneComplex* spread;
  std::int32_t spreadAt[kMostFactors];  // where each radix-4 level's start in spread
  FourierPlan* single;                 // for a larger prime factor: the scalar transform
  Complex* singleInput;
  Complex* singleOutput;
};

namespace {

bool factorize(std::int32_t length, std::int32_t* factors) {
  std::int32_t count = 0;
  std::int32_t rest = length;
  while (rest % 4 == 0) {
    factors[count++] = 4;
    rest /= 4;
  }
  for (std::int32_t p = 2; rest > 1 && p <= kLargestLaneFactor; ++p) {
    while (rest % p == 0) {
      factors[count++] = p;
      rest /= p;
    }
  }
  return rest == 1;
}

void butterfly2(LaneComplex* out, std::int32_t part, std::size_t stride, const Complex* twiddles) {
  const LaneComplex first = out[part];  // the twiddle of u = 0 is 1
  out[part] = out[0] - first;
  out[0] = out[0] + first;
  for (std::int32_t u = 1; u < part; ++u) {
    const LaneComplex t = out[u + part] * twiddles[u * stride];
    out[u + part] = out[u] - t;
    out[u] = out[u] + t;
  }
}

// The four-point transform of a0 .. a3 (already turned by their twiddles).
template <bool inverse>
inline __attribute__((always_inline)) void fourPoints(const LaneComplex a0, const LaneComplex a1,
                                                      const LaneComplex a2, const LaneComplex a3, LaneComplex* out,
                                                      std::int32_t part) {
  const LaneComplex b0 = a0 + a2;
  const LaneComplex b1 = a0 - a2;
  const LaneComplex b2 = a1 + a3;
  const LaneComplex b3 = a1 - a3;
  // b3 turned a quarter: by -i forward, by +i inverse.
  const LaneComplex turned = inverse ? LaneComplex{-b3.imaginary, b3.real} : LaneComplex{b3.imaginary, -b3.real};
  out[0] = b0 + b2;
  out[part] = b1 + turned;
  out[2 * part] = b0 - b2;
  out[3 * part] = b1 - turned;
}

// Every lane times its own twiddle (the same in every lane).
LaneComplex operator*(const LaneComplex& a, const LaneComplex& w) {
  return {a.real * w.real - a.imaginary * w.imaginary, a.real * w.imaginary + a.imaginary * w.real};
}

template <bool inverse>
void butterfly4(LaneComplex* out, std::int32_t part, const LaneComplex* spread) {
  fourPoints<inverse>(out[0], out[part], out[2 * part], out[3 * part], out, part);  // twiddles of u = 0 are 1
  for (std::int32_t u = 1; u < part; ++u, spread += 3) {
    fourPoints<inverse>(out[u], out[u + part] * spread[0], out[u + 2 * part] * spread[1],
                        out[u + 3 * part] * spread[2], out + u, part);
  }
}

// Any radix up to kLargestLaneFactor, as the definition: p^2 products.
void butterflyAny(LaneComplex* out, std::int32_t radix, std::int32_t part, std::size_t stride, std::int32_t length,
                  const Complex* twiddles) {
  LaneComplex taken[kLargestLaneFactor];
  const std::size_t turn = static_cast<std::size_t>(part) * stride;  // exp(-+2 pi i / radix) is twiddles[turn]
  for (std::int32_t u = 0; u < part; ++u) {
    taken[0] = out[u];
    for (std::int32_t k = 1; k < radix; ++k) taken[k] = out[u + k * part] * twiddles[u * stride * k];
    for (std::int32_t q = 0; q < radix; ++q) {
      LaneComplex sum = taken[0];
      const std::size_t step = (static_cast<std::size_t>(q) * turn) % static_cast<std::size_t>(length);
      std::size_t index = 0;
      for (std::int32_t k = 1; k < radix; ++k) {
        index += step;
        if (index >= static_cast<std::size_t>(length)) index -= static_cast<std::size_t>(length);
        sum = sum + taken[k] * twiddles[index];
      }
      out[u + q * part] = sum;
    }
  }
}

template <bool inverse>
void work(const LanePlan& plan, LaneComplex* out, const LaneComplex* in, std::size_t stride, std::int32_t level) {
  const std::int32_t radix = plan.factors[level];
  const std::int32_t part = plan.parts[level];
  if (part == 1 && radix == 4) {
    fourPoints<inverse>(in[0], in[stride], in[2 * stride], in[3 * stride], out, 1);
    return;
  }
  if (part == 1) {
    for (std::int32_t k = 0; k < radix; ++k) out[k] = in[k * stride];
  } else if (part == 4 && plan.factors[level + 1] == 4) {
    // The last level of radix 4, without a call for each four points.
    const std::size_t next = stride * radix;
    for (std::int32_t k = 0; k < radix; ++k) {
      const LaneComplex* from = in + k * stride;
      fourPoints<inverse>(from[0], from[next], from[2 * next], from[3 * next], out + 4 * k, 1);
    }
  } else {
    for (std::int32_t k = 0; k < radix; ++k) {
      work<inverse>(plan, out + k * part, in + k * stride, stride * radix, level + 1);
    }
  }
  switch (radix) {
    case 2: butterfly2(out, part, stride, plan.twiddles); break;
    case 4: butterfly4<inverse>(out, part, plan.spread + plan.spreadAt[level]); break;
    default: butterflyAny(out, radix, part, stride, plan.length, plan.twiddles); break;
  }
}

// The parts of each level, and the radix-4 levels' twiddles spread out.
bool spreadTwiddles(LanePlan* plan) {
  std::int32_t count = 0;
  std::int32_t length = plan->length;
  std::size_t stride = 1;
  for (std::int32_t level = 0; length > 1; ++level) {
    plan->parts[level] = length / plan->factors[level];
    plan->spreadAt[level] = count;
    if (plan->factors[level] == 4) count += 3 * (plan->parts[level] - 1);
    length = plan->parts[level];
  }
  plan->spread = static_cast<LaneComplex*>(
      platform::allocateMemory(sizeof(LaneComplex) * static_cast<std::size_t>(count > 0 ? count : 1)));
  if (plan->spread == nullptr) return false;
  length = plan->length;
  for (std::int32_t level = 0; length > 1; ++level) {
    if (plan->factors[level] == 4) {
      LaneComplex* at = plan->spread + plan->spreadAt[level];
      for (std::int32_t u = 1; u < plan->parts[level]; ++u) {
        for (std::int32_t j = 1; j <= 3; ++j) {
          const Complex w = plan->twiddles[static_cast<std::size_t>(j) * u * stride];
          *at++ = {Lanes{} + w.real, Lanes{} + w.imaginary};
        }
      }
    }
    stride *= static_cast<std::size_t>(plan->factors[level]);
    length = plan->parts[level];
  }
  return true;
}

void transformEachLane(LanePlan* plan, const LaneComplex* input, LaneComplex* output) {
  for (std::int32_t lane = 0; lane < kLaneCount; ++lane) {
    for (std::int32_t k = 0; k < plan->length; ++k) {
      plan->singleInput[k] = {input[k].real[lane], input[k].imaginary[lane]};
    }
    transform(plan->single, plan->singleInput, plan->singleOutput);
    for (std::int32_t k = 0; k < plan->length; ++k) {
      output[k].real[lane] = plan->singleOutput[k].real;
      output[k].imaginary[lane] = plan->singleOutput[k].imaginary;
    }
  }
}

Complex* allocateLine(std::int32_t length) {
  return static_cast<Complex*>(platform::allocateMemory(sizeof(Complex) * static_cast<std::size_t>(length)));
}

}  // namespace

LanePlan* createLanePlan(std::int32_t length, bool inverse, const LanePlan* like) {
  if (length < 1) return nullptr;
  auto* plan = static_cast<LanePlan*>(platform::allocateMemory(sizeof(LanePlan)));
  if (plan == nullptr) return nullptr;
  *plan = LanePlan{};
  plan->length = length;
  plan->inverse = inverse;
  bool ok = true;
  if (length == 1) {
    // Nothing to transform.
  } else if (factorize(length, plan->factors)) {
    plan->twiddles = allocateLine(length);
    ok = plan->twiddles != nullptr;
    if (ok && like != nullptr && like->length == length && like->twiddles != nullptr) {
      // The other direction's twiddles are the conjugates.
      const float sign = like->inverse == inverse ? 1.0f : -1.0f;
      for (std::int32_t j = 0; j < length; ++j) {
        plan->twiddles[j] = {like->twiddles[j].real, sign * like->twiddles[j].imaginary};
      }
    } else {
      for (std::int32_t j = 0; ok && j < length; ++j) {
        const UnitRoot root = unitRoot(j, length);
        plan->twiddles[j] = {static_cast<float>(root.cosine), static_cast<float>(inverse ? root.sine : -root.sine)};
      }
    }
    ok = ok && spreadTwiddles(plan);
  } else {
    plan->single = createFourierPlan(length, inverse);
    plan->singleInput = allocateLine(length);
    plan->singleOutput = allocateLine(length);
    ok = plan->single != nullptr && plan->singleInput != nullptr && plan->singleOutput != nullptr;
  }
  if (!ok) {
    destroyLanePlan(plan);
    return nullptr;
  }
  return plan;
}

void destroyLanePlan(LanePlan* plan) {
  if (plan == nullptr) return;
  platform::releaseMemory(plan->twiddles);
  platform::releaseMemory(plan->spread);
  destroyFourierPlan(plan->single);
  platform::releaseMemory(plan->singleInput);
  platform::releaseMemory(plan->singleOutput);
  platform::releaseMemory(plan);
}

void transformLanes(LanePlan* plan, const LaneComplex* input, LaneComplex* output) {
  if (plan->length == 1) {
    output[0] = input[0];
  } else if (plan->single != nullptr) {
    transformEachLane(plan, input, output);
  } else if (plan->inverse) {
    work<true>(*plan, output, input, 1, 0);
  } else {
    work<false>(*plan, output, input, 1, 0);
  }
}

}  // namespace seamless
