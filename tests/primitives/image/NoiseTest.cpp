// Uniform and Gaussian noise: against a model of the draw stream written here from the
// generator's description (itself checked against draws computed outside this program), on
// guarded images of every layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/Noise.h"
#include "primitives/image/NoiseKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

// The stream of draws: subtract-with-borrow over three lags plus a congruential sequence.
class ModelStream {
 public:
  explicit ModelStream(uint32_t seed) {
    lag_[0] = seed;
    lag_[1] = Lcg(seed);
    lag_[2] = Lcg(Lcg(seed));
  }
  int32_t Draw() {
    uint32_t d = lag_[1] - lag_[2] + (borrow_ ? 0xFFFFFFFFu : 0u);
    borrow_ = static_cast<int32_t>(d) < 0;
    x_ = borrow_ ? d - 18u : d;
    lag_[2] = lag_[1];
    lag_[1] = lag_[0];
    lag_[0] = x_;
    lcg_ = Lcg(lcg_);
    return static_cast<int32_t>(x_ + lcg_);
  }
  uint32_t x() const { return x_; }

 private:
  static uint32_t Lcg(uint32_t v) { return v * 69069u + 1013904243u; }
  uint32_t lag_[3];
  bool borrow_ = true;
  uint32_t lcg_ = 1131199209u;
  uint32_t x_ = 0;
};

// The noise values of a call, one per processed byte, and the seed it returns.
struct ModelNoise {
  std::vector<int32_t> values;
  uint32_t seed;
};

ModelNoise Uniform(uint32_t seed, int low, int high, size_t bytes) {
  ModelStream s(seed);
  ModelNoise m;
  const long double scale = (high - low) * static_cast<long double>(2.3283064365387e-10);
  const long double offset = (low + high) * 0.5L;
  for (size_t i = 0; i < bytes; ++i)
    m.values.push_back(static_cast<int32_t>(std::trunc(s.Draw() * scale + offset)));
  m.seed = s.x();
  return m;
}

ModelNoise Gauss(uint32_t seed, int mean, int stdDev, size_t bytes) {
  ModelStream s(seed);
  ModelNoise m;
  const long double kScale = 4.656612873077e-10;
  while (m.values.size() < bytes) {
    long double u1, u2, q;
    do {
      u1 = s.Draw() * kScale;
      u2 = s.Draw() * kScale;
      q = u1 * u1 + u2 * u2;
    } while (q >= 1 || q == 0);
    // The logarithm and the square root take and give doubles.
    const double ln = static_cast<double>(std::log(static_cast<long double>(static_cast<double>(q))));
    const double r = static_cast<double>(std::sqrt(static_cast<long double>(static_cast<double>(-2.0L * ln / q))));
    m.values.push_back(static_cast<int32_t>(std::trunc(mean + u1 * (stdDev * static_cast<long double>(r)))));
    m.values.push_back(static_cast<int32_t>(std::trunc(mean + u2 * (stdDev * static_cast<long double>(r)))));
  }
  m.values.resize(bytes);  // a second value left at the end is dropped
  m.seed = s.x();
  return m;
}

using NoiseFn = std::function<IppStatus(Ipp8u*, int, IppiSize, Ipp8u, Ipp8u, unsigned int*)>;

struct Form {
  std::string name;
  int pixel;    // bytes per pixel
  int touched;  // bytes of each pixel that get noise
  NoiseFn fn;
  bool gauss;
};

std::vector<Form> Forms() {
  return {
      {"Uniform_C1", 1, 1, builtin::ippiAddRandUniform_Direct_8u_C1IR, false},
      {"Uniform_C3", 3, 3, builtin::ippiAddRandUniform_Direct_8u_C3IR, false},
      {"Uniform_C4", 4, 4, builtin::ippiAddRandUniform_Direct_8u_C4IR, false},
      {"Uniform_AC4", 4, 3, builtin::ippiAddRandUniform_Direct_8u_AC4IR, false},
      {"Gauss_C1", 1, 1, builtin::ippiAddRandGauss_Direct_8u_C1IR, true},
      {"Gauss_C3", 3, 3, builtin::ippiAddRandGauss_Direct_8u_C3IR, true},
      {"Gauss_C4", 4, 4, builtin::ippiAddRandGauss_Direct_8u_C4IR, true},
      {"Gauss_AC4", 4, 3, builtin::ippiAddRandGauss_Direct_8u_AC4IR, true},
  };
}

// The image after adding the model's values to the touched bytes, row by row.
std::vector<uint8_t> AddModel(const std::vector<uint8_t>& region, const Form& f, int width, int height,
                              const ModelNoise& m) {
  std::vector<uint8_t> out = region;
  size_t k = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < f.touched; ++c) {
        uint8_t& p = out[(static_cast<size_t>(y) * width + x) * f.pixel + c];
        p = static_cast<uint8_t>(std::clamp(p + m.values[k++], 0, 255));
      }
  return out;
}

// Fills img with `fill`, adds noise from `seed` and returns the seed the call gives back.
unsigned int AddOnce(const NoiseFn& fn, GuardedImage& img, uint8_t fill, int a, int b, unsigned int seed) {
  img.FillRegion(fill);
  EXPECT_EQ(fn(img.data(), img.step(), img.size(), Ipp8u(a), Ipp8u(b), &seed), ippStsNoErr);
  return seed;
}

ModelNoise ModelFor(const Form& f, uint32_t seed, int a, int b, size_t bytes) {
  return f.gauss ? Gauss(seed, a, b, bytes) : Uniform(seed, a, b, bytes);
}

TEST(ImageNoise, TheModelStreamGivesTheKnownFirstDraws) {
  // Computed outside this program from the generator's description.
  ModelStream s(12345);
  const int32_t expected[] = {-852021644, 1853869290, 53130500, 1735112000, 1512398141, 1894285325};
  for (int32_t e : expected) EXPECT_EQ(s.Draw(), e);
  EXPECT_EQ(s.x(), 3961485150u);
  ModelStream zero(0);
  EXPECT_EQ(zero.Draw(), -2143376656);
  EXPECT_EQ(zero.Draw(), -1588453546);
}

TEST(ImageNoise, EveryFormAddsTheModelsNoiseAndReturnsTheLastValue) {
  std::mt19937 rng(5);
  struct Params {
    int a, b;
  };
  // Uniform (low, high) or Gaussian (mean, stdDev); a reversed uniform range included.
  const Params params[] = {{20, 90}, {0, 255}, {200, 3}, {60, 40}};
  const int sizes[][2] = {{1, 1}, {5, 3}, {4, 4}, {17, 2}};
  for (const Form& f : Forms())
    for (Params p : params)
      for (auto [w, h] : sizes) {
        SCOPED_TRACE(f.name + " " + std::to_string(p.a) + "," + std::to_string(p.b) + " " +
                     std::to_string(w) + "x" + std::to_string(h));
        GuardedImage img(w, h, f.pixel, 7);
        img.Randomize(rng);
        const std::vector<uint8_t> before = img.Region();
        unsigned int seed = 987654321u + w;
        const ModelNoise m = ModelFor(f, seed, p.a, p.b, static_cast<size_t>(w) * h * f.touched);
        ASSERT_EQ(f.fn(img.data(), img.step(), img.size(), Ipp8u(p.a), Ipp8u(p.b), &seed), ippStsNoErr);
        EXPECT_EQ(img.Region(), AddModel(before, f, w, h, m));
        EXPECT_EQ(seed, m.seed);
        EXPECT_TRUE(img.OutsideUntouched());
      }
}

TEST(ImageNoise, AContiguousImageGetsTheSameNoiseAsAPaddedOne) {
  for (const Form& f : Forms()) {
    SCOPED_TRACE(f.name);
    GuardedImage padded(9, 5, f.pixel, 13), contiguous(9, 5, f.pixel, 0);
    EXPECT_EQ(AddOnce(f.fn, padded, 100, 10, 60, 42), AddOnce(f.fn, contiguous, 100, 10, 60, 42));
    EXPECT_EQ(padded.Region(), contiguous.Region());
  }
}

TEST(ImageNoise, AGaussianPairsSecondValueLandsOnTheNextRowsFirstByte) {
  // Width 3: the second pair starts on the last byte of row 0 and ends on row 1's first byte.
  const NoiseFn gauss = builtin::ippiAddRandGauss_Direct_8u_C1IR;
  GuardedImage img(3, 2, 1, 5);
  AddOnce(gauss, img, 100, 0, 30, 777);
  const ModelNoise m = Gauss(777, 0, 30, 6);
  EXPECT_EQ(img.at(2, 0)[0], std::clamp(100 + m.values[2], 0, 255));
  EXPECT_EQ(img.at(0, 1)[0], std::clamp(100 + m.values[3], 0, 255));
  // One row of 3: the fourth value is dropped, and no pair is drawn for it.
  GuardedImage row(3, 1, 1, 5);
  EXPECT_EQ(AddOnce(gauss, row, 100, 0, 30, 777), Gauss(777, 0, 30, 3).seed);
  EXPECT_EQ(Gauss(777, 0, 30, 3).seed, Gauss(777, 0, 30, 4).seed);
}

TEST(ImageNoise, EqualSeedsGiveEqualNoiseAndTheReturnedSeedContinuesTheStream) {
  GuardedImage a(31, 7, 3, 5), b(31, 7, 3, 5);
  const unsigned int continued = AddOnce(builtin::ippiAddRandGauss_Direct_8u_C3IR, a, 128, 0, 40, 2024);
  EXPECT_EQ(AddOnce(builtin::ippiAddRandGauss_Direct_8u_C3IR, b, 128, 0, 40, 2024), continued);
  EXPECT_EQ(a.Region(), b.Region());
  EXPECT_NE(continued, 2024u);
  // A second call starts the subtract-with-borrow part from the returned seed (and the
  // congruential part from its constant again).
  GuardedImage c(10, 1, 1, 5);
  AddOnce(builtin::ippiAddRandUniform_Direct_8u_C1IR, c, 128, 0, 50, continued);
  GuardedImage plain(10, 1, 1, 5);
  plain.FillRegion(128);
  EXPECT_EQ(c.Region(), AddModel(plain.Region(), Forms()[0], 10, 1, Uniform(continued, 0, 50, 10)));
}

TEST(ImageNoise, DegenerateParametersAddExactValues) {
  GuardedImage img(16, 16, 1, 5);
  std::vector<uint8_t> base(256);
  for (int i = 0; i < 256; ++i) base[i] = static_cast<uint8_t>(i);
  const auto plus = [&](int n) {
    std::vector<uint8_t> r(256);
    for (int i = 0; i < 256; ++i) r[i] = static_cast<uint8_t>(std::clamp(i + n, 0, 255));
    return r;
  };
  const struct {
    const char* what;
    NoiseFn fn;
    int a, b, added;
  } cases[] = {
      {"uniform 0..0 changes nothing", builtin::ippiAddRandUniform_Direct_8u_C1IR, 0, 0, 0},
      {"uniform 10..10 adds 10, saturating", builtin::ippiAddRandUniform_Direct_8u_C1IR, 10, 10, 10},
      {"gauss stdDev 0 adds the mean", builtin::ippiAddRandGauss_Direct_8u_C1IR, 37, 0, 37},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    img.SetRegion(base);
    unsigned int seed = 99;
    ASSERT_EQ(c.fn(img.data(), img.step(), img.size(), Ipp8u(c.a), Ipp8u(c.b), &seed), ippStsNoErr);
    EXPECT_EQ(img.Region(), plus(c.added));
    EXPECT_NE(seed, 99u);  // the stream still advanced
  }
}

TEST(ImageNoise, UniformStaysInItsRangeAndGivesLowMinusOneOnlyForTheLowestDraw) {
  const NoiseFn uniform = builtin::ippiAddRandUniform_Direct_8u_C1IR;
  GuardedImage img(64, 64, 1, 0);
  AddOnce(uniform, img, 100, 0, 10, 31337);
  const std::vector<uint8_t> r = img.Region();
  EXPECT_EQ(*std::min_element(r.begin(), r.end()), 100);
  EXPECT_EQ(*std::max_element(r.begin(), r.end()), 109);

  // This seed makes the first draw -2^31 (it solves L(s) - L(L(s)) - 1 = 2^31 - L(1131199209)
  // modulo 2^32); the scale constant is slightly above 2^-32, so the value falls just below low.
  constexpr unsigned int kLowestDrawSeed = 277621924u;
  ModelStream check(kLowestDrawSeed);
  ASSERT_EQ(check.Draw(), INT32_MIN);
  GuardedImage one(1, 1, 1, 5);
  AddOnce(uniform, one, 100, 5, 10, kLowestDrawSeed);
  EXPECT_EQ(one.at(0, 0)[0], 104);
  // With low 0 the value truncates to 0.
  AddOnce(uniform, one, 100, 0, 10, kLowestDrawSeed);
  EXPECT_EQ(one.at(0, 0)[0], 100);
}

TEST(ImageNoise, AlphaIsSkippedByAC4AndNoisedByC4) {
  for (bool gauss : {false, true}) {
    // Exactly 10 from either kind: uniform 10..10, Gaussian with mean 10 and no spread.
    GuardedImage ac4(8, 3, 4, 5), c4(8, 3, 4, 5);
    const unsigned int s1 = gauss ? AddOnce(builtin::ippiAddRandGauss_Direct_8u_AC4IR, ac4, 128, 10, 0, 5)
                                  : AddOnce(builtin::ippiAddRandUniform_Direct_8u_AC4IR, ac4, 128, 10, 10, 5);
    const unsigned int s2 = gauss ? AddOnce(builtin::ippiAddRandGauss_Direct_8u_C4IR, c4, 128, 10, 0, 5)
                                  : AddOnce(builtin::ippiAddRandUniform_Direct_8u_C4IR, c4, 128, 10, 10, 5);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 8; ++x)
        for (int c = 0; c < 4; ++c) {
          EXPECT_EQ(ac4.at(x, y)[c], c == 3 ? 128 : 138);
          EXPECT_EQ(c4.at(x, y)[c], 138);
        }
    // 3 draws per pixel against 4: the streams end at different places.
    EXPECT_NE(s1, s2);
  }
}

TEST(ImageNoise, GaussianNoiseHasTheRequestedSpread) {
  GuardedImage img(256, 256, 1, 0);
  AddOnce(builtin::ippiAddRandGauss_Direct_8u_C1IR, img, 128, 0, 20, 1);
  double sum = 0, sq = 0;
  for (uint8_t v : img.Region()) {
    sum += v - 128;
    sq += (v - 128.0) * (v - 128.0);
  }
  const double n = 256.0 * 256.0, mean = sum / n;
  EXPECT_NEAR(mean, 0.0, 0.3);
  EXPECT_NEAR(std::sqrt(sq / n - mean * mean), 20.0, 1.0);  // truncation narrows it a little
}

TEST(ImageNoise, ArgumentChecksComeInTheirOrderAndChangeNothing) {
  GuardedImage img(4, 4, 4, 5);
  img.FillRegion(50);
  const std::vector<uint8_t> before = img.Region();
  for (const Form& f : Forms()) {
    SCOPED_TRACE(f.name);
    const bool widthFirst = f.pixel == f.touched && f.pixel > 1;  // C3 and C4
    unsigned int seed = 3;
    const struct {
      Ipp8u* p;
      int step;
      IppiSize size;
      unsigned int* seed;
      IppStatus expected;
    } cases[] = {
        {nullptr, 0, {0, 4}, nullptr, widthFirst ? ippStsSizeErr : ippStsNullPtrErr},
        {nullptr, 16, {4, 4}, &seed, ippStsNullPtrErr},
        {img.data(), 16, {4, 4}, nullptr, ippStsNullPtrErr},
        {img.data(), img.step(), {4, 0}, &seed, ippStsSizeErr},
        {img.data(), img.step(), {-1, 4}, &seed, ippStsSizeErr},
        {img.data(), 0, {4, 4}, &seed, ippStsStepErr},
        {img.data(), -16, {4, 4}, &seed, ippStsStepErr},
    };
    for (const auto& c : cases) {
      EXPECT_EQ(f.fn(c.p, c.step, c.size, 10, 20, c.seed), c.expected);
      EXPECT_EQ(seed, 3u);
    }
  }
  EXPECT_EQ(img.Region(), before);
  EXPECT_TRUE(img.OutsideUntouched());
}

// The Gaussian generator, value by value (no saturation hides a wrong value), against the
// model: means and deviations from 0 to 255, counts that end inside, on and just past the
// generator's blocks of pairs, two seeds each; about five million values.
TEST(GaussNoiseGenerator, GivesTheExtendedValuesAndTheSeedForEveryMeanAndDeviation) {
  namespace noise = builtin::noise;
  const int levels[] = {0, 1, 3, 20, 128, 254, 255};
  const int64_t counts[] = {1, 2, 3, 255, 256, 257, 513, 50001};
  std::mt19937 rng(11);
  int64_t values = 0;
  for (int mean : levels)
    for (int stdDev : levels)
      for (int64_t count : counts)
        for (int k = 0; k < 2; ++k) {
          const uint32_t seed = rng();
          SCOPED_TRACE(std::to_string(mean) + "," + std::to_string(stdDev) + " count " +
                       std::to_string(count) + " seed " + std::to_string(seed));
          const ModelNoise m = Gauss(seed, mean, stdDev, static_cast<size_t>(count));
          std::vector<int32_t> got(static_cast<size_t>(count));
          int64_t redone = 0;
          EXPECT_EQ(noise::GaussValues(seed, Ipp8u(mean), Ipp8u(stdDev), noise::kGuard, got.data(),
                                       count, &redone),
                    m.seed);
          const auto diff = std::mismatch(got.begin(), got.end(), m.values.begin());
          ASSERT_TRUE(diff.first == got.end()) << "value " << (diff.first - got.begin()) << ": "
                                               << *diff.first << " against " << *diff.second;
          values += count;
        }
  EXPECT_GT(values, 4000000);
}

// A wide guard sends many pairs (or all) through the extended redo, which must give each its
// own values in its place in the stream.
TEST(GaussNoiseGenerator, PairsWithinTheGuardAreRedoneInExtendedPrecision) {
  namespace noise = builtin::noise;
  const struct {
    double guard;
    int mean, stdDev;
    double least, most;  // share of pairs redone
  } cases[] = {
      {0.02, 0, 20, 0.02, 0.2},
      {0.02, 255, 255, 0.02, 0.2},
      {0.2, 128, 1, 0.3, 0.9},
      {0.5, 0, 20, 1.0, 1.0},
      {0.5, 37, 255, 1.0, 1.0},
      {0.5, 37, 0, 0.002, 0.02},  // zero noise: exact, but pairs next to the unit circle
  };
  for (const auto& c : cases)
    for (int64_t count : {7, 256, 1001, 20000}) {
      SCOPED_TRACE("guard " + std::to_string(c.guard) + " " + std::to_string(c.mean) + "," +
                   std::to_string(c.stdDev) + " count " + std::to_string(count));
      const uint32_t seed = 1234567u + static_cast<uint32_t>(count);
      const ModelNoise m = Gauss(seed, c.mean, c.stdDev, static_cast<size_t>(count));
      std::vector<int32_t> got(static_cast<size_t>(count));
      int64_t redone = 0;
      EXPECT_EQ(noise::GaussValues(seed, Ipp8u(c.mean), Ipp8u(c.stdDev), c.guard, got.data(), count,
                                   &redone),
                m.seed);
      EXPECT_EQ(got, m.values);
      const double pairs = static_cast<double>((count + 1) / 2);
      if (count < 1000 && c.least != 1.0) continue;  // too few pairs for a share
      EXPECT_GE(redone, c.least * pairs);
      EXPECT_LE(redone, c.most * pairs);
    }
}

// The double logarithm against the extended one over every exponent of (0, 1), around the
// mantissa's split at sqrt(2)/2 and next to 1, where the relative error is the largest: within
// the 2^-50 that the guard counts (the derivation in Noise.cpp gives 6 * 2^-53).
TEST(GaussNoiseLog, StaysWithinTheErrorTheGuardCounts) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> mantissa(0.5, 1.0);
  std::vector<double> xs;
  for (int e = -63; e <= 0; ++e)
    for (int i = 0; i < 40000; ++i) xs.push_back(std::ldexp(mantissa(rng), e));
  for (int i = 1; i <= 100000; ++i) {
    xs.push_back(1.0 - i * 0x1p-53);
    xs.push_back(1.0 - i * 0x1p-40);
    xs.push_back(std::nextafter(std::sqrt(0.5), 0.0) * (1.0 + (i - 50000) * 0x1p-52));
  }
  double worst = 0, at = 0;
  for (double x : xs) {
    const long double exact = std::log(static_cast<long double>(x));
    const double err = static_cast<double>(std::fabs((builtin::noise::Log(x) - exact) / exact));
    if (err > worst) worst = err, at = x;
  }
  RecordProperty("WorstRelativeErrorIn2ToMinus53", std::to_string(worst / 0x1p-53));
  EXPECT_LE(worst, 0x1p-50) << "at " << at;
  EXPECT_LE(worst, 6 * 0x1p-53) << "at " << at;
}

// The vector blocks against the plain double path on every target, on pairs from the stream
// and on edge pairs (a draw of 0, the smallest s, s next to 1), for block lengths that end
// inside and on the vectors, with the guard of the calls and a wide one.
TEST(GaussNoiseBlocks, EqualThePlainDoublePathOnEveryTarget) {
  namespace noise = builtin::noise;
  std::vector<int32_t> d1, d2;
  ModelStream stream(2718);
  while (d1.size() < 3000) {
    const int32_t a = stream.Draw(), b = stream.Draw();
    const long double x1 = a * noise::kDrawScale, x2 = b * noise::kDrawScale;
    const long double q = x1 * x1 + x2 * x2;
    if (q < 1 && q != 0) d1.push_back(a), d2.push_back(b);
  }
  const int32_t edges[][2] = {{0, 1},           {1, 0},           {-1, 0},
                              {0, 5000},        {1, 1},           {-1, -1},
                              {INT32_MAX, 0},   {-2147483647, 0}, {1518500249, 1518500249},
                              {-1518500250, 0}, {0, 0x7FFFFFF0}};
  for (auto [a, b] : edges) d1.insert(d1.begin(), a), d2.insert(d2.begin(), b);
  const size_t n = d1.size();
  std::vector<double> u1(n), u2(n), s(n);
  for (size_t i = 0; i < n; ++i) {
    const long double x1 = d1[i] * noise::kDrawScale, x2 = d2[i] * noise::kDrawScale;
    u1[i] = static_cast<double>(x1);
    u2[i] = static_cast<double>(x2);
    s[i] = static_cast<double>(x1 * x1 + x2 * x2);
    ASSERT_LT(x1 * x1 + x2 * x2, 1.0L) << i;
  }
  const struct {
    double mean, stdDev, guard;
  } cases[] = {{0, 20, noise::kGuard},
               {255, 255, noise::kGuard},
               {7, 0, noise::kGuard},
               {128, 3, 0.25},
               {0, 255, 0.5}};
  imagetest::ForEachVectorTarget([&] {
    const noise::GaussPairsFn vector = noise::VectorGaussPairs();
    for (const auto& c : cases)
      for (size_t len : {size_t{1}, size_t{3}, size_t{8}, size_t{13}, n}) {
        SCOPED_TRACE(std::to_string(c.mean) + "," + std::to_string(c.stdDev) + " guard " +
                     std::to_string(c.guard) + " length " + std::to_string(len));
        std::vector<int32_t> f1(len + 1, 77), s1(len + 1, 77), f2(len + 1, 77), s2(len + 1, 77);
        noise::GaussPairsPlain(u1.data(), u2.data(), s.data(), len, c.mean, c.stdDev, c.guard,
                               f1.data(), s1.data());
        vector(u1.data(), u2.data(), s.data(), len, c.mean, c.stdDev, c.guard, f2.data(),
               s2.data());
        EXPECT_EQ(f1, f2);
        EXPECT_EQ(s1, s2);
        EXPECT_EQ(f2[len], 77);  // nothing written past the block
      }
  });
}

// Whole calls of every Gaussian form over many blocks of pairs, padded and odd-sized.
TEST(ImageNoise, GaussianImagesOverManyBlocksMatchTheModel) {
  std::mt19937 rng(8);
  const int sizes[][2] = {{300, 3}, {129, 5}, {1, 700}, {61, 17}};
  for (const Form& f : Forms()) {
    if (!f.gauss) continue;
    for (auto [w, h] : sizes) {
      SCOPED_TRACE(f.name + " " + std::to_string(w) + "x" + std::to_string(h));
      GuardedImage img(w, h, f.pixel, 3);
      img.Randomize(rng);
      const std::vector<uint8_t> before = img.Region();
      unsigned int seed = rng();
      const ModelNoise m = Gauss(seed, 90, 50, static_cast<size_t>(w) * h * f.touched);
      ASSERT_EQ(f.fn(img.data(), img.step(), img.size(), Ipp8u(90), Ipp8u(50), &seed), ippStsNoErr);
      EXPECT_EQ(img.Region(), AddModel(before, f, w, h, m));
      EXPECT_EQ(seed, m.seed);
      EXPECT_TRUE(img.OutsideUntouched());
    }
  }
}

}  // namespace
