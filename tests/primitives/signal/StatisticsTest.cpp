#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/Statistics.h"
#include "primitives/signal/StatisticsKernels.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;
using ld = long double;

const double kNaN = std::bit_cast<double>(uint64_t{0x7FF8000000000000});
const double kInf = std::bit_cast<double>(uint64_t{0x7FF0000000000000});
const double kCanary = std::bit_cast<double>(uint64_t{0x5A5A5A5A5A5A5A5A});

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }
uint32_t Bits(float x) { return std::bit_cast<uint32_t>(x); }

// Values of every kind: signed zeros, subnormals, tiny, huge, infinities, ordinary values of
// both signs over many exponents, and (where asked) NaNs.
std::vector<double> Values(std::mt19937& rng, int n, bool nans) {
  static const double kSpecial[] = {0.0,     -0.0,   4.9e-324, -1e-310, 1e-300, -1e-300,
                                    1.7e308, -1e300, kInf,     -kInf,   1.0,    -3.0};
  std::uniform_int_distribution<int> pick(0, 15), exponent(-60, 60);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> v(static_cast<size_t>(n));
  for (double& x : v) {
    const int k = pick(rng);
    if (k < 4) x = kSpecial[rng() % std::size(kSpecial)];
    else if (k == 4 && nans) x = kNaN;
    else x = std::ldexp(unit(rng), exponent(rng));
  }
  return v;
}

// Finite values only, so that sums stay meaningful. With `cancelling`, half the values are
// large multiples of 2^70 that cancel one another while the small ones fall below the long
// double sums' last bit or not depending on which partial sum they join, so that the order of
// the partial sums shows in the result.
std::vector<double> Ordinary(std::mt19937& rng, int n, bool cancelling) {
  std::uniform_int_distribution<int> exponent(-30, 30), multiple(-7, 7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> v(static_cast<size_t>(n));
  for (double& x : v) x = std::ldexp(unit(rng), exponent(rng));
  // A large value and its negation side by side: they meet only when the sums are combined.
  for (size_t i = 0; cancelling && i + 1 < v.size(); i += 2) {
    if (rng() % 2 == 0) continue;
    v[i] = std::ldexp(double(multiple(rng)), 70);
    v[i + 1] = -v[i];
  }
  return v;
}

std::vector<Ipp64fc> Pairs(const std::vector<double>& v) {
  std::vector<Ipp64fc> c(v.size() / 2);
  if (!c.empty()) std::memcpy(c.data(), v.data(), c.size() * sizeof(Ipp64fc));
  return c;
}

// ---- Replicas: each partial-sum pattern and element formula written out with indexes ---------

// Elements 0, 2 of each whole block of four to E, 1, 3 to O; the tail to E.
void Partial(const std::vector<ld>& x, ld& e, ld& o, size_t& tail) {
  const size_t whole = x.size() - x.size() % 4;
  e = o = 0.0L;
  for (size_t i = 0; i < whole; ++i) (i % 2 == 0 ? e : o) += x[i];
  tail = whole;
}

double MeanReplica(const std::vector<double>& s) {
  ld e, o;
  size_t tail;
  Partial(std::vector<ld>(s.begin(), s.end()), e, o, tail);
  for (size_t i = tail; i < s.size(); ++i) e += s[i];
  return static_cast<double>((e + o) / static_cast<ld>(s.size()));
}

float Mean32Replica(const std::vector<float>& s) {
  ld e, o;
  size_t tail;
  Partial(std::vector<ld>(s.begin(), s.end()), e, o, tail);
  ld t = e + o;
  for (size_t i = tail; i < s.size(); ++i) t += s[i];
  return static_cast<float>(t / static_cast<ld>(s.size()));
}

double StdDevReplica(const std::vector<double>& s) {
  const size_t n = s.size(), whole = n - n % 4;
  ld e = 0, o = 0, e2 = 0, o2 = 0;
  for (size_t i = 0; i < whole; i += 4) {
    const ld a = s[i], b = s[i + 1], c = s[i + 2], d = s[i + 3];
    e += a;
    o += b;
    e += c;
    o += d;
    e2 += a * a + c * c;
    o2 += b * b + d * d;
  }
  for (size_t i = whole; i < n; ++i) {
    e += s[i];
    e2 += ld{s[i]} * s[i];
  }
  const ld num = ld(n) * (o2 + e2) - (o + e) * (o + e);
  return num > 0 ? static_cast<double>(std::sqrt(num / (ld(n) * ld(n - 1)))) : 0.0;
}

// ---- Replica oracle over random vectors ------------------------------------------------------

// One member's result bits against its replica on vectors a, b of length n.
struct TReduction {
  std::string Name;
  std::function<std::vector<uint64_t>(const std::vector<double>& a, const std::vector<double>& b)>
      Built, Replica;
  bool Nans;
};

std::vector<uint64_t> One(double x) { return {Bits(x)}; }

const std::vector<TReduction>& Reductions() {
  static const std::vector<TReduction> cases = {
      {"NormDiff_L1",
       [](auto& a, auto& b) {
         double r = kCanary;
         EXPECT_EQ(ippsNormDiff_L1_64f(a.data(), b.data(), int(a.size()), &r), ippStsNoErr);
         return One(r);
       },
       [](auto& a, auto& b) {
         ld s = 0;
         for (size_t i = 0; i < a.size(); ++i) s += std::fabs(ld{a[i]} - b[i]);
         return One(double(s));
       },
       true},
      {"NormDiff_L2",
       [](auto& a, auto& b) {
         double r = kCanary;
         EXPECT_EQ(ippsNormDiff_L2_64f(a.data(), b.data(), int(a.size()), &r), ippStsNoErr);
         return One(r);
       },
       [](auto& a, auto& b) {
         ld s = 0;
         for (size_t i = 0; i < a.size(); ++i) s += (ld{a[i]} - b[i]) * (ld{a[i]} - b[i]);
         return One(double(std::sqrt(s)));
       },
       true},
      {"NormDiff_Inf",
       [](auto& a, auto& b) {
         double r = kCanary;
         EXPECT_EQ(ippsNormDiff_Inf_64f(a.data(), b.data(), int(a.size()), &r), ippStsNoErr);
         return One(r);
       },
       [](auto& a, auto& b) {
         ld m = 0;
         for (size_t i = 0; i < a.size(); ++i)
           if (std::fabs(ld{a[i]} - b[i]) > m) m = std::fabs(ld{a[i]} - b[i]);
         return One(double(m));
       },
       true},
      {"Mean_64f",
       [](auto& a, auto&) {
         double r = kCanary;
         EXPECT_EQ(ippsMean_64f(a.data(), int(a.size()), &r), ippStsNoErr);
         return One(r);
       },
       [](auto& a, auto&) { return One(MeanReplica(a)); }, true},
      {"Mean_32f",
       [](auto& a, auto&) {
         const std::vector<float> f(a.begin(), a.end());
         float r = 0;
         EXPECT_EQ(ippsMean_32f(f.data(), int(f.size()), &r, ippAlgHintAccurate), ippStsNoErr);
         return std::vector<uint64_t>{Bits(r)};
       },
       [](auto& a, auto&) {
         return std::vector<uint64_t>{Bits(Mean32Replica(std::vector<float>(a.begin(), a.end())))};
       },
       true},
      {"StdDev",
       [](auto& a, auto&) {
         double r = kCanary;
         EXPECT_EQ(ippsStdDev_64f(a.data(), int(a.size()), &r), a.size() < 2 ? ippStsSizeErr : ippStsNoErr);
         return One(r);
       },
       [](auto& a, auto&) { return One(a.size() < 2 ? kCanary : StdDevReplica(a)); }, true},
      {"MinIndx / MaxIndx",
       [](auto& a, auto&) {
         double lo = kCanary, hi = kCanary, lo2 = kCanary, hi2 = kCanary;
         int i = -1, j = -1;
         EXPECT_EQ(ippsMinIndx_64f(a.data(), int(a.size()), &lo, &i), ippStsNoErr);
         EXPECT_EQ(ippsMaxIndx_64f(a.data(), int(a.size()), &hi, &j), ippStsNoErr);
         EXPECT_EQ(ippsMinIndx_64f(a.data(), int(a.size()), &lo2, nullptr), ippStsNoErr);
         EXPECT_EQ(ippsMaxIndx_64f(a.data(), int(a.size()), &hi2, nullptr), ippStsNoErr);
         return std::vector<uint64_t>{Bits(lo), uint64_t(i), Bits(hi), uint64_t(j), Bits(lo2), Bits(hi2)};
       },
       [](auto& a, auto&) {
         size_t i = 0, j = 0;
         for (size_t k = 1; k < a.size(); ++k) {
           // Negated tests: a NaN is equal to and less than the other operand.
           if (std::isnan(a[k]) || std::isnan(a[i]) || a[k] < a[i]) i = k;
           if (!std::isnan(a[k]) && !std::isnan(a[j]) && a[k] > a[j]) j = k;
         }
         return std::vector<uint64_t>{Bits(a[i]), uint64_t(i), Bits(a[j]), uint64_t(j), Bits(a[i]), Bits(a[j])};
       },
       true},
      {"DotProd_64f",
       [](auto& a, auto& b) {
         double r = kCanary;
         EXPECT_EQ(ippsDotProd_64f(a.data(), b.data(), int(a.size()), &r), ippStsNoErr);
         return One(r);
       },
       [](auto& a, auto& b) {
         ld s = 0;
         for (size_t i = 0; i < a.size(); ++i) s += ld{a[i]} * b[i];
         return One(double(s));
       },
       true},
      {"DotProd_64fc",
       [](auto& a, auto& b) {
         const auto x = Pairs(a), y = Pairs(b);
         Ipp64fc r{kCanary, kCanary};
         if (!x.empty()) {
           EXPECT_EQ(ippsDotProd_64fc(x.data(), y.data(), int(x.size()), &r), ippStsNoErr);
         }
         return std::vector<uint64_t>{Bits(r.re), Bits(r.im)};
       },
       [](auto& a, auto& b) {
         if (a.size() < 2) return std::vector<uint64_t>{Bits(kCanary), Bits(kCanary)};
         ld re = 0, im = 0;
         for (size_t i = 0; i + 1 < a.size(); i += 2) {
           re = (re + ld{a[i]} * b[i]) - ld{a[i + 1]} * b[i + 1];
           im = (im + ld{a[i]} * b[i + 1]) + ld{a[i + 1]} * b[i];
         }
         return std::vector<uint64_t>{Bits(double(re)), Bits(double(im))};
       },
       true},
      {"Norm_L2_64fc64f",
       [](auto& a, auto&) {
         const auto x = Pairs(a);
         double r = kCanary;
         if (!x.empty()) {
           EXPECT_EQ(ippsNorm_L2_64fc64f(x.data(), int(x.size()), &r), ippStsNoErr);
         }
         return One(r);
       },
       [](auto& a, auto&) {
         const size_t n = a.size() / 2;
         if (n == 0) return One(kCanary);
         ld e = 0, o = 0;
         for (size_t k = 0; k < n; ++k)
           (k % 2 == 0 ? e : o) += ld{a[2 * k]} * a[2 * k] + ld{a[2 * k + 1]} * a[2 * k + 1];
         return One(double(std::sqrt(o + e)));
       },
       true},
  };
  return cases;
}

TEST(SignalStatistics, ReductionsEqualTheirLongDoubleReplicasBitForBit) {
  std::mt19937 rng(105);
  for (const TReduction& c : Reductions()) {
    SCOPED_TRACE(c.Name);
    for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 31, 64, 257}) {
      for (int round = 0; round < 20; ++round) {
        // A third of the rounds on wild values (overflow, NaN, infinities), the others on
        // finite ones, whose sums are where the partial-sum pattern shows.
        const bool wild = round % 3 == 0;
        const bool cancelling = round % 3 == 2;
        const auto a = wild ? Values(rng, n, c.Nans) : Ordinary(rng, n, cancelling);
        const auto b = wild ? Values(rng, n, c.Nans) : Ordinary(rng, n, cancelling);
        ASSERT_EQ(c.Built(a, b), c.Replica(a, b)) << "n " << n << " round " << round;
      }
    }
  }
}

// ---- Element-wise members: out of place, in place, destination equal to the source -----------

struct TElementwise {
  std::string Name;
  // Runs the member from s into d (d may be s, or the in-place form on d, holding s).
  std::function<IppStatus(const std::vector<double>& s, std::vector<double>& d, bool inPlace)> Run;
  std::function<std::vector<double>(const std::vector<double>& s)> Replica;
  bool HasInPlaceForm;
};

// The complex threshold replica, by the rules for each code and form.
std::vector<double> ComplexThreshold(const std::vector<double>& s, double level, bool limit, bool inPlace) {
  std::vector<double> d = s;
  const ld l2 = ld{level} * level;
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    const double a = s[i], b = s[i + 1];
    const ld m = ld{a} * a + ld{b} * b;
    const auto scale = [&] {
      const ld f = std::sqrt(l2 / m);
      d[i] = double(a * f);
      d[i + 1] = double(b * f);
    };
    if (limit) {
      if (std::isnan(m) ? !inPlace : m > l2) scale();
    } else if (std::isnan(m)) {
      if (inPlace) d[i] = level;
    } else if (m < l2) {
      if (m == 0) {
        d[i] = level;
        if (!inPlace) d[i + 1] = 0.0;
      } else {
        scale();
      }
    }
  }
  return d;
}

std::vector<double> RealThreshold(const std::vector<double>& s, double level, bool limit, bool inPlace) {
  std::vector<double> d = s;
  for (double& x : d) {
    if (std::isnan(x)) x = inPlace == limit ? level : x;
    else if (limit ? x > level : x < level) x = level;
  }
  return d;
}

const std::vector<TElementwise>& Elementwise() {
  static const double kOffset = 0.75, kDivisor = -3.0;
  static const std::vector<TElementwise> cases = {
      {"Normalize_64f",
       [](auto& s, auto& d, bool) { return ippsNormalize_64f(s.data(), d.data(), int(s.size()), kOffset, kDivisor); },
       [](auto& s) {
         std::vector<double> d(s.size());
         for (size_t i = 0; i < s.size(); ++i) d[i] = double((ld{s[i]} - kOffset) * (1.0L / kDivisor));
         return d;
       },
       false},
      {"Normalize_64fc",
       [](auto& s, auto& d, bool) {
         return ippsNormalize_64fc(reinterpret_cast<const Ipp64fc*>(s.data()), reinterpret_cast<Ipp64fc*>(d.data()),
                                   int(s.size() / 2), Ipp64fc{kOffset, -2.5}, kDivisor);
       },
       [](auto& s) {
         std::vector<double> d(s.size());
         for (size_t i = 0; i < s.size(); ++i)
           d[i] = double((ld{s[i]} - (i % 2 == 0 ? kOffset : -2.5)) * (1.0L / kDivisor));
         return d;
       },
       false},
      {"Normalize_32f",
       [](auto& s, auto& d, bool) {
         std::vector<float> f(s.begin(), s.end()), g(s.size());
         float* out = &d == &s ? f.data() : g.data();
         const IppStatus st = ippsNormalize_32f(f.data(), out, int(f.size()), 0.25f, 1e-37f);
         d.assign(out, out + f.size());
         return st;
       },
       [](auto& s) {
         std::vector<double> d(s.size());
         for (size_t i = 0; i < s.size(); ++i)
           d[i] = float((ld{float(s[i])} - 0.25f) * (1.0L / ld{1e-37f}));
         return d;
       },
       false},
  };
  static std::vector<TElementwise> all = [] {
    std::vector<TElementwise> v = cases;
    for (double level : {0.0, 1.5, 1e-200, 1e300}) {
      for (bool limit : {false, true}) {
        const IppCmpOp op = limit ? ippCmpGreater : ippCmpLess;
        const std::string tag = std::string(limit ? " greater" : " less") + " level " + std::to_string(level);
        v.push_back({"Threshold_64f" + tag,
                     [=](auto& s, auto& d, bool inPlace) {
                       if (inPlace) return ippsThreshold_64f_I(d.data(), int(d.size()), level, op);
                       return ippsThreshold_64f(s.data(), d.data(), int(s.size()), level, op);
                     },
                     [=](auto& s) { return RealThreshold(s, level, limit, false); }, true});
        v.push_back({"Threshold_32f_I" + tag,
                     [=](auto& s, auto& d, bool) {
                       std::vector<float> f(s.begin(), s.end());
                       const IppStatus st = ippsThreshold_32f_I(f.data(), int(f.size()), float(level), op);
                       d.assign(f.begin(), f.end());
                       return st;
                     },
                     [=](auto& s) {
                       std::vector<double> d = s;
                       for (double& x : d) {
                         const float f = float(x), l = float(level);
                         x = std::isnan(f) ? (limit ? l : f) : (limit ? (f > l ? l : f) : (f < l ? l : f));
                       }
                       return d;
                     },
                     false});
        v.push_back({"Threshold_64fc" + tag,
                     [=](auto& s, auto& d, bool inPlace) {
                       if (inPlace) return ippsThreshold_64fc_I(reinterpret_cast<Ipp64fc*>(d.data()), int(d.size() / 2), level, op);
                       return ippsThreshold_64fc(reinterpret_cast<const Ipp64fc*>(s.data()),
                                                 reinterpret_cast<Ipp64fc*>(d.data()), int(s.size() / 2), level, op);
                     },
                     [=](auto& s) { return ComplexThreshold(s, level, limit, false); }, true});
      }
    }
    return v;
  }();
  return all;
}

std::vector<uint64_t> AllBits(const std::vector<double>& v) {
  std::vector<uint64_t> b;
  for (double x : v) b.push_back(Bits(x));
  return b;
}

TEST(SignalStatistics, ElementwiseMembersEqualTheirReplicasInEveryPlacement) {
  std::mt19937 rng(5105);
  for (const TElementwise& c : Elementwise()) {
    SCOPED_TRACE(c.Name);
    for (int n : {2, 8, 10, 17 * 2, 200}) {
      const std::vector<double> s = Values(rng, n, true);
      const std::vector<uint64_t> want = AllBits(c.Replica(s));
      std::vector<double> d(s.size(), kCanary);
      ASSERT_EQ(c.Run(s, d, false), ippStsNoErr);
      EXPECT_EQ(AllBits(d), want) << "out of place, n " << n;
      std::vector<double> same = s;
      ASSERT_EQ(c.Run(same, same, false), ippStsNoErr);
      EXPECT_EQ(AllBits(same), want) << "destination is the source, n " << n;
    }
  }
}

// The in-place forms follow their own NaN and zero rules; the replicas say where they differ.
TEST(SignalStatistics, InPlaceThresholdsEqualTheirReplicas) {
  std::mt19937 rng(15);
  for (double level : {0.0, 1.5, 1e-200, 1e300}) {
    for (bool limit : {false, true}) {
      const IppCmpOp op = limit ? ippCmpGreater : ippCmpLess;
      for (int n : {4, 10, 64}) {
        std::vector<double> s = Values(rng, n, true);
        s[0] = kNaN;
        s[2] = 0.0;  // a zero magnitude with a negative imaginary part
        s[3] = -0.0;
        std::vector<double> real = s, cplx = s;
        ASSERT_EQ(ippsThreshold_64f_I(real.data(), n, level, op), ippStsNoErr);
        EXPECT_EQ(AllBits(real), AllBits(RealThreshold(s, level, limit, true))) << level << " " << limit;
        ASSERT_EQ(ippsThreshold_64fc_I(reinterpret_cast<Ipp64fc*>(cplx.data()), n / 2, level, op), ippStsNoErr);
        EXPECT_EQ(AllBits(cplx), AllBits(ComplexThreshold(s, level, limit, true))) << level << " " << limit;
      }
    }
  }
}

// ---- Checks: order, codes, nothing written ---------------------------------------------------

struct TCheck {
  std::string Name;
  IppStatus Expected;
  // Runs the call on canary-filled d (a destination of 8 doubles) and r (a result of 2).
  std::function<IppStatus(const double* s, double* d, double* r)> Run;
};

IppStatus CallDot32(double* r, int n, bool nullFirst) {
  const Ipp32s v[2] = {1, 2};
  return ippsDotProd_32s_Sfs(nullFirst ? nullptr : v, v, n, reinterpret_cast<Ipp32s*>(r), 0);
}

const Ipp64fc* C(const double* p) { return reinterpret_cast<const Ipp64fc*>(p); }
Ipp64fc* C(double* p) { return reinterpret_cast<Ipp64fc*>(p); }

TEST(SignalStatistics, ChecksInOrderAndNothingWrittenOnError) {
  const double kSmallest = std::bit_cast<double>(uint64_t{0x0010000000000000});
  const float kSmallest32 = std::bit_cast<float>(uint32_t{0x00800000});
  const std::vector<TCheck> cases = {
      // Null pointers before the length (n = 0), each pointer in order.
      {"NormDiff_L1 null s2, n 0", ippStsNullPtrErr, [](auto s, auto, auto r) { return ippsNormDiff_L1_64f(s, nullptr, 0, r); }},
      {"NormDiff_L2 null r, n 0", ippStsNullPtrErr, [](auto s, auto, auto) { return ippsNormDiff_L2_64f(s, s, 0, nullptr); }},
      {"NormDiff_Inf n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsNormDiff_Inf_64f(s, s, 0, r); }},
      {"Mean_64f null s, n -1", ippStsNullPtrErr, [](auto, auto, auto r) { return ippsMean_64f(nullptr, -1, r); }},
      {"Mean_64f n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsMean_64f(s, 0, r); }},
      {"Mean_32f null r", ippStsNullPtrErr,
       [](auto s, auto, auto) { return ippsMean_32f(reinterpret_cast<const float*>(s), 0, nullptr, ippAlgHintFast); }},
      {"Mean_32f n 0", ippStsSizeErr,
       [](auto s, auto, auto r) { return ippsMean_32f(reinterpret_cast<const float*>(s), 0, reinterpret_cast<float*>(r), ippAlgHintFast); }},
      {"StdDev n 1", ippStsSizeErr, [](auto s, auto, auto r) { return ippsStdDev_64f(s, 1, r); }},
      {"StdDev null r, n 1", ippStsNullPtrErr, [](auto s, auto, auto) { return ippsStdDev_64f(s, 1, nullptr); }},
      {"MinIndx null s, null index", ippStsNullPtrErr,
       [](auto, auto, auto r) { return ippsMinIndx_64f(nullptr, 0, r, reinterpret_cast<int*>(r + 1)); }},
      {"MinIndx n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsMinIndx_64f(s, 0, r, reinterpret_cast<int*>(r + 1)); }},
      {"MinIndx n 0, null index", ippStsSizeErr, [](auto s, auto, auto r) { return ippsMinIndx_64f(s, 0, r, nullptr); }},
      {"MaxIndx null r", ippStsNullPtrErr, [](auto s, auto, auto r) { return ippsMaxIndx_64f(s, 0, nullptr, reinterpret_cast<int*>(r)); }},
      {"MaxIndx null r, null index", ippStsNullPtrErr, [](auto s, auto, auto) { return ippsMaxIndx_64f(s, 3, nullptr, nullptr); }},
      {"MaxIndx n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsMaxIndx_64f(s, 0, r, reinterpret_cast<int*>(r + 1)); }},
      {"DotProd_64f null s1", ippStsNullPtrErr, [](auto s, auto, auto r) { return ippsDotProd_64f(nullptr, s, 0, r); }},
      {"DotProd_64f n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsDotProd_64f(s, s, 0, r); }},
      {"DotProd_64fc null r", ippStsNullPtrErr, [](auto s, auto, auto) { return ippsDotProd_64fc(C(s), C(s), 0, nullptr); }},
      {"DotProd_64fc n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsDotProd_64fc(C(s), C(s), 0, C(r)); }},
      {"DotProd_32s_Sfs null s1", ippStsNullPtrErr, [](auto, auto, auto r) { return CallDot32(r, 0, true); }},
      {"DotProd_32s_Sfs n 0", ippStsSizeErr, [](auto, auto, auto r) { return CallDot32(r, 0, false); }},
      {"Norm_L2_64fc64f null s", ippStsNullPtrErr, [](auto, auto, auto r) { return ippsNorm_L2_64fc64f(nullptr, 0, r); }},
      {"Norm_L2_64fc64f n 0", ippStsSizeErr, [](auto s, auto, auto r) { return ippsNorm_L2_64fc64f(C(s), 0, r); }},
      // Normalisation: null, then length, then the divisor limits.
      {"Normalize_64f null d, divisor 0", ippStsNullPtrErr, [](auto s, auto, auto) { return ippsNormalize_64f(s, nullptr, 0, 0, 0); }},
      {"Normalize_64f n 0, divisor 0", ippStsSizeErr, [](auto s, auto d, auto) { return ippsNormalize_64f(s, d, 0, 0, 0); }},
      {"Normalize_64f divisor 1e-310", ippStsDivByZeroErr, [](auto s, auto d, auto) { return ippsNormalize_64f(s, d, 8, 0, 1e-310); }},
      {"Normalize_64f divisor -1e-310", ippStsDivByZeroErr, [](auto s, auto d, auto) { return ippsNormalize_64f(s, d, 8, 0, -1e-310); }},
      {"Normalize_64f divisor NaN", ippStsDivByZeroErr, [](auto s, auto d, auto) { return ippsNormalize_64f(s, d, 8, 0, kNaN); }},
      {"Normalize_64f divisor -0", ippStsDivByZeroErr, [](auto s, auto d, auto) { return ippsNormalize_64f(s, d, 8, 0, -0.0); }},
      {"Normalize_64fc divisor below the limit", ippStsDivByZeroErr,
       [=](auto s, auto d, auto) { return ippsNormalize_64fc(C(s), C(d), 4, Ipp64fc{0, 0}, std::nextafter(kSmallest, 0.0)); }},
      {"Normalize_64fc null s", ippStsNullPtrErr,
       [](auto, auto d, auto) { return ippsNormalize_64fc(nullptr, C(d), 4, Ipp64fc{0, 0}, 0.0); }},
      {"Normalize_32f divisor below the limit", ippStsDivByZeroErr,
       [=](auto s, auto d, auto) {
         return ippsNormalize_32f(reinterpret_cast<const float*>(s), reinterpret_cast<float*>(d), 16, 0,
                                  -std::nextafter(kSmallest32, 0.0f));
       }},
      {"Normalize_32f n -1", ippStsSizeErr,
       [](auto s, auto d, auto) { return ippsNormalize_32f(reinterpret_cast<const float*>(s), reinterpret_cast<float*>(d), -1, 0, 0); }},
      // Thresholds: null, length, then the complex level.
      {"Threshold_64f null d", ippStsNullPtrErr, [](auto s, auto, auto) { return ippsThreshold_64f(s, nullptr, 0, 0, ippCmpLess); }},
      {"Threshold_64f n 0", ippStsSizeErr, [](auto s, auto d, auto) { return ippsThreshold_64f(s, d, 0, 0, ippCmpLess); }},
      {"Threshold_64f_I null", ippStsNullPtrErr, [](auto, auto, auto) { return ippsThreshold_64f_I(nullptr, 0, 0, ippCmpLess); }},
      {"Threshold_64f_I n 0", ippStsSizeErr, [](auto, auto d, auto) { return ippsThreshold_64f_I(d, 0, 0, ippCmpLess); }},
      {"Threshold_32f_I n 0", ippStsSizeErr,
       [](auto, auto d, auto) { return ippsThreshold_32f_I(reinterpret_cast<float*>(d), 0, 0, ippCmpLess); }},
      {"Threshold_64fc null s, level -1", ippStsNullPtrErr,
       [](auto, auto d, auto) { return ippsThreshold_64fc(nullptr, C(d), 0, -1, ippCmpLess); }},
      {"Threshold_64fc n 0, level -1", ippStsSizeErr,
       [](auto s, auto d, auto) { return ippsThreshold_64fc(C(s), C(d), 0, -1, ippCmpLess); }},
      {"Threshold_64fc level -1", ippStsThreshNegLevelErr,
       [](auto s, auto d, auto) { return ippsThreshold_64fc(C(s), C(d), 4, -1, ippCmpGreater); }},
      {"Threshold_64fc level -0 proceeds", ippStsNoErr,
       [](auto s, auto d, auto) { return ippsThreshold_64fc(C(s), C(d), 4, -0.0, ippCmpGreater); }},
      {"Threshold_64fc_I level -1e-300", ippStsThreshNegLevelErr,
       [](auto, auto d, auto) { return ippsThreshold_64fc_I(C(d), 4, -1e-300, ippCmpLess); }},
      {"Threshold_64fc_I n 0, level -1", ippStsSizeErr,
       [](auto, auto d, auto) { return ippsThreshold_64fc_I(C(d), 0, -1, ippCmpLess); }},
  };
  const double src[8] = {1, -2, 3, kNaN, 0.5, -0.0, 7, 8};
  for (const TCheck& c : cases) {
    SCOPED_TRACE(c.Name);
    double d[8], r[2];
    std::fill(std::begin(d), std::end(d), kCanary);
    std::fill(std::begin(r), std::end(r), kCanary);
    EXPECT_EQ(c.Run(src, d, r), c.Expected);
    if (c.Expected == ippStsNoErr) continue;
    for (double x : d) EXPECT_EQ(Bits(x), Bits(kCanary)) << "destination written";
    for (double x : r) EXPECT_EQ(Bits(x), Bits(kCanary)) << "result written";
  }
}

// ---- Cases that show the rules ---------------------------------------------------------------

TEST(SignalStatistics, StandardDeviationAndMeanCases) {
  double r = kCanary;
  const double one[] = {4.0};
  EXPECT_EQ(ippsStdDev_64f(one, 1, &r), ippStsSizeErr);
  const double constant[] = {5, 5, 5};
  ASSERT_EQ(ippsStdDev_64f(constant, 3, &r), ippStsNoErr);
  EXPECT_EQ(Bits(r), Bits(0.0));
  // 0.1 is not exact: n S2 - S1^2 rounds to a value that is not positive, never a NaN root.
  const double tenths[] = {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1};
  ASSERT_EQ(ippsStdDev_64f(tenths, 7, &r), ippStsNoErr);
  EXPECT_FALSE(std::isnan(r));
  const double ramp[] = {1, 2, 3, 4};
  ASSERT_EQ(ippsStdDev_64f(ramp, 4, &r), ippStsNoErr);
  EXPECT_EQ(r, double(std::sqrt(5.0L / 3.0L)));
  // The squares of elements 0 and 2 (1 and 3) are added together before they join their sum:
  // adding them one by one would round the last bit the other way.
  const double pairs[] = {0x1.aa41cp+26, 0x1.aadccp+37, 0x1.0b70ap+42, 0x1.b67b8p+19,
                          0x1.a04a4p+42, 0x1.7a374p+26, 0x1.557p+25,   0x1.b9416p+43};
  ASSERT_EQ(ippsStdDev_64f(pairs, 8, &r), ippStsNoErr);
  EXPECT_EQ(r, 0x1.3ee980b9f6061p+42);
  // E collects 1e20 and -1e20, O collects 1 and 1.
  const double cancel[] = {1e20, 1, -1e20, 1};
  ASSERT_EQ(ippsMean_64f(cancel, 4, &r), ippStsNoErr);
  EXPECT_EQ(r, 0.5);
  const float pair[] = {1, 2};
  float f = 0;
  ASSERT_EQ(ippsMean_32f(pair, 2, &f, ippAlgHintNone), ippStsNoErr);
  EXPECT_EQ(f, 1.5f);
  const double a[] = {1, kNaN}, zeros[] = {0, 0};
  ASSERT_EQ(ippsNormDiff_Inf_64f(a, zeros, 2, &r), ippStsNoErr);
  EXPECT_EQ(r, 1.0);
}

TEST(SignalStatistics, ExtremesWithIndexOnNaNsAndTies) {
  struct TCase {
    std::vector<double> s;
    bool max;
    double value;  // NaN: expect the NaN bits
    int index;
  };
  const TCase cases[] = {
      {{3, 1, 1}, false, 1, 1},     {{3, kNaN, 5, 1}, false, 1, 3}, {{3, kNaN, 5}, false, 5, 2},
      {{1, 2, kNaN}, false, kNaN, 2}, {{1, 3, 3}, true, 3, 1},      {{kNaN, 1}, true, kNaN, 0},
      {{1, kNaN, 2}, true, 2, 2},   {{-0.0, 0.0}, true, -0.0, 0},   {{0.0, -0.0}, false, 0.0, 0},
      {{-kInf, -kInf}, true, -kInf, 0},
  };
  for (const TCase& c : cases) {
    double r = kCanary, plain = kCanary;
    int i = -7;
    const int n = int(c.s.size());
    ASSERT_EQ((c.max ? ippsMaxIndx_64f : ippsMinIndx_64f)(c.s.data(), n, &r, &i), ippStsNoErr);
    EXPECT_EQ(Bits(r), Bits(c.value)) << c.max << " " << c.index;
    EXPECT_EQ(i, c.index);
    // Without an index pointer: the same value, nothing else written.
    ASSERT_EQ((c.max ? ippsMaxIndx_64f : ippsMinIndx_64f)(c.s.data(), n, &plain, nullptr), ippStsNoErr);
    EXPECT_EQ(Bits(plain), Bits(c.value));
  }
}

TEST(SignalStatistics, IntegerDotProductRoundsHalfToEvenAndSaturates) {
  constexpr Ipp32s kMax = std::numeric_limits<Ipp32s>::max(), kMin = std::numeric_limits<Ipp32s>::min();
  struct TCase {
    std::vector<Ipp32s> a, b;
    int scale;
    Ipp32s expected;
  };
  const TCase cases[] = {
      {{3}, {1}, 1, 2},   {{5}, {1}, 1, 2},     {{7}, {1}, 1, 4},   {{-3}, {1}, 1, -2},
      {{-5}, {1}, 1, -2}, {{-7}, {1}, 1, -4},   {{1}, {1}, 1, 0},   {{-1}, {1}, 1, 0},
      {{3}, {1}, 2, 1},   {{6}, {1}, 2, 2},     {{5}, {1}, 0, 5},   {{3, 4}, {5, -6}, 0, -9},
      {{kMax, kMax}, {kMax, kMax}, 0, kMax},    {{kMax, kMax}, {kMax, kMax}, 93, 0},
      {{kMax, kMax}, {kMax, kMax}, 1000, 0},    {{kMax, kMax}, {kMax, kMax}, 62, 2},
      {{1}, {1}, -40, kMax},                    {{-1}, {1}, -40, kMin},
      {{kMax, kMax}, {kMax, kMax}, -40, kMax},  {{kMax, kMin}, {kMax, kMax}, -40, kMin},
      {{1}, {1}, -30, 1 << 30},                 {{1}, {1}, INT32_MIN, kMax},
      {{kMin, kMin}, {kMin, kMax}, 0, kMax},    {{kMin}, {kMax}, 0, kMin},
      // 2^62 - 2^31 + ... : products beyond 2^53 kept exactly, rounding at scale 31.
      {{kMax}, {kMax}, 31, 2147483646},         {{kMin}, {1}, 1, -1073741824},
  };
  for (const TCase& c : cases) {
    Ipp32s r = 12345;
    ASSERT_EQ(ippsDotProd_32s_Sfs(c.a.data(), c.b.data(), int(c.a.size()), &r, c.scale), ippStsNoErr);
    EXPECT_EQ(r, c.expected) << c.a[0] << " * " << c.b[0] << " scale " << c.scale;
  }
}

TEST(SignalStatistics, DotNormAndNormalisationCases) {
  const Ipp64fc x[] = {{1, 2}}, y[] = {{3, 4}};
  Ipp64fc dot{kCanary, kCanary};
  ASSERT_EQ(ippsDotProd_64fc(x, y, 1, &dot), ippStsNoErr);
  EXPECT_EQ(dot.re, -5.0);
  EXPECT_EQ(dot.im, 10.0);
  Ipp64fc zero{kCanary, kCanary};
  fbDotProd64fc(x, y, 0, &zero);
  EXPECT_EQ(Bits(zero.re), 0u);
  EXPECT_EQ(Bits(zero.im), 0u);
  double z = kCanary, r = kCanary;
  fbDotProd64f(nullptr, nullptr, -3, &z);
  EXPECT_EQ(Bits(z), 0u);
  ASSERT_EQ(ippsNorm_L2_64fc64f(y, 1, &r), ippStsNoErr);
  EXPECT_EQ(r, 5.0);
  // Elements 0 and 2 go to one sum, 1 to the other: one running sum would round up here.
  const Ipp64fc split[] = {{0x1.19752p+27, 0}, {0x1.e9f9p+23, 0}, {0x1.5d0dp+40, 0}};
  ASSERT_EQ(ippsNorm_L2_64fc64f(split, 3, &r), ippStsNoErr);
  EXPECT_EQ(r, 0x1.5d0d001cb47d3p+40);
  // Huge parts square beyond the float64 range and still give a finite norm.
  const Ipp64fc huge[] = {{3e200, 4e200}, {0, 0}, {0, 0}};
  ASSERT_EQ(ippsNorm_L2_64fc64f(huge, 3, &r), ippStsNoErr);
  EXPECT_DOUBLE_EQ(r, 5e200);
  const double five[] = {5, kInf};
  double d[2] = {kCanary, kCanary};
  ASSERT_EQ(ippsNormalize_64f(five, d, 2, 1, -2), ippStsNoErr);
  EXPECT_EQ(d[0], -2.0);
  EXPECT_EQ(d[1], -kInf);
  // The smallest normal divisors are accepted; an infinite divisor gives zeros (NaN from inf).
  const double kSmallest = std::bit_cast<double>(uint64_t{0x0010000000000000});
  ASSERT_EQ(ippsNormalize_64f(five, d, 1, 5, kSmallest), ippStsNoErr);
  ASSERT_EQ(ippsNormalize_64f(five, d, 2, 1, kInf), ippStsNoErr);
  EXPECT_EQ(Bits(d[0]), Bits(0.0));
  EXPECT_TRUE(std::isnan(d[1]));
  const float fs[] = {3};
  float fd[] = {0};
  ASSERT_EQ(ippsNormalize_32f(fs, fd, 1, 1, std::bit_cast<float>(uint32_t{0x00800000})), ippStsNoErr);
  EXPECT_EQ(fd[0], float(2.0L / ld{std::bit_cast<float>(uint32_t{0x00800000})}));
}

TEST(SignalStatistics, ThresholdsOnNaNZeroAndBoundaryElements) {
  // Real: in place and out of place treat a NaN differently.
  struct TReal {
    IppCmpOp op;
    double level;
    bool inPlace;
    std::vector<double> want;
  };
  const std::vector<double> s = {-1, 2, kNaN, 1, -0.0};
  const TReal real[] = {
      {ippCmpLess, 0, true, {0, 2, kNaN, 1, -0.0}},     {ippCmpGreater, 1, true, {-1, 1, 1, 1, -0.0}},
      {ippCmpLess, 0, false, {0, 2, 0, 1, -0.0}},       {ippCmpGreater, 1, false, {-1, 1, kNaN, 1, -0.0}},
      {ippCmpLessEq, 0, false, {0, 2, 0, 1, -0.0}},     {ippCmpEq, 0, true, {0, 2, kNaN, 1, -0.0}},
      {ippCmpGreaterEq, -0.5, true, {-0.5, 2, kNaN, 1, -0.0}},
  };
  for (const TReal& c : real) {
    std::vector<double> d = s;
    if (c.inPlace) ASSERT_EQ(ippsThreshold_64f_I(d.data(), 5, c.level, c.op), ippStsNoErr);
    else ASSERT_EQ(ippsThreshold_64f(s.data(), d.data(), 5, c.level, c.op), ippStsNoErr);
    EXPECT_EQ(AllBits(d), AllBits(c.want)) << c.op << " " << c.level << " in place " << c.inPlace;
    std::vector<float> f(s.begin(), s.end());
    if (c.inPlace) {
      ASSERT_EQ(ippsThreshold_32f_I(f.data(), 5, float(c.level), c.op), ippStsNoErr);
      for (size_t i = 0; i < f.size(); ++i) EXPECT_EQ(Bits(f[i]), Bits(float(c.want[i])));
    }
  }
  // Complex, by magnitude.
  struct TComplex {
    IppCmpOp op;
    double level;
    bool inPlace;
    Ipp64fc z, want;
  };
  const TComplex cplx[] = {
      {ippCmpLess, 2, false, {0, 0}, {2, 0}},            {ippCmpLess, 2, false, {0, -0.0}, {2, 0}},
      {ippCmpLess, 2, true, {0, -0.0}, {2, -0.0}},        {ippCmpLess, 2, false, {0, 1}, {0, 2}},
      {ippCmpGreater, 1, false, {3, 4}, {0.6, 0.8}},      {ippCmpGreater, 5, true, {3, 4}, {3, 4}},
      {ippCmpLess, 5, false, {-3, 4}, {-3, 4}},           {ippCmpGreater, 1, false, {kNaN, 1}, {kNaN, kNaN}},
      {ippCmpGreater, 1, true, {kNaN, 1}, {kNaN, 1}},     {ippCmpLess, 1, false, {kNaN, 0.5}, {kNaN, 0.5}},
      {ippCmpLess, 1, true, {kNaN, 0.5}, {1, 0.5}},       {ippCmpLess, 0, false, {0, 0}, {0, 0}},
  };
  for (const TComplex& c : cplx) {
    Ipp64fc d = c.z;
    if (c.inPlace) ASSERT_EQ(ippsThreshold_64fc_I(&d, 1, c.level, c.op), ippStsNoErr);
    else ASSERT_EQ(ippsThreshold_64fc(&c.z, &d, 1, c.level, c.op), ippStsNoErr);
    EXPECT_EQ(Bits(d.re), Bits(c.want.re)) << c.z.re << "," << c.z.im << " level " << c.level << " in place " << c.inPlace;
    EXPECT_EQ(Bits(d.im), Bits(c.want.im)) << c.z.re << "," << c.z.im << " level " << c.level << " in place " << c.inPlace;
  }
}

// The vector blocks of the float64 thresholds give the plain loop's bytes on every instruction
// set, for each rule and level (NaN and signed zeros too), on elements of every kind (NaNs with
// payloads, signed zeros, infinities, ties with the level), at odd addresses, in place, over
// every tail length.
TEST(SignalStatistics, ThresholdBlocksEqualThePlainLoopOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const statistics::Threshold64fBlocksFn blocks = statistics::VectorThreshold64fBlocks();
    ASSERT_NE(blocks, nullptr);
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> x = {0.0, -0.0, 1.5, -1.5, inf, -inf,
                             std::bit_cast<double>(uint64_t{0x7FF8000000000001}),
                             std::bit_cast<double>(uint64_t{0xFFF0000000000123}), 2.0, -2.0};
    std::mt19937_64 rng(77);
    while (x.size() < 61) x.push_back(std::uniform_real_distribution<double>(-3, 3)(rng));
    const int n = static_cast<int>(x.size());
    using R = statistics::TThreshold;
    for (R rule : {R::LimitInPlace, R::RaiseInPlace, R::LimitTo, R::RaiseTo}) {
      const bool inPlace = rule == R::LimitInPlace || rule == R::RaiseInPlace;
      for (double level : {0.0, -0.0, 1.5, -2.0, std::nan(""), inf}) {
        for (int len : {n, n - 1, 1, 7, 8, 9, 17}) {
          SCOPED_TRACE(::testing::Message() << "rule " << int(rule) << " level " << level << " len " << len);
          std::vector<uint8_t> src(8 * n + 3), plain(8 * n + 3), vec(8 * n + 5);
          std::memcpy(src.data() + 3, x.data(), 8 * n);
          plain = src;
          std::memcpy(vec.data() + 5, x.data(), 8 * n);
          uint8_t* plainOut = inPlace ? plain.data() + 3 : plain.data();
          uint8_t* vecIn = inPlace ? vec.data() + 5 : src.data() + 3;
          statistics::Threshold64f(src.data() + 3, plainOut, len, level, rule, nullptr);
          statistics::Threshold64f(vecIn, vec.data() + 5, len, level, rule, blocks);
          ASSERT_EQ(0, std::memcmp(plainOut, vec.data() + 5, 8 * len));
        }
      }
    }
  });
}

}  // namespace
