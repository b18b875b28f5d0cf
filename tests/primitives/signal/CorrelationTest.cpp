#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

#include "primitives/signal/Correlation.h"
#include "primitives/signal/CorrelationKernels.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using ld = long double;
using Vec = std::vector<double>;
using CVec = std::vector<Ipp64fc>;

const double kCanary = std::bit_cast<double>(uint64_t{0x5A5A5A5A5A5A5A5A});

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

double RandomValue(std::mt19937& gen) {
  std::uniform_real_distribution<double> mant(-1.0, 1.0);
  std::uniform_int_distribution<int> exp(-12, 12);
  return std::ldexp(mant(gen), exp(gen));
}
Vec Random(int n, uint32_t seed) {
  std::mt19937 gen(seed);
  Vec v(static_cast<size_t>(n));
  for (double& x : v) x = RandomValue(gen);
  return v;
}
CVec RandomC(int n, uint32_t seed) {
  std::mt19937 gen(seed);
  CVec v(static_cast<size_t>(n));
  for (Ipp64fc& x : v) {
    x.re = RandomValue(gen);
    x.im = RandomValue(gen);
  }
  return v;
}

// The direct sums of one lag, terms in increasing index order, long double running sums.
double Lag(const Vec& x1, const Vec& x2, int64_t lag) {
  ld s = 0;
  for (int64_t k = 0; k < static_cast<int64_t>(x1.size()); ++k)
    if (k + lag >= 0 && k + lag < static_cast<int64_t>(x2.size()))
      s += static_cast<ld>(x1[k]) * static_cast<ld>(x2[k + lag]);
  return static_cast<double>(s);
}
Ipp64fc Lag(const CVec& x1, const CVec& x2, int64_t lag) {
  ld re = 0, im = 0;
  for (int64_t k = 0; k < static_cast<int64_t>(x1.size()); ++k)
    if (k + lag >= 0 && k + lag < static_cast<int64_t>(x2.size())) {
      const Ipp64fc a = x1[k], b = x2[k + lag];
      re += static_cast<ld>(a.re) * b.re;
      re += static_cast<ld>(a.im) * b.im;
      im += static_cast<ld>(a.re) * b.im;
      im -= static_cast<ld>(a.im) * b.re;
    }
  return {static_cast<double>(re), static_cast<double>(im)};
}

template <class V>
V CrossReplica(const V& x1, const V& x2, int dstLen, int64_t lowLag) {
  V d(static_cast<size_t>(dstLen));
  for (int j = 0; j < dstLen; ++j) d[j] = Lag(x1, x2, lowLag + j);
  return d;
}

bool Same(double a, double b) { return Bits(a) == Bits(b); }
bool Same(const Ipp64fc& a, const Ipp64fc& b) { return Same(a.re, b.re) && Same(a.im, b.im); }

template <class V>
void ExpectSameBits(const V& got, const V& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  int bad = 0;
  for (size_t k = 0; k < got.size(); ++k)
    if (!Same(got[k], want[k]) && ++bad <= 3) ADD_FAILURE() << what << " at " << k;
  EXPECT_EQ(bad, 0) << what;
}

// The eight functions through one shape, for the tables below.
Vec Auto(IppStatus (*f)(const Ipp64f*, int, Ipp64f*, int), const Vec& x, int dstLen) {
  Vec d(static_cast<size_t>(dstLen), kCanary);
  EXPECT_EQ(f(x.data(), static_cast<int>(x.size()), d.data(), dstLen), ippStsNoErr);
  return d;
}
CVec Auto(IppStatus (*f)(const Ipp64fc*, int, Ipp64fc*, int), const CVec& x, int dstLen) {
  CVec d(static_cast<size_t>(dstLen), Ipp64fc{kCanary, kCanary});
  EXPECT_EQ(f(x.data(), static_cast<int>(x.size()), d.data(), dstLen), ippStsNoErr);
  return d;
}
Vec Cross(const Vec& x1, const Vec& x2, int dstLen, int lowLag) {
  Vec d(static_cast<size_t>(dstLen), kCanary);
  EXPECT_EQ(ippsCrossCorr_64f(x1.data(), static_cast<int>(x1.size()), x2.data(),
                              static_cast<int>(x2.size()), d.data(), dstLen, lowLag),
            ippStsNoErr);
  return d;
}
CVec Cross(const CVec& x1, const CVec& x2, int dstLen, int lowLag) {
  CVec d(static_cast<size_t>(dstLen), Ipp64fc{kCanary, kCanary});
  EXPECT_EQ(ippsCrossCorr_64fc(x1.data(), static_cast<int>(x1.size()), x2.data(),
                               static_cast<int>(x2.size()), d.data(), dstLen, lowLag),
            ippStsNoErr);
  return d;
}

// Heap blocks one call takes: none on the direct paths.
template <class Call>
int Allocations(Call call) {
  return allochook::ForEachFailure(call, [](IppStatus, int, int64_t) {});
}

TEST(SignalCorrelation, ChecksNullBeforeLength) {
  double x[4] = {1, 2, 3, 4}, d[4] = {7, 7, 7, 7};
  Ipp64fc cx[2] = {{1, 2}, {3, 4}}, cd[2] = {{7, 7}, {7, 7}};
  using Real = IppStatus (*)(const Ipp64f*, int, Ipp64f*, int);
  using Cplx = IppStatus (*)(const Ipp64fc*, int, Ipp64fc*, int);
  for (Real f : {Real{ippsAutoCorr_64f}, Real{ippsAutoCorr_NormA_64f}, Real{ippsAutoCorr_NormB_64f}}) {
    EXPECT_EQ(f(nullptr, 0, d, 2), ippStsNullPtrErr);
    EXPECT_EQ(f(x, -1, nullptr, 2), ippStsNullPtrErr);
    EXPECT_EQ(f(x, 0, d, 2), ippStsSizeErr);
    EXPECT_EQ(f(x, 2, d, 0), ippStsSizeErr);
  }
  for (Cplx f : {Cplx{ippsAutoCorr_64fc}, Cplx{ippsAutoCorr_NormA_64fc}, Cplx{ippsAutoCorr_NormB_64fc}}) {
    EXPECT_EQ(f(nullptr, 0, cd, 2), ippStsNullPtrErr);
    EXPECT_EQ(f(cx, -1, nullptr, 2), ippStsNullPtrErr);
    EXPECT_EQ(f(cx, 0, cd, 2), ippStsSizeErr);
    EXPECT_EQ(f(cx, 2, cd, -3), ippStsSizeErr);
  }
  EXPECT_EQ(ippsCrossCorr_64f(nullptr, 0, x, 2, d, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 2, nullptr, 0, d, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 2, x, 2, nullptr, 0, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 0, x, 2, d, 2, 0), ippStsSizeErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 2, x, 0, d, 2, 0), ippStsSizeErr);
  EXPECT_EQ(ippsCrossCorr_64f(x, 2, x, 2, d, 0, INT_MIN), ippStsSizeErr);
  EXPECT_EQ(ippsCrossCorr_64fc(nullptr, 1, cx, 2, cd, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64fc(cx, 1, cx, 2, nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippsCrossCorr_64fc(cx, 1, cx, -2, cd, 2, 0), ippStsSizeErr);
  EXPECT_EQ(ippsCrossCorr_64fc(cx, 1, cx, 2, cd, 0, 0), ippStsSizeErr);
  for (double v : d) EXPECT_EQ(v, 7.0);
  for (const Ipp64fc& v : cd) EXPECT_TRUE(v.re == 7.0 && v.im == 7.0);
}

// Direct auto-correlation, bit for bit against the per-lag sums; lags from srcLen on are +0.
TEST(SignalCorrelation, AutoDirectSums) {
  struct Case {
    int srcLen, dstLen;
  };
  const Case real[] = {{1, 1}, {1, 5}, {10, 3}, {7, 7}, {13, 20}, {599, 599}, {2000, 599}, {300, 650}};
  for (const Case& c : real) {
    const Vec x = Random(c.srcLen, 17u * c.srcLen + c.dstLen);
    Vec want(static_cast<size_t>(c.dstLen), 0.0);
    for (int k = 0; k < std::min(c.srcLen, c.dstLen); ++k) want[k] = Lag(x, x, k);
    ExpectSameBits(Auto(ippsAutoCorr_64f, x, c.dstLen), want, "real");
    EXPECT_EQ(Allocations([&] {
                Vec d(c.dstLen);
                return ippsAutoCorr_64f(x.data(), c.srcLen, d.data(), c.dstLen);
              }),
              0);
  }
  const Case cplx[] = {{1, 1}, {1, 4}, {9, 3}, {6, 6}, {5, 11}, {95, 95}, {400, 95}, {50, 120}};
  for (const Case& c : cplx) {
    const CVec x = RandomC(c.srcLen, 5u * c.srcLen + c.dstLen);
    CVec want(static_cast<size_t>(c.dstLen), Ipp64fc{0.0, 0.0});
    for (int k = 0; k < std::min(c.srcLen, c.dstLen); ++k) want[k] = Lag(x, x, k);
    ExpectSameBits(Auto(ippsAutoCorr_64fc, x, c.dstLen), want, "complex");
  }
}

// srcLen 1: x^2 (|x|^2 with imaginary part +0), NormA's factor and NormB's divisor are 1.
TEST(SignalCorrelation, AutoOfOneElement) {
  const Vec x = {-1.5000000000000002};
  const double sq = static_cast<double>(static_cast<ld>(x[0]) * x[0]);
  for (auto f : {ippsAutoCorr_64f, ippsAutoCorr_NormA_64f, ippsAutoCorr_NormB_64f})
    ExpectSameBits(Auto(f, x, 3), Vec{sq, 0.0, 0.0}, "real");
  const CVec cx = {{3.0, -4.0}};
  for (auto f : {ippsAutoCorr_64fc, ippsAutoCorr_NormA_64fc, ippsAutoCorr_NormB_64fc})
    ExpectSameBits(Auto(f, cx, 2), CVec{{25.0, 0.0}, {0.0, 0.0}}, "complex");
}

// NormA multiplies by 1/srcLen rounded to float64, NormB divides lag k by srcLen - k.
TEST(SignalCorrelation, Normalisations) {
  for (int n : {3, 7, 49, 100}) {
    const Vec x = Random(n, 100u + n);
    const CVec cx = RandomC(n, 200u + n);
    const int dstLen = n + 2;
    const Vec r = Auto(ippsAutoCorr_64f, x, dstLen);
    const CVec cr = Auto(ippsAutoCorr_64fc, cx, dstLen);
    const ld c = static_cast<double>(1.0L / n);
    Vec a(r), b(r);
    CVec ca(cr), cb(cr);
    for (int k = 0; k < n; ++k) {
      a[k] = static_cast<double>(r[k] * c);
      b[k] = static_cast<double>(static_cast<ld>(r[k]) / (n - k));
      ca[k] = {static_cast<double>(cr[k].re * c), static_cast<double>(cr[k].im * c)};
      cb[k] = {static_cast<double>(static_cast<ld>(cr[k].re) / (n - k)),
               static_cast<double>(static_cast<ld>(cr[k].im) / (n - k))};
    }
    ExpectSameBits(Auto(ippsAutoCorr_NormA_64f, x, dstLen), a, "NormA");
    ExpectSameBits(Auto(ippsAutoCorr_NormB_64f, x, dstLen), b, "NormB");
    ExpectSameBits(Auto(ippsAutoCorr_NormA_64fc, cx, dstLen), ca, "NormA complex");
    ExpectSameBits(Auto(ippsAutoCorr_NormB_64fc, cx, dstLen), cb, "NormB complex");
  }
}

// The normalisations walk 64-bit value counts in chunks; the lag of a value must not depend on
// where a chunk ends (odd chunks split the two values of a complex lag).
TEST(SignalCorrelation, NormalisationChunksAgree) {
  const int lags = 23;
  for (int perLag : {1, 2}) {
    const Vec v = Random(lags * perLag, 9u + perLag);
    Vec whole(v);
    ASSERT_EQ(corr::DivideByRamp(whole.data(), lags, perLag, 40), ippStsNoErr);
    Vec scaled(v);
    corr::ScaleValues(scaled.data(), lags * perLag, 0.1);
    for (int64_t chunk : {1, 3, 4, 7, 46}) {
      Vec parts(v);
      ASSERT_EQ(corr::DivideByRamp(parts.data(), lags, perLag, 40, chunk), ippStsNoErr);
      ExpectSameBits(parts, whole, "ramp");
      Vec sparts(v);
      corr::ScaleValues(sparts.data(), lags * perLag, 0.1, chunk);
      ExpectSameBits(sparts, scaled, "scale");
    }
    for (int k = 0; k < lags * perLag; ++k)
      EXPECT_EQ(Bits(whole[k]), Bits(static_cast<double>(static_cast<ld>(v[k]) / (40 - k / perLag))));
  }
}

// NormB cannot have its ramp: -9, the values stay unnormalised, nothing stays allocated.
TEST(SignalCorrelation, NormBWithoutItsRamp) {
  const Vec x = Random(20, 3);
  const CVec cx = RandomC(20, 4);
  const Vec r = Auto(ippsAutoCorr_64f, x, 20);
  const CVec cr = Auto(ippsAutoCorr_64fc, cx, 20);
  const int64_t before = LiveAllocations();
  Vec d(20);
  CVec cd(20);
  {
    allochook::FailNth fail(1);
    EXPECT_EQ(ippsAutoCorr_NormB_64f(x.data(), 20, d.data(), 20), ippStsMemAllocErr);
  }
  {
    allochook::FailNth fail(1);
    EXPECT_EQ(ippsAutoCorr_NormB_64fc(cx.data(), 20, cd.data(), 20), ippStsMemAllocErr);
  }
  ExpectSameBits(d, r, "real");
  ExpectSameBits(cd, cr, "complex");
  EXPECT_EQ(LiveAllocations(), before);
}

// Cross-correlation windows: zeros outside the overlap (whatever lowLag is, without overflow),
// and the lags inside it bit for bit against the per-lag sums, across the three segments.
TEST(SignalCorrelation, CrossWindows) {
  struct Case {
    int n1, n2, dstLen, lowLag;
  };
  const Case cases[] = {
      {1, 1, 3, -1},          {1, 1, 5, INT_MIN},     {1, 1, 5, INT_MAX},
      {7, 3, 4, INT_MIN},     {3, 7, 9, INT_MAX - 4}, {5, 9, 100, INT_MIN + 2},
      {20, 20, 39, -19},      {13, 40, 52, -12},      {40, 13, 52, -39},
      {40, 13, 70, -50},      {13, 40, 30, 20},       {25, 9, 6, -30},
      {9, 25, 11, -3},        {100, 1000, 1099, -99}, {1000, 100, 1099, -999},
      {300, 300, 511, -200},  {300, 300, 511, 0},     {64, 64, 3, 61},
      {64, 65, 1, -63},       {31, 17, 200, -100},
  };
  for (const Case& c : cases) {
    const Vec x1 = Random(c.n1, 3u * c.n1 + 1), x2 = Random(c.n2, 5u * c.n2 + 2);
    ExpectSameBits(Cross(x1, x2, c.dstLen, c.lowLag), CrossReplica(x1, x2, c.dstLen, c.lowLag),
                   "real");
    const CVec y1 = RandomC(c.n1, 7u * c.n1), y2 = RandomC(c.n2, 11u * c.n2);
    ExpectSameBits(Cross(y1, y2, c.dstLen, c.lowLag), CrossReplica(y1, y2, c.dstLen, c.lowLag),
                   "complex");
    EXPECT_EQ(Allocations([&] {
                Vec d(c.dstLen);
                return ippsCrossCorr_64f(x1.data(), c.n1, x2.data(), c.n2, d.data(), c.dstLen,
                                         c.lowLag);
              }),
              0)
        << c.n1 << " " << c.n2 << " " << c.dstLen << " " << c.lowLag;
  }
  // One element each: 0, x1 * x2, 0.
  const Vec one = Cross(Vec{3.0}, Vec{-0.5}, 3, -1);
  ExpectSameBits(one, Vec{0.0, -1.5, 0.0}, "one");
}

// Random windows over random shapes, bit for bit.
TEST(SignalCorrelation, CrossRandomWindows) {
  std::mt19937 gen(77);
  for (int t = 0; t < 200; ++t) {
    const int n1 = 1 + static_cast<int>(gen() % 60), n2 = 1 + static_cast<int>(gen() % 60);
    const int lowLag = -n1 - 5 + static_cast<int>(gen() % (n1 + n2 + 10));
    const int dstLen = 1 + static_cast<int>(gen() % 130);
    const Vec x1 = Random(n1, gen()), x2 = Random(n2, gen());
    ExpectSameBits(Cross(x1, x2, dstLen, lowLag), CrossReplica(x1, x2, dstLen, lowLag), "real");
    const CVec y1 = RandomC(n1, gen()), y2 = RandomC(n2, gen());
    ExpectSameBits(Cross(y1, y2, dstLen, lowLag), CrossReplica(y1, y2, dstLen, lowLag), "complex");
  }
}

}  // namespace

namespace {

// ---- The transform paths -------------------------------------------------------------------

const double kEps = std::numeric_limits<double>::epsilon();

Vec Uniform(int n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Vec v(static_cast<size_t>(n));
  for (double& x : v) x = u(gen);
  return v;
}
CVec UniformC(int n, uint32_t seed) {
  const Vec v = Uniform(2 * n, seed);
  CVec c(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) c[i] = {v[2 * i], v[2 * i + 1]};
  return c;
}

ld Norm(const Vec& x) {
  ld s = 0;
  for (double v : x) s += static_cast<ld>(v) * v;
  return std::sqrt(s);
}
ld Norm(const CVec& x) {
  ld s = 0;
  for (const Ipp64fc& v : x) s += static_cast<ld>(v.re) * v.re + static_cast<ld>(v.im) * v.im;
  return std::sqrt(s);
}

// The lags in long double (the direct sums of the replica, unrounded), and the transform's
// rounding bound c * eps * log2(N) * |x1|_2 * |x2|_2 on each.
template <class V>
void ExpectNearModel(const V& got, const V& x1, const V& x2, int64_t lowLag, const char* what) {
  const double bound = 8 * kEps * std::log2(static_cast<double>(x1.size() + x2.size())) *
                       static_cast<double>(Norm(x1) * Norm(x2));
  int bad = 0;
  for (size_t j = 0; j < got.size(); ++j) {
    ld re = 0, im = 0;
    for (int64_t k = 0; k < static_cast<int64_t>(x1.size()); ++k) {
      const int64_t m = k + lowLag + static_cast<int64_t>(j);
      if (m < 0 || m >= static_cast<int64_t>(x2.size())) continue;
      if constexpr (std::is_same_v<V, Vec>) {
        re += static_cast<ld>(x1[k]) * x2[m];
      } else {
        re += static_cast<ld>(x1[k].re) * x2[m].re + static_cast<ld>(x1[k].im) * x2[m].im;
        im += static_cast<ld>(x1[k].re) * x2[m].im - static_cast<ld>(x1[k].im) * x2[m].re;
      }
    }
    bool ok;
    if constexpr (std::is_same_v<V, Vec>)
      ok = std::fabs(static_cast<double>(got[j] - re)) <= bound;
    else
      ok = std::fabs(static_cast<double>(got[j].re - re)) <= bound &&
           std::fabs(static_cast<double>(got[j].im - im)) <= bound;
    if (!ok && ++bad <= 3) ADD_FAILURE() << what << " lag index " << j << " bound " << bound;
  }
  EXPECT_EQ(bad, 0) << what;
}

// From L = 600 (complex 96) the transform runs: within rounding of the lags, and the lags from
// srcLen on exactly +0 (the transform is long enough that none wraps round).
TEST(SignalCorrelation, AutoThroughTheTransform) {
  struct Case {
    int srcLen, dstLen;
  };
  for (const Case& c : {Case{600, 600}, Case{600, 700}, Case{1500, 900}, Case{1024, 5000}}) {
    const Vec x = Uniform(c.srcLen, c.srcLen + 1u);
    const Vec got = Auto(ippsAutoCorr_64f, x, c.dstLen);
    const int l = std::min(c.srcLen, c.dstLen);
    ExpectNearModel(Vec(got.begin(), got.begin() + l), x, x, 0, "real");
    for (int k = l; k < c.dstLen; ++k) EXPECT_EQ(Bits(got[k]), 0u) << k;
    EXPECT_GT(Allocations([&] {
                Vec d(c.dstLen);
                return ippsAutoCorr_64f(x.data(), c.srcLen, d.data(), c.dstLen);
              }),
              0);
  }
  for (const Case& c : {Case{96, 96}, Case{96, 150}, Case{300, 100}, Case{128, 1000}}) {
    const CVec x = UniformC(c.srcLen, c.srcLen + 2u);
    const CVec got = Auto(ippsAutoCorr_64fc, x, c.dstLen);
    const int l = std::min(c.srcLen, c.dstLen);
    ExpectNearModel(CVec(got.begin(), got.begin() + l), x, x, 0, "complex");
    for (int k = l; k < c.dstLen; ++k) EXPECT_TRUE(Bits(got[k].re) == 0 && Bits(got[k].im) == 0);
    EXPECT_GT(Allocations([&] {
                CVec d(c.dstLen);
                return ippsAutoCorr_64fc(x.data(), c.srcLen, d.data(), c.dstLen);
              }),
              0);
  }
  // The normalisations act on the transform's result as on the direct one.
  const Vec x = Uniform(700, 5);
  const Vec r = Auto(ippsAutoCorr_64f, x, 700), a = Auto(ippsAutoCorr_NormA_64f, x, 700),
            b = Auto(ippsAutoCorr_NormB_64f, x, 700);
  const ld c = static_cast<double>(1.0L / 700);
  for (int k = 0; k < 700; ++k) {
    EXPECT_EQ(Bits(a[k]), Bits(static_cast<double>(r[k] * c)));
    EXPECT_EQ(Bits(b[k]), Bits(static_cast<double>(static_cast<ld>(r[k]) / (700 - k))));
  }
}

// Cross-correlation takes the transform when floor(dstLen * min / max) > 511, counting only
// the lags inside the overlap; the full window agrees with the model either way.
TEST(SignalCorrelation, CrossThroughTheTransform) {
  struct Case {
    int n1, n2, dstLen, lowLag;
    bool transform;
  };
  const Case cases[] = {
      {300, 300, 512, -299, true},  {300, 300, 511, -299, false}, {300, 300, 599, -299, true},
      {100, 1000, 1099, -99, false}, {1000, 100, 3000, -2000, false}, {700, 900, 1599, -699, true},
      {900, 700, 1599, -899, true},  {600, 600, 1700, -1000, true},  {1, 2000, 2000, 0, false},
      {2000, 1100, 1000, -1500, true},
  };
  for (const Case& c : cases) {
    const Vec x1 = Uniform(c.n1, 3u * c.n1 + 7), x2 = Uniform(c.n2, 5u * c.n2 + 9);
    const Vec got = Cross(x1, x2, c.dstLen, c.lowLag);
    ExpectNearModel(got, x1, x2, c.lowLag, "real");
    if (!c.transform)
      ExpectSameBits(got, CrossReplica(x1, x2, c.dstLen, c.lowLag), "real direct");
    // Lags outside the overlap stay exact zeros on both paths.
    for (int j = 0; j < c.dstLen; ++j) {
      const int64_t lag = int64_t{c.lowLag} + j;
      if (lag < -(c.n1 - 1) || lag > c.n2 - 1) {
        EXPECT_EQ(Bits(got[j]), 0u) << j;
      }
    }
    EXPECT_EQ(Allocations([&] {
                Vec d(c.dstLen);
                return ippsCrossCorr_64f(x1.data(), c.n1, x2.data(), c.n2, d.data(), c.dstLen,
                                         c.lowLag);
              }) > 0,
              c.transform)
        << c.n1 << " " << c.n2 << " " << c.dstLen << " " << c.lowLag;
    const CVec y1 = UniformC(c.n1, 7u * c.n1), y2 = UniformC(c.n2, 11u * c.n2);
    const CVec cgot = Cross(y1, y2, c.dstLen, c.lowLag);
    ExpectNearModel(cgot, y1, y2, c.lowLag, "complex");
    if (!c.transform)
      ExpectSameBits(cgot, CrossReplica(y1, y2, c.dstLen, c.lowLag), "complex direct");
    EXPECT_EQ(Allocations([&] {
                CVec d(c.dstLen);
                return ippsCrossCorr_64fc(y1.data(), c.n1, y2.data(), c.n2, d.data(), c.dstLen,
                                          c.lowLag);
              }) > 0,
              c.transform);
  }
}

// Every heap request of the transform paths may fail: the call returns -9 (or succeeds, when
// only the optional work buffer was refused) and leaves nothing allocated.
TEST(SignalCorrelation, OutOfMemoryReleasesEverything) {
  const Vec x = Uniform(700, 1);
  const CVec cx = UniformC(200, 2), cy = UniformC(600, 3);
  Vec d(1399);
  CVec cd(1199);
  auto check = [](IppStatus s, int k, int64_t leaked) {
    EXPECT_TRUE(s == ippStsMemAllocErr || s == ippStsNoErr) << "request " << k << ": " << s;
    EXPECT_EQ(leaked, 0) << "request " << k;
  };
  using allochook::ForEachFailure;
  EXPECT_GT(ForEachFailure([&] { return ippsAutoCorr_64f(x.data(), 700, d.data(), 700); }, check), 1);
  EXPECT_GT(ForEachFailure([&] { return ippsAutoCorr_NormB_64f(x.data(), 700, d.data(), 700); }, check), 1);
  EXPECT_GT(ForEachFailure([&] { return ippsAutoCorr_64fc(cx.data(), 200, cd.data(), 200); }, check), 1);
  EXPECT_GT(ForEachFailure([&] { return ippsAutoCorr_NormB_64fc(cx.data(), 200, cd.data(), 200); }, check), 1);
  EXPECT_GT(ForEachFailure([&] { return ippsCrossCorr_64f(x.data(), 700, x.data(), 700, d.data(), 1399, -699); }, check), 1);
  EXPECT_GT(ForEachFailure([&] { return ippsCrossCorr_64fc(cy.data(), 600, cy.data(), 600, cd.data(), 1199, -599); }, check), 1);
}

// Vectors at any address: every form on both paths gives the aligned call's bits and writes
// nothing outside pDst.
TEST(SignalCorrelation, VectorsAtOddAddresses) {
  struct Case {
    int n1, n2, dstLen, lowLag;
  };
  for (const Case& c : {Case{40, 30, 50, -20}, Case{700, 650, 1300, -690}}) {
    const Vec x1 = Uniform(c.n1, 1), x2 = Uniform(c.n2, 2);
    const CVec y1 = UniformC(c.n1, 3), y2 = UniformC(c.n2, 4);
    using RealAuto = IppStatus (*)(const Ipp64f*, int, Ipp64f*, int);
    using CplxAuto = IppStatus (*)(const Ipp64fc*, int, Ipp64fc*, int);
    for (int misalign : {1, 3}) {
      for (RealAuto f : {RealAuto{ippsAutoCorr_64f}, RealAuto{ippsAutoCorr_NormA_64f},
                         RealAuto{ippsAutoCorr_NormB_64f}}) {
        imagetest::GuardedVector s(c.n1, 8, misalign), d(c.dstLen, 8, misalign);
        std::memcpy(s.data(), x1.data(), 8 * x1.size());
        ASSERT_EQ(f(reinterpret_cast<const double*>(s.data()), c.n1,
                    reinterpret_cast<double*>(d.data()), c.dstLen), ippStsNoErr);
        Vec got(c.dstLen);
        std::memcpy(got.data(), d.data(), 8 * got.size());
        ExpectSameBits(got, Auto(f, x1, c.dstLen), "real auto");
        EXPECT_TRUE(d.OutsideUntouched());
      }
      for (CplxAuto f : {CplxAuto{ippsAutoCorr_64fc}, CplxAuto{ippsAutoCorr_NormA_64fc},
                         CplxAuto{ippsAutoCorr_NormB_64fc}}) {
        imagetest::GuardedVector s(c.n1, 16, misalign), d(c.dstLen, 16, misalign);
        std::memcpy(s.data(), y1.data(), 16 * y1.size());
        ASSERT_EQ(f(reinterpret_cast<const Ipp64fc*>(s.data()), c.n1,
                    reinterpret_cast<Ipp64fc*>(d.data()), c.dstLen), ippStsNoErr);
        CVec got(c.dstLen);
        std::memcpy(got.data(), d.data(), 16 * got.size());
        ExpectSameBits(got, Auto(f, y1, c.dstLen), "complex auto");
        EXPECT_TRUE(d.OutsideUntouched());
      }
      imagetest::GuardedVector s1(c.n1, 8, misalign), s2(c.n2, 8, misalign),
          d(c.dstLen, 8, misalign);
      std::memcpy(s1.data(), x1.data(), 8 * x1.size());
      std::memcpy(s2.data(), x2.data(), 8 * x2.size());
      ASSERT_EQ(ippsCrossCorr_64f(reinterpret_cast<const double*>(s1.data()), c.n1,
                                  reinterpret_cast<const double*>(s2.data()), c.n2,
                                  reinterpret_cast<double*>(d.data()), c.dstLen, c.lowLag),
                ippStsNoErr);
      Vec got(c.dstLen);
      std::memcpy(got.data(), d.data(), 8 * got.size());
      ExpectSameBits(got, Cross(x1, x2, c.dstLen, c.lowLag), "real cross");
      EXPECT_TRUE(d.OutsideUntouched());
      imagetest::GuardedVector t1(c.n1, 16, misalign), t2(c.n2, 16, misalign),
          e(c.dstLen, 16, misalign);
      std::memcpy(t1.data(), y1.data(), 16 * y1.size());
      std::memcpy(t2.data(), y2.data(), 16 * y2.size());
      ASSERT_EQ(ippsCrossCorr_64fc(reinterpret_cast<const Ipp64fc*>(t1.data()), c.n1,
                                   reinterpret_cast<const Ipp64fc*>(t2.data()), c.n2,
                                   reinterpret_cast<Ipp64fc*>(e.data()), c.dstLen, c.lowLag),
                ippStsNoErr);
      CVec cgot(c.dstLen);
      std::memcpy(cgot.data(), e.data(), 16 * cgot.size());
      ExpectSameBits(cgot, Cross(y1, y2, c.dstLen, c.lowLag), "complex cross");
      EXPECT_TRUE(e.OutsideUntouched());
    }
  }
}

}  // namespace
