#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/signal/ElementaryFunctions.h"
#include "primitives/signal/Windows.h"

namespace {

using namespace builtin;
using ld = long double;

const double kNaN = std::bit_cast<double>(uint64_t{0x7FF8000000000000});
const double kInf = std::bit_cast<double>(uint64_t{0x7FF0000000000000});
const double kCanary = std::bit_cast<double>(uint64_t{0x5A5A5A5A5A5A5A5A});
const double kEps = std::numeric_limits<double>::epsilon();
const ld kPi = 3.141592653589793238462643383279502884L;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

// One window applied through its three forms; alpha is ignored by the windows without one.
struct Window {
  const char* name;
  int minLen;
  std::function<IppStatus(Ipp64f*, int, double)> inPlace;
  std::function<IppStatus(const Ipp64f*, Ipp64f*, int, double)> outOfPlace;
  std::function<IppStatus(Ipp64fc*, int, double)> complex;
};

const std::vector<Window>& Windows() {
  static const std::vector<Window> kWindows = {
      {"Bartlett", 3, [](Ipp64f* v, int n, double) { return ippsWinBartlett_64f_I(v, n); },
       [](const Ipp64f* s, Ipp64f* d, int n, double) { return ippsWinBartlett_64f(s, d, n); },
       [](Ipp64fc* v, int n, double) { return ippsWinBartlett_64fc_I(v, n); }},
      {"Blackman", 3, [](Ipp64f* v, int n, double a) { return ippsWinBlackman_64f_I(v, n, a); },
       [](const Ipp64f* s, Ipp64f* d, int n, double a) { return ippsWinBlackman_64f(s, d, n, a); },
       [](Ipp64fc* v, int n, double a) { return ippsWinBlackman_64fc_I(v, n, a); }},
      {"Hamming", 3, [](Ipp64f* v, int n, double) { return ippsWinHamming_64f_I(v, n); },
       [](const Ipp64f* s, Ipp64f* d, int n, double) { return ippsWinHamming_64f(s, d, n); },
       [](Ipp64fc* v, int n, double) { return ippsWinHamming_64fc_I(v, n); }},
      {"Hann", 3, [](Ipp64f* v, int n, double) { return ippsWinHann_64f_I(v, n); },
       [](const Ipp64f* s, Ipp64f* d, int n, double) { return ippsWinHann_64f(s, d, n); },
       [](Ipp64fc* v, int n, double) { return ippsWinHann_64fc_I(v, n); }},
      {"Kaiser", 1,
       [](Ipp64f* v, int n, double a) { return ippsWinKaiser_64f_I(v, n, static_cast<float>(a)); },
       [](const Ipp64f* s, Ipp64f* d, int n, double a) {
         return ippsWinKaiser_64f(s, d, n, static_cast<float>(a));
       },
       [](Ipp64fc* v, int n, double a) {
         return ippsWinKaiser_64fc_I(v, n, static_cast<float>(a));
       }},
  };
  return kWindows;
}

std::vector<double> Ones(int n) { return std::vector<double>(static_cast<size_t>(n), 1.0); }

// The weights of a window: the in-place form applied to ones.
std::vector<double> Weights(const Window& w, int n, double alpha) {
  std::vector<double> v = Ones(n);
  EXPECT_EQ(w.inPlace(v.data(), n, alpha), ippStsNoErr) << w.name << " N=" << n;
  return v;
}

// The cases whose weights are exact, bit for bit (NaN and signed zeros by their bits).
TEST(SignalWindows, ExactCases) {
  struct Case {
    int window;  // index into Windows()
    std::vector<double> in;
    double alpha;
    std::vector<double> out;
  };
  const std::vector<Case> cases = {
      {0, Ones(5), 0, {0, 0.5, 1, 0.5, 0}},
      {0, Ones(4), 0, {0, 2.0 / 3.0, 2.0 / 3.0, 0}},
      {0, {kNaN, 1, kNaN}, 0, {0, 1, 0}},
      {0, {kInf, 7, 3, -kNaN}, 0, {0, double(7 * (2.0L / 3)), double(3 * (2.0L / 3)), 0}},
      {0, {-kInf, -5, -kInf}, 0, {0, -5, 0}},
      {1, Ones(3), -0.16, {0, 1, 0}},
      {1, {kNaN, -3, kInf}, 0.7, {0, -3, 0}},
      {3, {2, 2, 2}, 0, {0, 2, 0}},
      {3, {-2, -2, -2}, 0, {-0.0, -2, -0.0}},
      {4, {-3.5}, 1, {-3.5}},
      {4, {kNaN}, 5, {kNaN}},
  };
  for (const Case& c : cases) {
    const Window& w = Windows()[static_cast<size_t>(c.window)];
    const int n = static_cast<int>(c.in.size());
    std::vector<double> v = c.in, d(c.in.size(), kCanary);
    ASSERT_EQ(w.inPlace(v.data(), n, c.alpha), ippStsNoErr) << w.name;
    ASSERT_EQ(w.outOfPlace(c.in.data(), d.data(), n, c.alpha), ippStsNoErr) << w.name;
    for (size_t i = 0; i < c.out.size(); ++i) {
      EXPECT_EQ(Bits(v[i]), Bits(c.out[i])) << w.name << " N=" << n << " i=" << i;
      EXPECT_EQ(Bits(d[i]), Bits(c.out[i])) << w.name << " N=" << n << " i=" << i;
    }
  }
}

// Cases known up to rounding: within a few ulps of 1.
TEST(SignalWindows, RoundedCases) {
  struct Case {
    int window;
    int n;
    double alpha;
    std::vector<double> out;
    double tol;
  };
  const std::vector<Case> cases = {
      {3, 5, 0, {0, 0.5, 1, 0.5, 0}, 4 * kEps},
      {3, 3, 0, {0, 1, 0}, 0},
      {2, 5, 0, {0.08, 0.54, 1, 0.54, 0.08}, 4 * kEps},
      {2, 3, 0, {0.08, 1, 0.08}, 4 * kEps},
      {1, 5, -0.16, {0, 0.34, 1, 0.34, 0}, 1e-16},
      {4, 7, 0, Ones(7), 4 * kEps},
      {4, 2, 0, Ones(2), 4 * kEps},
  };
  for (const Case& c : cases) {
    const Window& w = Windows()[static_cast<size_t>(c.window)];
    const std::vector<double> v = Weights(w, c.n, c.alpha);
    for (size_t i = 0; i < c.out.size(); ++i)
      EXPECT_NEAR(v[i], c.out[i], c.tol) << w.name << " N=" << c.n << " i=" << i;
  }
}

// I0 by its power series in long double: sum (x^2/4)^m / (m!)^2.
ld TrueI0(ld x) {
  const ld q = x * x / 4;
  ld term = 1, sum = 1;
  for (int m = 1; m < 20000 && term > sum * 1e-22L; ++m) {
    term *= q / (static_cast<ld>(m) * m);
    sum += term;
  }
  return sum;
}

// The cosine windows against long double closed forms. c_k comes from rotations by the float64
// values C and S = sqrt(1 - C^2), so each step turns by phi = acos(C) exactly enough: S follows
// C, and the angle error is that of C divided by sin(theta). C = LibCCos(theta) is within an
// ulp of cos(theta) for the float64 theta (eps/2 near 1, eps*|C| elsewhere: eps in all), so
// phi - theta <= eps / sin(theta), and after k steps cos k*theta is off by k*eps*|sin k*theta| / sin theta;
// theta's own rounding (k*theta off by <= pi*eps/2), the rounding of S and the long double
// recurrence add a few eps per step: 4*(k + 2)*eps. The weights move by at most 0.5 + 2|alpha|
// (Blackman with |alpha| <= 0.5: 1.5) times the error of c_k, plus the final rounding (eps).
TEST(SignalWindows, CosineWeightsAgainstClosedForms) {
  std::mt19937 rng(31);
  std::uniform_real_distribution<double> alphas(-0.5, 0.5);
  for (int n : {3, 4, 5, 6, 7, 16, 17, 100, 101, 1000, 4097}) {
    const double alpha = alphas(rng);
    const std::vector<double> hann = Weights(Windows()[3], n, 0);
    const std::vector<double> hamming = Weights(Windows()[2], n, 0);
    const std::vector<double> blackman = Weights(Windows()[1], n, alpha);
    for (int i = 0; i < n; ++i) {
      const int k = std::min(i, n - 1 - i);
      const ld c = std::cos(2 * kPi * k / (n - 1));
      const ld theta = static_cast<double>(2 * kPi / (n - 1));
      const ld drift = k == 0 ? 0.0L : k * kEps * std::fabs(std::sin(k * theta)) / std::sin(theta);
      const ld tol = 1.5L * (drift + 4.0L * (k + 2) * kEps) + kEps;
      if (2 * i + 1 == n) {  // the middle element keeps weight 1
        EXPECT_EQ(hann[i], 1.0);
        EXPECT_EQ(hamming[i], 1.0);
        EXPECT_EQ(blackman[i], 1.0);
        continue;
      }
      EXPECT_LE(std::fabs(hann[i] - (0.5L - 0.5L * c)), tol) << n << " " << i;
      EXPECT_LE(std::fabs(hamming[i] - (0.54L - 0.46L * c)), tol) << n << " " << i;
      if (n == 3) continue;  // Blackman's ends are 0.0 there (ExactCases)
      const ld cosTwice = std::cos(4 * kPi * k / (n - 1));
      const ld b = (alpha + 1.0L) / 2 - 0.5L * c - alpha / 2.0L * cosTwice;
      EXPECT_LE(std::fabs(blackman[i] - b), tol) << n << " " << i << " " << alpha;
    }
  }
}

// Bartlett: the running sum of 2/(N - 1) in long double drifts by at most k 64-bit roundings,
// far below the final float64 rounding: each weight is within one ulp of 2k/(N - 1) for the
// lengths here (and exactly the replica of the running sum).
TEST(SignalWindows, BartlettAgainstRunningSumAndClosedForm) {
  for (int n : {4, 5, 6, 9, 10, 1000, 1001}) {
    const std::vector<double> v = Weights(Windows()[0], n, 0);
    const ld step = 2.0L / (n - 1);
    ld w = 0;
    EXPECT_EQ(Bits(v[0]), Bits(0.0));
    EXPECT_EQ(Bits(v[n - 1]), Bits(0.0));
    for (int k = 1; k < n / 2; ++k) {
      w += step;
      EXPECT_EQ(v[k], static_cast<double>(w)) << n << " " << k;
      EXPECT_EQ(v[n - 1 - k], static_cast<double>(w)) << n << " " << k;
      EXPECT_NEAR(v[k], 2.0L * k / (n - 1), std::nextafter(1.0, 2.0) - 1.0) << n << " " << k;
    }
    if (n % 2 != 0) {
      EXPECT_EQ(v[n / 2], 1.0);
    }
  }
}

// Kaiser: bit-exact against a replica of its formula over fbBesselI0, and near the true weights
// I0(alpha sqrt(k(N-1-k))) / I0(beta). The two coefficient sets of fbBesselI0 are an approximation
// whose worst error sits at their meeting point 4, where its own figures jump by 5.3e-5
// (I0(4) = 11.30192 is met by 11.30186: 5.5e-6 relative); fbBesselI0 is checked within 1e-5
// (relative) of the power series and a ratio of two values within 2e-5.
TEST(SignalWindows, KaiserAgainstReplicaAndTrueBessel) {
  for (int n : {2, 3, 4, 5, 64, 65, 617, 200001}) {  // 200001: k(N-1-k) beyond int32
    for (float alpha : {0.0f, 0.25f, 1.0f, -1.0f, 0.003f}) {
      if (0.5 * std::fabs(alpha) * (n - 1) > 308.0) continue;
      const std::vector<double> v = Weights(Windows()[4], n, alpha);
      const ld r = 1.0L / fbBesselI0(static_cast<double>(static_cast<ld>(alpha) * (n - 1) * 0.5L));
      for (int k = 0; k < n / 2; ++k) {
        double root = static_cast<double>(int64_t{k} * (n - 1 - k));
        ippsSqrt_64f_I(&root, 1);  // the window's own square root, rounded as it rounds
        const ld w = fbBesselI0(static_cast<double>(static_cast<ld>(alpha) * root)) * r;
        EXPECT_EQ(v[k], static_cast<double>(w)) << n << " " << k << " " << alpha;
        EXPECT_EQ(v[n - 1 - k], v[k]);
        const ld exact =
            TrueI0(static_cast<ld>(alpha) * std::sqrt(static_cast<ld>(k) * (n - 1 - k))) /
            TrueI0(static_cast<ld>(alpha) * (n - 1) * 0.5L);
        EXPECT_LE(std::fabs(v[k] - exact), 2e-5L * exact) << n << " " << k << " " << alpha;
      }
      if (n % 2 != 0) {
        EXPECT_EQ(v[n / 2], 1.0);
      }
    }
  }
  // Alpha's sign does not matter; N = 2 multiplies by I0(0)/I0(alpha/2).
  EXPECT_EQ(Weights(Windows()[4], 100, -2), Weights(Windows()[4], 100, 2));
  const std::vector<double> two = Weights(Windows()[4], 2, 3);
  EXPECT_EQ(two[0], static_cast<double>(static_cast<ld>(fbBesselI0(0)) * (1.0L / fbBesselI0(1.5))));
  EXPECT_EQ(two[1], two[0]);
  // A NaN alpha passes the check and gives NaN weights.
  const std::vector<double> nan = Weights(Windows()[4], 4, kNaN);
  for (double x : nan) EXPECT_FALSE(x == x);
}

// The complex forms give each part the real weight: a Hann example, signed zeros from
// the multiplication by 0, and Bartlett's ends set to 0.0 in both parts.
TEST(SignalWindows, ComplexParts) {
  std::vector<Ipp64fc> hann(3, Ipp64fc{2, -2});
  ASSERT_EQ(ippsWinHann_64fc_I(hann.data(), 3), ippStsNoErr);
  const double hannWant[3][2] = {{0.0, -0.0}, {2, -2}, {0.0, -0.0}};
  std::vector<Ipp64fc> bartlett = {{kNaN, -kInf}, {1, -1}, {-kInf, kNaN}};
  ASSERT_EQ(ippsWinBartlett_64fc_I(bartlett.data(), 3), ippStsNoErr);
  const double bartlettWant[3][2] = {{0.0, 0.0}, {1, -1}, {0.0, 0.0}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Bits(hann[i].re), Bits(hannWant[i][0])) << i;
    EXPECT_EQ(Bits(hann[i].im), Bits(hannWant[i][1])) << i;
    EXPECT_EQ(Bits(bartlett[i].re), Bits(bartlettWant[i][0])) << i;
    EXPECT_EQ(Bits(bartlett[i].im), Bits(bartlettWant[i][1])) << i;
  }
  Ipp64fc one{-7.5, kNaN};
  ASSERT_EQ(ippsWinKaiser_64fc_I(&one, 1, 3.0f), ippStsNoErr);
  EXPECT_EQ(Bits(one.re), Bits(-7.5));
  EXPECT_EQ(Bits(one.im), Bits(kNaN));
}

TEST(SignalWindows, BesselI0) {
  EXPECT_EQ(fbBesselI0(0), 0.9999999985);
  EXPECT_NEAR(fbBesselI0(1), 1.26606588, 1e-8);
  EXPECT_NEAR(fbBesselI0(10), 2815.7156, 1e-4);
  EXPECT_NEAR(fbBesselI0(3.999999), 11.3019122, 1e-7);
  EXPECT_NEAR(fbBesselI0(4), 11.3018594, 1e-7);
  for (double x : {0.5, 1.0, 3.999999, 4.0, 10.0, 300.0, 1e-300})
    EXPECT_EQ(Bits(fbBesselI0(-x)), Bits(fbBesselI0(x))) << x;
  for (double x : {0.0, 0.5, 1.0, 2.0, 3.9, 4.0, 7.5, 20.0, 100.0, 700.0})
    EXPECT_LE(std::fabs(fbBesselI0(x) - TrueI0(x)), 1e-5L * TrueI0(x)) << x;
  EXPECT_FALSE(fbBesselI0(kNaN) == fbBesselI0(kNaN));
}

// Random vectors with every kind of value: out of place, destination == source and the complex
// form (each part) all equal the in-place form bit for bit.
TEST(SignalWindows, FormsAgree) {
  std::mt19937 rng(5113);
  static const double kSpecial[] = {0.0,    -0.0, 4.9e-324, -1e-310, 1e-300, 1.7e308,
                                    -1e300, kInf, -kInf,    kNaN,    1.0,    -3.0};
  std::uniform_int_distribution<int> exponent(-60, 60);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (const Window& w : Windows()) {
    for (int n : {1, 2, 3, 4, 5, 8, 33, 256, 257}) {
      if (n < w.minLen) continue;
      std::vector<double> src(static_cast<size_t>(n)), im(src.size());
      for (size_t i = 0; i < src.size(); ++i) {
        src[i] = rng() % 4 == 0 ? kSpecial[rng() % std::size(kSpecial)]
                                : std::ldexp(unit(rng), exponent(rng));
        im[i] = std::ldexp(unit(rng), exponent(rng));
      }
      const double alpha = 0.75;
      std::vector<double> inPlace = src, out(src.size(), kCanary), alias = src;
      ASSERT_EQ(w.inPlace(inPlace.data(), n, alpha), ippStsNoErr);
      ASSERT_EQ(w.outOfPlace(src.data(), out.data(), n, alpha), ippStsNoErr);
      ASSERT_EQ(w.outOfPlace(alias.data(), alias.data(), n, alpha), ippStsNoErr);
      std::vector<Ipp64fc> c(src.size());
      for (size_t i = 0; i < src.size(); ++i) c[i] = {src[i], im[i]};
      ASSERT_EQ(w.complex(c.data(), n, alpha), ippStsNoErr);
      std::vector<double> imIn = im;
      ASSERT_EQ(w.inPlace(imIn.data(), n, alpha), ippStsNoErr);
      for (size_t i = 0; i < src.size(); ++i) {
        EXPECT_EQ(Bits(out[i]), Bits(inPlace[i])) << w.name << " " << n << " " << i;
        EXPECT_EQ(Bits(alias[i]), Bits(inPlace[i])) << w.name << " " << n << " " << i;
        EXPECT_EQ(Bits(c[i].re), Bits(inPlace[i])) << w.name << " " << n << " " << i;
        EXPECT_EQ(Bits(c[i].im), Bits(imIn[i])) << w.name << " " << n << " " << i;
      }
    }
  }
}

// Checks in order: the pointers (-8), the length (-6), Kaiser's size (-39); nothing written on
// a failure (canaries).
TEST(SignalWindows, CheckOrder) {
  struct Case {
    bool nullFirst, nullSecond;
    int n;
    double alpha;
    IppStatus bartlett, kaiser;
  };
  const std::vector<Case> cases = {
      {true, false, 0, 1e9, ippStsNullPtrErr, ippStsNullPtrErr},
      {false, true, -1, 1e9, ippStsNullPtrErr, ippStsNullPtrErr},
      {false, false, 0, 1e9, ippStsSizeErr, ippStsSizeErr},
      {false, false, -5, 0, ippStsSizeErr, ippStsSizeErr},
      {false, false, 2, 1e9, ippStsSizeErr, ippStsHugeWinErr},
      {false, false, 1, 1e9, ippStsSizeErr, ippStsNoErr},
      {false, false, 618, 1, ippStsNoErr, ippStsHugeWinErr},
      {false, false, 618, -1, ippStsNoErr, ippStsHugeWinErr},
      {false, false, 617, 1, ippStsNoErr, ippStsNoErr},
      {false, false, 2, 0, ippStsSizeErr, ippStsNoErr},
  };
  for (const Window& w : Windows()) {
    const bool kaiser = std::string(w.name) == "Kaiser";
    for (const Case& c : cases) {
      const IppStatus expected = kaiser ? c.kaiser : c.bartlett;
      std::vector<double> s(700, 1.0), d(700, kCanary), v(700, kCanary);
      std::vector<Ipp64fc> z(700, Ipp64fc{kCanary, kCanary});
      if (c.nullSecond) {  // the out-of-place form's destination; the others have one pointer
        EXPECT_EQ(w.outOfPlace(s.data(), nullptr, c.n, c.alpha), expected) << w.name;
        continue;
      }
      EXPECT_EQ(w.inPlace(c.nullFirst ? nullptr : v.data(), c.n, c.alpha), expected)
          << w.name << " N=" << c.n;
      EXPECT_EQ(w.outOfPlace(c.nullFirst ? nullptr : s.data(), d.data(), c.n, c.alpha), expected)
          << w.name << " N=" << c.n;
      EXPECT_EQ(w.complex(c.nullFirst ? nullptr : z.data(), c.n, c.alpha), expected)
          << w.name << " N=" << c.n;
      if (expected != ippStsNoErr) {
        for (double x : d) EXPECT_EQ(Bits(x), Bits(kCanary)) << w.name;
        for (double x : v) EXPECT_EQ(Bits(x), Bits(kCanary)) << w.name;
        for (const Ipp64fc& x : z) EXPECT_EQ(Bits(x.re), Bits(kCanary)) << w.name;
      }
    }
  }
}

}  // namespace
