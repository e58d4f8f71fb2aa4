#include "seamless/fourier.h"

#include <kiss_fft.h>

#include <cstddef>
#include <cstring>

#include "platform/platform.h"
#include "seamless/unit_root.h"

namespace seamless {

static_assert(sizeof(Complex) == sizeof(kiss_fft_cpx), "Complex is KissFFT's complex value");

namespace {

// KissFFT's state, as its sources lay it out: the length, the direction,
// 32 pairs of factors, then one twiddle per point. The header keeps it
// opaque; it is checked against what kiss_fft_alloc reports before use.
struct KissState {
  int length;
  int inverse;
  int factors[64];
  kiss_fft_cpx twiddles[1];
};
constexpr std::size_t kStateBytesBeforeTwiddles = offsetof(KissState, twiddles);

// Lengths whose largest prime factor exceeds this go through Bluestein's
// chirp: KissFFT does a prime factor p in p operations per point, so a
// picture 4099 pixels wide would cost seventeen million per row.
constexpr std::int32_t kLargestDirectFactor = 31;

std::int32_t largestPrimeFactor(std::int32_t n) {
  std::int32_t largest = 1;
  for (std::int32_t p = 2; static_cast<std::int64_t>(p) * p <= n; ++p) {
    while (n % p == 0) {
      largest = p;
      n /= p;
    }
  }
  return n > 1 ? n : largest;
}

std::int32_t powerOfTwoAtLeast(std::int64_t n) {
  std::int32_t size = 1;
  while (size < n) size *= 2;
  return size;
}

// Overwrites the twiddles kiss_fft_alloc computed with the C library's cos
// and sin; false when the state does not look as expected.
bool replaceTwiddles(void* memory, std::size_t bytes, int length, bool inverse) {
  KissState* state = static_cast<KissState*>(memory);
  if (bytes != kStateBytesBeforeTwiddles + sizeof(kiss_fft_cpx) * static_cast<std::size_t>(length) ||
      state->length != length || state->inverse != (inverse ? 1 : 0)) {
    return false;
  }
  kiss_fft_cpx* twiddles = reinterpret_cast<kiss_fft_cpx*>(static_cast<unsigned char*>(memory) +
                                                          kStateBytesBeforeTwiddles);
  for (int i = 0; i < length; ++i) {
    const UnitRoot root = unitRoot(i, length);
    twiddles[i].r = static_cast<float>(root.cosine);
    twiddles[i].i = static_cast<float>(inverse ? root.sine : -root.sine);
  }
  return true;
}

struct KissPlan {
  kiss_fft_cfg config;
  bool ownTwiddles;
};

bool createKissPlan(std::int32_t length, bool inverse, KissPlan& plan) {
  std::size_t bytes = 0;
  kiss_fft_alloc(length, inverse ? 1 : 0, nullptr, &bytes);
  void* memory = platform::allocateMemory(bytes);
  if (memory == nullptr) return false;
  plan.config = kiss_fft_alloc(length, inverse ? 1 : 0, memory, &bytes);
  if (plan.config == nullptr) {
    platform::releaseMemory(memory);
    return false;
  }
  plan.ownTwiddles = replaceTwiddles(memory, bytes, length, inverse);
  return true;
}

}  // namespace

struct FourierPlan {
  std::int32_t length;
  bool inverse;
  KissPlan direct;  // of `length`, or of the chirp's convolution length
  // Bluestein (L. Bluestein, "A linear filtering approach to the
  // computation of discrete Fourier transform", 1970): a transform of any
  // length as a cyclic convolution with the chirp exp(i pi k^2 / length),
  // done with transforms of a power of two.
  std::int32_t convolutionLength;  // 0: transformed directly
  KissPlan backward;
  Complex* chirp;          // length values: exp(-+ i pi k^2 / length)
  Complex* chirpSpectrum;  // convolutionLength values, scaled by 1 / convolutionLength
  Complex* work;           // 2 x convolutionLength values
};

namespace {

Complex multiply(Complex a, Complex b) {
  return {a.real * b.real - a.imaginary * b.imaginary, a.real * b.imaginary + a.imaginary * b.real};
}

bool prepareChirp(FourierPlan* plan) {
  const std::int32_t n = plan->length;
  const std::int32_t m = plan->convolutionLength;
  plan->chirp = static_cast<Complex*>(platform::allocateMemory(sizeof(Complex) * static_cast<std::size_t>(n)));
  plan->chirpSpectrum = static_cast<Complex*>(platform::allocateMemory(sizeof(Complex) * static_cast<std::size_t>(m)));
  plan->work = static_cast<Complex*>(platform::allocateMemory(sizeof(Complex) * 2 * static_cast<std::size_t>(m)));
  if (plan->chirp == nullptr || plan->chirpSpectrum == nullptr || plan->work == nullptr) return false;
  if (!createKissPlan(m, false, plan->direct) || !createKissPlan(m, true, plan->backward)) return false;
  const double sign = plan->inverse ? 1.0 : -1.0;
  for (std::int32_t k = 0; k < n; ++k) {
    // exp(sign i pi k^2 / n) = exp(sign 2 pi i (k^2 mod 2n) / 2n)
    const std::int64_t square = static_cast<std::int64_t>(k) * k % (2 * static_cast<std::int64_t>(n));
    const UnitRoot root = unitRoot(square, 2 * static_cast<std::int64_t>(n));
    plan->chirp[k] = {static_cast<float>(root.cosine), static_cast<float>(sign * root.sine)};
  }
  // The filter is the conjugate chirp at -n+1 .. n-1, wrapped around m.
  Complex* filter = plan->work;
  std::memset(filter, 0, sizeof(Complex) * static_cast<std::size_t>(m));
  for (std::int32_t k = 0; k < n; ++k) {
    const Complex value{plan->chirp[k].real, -plan->chirp[k].imaginary};
    filter[k] = value;
    if (k > 0) filter[m - k] = value;
  }
  kiss_fft(plan->direct.config, reinterpret_cast<const kiss_fft_cpx*>(filter),
           reinterpret_cast<kiss_fft_cpx*>(plan->chirpSpectrum));
  const float scale = 1.0f / static_cast<float>(m);
  for (std::int32_t k = 0; k < m; ++k) {
    plan->chirpSpectrum[k].real *= scale;
    plan->chirpSpectrum[k].imaginary *= scale;
  }
  return true;
}

void transformByChirp(FourierPlan* plan, const Complex* input, Complex* output) {
  const std::int32_t n = plan->length;
  const std::int32_t m = plan->convolutionLength;
  Complex* padded = plan->work;
  Complex* spectrum = plan->work + m;
  for (std::int32_t k = 0; k < n; ++k) padded[k] = multiply(input[k], plan->chirp[k]);
  std::memset(padded + n, 0, sizeof(Complex) * static_cast<std::size_t>(m - n));
  kiss_fft(plan->direct.config, reinterpret_cast<const kiss_fft_cpx*>(padded),
           reinterpret_cast<kiss_fft_cpx*>(spectrum));
  for (std::int32_t k = 0; k < m; ++k) spectrum[k] = multiply(spectrum[k], plan->chirpSpectrum[k]);
  kiss_fft(plan->backward.config, reinterpret_cast<const kiss_fft_cpx*>(spectrum),
           reinterpret_cast<kiss_fft_cpx*>(padded));
  for (std::int32_t k = 0; k < n; ++k) output[k] = multiply(padded[k], plan->chirp[k]);
}

}  // namespace

FourierPlan* createFourierPlan(std::int32_t length, bool inverse) {
  if (length < 1) return nullptr;
  auto* plan = static_cast<FourierPlan*>(platform::allocateMemory(sizeof(FourierPlan)));
  if (plan == nullptr) return nullptr;
  *plan = FourierPlan{};
  plan->length = length;
  plan->inverse = inverse;
  bool ok = true;
  if (length == 1) {
    // Nothing to transform; KissFFT is not asked about a length of one.
  } else if (largestPrimeFactor(length) > kLargestDirectFactor) {
    plan->convolutionLength = powerOfTwoAtLeast(2 * static_cast<std::int64_t>(length) - 1);
    ok = prepareChirp(plan);
  } else {
    ok = createKissPlan(length, inverse, plan->direct);
  }
  if (!ok) {
    destroyFourierPlan(plan);
    return nullptr;
  }
  return plan;
}

void destroyFourierPlan(FourierPlan* plan) {
  if (plan == nullptr) return;
  platform::releaseMemory(plan->direct.config);
  platform::releaseMemory(plan->backward.config);
  platform::releaseMemory(plan->chirp);
  platform::releaseMemory(plan->chirpSpectrum);
  platform::releaseMemory(plan->work);
  platform::releaseMemory(plan);
}

void transform(FourierPlan* plan, const Complex* input, Complex* output) {
  if (plan->length == 1) {
    output[0] = input[0];
  } else if (plan->convolutionLength > 0) {
    transformByChirp(plan, input, output);
  } else {
    kiss_fft(plan->direct.config, reinterpret_cast<const kiss_fft_cpx*>(input),
             reinterpret_cast<kiss_fft_cpx*>(output));
  }
}

bool usesOwnTwiddles(const FourierPlan* plan) {
  if (plan->length == 1) return true;
  return plan->direct.ownTwiddles && (plan->convolutionLength == 0 || plan->backward.ownTwiddles);
}

}  // namespace seamless
