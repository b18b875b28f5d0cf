#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/FloatArithmetic.h"
#include "primitives/signal/FloatArithmeticKernels.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;
using ld = long double;

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}
uint32_t Bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}
double FromBits(uint64_t b) {
  double v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const uint64_t kDivisionNaN = 0xFFF8000000000000ull;

// ---- Operands ----------------------------------------------------------------------------------

// Signed zeros, subnormals, the extremes, infinities and NaNs, values of every exponent, and
// pairs whose double result differs from the long double one (found by search), so that the
// double fast paths meet every element they must redo.
template <class T>
std::vector<T> Specials() {
  using L = std::numeric_limits<T>;
  return {T(0),          T(-0.0),        L::denorm_min(), -L::denorm_min(),
          L::min(),      -L::min(),      L::max(),        -L::max(),
          L::infinity(), -L::infinity(), L::quiet_NaN(),  -L::quiet_NaN(),
          T(1),          T(-1),          T(0.5),          T(3),
          T(7)};
}

template <class T>
std::vector<T> Operands(std::mt19937_64& rng, size_t n) {
  std::vector<T> v = Specials<T>();
  std::uniform_real_distribution<double> unit(-2.0, 2.0);
  std::uniform_int_distribution<int> exponent(std::numeric_limits<T>::min_exponent - 60,
                                              std::numeric_limits<T>::max_exponent);
  std::uniform_int_distribution<int> small(-30, 30);
  while (v.size() < n) {
    const int pick = static_cast<int>(rng() % 8);
    if (pick == 0)
      v.push_back(static_cast<T>(std::ldexp(unit(rng), exponent(rng))));
    else if (pick == 1)
      v.push_back(Specials<T>()[rng() % Specials<T>().size()]);
    else
      v.push_back(static_cast<T>(std::ldexp(unit(rng), small(rng))));
  }
  return v;
}

// Appends pairs (a, b) whose double result op(a, b) is not the long double one rounded once.
template <class DoubleOp, class LongOp>
void AppendDoubleRoundingPairs(std::mt19937_64& rng, std::vector<double>& a, std::vector<double>& b,
                               DoubleOp viaDouble, LongOp viaLong, int wanted) {
  std::uniform_real_distribution<double> unit(1.0, 2.0);
  std::uniform_int_distribution<int> e(-40, 40);
  for (int found = 0, tries = 0; found < wanted && tries < 4'000'000; ++tries) {
    const double x = std::ldexp(unit(rng), e(rng)) * ((rng() & 1) ? 1 : -1);
    const double y = std::ldexp(unit(rng), e(rng));
    if (Bits(viaDouble(x, y)) != Bits(static_cast<double>(viaLong(x, y)))) {
      a.push_back(x);
      b.push_back(y);
      ++found;
    }
  }
}

// ---- Real vectors against the long double replica ---------------------------------------------

enum class TPlace { Out, DstIsFirst, DstIsSecond };

// A member of two real vectors. In-place members take (first, second = destination); the
// model gives the element from (first, second) and tells whether it met a zero divisor.
template <class T>
struct TVectorCase {
  std::string Name;
  std::function<IppStatus(const T* a, const T* b, T* d, int n)> Out;  // null for in-place members
  std::function<IppStatus(const T* a, T* bd, int n)> In;              // null for out-of-place ones
  std::function<T(T a, T b, bool& zero)> Model;
};

template <class T>
T Div64Model(T a, T p, bool& zero) {  // p / a
  if (!(a < 0 || a > 0)) {
    zero = true;
    return p > 0 ? kInf : p == 0 ? FromBits(kDivisionNaN) : -kInf;
  }
  return static_cast<T>(static_cast<ld>(p) / a);
}

std::vector<TVectorCase<double>> Vector64fCases() {
  return {
      {"Add_64f", ippsAdd_64f, nullptr,
       [](double a, double b, bool&) { return double(ld(a) + b); }},
      {"Mul_64f", ippsMul_64f, nullptr,
       [](double a, double b, bool&) { return double(ld(a) * b); }},
      {"Add_64f_I", nullptr, ippsAdd_64f_I,
       [](double a, double b, bool&) { return double(ld(a) + b); }},
      {"Sub_64f_I", nullptr, ippsSub_64f_I,
       [](double a, double b, bool&) { return double(ld(b) - a); }},
      {"Mul_64f_I", nullptr, ippsMul_64f_I,
       [](double a, double b, bool&) { return double(ld(a) * b); }},
      {"Div_64f_I", nullptr, ippsDiv_64f_I, Div64Model<double>},
      {"fbDivide64f",
       [](const double* a, const double* b, double* d, int n) { return fbDivide64f(a, b, d, n); },
       nullptr, Div64Model<double>},
  };
}

std::vector<TVectorCase<float>> Vector32fCases() {
  return {
      {"Mul_32f", ippsMul_32f, nullptr, [](float a, float b, bool&) { return float(ld(a) * b); }},
      {"Mul_32f_I", nullptr, ippsMul_32f_I,
       [](float a, float b, bool&) { return float(ld(a) * b); }},
      {"Sub_32f_I", nullptr, ippsSub_32f_I,
       [](float a, float b, bool&) { return float(ld(b) - a); }},
  };
}

template <class T>
void CheckVectorCase(const TVectorCase<T>& c, const std::vector<T>& a, const std::vector<T>& b) {
  const int n = static_cast<int>(a.size());
  std::vector<T> expected(a.size());
  bool zero = false;
  for (size_t i = 0; i < a.size(); ++i) expected[i] = c.Model(a[i], b[i], zero);
  const IppStatus wanted = zero ? ippStsDivByZero : ippStsNoErr;
  for (TPlace place : {TPlace::Out, TPlace::DstIsFirst, TPlace::DstIsSecond}) {
    std::vector<T> first = a, second = b, d(a.size(), T(-7));
    IppStatus st;
    if (c.Out) {
      T* dst = place == TPlace::Out          ? d.data()
               : place == TPlace::DstIsFirst ? first.data()
                                             : second.data();
      st = c.Out(first.data(), second.data(), dst, n);
      d.assign(dst, dst + n);
    } else {
      if (place == TPlace::DstIsFirst) continue;
      // In place: the second vector is the destination; DstIsSecond runs it on one vector.
      if (place == TPlace::DstIsSecond) {
        std::vector<T> same = b;
        st = c.In(same.data(), same.data(), n);
        bool z = false;
        for (size_t i = 0; i < b.size(); ++i) {
          const T e = c.Model(b[i], b[i], z);
          ASSERT_EQ(Bits(same[i]), Bits(e))
              << c.Name << " on itself, element " << i << ": " << b[i];
        }
        EXPECT_EQ(st, z ? ippStsDivByZero : ippStsNoErr) << c.Name;
        continue;
      }
      st = c.In(first.data(), second.data(), n);
      d = second;
      for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(Bits(first[i]), Bits(a[i])) << c.Name << " wrote its source";
    }
    EXPECT_EQ(st, wanted) << c.Name;
    for (size_t i = 0; i < a.size(); ++i) {
      // Of two NaN operands the compiler may pass either first to the processor, which keeps
      // the first one's payload: any NaN will do there.
      if (std::isnan(a[i]) && std::isnan(b[i]) && std::isnan(expected[i])) {
        ASSERT_TRUE(std::isnan(d[i])) << c.Name << " element " << i;
        continue;
      }
      ASSERT_EQ(Bits(d[i]), Bits(expected[i]))
          << c.Name << " place " << int(place) << " element " << i << ": " << a[i] << ", " << b[i];
    }
  }
}

TEST(FloatArithmetic, RealVectorsGiveTheLongDoubleBits) {
  std::mt19937_64 rng(11);
  // Every special against every special, then random operands and the double-rounding pairs.
  std::vector<double> a, b;
  for (double x : Specials<double>())
    for (double y : Specials<double>()) a.push_back(x), b.push_back(y);
  const std::vector<double> ra = Operands<double>(rng, 3000), rb = Operands<double>(rng, 3000);
  a.insert(a.end(), ra.begin(), ra.end());
  b.insert(b.end(), rb.begin(), rb.end());
  AppendDoubleRoundingPairs(
      rng, a, b, [](double x, double y) { return x + y; },
      [](double x, double y) { return ld(x) + y; }, 40);
  AppendDoubleRoundingPairs(
      rng, a, b, [](double x, double y) { return y - x; },
      [](double x, double y) { return ld(y) - x; }, 40);
  AppendDoubleRoundingPairs(
      rng, a, b, [](double x, double y) { return x * y; },
      [](double x, double y) { return ld(x) * y; }, 40);
  AppendDoubleRoundingPairs(
      rng, a, b, [](double x, double y) { return y / x; },
      [](double x, double y) { return ld(y) / x; }, 40);
  ASSERT_GT(a.size(), 3000u + 17 * 17 + 100) << "the search found too few double-rounding pairs";
  // The vector blocks of every instruction set against the replica.
  imagetest::ForEachVectorTarget([&] {
    for (const auto& c : Vector64fCases()) CheckVectorCase(c, a, b);
    // Short vectors, tails and vectors of finite values only (the blocks run on through them).
    for (int n : {1, 3, 5, 17}) {
      const std::vector<double> sa(a.end() - n, a.end()), sb(b.end() - n, b.end());
      for (const auto& c : Vector64fCases()) CheckVectorCase(c, sa, sb);
    }
    std::vector<double> fa, fb;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::isfinite(a[i]) && std::isfinite(b[i]) && a[i] != 0 && b[i] != 0)
        fa.push_back(a[i]), fb.push_back(b[i]);
    for (const auto& c : Vector64fCases()) CheckVectorCase(c, fa, fb);
  });

  std::vector<float> fa, fb;
  for (float x : Specials<float>())
    for (float y : Specials<float>()) fa.push_back(x), fb.push_back(y);
  const std::vector<float> rfa = Operands<float>(rng, 2000), rfb = Operands<float>(rng, 2000);
  fa.insert(fa.end(), rfa.begin(), rfa.end());
  fb.insert(fb.end(), rfb.begin(), rfb.end());
  for (const auto& c : Vector32fCases()) CheckVectorCase(c, fa, fb);
}

// The double-rounding hazards themselves: the exact result lies just beyond the midpoint of two
// doubles, so the double operation rounds away from the long double result.
TEST(FloatArithmetic, DoubleRoundingCasesTakeTheLongDoubleResult) {
  struct TCase {
    const char* name;
    double a, b;
    std::function<IppStatus(const double*, double*, int)> in;
    double doubleResult, longResult;
  };
  const double a = 1 + 0x1p-30, b = 1 + 0x1p-23 + 0x1p-40;
  const TCase cases[] = {
      {"Add_64f_I", 0x1.00002p-53, 1.0, ippsAdd_64f_I, 1 + 0x1p-52, 1.0},
      {"Mul_64f_I", a, b, ippsMul_64f_I, a * b, double(ld(a) * b)},
  };
  imagetest::ForEachVectorTarget([&] {
    for (const auto& c : cases) {
      ASSERT_NE(Bits(c.doubleResult), Bits(c.longResult)) << c.name << ": not a hazard";
      std::vector<double> s(700, c.a), sd(700, c.b);
      ASSERT_EQ(c.in(s.data(), sd.data(), 700), ippStsNoErr);
      for (double v : sd) ASSERT_EQ(Bits(v), Bits(c.longResult)) << c.name;
    }
  });
}

// Quotients whose exact value lies within half a long double unit of a midpoint between two
// doubles (so that the long double quotient is that midpoint), for quotients of every exponent,
// on either side of the midpoint and at every distance inside that band. Found by search:
// x = p y rounded, for a midpoint p, lands that close about once in 2^11 tries. The guard must
// send every one to long double, however near the edge of the band.
TEST(FloatArithmetic, QuotientsBesideMidpointsTakeTheLongDoubleResult) {
  std::mt19937_64 rng(23);
  std::uniform_real_distribution<double> unit(1.0, 2.0);
  std::uniform_int_distribution<int> e(-60, 60);
  std::vector<double> divisors, dividends;
  int differing = 0, nearEdge = 0;
  for (int tries = 0; tries < 4'000'000 && divisors.size() < 400; ++tries) {
    const double q = std::ldexp(unit(rng), e(rng));
    const double ulp = std::ldexp(1.0, std::ilogb(q) - 52);
    const ld midpoint = ld(q) + ld(ulp) / 2;
    const double y = std::ldexp(unit(rng), e(rng)) * ((rng() & 1) ? 1 : -1);
    const double x = static_cast<double>(midpoint * y) * ((rng() & 1) ? 1 : -1);
    if (std::fabs(ld(x) / y) != midpoint) continue;
    divisors.push_back(y);
    dividends.push_back(x);
    if (Bits(x / y) != Bits(double(ld(x) / y))) ++differing;
    // Farther than ulp(q) 2^-13 from the midpoint: the outer half of the band (the remainder
    // |x| - q |y| is exact by the fused form; its quotient by |y| is off by far less).
    const double offset =
        std::fabs(std::fma(-q, std::fabs(y), std::fabs(x)) / std::fabs(y) - ulp / 2);
    if (offset > ulp * 0x1p-13) ++nearEdge;
  }
  ASSERT_EQ(divisors.size(), 400u);
  ASSERT_GT(differing, 100);
  ASSERT_GT(nearEdge, 100);
  imagetest::ForEachVectorTarget([&] {
    for (const auto& c : Vector64fCases())
      if (c.Name == "Div_64f_I" || c.Name == "fbDivide64f") CheckVectorCase(c, divisors, dividends);
  });
}

// ---- Real constants ----------------------------------------------------------------------------

// A member of a vector and a real constant: out of place (s, c, d) or in place (c, sd).
struct TConstantCase {
  std::string Name;
  std::function<IppStatus(const double* s, double c, double* d, int n)> Run;
  bool InPlace;
  // The element from (x, c); wrote tells whether the member writes at all for this constant.
  std::function<double(double x, double c)> Model;
  std::function<bool(double c)> Writes;
};

bool Eq(double c, double v) { return !(c < v || c > v); }

std::vector<TConstantCase> ConstantCases() {
  auto addZero = [](double x, double c) { return Eq(c, 0) ? x : double(ld(x) + c); };
  auto subZero = [](double x, double c) { return Eq(c, 0) ? x : double(ld(x) - c); };
  auto mul = [](double x, double c) { return Eq(c, 1) ? x : Eq(c, 0) ? 0.0 : double(ld(x) * c); };
  auto recip = [](double c) { return double(1.0L / c); };
  auto always = [](double) { return true; };
  return {
      {"AddC_64f", ippsAddC_64f, false, addZero, always},
      {"AddC_64f_I",
       [](const double*, double c, double* d, int n) { return ippsAddC_64f_I(c, d, n); }, true,
       addZero, [](double c) { return !Eq(c, 0); }},
      {"SubC_64f", ippsSubC_64f, false, subZero, always},
      {"SubC_64f_I",
       [](const double*, double c, double* d, int n) { return ippsSubC_64f_I(c, d, n); }, true,
       subZero, [](double c) { return !Eq(c, 0); }},
      {"SubCRev_64f", ippsSubCRev_64f, false, [](double x, double c) { return double(ld(c) - x); },
       always},
      {"MulC_64f", ippsMulC_64f, false, mul, always},
      {"MulC_64f_I",
       [](const double*, double c, double* d, int n) { return ippsMulC_64f_I(c, d, n); }, true, mul,
       [](double c) { return !Eq(c, 1); }},
      {"DivC_64f", ippsDivC_64f, false, [=](double x, double c) { return mul(x, recip(c)); },
       always},
      {"DivC_64f_I",
       [](const double*, double c, double* d, int n) { return ippsDivC_64f_I(c, d, n); }, true,
       [=](double x, double c) { return mul(x, recip(c)); },
       [=](double c) { return !Eq(recip(c), 1); }},
  };
}

TEST(FloatArithmetic, RealConstantsGiveTheLongDoubleBits) {
  std::mt19937_64 rng(12);
  const std::vector<double> v = Operands<double>(rng, 1500);
  const int n = static_cast<int>(v.size());
  std::vector<double> constants = {0.0, -0.0, 1.0,    -1.0,  kInf,         -kInf,
                                   3.0, 0.1,  1e-310, 1e300, 0x1.00002p-53};
  for (int k = 0; k < 6; ++k) constants.push_back(Operands<double>(rng, 40)[39]);
  for (const auto& c : ConstantCases()) {
    for (double k : constants) {
      if (c.Name.rfind("DivC", 0) == 0 && Eq(k, 0)) continue;  // the -10 of the check table
      for (bool same : {false, true}) {
        std::vector<double> s = v, d(v.size(), -7.0);
        double* dst = c.InPlace || same ? s.data() : d.data();
        ASSERT_EQ(c.Run(s.data(), k, dst, n), ippStsNoErr) << c.Name << " c " << k;
        for (int i = 0; i < n; ++i) {
          const double want = c.Writes(k) ? c.Model(v[i], k) : v[i];
          ASSERT_EQ(Bits(dst[i]), Bits(want))
              << c.Name << " c " << k << " element " << i << ": " << v[i];
        }
      }
    }
  }
}

// ---- Complex vectors ---------------------------------------------------------------------------

Ipp64fc MulModel(Ipp64fc x, Ipp64fc y) {
  const ld a = x.re, b = x.im, c = y.re, e = y.im;
  return {double(a * c - b * e), double(a * e + b * c)};
}

Ipp64fc DivModel(Ipp64fc v, Ipp64fc u, bool& zero) {  // u / v
  const ld a = v.re, b = v.im, p = u.re, q = u.im;
  const ld m = a * a + b * b;
  if (!(m > 0)) {
    zero = true;
    return {FromBits(kDivisionNaN), FromBits(kDivisionNaN)};
  }
  const ld r = 1 / m;
  return {double((a * p + b * q) * r), double((a * q - b * p) * r)};
}

// A member of two complex vectors: in place (s, sd) or out of place (s1, s2, d).
struct TComplexCase {
  std::string Name;
  std::function<IppStatus(const Ipp64fc* a, Ipp64fc* b, Ipp64fc* d, int n)> Run;  // d == b in place
  bool InPlace;
  std::function<Ipp64fc(Ipp64fc a, Ipp64fc b, bool& zero)> Model;
};

std::vector<TComplexCase> ComplexCases() {
  return {
      {"Add_64fc", [](auto a, auto b, auto d, int n) { return ippsAdd_64fc(a, b, d, n); }, false,
       [](Ipp64fc a, Ipp64fc b, bool&) {
         return Ipp64fc{double(ld(a.re) + b.re), double(ld(a.im) + b.im)};
       }},
      {"Add_64fc_I", [](auto a, auto b, auto, int n) { return ippsAdd_64fc_I(a, b, n); }, true,
       [](Ipp64fc a, Ipp64fc b, bool&) {
         return Ipp64fc{double(ld(a.re) + b.re), double(ld(a.im) + b.im)};
       }},
      {"Sub_64fc_I", [](auto a, auto b, auto, int n) { return ippsSub_64fc_I(a, b, n); }, true,
       [](Ipp64fc a, Ipp64fc b, bool&) {
         return Ipp64fc{double(ld(b.re) - a.re), double(ld(b.im) - a.im)};
       }},
      {"Mul_64fc_I", [](auto a, auto b, auto, int n) { return ippsMul_64fc_I(a, b, n); }, true,
       [](Ipp64fc a, Ipp64fc b, bool&) { return MulModel(b, a); }},
      {"Div_64fc_I", [](auto a, auto b, auto, int n) { return ippsDiv_64fc_I(a, b, n); }, true,
       DivModel},
      {"fbDivide64fc", [](auto a, auto b, auto d, int n) { return fbDivide64fc(a, b, d, n); },
       false, DivModel},
  };
}

std::vector<Ipp64fc> ComplexOperands(std::mt19937_64& rng, size_t n) {
  const std::vector<double> re = Operands<double>(rng, n), im = Operands<double>(rng, n + 7);
  std::vector<Ipp64fc> v;
  for (size_t i = 0; i < n; ++i) v.push_back({re[i], im[i + 7]});
  v.push_back({0, 0});
  v.push_back({-0.0, 0});
  v.push_back({0, 1e-200});
  v.push_back({1e-170, 1e-170});
  return v;
}

void ExpectSameComplex(Ipp64fc got, Ipp64fc want, const std::string& what) {
  ASSERT_EQ(Bits(got.re), Bits(want.re)) << what << " re";
  ASSERT_EQ(Bits(got.im), Bits(want.im)) << what << " im";
}

TEST(FloatArithmetic, ComplexVectorsGiveTheLongDoubleBits) {
  std::mt19937_64 rng(13);
  const std::vector<Ipp64fc> a = ComplexOperands(rng, 1500), b = ComplexOperands(rng, 1500);
  const int n = static_cast<int>(a.size());
  imagetest::ForEachVectorTarget([&] {
    for (const auto& c : ComplexCases()) {
      bool zero = false;
      std::vector<Ipp64fc> want(a.size());
      for (size_t i = 0; i < a.size(); ++i) want[i] = c.Model(a[i], b[i], zero);
      for (TPlace place : {TPlace::Out, TPlace::DstIsFirst, TPlace::DstIsSecond}) {
        if (c.InPlace && place == TPlace::DstIsFirst) continue;
        std::vector<Ipp64fc> first = a, second = b, d(a.size(), Ipp64fc{-7, -7});
        Ipp64fc* dst = c.InPlace || place == TPlace::DstIsSecond ? second.data()
                       : place == TPlace::DstIsFirst             ? first.data()
                                                                 : d.data();
        EXPECT_EQ(c.Run(first.data(), second.data(), dst, n), zero ? ippStsDivByZero : ippStsNoErr)
            << c.Name;
        for (int i = 0; i < n; ++i)
          ExpectSameComplex(
              dst[i], want[i],
              c.Name + " element " + std::to_string(i) + " place " + std::to_string(int(place)));
      }
      // One vector as both operands.
      std::vector<Ipp64fc> same = b;
      bool z = false;
      c.Run(same.data(), same.data(), same.data(), n);
      for (int i = 0; i < n; ++i)
        ExpectSameComplex(same[i], c.Model(b[i], b[i], z), c.Name + " on itself");
    }
  });
}

// A member of a complex vector and a complex constant.
struct TComplexConstantCase {
  std::string Name;
  std::function<IppStatus(const Ipp64fc* s, Ipp64fc c, Ipp64fc* d, int n)> Run;  // in place: d == s
  bool InPlace;
  std::function<Ipp64fc(Ipp64fc x, Ipp64fc c)> Model;
};

Ipp64fc Reciprocal(Ipp64fc c) {
  const ld re = c.re, im = c.im, r = 1 / (re * re + im * im);
  return {double(re * r), double(-im * r)};
}

std::vector<TComplexConstantCase> ComplexConstantCases() {
  auto add = [](Ipp64fc x, Ipp64fc c) {
    return Ipp64fc{double(ld(x.re) + c.re), double(ld(x.im) + c.im)};
  };
  auto sub = [](Ipp64fc x, Ipp64fc c) {
    return Ipp64fc{double(ld(x.re) - c.re), double(ld(x.im) - c.im)};
  };
  auto div = [](Ipp64fc x, Ipp64fc c) { return MulModel(x, Reciprocal(c)); };
  return {
      {"AddC_64fc", ippsAddC_64fc, false, add},
      {"AddC_64fc_I", [](auto, Ipp64fc c, auto d, int n) { return ippsAddC_64fc_I(c, d, n); }, true,
       add},
      {"SubC_64fc", ippsSubC_64fc, false, sub},
      {"SubC_64fc_I", [](auto, Ipp64fc c, auto d, int n) { return ippsSubC_64fc_I(c, d, n); }, true,
       sub},
      {"SubCRev_64fc", ippsSubCRev_64fc, false,
       [](Ipp64fc x, Ipp64fc c) {
         return Ipp64fc{double(ld(c.re) - x.re), double(ld(c.im) - x.im)};
       }},
      {"MulC_64fc", ippsMulC_64fc, false, MulModel},
      {"MulC_64fc_I", [](auto, Ipp64fc c, auto d, int n) { return ippsMulC_64fc_I(c, d, n); }, true,
       MulModel},
      {"DivC_64fc", ippsDivC_64fc, false, div},
      {"DivC_64fc_I", [](auto, Ipp64fc c, auto d, int n) { return ippsDivC_64fc_I(c, d, n); }, true,
       div},
  };
}

TEST(FloatArithmetic, ComplexConstantsGiveTheLongDoubleBits) {
  std::mt19937_64 rng(14);
  const std::vector<Ipp64fc> v = ComplexOperands(rng, 800);
  const int n = static_cast<int>(v.size());
  const Ipp64fc constants[] = {{3, 4},     {0, 1e-200}, {-0.0, 2}, {1e300, -1e-300},
                               {0.1, 0.7}, {kInf, 1},   {kNaN, 0}};
  for (const auto& c : ComplexConstantCases()) {
    for (Ipp64fc k : constants) {
      if (c.Name.rfind("DivC", 0) == 0 && std::isnan(k.re)) continue;  // the -10 of the check table
      for (bool same : {false, true}) {
        std::vector<Ipp64fc> s = v, d(v.size(), Ipp64fc{-7, -7});
        Ipp64fc* dst = c.InPlace || same ? s.data() : d.data();
        ASSERT_EQ(c.Run(s.data(), k, dst, n), ippStsNoErr) << c.Name;
        for (int i = 0; i < n; ++i)
          ExpectSameComplex(dst[i], c.Model(v[i], k), c.Name + " element " + std::to_string(i));
      }
    }
  }
}

// ---- Reductions ----------------------------------------------------------------------------------

double SumModel(const std::vector<double>& v) {
  ld a = 0.0L, b = 0.0L;
  size_t i = 0;
  for (; i + 4 <= v.size(); i += 4) {
    a += v[i];
    b += v[i + 1];
    a += v[i + 2];
    b += v[i + 3];
  }
  for (; i < v.size(); ++i) a += v[i];
  return double(a + b);
}

double MaxModel(const std::vector<double>& v) {
  double m = v[0];
  for (double x : v)
    if (x > m) m = x;
  return m;
}

double MinModel(const std::vector<double>& v) {
  double m = v[0];
  for (double x : v)
    if (!(x >= m)) m = x;
  return m;
}

TEST(FloatArithmetic, ReductionsFollowTheirPartialSumsAndComparisons) {
  std::mt19937_64 rng(15);
  std::vector<std::vector<double>> vectors = {{1e20, 1, -1e20, 1},
                                              {1.7e308, 0, 1.7e308, 0, -1.7e308},
                                              {-0.0},
                                              {kNaN, 1, 2},
                                              {1, kNaN, 2},
                                              {1, 2, kNaN},
                                              {-0.0, 0.0},
                                              {0.0, -0.0}};
  for (int len : {1, 2, 3, 4, 5, 7, 8, 9, 100, 1001}) {
    std::vector<double> v = Operands<double>(rng, 200);
    std::shuffle(v.begin(), v.end(), rng);
    v.resize(len);
    vectors.push_back(v);
    // Finite ones too, where the sum is not swamped by an infinity or NaN.
    for (double& x : v)
      if (!std::isfinite(x)) x = 1.5;
    vectors.push_back(v);
  }
  for (const auto& v : vectors) {
    const int n = static_cast<int>(v.size());
    double sum = -7, max = -7, min = -7;
    ASSERT_EQ(ippsSum_64f(v.data(), n, &sum), ippStsNoErr);
    ASSERT_EQ(ippsMax_64f(v.data(), n, &max), ippStsNoErr);
    ASSERT_EQ(ippsMin_64f(v.data(), n, &min), ippStsNoErr);
    EXPECT_EQ(Bits(sum), Bits(SumModel(v))) << "sum of " << n;
    EXPECT_EQ(Bits(max), Bits(MaxModel(v))) << "max of " << n;
    EXPECT_EQ(Bits(min), Bits(MinModel(v))) << "min of " << n;
  }
}

// ---- Special cases -------------------------------------------------------------------------------

TEST(FloatArithmetic, SpecialConstantsAndDivisors) {
  // AddC with 0 copies bit for bit: -0.0 stays -0.0 (a sum with +0 would give +0).
  {
    const double s[] = {-0.0, kNaN, 1};
    double d[3] = {5, 5, 5};
    ASSERT_EQ(ippsAddC_64f(s, 0.0, d, 3), ippStsNoErr);
    EXPECT_EQ(Bits(d[0]), Bits(-0.0));
    EXPECT_EQ(Bits(d[1]), Bits(kNaN));
  }
  // MulC_I by 0 stores +0 over infinities, NaNs and negatives.
  {
    double sd[] = {kInf, kNaN, -3, -0.0};
    ASSERT_EQ(ippsMulC_64f_I(0.0, sd, 4), ippStsNoErr);
    for (double x : sd) EXPECT_EQ(Bits(x), Bits(0.0));
  }
  // A NaN constant counts as the special value tested first.
  {
    const double s[] = {2, -0.0, kInf};
    double sd[] = {2, -0.0, kInf}, d[3] = {9, 9, 9};
    float sf[] = {2, -0.0f, 3};
    ASSERT_EQ(ippsMulC_64f_I(kNaN, sd, 3), ippStsNoErr);
    ASSERT_EQ(ippsAddC_64f_I(kNaN, sd, 3), ippStsNoErr);
    ASSERT_EQ(ippsMulC_32f_I(std::numeric_limits<float>::quiet_NaN(), sf, 3), ippStsNoErr);
    ASSERT_EQ(ippsMulC_64f(s, kNaN, d, 3), ippStsNoErr);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(Bits(sd[i]), Bits(s[i]));
      EXPECT_EQ(Bits(d[i]), Bits(s[i]));
    }
    EXPECT_EQ(Bits(sf[1]), Bits(-0.0f));
  }
  // Division by infinity zero-fills; a complex constant (0, 1e-200) has a positive modulus.
  {
    double sd[] = {kNaN, -5, kInf};
    ASSERT_EQ(ippsDivC_64f_I(kInf, sd, 3), ippStsNoErr);
    for (double x : sd) EXPECT_EQ(Bits(x), Bits(0.0));
    const Ipp64fc s[] = {{1, 2}};
    Ipp64fc d[1];
    EXPECT_EQ(ippsDivC_64fc(s, Ipp64fc{0, 1e-200}, d, 1), ippStsNoErr);
    EXPECT_DOUBLE_EQ(d[0].re, 2e200);
    EXPECT_DOUBLE_EQ(d[0].im, -1e200);
  }
  // Real division by zero divisors.
  {
    const double divisor[] = {0, 0, 0, kNaN};
    double sd[] = {2, 0, -2, 5};
    ASSERT_EQ(ippsDiv_64f_I(divisor, sd, 4), ippStsDivByZero);
    EXPECT_EQ(sd[0], kInf);
    EXPECT_EQ(Bits(sd[1]), kDivisionNaN);
    EXPECT_EQ(sd[2], -kInf);
    EXPECT_EQ(sd[3], kInf);
    const double one[] = {2, 4};
    double q[] = {1, 2};
    EXPECT_EQ(ippsDiv_64f_I(one, q, 2), ippStsNoErr);
    EXPECT_EQ(q[0], 0.5);
  }
  // A complex (0, 0) divisor: NaN pair there, the rest divided.
  {
    const Ipp64fc divisor[] = {{3, 4}, {0, 0}, {-0.0, 0}};
    Ipp64fc sd[] = {{-5, 10}, {1, 1}, {2, 2}};
    ASSERT_EQ(ippsDiv_64fc_I(divisor, sd, 3), ippStsDivByZero);
    EXPECT_EQ(sd[0].re, 1);
    EXPECT_EQ(sd[0].im, 2);
    for (int i : {1, 2}) {
      EXPECT_EQ(Bits(sd[i].re), kDivisionNaN);
      EXPECT_EQ(Bits(sd[i].im), kDivisionNaN);
    }
    const Ipp64fc by[] = {{3, 4}};
    Ipp64fc x[] = {{1, 2}};
    ASSERT_EQ(ippsMul_64fc_I(by, x, 1), ippStsNoErr);
    EXPECT_EQ(x[0].re, -5);
    EXPECT_EQ(x[0].im, 10);
    Ipp64fc y[1];
    ASSERT_EQ(ippsDivC_64fc(x, Ipp64fc{3, 4}, y, 1), ippStsNoErr);
    EXPECT_EQ(y[0].re, 1);
    EXPECT_EQ(y[0].im, 2);
  }
  // The two partial sums and the NaN rules of the extremes.
  {
    double r = 0;
    const double a[] = {1e20, 1, -1e20, 1};
    ASSERT_EQ(ippsSum_64f(a, 4, &r), ippStsNoErr);
    EXPECT_EQ(r, 2.0);
    const double b[] = {1.7e308, 0, 1.7e308, 0, -1.7e308};
    ASSERT_EQ(ippsSum_64f(b, 5, &r), ippStsNoErr);
    EXPECT_TRUE(std::isfinite(r));
    EXPECT_EQ(r, 1.7e308);
    const double c[] = {kNaN, 1, 2}, d[] = {1, kNaN, 2}, e[] = {1, 2, kNaN};
    ippsMax_64f(c, 3, &r);
    EXPECT_TRUE(std::isnan(r));
    ippsMax_64f(d, 3, &r);
    EXPECT_EQ(r, 2);
    ippsMin_64f(d, 3, &r);
    EXPECT_EQ(r, 2);
    ippsMin_64f(e, 3, &r);
    EXPECT_TRUE(std::isnan(r));
  }
}

// ---- The order of the checks -----------------------------------------------------------------------

// Each member runs with a canary-filled destination (and result) and must return the status and
// leave every canary in place.
TEST(FloatArithmetic, ChecksInOrderWriteNothing) {
  struct TCase {
    std::string name;
    IppStatus want;
    std::function<IppStatus(double* d)> run;  // d: 8 canary doubles
  };
  static const double s[4] = {1, 2, 3, 4};
  static const Ipp64fc cs[2] = {{1, 2}, {3, 4}};
  static const float fs[4] = {1, 2, 3, 4};
  auto c = [](double* d) { return reinterpret_cast<Ipp64fc*>(d); };
  auto f = [](double* d) { return reinterpret_cast<float*>(d); };
  const Ipp64fc k{1, 1};
  const std::vector<TCase> cases = {
      // Null pointers before the length, in argument order.
      {"Add_64f null", ippStsNullPtrErr, [](double* d) { return ippsAdd_64f(nullptr, s, d, 0); }},
      {"Add_64f null d", ippStsNullPtrErr, [](double*) { return ippsAdd_64f(s, s, nullptr, 4); }},
      {"Mul_64f null", ippStsNullPtrErr, [](double* d) { return ippsMul_64f(s, nullptr, d, -1); }},
      {"Add_64f_I null", ippStsNullPtrErr, [](double*) { return ippsAdd_64f_I(s, nullptr, 0); }},
      {"Sub_64f_I null", ippStsNullPtrErr, [](double* d) { return ippsSub_64f_I(nullptr, d, 0); }},
      {"Mul_64f_I null", ippStsNullPtrErr, [](double* d) { return ippsMul_64f_I(nullptr, d, 0); }},
      {"Div_64f_I null", ippStsNullPtrErr, [](double* d) { return ippsDiv_64f_I(nullptr, d, 0); }},
      {"fbDivide64f null", ippStsNullPtrErr,
       [](double* d) { return fbDivide64f(s, d, nullptr, 0); }},
      {"fbDivide64fc null", ippStsNullPtrErr,
       [=](double* d) { return fbDivide64fc(nullptr, c(d), c(d), 0); }},
      {"AddC_64f null", ippStsNullPtrErr, [](double* d) { return ippsAddC_64f(nullptr, 0, d, 0); }},
      {"AddC_64f_I null", ippStsNullPtrErr, [](double*) { return ippsAddC_64f_I(1, nullptr, 0); }},
      {"SubC_64f null", ippStsNullPtrErr, [](double*) { return ippsSubC_64f(s, 1, nullptr, 0); }},
      {"SubC_64f_I null", ippStsNullPtrErr, [](double*) { return ippsSubC_64f_I(1, nullptr, 0); }},
      {"SubCRev_64f null", ippStsNullPtrErr,
       [](double* d) { return ippsSubCRev_64f(nullptr, 1, d, 0); }},
      {"MulC_64f null", ippStsNullPtrErr, [](double* d) { return ippsMulC_64f(nullptr, 2, d, 0); }},
      {"MulC_64f_I null", ippStsNullPtrErr, [](double*) { return ippsMulC_64f_I(2, nullptr, 0); }},
      {"DivC_64f null", ippStsNullPtrErr, [](double* d) { return ippsDivC_64f(nullptr, 0, d, 0); }},
      {"DivC_64f_I null", ippStsNullPtrErr, [](double*) { return ippsDivC_64f_I(0, nullptr, 0); }},
      {"Mul_64fc_I null", ippStsNullPtrErr,
       [=](double* d) { return ippsMul_64fc_I(nullptr, c(d), 0); }},
      {"Div_64fc_I null", ippStsNullPtrErr,
       [=](double* d) { return ippsDiv_64fc_I(nullptr, c(d), 0); }},
      {"AddC_64fc null", ippStsNullPtrErr,
       [=](double* d) { return ippsAddC_64fc(nullptr, k, c(d), 0); }},
      {"AddC_64fc_I null", ippStsNullPtrErr,
       [=](double*) { return ippsAddC_64fc_I(k, nullptr, 0); }},
      {"SubC_64fc null", ippStsNullPtrErr,
       [=](double*) { return ippsSubC_64fc(cs, k, nullptr, 0); }},
      {"SubC_64fc_I null", ippStsNullPtrErr,
       [=](double*) { return ippsSubC_64fc_I(k, nullptr, 0); }},
      {"SubCRev_64fc null", ippStsNullPtrErr,
       [=](double* d) { return ippsSubCRev_64fc(nullptr, k, c(d), 0); }},
      {"MulC_64fc null", ippStsNullPtrErr,
       [=](double* d) { return ippsMulC_64fc(nullptr, k, c(d), 0); }},
      {"MulC_64fc_I null", ippStsNullPtrErr,
       [=](double*) { return ippsMulC_64fc_I(k, nullptr, 0); }},
      {"DivC_64fc null", ippStsNullPtrErr,
       [=](double* d) {
         return ippsDivC_64fc(nullptr, Ipp64fc{0, 0}, c(d), 0);
       }},
      {"DivC_64fc_I null", ippStsNullPtrErr,
       [=](double*) {
         return ippsDivC_64fc_I(Ipp64fc{0, 0}, nullptr, 0);
       }},
      {"Mul_32f null", ippStsNullPtrErr,
       [=](double* d) { return ippsMul_32f(nullptr, fs, f(d), 0); }},
      {"Mul_32f_I null", ippStsNullPtrErr,
       [=](double* d) { return ippsMul_32f_I(nullptr, f(d), 0); }},
      {"Sub_32f_I null", ippStsNullPtrErr, [=](double*) { return ippsSub_32f_I(fs, nullptr, 0); }},
      {"MulC_32f_I null", ippStsNullPtrErr, [=](double*) { return ippsMulC_32f_I(0, nullptr, 0); }},
      {"Sum_64f null", ippStsNullPtrErr, [](double*) { return ippsSum_64f(s, 0, nullptr); }},
      {"Max_64f null", ippStsNullPtrErr, [](double* d) { return ippsMax_64f(nullptr, 0, d); }},
      {"Min_64f null", ippStsNullPtrErr, [](double*) { return ippsMin_64f(s, 0, nullptr); }},
      // The three complex sums and differences test the length first.
      {"Add_64fc length", ippStsSizeErr,
       [](double*) { return ippsAdd_64fc(nullptr, nullptr, nullptr, 0); }},
      {"Add_64fc_I length", ippStsSizeErr,
       [](double*) { return ippsAdd_64fc_I(nullptr, nullptr, -3); }},
      {"Sub_64fc_I length", ippStsSizeErr,
       [](double*) { return ippsSub_64fc_I(nullptr, nullptr, 0); }},
      {"Add_64fc null", ippStsNullPtrErr,
       [=](double*) { return ippsAdd_64fc(cs, cs, nullptr, 2); }},
      // Lengths below 1 before the constants.
      {"Add_64f length", ippStsSizeErr, [](double* d) { return ippsAdd_64f(s, s, d, 0); }},
      {"Div_64f_I length", ippStsSizeErr, [](double* d) { return ippsDiv_64f_I(s, d, -1); }},
      {"fbDivide64fc length", ippStsSizeErr,
       [=](double* d) { return fbDivide64fc(cs, cs, c(d), 0); }},
      {"AddC_64f length", ippStsSizeErr, [](double* d) { return ippsAddC_64f(s, 0, d, 0); }},
      {"MulC_64f length", ippStsSizeErr, [](double* d) { return ippsMulC_64f(s, 0, d, 0); }},
      {"DivC_64f length", ippStsSizeErr, [](double* d) { return ippsDivC_64f(s, 0, d, 0); }},
      {"DivC_64fc_I length", ippStsSizeErr,
       [=](double* d) {
         return ippsDivC_64fc_I(Ipp64fc{0, 0}, c(d), 0);
       }},
      {"MulC_32f_I length", ippStsSizeErr, [=](double* d) { return ippsMulC_32f_I(0, f(d), 0); }},
      {"Mul_32f length", ippStsSizeErr, [=](double* d) { return ippsMul_32f(fs, fs, f(d), 0); }},
      {"Sum_64f length", ippStsSizeErr, [](double* d) { return ippsSum_64f(s, 0, d); }},
      {"Max_64f length", ippStsSizeErr, [](double* d) { return ippsMax_64f(s, -1, d); }},
      // Zero constants of the divisions: 0, -0 and NaN.
      {"DivC_64f 0", ippStsDivByZeroErr, [](double* d) { return ippsDivC_64f(s, 0.0, d, 4); }},
      {"DivC_64f -0", ippStsDivByZeroErr, [](double* d) { return ippsDivC_64f(s, -0.0, d, 4); }},
      {"DivC_64f NaN", ippStsDivByZeroErr, [](double* d) { return ippsDivC_64f(s, kNaN, d, 4); }},
      {"DivC_64f_I 0", ippStsDivByZeroErr, [](double* d) { return ippsDivC_64f_I(-0.0, d, 4); }},
      {"DivC_64fc (0, 0)", ippStsDivByZeroErr,
       [=](double* d) {
         return ippsDivC_64fc(cs, Ipp64fc{0, -0.0}, c(d), 2);
       }},
      {"DivC_64fc NaN", ippStsDivByZeroErr,
       [=](double* d) {
         return ippsDivC_64fc(cs, Ipp64fc{kNaN, 1}, c(d), 2);
       }},
      {"DivC_64fc_I (0, 0)", ippStsDivByZeroErr,
       [=](double* d) {
         return ippsDivC_64fc_I(Ipp64fc{0, 0}, c(d), 2);
       }},
  };
  for (const auto& t : cases) {
    double d[8];
    for (double& x : d) x = FromBits(0x7FF4DEADBEEF0001ull);  // a signalling NaN canary
    EXPECT_EQ(t.run(d), t.want) << t.name;
    for (double x : d) EXPECT_EQ(Bits(x), 0x7FF4DEADBEEF0001ull) << t.name << " wrote";
  }
}

// ---- Vectors beyond the 32-bit byte and value counts ------------------------------------------------

std::int64_t AvailableMemory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key, unit;
  std::int64_t kib = 0;
  while (meminfo >> key >> kib >> unit)
    if (key == "MemAvailable:") return kib * 1024;
  return 0;
}

struct Mapping {
  std::size_t size;
  double* values;
  explicit Mapping(std::size_t bytes)
      : size(bytes),
        values(static_cast<double*>(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))) {
    if (ok()) ::madvise(values, bytes, MADV_HUGEPAGE);
  }
  ~Mapping() {
    if (ok()) ::munmap(values, size);
  }
  bool ok() const { return values != MAP_FAILED; }
};

// AddC_64f with 0 copies 8n bytes: from n = 2^28 on that count passes the int32 range. The
// source is read untouched (zero pages) apart from its marked elements; only the destination's
// 2 GiB are written.
TEST(FloatArithmetic, AddZeroCopiesVectorsBeyondTheInt32ByteRange) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers shadow every written byte";
#endif
  constexpr std::int64_t kN = (std::int64_t{1} << 28) + 3;
  const std::int64_t needed = kN * 8 + (std::int64_t{1} << 30);
  if (AvailableMemory() < needed)
    GTEST_SKIP() << "needs " << (needed >> 20) << " MiB of available memory";
  Mapping source(kN * 8), destination(kN * 8 + 8);
  ASSERT_TRUE(source.ok() && destination.ok());
  const std::int64_t marked[] = {0, (std::int64_t{1} << 28) - 1, std::int64_t{1} << 28, kN - 1};
  for (std::int64_t i : marked)
    source.values[i] = i == kN - 1 ? -0.0 : static_cast<double>(i) + 0.5;
  destination.values[kN] = 42;  // the element after the vector
  ASSERT_EQ(ippsAddC_64f(source.values, 0.0, destination.values, static_cast<int>(kN)),
            ippStsNoErr);
  for (std::int64_t i : marked) EXPECT_EQ(Bits(destination.values[i]), Bits(source.values[i])) << i;
  EXPECT_EQ(destination.values[kN], 42);
}

// ippsAdd_64fc, ippsAdd_64fc_I and ippsSub_64fc_I hand the 2n float64 parts of their n
// elements to the float64 engine: from n = 2^30 + 1 on that count passes INT32_MAX, where a
// 32-bit count wrapped negative and left the vector unwritten with success. The engine here
// records the count instead of running (a run needs 16 GiB a vector; see the test below).
TEST(FloatArithmetic, ComplexSumsHandTheEngineTwiceTheirLengthIn64Bits) {
  Ipp64fc z{};
  for (int len : {1, 7, (1 << 30) - 1, 1 << 30, (1 << 30) + 1, INT32_MAX}) {
    std::int64_t handed = -1;
    EXPECT_EQ(floatarith::ComplexAsParts(&z, &z, &z, len,
                                         [&](const void*, const void*, void*, std::int64_t n) {
                                           handed = n;
                                         }),
              ippStsNoErr);
    EXPECT_EQ(handed, 2 * std::int64_t{len}) << len;
  }
  // The length is checked before the pointers; a failed check never reaches the engine.
  struct Case {
    const Ipp64fc *a, *b;
    Ipp64fc* d;
    int len;
    IppStatus status;
  };
  const Case cases[] = {{nullptr, nullptr, nullptr, 0, ippStsSizeErr},
                        {&z, &z, &z, INT32_MIN, ippStsSizeErr},
                        {nullptr, &z, &z, 1, ippStsNullPtrErr},
                        {&z, nullptr, &z, 1, ippStsNullPtrErr},
                        {&z, &z, nullptr, INT32_MAX, ippStsNullPtrErr}};
  for (const Case& c : cases) {
    bool ran = false;
    EXPECT_EQ(floatarith::ComplexAsParts(c.a, c.b, c.d, c.len,
                                         [&](const void*, const void*, void*, std::int64_t) {
                                           ran = true;
                                         }),
              c.status)
        << &c - cases;
    EXPECT_FALSE(ran) << &c - cases;
  }
}

// The complex sums and differences run over 2n float64 values, past the int32 range from
// n = 2^30 (16 GiB a vector): run only when asked for (PF_EXHAUSTIVE=1) and memory allows.
TEST(FloatArithmetic, ComplexSumsOfVectorsBeyondTheInt32ValueRange) {
  if (std::getenv("PF_EXHAUSTIVE") == nullptr || std::string(std::getenv("PF_EXHAUSTIVE")) != "1")
    GTEST_SKIP() << "writes 16 GiB; set PF_EXHAUSTIVE=1";
  constexpr std::int64_t kN = (std::int64_t{1} << 30) + 1;
  const std::int64_t needed = kN * 16 + (std::int64_t{2} << 30);
  if (AvailableMemory() < needed)
    GTEST_SKIP() << "needs " << (needed >> 20) << " MiB of available memory";
  Mapping v(kN * 16);
  ASSERT_TRUE(v.ok());
  auto* z = reinterpret_cast<Ipp64fc*>(v.values);
  z[kN - 1] = {1.5, -2.5};
  ASSERT_EQ(ippsAdd_64fc_I(z, z, static_cast<int>(kN)), ippStsNoErr);
  EXPECT_EQ(z[kN - 1].re, 3.0);
  EXPECT_EQ(z[kN - 1].im, -5.0);
  ASSERT_EQ(ippsSub_64fc_I(z, z, static_cast<int>(kN)), ippStsNoErr);
  EXPECT_EQ(z[kN - 1].re, 0.0);
}

}  // namespace
