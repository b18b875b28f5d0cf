#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "primitives/signal/Convolution.h"
#include "primitives/signal/ConvolutionKernels.h"
#include "primitives/signal/FftSetup.h"
#include "primitives/signal/FftTransforms.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using ld = long double;
using Vec = std::vector<double>;

const double kEps = std::numeric_limits<double>::epsilon();

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

// Values of both signs over many binades, so that the order of the additions shows in the bits.
Vec Random(int n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> mant(-1.0, 1.0);
  std::uniform_int_distribution<int> exp(-12, 12);
  Vec v(static_cast<size_t>(n));
  for (double& x : v) x = std::ldexp(mant(gen), exp(gen));
  return v;
}

// The direct sums in their order: A the longer input (the first on equal lengths), taken in
// blocks of `block`; each output adds A[j] * B[i] to itself in long double, rounded on store.
Vec DirectReplica(const Vec& x1, const Vec& x2, int64_t block) {
  const Vec& a = x1.size() >= x2.size() ? x1 : x2;
  const Vec& b = x1.size() >= x2.size() ? x2 : x1;
  const int64_t la = static_cast<int64_t>(a.size()), lb = static_cast<int64_t>(b.size());
  Vec d(static_cast<size_t>(la + lb - 1), 0.0);
  for (int64_t p = 0; p < la; p += block)
    for (int64_t i = 0; i < lb; ++i)
      for (int64_t j = p; j < std::min(la, p + block); ++j)
        d[i + j] = static_cast<double>(static_cast<ld>(a[j]) * b[i] + static_cast<ld>(d[i + j]));
  return d;
}

Vec Convolve(const Vec& x1, const Vec& x2, IppStatus* status = nullptr) {
  Vec d(x1.size() + x2.size() - 1, std::bit_cast<double>(uint64_t{0x5A5A5A5A5A5A5A5A}));
  const IppStatus s = ippsConv_64f(x1.data(), static_cast<int>(x1.size()), x2.data(),
                                   static_cast<int>(x2.size()), d.data());
  if (status != nullptr) *status = s;
  EXPECT_EQ(s, ippStsNoErr);
  return d;
}

// How many heap blocks one call takes: 0 on the direct paths.
int Allocations(const Vec& x1, const Vec& x2) {
  Vec d(x1.size() + x2.size() - 1);
  return allochook::ForEachFailure(
      [&] {
        return ippsConv_64f(x1.data(), static_cast<int>(x1.size()), x2.data(),
                            static_cast<int>(x2.size()), d.data());
      },
      [](IppStatus, int, int64_t) {});
}

void ExpectSameBits(const Vec& got, const Vec& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  int64_t bad = 0;
  for (size_t k = 0; k < got.size(); ++k)
    if (Bits(got[k]) != Bits(want[k]) && ++bad <= 3)
      ADD_FAILURE() << what << " k=" << k << " got " << got[k] << " want " << want[k];
  EXPECT_EQ(bad, 0) << what;
}

TEST(SignalConvolution, ChecksNullBeforeLength) {
  const double x[2] = {1, 2};
  double d[4] = {7, 7, 7, 7};
  struct Case {
    const double* s1;
    int n1;
    const double* s2;
    int n2;
    double* dst;
    IppStatus want;
  };
  const Case cases[] = {
      {nullptr, 0, x, 2, d, ippStsNullPtrErr}, {x, 2, nullptr, -1, d, ippStsNullPtrErr},
      {x, 0, x, 2, nullptr, ippStsNullPtrErr}, {x, 0, x, 2, d, ippStsSizeErr},
      {x, 2, x, -5, d, ippStsSizeErr},         {x, INT32_MIN, x, 1, d, ippStsSizeErr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ippsConv_64f(c.s1, c.n1, c.s2, c.n2, c.dst), c.want);
    for (double v : d) EXPECT_EQ(v, 7.0);
  }
}

TEST(SignalConvolution, SingleElements) {
  const double a = 3.0000000000000004, b = -1.25;
  double d = 0;
  EXPECT_EQ(ippsConv_64f(&a, 1, &b, 1, &d), ippStsNoErr);
  EXPECT_EQ(Bits(d), Bits(static_cast<double>(static_cast<ld>(a) * b)));
}

// The direct paths, bit for bit: the plain loop below la = 4096, the blocked one from there on
// (4096 is one block, so it equals the plain loop), inputs in either order.
TEST(SignalConvolution, DirectSumsInTheirOrder) {
  struct Case {
    int n1, n2;
  };
  const Case cases[] = {{75, 75}, {1, 1},    {1, 60},    {149, 1},  {40, 31},   {31, 5000},
                        {4095, 20}, {20, 4096}, {4097, 20}, {9000, 7}, {8192, 31}, {33, 70}};
  for (const Case& c : cases) {
    const Vec x1 = Random(c.n1, 11u * c.n1 + c.n2), x2 = Random(c.n2, 7u * c.n2 + 3);
    const int64_t la = std::max(c.n1, c.n2);
    const Vec want = DirectReplica(x1, x2, la < 4096 ? la : 4096);
    ExpectSameBits(Convolve(x1, x2), want, "direct");
    if (la <= 4096) ExpectSameBits(want, DirectReplica(x1, x2, la), "one block");
    EXPECT_EQ(Allocations(x1, x2), 0) << c.n1 << " x " << c.n2;
    // Only the order of the inputs by length matters: unequal lengths swap to the same bits.
    if (c.n1 != c.n2) ExpectSameBits(Convolve(x2, x1), want, "swapped");
  }
}

// Exact integer data: every path gives the exact result; the result is written in full and
// nothing beyond it, at any alignment of the vectors.
TEST(SignalConvolution, ExactOnIntegersAndWritesOnlyTheResult) {
  for (int misalign : {0, 1, 3}) {
    const int n1 = 70, n2 = 9, len = n1 + n2 - 1;
    imagetest::GuardedVector s1(n1, 8, misalign), s2(n2, 8, misalign), d(len, 8, misalign);
    std::vector<int64_t> exact(len, 0);
    for (int i = 0; i < n1; ++i) {
      const double v = (i * 37 % 23) - 11;
      std::memcpy(s1.data() + 8 * i, &v, 8);
    }
    for (int j = 0; j < n2; ++j) {
      const double v = (j * 5 % 7) - 3;
      std::memcpy(s2.data() + 8 * j, &v, 8);
    }
    for (int i = 0; i < n1; ++i)
      for (int j = 0; j < n2; ++j) exact[i + j] += ((i * 37 % 23) - 11) * ((j * 5 % 7) - 3);
    ASSERT_EQ(ippsConv_64f(reinterpret_cast<const double*>(s1.data()), n1,
                           reinterpret_cast<const double*>(s2.data()), n2,
                           reinterpret_cast<double*>(d.data())),
              ippStsNoErr);
    for (int k = 0; k < len; ++k) {
      double v;
      std::memcpy(&v, d.data() + 8 * k, 8);
      EXPECT_EQ(v, static_cast<double>(exact[k])) << k;
    }
    EXPECT_TRUE(d.OutsideUntouched());
    EXPECT_TRUE(s1.OutsideUntouched());
  }
}

// The vector passes give the plain sums' bits on every instruction set: on random values, on
// values whose fused multiply-add differs from the long double steps (each odd output adds
// 1 + 2^-53 + 2^-104 + ..., which the long double steps round to the tie 1 + 2^-53 and then
// to 1, the fused sum to 1 + 2^-52), at every alignment, and on values outside the kernel's
// range (tiny, huge, infinite, NaN), which the plain code takes.
TEST(SignalConvolution, VectorPassesEqualThePlainSums) {
  const double bh = 1.0 + 0x1p-52, ah = (1.0 + 0x1p-52) * 0x1p-53;
  std::mt19937 gen(5);
  auto hard = [&](int n) {
    Vec v(static_cast<size_t>(n));
    for (int j = 0; j + 1 < n; j += 2) {
      const double scale = std::ldexp(gen() % 2 ? 1.0 : -1.0, static_cast<int>(gen() % 40) - 20);
      v[j] = ah * scale;
      v[j + 1] = scale;
    }
    if (n % 2) v[n - 1] = 0.5;
    return v;
  };
  // Sums just above the tie, by (k + 1) 2^-105 with k in [2^32, 2^39]: the long double steps
  // still round to the tie and then to 1, the fused sum rounds up. Only a kernel margin wide
  // enough refuses them.
  auto nearTie = [&](int n) {
    Vec v(static_cast<size_t>(n));
    for (int j = 0; j + 1 < n; j += 2) {
      const double k = std::ldexp(1.0 + (gen() % 1024) / 1024.0, 32 + static_cast<int>(gen() % 7));
      v[j] = (1.0 + k * 0x1p-52) * 0x1p-53;
      v[j + 1] = 1.0;
    }
    if (n % 2) v[n - 1] = 0.25;
    return v;
  };
  struct Case {
    Vec x1, x2;
  };
  Vec odd = Random(300, 1);
  odd[17] = 1e-310;
  Vec huge = Random(300, 2);
  huge[200] = 0x1p900;
  Vec inf = Random(90, 3), nan = Random(90, 4);
  inf[40] = std::numeric_limits<double>::infinity();
  nan[41] = std::numeric_limits<double>::quiet_NaN();
  const std::vector<Case> cases = {
      {Random(301, 10), Random(17, 11)},  {Random(5000, 12), Random(9, 13)},
      {hard(301), Vec{1.0, bh}},          {hard(64), Vec{1.0, bh, 0.0, 1.0}},
      {nearTie(301), Vec{1.0, bh}},
      {Random(75, 14), Random(75, 15)}  , {odd, Random(20, 16)},
      {huge, Random(20, 17)},             {inf, Random(25, 18)},
      {nan, Random(25, 19)},              {Vec(200, 0.0), Random(30, 20)},
  };
  // The hard values do tell the fused sum from the long double steps.
  {
    const Vec a = hard(301);
    const Vec want = DirectReplica(a, Vec{1.0, bh}, 301);
    int differ = 0;
    for (int k = 1; k < 301; k += 2) differ += Bits(std::fma(a[k - 1], bh, a[k])) != Bits(want[k]);
    EXPECT_GT(differ, 100);
    const Vec t = nearTie(301);
    const Vec tieWant = DirectReplica(t, Vec{1.0, bh}, 301);
    differ = 0;
    for (int k = 1; k < 301; k += 2) differ += Bits(std::fma(t[k - 1], bh, t[k])) != Bits(tieWant[k]);
    EXPECT_GT(differ, 100);
  }
  imagetest::ForEachVectorTarget([&] {
    for (const Case& c : cases) {
      const int64_t la = std::max(c.x1.size(), c.x2.size());
      const Vec want = DirectReplica(c.x1, c.x2, la < 4096 ? la : 4096);
      for (int misalign : {0, 3}) {
        const int n1 = static_cast<int>(c.x1.size()), n2 = static_cast<int>(c.x2.size());
        imagetest::GuardedVector s1(n1, 8, misalign), s2(n2, 8, 5 - misalign),
            d(n1 + n2 - 1, 8, misalign);
        std::memcpy(s1.data(), c.x1.data(), 8 * c.x1.size());
        std::memcpy(s2.data(), c.x2.data(), 8 * c.x2.size());
        ASSERT_EQ(ippsConv_64f(reinterpret_cast<const double*>(s1.data()), n1,
                               reinterpret_cast<const double*>(s2.data()), n2,
                               reinterpret_cast<double*>(d.data())),
                  ippStsNoErr);
        Vec got(want.size());
        std::memcpy(got.data(), d.data(), 8 * got.size());
        ExpectSameBits(got, want, "vector");
        EXPECT_TRUE(d.OutsideUntouched());
      }
    }
  });
}

}  // namespace

namespace {

// ---- The transform paths -------------------------------------------------------------------

Vec Uniform(int n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Vec v(static_cast<size_t>(n));
  for (double& x : v) x = u(gen);
  return v;
}

// The convolution in long double, and the bound of a transform's rounding errors on it:
// c * eps * log2(N) * |a|_2 * |b|_2 for every output.
void ExpectNearModel(const Vec& got, const Vec& x1, const Vec& x2, const char* what) {
  const size_t len = x1.size() + x2.size() - 1;
  ASSERT_EQ(got.size(), len);
  std::vector<ld> model(len, 0.0L);
  ld n1 = 0, n2 = 0;
  for (size_t i = 0; i < x1.size(); ++i) {
    n1 += static_cast<ld>(x1[i]) * x1[i];
    for (size_t j = 0; j < x2.size(); ++j) model[i + j] += static_cast<ld>(x1[i]) * x2[j];
  }
  for (double v : x2) n2 += static_cast<ld>(v) * v;
  const double bound =
      8 * kEps * std::log2(static_cast<double>(len)) * static_cast<double>(std::sqrt(n1 * n2));
  int bad = 0;
  for (size_t k = 0; k < len; ++k)
    if (!(std::fabs(static_cast<double>(got[k] - model[k])) <= bound) && ++bad <= 3)
      ADD_FAILURE() << what << " k=" << k << " got " << got[k] << " model "
                    << static_cast<double>(model[k]) << " bound " << bound;
  EXPECT_EQ(bad, 0) << what;
}

// The transform paths as the public transforms compute them: one transform of N >= len, or
// overlap-save with blocks of M = 2^(d+1) >= 4 * lb delivering S = M - lb + 1 results each.
Vec TransformReplica(const Vec& x1, const Vec& x2, bool overlapSave) {
  const Vec& a = x1.size() >= x2.size() ? x1 : x2;
  const Vec& b = x1.size() >= x2.size() ? x2 : x1;
  const int64_t la = a.size(), lb = b.size(), len = la + lb - 1;
  int order = 2;
  while ((int64_t{1} << order) < (overlapSave ? 2 * lb : len)) ++order;
  if (overlapSave) ++order;
  const int64_t n = int64_t{1} << order;
  IppsFFTSpec_R_64f* spec = nullptr;
  EXPECT_EQ(ippsFFTInitAlloc_R_64f(&spec, order, IPP_FFT_DIV_INV_BY_N, ippAlgHintNone), 0);
  Vec x(n, 0.0), y(n, 0.0), d(len);
  std::copy(b.begin(), b.end(), x.begin());
  fbFftFwdRToPerm(x.data(), x.data(), spec, nullptr);
  const int64_t step = overlapSave ? n - lb + 1 : len;
  for (int64_t pos = 0; pos < len; pos += step) {
    const int64_t h = pos == 0 ? 0 : lb - 1;
    const int64_t c = overlapSave ? std::min(la - pos + h, h + step) : la;
    std::fill(y.begin(), y.end(), 0.0);
    std::copy(a.begin() + (pos - h), a.begin() + (pos - h + c), y.begin());
    fbFftFwdRToPerm(y.data(), y.data(), spec, nullptr);
    fbMulPerm(x.data(), y.data(), static_cast<int>(n));
    fbFftInvPermToR(y.data(), y.data(), spec, nullptr);
    std::copy(y.begin() + h, y.begin() + h + std::min(step, len - pos), d.begin() + pos);
  }
  ippsFFTFree_R_64f(spec);
  return d;
}

// The path boundaries: each side of every threshold gives the bits of its own path, and every
// transform result lies within rounding of the exact convolution.
TEST(SignalConvolution, TransformPathsAndTheirBoundaries) {
  struct Case {
    int n1, n2;
    enum { kDirect, kOne, kOverlapSave } path;
  };
  const Case cases[] = {
      {75, 75, Case::kDirect},        {76, 75, Case::kOne},           {75, 76, Case::kOne},
      {6000, 31, Case::kDirect},      {113, 38, Case::kOne},          {38, 114, Case::kOverlapSave},
      {100000, 40, Case::kOverlapSave}, {1000, 999, Case::kOne},      {5000, 300, Case::kOverlapSave},
      {32, 119, Case::kOverlapSave},  {32, 118, Case::kDirect},       {2000, 700, Case::kOne},
      // At la = 3 lb the overlap-save blocks are as long as the single transform; with lb a
      // power of two they are two, so the two paths give different bits.
      {64, 192, Case::kOverlapSave},  {191, 64, Case::kOne},
  };
  for (const Case& c : cases) {
    const Vec x1 = Uniform(c.n1, 3u * c.n1 + c.n2), x2 = Uniform(c.n2, 5u * c.n2 + 1);
    const Vec got = Convolve(x1, x2);
    const int64_t la = std::max(c.n1, c.n2);
    const Vec want = c.path == Case::kDirect ? DirectReplica(x1, x2, la < 4096 ? la : 4096)
                                             : TransformReplica(x1, x2, c.path == Case::kOverlapSave);
    ExpectSameBits(got, want, "path");
    ExpectNearModel(got, x1, x2, "model");
    EXPECT_EQ(Allocations(x1, x2) > 0, c.path != Case::kDirect) << c.n1 << " x " << c.n2;
  }
}

// Every heap request of a transform path may fail: the call then returns -9 and leaves nothing
// allocated.
TEST(SignalConvolution, OutOfMemoryReleasesEverything) {
  for (int n1 : {200, 3000}) {
    const Vec x1 = Uniform(n1, 1), x2 = Uniform(100, 2);
    Vec d(n1 + 99);
    const int requests = allochook::ForEachFailure(
        [&] { return ippsConv_64f(x1.data(), n1, x2.data(), 100, d.data()); },
        [&](IppStatus s, int k, int64_t leaked) {
          EXPECT_EQ(s, ippStsMemAllocErr) << "request " << k;
          EXPECT_EQ(leaked, 0) << "request " << k;
        });
    EXPECT_GT(requests, 1);
  }
}

}  // namespace
