#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <opencv2/core.hpp>
#include <random>
#include <vector>

#include <fftw3.h>

#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
#include "primitives/signal/FftTransformsKernels.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;
using ld = long double;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }
const double kEps = std::numeric_limits<double>::epsilon();

std::vector<double> Random(size_t count, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> dist(-4.0, 4.0);
  std::vector<double> v(count);
  for (double& x : v) x = dist(rng);
  return v;
}

// The spectrum held by a Pack or Perm vector of len values, as complex bins 0..len/2 (the real
// bins with imaginary part 0), and back.
std::vector<std::complex<double>> Unpack(const std::vector<double>& v, bool perm) {
  const size_t len = v.size();
  std::vector<std::complex<double>> bins(len / 2 + 1);
  bins[0] = v[0];
  const size_t first = perm && len % 2 == 0 ? 2 : 1;
  for (size_t i = first, k = 1; i + 1 < len; i += 2, ++k)
    bins[k] = {v[i], v[i + 1]};
  if (len % 2 == 0 && len > 1) bins[len / 2] = perm ? v[1] : v[len - 1];
  return bins;
}

std::vector<double> Pack(const std::vector<std::complex<double>>& bins, size_t len, bool perm) {
  std::vector<double> v(len);
  v[0] = bins[0].real();
  const size_t first = perm && len % 2 == 0 ? 2 : 1;
  for (size_t i = first, k = 1; i + 1 < len; i += 2, ++k) {
    v[i] = bins[k].real();
    v[i + 1] = bins[k].imag();
  }
  if (len % 2 == 0 && len > 1) (perm ? v[1] : v[len - 1]) = bins[len / 2].real();
  return v;
}

// The naive model: bin by bin, the real bins as real products, the others as complex products
// (a * conj b for Pack, a * b for Perm) evaluated as written, in float64.
std::vector<double> Model(const std::vector<double>& a, const std::vector<double>& b, bool perm) {
  const auto A = Unpack(a, perm), B = Unpack(b, perm);
  std::vector<std::complex<double>> C(A.size());
  const size_t len = a.size();
  for (size_t k = 0; k < A.size(); ++k) {
    const double ar = A[k].real(), ai = A[k].imag(), br = B[k].real(), bi = B[k].imag();
    const bool realBin = k == 0 || (len % 2 == 0 && k == len / 2);
    if (realBin)
      C[k] = br * ar;
    else if (perm)
      C[k] = {ar * br - ai * bi, ai * br + ar * bi};
    else
      C[k] = {ar * br + ai * bi, ai * br - ar * bi};
  }
  return Pack(C, len, perm);
}

TEST(FftProducts, MatchTheNaiveModelAtEveryLengthAlsoAliased) {
  std::mt19937_64 rng(21);
  for (const bool perm : {false, true}) {
    for (const int len : {1, 2, 3, 4, 5, 8, 9, 16, 33, 64}) {
      SCOPED_TRACE(testing::Message() << (perm ? "Perm" : "Pack") << " len " << len);
      const auto run = [perm](const double* a, double* b, int n) {
        return perm ? fbMulPerm(a, b, n) : fbMulPackConj(a, b, n);
      };
      const std::vector<double> a = Random(len, rng), b = Random(len, rng);
      std::vector<double> out = b;
      ASSERT_EQ(run(a.data(), out.data(), len), ippStsNoErr);
      const std::vector<double> expected = Model(a, b, perm);
      for (int i = 0; i < len; ++i) ASSERT_EQ(Bits(out[i]), Bits(expected[i])) << i;
      // Aliased: pSrc equal to pSrcDst, each pair read whole before it is written.
      std::vector<double> self = a;
      ASSERT_EQ(run(self.data(), self.data(), len), ippStsNoErr);
      const std::vector<double> selfExpected = Model(a, a, perm);
      for (int i = 0; i < len; ++i) ASSERT_EQ(Bits(self[i]), Bits(selfExpected[i])) << i;
      if (!perm) {  // X conj X: |X|^2 with imaginary parts exactly +0
        const auto bins = Unpack(self, false);
        for (size_t k = 0; k < bins.size(); ++k) {
          EXPECT_EQ(Bits(bins[k].imag()), Bits(0.0)) << k;
          EXPECT_GE(bins[k].real(), 0.0) << k;
        }
      }
    }
  }
}

TEST(FftProducts, LengthsOneAndTwoMultiplyRealValues) {
  const double a[2] = {3.0, -2.0};
  for (const bool perm : {false, true}) {
    double one[1] = {5.0}, two[2] = {5.0, 7.0};
    EXPECT_EQ(perm ? fbMulPerm(a, one, 1) : fbMulPackConj(a, one, 1), ippStsNoErr);
    EXPECT_EQ(one[0], 15.0);
    EXPECT_EQ(perm ? fbMulPerm(a, two, 2) : fbMulPackConj(a, two, 2), ippStsNoErr);
    EXPECT_EQ(two[0], 15.0);
    EXPECT_EQ(two[1], -14.0);
  }
}

// Pack is the row layout of a real spectrum that OpenCV's mulSpectrums multiplies.
TEST(FftProducts, PackConjugateProductEqualsMulSpectrums) {
  std::mt19937_64 rng(22);
  for (const int len : {1, 2, 3, 6, 7, 64, 1025}) {
    SCOPED_TRACE(len);
    const std::vector<double> a = Random(len, rng), b = Random(len, rng);
    cv::Mat ma(1, len, CV_64F, const_cast<double*>(a.data()));
    cv::Mat mb(1, len, CV_64F, const_cast<double*>(b.data()));
    cv::Mat mc;
    cv::mulSpectrums(ma, mb, mc, 0, true);
    std::vector<double> out = b;
    ASSERT_EQ(fbMulPackConj(a.data(), out.data(), len), ippStsNoErr);
    for (int i = 0; i < len; ++i) ASSERT_EQ(Bits(out[i]), Bits(mc.at<double>(0, i))) << i;
  }
}

TEST(FftProducts, ConjCcsCompletesTheUpperHalf) {
  const struct {
    int len;
    std::vector<int> conjugated;  // element j becomes conj(element len - j)
  } cases[] = {{1, {}}, {2, {}}, {3, {2}}, {4, {3}}, {8, {5, 6, 7}}, {9, {5, 6, 7, 8}}};
  std::mt19937_64 rng(23);
  for (const auto& t : cases) {
    SCOPED_TRACE(t.len);
    std::vector<Ipp64fc> v(t.len);
    for (Ipp64fc& c : v) c = {Random(1, rng)[0], Random(1, rng)[0]};
    v[0].im = 0.0;
    const std::vector<Ipp64fc> before = v;
    ASSERT_EQ(ippsConjCcs_64fc_I(v.data(), t.len), ippStsNoErr);
    for (int j = 0; j < t.len; ++j) {
      bool conj = false;
      for (int c : t.conjugated) conj |= c == j;
      const Ipp64fc expected = conj ? Ipp64fc{before[t.len - j].re, -before[t.len - j].im} : before[j];
      EXPECT_EQ(Bits(v[j].re), Bits(expected.re)) << j;
      EXPECT_EQ(Bits(v[j].im), Bits(expected.im)) << j;
    }
  }
}

// Null pointers before lengths, nothing written on failure.
TEST(FftProducts, ChecksInOrder) {
  double a[4] = {1, 2, 3, 4}, b[4] = {5, 6, 7, 8};
  Ipp64fc c[2] = {{1, 2}, {3, 4}};
  for (const auto mul : {fbMulPackConj, fbMulPerm}) {
    EXPECT_EQ(mul(nullptr, b, 0), ippStsNullPtrErr);
    EXPECT_EQ(mul(a, nullptr, -1), ippStsNullPtrErr);
    EXPECT_EQ(mul(a, b, 0), ippStsSizeErr);
    EXPECT_EQ(mul(a, b, -5), ippStsSizeErr);
  }
  EXPECT_EQ(ippsConjCcs_64fc_I(nullptr, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(c, 0), ippStsSizeErr);
  EXPECT_EQ(ippsConjCcs_64fc_I(c, -2), ippStsSizeErr);
  EXPECT_EQ(b[0], 5.0);
  EXPECT_EQ(b[3], 8.0);
  EXPECT_EQ(c[1].im, 4.0);
}

// The passes on their own: post-processing turns the h-point transform of the half-length view
// into the Perm spectrum of the 2h samples; pre-processing turns a Perm (or CCS) spectrum into
// twice that transform, in place with the bits of out of place.
TEST(FftRealPasses, PostAndPreConvertBetweenHalfLengthAndRealSpectra) {
  std::mt19937_64 rng(24);
  const ld pi = 3.141592653589793238462643383279502884L;
  for (const int h : {2, 4, 8, 64, 512}) {
    SCOPED_TRACE(h);
    const int n = 2 * h;
    std::vector<double> fwdTw(h), invTw(h);
    for (int k = 0; k < h / 2; ++k) {
      const double c = std::cos(2 * pi * k / n), s = std::sin(2 * pi * k / n);
      fwdTw[2 * k] = 0.5 * c;
      fwdTw[2 * k + 1] = 0.5 - 0.5 * s;
      invTw[2 * k] = c;
      invTw[2 * k + 1] = -s;
    }
    const std::vector<double> x = Random(n, rng);
    std::vector<std::complex<ld>> Z(h), X(h + 1);
    for (int k = 0; k < h; ++k)
      for (int m = 0; m < h; ++m)
        Z[k] += std::complex<ld>(x[2 * m], x[2 * m + 1]) * std::polar(1.0L, -2 * pi * ((ld(k) * m) / h));
    for (int k = 0; k <= h; ++k)
      for (int m = 0; m < n; ++m) X[k] += ld(x[m]) * std::polar(1.0L, -2 * pi * ((ld(k) * m) / n));
    ld scale = 0;
    for (double v : x) scale += std::fabs(v);
    const ld tol = 8 * std::numeric_limits<double>::epsilon() * scale;

    std::vector<double> data(n);
    for (int k = 0; k < h; ++k) {
      data[2 * k] = double(Z[k].real());
      data[2 * k + 1] = double(Z[k].imag());
    }
    const double a = data[0], b = data[1];
    data[0] = a + b;
    data[1] = a - b;
    fbRealFftPost(data.data(), h, fwdTw.data());
    std::vector<double> perm(n);
    perm[0] = double(X[0].real());
    perm[1] = double(X[h].real());
    for (int k = 1; k < h; ++k) {
      perm[2 * k] = double(X[k].real());
      perm[2 * k + 1] = double(X[k].imag());
    }
    for (int i = 0; i < n; ++i) ASSERT_NEAR(data[i], perm[i], tol) << "post, position " << i;

    std::vector<double> out(n), inPlace = perm;
    out[0] = inPlace[0] = perm[0] + perm[1];
    out[1] = inPlace[1] = perm[0] - perm[1];
    fbRealFftPre(perm.data(), out.data(), h, invTw.data());
    fbRealFftPre(inPlace.data(), inPlace.data(), h, invTw.data());
    for (int k = 0; k < h; ++k) {
      ASSERT_NEAR(out[2 * k], 2 * Z[k].real(), 2 * tol) << "pre, bin " << k;
      ASSERT_NEAR(out[2 * k + 1], 2 * Z[k].imag(), 2 * tol) << "pre, bin " << k;
    }
    for (int i = 0; i < n; ++i) ASSERT_EQ(Bits(out[i]), Bits(inPlace[i])) << i;
  }
}

// The vector blocks of the passes give the plain pass's bits on every instruction set, at any
// address, in place and out of place (random values and tables: only the bits matter here).
TEST(FftRealPasses, VectorBlocksEqualThePlainPassOnEveryTarget) {
  std::mt19937_64 rng(25);
  imagetest::ForEachVectorTarget([&] {
    for (const int64_t h : {2, 4, 6, 8, 16, 64, 1024, 4096}) {
      for (const int shift : {0, 1}) {  // data one float64 off its allocation's alignment
        SCOPED_TRACE(testing::Message() << "h " << h << " shift " << shift);
        const std::vector<double> src = Random(2 * h + 1, rng), table = Random(h + 1, rng);
        const double* tw = table.data() + shift;

        std::vector<double> post = src, plain = src;
        fbRealFftPost(post.data() + shift, static_cast<int>(h), tw);
        fftreal::PlainPost(reinterpret_cast<uint8_t*>(plain.data() + shift), h,
                           reinterpret_cast<const uint8_t*>(tw), 1);
        plain[shift + h + 1] = -plain[shift + h + 1];
        for (size_t i = 0; i < src.size(); ++i) ASSERT_EQ(Bits(post[i]), Bits(plain[i])) << "post " << i;

        std::vector<double> pre(src.size(), 0.0), preInPlace = src, prePlain(src.size(), 0.0);
        fbRealFftPre(src.data() + shift, pre.data() + shift, static_cast<int>(h), tw);
        fbRealFftPre(preInPlace.data() + shift, preInPlace.data() + shift, static_cast<int>(h), tw);
        fftreal::PlainPre(reinterpret_cast<const uint8_t*>(src.data() + shift),
                          reinterpret_cast<uint8_t*>(prePlain.data() + shift), h,
                          reinterpret_cast<const uint8_t*>(tw), 1);
        prePlain[shift + h] = 2.0 * src[shift + h];
        prePlain[shift + h + 1] = -2.0 * src[shift + h + 1];
        for (int64_t i = 2; i < 2 * h; ++i) {
          ASSERT_EQ(Bits(pre[shift + i]), Bits(prePlain[shift + i])) << "pre " << i;
          ASSERT_EQ(Bits(preInPlace[shift + i]), Bits(prePlain[shift + i])) << "pre in place " << i;
        }
      }
    }
  });
}

// ---- front ends ------------------------------------------------------------------------------

// A setup made by InitAlloc and freed at scope exit.
struct Spec {
  Spec(bool complex, int order, int flag) : complex(complex), order(order) {
    const IppStatus st =
        complex ? ippsFFTInitAlloc_C_64fc(reinterpret_cast<IppsFFTSpec_C_64fc**>(&p), order, flag,
                                          ippAlgHintNone)
                : ippsFFTInitAlloc_R_64f(reinterpret_cast<IppsFFTSpec_R_64f**>(&p), order, flag,
                                         ippAlgHintNone);
    EXPECT_EQ(st, ippStsNoErr) << "order " << order << " flag " << flag;
  }
  ~Spec() {
    if (complex)
      ippsFFTFree_C_64fc(static_cast<IppsFFTSpec_C_64fc*>(p));
    else
      ippsFFTFree_R_64f(static_cast<IppsFFTSpec_R_64f*>(p));
  }
  Spec(const Spec&) = delete;
  Spec& operator=(const Spec&) = delete;
  int BufferSize() const {
    int size = -1;
    if (complex)
      fbFftGetBufSizeC(static_cast<const IppsFFTSpec_C_64fc*>(p), &size);
    else
      fbFftGetBufSizeR(static_cast<const IppsFFTSpec_R_64f*>(p), &size);
    return size;
  }
  bool complex;
  int order;
  fbFftSpec* p = nullptr;
};

enum class Layout { Complex, Ccs, Pack, Perm };

// A CCS spectrum of N samples holds N + 2 values; of one sample, two: [X0, 0.0].
int64_t CcsValues(int64_t n) { return n == 1 ? 2 : n + 2; }

// One front end on raw float64 buffers; spec is cast to the front end's own kind.
struct FrontEnd {
  const char* name;
  bool complex, inverse;
  Layout layout;
  IppStatus (*run)(const double*, double*, const fbFftSpec*, Ipp8u*);
  // Values read and written for N points.
  size_t SrcValues(int64_t n) const {
    return complex ? 2 * n : (inverse && layout == Layout::Ccs ? CcsValues(n) : n);
  }
  size_t DstValues(int64_t n) const {
    return complex ? 2 * n : (!inverse && layout == Layout::Ccs ? CcsValues(n) : n);
  }
};

const std::vector<FrontEnd>& FrontEnds() {
  static const std::vector<FrontEnd> kAll = {
      {"ippsFFTFwd_CToC_64fc", true, false, Layout::Complex,
       [](const double* s, double* d, const fbFftSpec* spec, Ipp8u* b) {
         return ippsFFTFwd_CToC_64fc(reinterpret_cast<const Ipp64fc*>(s),
                                     reinterpret_cast<Ipp64fc*>(d),
                                     static_cast<const IppsFFTSpec_C_64fc*>(spec), b);
       }},
      {"ippsFFTInv_CToC_64fc", true, true, Layout::Complex,
       [](const double* s, double* d, const fbFftSpec* spec, Ipp8u* b) {
         return ippsFFTInv_CToC_64fc(reinterpret_cast<const Ipp64fc*>(s),
                                     reinterpret_cast<Ipp64fc*>(d),
                                     static_cast<const IppsFFTSpec_C_64fc*>(spec), b);
       }},
#define PF_REAL_FRONT_END(fn, inverse, layout)                                  \
  {#fn, false, inverse, Layout::layout,                                         \
   [](const double* s, double* d, const fbFftSpec* spec, Ipp8u* b) {            \
     return fn(s, d, static_cast<const IppsFFTSpec_R_64f*>(spec), b);           \
   }}
      PF_REAL_FRONT_END(ippsFFTFwd_RToCCS_64f, false, Ccs),
      PF_REAL_FRONT_END(ippsFFTInv_CCSToR_64f, true, Ccs),
      PF_REAL_FRONT_END(fbFftFwdRToPack, false, Pack),
      PF_REAL_FRONT_END(fbFftInvPackToR, true, Pack),
      PF_REAL_FRONT_END(fbFftFwdRToPerm, false, Perm),
      PF_REAL_FRONT_END(fbFftInvPermToR, true, Perm),
#undef PF_REAL_FRONT_END
  };
  return kAll;
}

const FrontEnd& Named(const std::string& name) {
  for (const FrontEnd& f : FrontEnds())
    if (name == f.name) return f;
  ADD_FAILURE() << name;
  return FrontEnds().front();
}

// A spectrum in the front end's source layout, made from a CCS one (a real inverse reads it).
std::vector<double> FromCcs(const std::vector<double>& ccs, Layout layout, int64_t n) {
  if (layout == Layout::Ccs) return ccs;
  std::vector<double> v(n);
  v[0] = ccs[0];
  if (n == 1) return v;
  if (layout == Layout::Perm) {
    v[1] = ccs[n];
    for (int64_t i = 2; i < n; ++i) v[i] = ccs[i];
  } else {
    for (int64_t i = 1; i < n - 1; ++i) v[i] = ccs[i + 1];
    v[n - 1] = ccs[n];
  }
  return v;
}

// Random source values for a front end: a real inverse gets a spectrum of real samples (its
// X0 and Xh real, CCS positions 1 and N + 1 set to NaN: they must not be read).
std::vector<double> Source(const FrontEnd& f, int64_t n, std::mt19937_64& rng) {
  if (f.complex || !f.inverse) return Random(f.SrcValues(n), rng);
  std::vector<double> ccs = Random(CcsValues(n), rng);
  ccs[1] = ccs[CcsValues(n) - 1] = std::numeric_limits<double>::quiet_NaN();
  return FromCcs(ccs, f.layout, n);
}

double RelativeL2(const double* got, const double* want, size_t count) {
  ld num = 0, den = 0;
  for (size_t i = 0; i < count; ++i) {
    const ld d = ld(got[i]) - ld(want[i]);
    num += d * d;
    den += ld(want[i]) * ld(want[i]);
  }
  return den == 0 ? double(std::sqrt(num)) : double(std::sqrt(num / den));
}

double Tolerance(int order) { return 5 * kEps * std::max(1, order); }

// Complex transforms against FFTW at every order 0..20, unscaled and scaled by 1/sqrt(N).
TEST(FftFrontEnds, ComplexTransformsMatchFftw) {
  std::mt19937_64 rng(31);
  for (int order = 0; order <= 20; ++order) {
    const int64_t n = int64_t{1} << order;
    for (const int flag : {IPP_FFT_NODIV_BY_ANY, IPP_FFT_DIV_BY_SQRTN}) {
      const Spec spec(true, order, flag);
      for (const bool inverse : {false, true}) {
        SCOPED_TRACE(testing::Message() << "order " << order << " flag " << flag
                                        << (inverse ? " inverse" : " forward"));
        const std::vector<double> x = Random(2 * n, rng);
        std::vector<double> got(2 * n), want(2 * n), in = x;
        fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(n), reinterpret_cast<fftw_complex*>(in.data()),
                                          reinterpret_cast<fftw_complex*>(want.data()),
                                          inverse ? FFTW_BACKWARD : FFTW_FORWARD, FFTW_ESTIMATE);
        fftw_execute(plan);
        fftw_destroy_plan(plan);
        if (flag == IPP_FFT_DIV_BY_SQRTN)
          for (double& v : want) v /= std::sqrt(double(n));
        const FrontEnd& f = Named(inverse ? "ippsFFTInv_CToC_64fc" : "ippsFFTFwd_CToC_64fc");
        ASSERT_EQ(f.run(x.data(), got.data(), spec.p, nullptr), ippStsNoErr);
        EXPECT_LE(RelativeL2(got.data(), want.data(), 2 * n), Tolerance(order));
      }
    }
  }
}

// Real transforms against FFTW at every order 0..20: the r2c output is the CCS spectrum, Pack
// and Perm hold its values moved exactly, positions 1 and N + 1 of CCS are +0.0; the three
// inverse layouts give the bits of one another and match c2r (run on a copy).
TEST(FftFrontEnds, RealTransformsMatchFftwInEveryLayout) {
  std::mt19937_64 rng(32);
  for (int order = 0; order <= 20; ++order) {
    SCOPED_TRACE(testing::Message() << "order " << order);
    const int64_t n = int64_t{1} << order;
    const Spec spec(false, order, IPP_FFT_NODIV_BY_ANY);
    const std::vector<double> x = Random(n, rng);
    const int64_t count = CcsValues(n);
    std::vector<double> in = x, want(count);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), in.data(),
                                          reinterpret_cast<fftw_complex*>(want.data()), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);

    std::vector<double> ccs(count + 1, -1.0);
    ASSERT_EQ(Named("ippsFFTFwd_RToCCS_64f").run(x.data(), ccs.data(), spec.p, nullptr), ippStsNoErr);
    EXPECT_LE(RelativeL2(ccs.data(), want.data(), count), Tolerance(order));
    EXPECT_EQ(Bits(ccs[1]), Bits(0.0));
    EXPECT_EQ(Bits(ccs[count - 1]), Bits(0.0));
    EXPECT_EQ(ccs[count], -1.0) << "written past the spectrum";
    ccs.pop_back();
    for (const auto& [name, layout] :
         {std::pair{"fbFftFwdRToPack", Layout::Pack}, std::pair{"fbFftFwdRToPerm", Layout::Perm}}) {
      std::vector<double> got(n);
      ASSERT_EQ(Named(name).run(x.data(), got.data(), spec.p, nullptr), ippStsNoErr);
      const std::vector<double> moved = FromCcs(ccs, layout, n);
      for (int64_t i = 0; i < n; ++i) ASSERT_EQ(Bits(got[i]), Bits(moved[i])) << name << " " << i;
    }

    // Inverse of the spectrum with NaN where CCS holds its zeros: those are never read.
    std::vector<double> spectrum = ccs, copy = ccs, back(n);
    spectrum[1] = spectrum[count - 1] = std::numeric_limits<double>::quiet_NaN();
    plan = fftw_plan_dft_c2r_1d(static_cast<int>(n), reinterpret_cast<fftw_complex*>(copy.data()),
                                back.data(), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    std::vector<double> fromCcs(n);
    ASSERT_EQ(Named("ippsFFTInv_CCSToR_64f").run(spectrum.data(), fromCcs.data(), spec.p, nullptr),
              ippStsNoErr);
    EXPECT_LE(RelativeL2(fromCcs.data(), back.data(), n), Tolerance(order));
    for (const auto& [name, layout] :
         {std::pair{"fbFftInvPackToR", Layout::Pack}, std::pair{"fbFftInvPermToR", Layout::Perm}}) {
      const std::vector<double> src = FromCcs(ccs, layout, n);
      std::vector<double> got(n);
      ASSERT_EQ(Named(name).run(src.data(), got.data(), spec.p, nullptr), ippStsNoErr);
      for (int64_t i = 0; i < n; ++i) ASSERT_EQ(Bits(got[i]), Bits(fromCcs[i])) << name << " " << i;
    }
  }
}

// Forward then inverse: the input with flag 2 (inverse scaled by 1/N), N times it with flag 8,
// the input with flag 4 (both by 1/sqrt(N)) and flag 1 (forward by 1/N).
TEST(FftFrontEnds, RoundTripsRecoverTheInput) {
  std::mt19937_64 rng(33);
  const struct {
    const char *fwd, *inv;
  } pairs[] = {{"ippsFFTFwd_CToC_64fc", "ippsFFTInv_CToC_64fc"},
               {"ippsFFTFwd_RToCCS_64f", "ippsFFTInv_CCSToR_64f"},
               {"fbFftFwdRToPack", "fbFftInvPackToR"},
               {"fbFftFwdRToPerm", "fbFftInvPermToR"}};
  for (int order = 0; order <= 20; order += order < 14 ? 1 : 3) {
    const int64_t n = int64_t{1} << order;
    for (const int flag : {IPP_FFT_DIV_INV_BY_N, IPP_FFT_NODIV_BY_ANY, IPP_FFT_DIV_BY_SQRTN,
                           IPP_FFT_DIV_FWD_BY_N}) {
      for (const auto& p : pairs) {
        SCOPED_TRACE(testing::Message() << p.fwd << " order " << order << " flag " << flag);
        const FrontEnd &fwd = Named(p.fwd), &inv = Named(p.inv);
        const Spec spec(fwd.complex, order, flag);
        const std::vector<double> x = Random(fwd.SrcValues(n), rng);
        std::vector<double> spectrum(fwd.DstValues(n)), back(x.size());
        ASSERT_EQ(fwd.run(x.data(), spectrum.data(), spec.p, nullptr), ippStsNoErr);
        ASSERT_EQ(inv.run(spectrum.data(), back.data(), spec.p, nullptr), ippStsNoErr);
        const double gain = flag == IPP_FFT_NODIV_BY_ANY ? double(n) : 1.0;
        std::vector<double> want = x;
        for (double& v : want) v *= gain;
        EXPECT_LE(RelativeL2(back.data(), want.data(), x.size()), 2 * Tolerance(order));
      }
    }
  }
}

// The smallest orders, value by value, unscaled and scaled.
TEST(FftFrontEnds, OrderZeroAndOneLayouts) {
  const double a = 3.0, b = -5.0;
  const struct {
    const char* name;
    int order, flag;
    std::vector<double> src, want;
  } cases[] = {
      {"ippsFFTFwd_RToCCS_64f", 0, 8, {a}, {a, 0.0}},
      {"fbFftFwdRToPack", 0, 8, {a}, {a}},
      {"fbFftFwdRToPerm", 0, 8, {a}, {a}},
      {"ippsFFTFwd_CToC_64fc", 0, 8, {a, b}, {a, b}},
      {"ippsFFTInv_CToC_64fc", 0, 8, {a, b}, {a, b}},
      {"ippsFFTFwd_CToC_64fc", 0, 1, {a, b}, {a, b}},  // 1/N = 1
      {"ippsFFTInv_CCSToR_64f", 0, 8, {a, 99.0}, {a}},
      {"ippsFFTFwd_RToCCS_64f", 1, 8, {a, b}, {a + b, 0.0, a - b, 0.0}},
      {"fbFftFwdRToPack", 1, 8, {a, b}, {a + b, a - b}},
      {"fbFftFwdRToPerm", 1, 8, {a, b}, {a + b, a - b}},
      {"fbFftFwdRToPerm", 1, 1, {a, b}, {(a + b) / 2, (a - b) / 2}},
      {"ippsFFTInv_CCSToR_64f", 1, 8, {a + b, 99.0, a - b, 99.0}, {2 * a, 2 * b}},
      {"fbFftInvPackToR", 1, 8, {a + b, a - b}, {2 * a, 2 * b}},
      {"fbFftInvPermToR", 1, 8, {a + b, a - b}, {2 * a, 2 * b}},
      {"fbFftInvPermToR", 1, 2, {a + b, a - b}, {a, b}},
      {"ippsFFTFwd_CToC_64fc", 1, 4, {1, 2, 3, 4},
       {4 / std::sqrt(2.0), 6 / std::sqrt(2.0), -2 / std::sqrt(2.0), -2 / std::sqrt(2.0)}},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(testing::Message() << t.name << " order " << t.order << " flag " << t.flag);
    const FrontEnd& f = Named(t.name);
    const Spec spec(f.complex, t.order, t.flag);
    std::vector<double> dst(t.want.size() + 1, -7.0);
    ASSERT_EQ(f.run(t.src.data(), dst.data(), spec.p, nullptr), ippStsNoErr);
    for (size_t i = 0; i < t.want.size(); ++i) EXPECT_EQ(Bits(dst[i]), Bits(t.want[i])) << i;
    EXPECT_EQ(dst.back(), -7.0) << "written past the end";
  }
}

// A constant signal: N c at position 0 of the CCS spectrum and zeros elsewhere, with +0.0 at
// positions 1 and N + 1.
TEST(FftFrontEnds, ConstantSignalHasOnlyTheZeroBin) {
  for (const int order : {0, 1, 2, 3, 4, 5, 9, 10, 11, 14}) {
    SCOPED_TRACE(order);
    const int64_t n = int64_t{1} << order;
    const Spec spec(false, order, IPP_FFT_NODIV_BY_ANY);
    const std::vector<double> x(n, 0.75);
    std::vector<double> ccs(CcsValues(n), -1.0);
    ASSERT_EQ(ippsFFTFwd_RToCCS_64f(x.data(), ccs.data(),
                                    static_cast<const IppsFFTSpec_R_64f*>(spec.p), nullptr),
              ippStsNoErr);
    EXPECT_EQ(ccs[0], 0.75 * double(n));
    for (int64_t i = 1; i < CcsValues(n); ++i) ASSERT_EQ(ccs[i], 0.0) << i;
    EXPECT_EQ(Bits(ccs[1]), Bits(0.0));
    EXPECT_EQ(Bits(ccs.back()), Bits(0.0));
  }
}

// A front end's aligned call at one order (scaled at the odd orders) on a random source, out
// of place without a caller's buffer: the setup, the source and the result.
struct AlignedCall {
  AlignedCall(const FrontEnd& f, int order, std::mt19937_64& rng)
      : spec(f.complex, order, order % 2 ? IPP_FFT_DIV_BY_SQRTN : IPP_FFT_NODIV_BY_ANY),
        src(Source(f, int64_t{1} << order, rng)),
        want(f.DstValues(int64_t{1} << order)),
        status(f.run(src.data(), want.data(), spec.p, nullptr)) {}
  Spec spec;
  std::vector<double> src, want;
  IppStatus status;
};

// For every front end and order: in place equals out of place; a caller's buffer at offsets 0
// to 15 from a 32-byte boundary gives the bits of no buffer.
TEST(FftFrontEnds, InPlaceAndCallerBuffersGiveTheSameBits) {
  std::mt19937_64 rng(34);
  for (const FrontEnd& f : FrontEnds()) {
    for (int order = 0; order <= 18; ++order) {
      SCOPED_TRACE(testing::Message() << f.name << " order " << order);
      const AlignedCall call(f, order, rng);
      ASSERT_EQ(call.status, ippStsNoErr);
      const Spec& spec = call.spec;
      const std::vector<double>& src = call.src;
      const std::vector<double>& want = call.want;
      const size_t dstCount = want.size();

      std::vector<double> inPlace(std::max(src.size(), dstCount));
      std::copy(src.begin(), src.end(), inPlace.begin());
      ASSERT_EQ(f.run(inPlace.data(), inPlace.data(), spec.p, nullptr), ippStsNoErr);
      for (size_t i = 0; i < dstCount; ++i) ASSERT_EQ(Bits(inPlace[i]), Bits(want[i])) << i;

      const int size = spec.BufferSize();
      if (order < 4 || (order % 3 != 0 && size == 0)) continue;  // a sample of the buffer-free orders
      std::vector<Ipp8u> storage(size + 64);
      Ipp8u* aligned = storage.data() + (32 - reinterpret_cast<uintptr_t>(storage.data()) % 32) % 32;
      for (int offset = 0; offset < 16; ++offset) {
        std::vector<double> got(dstCount);
        std::fill(storage.begin(), storage.end(), Ipp8u{0xA5});
        ASSERT_EQ(f.run(src.data(), got.data(), spec.p, size ? aligned + offset : aligned), ippStsNoErr);
        for (size_t i = 0; i < dstCount; ++i) ASSERT_EQ(Bits(got[i]), Bits(want[i])) << offset;
      }
    }
  }
}

// Every front end with its source and destination 1, 3 or 5 bytes past an 8-byte boundary (the
// values, and the complex pairs, misaligned), out of place and in place: the bits of the
// aligned call, for the orders the codelets do (0 to 3) and for the passes, with and without
// work memory.
TEST(FftFrontEnds, VectorsAtOddAddressesGiveTheAlignedBits) {
  std::mt19937_64 rng(36);
  const size_t offsets[][2] = {{1, 1}, {3, 5}, {5, 0}, {0, 3}};
  for (const FrontEnd& f : FrontEnds()) {
    for (const int order : {0, 1, 2, 3, 4, 7, 13}) {
      SCOPED_TRACE(testing::Message() << f.name << " order " << order);
      const AlignedCall call(f, order, rng);
      ASSERT_EQ(call.status, ippStsNoErr);
      const Spec& spec = call.spec;
      const std::vector<double>& src = call.src;
      const std::vector<double>& want = call.want;
      const size_t srcBytes = 8 * src.size(), dstBytes = 8 * want.size();
      // Storage of doubles, so that offset 0 is aligned; one spare value for the offset.
      const auto at = [](std::vector<double>& storage, size_t offset) {
        return reinterpret_cast<uint8_t*>(storage.data()) + offset;
      };
      for (const auto& [srcOffset, dstOffset] : offsets) {
        SCOPED_TRACE(testing::Message() << "source +" << srcOffset << ", destination +"
                                        << dstOffset);
        std::vector<double> srcStorage(src.size() + 1), dstStorage(want.size() + 1);
        uint8_t* s = at(srcStorage, srcOffset);
        uint8_t* d = at(dstStorage, dstOffset);
        std::memcpy(s, src.data(), srcBytes);
        ASSERT_EQ(f.run(reinterpret_cast<const double*>(s), reinterpret_cast<double*>(d), spec.p,
                        nullptr),
                  ippStsNoErr);
        EXPECT_EQ(std::memcmp(d, want.data(), dstBytes), 0);
      }
      std::vector<double> storage(std::max(src.size(), want.size()) + 1);
      uint8_t* v = at(storage, 3);
      std::memcpy(v, src.data(), srcBytes);
      ASSERT_EQ(f.run(reinterpret_cast<const double*>(v), reinterpret_cast<double*>(v), spec.p,
                      nullptr),
                ippStsNoErr);
      EXPECT_EQ(std::memcmp(v, want.data(), dstBytes), 0) << "in place";
    }
  }
}

// Without a caller's buffer, the orders that need work memory (complex from 12, real from 13)
// allocate it and free it; a failed allocation gives -9 with the destination untouched and
// nothing left allocated. Smaller orders allocate nothing.
TEST(FftFrontEnds, WorkMemoryIsAllocatedAndFreedPerCall) {
  std::mt19937_64 rng(35);
  for (const FrontEnd& f : FrontEnds()) {
    for (const int order : {3, 4, 11, 12, 13, 14}) {
      SCOPED_TRACE(testing::Message() << f.name << " order " << order);
      const int64_t n = int64_t{1} << order;
      const Spec spec(f.complex, order, IPP_FFT_NODIV_BY_ANY);
      const bool needsWork = order >= (f.complex ? 12 : 13);
      EXPECT_EQ(spec.BufferSize() > 0, needsWork);
      const std::vector<double> src = Source(f, n, rng);
      std::vector<double> dst(f.DstValues(n));
      const int requests = allochook::ForEachFailure(
          [&] {
            std::fill(dst.begin(), dst.end(), -3.0);
            return f.run(src.data(), dst.data(), spec.p, nullptr);
          },
          [&](IppStatus st, int, std::int64_t leaked) {
            EXPECT_EQ(st, ippStsMemAllocErr);
            EXPECT_EQ(leaked, 0);
            for (double v : dst) ASSERT_EQ(v, -3.0);
          });
      EXPECT_EQ(requests, needsWork ? 1 : 0);
      const std::int64_t before = LiveAllocations();
      ASSERT_EQ(f.run(src.data(), dst.data(), spec.p, nullptr), ippStsNoErr);
      EXPECT_EQ(LiveAllocations(), before);
    }
  }
}

// The checks in order: spec null, a setup of the other kind, src null, dst null; the
// destination is untouched.
TEST(FftFrontEnds, ChecksInOrder) {
  const Spec complexSpec(true, 5, IPP_FFT_NODIV_BY_ANY), realSpec(false, 5, IPP_FFT_NODIV_BY_ANY);
  std::vector<double> src(66, 1.0), dst(66, -2.0);
  for (const FrontEnd& f : FrontEnds()) {
    SCOPED_TRACE(f.name);
    const fbFftSpec* own = f.complex ? complexSpec.p : realSpec.p;
    const fbFftSpec* other = f.complex ? realSpec.p : complexSpec.p;
    const struct {
      const double* src;
      double* dst;
      const fbFftSpec* spec;
      IppStatus want;
    } cases[] = {
        {nullptr, nullptr, nullptr, ippStsNullPtrErr},
        {nullptr, nullptr, other, ippStsContextMatchErr},
        {src.data(), dst.data(), other, ippStsContextMatchErr},
        {nullptr, dst.data(), own, ippStsNullPtrErr},
        {src.data(), nullptr, own, ippStsNullPtrErr},
    };
    for (const auto& c : cases) EXPECT_EQ(f.run(c.src, c.dst, c.spec, nullptr), c.want);
    for (double v : dst) ASSERT_EQ(v, -2.0);
  }
}

}  // namespace
