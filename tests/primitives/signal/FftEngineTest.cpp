#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "primitives/signal/FftEngine.h"
#include "primitives/signal/FftEngineKernels.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
#include "primitives/signal/FftTransformsKernels.h"
#include "primitives/support/Support.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;
using ld = long double;
using Vec = std::vector<double>;

// A setup whose transform order is `order`: complex from order 4, else a real one of
// order + 1 (it holds the tables of the same complex transform).
struct Spec {
  explicit Spec(int order, int flag = IPP_FFT_NODIV_BY_ANY) {
    if (order >= 4) {
      EXPECT_EQ(ippsFFTInitAlloc_C_64fc(&c, order, flag, ippAlgHintNone), ippStsNoErr);
      s = c;
    } else {
      EXPECT_EQ(ippsFFTInitAlloc_R_64f(&r, order + 1, flag, ippAlgHintNone), ippStsNoErr);
      s = r;
    }
  }
  ~Spec() {
    if (c) ippsFFTFree_C_64fc(c);
    if (r) ippsFFTFree_R_64f(r);
  }
  Spec(const Spec&) = delete;
  Spec& operator=(const Spec&) = delete;
  IppsFFTSpec_C_64fc* c = nullptr;
  IppsFFTSpec_R_64f* r = nullptr;
  const fbFftSpec* s = nullptr;
};

// The complex transform of order n >= 3 as the front ends run it: permutation (in place when
// src == dst), then the radix-4 kernel and its scaling, or the large transform.
void Transform(const fbFftSpec* spec, int n, const double* src, double* dst, bool inverse,
               const fft::Kernels* kernels = nullptr) {
  const int64_t N = int64_t{1} << n;
  double* work = nullptr;
  void* allocated = nullptr;
  ASSERT_EQ(fbFftTakeWork(spec, nullptr, &work, &allocated), ippStsNoErr);
  if (src == dst) fbFftBitRevInPlace(dst, N, spec->bitRevTable);
  else fbFftBitRevCopy(src, dst, N, spec->bitRevTable);
  const fft::Kernels& k = kernels ? *kernels : fft::VectorKernels();
  if (n <= 9) {
    fft::RunRadix4(k, dst, N, spec->twiddleBlock, inverse);
    if (inverse ? spec->inverseScaled : spec->forwardScaled)
      fbFftScale(spec->scaleFactor, dst, 2 * N);
  } else {
    fft::RunLarge(k, spec, dst, n, work, inverse);
  }
  fbAlignedFree(allocated);
}

Vec Random(int64_t N, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Vec v(2 * N);
  for (double& x : v) x = u(rng);
  return v;
}

double RelativeL2(const Vec& got, const Vec& want) {
  ld num = 0, den = 0;
  for (size_t i = 0; i < got.size(); ++i) {
    const ld d = ld(got[i]) - ld(want[i]);
    num += d * d;
    den += ld(want[i]) * ld(want[i]);
  }
  return static_cast<double>(std::sqrt(num / den));
}

Vec Fftw(const Vec& in, bool inverse) {
  const int N = static_cast<int>(in.size() / 2);
  Vec src = in, out(in.size());
  fftw_plan p = fftw_plan_dft_1d(N, reinterpret_cast<fftw_complex*>(src.data()),
                                 reinterpret_cast<fftw_complex*>(out.data()),
                                 inverse ? FFTW_BACKWARD : FFTW_FORWARD, FFTW_ESTIMATE);
  fftw_execute(p);
  fftw_destroy_plan(p);
  return out;
}

// Direct DFT in long double, the factors from an exact table of N angles.
Vec DirectDft(const Vec& in, bool inverse) {
  const int64_t N = static_cast<int64_t>(in.size() / 2);
  const ld pi = 3.141592653589793238462643383279502884L;
  std::vector<ld> c(N), s(N);
  for (int64_t j = 0; j < N; ++j) {
    c[j] = std::cos(2 * pi * j / N);
    s[j] = (inverse ? 1 : -1) * std::sin(2 * pi * j / N);
  }
  Vec out(2 * N);
  for (int64_t k = 0; k < N; ++k) {
    ld re = 0, im = 0;
    for (int64_t m = 0; m < N; ++m) {
      const int64_t j = (m * k) % N;
      re += in[2 * m] * c[j] - in[2 * m + 1] * s[j];
      im += in[2 * m] * s[j] + in[2 * m + 1] * c[j];
    }
    out[2 * k] = static_cast<double>(re);
    out[2 * k + 1] = static_cast<double>(im);
  }
  return out;
}

const double kEps = std::numeric_limits<double>::epsilon();

// ---- Accuracy ------------------------------------------------------------------------------

TEST(FftEngine, MatchesFftwAtEveryOrderBothWays) {
  for (int n = 3; n <= 22; ++n) {
    SCOPED_TRACE(n);
    Spec spec(n);
    const int64_t N = int64_t{1} << n;
    const Vec in = Random(N, 1000 + n);
    for (bool inverse : {false, true}) {
      Vec out(2 * N);
      Transform(spec.s, n, in.data(), out.data(), inverse);
      EXPECT_LE(RelativeL2(out, Fftw(in, inverse)), 5 * kEps * n) << "inverse " << inverse;
    }
  }
}

TEST(FftEngine, MatchesLongDoubleDftThroughEveryPath) {
  // Even and odd radix-4 orders, the blocked orders 10 and 11, one split level.
  for (int n : {3, 4, 5, 9, 10, 11, 12}) {
    SCOPED_TRACE(n);
    Spec spec(n);
    const int64_t N = int64_t{1} << n;
    const Vec in = Random(N, 77 + n);
    for (bool inverse : {false, true}) {
      Vec out(2 * N);
      Transform(spec.s, n, in.data(), out.data(), inverse);
      EXPECT_LE(RelativeL2(out, DirectDft(in, inverse)), 2 * kEps * n) << "inverse " << inverse;
    }
  }
}

TEST(FftEngine, ImpulsesOnesAndExponentials) {
  for (int n : {4, 5, 10, 11, 12, 13}) {
    SCOPED_TRACE(n);
    Spec spec(n);
    const int64_t N = int64_t{1} << n;
    for (bool inverse : {false, true}) {
      // A unit impulse gives all ones; ones give N at 0 and zeros elsewhere.
      Vec impulse(2 * N, 0.0), out(2 * N);
      impulse[0] = 1.0;
      Transform(spec.s, n, impulse.data(), out.data(), inverse);
      for (int64_t k = 0; k < N; ++k) {
        ASSERT_EQ(out[2 * k], 1.0) << k;
        ASSERT_EQ(out[2 * k + 1], 0.0) << k;
      }
      Vec ones(2 * N, 0.0);
      for (int64_t k = 0; k < N; ++k) ones[2 * k] = 1.0;
      Transform(spec.s, n, ones.data(), out.data(), inverse);
      EXPECT_EQ(out[0], double(N));
      for (int64_t k = 1; k < 2 * N; ++k) ASSERT_NEAR(out[k], 0.0, 1e-12 * N) << k;
    }
    // exp(+2 pi j m k0 / N) goes forward to N at k0 alone.
    const int64_t k0 = N / 2 + 3;
    Vec wave(2 * N), out(2 * N);
    const ld pi = 3.141592653589793238462643383279502884L;
    for (int64_t m = 0; m < N; ++m) {
      wave[2 * m] = static_cast<double>(std::cos(2 * pi * ((m * k0) % N) / N));
      wave[2 * m + 1] = static_cast<double>(std::sin(2 * pi * ((m * k0) % N) / N));
    }
    Transform(spec.s, n, wave.data(), out.data(), false);
    for (int64_t k = 0; k < N; ++k) {
      ASSERT_NEAR(out[2 * k], k == k0 ? double(N) : 0.0, 1e-12 * N) << k;
      ASSERT_NEAR(out[2 * k + 1], 0.0, 1e-12 * N) << k;
    }
  }
}

TEST(FftEngine, ScaledLargeOrdersScaleExactlyOnce) {
  // Ones with forward scaling by 1/N: exactly 1 at position 0 and exactly 0 elsewhere; a second
  // scaling would leave 1/N there. Orders 10 (blocked), 12, 19 (blocked leaf), 21 (two levels).
  for (int n : {10, 12, 19, 21}) {
    SCOPED_TRACE(n);
    Spec spec(n, IPP_FFT_DIV_FWD_BY_N);
    const int64_t N = int64_t{1} << n;
    Vec ones(2 * N, 0.0), out(2 * N);
    for (int64_t k = 0; k < N; ++k) ones[2 * k] = 1.0;
    Transform(spec.s, n, ones.data(), out.data(), false);
    ASSERT_EQ(out[0], 1.0);
    for (int64_t k = 1; k < 2 * N; ++k) ASSERT_EQ(out[k], 0.0) << k;
  }
}

TEST(FftEngine, RoundTripGivesNTimesOrTheInput) {
  struct Case {
    int flag;
    bool times_n;
  };
  for (int n : {4, 7, 10, 11, 14, 17}) {
    for (Case c : {Case{IPP_FFT_NODIV_BY_ANY, true}, Case{IPP_FFT_DIV_FWD_BY_N, false},
                   Case{IPP_FFT_DIV_INV_BY_N, false}, Case{IPP_FFT_DIV_BY_SQRTN, false}}) {
      SCOPED_TRACE(testing::Message() << "order " << n << " flag " << c.flag);
      Spec spec(n, c.flag);
      const int64_t N = int64_t{1} << n;
      const Vec in = Random(N, n * 31 + c.flag);
      Vec mid(2 * N), back(2 * N);
      Transform(spec.s, n, in.data(), mid.data(), false);
      Transform(spec.s, n, mid.data(), back.data(), true);
      for (double& x : back) x /= c.times_n ? double(N) : 1.0;
      EXPECT_LE(RelativeL2(back, in), 5 * kEps * n);
    }
  }
}

// ---- Permutation ---------------------------------------------------------------------------

// Both permutations against the definition, on every instruction set (the vector tiles from
// order 4 on), on vectors at an odd byte address.
TEST(FftEngine, PermutationsAgreeAndLeaveTheSourceAlone) {
  imagetest::ForEachVectorTarget([] {
    for (int n = 3; n <= 16; ++n) {
      SCOPED_TRACE(n);
      Spec spec(n);
      const int64_t N = int64_t{1} << n;
      Vec in(2 * N);
      for (int64_t m = 0; m < 2 * N; ++m) in[m] = double(m);
      std::vector<uint8_t> src(16 * N + 3), copied(16 * N + 5, 0xEE), inPlace(16 * N + 7);
      std::memcpy(src.data() + 3, in.data(), 16 * N);
      std::memcpy(inPlace.data() + 7, in.data(), 16 * N);
      auto at = [](std::vector<uint8_t>& v, int offset) {
        return reinterpret_cast<double*>(v.data() + offset);
      };
      fbFftBitRevCopy(at(src, 3), at(copied, 5), N, spec.s->bitRevTable);
      fbFftBitRevInPlace(at(inPlace, 7), N, spec.s->bitRevTable);
      ASSERT_EQ(0, std::memcmp(src.data() + 3, in.data(), 16 * N));
      ASSERT_EQ(0, std::memcmp(copied.data() + 5, inPlace.data() + 7, 16 * N));
      Vec out(2 * N);
      std::memcpy(out.data(), copied.data() + 5, 16 * N);
      for (int64_t m = 0; m < N; ++m) {
        int64_t r = 0;
        for (int b = 0; b < n; ++b) r |= ((m >> b) & 1) << (n - 1 - b);
        ASSERT_EQ(out[2 * r], double(2 * m)) << m;
        ASSERT_EQ(out[2 * r + 1], double(2 * m + 1)) << m;
      }
      for (int k = 0; k < 5; ++k) ASSERT_EQ(copied[k], 0xEE);  // nothing before the vector
    }
  });
}

TEST(FftEngine, InPlaceTransformEqualsCopyingOne) {
  for (int n : {3, 6, 9, 10, 11, 13, 16}) {
    SCOPED_TRACE(n);
    Spec spec(n, IPP_FFT_DIV_BY_SQRTN);
    const int64_t N = int64_t{1} << n;
    const Vec in = Random(N, 5 + n);
    for (bool inverse : {false, true}) {
      Vec copied(2 * N), inPlace = in;
      Transform(spec.s, n, in.data(), copied.data(), inverse);
      Transform(spec.s, n, inPlace.data(), inPlace.data(), inverse);
      EXPECT_EQ(copied, inPlace);
    }
  }
}

// Data at an address that is not 16-byte aligned gives the same bits.
TEST(FftEngine, UnalignedDataGivesTheSameBits) {
  for (int n : {5, 12}) {
    Spec spec(n);
    const int64_t N = int64_t{1} << n;
    const Vec in = Random(N, 9);
    Vec aligned(2 * N), buffer(2 * N + 1);
    Transform(spec.s, n, in.data(), aligned.data(), false);
    Transform(spec.s, n, in.data(), buffer.data() + 1, false);
    EXPECT_EQ(Vec(buffer.begin() + 1, buffer.end()), aligned);
  }
}

// ---- Vector passes -------------------------------------------------------------------------

TEST(FftEngine, VectorPassesEqualPlainOnEveryTarget) {
  std::vector<int> orders;
  for (int n = 2; n <= 16; ++n) orders.push_back(n);
  orders.push_back(19);
  std::vector<Vec> want;
  for (int n : orders) {
    Spec spec(n < 3 ? 3 : n, IPP_FFT_DIV_FWD_BY_N);
    const int64_t N = int64_t{1} << n;
    Vec in = Random(N, n);
    in[3] = -0.0;  // signed zeros and infinities go through unchanged in both paths
    in[6] = std::numeric_limits<double>::infinity();
    for (bool inverse : {false, true}) {
      Vec out(2 * N);
      if (n == 2) {
        out = in;
        fft::RunRadix4(fft::PlainKernels(), out.data(), N, spec.s->twiddleBlock, inverse);
      } else {
        Transform(spec.s, n, in.data(), out.data(), inverse, &fft::PlainKernels());
      }
      want.push_back(out);
    }
  }
  imagetest::ForEachVectorTarget([&] {
    size_t i = 0;
    for (int n : orders) {
      SCOPED_TRACE(n);
      Spec spec(n < 3 ? 3 : n, IPP_FFT_DIV_FWD_BY_N);
      const int64_t N = int64_t{1} << n;
      Vec in = Random(N, n);
      in[3] = -0.0;
      in[6] = std::numeric_limits<double>::infinity();
      for (bool inverse : {false, true}) {
        Vec out(2 * N + 1);
        double* dst = out.data() + 1;  // odd address
        if (n == 2) {
          std::memcpy(dst, in.data(), 16 * N);
          fbFftRadix4Fwd(dst, N, spec.s->twiddleBlock);
          if (inverse) {
            std::memcpy(dst, in.data(), 16 * N);
            fbFftRadix4Inv(dst, N, spec.s->twiddleBlock);
          }
        } else {
          Transform(spec.s, n, in.data(), dst, inverse);
        }
        const Vec& w = want[i++];
        ASSERT_EQ(std::memcmp(dst, w.data(), 16 * N), 0) << "inverse " << inverse;
      }
    }
    // The scale kernel on every length and offset.
    for (int64_t count = 0; count < 40; ++count) {
      Vec a = Random(count + 8, count), b = a;
      fbFftScale(0.3, a.data() + 1, count);
      fft::PlainScale(0.3, b.data() + 1, count);
      ASSERT_EQ(a, b) << count;
    }
  });
}

// The whole transform as the front ends run it, on every instruction set, out of place and in
// place, with source and destination at every offset within a cache line, equals the plain
// passes run one by one bit for bit: the radix-4 orders, the blocked ones, split levels with
// leaves of 256 and 512 points and even and odd column counts, a blocked leaf and two levels.
TEST(FftEngine, WholeTransformsEqualThePlainPassesOnEveryTarget) {
  struct Case {
    int n, flag;
  };
  std::vector<Case> cases;
  for (int n = 4; n <= 18; ++n)
    cases.push_back({n, n % 2 ? IPP_FFT_DIV_BY_SQRTN : IPP_FFT_NODIV_BY_ANY});
  cases.push_back({19, IPP_FFT_DIV_INV_BY_N});
  cases.push_back({21, IPP_FFT_DIV_FWD_BY_N});
  auto input = [](int n) {
    Vec in = Random(int64_t{1} << n, 300 + n);
    in[3] = -0.0;  // signed zeros, infinities and the NaNs they make go through both paths
    in[6] = std::numeric_limits<double>::infinity();
    return in;
  };
  std::vector<Vec> want;
  for (const Case& c : cases) {
    Spec spec(c.n, c.flag);
    const int64_t N = int64_t{1} << c.n;
    const Vec in = input(c.n);
    double* work = nullptr;
    void* allocated = nullptr;
    ASSERT_EQ(fbFftTakeWork(spec.s, nullptr, &work, &allocated), ippStsNoErr);
    for (bool inverse : {false, true}) {
      Vec out(2 * N);
      fft::RunComplex(fft::PlainKernels(), spec.s, in.data(), out.data(), c.n, work, inverse);
      want.push_back(out);
    }
    fbAlignedFree(allocated);
  }
  imagetest::ForEachVectorTarget([&] {
    size_t w = 0;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.n);
      Spec spec(c.n, c.flag);
      const int64_t N = int64_t{1} << c.n, bytes = 16 * N;
      const Vec in = input(c.n);
      double* work = nullptr;
      void* allocated = nullptr;
      ASSERT_EQ(fbFftTakeWork(spec.s, nullptr, &work, &allocated), ippStsNoErr);
      // Source and destination 64-byte aligned, or 8, 16 and 48 bytes past a line start.
      std::vector<uint8_t> a(bytes + 128), b(bytes + 128);
      auto at = [](std::vector<uint8_t>& v, int offset) {
        const auto base = (reinterpret_cast<uintptr_t>(v.data()) + 63) & ~uintptr_t{63};
        return reinterpret_cast<double*>(base + offset);
      };
      for (bool inverse : {false, true}) {
        SCOPED_TRACE(inverse ? "inverse" : "forward");
        const Vec& expected = want[w++];
        for (int offset : {0, 8, 16, 48}) {
          if (c.n >= 19 && offset != 16) continue;
          SCOPED_TRACE(offset);
          double* src = at(a, (offset + 16) % 64);
          double* dst = at(b, offset);
          std::memcpy(src, in.data(), bytes);
          fft::RunComplex(fft::VectorKernels(), spec.s, src, dst, c.n, work, inverse);
          ASSERT_EQ(std::memcmp(dst, expected.data(), bytes), 0) << "out of place";
          ASSERT_EQ(std::memcmp(src, in.data(), bytes), 0) << "source changed";
          fft::RunComplex(fft::VectorKernels(), spec.s, src, src, c.n, work, inverse);
          ASSERT_EQ(std::memcmp(src, expected.data(), bytes), 0) << "in place";
        }
      }
      fbAlignedFree(allocated);
    }
  });
}

// The inverse real transform's pre-processing fused into the complex inverse transform gives the
// bits of the plain pre-processing followed by the plain passes, on every instruction set and at
// every offset within a cache line, for the radix-4 and blocked orders and the split levels.
TEST(FftEngine, RealPreProcessingFusedEqualsThePlainSteps) {
  std::vector<int> orders;
  for (int n = 4; n <= 18; ++n) orders.push_back(n);
  auto spectrum = [](int n) {
    const int64_t h = int64_t{1} << n;
    Vec x = Random(h + 1, 700 + n);  // CCS: 2h + 2 values
    x[1] = x[2 * h + 1] = 0.0;
    x[5] = -0.0;
    return x;
  };
  std::vector<Vec> want, edges;
  for (int n : orders) {
    IppsFFTSpec_R_64f* r = nullptr;
    ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, n + 1, n % 2 ? IPP_FFT_DIV_INV_BY_N : IPP_FFT_NODIV_BY_ANY,
                                     ippAlgHintNone),
              ippStsNoErr);
    const int64_t h = int64_t{1} << n;
    const Vec x = spectrum(n);
    double* work = nullptr;
    void* allocated = nullptr;
    ASSERT_EQ(fbFftTakeWork(r, nullptr, &work, &allocated), ippStsNoErr);
    Vec out(2 * h);
    out[0] = x[0] + x[2 * h];
    out[1] = x[0] - x[2 * h];
    const auto* t = reinterpret_cast<const uint8_t*>(r->realInvTwiddles);
    fftreal::PlainPre(reinterpret_cast<const uint8_t*>(x.data()),
                      reinterpret_cast<uint8_t*>(out.data()), h, t, 1);
    out[h] = 2.0 * x[h];
    out[h + 1] = -2.0 * x[h + 1];
    Vec edge(16);  // the pre-processed values 0..3 and h/2..h/2+3, the caller's part
    std::copy(out.begin(), out.begin() + 8, edge.begin());
    std::copy(out.begin() + h, out.begin() + h + 8, edge.begin() + 8);
    edges.push_back(edge);
    fft::RunComplex(fft::PlainKernels(), r, out.data(), out.data(), n, work, true);
    want.push_back(out);
    fbAlignedFree(allocated);
    ippsFFTFree_R_64f(r);
  }
  imagetest::ForEachVectorTarget([&] {
    size_t w = 0;
    for (int n : orders) {
      SCOPED_TRACE(n);
      IppsFFTSpec_R_64f* r = nullptr;
      ASSERT_EQ(ippsFFTInitAlloc_R_64f(&r, n + 1,
                                       n % 2 ? IPP_FFT_DIV_INV_BY_N : IPP_FFT_NODIV_BY_ANY,
                                       ippAlgHintNone),
                ippStsNoErr);
      const int64_t h = int64_t{1} << n;
      const Vec x = spectrum(n);
      const Vec& expected = want[w++];
      double* work = nullptr;
      void* allocated = nullptr;
      ASSERT_EQ(fbFftTakeWork(r, nullptr, &work, &allocated), ippStsNoErr);
      std::vector<uint8_t> a(16 * h + 128), b(16 * h + 160);
      for (int offset : {0, 8, 16, 48}) {
        SCOPED_TRACE(offset);
        auto at = [](std::vector<uint8_t>& v, int off) {
          const auto base = (reinterpret_cast<uintptr_t>(v.data()) + 63) & ~uintptr_t{63};
          return reinterpret_cast<double*>(base + off);
        };
        double* dst = at(a, offset);
        double* spec = at(b, (offset + 24) % 64);
        std::memcpy(spec, x.data(), 8 * (2 * h + 2));
        const fft::RealPre pre{spec, r->realInvTwiddles, h, edges[w - 1].data()};
        if (!fft::RunRealInverse(fft::VectorKernels(), r, pre, dst, n, work, true)) {
          EXPECT_EQ(hwy::SupportedTargets() & ~HWY_SCALAR, 0) << "no fused path";
          break;
        }
        ASSERT_EQ(std::memcmp(dst, expected.data(), 16 * h), 0);
        ASSERT_EQ(std::memcmp(spec, x.data(), 8 * (2 * h + 2)), 0) << "spectrum changed";
      }
      fbAlignedFree(allocated);
      ippsFFTFree_R_64f(r);
    }
  });
}

// ---- Named steps ---------------------------------------------------------------------------

// The engine's named steps, which the front ends no longer call one by one (their fused paths
// run the same operations), each given the bit-reversed data of a transform, or for the
// radix-2 passes its transformed 512-point blocks, end with the bytes of the front end's
// transform: on every instruction set, both ways, scaled and not. A split level at depth 1 runs
// a leaf of an order-21 transform, whose sub-transform is the order-13 transform of one
// decimated sequence: it ends with the bytes of the order-13 front end on that sequence.
TEST(FftEngine, NamedStepsGiveTheFrontEndsBytes) {
  enum class Step { kLarge, kSplit, kSplitDepth1, kBlocked, kRadix2Passes };
  struct Case {
    Step step;
    int n, flag;
  };
  const Case cases[] = {
      {Step::kLarge, 10, IPP_FFT_DIV_FWD_BY_N},        {Step::kLarge, 11, IPP_FFT_NODIV_BY_ANY},
      {Step::kLarge, 12, IPP_FFT_DIV_INV_BY_N},        {Step::kLarge, 16, IPP_FFT_DIV_BY_SQRTN},
      {Step::kLarge, 19, IPP_FFT_DIV_FWD_BY_N},        {Step::kLarge, 21, IPP_FFT_DIV_INV_BY_N},
      {Step::kSplit, 12, IPP_FFT_DIV_BY_SQRTN},        {Step::kSplit, 13, IPP_FFT_DIV_FWD_BY_N},
      {Step::kSplit, 15, IPP_FFT_NODIV_BY_ANY},        {Step::kSplit, 17, IPP_FFT_DIV_INV_BY_N},
      {Step::kSplit, 18, IPP_FFT_DIV_FWD_BY_N},        {Step::kSplit, 20, IPP_FFT_DIV_BY_SQRTN},
      {Step::kSplitDepth1, 21, IPP_FFT_NODIV_BY_ANY},  {Step::kBlocked, 10, IPP_FFT_DIV_BY_SQRTN},
      {Step::kBlocked, 11, IPP_FFT_DIV_FWD_BY_N},      {Step::kBlocked, 11, IPP_FFT_DIV_INV_BY_N},
      {Step::kRadix2Passes, 10, IPP_FFT_DIV_INV_BY_N}, {Step::kRadix2Passes, 11, IPP_FFT_DIV_BY_SQRTN},
  };
  auto input = [](int n) {
    Vec in = Random(int64_t{1} << n, 900 + n);
    in[3] = -0.0;
    in[6] = std::numeric_limits<double>::infinity();
    return in;
  };
  // The front end of a setup, out of place.
  auto frontEnd = [](const fbFftSpec* spec, int n, const Vec& in, bool inverse) {
    Vec out(in.size());
    double* work = nullptr;
    void* allocated = nullptr;
    EXPECT_EQ(fbFftTakeWork(spec, nullptr, &work, &allocated), ippStsNoErr);
    if (inverse) fbFftComplexInv(spec, in.data(), out.data(), n, work);
    else fbFftComplexFwd(spec, in.data(), out.data(), n, work);
    fbAlignedFree(allocated);
    return out;
  };
  imagetest::ForEachVectorTarget([&] {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "step " << int(c.step) << " order " << c.n);
      Spec spec(c.n, c.flag);
      const fbFftSpec* s = spec.s;
      const int64_t N = int64_t{1} << c.n;
      const Vec in = input(c.n);
      double* work = nullptr;
      void* allocated = nullptr;
      ASSERT_EQ(fbFftTakeWork(s, nullptr, &work, &allocated), ippStsNoErr);
      for (bool inverse : {false, true}) {
        SCOPED_TRACE(inverse ? "inverse" : "forward");
        const bool scaled = inverse ? s->inverseScaled : s->forwardScaled;
        Vec got(2 * N);
        fbFftBitRevCopy(in.data(), got.data(), N, s->bitRevTable);
        double* d = got.data();
        switch (c.step) {
          case Step::kLarge:
            if (inverse) fbFftLargeInv(s, d, c.n, work);
            else fbFftLargeFwd(s, d, c.n, work);
            break;
          case Step::kSplit:
            if (inverse) fbFftSplitInv(s, d, c.n, 0, work);
            else fbFftSplitFwd(s, d, c.n, 0, work);
            break;
          case Step::kBlocked:
            if (inverse) fbFftBlockedInv(s, d, N);
            else fbFftBlockedFwd(s, d, N);
            break;
          case Step::kRadix2Passes:
            for (int64_t b = N - 512; b >= 0; b -= 512) {
              if (inverse) fbFftRadix4Inv(d + 2 * b, 512, s->twiddleBlock);
              else fbFftRadix4Fwd(d + 2 * b, 512, s->twiddleBlock);
              if (scaled) fbFftScale(s->scaleFactor, d + 2 * b, 1024);
            }
            if (inverse) fbFftRadix2PassesInv(d, N, 512, s->blockTwiddles);
            else fbFftRadix2PassesFwd(d, N, 512, s->blockTwiddles);
            break;
          case Step::kSplitDepth1: {
            // Leaf p holds the samples K i + rev_k(p), i = 0..M-1, bit-reversed over m bits.
            const int k = fbFftSplitExponent(c.n), m = c.n - k;
            const int64_t K = int64_t{1} << k, M = int64_t{1} << m;
            Spec leafSpec(m, c.flag);
            for (int64_t p : {int64_t{0}, int64_t{1}, int64_t{37}, K - 1}) {
              SCOPED_TRACE(p);
              int64_t rp = 0;
              for (int b = 0; b < k; ++b) rp |= ((p >> b) & 1) << (k - 1 - b);
              Vec sequence(2 * M);
              for (int64_t i = 0; i < M; ++i) {
                sequence[2 * i] = in[2 * (K * i + rp)];
                sequence[2 * i + 1] = in[2 * (K * i + rp) + 1];
              }
              double* leaf = d + 2 * p * M;
              if (inverse) fbFftSplitInv(s, leaf, m, 1, work);
              else fbFftSplitFwd(s, leaf, m, 1, work);
              const Vec want = frontEnd(leafSpec.s, m, sequence, inverse);
              ASSERT_EQ(std::memcmp(leaf, want.data(), 16 * M), 0);
            }
            continue;
          }
        }
        const Vec want = frontEnd(s, c.n, in, inverse);
        ASSERT_EQ(std::memcmp(got.data(), want.data(), 16 * N), 0);
      }
      fbAlignedFree(allocated);
    }
  });
}

}  // namespace
