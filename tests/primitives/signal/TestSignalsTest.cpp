#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "primitives/signal/TestSignals.h"
#include "primitives/support/Support.h"

namespace {

using namespace builtin;
using ld = long double;

const double kNaN = std::bit_cast<double>(uint64_t{0x7FF8000000000000});
const double kInf = std::bit_cast<double>(uint64_t{0x7FF0000000000000});
const double kCanary = std::bit_cast<double>(uint64_t{0x5A5A5A5A5A5A5A5A});

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

// ---- Models -----------------------------------------------------------------------------------

std::vector<double> JaehneModel(int len, double magn) {
  std::vector<double> out(static_cast<size_t>(len));
  if (len == 1) return {0.0};
  const double c = static_cast<double>(ld{1.5707963267948966} / ld(len));
  for (int i = 0; i < len; ++i) {
    const double arg = static_cast<double>(ld(c) * ld(i) * ld(i));
    out[static_cast<size_t>(i)] = static_cast<double>(ld(LibCSin(arg)) * ld(magn));
  }
  return out;
}

// The two integer sequences kept as whole histories in 64-bit integers reduced modulo 2^32.
struct RandWords {
  std::vector<int64_t> u;  // signed sums, one per element
  uint32_t lastSwb = 0;
};

RandWords RandWordsModel(uint32_t seed, int len) {
  const uint64_t m = uint64_t{1} << 32;
  auto lcg = [&](uint64_t v) { return (69069 * v + 1013904243) % m; };
  std::vector<uint64_t> x;  // x[j] holds x(j - 2)
  x.push_back(lcg(lcg(seed)));
  x.push_back(lcg(seed));
  x.push_back(seed);
  std::vector<uint64_t> c{1};
  uint64_t l = 1131199209;
  RandWords r;
  for (int k = 1; k <= len; ++k) {
    l = lcg(l);
    const size_t j = static_cast<size_t>(k) + 2;  // index of x(k)
    const int64_t tRaw = int64_t(x[j - 2]) - int64_t(x[j - 3]) - int64_t(c.back());
    const uint64_t t = uint64_t((tRaw % int64_t(m) + int64_t(m)) % int64_t(m));
    if (t >= (uint64_t{1} << 31)) {
      c.push_back(1);
      x.push_back((t + m - 18) % m);
    } else {
      c.push_back(0);
      x.push_back(t);
    }
    const uint64_t s = (x[j] + l) % m;
    r.u.push_back(s >= (uint64_t{1} << 31) ? int64_t(s) - int64_t(m) : int64_t(s));
  }
  r.lastSwb = uint32_t(x.back());
  return r;
}

std::vector<double> RandModel(uint32_t seed, int len, double low, double high) {
  const RandWords w = RandWordsModel(seed, len);
  const ld scale = (ld(high) - ld(low)) / ld(4294967296.0);
  const ld mid = (ld(low) + ld(high)) / 2;
  std::vector<double> out;
  for (int64_t u : w.u) out.push_back(static_cast<double>(mid + scale * ld(u)));
  return out;
}

void ExpectSameBits(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i)
    ASSERT_EQ(Bits(got[i]), Bits(want[i])) << "element " << i << ": " << got[i] << " vs " << want[i];
}

// ---- Jaehne ------------------------------------------------------------------------------------

TEST(SignalTestSignals, JaehneMatchesTheModelBitForBit) {
  for (int len : {2, 3, 5, 17, 100, 1000, 4097}) {
    for (double magn : {1.0, 0.3, 123.456, 1e-310, 1e300, kInf, kNaN}) {
      std::vector<double> got(static_cast<size_t>(len), kCanary);
      ASSERT_EQ(ippsVectorJaehne_64f(got.data(), len, magn), ippStsNoErr);
      SCOPED_TRACE(testing::Message() << "len " << len << " magn " << magn);
      ExpectSameBits(got, JaehneModel(len, magn));
    }
  }
}

TEST(SignalTestSignals, JaehneIsTheChirpOfItsFormula) {
  const int len = 257;
  std::vector<double> got(len);
  ASSERT_EQ(ippsVectorJaehne_64f(got.data(), len, 2.5), ippStsNoErr);
  for (int i = 0; i < len; ++i) {
    const ld want = 2.5L * std::sin(ld(M_PI) / 2 * ld(i) * ld(i) / len);
    EXPECT_NEAR(got[size_t(i)], double(want), 1e-12) << i;
  }
}

TEST(SignalTestSignals, JaehneSpecialCases) {
  // One element is +0 whatever the magnitude.
  for (double magn : {0.0, -0.0, 1.0, 1e308, kInf, kNaN}) {
    double d = kCanary;
    EXPECT_EQ(ippsVectorJaehne_64f(&d, 1, magn), ippStsNoErr);
    EXPECT_EQ(Bits(d), Bits(0.0)) << magn;
  }
  // Two elements: 0 and magn * sin(pi/4).
  double two[2] = {kCanary, kCanary};
  ASSERT_EQ(ippsVectorJaehne_64f(two, 2, 3.0), ippStsNoErr);
  EXPECT_EQ(Bits(two[0]), Bits(0.0));
  EXPECT_EQ(Bits(two[1]), Bits(double(3.0L * ld(LibCSin(0.7853981633974483)))));
  EXPECT_NEAR(two[1], 3.0 * std::sqrt(0.5), 1e-15);
  // A zero magnitude of either sign is accepted and gives zeros.
  for (double magn : {0.0, -0.0}) {
    std::vector<double> z(50, kCanary);
    ASSERT_EQ(ippsVectorJaehne_64f(z.data(), 50, magn), ippStsNoErr) << magn;
    for (double v : z) EXPECT_EQ(v, 0.0);
  }
}

TEST(SignalTestSignals, JaehneCheckOrderWritesNothing) {
  struct Case { bool nullDst; int len; double magn; IppStatus want; };
  const Case cases[] = {
      {true, 0, -1.0, ippStsNullPtrErr},  {true, 4, 1.0, ippStsNullPtrErr},
      {false, 0, -1.0, ippStsSizeErr},    {false, -7, 1.0, ippStsSizeErr},
      {false, 1, -1.0, ippStsNegMagnErr}, {false, 4, -1e-320, ippStsNegMagnErr},
      {false, 4, -kInf, ippStsNegMagnErr}, {false, 4, kNaN, ippStsNoErr},
  };
  for (const Case& c : cases) {
    double buf[4] = {kCanary, kCanary, kCanary, kCanary};
    EXPECT_EQ(ippsVectorJaehne_64f(c.nullDst ? nullptr : buf, c.len, c.magn), c.want)
        << c.len << " " << c.magn;
    if (c.want != ippStsNoErr) {
      for (double v : buf) EXPECT_EQ(Bits(v), Bits(kCanary));
    }
  }
}

// ---- RandUniform -------------------------------------------------------------------------------

const uint32_t kSeeds[] = {0u, 1u, 12345u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xDEADBEEFu};

TEST(SignalTestSignals, RandUniformWordsMatchTheModel) {
  // low = -2^31 and high = 2^31 make scale 1 and mid 0: every value is the signed word itself.
  for (uint32_t seed : kSeeds) {
    for (int len : {1, 2, 3, 4, 31, 1000}) {
      std::vector<double> got(static_cast<size_t>(len), kCanary);
      unsigned int s = seed;
      ASSERT_EQ(ippsRandUniform_Direct_64f(got.data(), len, -2147483648.0, 2147483648.0, &s),
                ippStsNoErr);
      const RandWords w = RandWordsModel(seed, len);
      for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], double(w.u[i])) << "seed " << seed << " len " << len << " at " << i;
      EXPECT_EQ(s, w.lastSwb) << "seed " << seed << " len " << len;
    }
  }
}

TEST(SignalTestSignals, RandUniformMatchesTheModelBitForBit) {
  const double ranges[][2] = {{0.0, 1.0}, {-1.0, 1.0}, {-3.7, 1e5}, {1e-300, 3e-300},
                              {5.0, -2.0}, {-1e308, 1e308}, {0.1, 0.1}};
  for (uint32_t seed : kSeeds) {
    for (const auto& r : ranges) {
      for (int len : {1, 7, 500}) {
        std::vector<double> got(static_cast<size_t>(len), kCanary);
        unsigned int s = seed;
        ASSERT_EQ(ippsRandUniform_Direct_64f(got.data(), len, r[0], r[1], &s), ippStsNoErr);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " [" << r[0] << ", " << r[1]
                                        << ") len " << len);
        ExpectSameBits(got, RandModel(seed, len, r[0], r[1]));
      }
    }
  }
}

TEST(SignalTestSignals, RandUniformGoldenWords) {
  // Seed 0: x(-1) = 1013904243, x(-2) = 69069 * 1013904243 + 1013904243 mod 2^32, and the
  // congruential word 69069 * 1131199209 + 1013904243 mod 2^32, worked out by hand.
  const uint32_t xm1 = 1013904243u;
  const uint32_t xm2 = static_cast<uint32_t>((69069ull * xm1 + 1013904243ull) & 0xFFFFFFFFull);
  const uint32_t l1 = static_cast<uint32_t>((69069ull * 1131199209ull + 1013904243ull) & 0xFFFFFFFFull);
  uint32_t t = xm1 - xm2 - 1u;
  if (static_cast<int32_t>(t) < 0) t -= 18u;
  double d = kCanary;
  unsigned int s = 0;
  ASSERT_EQ(ippsRandUniform_Direct_64f(&d, 1, -2147483648.0, 2147483648.0, &s), ippStsNoErr);
  EXPECT_EQ(d, double(static_cast<int32_t>(t + l1)));
  EXPECT_EQ(s, t);
}

TEST(SignalTestSignals, RandUniformSeedCarriesAcrossCalls) {
  for (uint32_t seed : kSeeds) {
    std::vector<double> a(64), b(64);
    unsigned int s1 = seed, s2 = seed;
    ASSERT_EQ(ippsRandUniform_Direct_64f(a.data(), 64, 0.0, 1.0, &s1), ippStsNoErr);
    ASSERT_EQ(ippsRandUniform_Direct_64f(b.data(), 64, 0.0, 1.0, &s2), ippStsNoErr);
    ExpectSameBits(a, b);  // the same seed value gives the same vector and seed
    EXPECT_EQ(s1, s2);
    // The next call starts again from the written-back word; the congruential sequence
    // restarts, so two calls of n are not one call of 2n.
    const unsigned int carried = s1;
    std::vector<double> next(64);
    ASSERT_EQ(ippsRandUniform_Direct_64f(next.data(), 64, 0.0, 1.0, &s1), ippStsNoErr);
    ExpectSameBits(next, RandModel(carried, 64, 0.0, 1.0));
    std::vector<double> whole(128);
    unsigned int s3 = seed;
    ASSERT_EQ(ippsRandUniform_Direct_64f(whole.data(), 128, 0.0, 1.0, &s3), ippStsNoErr);
    ExpectSameBits(std::vector<double>(whole.begin(), whole.begin() + 64), a);
    EXPECT_NE(std::vector<double>(whole.begin() + 64, whole.end()), next);
  }
}

TEST(SignalTestSignals, RandUniformValuesStayInTheirRange) {
  const double ranges[][2] = {{0.0, 1.0}, {-1.0, 1.0}, {10.0, 10.5}, {5.0, -2.0}, {-1e-3, 0.0}};
  for (const auto& r : ranges) {
    std::vector<double> v(20000);
    unsigned int s = 777;
    ASSERT_EQ(ippsRandUniform_Direct_64f(v.data(), 20000, r[0], r[1], &s), ippStsNoErr);
    const double lo = std::min(r[0], r[1]), hi = std::max(r[0], r[1]);
    double mn = hi, mx = lo;
    for (double x : v) {
      if (r[0] <= r[1]) {
        ASSERT_TRUE(x >= lo && x < hi) << x;
      } else {
        ASSERT_TRUE(x > lo && x <= hi) << x;
      }
      mn = std::min(mn, x);
      mx = std::max(mx, x);
    }
    // Spread over the whole range.
    EXPECT_LT(mn, lo + (hi - lo) * 0.01);
    EXPECT_GT(mx, hi - (hi - lo) * 0.01);
  }
  // low = high fills with that value.
  for (double c : {0.0, -0.0, 2.5, -1e300}) {
    std::vector<double> v(100, kCanary);
    unsigned int s = 99;
    ASSERT_EQ(ippsRandUniform_Direct_64f(v.data(), 100, c, c, &s), ippStsNoErr);
    for (double x : v) EXPECT_EQ(x, c);
  }
}

TEST(SignalTestSignals, RandUniformCheckOrderWritesNothing) {
  struct Case { bool nullDst; bool nullSeed; int len; IppStatus want; };
  const Case cases[] = {
      {true, true, 0, ippStsNullPtrErr},  {false, true, 0, ippStsNullPtrErr},
      {false, true, -3, ippStsNullPtrErr}, {true, false, 0, ippStsNullPtrErr},
      {true, false, 4, ippStsNullPtrErr}, {false, false, 0, ippStsSizeErr},
      {false, false, -1, ippStsSizeErr},
  };
  for (const Case& c : cases) {
    double buf[4] = {kCanary, kCanary, kCanary, kCanary};
    unsigned int seed = 0xA5A5A5A5u;
    EXPECT_EQ(ippsRandUniform_Direct_64f(c.nullDst ? nullptr : buf, c.len, 0.0, 1.0,
                                         c.nullSeed ? nullptr : &seed),
              c.want)
        << c.nullDst << c.nullSeed << c.len;
    for (double v : buf) EXPECT_EQ(Bits(v), Bits(kCanary));
    EXPECT_EQ(seed, 0xA5A5A5A5u);
  }
}

}  // namespace
