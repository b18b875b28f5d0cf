#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/FftCodelets.h"

namespace {

using namespace builtin;
using ld = long double;
using cld = std::complex<ld>;

const double kEps = std::numeric_limits<double>::epsilon();
const ld kPi = 3.141592653589793238462643383279502884L;
const double kC = 0.7071067811865476;
const double kR = 1.4142135623730951;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

enum class Data { Cplx, ReIm, Real };
enum class Dir { Both, Fwd, Inv };

// One codelet on a buffer of doubles: interleaved pairs (Cplx), the n real parts followed by the
// n imaginary parts (ReIm: the separate arrays, which in place equal their sources), or n
// samples / Perm values (Real). s is ignored by the unscaled ones.
struct Codelet {
  std::string name;
  Data data;
  int n;
  Dir dir;
  bool scaled;
  std::function<void(const double*, double*, double)> run;
  size_t Values() const { return data == Data::Real ? n : 2 * n; }
};

#define CPLX(fn, n, dir) \
  Codelet{#fn, Data::Cplx, n, Dir::dir, false, [](const double* s, double* d, double) { fn(s, d); }}
#define CPLXS(fn, n, dir)                                 \
  Codelet{#fn, Data::Cplx, n, Dir::dir, true,             \
          [](const double* s, double* d, double f) { fn(s, d, f); }}
#define REIM(fn, n, dir)                                  \
  Codelet{#fn, Data::ReIm, n, Dir::dir, false,            \
          [](const double* s, double* d, double) { fn(s, s + n, d, d + n); }}
#define REIMS(fn, n, dir)                                 \
  Codelet{#fn, Data::ReIm, n, Dir::dir, true,             \
          [](const double* s, double* d, double f) { fn(s, s + n, d, d + n, f); }}
#define REAL(fn, n, dir) \
  Codelet{#fn, Data::Real, n, Dir::dir, false, [](const double* s, double* d, double) { fn(s, d); }}
#define REALS(fn, n, dir)                                 \
  Codelet{#fn, Data::Real, n, Dir::dir, true,             \
          [](const double* s, double* d, double f) { fn(s, d, f); }}

// All 36, in their set's order.
const std::vector<Codelet>& Codelets() {
  static const std::vector<Codelet> kAll = {
      CPLX(fbFftCplx1, 1, Both),           CPLXS(fbFftCplx1Scaled, 1, Both),
      CPLX(fbFftCplx2, 2, Both),           CPLXS(fbFftCplx2Scaled, 2, Both),
      CPLX(fbFftCplx4Fwd, 4, Fwd),         CPLX(fbFftCplx4Inv, 4, Inv),
      CPLXS(fbFftCplx4FwdScaled, 4, Fwd),  CPLXS(fbFftCplx4InvScaled, 4, Inv),
      CPLX(fbFftCplx8Fwd, 8, Fwd),         CPLX(fbFftCplx8Inv, 8, Inv),
      CPLXS(fbFftCplx8FwdScaled, 8, Fwd),  CPLXS(fbFftCplx8InvScaled, 8, Inv),
      REIM(fbFftReIm1, 1, Both),           REIMS(fbFftReIm1Scaled, 1, Both),
      REIM(fbFftReIm2, 2, Both),           REIMS(fbFftReIm2Scaled, 2, Both),
      REIM(fbFftReIm4Fwd, 4, Fwd),         REIM(fbFftReIm4Inv, 4, Inv),
      REIMS(fbFftReIm4FwdScaled, 4, Fwd),  REIMS(fbFftReIm4InvScaled, 4, Inv),
      REIM(fbFftReIm8Fwd, 8, Fwd),         REIM(fbFftReIm8Inv, 8, Inv),
      REIMS(fbFftReIm8FwdScaled, 8, Fwd),  REIMS(fbFftReIm8InvScaled, 8, Inv),
      REAL(fbFftReal1, 1, Both),           REALS(fbFftReal1Scaled, 1, Both),
      REAL(fbFftReal2, 2, Both),           REALS(fbFftReal2Scaled, 2, Both),
      REAL(fbFftReal4Fwd, 4, Fwd),         REAL(fbFftReal4Inv, 4, Inv),
      REALS(fbFftReal4FwdScaled, 4, Fwd),  REALS(fbFftReal4InvScaled, 4, Inv),
      REAL(fbFftReal8Fwd, 8, Fwd),         REAL(fbFftReal8Inv, 8, Inv),
      REALS(fbFftReal8FwdScaled, 8, Fwd),  REALS(fbFftReal8InvScaled, 8, Inv),
  };
  return kAll;
}

const Codelet& Find(const std::string& name) {
  for (const Codelet& c : Codelets())
    if (c.name == name) return c;
  ADD_FAILURE() << "no codelet " << name;
  return Codelets().front();
}

std::vector<double> Random(size_t count, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> v(count);
  for (double& x : v) x = dist(rng);
  return v;
}

ld Trig(int kn, int n, bool sine) {
  const ld a = 2 * kPi * ((kn % n + n) % n) / n;
  return sine ? std::sin(a) : std::cos(a);
}

// The long double DFT of what the codelet computes, times s, in the codelet's own layout.
std::vector<ld> Reference(const Codelet& c, const std::vector<double>& in, ld s) {
  const int n = c.n;
  std::vector<ld> out(c.Values());
  if (c.data != Data::Real) {
    std::vector<cld> x(n);
    for (int k = 0; k < n; ++k)
      x[k] = c.data == Data::Cplx ? cld(in[2 * k], in[2 * k + 1]) : cld(in[k], in[n + k]);
    const ld sign = c.dir == Dir::Inv ? 1 : -1;
    for (int k = 0; k < n; ++k) {
      cld sum = 0;
      for (int m = 0; m < n; ++m) sum += x[m] * cld(Trig(k * m, n, false), sign * Trig(k * m, n, true));
      sum *= s;
      if (c.data == Data::Cplx) {
        out[2 * k] = sum.real();
        out[2 * k + 1] = sum.imag();
      } else {
        out[k] = sum.real();
        out[n + k] = sum.imag();
      }
    }
    return out;
  }
  if (c.dir != Dir::Inv) {  // samples in, Perm out (n = 1, 2: the same sums)
    std::vector<cld> X(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k)
      for (int m = 0; m < n; ++m) X[k] += ld(in[m]) * cld(Trig(k * m, n, false), -Trig(k * m, n, true));
    out[0] = s * X[0].real();
    if (n >= 2) out[1] = s * X[n / 2].real();
    for (int k = 1; k < n / 2; ++k) {
      out[2 * k] = s * X[k].real();
      out[2 * k + 1] = s * X[k].imag();
    }
    return out;
  }
  // Perm in, samples out.
  for (int m = 0; m < n; ++m) {
    ld y = ld(in[0]) + ((m % 2) ? -ld(in[1]) : ld(in[1]));
    for (int k = 1; k < n / 2; ++k)
      y += 2 * (in[2 * k] * Trig(k * m, n, false) - in[2 * k + 1] * Trig(k * m, n, true));
    out[m] = s * y;
  }
  return out;
}

TEST(FftCodelets, EveryCodeletMatchesALongDoubleDft) {
  std::mt19937_64 rng(11);
  for (const Codelet& c : Codelets()) {
    SCOPED_TRACE(c.name);
    for (const double s : {1.0, 0.125, 1.0 / 3.0, -7.5}) {
      if (!c.scaled && s != 1.0) continue;
      for (int trial = 0; trial < 20; ++trial) {
        const std::vector<double> in = Random(c.Values(), rng);
        std::vector<double> out(c.Values(), -99.0);
        c.run(in.data(), out.data(), s);
        const std::vector<ld> ref = Reference(c, in, s);
        ld l1 = 0;
        for (double v : in) l1 += std::fabs(v);
        const ld tol = 4 * kEps * l1 * std::fabs(s) * (c.data == Data::Real && c.dir == Dir::Inv ? 2 : 1);
        for (size_t i = 0; i < out.size(); ++i)
          ASSERT_LE(std::fabs(out[i] - ref[i]), tol) << "position " << i << " s " << s;
      }
    }
  }
}

// In place equals out of place bit for bit (separate arrays included: they are the sources),
// and the separate-array codelets give the bits of their interleaved twins.
TEST(FftCodelets, InPlaceAndSeparateArraysGiveTheSameBits) {
  std::mt19937_64 rng(12);
  for (const Codelet& c : Codelets()) {
    SCOPED_TRACE(c.name);
    for (int trial = 0; trial < 20; ++trial) {
      const std::vector<double> in = Random(c.Values(), rng);
      const double s = 0.3 + trial;
      std::vector<double> out(c.Values()), inPlace = in;
      c.run(in.data(), out.data(), s);
      c.run(inPlace.data(), inPlace.data(), s);
      for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(Bits(out[i]), Bits(inPlace[i])) << i;
      if (c.data != Data::ReIm) continue;
      std::string twin = c.name;
      twin.replace(twin.find("ReIm"), 4, "Cplx");
      const Codelet& cplx = Find(twin);
      std::vector<double> inter(2 * c.n), interOut(2 * c.n);
      for (int k = 0; k < c.n; ++k) {
        inter[2 * k] = in[k];
        inter[2 * k + 1] = in[c.n + k];
      }
      cplx.run(inter.data(), interOut.data(), s);
      for (int k = 0; k < c.n; ++k) {
        ASSERT_EQ(Bits(out[k]), Bits(interOut[2 * k])) << k;
        ASSERT_EQ(Bits(out[c.n + k]), Bits(interOut[2 * k + 1])) << k;
      }
    }
  }
}

// A scaled codelet is s times its twin: bit for bit for powers of two, to float64 precision
// otherwise (the factor is applied to the first-stage values, not to the outputs).
TEST(FftCodelets, ScaledCodeletIsSTimesItsTwin) {
  std::mt19937_64 rng(13);
  for (const Codelet& c : Codelets()) {
    if (!c.scaled) continue;
    SCOPED_TRACE(c.name);
    std::string twinName = c.name;
    twinName.erase(twinName.find("Scaled"));
    const Codelet& twin = Find(twinName);
    for (const double s : {0.25, 0.125, 4.0, -0.5, 0.1, 1.0 / 3.0, 1.0 / std::sqrt(8.0)}) {
      int exponent = 0;
      const bool exact = std::frexp(s, &exponent) == std::copysign(0.5, s);
      for (int trial = 0; trial < 20; ++trial) {
        const std::vector<double> in = Random(c.Values(), rng);
        std::vector<double> scaled(c.Values()), plain(c.Values());
        c.run(in.data(), scaled.data(), s);
        twin.run(in.data(), plain.data(), 1.0);
        ld l1 = 0;
        for (double v : in) l1 += std::fabs(v);
        for (size_t i = 0; i < scaled.size(); ++i) {
          const double expected = s * plain[i];
          if (exact)
            ASSERT_EQ(Bits(scaled[i]), Bits(expected)) << "s " << s << " position " << i;
          else
            ASSERT_NEAR(scaled[i], expected, 8 * kEps * l1 * std::fabs(s)) << "s " << s;
        }
      }
    }
  }
}

TEST(FftCodelets, ImpulseResponses) {
  struct Case {
    const char* name;
    std::vector<double> in, expected;
  };
  const std::vector<Case> cases = {
      {"fbFftCplx8Fwd",
       {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {1, 0, kC, -kC, 0, -1, -kC, -kC, -1, 0, -kC, kC, 0, 1, kC, kC}},
      {"fbFftCplx8Inv",
       {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {1, 0, kC, kC, 0, 1, -kC, kC, -1, 0, -kC, -kC, 0, -1, kC, -kC}},
      {"fbFftReal8Fwd", {1, 0, 0, 0, 0, 0, 0, 0}, {1, 1, 1, 0, 1, 0, 1, 0}},
      {"fbFftReal8Fwd", {0, 1, 0, 0, 0, 0, 0, 0}, {1, -1, kC, -kC, 0, -1, -kC, -kC}},
      {"fbFftReal8Inv", {0, 0, 1, 0, 0, 0, 0, 0}, {2, kR, 0, -kR, -2, -kR, 0, kR}},
      {"fbFftReal8Inv", {0, 0, 0, 1, 0, 0, 0, 0}, {0, -kR, -2, -kR, 0, kR, 2, kR}},
      {"fbFftReal4Inv", {0, 0, 0, 1}, {0, -2, 0, 2}},
      {"fbFftCplx1Scaled", {3, -5}, {0.75, -1.25}},
      {"fbFftReal1Scaled", {3}, {0.75}},
      {"fbFftCplx2", {1, 2, 3, 5}, {4, 7, -2, -3}},
      {"fbFftReal2", {1, 3}, {4, -2}},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    std::vector<double> out(t.expected.size());
    Find(t.name).run(t.in.data(), out.data(), 0.25);
    for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], t.expected[i]) << i;
  }
}

TEST(FftCodelets, RealForwardThenInverseGivesNTimesTheInput) {
  std::mt19937_64 rng(14);
  const struct {
    const char *fwd, *inv;
    int n;
    double s, gain;
  } pairs[] = {{"fbFftReal1", "fbFftReal1", 1, 1, 1},
               {"fbFftReal2", "fbFftReal2", 2, 1, 2},
               {"fbFftReal4Fwd", "fbFftReal4Inv", 4, 1, 4},
               {"fbFftReal8Fwd", "fbFftReal8Inv", 8, 1, 8},
               {"fbFftReal8Fwd", "fbFftReal8InvScaled", 8, 0.125, 1},
               {"fbFftReal4Fwd", "fbFftReal4InvScaled", 4, 0.25, 1}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(p.inv);
    for (int trial = 0; trial < 50; ++trial) {
      const std::vector<double> x = Random(p.n, rng);
      std::vector<double> spectrum(p.n), back(p.n);
      Find(p.fwd).run(x.data(), spectrum.data(), 1.0);
      Find(p.inv).run(spectrum.data(), back.data(), p.s);
      for (int i = 0; i < p.n; ++i) ASSERT_NEAR(back[i], p.gain * x[i], 16 * kEps * p.gain);
    }
  }
}

// Entries 0..3 of each table are the unscaled codelets of orders 0..3, entries 4..7 the scaled
// ones; the selection rule runs entry 4 + order with s only when the direction is scaled.
TEST(FftCodelets, TablesAndSelectionRule) {
  const struct {
    const fbFftCodeletTable* table;
    const char* names[8];
  } tables[] = {
      {&fbFftCodeletsCplxFwd,
       {"fbFftCplx1", "fbFftCplx2", "fbFftCplx4Fwd", "fbFftCplx8Fwd", "fbFftCplx1Scaled",
        "fbFftCplx2Scaled", "fbFftCplx4FwdScaled", "fbFftCplx8FwdScaled"}},
      {&fbFftCodeletsCplxInv,
       {"fbFftCplx1", "fbFftCplx2", "fbFftCplx4Inv", "fbFftCplx8Inv", "fbFftCplx1Scaled",
        "fbFftCplx2Scaled", "fbFftCplx4InvScaled", "fbFftCplx8InvScaled"}},
      {&fbFftCodeletsRealFwd,
       {"fbFftReal1", "fbFftReal2", "fbFftReal4Fwd", "fbFftReal8Fwd", "fbFftReal1Scaled",
        "fbFftReal2Scaled", "fbFftReal4FwdScaled", "fbFftReal8FwdScaled"}},
      {&fbFftCodeletsRealInv,
       {"fbFftReal1", "fbFftReal2", "fbFftReal4Inv", "fbFftReal8Inv", "fbFftReal1Scaled",
        "fbFftReal2Scaled", "fbFftReal4InvScaled", "fbFftReal8InvScaled"}},
  };
  std::mt19937_64 rng(15);
  for (const auto& t : tables) {
    for (int entry = 0; entry < 8; ++entry) {
      SCOPED_TRACE(t.names[entry]);
      const Codelet& c = Find(t.names[entry]);
      const int order = entry % 4;
      const bool scaled = entry >= 4;
      const std::vector<double> in = Random(c.Values(), rng);
      std::vector<double> viaRule(c.Values()), direct(c.Values());
      fbFftRunCodelet(*t.table, order, scaled, 0.375, in.data(), viaRule.data());
      c.run(in.data(), direct.data(), 0.375);
      EXPECT_EQ(c.n, 1 << order);
      for (size_t i = 0; i < direct.size(); ++i) ASSERT_EQ(Bits(viaRule[i]), Bits(direct[i])) << i;
    }
  }
}

}  // namespace
