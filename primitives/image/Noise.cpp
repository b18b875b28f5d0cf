// Noise primitives (see Noise.h): one generator, two noise kinds and one walk over the
// bytes of a layout, the eight forms generated from a list.
#include "primitives/image/Noise.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "primitives/image/NoiseKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace noise {

void ExactPair(int32_t d1, int32_t d2, long double mean, long double stdDev, int32_t out[2]) {
  const long double u1 = d1 * kDrawScale, u2 = d2 * kDrawScale;
  const long double s = u1 * u1 + u2 * u2;
  const long double t = -2.0L * LibCLog(static_cast<double>(s)) / s;
  const long double r = LibCSqrt(static_cast<double>(t));
  const long double spread = stdDev * r;
  out[0] = fbTruncToInt32(mean + u1 * spread);
  out[1] = fbTruncToInt32(mean + u2 * spread);
}

// The logarithm: x = 2^k * m with m in [sqrt(2)/2, sqrt(2)) (the exponent moved by one where
// the mantissa is above sqrt(2)), f = m - 1 (exact), z = f / (2 + f), and
// ln(1 + f) = 2z + z*R(z^2) with a minimax R of degree 14 whose own error is below 2^-58.45;
// 2z is formed as f - f^2/2 + z * f^2/2 (an identity), so that the large terms are exact or
// nearly so. k * ln2Hi is exact (ln2Hi has 32 low zero bits and |k| < 1075).
//
// Error: z carries two roundings (2 + f, the division), which move ln(1 + f) by at most
// 2.1 * 2^-53 of itself (its relative sensitivity to z is 1 / (1 - z^2) <= 1.03, |z| <= 0.172);
// the terms h = f^2/2 and z*(h + R) carry at most a few roundings each, and are at most 0.043
// and 0.015 of |ln(1 + f)| when k = 0, so they add below 2^-55 of it; the two final
// subtractions and the additions of k * ln2Lo round once each. For k = 0 the result is thus
// within 4 * 2^-53 of ln x relatively; for k != 0, |ln x| >= ln(2) / 2 and the absolute error of
// about 3 units of 2^-53 * max(|k| ln 2, 0.35) stays below 6 * 2^-53 of |ln x|. The guard below
// counts 2^-50 (NoiseTest measures the largest error over the whole range).
double Log(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const uint64_t moved = bits + kMantissaShift;
  const double k = static_cast<double>(static_cast<int32_t>(moved >> 52) - 1023);
  const uint64_t mbits = (moved & 0x000fffffffffffffu) + kMantissaBase;
  double m;
  std::memcpy(&m, &mbits, sizeof m);
  const double f = m - 1.0;
  const double h = 0.5 * f * f;
  const double z = f / (2.0 + f);
  const double z2 = z * z;
  const double w = z2 * z2;
  const double t1 = w * (kLg2 + w * (kLg4 + w * kLg6));
  const double t2 = z2 * (kLg1 + w * (kLg3 + w * (kLg5 + w * kLg7)));
  const double r = t2 + t1;
  return k * kLn2Hi - ((h - (z * (h + r) + k * kLn2Lo)) - f);
}

// The double path of a pair and its guard.
//
// Write e = 2^-53, E = 2^-64 (extended), K = kDrawScale (a double), and for a pair of draws
// d1, d2 the extended u = ext(d * K), s = ext(ext(u1^2) + ext(u2^2)), S = double(s); the double
// path's u' = dbl(d * K) and s' = dbl(dbl(u1'^2) + dbl(u2'^2)). Each u is within e (or E) of
// d * K, so s' = s(1 + d1) with |d1| <= 4.02e, and s' = S(1 + d2) with |d2| <= 5.03e.
//
// The extended chain approximates N = u1 * stdDev * sqrt(T), T = -2 ln(S) / s: the library's
// log rounds to double (e, its own error below 2^-62), -2L / s rounds once (E), double(t) (e),
// the square root of a double rounds to extended and then to double (E + e); stdDev * r is
// exact (8 by 53 bits); u1 * spread (E): its noise term is within 2.01e + E of N relatively
// (half the relative error under the root), and + mean adds E of the value.
//
// The double chain, for s' < kInside = 1 - 2^-7: then |ln S| > 2^-7, so ln s' = ln S + ln(1 + d2)
// is within 5.04e * 2^7 = 645e of ln S relatively; Log adds its own 2^-50 = 8e (counted; the
// derivation above gives 6e), the division by s' instead of s and its rounding 5.02e: T within
// 660e; the root halves that and rounds (331e); stdDev * r (e), u1' against u1 (e + E), the
// product (e): the noise term is within 335e of N relatively, and + mean adds e of the value.
//
// |u1| <= sqrt(s) and s >= K^2 > 2^-62.1 give |N| <= 255 * sqrt(-2 ln s) <= 255 * 9.28 < 2^12,
// so both values are below 2^12 in magnitude and differ by less than
// 2^12 * (335e + 2.02e + 1.01e) < 2^-32.5. kGuard = 2^-28 leaves a factor of 22 over that. A
// double value farther than the guard from every integer truncates as the extended one (both lie
// strictly between the same two integers). A zero noise term (stdDev 0, or a draw of 0) gives
// exactly the mean on both paths. The values never come near the int32 range's edges;
// |value| < 2^30 is checked all the same, and a NaN s (a pair the caller leaves to the extended
// path) fails that check.
void GaussPairsPlain(const double* u1, const double* u2, const double* s, size_t n, double mean,
                     double stdDev, double guard, int32_t* first, int32_t* second) {
  const auto doubtful = [guard](double p, double v) {
    return !(std::fabs(v) < 0x1p30) || (std::fabs(v - std::nearbyint(v)) <= guard && p != 0.0);
  };
  for (size_t i = 0; i < n; ++i) {
    const double l = Log(s[i]);
    const double t = (l * -2.0) / s[i];
    const double r = std::sqrt(t);
    const double spread = stdDev * r;
    const double p1 = u1[i] * spread, p2 = u2[i] * spread;
    const double v1 = mean + p1, v2 = mean + p2;
    if (doubtful(p1, v1) || doubtful(p2, v2)) {
      first[i] = kRedo;
      second[i] = 0;
    } else {
      first[i] = static_cast<int32_t>(v1);
      second[i] = static_cast<int32_t>(v2);
    }
  }
}

}  // namespace noise

namespace {

constexpr uint32_t Congruential(uint32_t v) { return v * 69069u + 1013904243u; }
constexpr uint32_t CongruentialTwice(uint32_t v) { return v * 475559465u + 924302730u; }
static_assert(Congruential(Congruential(12345u)) == CongruentialTwice(12345u));

// The stream of draws of one call.
class TDrawStream {
 public:
  explicit TDrawStream(uint32_t seed)
      : a1_(seed), a2_(Congruential(seed)), a3_(CongruentialTwice(seed)), x_(seed) {}

  int32_t Draw() {
    const uint32_t d = a2_ - a3_ + borrow_;
    // All ones when d is negative, else 0: the sign taken without a branch (it is a coin toss).
    borrow_ = static_cast<uint32_t>(static_cast<int32_t>(d) >> 31);
    x_ = d - (borrow_ & 18u);
    a3_ = a2_;
    a2_ = a1_;
    a1_ = x_;
    y_ = Congruential(y_);
    return static_cast<int32_t>(x_ + y_);
  }
  // The last subtract-with-borrow value: the seed that continues the stream.
  uint32_t LastX() const { return x_; }

 private:
  uint32_t a1_, a2_, a3_;
  uint32_t borrow_ = 0xFFFFFFFFu;
  uint32_t y_ = 1131199209u;
  uint32_t x_;
};

class TUniformNoise {
 public:
  TUniformNoise(uint32_t seed, Ipp8u low, Ipp8u high, int64_t /*count*/)
      : stream_(seed),
        scale_(static_cast<long double>(int{high} - int{low}) *
               static_cast<long double>(2.3283064365387e-10)),
        offset_(static_cast<long double>(int{low} + int{high}) * static_cast<long double>(0.5)) {}
  int32_t Next() { return fbTruncToInt32(stream_.Draw() * scale_ + offset_); }
  uint32_t Seed() const { return stream_.LastX(); }

 private:
  TDrawStream stream_;
  long double scale_, offset_;
};

// The Gaussian generator draws blocks of accepted pairs in sequence (the rejection test in
// double, and in extended precision next to the unit circle, where the double could decide
// otherwise), computes their values through the vector blocks of the double path, redoes the
// pairs they mark in extended precision, and hands the values out in order. A block holds no
// more pairs than the call still needs, and the seed returned is the stream's value after the
// pair of the last value handed out, so the stream ends where the pair-by-pair generator ends
// it.
class TGaussNoise {
 public:
  TGaussNoise(uint32_t seed, Ipp8u mean, Ipp8u stdDev, int64_t count, double guard = noise::kGuard)
      : stream_(seed), mean_(mean), stdDev_(stdDev), guard_(guard), remaining_(count) {}
  int32_t Next() {
    if (next_ == filled_) Refill();
    return values_[next_++];
  }
  uint32_t Seed() const { return next_ == 0 ? stream_.LastX() : pairSeed_[(next_ - 1) / 2]; }
  int64_t Redone() const { return redone_; }

 private:
  static constexpr size_t kPairs = 128;

  void Refill() {
    const size_t pairs = static_cast<size_t>(std::clamp<int64_t>((remaining_ + 1) / 2, 1, kPairs));
    alignas(64) double u1[kPairs], u2[kPairs], s[kPairs];
    alignas(64) int32_t first[kPairs], second[kPairs];
    int32_t d1[kPairs], d2[kPairs];
    // Every attempt is written at the next free place, which moves on only when the pair is
    // accepted: no branch on the common rejection (one attempt in five).
    for (size_t i = 0; i < pairs;) {
      const int32_t a = stream_.Draw(), b = stream_.Draw();
      // The double s is within 4.02 * 2^-53 of the extended one, relatively (see
      // GaussPairsPlain); both are 0 exactly for two draws of 0.
      const double x1 = a * static_cast<double>(noise::kDrawScale);
      const double x2 = b * static_cast<double>(noise::kDrawScale);
      double q = x1 * x1 + x2 * x2;
      bool accepted = q < noise::kInside && q != 0.0;
      if (!(q < noise::kInside) && q < 1.0 + 0x1p-40) {  // beyond, the extended s is 1 or more too
        // Next to the unit circle the extended test decides, and an accepted pair is left to
        // the extended path: its s is marked NaN, which makes the double path mark the pair.
        const long double y1 = a * noise::kDrawScale, y2 = b * noise::kDrawScale;
        accepted = y1 * y1 + y2 * y2 < 1.0L;
        q = std::numeric_limits<double>::quiet_NaN();
      }
      d1[i] = a;
      d2[i] = b;
      u1[i] = x1;
      u2[i] = x2;
      s[i] = q;
      pairSeed_[i] = stream_.LastX();
      i += accepted;
    }
    pairsFn_(u1, u2, s, pairs, static_cast<double>(mean_), static_cast<double>(stdDev_), guard_,
             first, second);
    for (size_t i = 0; i < pairs; ++i) {
      int32_t v[2] = {first[i], second[i]};
      if (v[0] == noise::kRedo) {
        noise::ExactPair(d1[i], d2[i], mean_, stdDev_, v);
        ++redone_;
      }
      values_[2 * i] = v[0];
      values_[2 * i + 1] = v[1];
    }
    next_ = 0;
    filled_ = 2 * pairs;
    remaining_ -= static_cast<int64_t>(filled_);
  }

  TDrawStream stream_;
  long double mean_, stdDev_;
  double guard_;
  noise::GaussPairsFn pairsFn_ = noise::VectorGaussPairs();
  int64_t remaining_, redone_ = 0;
  size_t next_ = 0, filled_ = 0;
  int32_t values_[2 * kPairs];
  uint32_t pairSeed_[kPairs];
};

inline void AddTo(uint8_t& p, int32_t n) {
  p = static_cast<uint8_t>(std::clamp<int64_t>(int64_t{p} + n, 0, 255));
}

// Adds noise to every byte of rows of `bytes` bytes, in order; rows that follow one another
// in memory are worked as one (the order of the bytes, and so of the draws, is the same).
template <class Noise>
void AddToBytes(Ipp8u* p, int step, int64_t bytes, int height, Noise& noise) {
  if (bytes > INT32_MAX) {
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = rows::Row(p, step, y);
      for (int64_t i = 0; i < bytes; ++i) AddTo(row[i], noise.Next());
    }
    return;
  }
  const IppiSize walk = rows::MergeRows(IppiSize{static_cast<int32_t>(bytes), height}, step, bytes);
  for (int32_t y = 0; y < walk.height; ++y) {
    uint8_t* row = rows::Row(p, step, y);
    for (ptrdiff_t i = 0; i < walk.width; ++i) AddTo(row[i], noise.Next());
  }
}

// Adds noise to the three colour bytes of each four-byte pixel.
template <class Noise>
void AddToColours(Ipp8u* p, int step, IppiSize size, Noise& noise) {
  for (int32_t y = 0; y < size.height; ++y) {
    uint8_t* row = rows::Row(p, step, y);
    for (ptrdiff_t x = 0; x < size.width; ++x)
      for (int c = 0; c < 3; ++c) AddTo(row[4 * x + c], noise.Next());
  }
}

IppStatus CheckBytes(const Ipp8u* p, int step, int64_t width, int height, const unsigned int* pSeed) {
  if (!p || !pSeed) return ippStsNullPtrErr;
  if (height < 1 || width < 1) return ippStsSizeErr;
  if (step < 1) return ippStsStepErr;
  return ippStsNoErr;
}

// channels 1, 3 or 4: every byte of each pixel; 0: the colour bytes of four-byte pixels.
template <class Noise, int Channels, class... Parameters>
IppStatus AddNoise(Ipp8u* p, int step, IppiSize size, unsigned int* pSeed, Parameters... parameters) {
  if (Channels > 1 && size.width < 1) return ippStsSizeErr;
  const int64_t width = int64_t{size.width} * (Channels > 1 ? Channels : 1);
  if (IppStatus s = CheckBytes(p, step, width, size.height, pSeed); s != ippStsNoErr) return s;
  // The number of values the call takes: bytes of each row times rows.
  const int64_t count = (Channels == 0 ? int64_t{size.width} * 3 : width) * size.height;
  Noise noise(*pSeed, parameters..., count);
  if constexpr (Channels == 0)
    AddToColours(p, step, size, noise);
  else
    AddToBytes(p, step, width, size.height, noise);
  *pSeed = noise.Seed();
  return ippStsNoErr;
}

}  // namespace

uint32_t noise::GaussValues(uint32_t seed, uint8_t mean, uint8_t stdDev, double guard,
                            int32_t* values, int64_t count, int64_t* redone) {
  TGaussNoise g(seed, mean, stdDev, count, guard);
  for (int64_t i = 0; i < count; ++i) values[i] = g.Next();
  *redone = g.Redone();
  return g.Seed();
}

// The forms: noise kind, its generator, the names of its two parameters, layout, channels the
// noise is added to (0: the colour bytes of four-byte pixels).
#define PF_NOISE_FORMS(X)                      \
  X(Uniform, TUniformNoise, low, high, C1, 1)  \
  X(Uniform, TUniformNoise, low, high, C3, 3)  \
  X(Uniform, TUniformNoise, low, high, C4, 4)  \
  X(Uniform, TUniformNoise, low, high, AC4, 0) \
  X(Gauss, TGaussNoise, mean, stdDev, C1, 1)   \
  X(Gauss, TGaussNoise, mean, stdDev, C3, 3)   \
  X(Gauss, TGaussNoise, mean, stdDev, C4, 4)   \
  X(Gauss, TGaussNoise, mean, stdDev, AC4, 0)
#define PF_NOISE_DEFINE(kind, Noise, a, b, layout, channels)                                       \
  IppStatus ippiAddRand##kind##_Direct_8u_##layout##IR(Ipp8u* pSrcDst, int srcDstStep,             \
                                                       IppiSize roiSize, Ipp8u a, Ipp8u b,         \
                                                       unsigned int* pSeed) {                      \
    return AddNoise<Noise, channels>(pSrcDst, srcDstStep, roiSize, pSeed, a, b);                   \
  }
PF_NOISE_FORMS(PF_NOISE_DEFINE)
#undef PF_NOISE_DEFINE
#undef PF_NOISE_FORMS

}  // namespace builtin
