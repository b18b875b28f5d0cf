#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>
#include <random>
#include <vector>

#include "primitives/signal/FftTransforms.h"

namespace {

using namespace builtin;
using ld = long double;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

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

}  // namespace
