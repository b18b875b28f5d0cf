// Noise primitives (see Noise.h): one generator, two noise kinds and one walk over the
// bytes of a layout, the eight forms generated from a list.
#include "primitives/image/Noise.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
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
    if (static_cast<int32_t>(d) < 0) {
      borrow_ = 0xFFFFFFFFu;
      x_ = d - 18u;
    } else {
      borrow_ = 0;
      x_ = d;
    }
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
  TUniformNoise(uint32_t seed, Ipp8u low, Ipp8u high)
      : stream_(seed),
        scale_(static_cast<long double>(int{high} - int{low}) * static_cast<long double>(2.3283064365387e-10)),
        offset_(static_cast<long double>(int{low} + int{high}) * static_cast<long double>(0.5)) {}
  int32_t Next() { return fbTruncToInt32(stream_.Draw() * scale_ + offset_); }
  uint32_t Seed() const { return stream_.LastX(); }

 private:
  TDrawStream stream_;
  long double scale_, offset_;
};

class TGaussNoise {
 public:
  TGaussNoise(uint32_t seed, Ipp8u mean, Ipp8u stdDev) : stream_(seed), mean_(mean), stdDev_(stdDev) {}
  int32_t Next() {
    if (pending_) {
      pending_ = false;
      return second_;
    }
    constexpr long double kScale = 4.656612873077e-10;
    long double u1, u2, s;
    do {
      u1 = stream_.Draw() * kScale;
      u2 = stream_.Draw() * kScale;
      s = u1 * u1 + u2 * u2;
    } while (s >= 1.0L || s == 0.0L);
    const long double t = -2.0L * LibCLog(static_cast<double>(s)) / s;
    const long double r = LibCSqrt(static_cast<double>(t));
    const long double spread = stdDev_ * r;
    second_ = fbTruncToInt32(mean_ + u2 * spread);
    pending_ = true;
    return fbTruncToInt32(mean_ + u1 * spread);
  }
  uint32_t Seed() const { return stream_.LastX(); }

 private:
  TDrawStream stream_;
  long double mean_, stdDev_;
  bool pending_ = false;
  int32_t second_ = 0;
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
  Noise noise(*pSeed, parameters...);
  if constexpr (Channels == 0)
    AddToColours(p, step, size, noise);
  else
    AddToBytes(p, step, width, size.height, noise);
  *pSeed = noise.Seed();
  return ippStsNoErr;
}

}  // namespace

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
