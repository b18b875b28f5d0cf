// Point operations of the vision set: float absolute difference and thresholds, the count in
// a range, Cartesian to polar and the dot product, against models in extended precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/vision/PointOperations.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
using imagetest::GuardedVector;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

float* F(GuardedImage& img) { return reinterpret_cast<float*>(img.data()); }
float At(GuardedImage& img, int x, int y) {
  float v;
  std::memcpy(&v, img.at(x, y), 4);
  return v;
}
void Put(GuardedImage& img, int x, int y, float v) { std::memcpy(img.at(x, y), &v, 4); }
uint32_t Bits(float v) { return std::bit_cast<uint32_t>(v); }

// Values whose differences need more than float precision: far-apart exponents, subnormals,
// infinities and NaN.
std::vector<float> AwkwardFloats(std::mt19937& rng, int n) {
  std::vector<float> v = {0.0f, -0.0f, 1.0f, -1.0f, 1e-45f, -1e-45f, 1.17549435e-38f, 3.4028235e38f,
                          -3.4028235e38f, kInf, -kInf, kNaN, 16777217.0f, 1.0000001f, 1e30f, 1e-30f};
  std::uniform_int_distribution<uint32_t> bits;
  while (static_cast<int>(v.size()) < n) {
    const float f = std::bit_cast<float>(bits(rng));
    if (!std::isnan(f)) v.push_back(f);
  }
  return v;
}

TEST(VisionAbsDiff, EqualsTheExtendedPrecisionDifferenceRoundedToFloat) {
  std::mt19937 rng(1);
  const int w = 16, h = 16;
  const std::vector<float> a = AwkwardFloats(rng, w * h);
  std::vector<float> b = AwkwardFloats(rng, w * h);
  std::shuffle(b.begin(), b.end(), rng);
  GuardedImage s1(w, h, 4, 4), s2(w, h, 4, 12), d(w, h, 4, 8);
  for (int i = 0; i < w * h; ++i) {
    Put(s1, i % w, i / w, a[i]);
    Put(s2, i % w, i / w, b[i]);
  }
  ASSERT_EQ(builtin::ippiAbsDiff_32f_C1R(F(s1), s1.step(), F(s2), s2.step(), F(d), d.step(), {w, h}), ippStsNoErr);
  for (int i = 0; i < w * h; ++i) {
    const float expected = static_cast<float>(std::fabs(static_cast<long double>(a[i]) - b[i]));
    const float got = At(d, i % w, i / w);
    if (std::isnan(expected))
      EXPECT_TRUE(std::isnan(got)) << a[i] << " " << b[i];
    else
      EXPECT_EQ(Bits(got), Bits(expected)) << a[i] << " - " << b[i];
  }
  EXPECT_TRUE(d.OutsideUntouched());
}

TEST(VisionAbsDiff, ChecksComeInTheirOrderAndWriteNothing) {
  GuardedImage s(4, 2, 4, 4), d(4, 2, 4, 4);
  s.FillRegion(0);
  d.FillRegion(0x55);
  float* p = F(s);
  float* q = F(d);
  const struct {
    const float *a, *b;
    float* dst;
    int sa, sb, sd;
    IppiSize size;
    IppStatus expected;
  } cases[] = {
      {nullptr, p, q, 0, 0, 0, {0, 0}, ippStsNullPtrErr},
      {p, p, nullptr, 16, 16, 16, {4, 2}, ippStsNullPtrErr},
      {p, p, q, 0, 0, 0, {0, 2}, ippStsSizeErr},
      {p, p, q, 16, 16, 12, {4, 2}, ippStsStepErr},
      {p, p, q, 18, 16, 12, {4, 2}, ippStsStepErr},  // a too-small step before an uneven one
      {p, p, q, 18, 16, 16, {4, 2}, ippStsNotEvenStepErr},
      {p, p, q, 16, 16, 17, {4, 2}, ippStsNotEvenStepErr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(builtin::ippiAbsDiff_32f_C1R(c.a, c.sa, c.b, c.sb, c.dst, c.sd, c.size), c.expected);
  EXPECT_EQ(d.Region(), std::vector<uint8_t>(32, 0x55));
}

TEST(VisionThreshold, ComparesTheBitPatternsExactly) {
  const float nNaN = -kNaN;
  // Sources in one row; for each case the values replaced.
  const std::vector<float> src = {-0.0f, 0.0f, -1.0f, 1.0f, -2.5f, 2.5f, kNaN, nNaN, kInf, -kInf, 1e-45f, -1e-45f};
  const struct {
    float threshold;
    IppCmpOp op;
    std::vector<bool> replaced;  // per source value
  } cases[] = {
      // -0.0 lies below +0.0; a NaN with a clear sign bit above everything, with a set one below.
      {0.0f, ippCmpGreater, {0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0}},
      {0.0f, ippCmpLess, {1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1}},
      {-0.0f, ippCmpGreater, {0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 0}},
      {-0.0f, ippCmpLess, {0, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1}},
      {-1.0f, ippCmpGreater, {1, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 1}},
      {-1.0f, ippCmpLess, {0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0}},
      {2.5f, ippCmpGreater, {0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0}},
      {2.5f, ippCmpLess, {1, 1, 1, 1, 1, 0, 0, 1, 0, 1, 1, 1}},
      // A NaN threshold still orders by bits: a positive one is above +inf.
      {kNaN, ippCmpLess, {1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1}},
      {kNaN, ippCmpGreater, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {nNaN, ippCmpGreater, {1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1}},
  };
  const int w = static_cast<int>(src.size());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.threshold) + (c.op == ippCmpLess ? " less" : " greater"));
    GuardedImage s(w, 1, 4, 4), d(w, 1, 4, 4), inPlace(w, 1, 4, 4);
    for (int x = 0; x < w; ++x) Put(s, x, 0, src[x]), Put(inPlace, x, 0, src[x]);
    const float value = 42.0f;
    ASSERT_EQ(builtin::ippiThreshold_Val_32f_C1R(F(s), s.step(), F(d), d.step(), {w, 1}, c.threshold, value, c.op),
              ippStsNoErr);
    ASSERT_EQ(builtin::ippiThreshold_32f_C1R(F(inPlace), inPlace.step(), F(inPlace), inPlace.step(), {w, 1},
                                             c.threshold, c.op),
              ippStsNoErr);
    for (int x = 0; x < w; ++x) {
      EXPECT_EQ(Bits(At(d, x, 0)), Bits(c.replaced[x] ? value : src[x])) << "value " << src[x];
      EXPECT_EQ(Bits(At(inPlace, x, 0)), Bits(c.replaced[x] ? c.threshold : src[x])) << "value " << src[x];
    }
  }
}

TEST(VisionThreshold, StepsAreRoundedDownToMultiplesOfFour) {
  // A source step of 11 is used as 8: row 1 is read 8 bytes after row 0, and written so too.
  std::vector<float> src = {1, 5, 2, 6, 3, 7};
  std::vector<float> dst(6, -1);
  ASSERT_EQ(builtin::ippiThreshold_Val_32f_C1R(src.data(), 11, dst.data(), 10, {2, 2}, 4.0f, 0.0f, ippCmpGreater),
            ippStsNoErr);
  EXPECT_EQ(dst, (std::vector<float>{1, 0, 2, 0, -1, -1}));
}

TEST(VisionThreshold, AnUnsupportedModeIsReportedBeforeEverythingElse) {
  float v = 1;
  for (IppCmpOp op : {ippCmpLessEq, ippCmpEq, ippCmpGreaterEq, static_cast<IppCmpOp>(9)}) {
    EXPECT_EQ(builtin::ippiThreshold_Val_32f_C1R(nullptr, 0, nullptr, 0, {0, 0}, 0, 0, op), ippStsNotSupportedModeErr);
    EXPECT_EQ(builtin::ippiThreshold_32f_C1R(nullptr, 0, nullptr, 0, {0, 0}, 0, op), ippStsNotSupportedModeErr);
  }
  EXPECT_EQ(builtin::ippiThreshold_32f_C1R(&v, 4, nullptr, 4, {1, 1}, 0, ippCmpLess), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiThreshold_32f_C1R(&v, 0, &v, 0, {1, 0}, 0, ippCmpLess), ippStsSizeErr);
  EXPECT_EQ(builtin::ippiThreshold_32f_C1R(&v, 4, &v, 0, {1, 1}, 5, ippCmpLess), ippStsStepErr);
  EXPECT_EQ(v, 1.0f);
}

TEST(VisionCountInRange, CountsThePixelsOfTheRange) {
  std::mt19937 rng(6);
  GuardedImage img(37, 13, 1, 6);
  img.Randomize(rng);
  const std::vector<uint8_t> px = img.Region();
  const int ranges[][2] = {{0, 255}, {10, 10}, {0, 0}, {255, 255}, {100, 200}, {37, 38}};
  for (auto [lo, hi] : ranges) {
    int count = -1;
    ASSERT_EQ(builtin::ippiCountInRange_8u_C1R(img.data(), img.step(), img.size(), &count, Ipp8u(lo), Ipp8u(hi)),
              ippStsNoErr);
    EXPECT_EQ(count, std::count_if(px.begin(), px.end(), [&](uint8_t v) { return v >= lo && v <= hi; }))
        << lo << ".." << hi;
  }
  int all = -1;
  ASSERT_EQ(builtin::ippiCountInRange_8u_C1R(img.data(), img.step(), img.size(), &all, 0, 255), ippStsNoErr);
  EXPECT_EQ(all, 37 * 13);
}

TEST(VisionCountInRange, ChecksComeInTheirOrderAndLeaveTheCount) {
  Ipp8u px[4] = {1, 2, 3, 4};
  int count = 1234;
  EXPECT_EQ(builtin::ippiCountInRange_8u_C1R(nullptr, 0, {0, 0}, &count, 9, 1), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiCountInRange_8u_C1R(px, 4, {4, 1}, nullptr, 0, 9), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiCountInRange_8u_C1R(px, 0, {0, 0}, &count, 9, 1), ippStsStepErr);  // step before size
  EXPECT_EQ(builtin::ippiCountInRange_8u_C1R(px, 4, {0, 1}, &count, 9, 1), ippStsSizeErr);
  EXPECT_EQ(builtin::ippiCountInRange_8u_C1R(px, 4, {4, 1}, &count, 10, 9), ippStsRangeErr);
  EXPECT_EQ(count, 1234);
}

TEST(VisionCartToPolar, MagnitudesAndPhasesOfKnownPoints) {
  const std::vector<float> re = {3, -3, 0, 0, 1, -1, 0, -0.0f, 1e20f, 1e-30f};
  const std::vector<float> im = {4, -4, 2, -2, 0, 0, 0, 0, 1e20f, 1e-30f};
  const int n = static_cast<int>(re.size());
  std::vector<float> magn(n), phase(n);
  ASSERT_EQ(builtin::ippsCartToPolar_32f(re.data(), im.data(), magn.data(), phase.data(), n), ippStsNoErr);
  const float pi = 3.14159265358979f;
  const std::vector<float> m = {5, 5, 2, 2, 1, 1, 0, 0, 1.41421356e20f, 1.41421356e-30f};
  const std::vector<float> p = {0.92729522f, -2.21429743f, pi / 2, -pi / 2, 0, pi, 0, pi, pi / 4, pi / 4};
  for (int i = 0; i < n; ++i) {
    EXPECT_FLOAT_EQ(magn[i], m[i]) << i;  // no overflow or underflow in the squares
    EXPECT_FLOAT_EQ(phase[i], p[i]) << i;
  }
  // Against single-precision library results over random points, to the last bit or one off.
  std::mt19937 rng(2);
  std::uniform_real_distribution<float> u(-1000, 1000);
  std::vector<float> r2(500), i2(500), m2(500), p2(500);
  for (int k = 0; k < 500; ++k) r2[k] = u(rng), i2[k] = u(rng);
  ASSERT_EQ(builtin::ippsCartToPolar_32f(r2.data(), i2.data(), m2.data(), p2.data(), 500), ippStsNoErr);
  for (int k = 0; k < 500; ++k) {
    EXPECT_LE(std::abs(int64_t{Bits(m2[k])} - Bits(std::hypot(r2[k], i2[k]))), 1);
    EXPECT_LE(std::abs(int64_t{Bits(p2[k])} - Bits(std::atan2(i2[k], r2[k]))), 1);
  }
}

TEST(VisionCartToPolar, BothPassesRunAndTheMagnitudeStatusWins) {
  const float re[2] = {3, 0}, im[2] = {4, 1};
  const float pi = 3.14159265358979f;
  float magn[2] = {-1, -1}, phase[2] = {-1, -1};
  // The magnitude pass fails (null destination): the phases are still written.
  EXPECT_EQ(builtin::ippsCartToPolar_32f(re, im, nullptr, phase, 2), ippStsNullPtrErr);
  EXPECT_FLOAT_EQ(phase[1], pi / 2);
  // The phase pass fails: the magnitudes are written and its status returned.
  EXPECT_EQ(builtin::ippsCartToPolar_32f(re, im, magn, nullptr, 2), ippStsNullPtrErr);
  EXPECT_EQ(magn[0], 5.0f);
  // Both fail, differently: the magnitude pass's status.
  EXPECT_EQ(builtin::ippsCartToPolar_32f(re, nullptr, magn, phase, 0), ippStsNullPtrErr);
  magn[0] = phase[0] = -1;
  EXPECT_EQ(builtin::ippsCartToPolar_32f(re, im, magn, phase, 0), ippStsSizeErr);
  EXPECT_EQ(builtin::ippsCartToPolar_32f(re, im, magn, phase, -4), ippStsSizeErr);
  EXPECT_EQ(magn[0], -1.0f);
  EXPECT_EQ(phase[0], -1.0f);
}

TEST(VisionDotProd, SumsInOrderInExtendedPrecision) {
  // Float accumulation would lose the ones next to 2^25; extended precision keeps them.
  const std::vector<float> a = {33554432.0f, 1, 1, 1, -33554432.0f, 0.5f};
  const std::vector<float> b = {1, 1, 1, 1, 1, 3};
  float dp = 0;
  ASSERT_EQ(builtin::ippsDotProd_32f(a.data(), b.data(), 6, &dp), ippStsNoErr);
  EXPECT_EQ(dp, 4.5f);

  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-10, 10);
  for (int n : {1, 2, 7, 1000}) {
    GuardedVector x(n, 4), y(n, 4, 4);  // guarded against reads past the end
    long double sum = 0;
    for (int i = 0; i < n; ++i) {
      const float p = u(rng) * (i % 3 == 0 ? 1e5f : 1.0f), q = u(rng);
      std::memcpy(x.data() + 4 * i, &p, 4);
      std::memcpy(y.data() + 4 * i, &q, 4);
      sum += static_cast<long double>(p) * q;
    }
    ASSERT_EQ(builtin::ippsDotProd_32f(reinterpret_cast<const float*>(x.data()),
                                       reinterpret_cast<const float*>(y.data()), n, &dp),
              ippStsNoErr);
    EXPECT_EQ(dp, static_cast<float>(sum)) << n;
  }
  dp = 7;
  EXPECT_EQ(builtin::ippsDotProd_32f(a.data(), nullptr, 0, &dp), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippsDotProd_32f(a.data(), b.data(), 6, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippsDotProd_32f(a.data(), b.data(), 0, &dp), ippStsSizeErr);
  EXPECT_EQ(dp, 7.0f);
}

}  // namespace
