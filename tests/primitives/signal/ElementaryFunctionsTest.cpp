#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/ElementaryFunctions.h"
#include "primitives/signal/ElementaryFunctionsKernels.h"
#include "primitives/support/Support.h"
#include "tests/primitives/HwyTargets.h"

namespace {

using namespace builtin;
using L = long double;

constexpr uint64_t kDefaultNaN = 0xFFF8000000000000u;
constexpr uint64_t kPositiveNaN = 0x7FF8000000000000u;
constexpr uint64_t kCanary = 0x5A5A5A5A5A5A5A5Au;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }
double FromBits(uint64_t b) { return std::bit_cast<double>(b); }
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = FromBits(kPositiveNaN);

// Equal bit for bit, printed as values and bits when not.
::testing::AssertionResult SameBits(const std::vector<double>& want, const std::vector<double>& got) {
  if (want.size() != got.size()) return ::testing::AssertionFailure() << "lengths differ";
  for (size_t i = 0; i < want.size(); ++i)
    if (Bits(want[i]) != Bits(got[i]))
      return ::testing::AssertionFailure()
             << "element " << i << ": want " << want[i] << " (0x" << std::hex << Bits(want[i])
             << ") got " << got[i] << " (0x" << Bits(got[i]) << std::dec << ")";
  return ::testing::AssertionSuccess();
}

// Values of every kind: signed zeros, subnormals, tiny and huge numbers, infinities, NaNs of
// both signs (quiet and signalling), values around the exponential's limits, and random
// numbers over the whole exponent range and over the exponential's domain.
std::vector<double> Values(std::mt19937_64& rng, size_t n) {
  static const std::vector<double> fixed = {
      0.0, -0.0, 1.0, -1.0, 4.0, 0.5, 2.0, -2.0, 4.9e-324, -4.9e-324, 2.2e-308, -1e-310,
      1e-300, -1e-300, 1e300, -1e300, 1.7e308, -1.7e308, kInf, -kInf, kNaN, -kNaN,
      FromBits(0x7FF0000000000001u), FromBits(0xFFF4000000000000u), 708.39, -708.39,
      708.39599609375, -708.39599609375, std::nextafter(-708.39599609375, 0.0),
      709.7822265625, std::nextafter(709.7822265625, 0.0), 709.78271289338397, -745.2,
      710.0, -710.0, 1e-17, -1e-17, 0.34657359027997264, -0.34657359027997264, 3e200, 4e200};
  std::vector<double> v;
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<size_t> fixedAt(0, fixed.size() - 1);
  std::uniform_real_distribution<double> domain(-720.0, 720.0), small(-3.0, 3.0);
  while (v.size() < n) {
    switch (pick(rng)) {
      case 0: v.push_back(fixed[fixedAt(rng)]); break;
      case 1: v.push_back(domain(rng)); break;
      case 2: v.push_back(small(rng)); break;
      default: {  // any bit pattern
        v.push_back(FromBits(rng()));
        break;
      }
    }
  }
  return v;
}

// ---- The model: each element formula in long double, rounded once ---------------------------

// The exponential's kernel replayed step by step in float64 for four gathered inputs.
void ExpKernelModel(const double x[4], double y[4]) {
  const double invLn2 = FromBits(0x3FF71547652B82FEu), ln2hi = FromBits(0x3FE62E42FEE00000u),
               ln2lo = FromBits(0x3DEA39EF35793C76u);
  const double p1 = FromBits(0x3FC555555555553Eu), p2 = FromBits(0xBF66C16C16BEBD93u),
               p3 = FromBits(0x3F11566AAF25DE2Cu), p4 = FromBits(0xBEBBBD41C5D26BF1u),
               p5 = FromBits(0x3E66376972BEA4D0u);
  double k[4], hi[4], lo[4], r[4], c[4], f[4];
  for (int j = 0; j < 4; ++j) {
    const double m = std::signbit(x[j]) ? -4503599627370496.0 : 4503599627370496.0;
    const double s = x[j] * invLn2 + m;
    k[j] = s - m;
    hi[j] = x[j] - k[j] * ln2hi;
    lo[j] = k[j] * ln2lo;
    r[j] = hi[j] - lo[j];
    const double t = r[j] * r[j];
    c[j] = r[j] - t * (p1 + t * (p2 + t * (p3 + t * (p4 + t * p5))));
    f[j] = 2.0 - c[j];
  }
  const double reciprocal = 1.0 / ((f[0] * f[1]) * (f[2] * f[3]));
  const double q[4] = {reciprocal * (f[2] * f[3]) * f[1], reciprocal * (f[2] * f[3]) * f[0],
                       reciprocal * (f[0] * f[1]) * f[3], reciprocal * (f[0] * f[1]) * f[2]};
  for (int j = 0; j < 4; ++j) {
    const double v = r[j] * c[j] * q[j] + ((1.0 + hi[j]) - lo[j]);
    y[j] = std::ldexp(v, static_cast<int>(k[j]));  // exact: the result stays normal
  }
}

// How the exponential computed each element.
enum class ExpRoute { Special, Kernel, Support };

std::vector<ExpRoute> ExpModel(const std::vector<double>& s, std::vector<double>& d) {
  const size_t n = s.size();
  d.assign(n, 0.0);
  std::vector<ExpRoute> route(n, ExpRoute::Support);
  if (n < 4) {
    for (size_t i = 0; i < n; ++i) d[i] = LibCExp(s[i]);
    return route;
  }
  std::vector<size_t> gathered;
  for (size_t i = n; i-- > 0;) {
    const double x = s[i];
    const bool negative = std::signbit(x);
    if (std::isnan(x) || (negative && x <= -708.39599609375) || (!negative && x >= 709.7822265625)) {
      d[i] = std::isnan(x) ? FromBits(negative ? kDefaultNaN : kPositiveNaN) : negative ? 0.0 : kInf;
      route[i] = ExpRoute::Special;
      continue;
    }
    gathered.push_back(i);
    if (gathered.size() == 4) {
      double x4[4], y4[4];
      for (int j = 0; j < 4; ++j) x4[j] = s[gathered[j]];
      ExpKernelModel(x4, y4);
      for (int j = 0; j < 4; ++j) d[gathered[j]] = y4[j], route[gathered[j]] = ExpRoute::Kernel;
      gathered.clear();
    }
  }
  for (size_t i : gathered) d[i] = LibCExp(s[i]);
  return route;
}

struct TRealMember {
  std::string Name;
  std::function<IppStatus(Ipp64f*, int)> InPlace;
  std::function<IppStatus(const Ipp64f*, Ipp64f*, int)> OutOfPlace;
  // Expected results and status of each form (inPlace selects the form).
  std::function<IppStatus(const std::vector<double>&, std::vector<double>&, bool inPlace)> Model;
};

IppStatus SqrtModel(const std::vector<double>& s, std::vector<double>& d, bool inPlace) {
  IppStatus st = ippStsNoErr;
  d = s;
  for (size_t i = 0; i < s.size(); ++i) {
    const double x = s[i];
    if (inPlace ? (x > 0 || std::isnan(x)) : x >= 0) {
      d[i] = LibCSqrt(x);
    } else if (x != 0 || std::isnan(x)) {
      d[i] = FromBits(kDefaultNaN);
      st = ippStsSqrtNegArg;
    }
  }
  return st;
}

IppStatus LnModel(const std::vector<double>& s, std::vector<double>& d, bool) {
  IppStatus st = ippStsNoErr;
  d = s;
  for (size_t i = 0; i < s.size(); ++i) {
    const uint64_t b = Bits(s[i]);
    IppStatus candidate = ippStsNoErr;
    if (std::signbit(s[i])) {
      d[i] = FromBits(kDefaultNaN), candidate = ippStsLnNegArg;
    } else if (std::isnan(s[i]) && (b & 0x0008000000000000u)) {
      d[i] = FromBits(kPositiveNaN);
    } else if (s[i] == 0) {
      d[i] = -kInf, candidate = ippStsLnZeroArg;
    } else {
      d[i] = LibCLog(s[i]);
    }
    if (st == ippStsNoErr) st = candidate;
  }
  return st;
}

template <class F>
std::function<IppStatus(const std::vector<double>&, std::vector<double>&, bool)> Elementwise(F f) {
  return [f](const std::vector<double>& s, std::vector<double>& d, bool) {
    d.resize(s.size());
    for (size_t i = 0; i < s.size(); ++i) d[i] = f(s[i]);
    return ippStsNoErr;
  };
}

std::vector<TRealMember> RealMembers() {
  return {
      {"Abs", ippsAbs_64f_I, ippsAbs_64f, Elementwise([](double x) { return FromBits(Bits(x) & ~(uint64_t{1} << 63)); })},
      {"Sqr", ippsSqr_64f_I, ippsSqr_64f, Elementwise([](double x) { return double(L{x} * L{x}); })},
      {"Sqrt", ippsSqrt_64f_I, ippsSqrt_64f, SqrtModel},
      {"Exp", ippsExp_64f_I, ippsExp_64f,
       [](const std::vector<double>& s, std::vector<double>& d, bool) {
         ExpModel(s, d);
         return ippStsNoErr;
       }},
      {"Ln", ippsLn_64f_I, ippsLn_64f, LnModel},
  };
}

// Complex vectors are float64 vectors of twice the length, real parts first.
struct TComplexMember {
  std::string Name;
  std::function<IppStatus(Ipp64fc*, int)> InPlace;  // null for the measures
  std::function<IppStatus(const Ipp64fc*, void*, int)> OutOfPlace;
  int OutWidth;  // float64 values written per element: 2 (complex) or 1 (measure)
  std::function<void(double re, double im, double* out)> Model;
};

void ComplexSqrtModel(double re, double im, double* out) {
  const L a = L{re} / 2, b = L{im} / 2;
  const double m = LibCSqrt(double(a * a + b * b));
  if (a > 0 || std::isnan(re)) {
    const double t = LibCSqrt(double(m + a));
    out[0] = t, out[1] = double(b / t);
  } else if (a < 0) {
    const double t = LibCSqrt(double(m - a)) * (b < 0 ? -1 : 1);
    out[0] = double(b / t), out[1] = t;
  } else {
    const double u = LibCSqrt(double(b < 0 ? -b : b));
    out[0] = u, out[1] = b < 0 ? -u : u;
  }
}

std::vector<TComplexMember> ComplexMembers() {
  return {
      {"Sqr_64fc", ippsSqr_64fc_I,
       [](const Ipp64fc* s, void* d, int n) { return ippsSqr_64fc(s, static_cast<Ipp64fc*>(d), n); }, 2,
       [](double a, double b, double* out) {
         out[0] = double((L{a} - b) * (L{a} + b)), out[1] = double((L{a} * b) * 2);
       }},
      {"Sqrt_64fc", ippsSqrt_64fc_I,
       [](const Ipp64fc* s, void* d, int n) { return ippsSqrt_64fc(s, static_cast<Ipp64fc*>(d), n); }, 2,
       ComplexSqrtModel},
      {"Magnitude_64fc", nullptr,
       [](const Ipp64fc* s, void* d, int n) { return ippsMagnitude_64fc(s, static_cast<Ipp64f*>(d), n); }, 1,
       [](double a, double b, double* out) { out[0] = LibCSqrt(double(L{a} * a + L{b} * b)); }},
      {"Phase_64fc", nullptr,
       [](const Ipp64fc* s, void* d, int n) { return ippsPhase_64fc(s, static_cast<Ipp64f*>(d), n); }, 1,
       [](double a, double b, double* out) { out[0] = LibCAtan2(b, a); }},
      {"PowerSpectr_64fc", nullptr,
       [](const Ipp64fc* s, void* d, int n) { return ippsPowerSpectr_64fc(s, static_cast<Ipp64f*>(d), n); }, 1,
       [](double a, double b, double* out) { out[0] = double(L{a} * a + L{b} * b); }},
  };
}

constexpr int kLengths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 64, 1001};

// ---- Every member against the model -----------------------------------------------------------

// Out of place (into a fresh vector guarded by canaries), with the destination equal to the
// source, in place, and on vectors at an odd byte address.
TEST(SignalElementaryFunctions, RealMembersMatchTheModelInEveryForm) {
  std::mt19937_64 rng(104);
  for (const TRealMember& m : RealMembers()) {
    SCOPED_TRACE(m.Name);
    for (int n : kLengths) {
      SCOPED_TRACE(n);
      for (int round = 0; round < 8; ++round) {
        const std::vector<double> s = Values(rng, n);
        std::vector<double> want, wantInPlace;
        const IppStatus st = m.Model(s, want, false), stInPlace = m.Model(s, wantInPlace, true);

        std::vector<double> d(n + 2, FromBits(kCanary));
        ASSERT_EQ(st, m.OutOfPlace(s.data(), d.data() + 1, n));
        EXPECT_EQ(kCanary, Bits(d[0]));
        EXPECT_EQ(kCanary, Bits(d[n + 1]));
        ASSERT_TRUE(SameBits(want, {d.begin() + 1, d.end() - 1}));

        std::vector<double> same = s;
        ASSERT_EQ(st, m.OutOfPlace(same.data(), same.data(), n));
        ASSERT_TRUE(SameBits(want, same));

        std::vector<double> sd = s;
        ASSERT_EQ(stInPlace, m.InPlace(sd.data(), n));
        ASSERT_TRUE(SameBits(wantInPlace, sd));

        // Odd byte addresses for the source and the destination.
        std::vector<uint8_t> raw(16 * (n + 2));
        std::memcpy(raw.data() + 1, s.data(), 8 * n);
        auto* oddSrc = reinterpret_cast<Ipp64f*>(raw.data() + 1);
        auto* oddDst = reinterpret_cast<Ipp64f*>(raw.data() + 8 * n + 11);
        ASSERT_EQ(st, m.OutOfPlace(oddSrc, oddDst, n));
        std::vector<double> got(n);
        std::memcpy(got.data(), raw.data() + 8 * n + 11, 8 * n);
        ASSERT_TRUE(SameBits(want, got));
        ASSERT_EQ(stInPlace, m.InPlace(oddSrc, n));
        std::memcpy(got.data(), raw.data() + 1, 8 * n);
        ASSERT_TRUE(SameBits(wantInPlace, got));
      }
    }
  }
}

TEST(SignalElementaryFunctions, ComplexMembersMatchTheModelInEveryForm) {
  std::mt19937_64 rng(1104);
  for (const TComplexMember& m : ComplexMembers()) {
    SCOPED_TRACE(m.Name);
    for (int n : kLengths) {
      SCOPED_TRACE(n);
      for (int round = 0; round < 8; ++round) {
        const std::vector<double> s = Values(rng, 2 * n);
        const int w = m.OutWidth;
        std::vector<double> want(w * n);
        for (int i = 0; i < n; ++i) m.Model(s[2 * i], s[2 * i + 1], &want[w * i]);
        auto* src = reinterpret_cast<const Ipp64fc*>(s.data());

        std::vector<double> d(w * n + 2, FromBits(kCanary));
        ASSERT_EQ(ippStsNoErr, m.OutOfPlace(src, d.data() + 1, n));
        EXPECT_EQ(kCanary, Bits(d[0]));
        EXPECT_EQ(kCanary, Bits(d[w * n + 1]));
        ASSERT_TRUE(SameBits(want, {d.begin() + 1, d.end() - 1}));

        // The destination starting where the source starts (for the measures it covers the
        // first half of the source, each value written after the parts it comes from are read).
        std::vector<double> same = s;
        ASSERT_EQ(ippStsNoErr, m.OutOfPlace(reinterpret_cast<Ipp64fc*>(same.data()), same.data(), n));
        ASSERT_TRUE(SameBits(want, {same.begin(), same.begin() + w * n}));

        if (m.InPlace) {
          std::vector<double> sd = s;
          ASSERT_EQ(ippStsNoErr, m.InPlace(reinterpret_cast<Ipp64fc*>(sd.data()), n));
          ASSERT_TRUE(SameBits(want, sd));
        }

        std::vector<uint8_t> raw(16 * (2 * n + 2));
        std::memcpy(raw.data() + 3, s.data(), 16 * n);
        uint8_t* oddDst = raw.data() + 16 * n + 13;
        ASSERT_EQ(ippStsNoErr, m.OutOfPlace(reinterpret_cast<Ipp64fc*>(raw.data() + 3), oddDst, n));
        std::vector<double> got(w * n);
        std::memcpy(got.data(), oddDst, 8 * w * n);
        ASSERT_TRUE(SameBits(want, got));
      }
    }
  }
}

// ---- Argument checks ---------------------------------------------------------------------------

// Every pointer in order (-8, even with a length of 0), then the length (-6); nothing written.
TEST(SignalElementaryFunctions, NullPointersBeforeLengthAndNothingWrittenOnError) {
  std::vector<double> buf(8, FromBits(kCanary)), dst(8, FromBits(kCanary));
  auto check = [&](const std::string& name, IppStatus got, IppStatus want) {
    EXPECT_EQ(want, got) << name;
    for (double v : buf) EXPECT_EQ(kCanary, Bits(v)) << name;
    for (double v : dst) EXPECT_EQ(kCanary, Bits(v)) << name;
  };
  for (const TRealMember& m : RealMembers()) {
    for (int n : {0, -1, 4}) {
      const IppStatus size = n < 1 ? ippStsSizeErr : ippStsNullPtrErr;
      check(m.Name + "_I null", m.InPlace(nullptr, n), ippStsNullPtrErr);
      check(m.Name + " null source", m.OutOfPlace(nullptr, dst.data(), n), ippStsNullPtrErr);
      check(m.Name + " null destination", m.OutOfPlace(buf.data(), nullptr, n), ippStsNullPtrErr);
      if (n < 1) {
        check(m.Name + "_I length", m.InPlace(buf.data(), n), size);
        check(m.Name + " length", m.OutOfPlace(buf.data(), dst.data(), n), size);
      }
    }
  }
  for (const TComplexMember& m : ComplexMembers()) {
    auto* c = reinterpret_cast<Ipp64fc*>(buf.data());
    for (int n : {0, -1, 4}) {
      if (m.InPlace) check(m.Name + "_I null", m.InPlace(nullptr, n), ippStsNullPtrErr);
      check(m.Name + " null source", m.OutOfPlace(nullptr, dst.data(), n), ippStsNullPtrErr);
      check(m.Name + " null destination", m.OutOfPlace(c, nullptr, n), ippStsNullPtrErr);
      if (n < 1) {
        if (m.InPlace) check(m.Name + "_I length", m.InPlace(c, n), ippStsSizeErr);
        check(m.Name + " length", m.OutOfPlace(c, dst.data(), n), ippStsSizeErr);
      }
    }
  }
}

// ---- Particular cases ----------------------------------------------------------------------------

struct TFixedCase {
  const char* Name;
  std::function<IppStatus(std::vector<double>&)> Run;  // runs on the vector, in place or not
  std::vector<double> In, Out;
  IppStatus Status;
};

std::function<IppStatus(std::vector<double>&)> InPlace(IppStatus (*f)(Ipp64f*, int)) {
  return [f](std::vector<double>& v) { return f(v.data(), int(v.size())); };
}
std::function<IppStatus(std::vector<double>&)> OutOfPlace(IppStatus (*f)(const Ipp64f*, Ipp64f*, int)) {
  return [f](std::vector<double>& v) {
    const std::vector<double> s = v;
    return f(s.data(), v.data(), int(v.size()));
  };
}
template <class F>
std::function<IppStatus(std::vector<double>&)> Complex(F f, int outWidth) {
  return [f, outWidth](std::vector<double>& v) {
    const std::vector<double> s = v;
    v.assign(s.size() / 2 * outWidth, 0.0);
    return f(reinterpret_cast<const Ipp64fc*>(s.data()), v.data(), int(s.size() / 2));
  };
}

TEST(SignalElementaryFunctions, ParticularCases) {
  const double dnan = FromBits(kDefaultNaN), e = std::numbers::e;
  auto cplx = [](auto f) {
    return [f](const Ipp64fc* s, double* d, int n) { return f(s, reinterpret_cast<Ipp64fc*>(d), n); };
  };
  const std::vector<TFixedCase> cases = {
      // A NaN passes the in-place root silently; the out-of-place root replaces it and warns.
      {"Sqrt_I", InPlace(ippsSqrt_64f_I), {4, -1, 0, -0.0, kNaN}, {2, dnan, 0, -0.0, kNaN}, ippStsSqrtNegArg},
      {"Sqrt", OutOfPlace(ippsSqrt_64f), {4, -1, 0, -0.0, kNaN}, {2, dnan, 0, -0.0, dnan}, ippStsSqrtNegArg},
      {"Sqrt_I NaN", InPlace(ippsSqrt_64f_I), {1, kNaN}, {1, kNaN}, ippStsNoErr},
      {"Sqrt NaN", OutOfPlace(ippsSqrt_64f), {1, kNaN}, {1, dnan}, ippStsSqrtNegArg},
      {"Sqrt -inf", OutOfPlace(ippsSqrt_64f), {-kInf}, {dnan}, ippStsSqrtNegArg},
      // The logarithm's status is the first offender's.
      {"Ln zero first", OutOfPlace(ippsLn_64f), {1, 0, -1}, {0, -kInf, dnan}, ippStsLnZeroArg},
      {"Ln negative first", OutOfPlace(ippsLn_64f), {-1, 0}, {dnan, -kInf}, ippStsLnNegArg},
      {"Ln -0", OutOfPlace(ippsLn_64f), {-0.0}, {dnan}, ippStsLnNegArg},
      {"Ln e", InPlace(ippsLn_64f_I), {e, kInf, kNaN, -kNaN}, {1, kInf, kNaN, dnan}, ippStsLnNegArg},
      // Exponential beyond its limits, by the kernel and by the support routine.
      {"Exp 710 -710 0 1", OutOfPlace(ippsExp_64f), {710, -710, 0, 1}, {kInf, 0, 1, LibCExp(1)}, ippStsNoErr},
      {"Exp 800 -800 NaN 0", OutOfPlace(ippsExp_64f), {800, -800, kNaN, 0}, {kInf, 0, kNaN, 1}, ippStsNoErr},
      {"Exp -NaN", InPlace(ippsExp_64f_I), {-kNaN, 1000, FromBits(0x7FF0000000000001u), -1000},
       {dnan, kInf, kNaN, 0}, ippStsNoErr},
      {"Exp infinities", OutOfPlace(ippsExp_64f), {-1000, 2000, -kInf, kInf}, {0, kInf, 0, kInf}, ippStsNoErr},
      {"Exp short", OutOfPlace(ippsExp_64f), {0, 1, -1000}, {1, LibCExp(1), LibCExp(-1000)}, ippStsNoErr},
      // Complex roots on the negative real axis follow the sign of the zero.
      {"Sqrt_64fc", Complex(cplx(ippsSqrt_64fc), 2), {-4, 0, -4, -0.0, 0, -8, 3, 4, 0, 0},
       {0, 2, -0.0, 2, 2, -2, 2, 1, 0, 0}, ippStsNoErr},
      {"Sqr_64fc", Complex(cplx(ippsSqr_64fc), 2), {1, 2}, {-3, 4}, ippStsNoErr},
      {"Phase", Complex(ippsPhase_64fc, 1), {-1, 0, -1, -0.0, 0, 0}, {std::numbers::pi, -std::numbers::pi, 0},
       ippStsNoErr},
      // Squares added without scaling overflow.
      {"Magnitude", Complex(ippsMagnitude_64fc, 1), {3e200, 4e200, 3, 4}, {kInf, 5}, ippStsNoErr},
      {"PowerSpectr", Complex(ippsPowerSpectr_64fc, 1), {3e200, 4e200, 3, 4}, {kInf, 25}, ippStsNoErr},
  };
  for (const TFixedCase& c : cases) {
    std::vector<double> v = c.In;
    EXPECT_EQ(c.Status, c.Run(v)) << c.Name;
    EXPECT_TRUE(SameBits(c.Out, v)) << c.Name;
  }
}

TEST(SignalElementaryFunctions, ComplexRootOfANegativeRealWithATinyNegativeImaginaryPart) {
  const Ipp64fc z{-4, -1e-300};
  Ipp64fc r;
  ASSERT_EQ(ippStsNoErr, ippsSqrt_64fc(&z, &r, 1));
  EXPECT_GT(r.re, 0.0);
  EXPECT_EQ(-2.0, r.im);
}

// Which elements go through the kernel and which through the support routine: the scan runs
// from the end, the kernel takes four normal elements at a time and the one to three left
// over use LibCExp; special elements are written on the way and take no lane.
TEST(SignalElementaryFunctions, ExponentialSplitsBetweenKernelAndSupportRoutine) {
  struct TSplit {
    std::vector<double> In;
    std::vector<ExpRoute> Routes;
  };
  using R = ExpRoute;
  const std::vector<TSplit> splits = {
      {{0, 1, -1, 2}, {R::Kernel, R::Kernel, R::Kernel, R::Kernel}},
      {{0.3, 1, -1, 2, 0.7}, {R::Support, R::Kernel, R::Kernel, R::Kernel, R::Kernel}},
      {{0.3, -0.2, 1, -1, 2, 0.7, 1000},
       {R::Support, R::Support, R::Kernel, R::Kernel, R::Kernel, R::Kernel, R::Special}},
      {{710, -710, 0, 1}, {R::Special, R::Special, R::Support, R::Support}},
      {{0.1, 0.2, kNaN, 0.3, 0.4, 0.5}, {R::Support, R::Kernel, R::Special, R::Kernel, R::Kernel, R::Kernel}},
  };
  for (const TSplit& split : splits) {
    std::vector<double> want;
    ASSERT_EQ(split.Routes, ExpModel(split.In, want));
    std::vector<double> got(split.In.size());
    ASSERT_EQ(ippStsNoErr, ippsExp_64f(split.In.data(), got.data(), int(got.size())));
    EXPECT_TRUE(SameBits(want, got));
    for (size_t i = 0; i < got.size(); ++i)
      if (split.Routes[i] == R::Support) {
        EXPECT_EQ(Bits(LibCExp(split.In[i])), Bits(got[i])) << i;
      }
  }
  // (0, 1, -1, 2) by the kernel alone: e^x within one unit in the last place.
  const double x[4] = {0, 1, -1, 2};
  double y[4];
  ASSERT_EQ(ippStsNoErr, ippsExp_64f(x, y, 4));
  for (int i = 0; i < 4; ++i) {
    const double exact = double(std::exp(L{x[i]}));
    EXPECT_LE(std::fabs(y[i] - exact), std::nextafter(exact, kInf) - exact) << x[i];
  }
}

// The kernel across its whole domain: every result is the extended exponential rounded to
// float64 or one of that value's two neighbours. (Its error against the exact value reaches
// about 1.14 units in the last place: rounding 1 + hi and then subtracting lo costs up to half
// a unit each before the final addition.)
TEST(SignalElementaryFunctions, ExponentialKernelWithinOneUlpAcrossItsDomain) {
  constexpr int kPoints = 100000;
  std::vector<double> x(kPoints), y(kPoints);
  std::mt19937_64 rng(2104);
  std::uniform_real_distribution<double> domain(-708.39, 709.78);
  for (double& v : x) v = domain(rng);
  x[0] = -708.39, x[1] = 709.78, x[2] = 0.0, x[3] = -0.0, x[4] = 1e-300, x[5] = -0.34657359;
  ASSERT_EQ(ippStsNoErr, ippsExp_64f(x.data(), y.data(), kPoints));
  int neighbours = 0;
  for (int i = 0; i < kPoints; ++i) {
    const double rounded = double(std::exp(L{x[i]}));
    const int64_t steps = int64_t(Bits(y[i])) - int64_t(Bits(rounded));
    ASSERT_LE(std::abs(steps), 1) << "x " << x[i] << " gives " << y[i] << ", rounded " << rounded;
    neighbours += steps != 0;
  }
  RecordProperty("neighbours_of_the_rounded_value", neighbours);
}

// The vector blocks on every instruction set give the plain scan's bytes: runs of normal inputs
// with specials sprinkled in (so that the blocks stop, the scan gathers across them and the
// blocks start again at every offset of the groups), at odd addresses, in place too.
TEST(SignalElementaryFunctions, ExponentialVectorBlocksEqualThePlainScanOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const elementary::ExpBlocksFn blocks = elementary::VectorExpBlocks();
    std::mt19937_64 rng(3104);
    std::uniform_real_distribution<double> domain(-708.0, 709.0);
    std::uniform_int_distribution<int> sprinkle(0, 40);
    for (int n = 1; n <= 70; n += (n < 40 ? 1 : 7)) {
      for (int round = 0; round < 20; ++round) {
        const std::vector<double> kinds = Values(rng, n);
        std::vector<double> s(n);
        for (int i = 0; i < n; ++i) s[i] = sprinkle(rng) < round ? kinds[i] : domain(rng);
        std::vector<uint8_t> raw(16 * n + 32), plain(8 * n);
        uint8_t* src = raw.data() + 5;
        uint8_t* dst = raw.data() + 8 * n + 19;
        std::memcpy(src, s.data(), 8 * n);
        elementary::Exp(src, plain.data(), n, nullptr);
        elementary::Exp(src, dst, n, blocks);
        ASSERT_EQ(0, std::memcmp(plain.data(), dst, 8 * n)) << "n " << n << " round " << round;
        elementary::Exp(src, src, n, blocks);
        ASSERT_EQ(0, std::memcmp(plain.data(), src, 8 * n)) << "in place, n " << n;
      }
    }
  });
}

}  // namespace

// ---- The guarded vector root and magnitude ---------------------------------------------------

namespace rootcases {

// Inputs whose root lies within a few units of the 64-bit significand of a midpoint of two
// doubles, on either side: x = M^2 rounded to float64 for an odd 54-bit M (a midpoint of the
// 53-bit roots), kept when |x - M^2| < 2^45, so that sqrt(x) lies within 2^-9 units in the
// last place of M. Some of them are roots where the two roundings of the plain path differ
// from the processor's root. Scaled by powers of four over the whole exponent range.
std::vector<double> NearMidpointInputs(std::mt19937_64& rng, size_t count) {
  std::vector<double> out;
  std::uniform_int_distribution<int> scale(-480, 480);
  while (out.size() < count) {
    const uint64_t m = (uint64_t{1} << 53) | (rng() & ((uint64_t{1} << 53) - 1)) | 1;
    const unsigned __int128 square = static_cast<unsigned __int128>(m) * m;
    const double x = static_cast<double>(square);
    const __int128 gap = static_cast<__int128>(static_cast<unsigned __int128>(x)) -
                         static_cast<__int128>(square);
    if (gap > (__int128{1} << 45) || gap < -(__int128{1} << 45)) continue;
    out.push_back(std::ldexp(x, 2 * scale(rng) - 106));
  }
  return out;
}

// Square-root inputs: the near-midpoint ones, exact squares (integers, short significands,
// powers of four) and their neighbours, zeros, subnormals, the ends of the vector's range and
// beyond, the largest value and infinity.
std::vector<double> HardRoots(std::mt19937_64& rng) {
  std::vector<double> v = NearMidpointInputs(rng, 600);
  std::uniform_int_distribution<int64_t> integer(1, int64_t{1} << 26);
  for (int i = 0; i < 100; ++i) {
    const double k = static_cast<double>(integer(rng));
    const double square = std::ldexp(k * k, 2 * static_cast<int>(rng() % 200) - 200);
    v.insert(v.end(), {square, std::nextafter(square, 0.0), std::nextafter(square, kInf)});
  }
  for (int e = -1074; e <= 1023; e += 7) v.push_back(std::ldexp(1.0, e));
  v.insert(v.end(), {0.0, -0.0, kInf, std::numeric_limits<double>::max(),
                     std::numeric_limits<double>::denorm_min(), 1e-310, 2.2e-308, 0x1p-900,
                     std::nextafter(0x1p-900, 0.0), 0x1p1000, std::nextafter(0x1p1000, kInf),
                     std::nextafter(1.0, 0.0), std::nextafter(1.0, 2.0), std::nextafter(4.0, 0.0)});
  std::uniform_real_distribution<double> plain(0.0, 1e6);
  for (int i = 0; i < 600; ++i) v.push_back(i % 2 ? plain(rng) : std::abs(FromBits(rng())));
  std::shuffle(v.begin(), v.end(), rng);
  return v;
}

// Magnitude inputs (re, im): exact sums (Pythagorean triples, scaled), sums within a tiny
// fraction of a unit of a midpoint of two doubles or exactly on one, components whose squares
// overflow or underflow in float64 (but not in long double), the ends of the vector's range,
// subnormal, zero, infinite and NaN components, and random ones.
std::vector<double> HardMagnitudes(std::mt19937_64& rng) {
  std::vector<double> v;
  auto pair = [&](double re, double im) { v.insert(v.end(), {re, im}); };
  const double triples[][2] = {{3, 4}, {5, 12}, {8, 15}, {7, 24}, {20, 21}, {1, 0}, {0, 1}};
  for (const auto& t : triples)
    for (int e : {-449, -300, -1, 0, 1, 300, 449}) pair(std::ldexp(t[0], e), -std::ldexp(t[1], e));
  std::uniform_real_distribution<double> unit(1.0, 2.0);
  for (int i = 0; i < 400; ++i) {
    // re^2 = p + e exactly; im^2 nearly fills the gap to the midpoint above p (or the one
    // beyond it), so re^2 + im^2 lies within a relative 2^-100 or so of a midpoint.
    const double re = unit(rng);
    const double p = re * re;
    const double e = std::fma(re, re, -p);
    const double ulp = std::nextafter(p, kInf) - p;
    const double gap = (i % 3 == 0 ? 1.5 : 0.5) * ulp - e;
    const double im = std::sqrt(gap);
    const int scale = static_cast<int>(rng() % 700) - 350;
    pair(std::ldexp(re, scale), std::ldexp(i % 2 ? im : -im, scale));
    pair(std::ldexp(re, scale), std::ldexp(std::nextafter(im, kInf), scale));
  }
  for (int i = 0; i < 100; ++i) {
    // re^2 + im^2 near 1 - 2^-54, the midpoint below the power of two 1, where the rounding
    // interval of 1 is half as wide below as above.
    const double re = 1.0 - std::ldexp(unit(rng) - 1.0, -13);
    const double p = re * re;
    const double gap = ((1.0 - p) - 0x1p-54) - std::fma(re, re, -p);
    const double im = std::sqrt(gap);
    const int scale = 2 * (static_cast<int>(rng() % 300) - 150);
    double m = im;  // im and its neighbours sweep the sum across the midpoint
    for (int k = 0; k < 6; ++k) m = std::nextafter(m, 0.0);
    for (int k = 0; k < 13; ++k, m = std::nextafter(m, kInf))
      pair(std::ldexp(re, scale / 2), std::ldexp(m, scale / 2));
  }
  for (int i = 0; i < 200; ++i) {
    // Components whose squares are subnormal or vanish in float64 (not in long double), with
    // each other, with zero and beside a normal one.
    const double a = std::ldexp(unit(rng), -570 + static_cast<int>(rng() % 100));
    const double b = std::ldexp(unit(rng), -570 + static_cast<int>(rng() % 100));
    pair(a, i % 3 == 0 ? 0.0 : (i % 3 == 1 ? b : std::ldexp(b, 60)));
  }
  for (int i = 0; i < 200; ++i) {
    // Sums a small fraction of a unit away from a midpoint, where the three roundings of the
    // extended sum may cross it: im^2 fills the gap to the midpoint but for i 2^-16 units.
    const double re = unit(rng);
    const double p = re * re;
    const double ulp = std::nextafter(p, kInf) - p;
    const double gap = (0.5 + (i - 100) * 0x1p-16) * ulp - std::fma(re, re, -p);
    pair(re, std::sqrt(gap));
  }
  pair(1.0, 0x1p-27);  // 1 + 2^-54: short of a midpoint
  pair(1.0, std::sqrt(0x1p-53));
  pair(3e200, 4e200);
  pair(3e-200, 4e-200);
  pair(1e-160, 1e-160);
  pair(1.0, 1e-200);
  pair(1e154, 1e154);
  pair(0x1p450, 0x1p450);
  pair(std::nextafter(0x1p450, kInf), 1.0);
  pair(0x1p-450, 0.0);
  pair(std::nextafter(0x1p-450, 0.0), 1.0);
  pair(4.9e-324, 0.0);
  pair(0.0, -0.0);
  pair(-0.0, -0.0);
  pair(kInf, kNaN);
  pair(kNaN, 1.0);
  pair(-kInf, 1.0);
  pair(FromBits(0xFFF4000000000001u), 0.0);
  std::uniform_real_distribution<double> plain(-1e3, 1e3);
  for (int i = 0; i < 400; ++i) pair(plain(rng), i % 4 ? plain(rng) : FromBits(rng()));
  return v;
}

}  // namespace rootcases

// The hard inputs reach what the guard is for: some float64 roots and magnitudes computed in
// double alone differ from the extended results.
TEST(SignalElementaryFunctions, HardRootAndMagnitudeInputsIncludeDoubleRoundingCases) {
  std::mt19937_64 rng(4901);
  int rootsDiffer = 0;
  for (double x : rootcases::HardRoots(rng)) rootsDiffer += Bits(std::sqrt(x)) != Bits(LibCSqrt(x));
  EXPECT_GT(rootsDiffer, 10);
  const std::vector<double> m = rootcases::HardMagnitudes(rng);
  int magnitudesDiffer = 0;
  for (size_t i = 0; i < m.size(); i += 2)
    magnitudesDiffer += Bits(std::sqrt(m[i] * m[i] + m[i + 1] * m[i + 1])) !=
                        Bits(elementary::Magnitude(m[i], m[i + 1]));
  EXPECT_GT(magnitudesDiffer, 10);
}

// The vector blocks give the extended path's bytes and status on every instruction set, on the
// hard inputs (negative inputs and NaNs sprinkled in, which stop the root's blocks), out of
// place and in place, at odd addresses, over every tail length.
TEST(SignalElementaryFunctions, GuardedRootAndMagnitudeBlocksEqualTheExtendedPathOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    const elementary::SqrtBlocksFn sqrtBlocks = elementary::VectorSqrtBlocks();
    const elementary::ToRealBlocksFn magnitudeBlocks = elementary::VectorMagnitudeBlocks();
    ASSERT_NE(sqrtBlocks, nullptr);
    ASSERT_NE(magnitudeBlocks, nullptr);
    std::mt19937_64 rng(4902);
    for (int round = 0; round < 3; ++round) {
      std::vector<double> roots = rootcases::HardRoots(rng);
      if (round > 0)  // negative inputs and NaNs every so often
        for (size_t i = 0; i < roots.size(); i += 37 * round)
          roots[i] = i % 2 ? -roots[i] - 1.0 : (i % 3 ? kNaN : -kNaN);
      const int n = static_cast<int>(roots.size());
      std::vector<uint8_t> raw(8 * n + 16), plain(8 * n), vec(8 * n + 16);
      for (int len : {n, n - 3, 1, 7, 8, 9, 17}) {
        SCOPED_TRACE(len);
        std::memcpy(raw.data() + 3, roots.data(), 8 * len);
        const IppStatus want = elementary::SqrtTo(raw.data() + 3, plain.data(), len, nullptr);
        EXPECT_EQ(want, elementary::SqrtTo(raw.data() + 3, vec.data() + 5, len, sqrtBlocks));
        ASSERT_EQ(0, std::memcmp(plain.data(), vec.data() + 5, 8 * len)) << "out of place";
        std::memcpy(plain.data(), roots.data(), 8 * len);
        const IppStatus wantInPlace = elementary::SqrtInPlace(plain.data(), len, nullptr);
        EXPECT_EQ(wantInPlace, elementary::SqrtInPlace(raw.data() + 3, len, sqrtBlocks));
        ASSERT_EQ(0, std::memcmp(plain.data(), raw.data() + 3, 8 * len)) << "in place";
      }
      const std::vector<double> complex = rootcases::HardMagnitudes(rng);
      const int m = static_cast<int>(complex.size() / 2);
      std::vector<uint8_t> src(16 * m + 16), out(8 * m), outVec(8 * m + 16);
      std::memcpy(src.data() + 1, complex.data(), 16 * m);
      for (int len : {m, m - 5, 1, 7, 8, 9, 17}) {
        elementary::MagnitudeTo(src.data() + 1, out.data(), len, nullptr);
        elementary::MagnitudeTo(src.data() + 1, outVec.data() + 7, len, magnitudeBlocks);
        ASSERT_EQ(0, std::memcmp(out.data(), outVec.data() + 7, 8 * len)) << "magnitude, len " << len;
      }
    }
  });
}
