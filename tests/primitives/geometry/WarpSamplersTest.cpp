// The samplers' shared vector arithmetic (WarpSamplersHwy-inl.h) against the plain samplers'
// own functions, value by value and bit for bit, on every vector target. The warp and remap
// tests compare whole images, where a weight one bit off seldom moves a byte; here every
// weight, sum and rounding is compared, so such a slip shows whatever the data.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "tests/primitives/geometry/WarpSamplersTest.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/geometry/WarpSamplersHwy-inl.h"

HWY_BEFORE_NAMESPACE();
namespace samplertest {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
namespace wv = builtin::warp::HWY_NAMESPACE;

// Arrays of n values (n a multiple of every target's lanes), vectors of several values in
// planes of n: plane j of a at a + j n.
using DF = hn::ScalableTag<double>;
using DI = hn::Rebind<int32_t, DF>;
using VF = hn::Vec<DF>;

// The cubic weights of each fraction t: weight j in plane j of w.
void CubicWeights(const double* t, size_t n, double* w) {
  const DF df;
  for (size_t i = 0; i < n; i += hn::Lanes(df)) {
    const wv::WeightsV<VF> ws = wv::CubicWeightsOf(hn::LoadU(df, t + i));
    for (size_t j = 0; j < 4; ++j) hn::StoreU(ws.w[j], df, w + j * n + i);
  }
}

// The cubic of each window and its stored byte: sample (r, k) in plane 4 r + k of samples, the
// weights in the planes of wx and wy.
void CubicValues(const double* samples, const double* wx, const double* wy, size_t n, double* sum,
                 int32_t* out) {
  const DF df;
  const auto load = [&](const double* planes, size_t j, size_t i) {
    return hn::LoadU(df, planes + j * n + i);
  };
  for (size_t i = 0; i < n; i += hn::Lanes(df)) {
    const wv::WeightsV<VF> x{{load(wx, 0, i), load(wx, 1, i), load(wx, 2, i), load(wx, 3, i)}};
    const wv::WeightsV<VF> y{{load(wy, 0, i), load(wy, 1, i), load(wy, 2, i), load(wy, 3, i)}};
    VF h[4];
    for (size_t r = 0; r < 4; ++r)
      h[r] = wv::Weigh(x, load(samples, 4 * r, i), load(samples, 4 * r + 1, i),
                       load(samples, 4 * r + 2, i), load(samples, 4 * r + 3, i));
    const VF v = wv::Weigh(y, h[0], h[1], h[2], h[3]);
    hn::StoreU(v, df, sum + i);
    hn::StoreU(wv::CubicStore(v), DI(), out + i);
  }
}

// cubic::Store of each value.
void CubicStores(const double* v, size_t n, int32_t* out) {
  const DF df;
  for (size_t i = 0; i < n; i += hn::Lanes(df))
    hn::StoreU(wv::CubicStore(hn::LoadU(df, v + i)), DI(), out + i);
}

// The blends of each 2 x 2 window (p00, p01, p10, p11 in planes 0..3 of p), in the linear
// sampler's rounding and in the bilinear warps'.
void Blends(const double* p, const double* fx, const double* fy, size_t n, int32_t* linear,
            int32_t* halfLast) {
  const DF df;
  for (size_t i = 0; i < n; i += hn::Lanes(df)) {
    const VF p00 = hn::LoadU(df, p + i), p01 = hn::LoadU(df, p + n + i);
    const VF p10 = hn::LoadU(df, p + 2 * n + i), p11 = hn::LoadU(df, p + 3 * n + i);
    const VF d0 = hn::Sub(p01, p00), d1 = hn::Sub(p11, p10);
    const VF x = hn::LoadU(df, fx + i), y = hn::LoadU(df, fy + i);
    hn::StoreU(wv::Blend<false>(p00, d0, p10, d1, x, y), DI(), linear + i);
    hn::StoreU(wv::Blend<true>(p00, d0, p10, d1, x, y), DI(), halfLast + i);
  }
}

// Each word's first three bytes to its four-byte pixel from dst on, a vector at a time.
void ThreeOfFour(const int32_t* words, size_t n, uint8_t* dst) {
  const DI di;
  for (size_t i = 0; i < n; i += hn::Lanes(di))
    wv::StoreThreeOfFour(hn::LoadU(di, words + i), dst + 4 * i);
}

}  // namespace HWY_NAMESPACE
}  // namespace samplertest
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "primitives/geometry/BilinearKernels.h"
#include "primitives/geometry/CubicInterp.h"
#include "primitives/geometry/WarpKernels.h"
#include "tests/primitives/HwyTargets.h"

namespace samplertest {

HWY_EXPORT(CubicWeights);
HWY_EXPORT(CubicValues);
HWY_EXPORT(CubicStores);
HWY_EXPORT(Blends);
HWY_EXPORT(ThreeOfFour);

namespace {

namespace warp = builtin::warp;
namespace cubic = builtin::cubic;

constexpr size_t kCount = 4096;  // a multiple of every target's lanes

// n values past the given ones (up to a multiple of 8) drawn by draw.
template <class T, class Draw>
std::vector<T> Values(std::vector<T> given, size_t n, Draw&& draw) {
  while (given.size() % 8 != 0 || given.size() < n) given.push_back(static_cast<T>(draw()));
  return given;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof(double)) == 0; }

// Fractions as the samplers make them (floats, within about -1..2 at the image's borders):
// whole and half values, their neighbours, and random ones.
std::vector<double> Fractions(std::mt19937& rng) {
  std::vector<double> t;
  for (float f : {-1.0f, -0.5f, 0.0f, 0.25f, 0.5f, 1.0f, 1.5f, 2.0f}) {
    t.push_back(f);
    t.push_back(std::nextafter(f, -3.0f));
    t.push_back(std::nextafter(f, 3.0f));
  }
  std::uniform_real_distribution<float> any(-1.0f, 2.0f);
  return Values(t, kCount, [&] { return any(rng); });
}

TEST(WarpSamplers, CubicWeightsEqualThePlainWeightsBitForBitOnEveryTarget) {
  std::mt19937 rng(5);
  const std::vector<double> t = Fractions(rng);
  const size_t n = t.size();
  imagetest::ForEachVectorTarget([&] {
    std::vector<double> w(4 * n);
    HWY_DYNAMIC_DISPATCH(CubicWeights)(t.data(), n, w.data());
    for (size_t i = 0; i < n; ++i) {
      const cubic::Weights want = cubic::WeightsOf(static_cast<float>(t[i]));
      const double plain[4] = {want.w0, want.w1, want.w2, want.w3};
      for (size_t j = 0; j < 4; ++j)
        ASSERT_TRUE(SameBits(w[j * n + i], plain[j]))
            << "fraction " << t[i] << ", weight " << j << ": " << w[j * n + i] << " against "
            << plain[j];
    }
  });
}

// Windows of bytes with the weights of sampler fractions: each window's sum, bit for bit, and its
// stored byte as cubic::Interpolate and cubic::Store make them; values past 0..255 included.
TEST(WarpSamplers, CubicSumsAndStoresEqualThePlainInterpolationOnEveryTarget) {
  std::mt19937 rng(6);
  const std::vector<double> t = Fractions(rng);
  const size_t n = t.size();
  std::vector<double> samples(16 * n), wx(4 * n), wy(4 * n);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<cubic::Weights> px(n), py(n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < 16; ++j) samples[j * n + i] = byte(rng);
    px[i] = cubic::WeightsOf(static_cast<float>(t[i]));
    py[i] = cubic::WeightsOf(static_cast<float>(t[(i * 7 + 3) % n]));
    const double x[4] = {px[i].w0, px[i].w1, px[i].w2, px[i].w3};
    const double y[4] = {py[i].w0, py[i].w1, py[i].w2, py[i].w3};
    for (size_t j = 0; j < 4; ++j) wx[j * n + i] = x[j], wy[j * n + i] = y[j];
  }
  // The stored byte of single values: about the rounding thresholds, beyond both ends, and
  // not a number.
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> given = {std::numeric_limits<double>::quiet_NaN(),
                               -inf,
                               inf,
                               -0.0,
                               -1e-300,
                               0.0,
                               255.0,
                               1e300,
                               -1e300};
  for (double v : {0.5, 1.5, 127.5, 254.5, 255.5, 255.0})
    for (double u : {std::nextafter(v, 0.0), v, std::nextafter(v, 300.0)}) given.push_back(u);
  std::uniform_real_distribution<double> around(-8.0, 264.0);
  const std::vector<double> values = Values(given, 1024, [&] { return around(rng); });
  imagetest::ForEachVectorTarget([&] {
    std::vector<double> sum(n);
    std::vector<int32_t> got(n);
    HWY_DYNAMIC_DISPATCH(CubicValues)
    (samples.data(), wx.data(), wy.data(), n, sum.data(), got.data());
    for (size_t i = 0; i < n; ++i) {
      const double v = cubic::Interpolate(
          px[i], py[i], [&](int r, int k) { return samples[(4 * r + k) * n + i]; });
      ASSERT_TRUE(SameBits(sum[i], v)) << "window " << i << ": " << sum[i] << " against " << v;
      ASSERT_EQ(got[i], cubic::Store<uint8_t>(v)) << "window " << i << ", value " << v;
    }
    std::vector<int32_t> stored(values.size());
    HWY_DYNAMIC_DISPATCH(CubicStores)(values.data(), values.size(), stored.data());
    for (size_t i = 0; i < values.size(); ++i)
      EXPECT_EQ(stored[i], cubic::Store<uint8_t>(values[i])) << "value " << values[i];
  });
}

// Windows whose blends land on and about the rounding thresholds k + 0.5, against the plain
// linear pixel and the bilinear warps' pixel. The two round apart only now and then (a sum one
// bit either side of the threshold): the windows include such cases, picked by the plain
// pixels themselves.
TEST(WarpSamplers, BlendsRoundAsThePlainLinearPixelsOnEveryTarget) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Window {
    uint8_t p[4];  // row 0 then row 1, a pixel of one channel each
    double fx, fy;
  };
  const auto plainOf = [](const Window& w, bool halfLast) {
    uint8_t out = 0;
    if (halfLast)
      warp::BilinearLinearPixel8<1, 1>(w.p, 2, w.fx, w.fy, &out);
    else
      warp::LinearSampler::Pixel8<1, 1>(w.p, 2, w.fx, w.fy, &out);
    return out;
  };
  std::vector<Window> windows;
  size_t apart = 0;
  for (int tries = 0; tries < 1 << 22 && (apart < 64 || windows.size() < kCount); ++tries) {
    Window w{{static_cast<uint8_t>(byte(rng)), static_cast<uint8_t>(byte(rng)),
              static_cast<uint8_t>(byte(rng)), static_cast<uint8_t>(byte(rng))},
             unit(rng),
             unit(rng)};
    // fy putting the blend on a threshold between the rows' values, or a bit either side.
    const double top = w.p[0] + w.fx * (w.p[1] - w.p[0]);
    const double bottom = w.p[2] + w.fx * (w.p[3] - w.p[2]);
    const double k = std::floor(std::min(top, bottom) + unit(rng) * std::abs(bottom - top));
    if (bottom != top) w.fy = std::clamp((k + 0.5 - top) / (bottom - top), 0.0, 1.0);
    if (tries % 3 == 1) w.fy = std::nextafter(w.fy, -1.0);
    if (tries % 3 == 2) w.fy = std::nextafter(w.fy, 2.0);
    const bool differ = plainOf(w, false) != plainOf(w, true);
    if (differ && apart < 64)
      ++apart, windows.push_back(w);
    else if (!differ && windows.size() < kCount + apart)
      windows.push_back(w);
  }
  ASSERT_GE(apart, 64u);
  while (windows.size() % 8 != 0) windows.push_back(windows.back());
  const size_t n = windows.size();
  std::vector<double> p(4 * n), fx(n), fy(n);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < 4; ++j) p[j * n + i] = windows[i].p[j];
    fx[i] = windows[i].fx, fy[i] = windows[i].fy;
  }
  imagetest::ForEachVectorTarget([&] {
    std::vector<int32_t> linear(n), halfLast(n);
    HWY_DYNAMIC_DISPATCH(Blends)(p.data(), fx.data(), fy.data(), n, linear.data(), halfLast.data());
    for (size_t i = 0; i < n; ++i) {
      ASSERT_EQ(linear[i], plainOf(windows[i], false))
          << "window " << i << " at " << fx[i] << ", " << fy[i];
      ASSERT_EQ(halfLast[i], plainOf(windows[i], true))
          << "window " << i << " at " << fx[i] << ", " << fy[i];
    }
  });
}

// Each pixel gets its word's first three bytes; its fourth byte, and every byte past the last
// pixel, keep their values.
TEST(WarpSamplers, ThreeOfFourStoreLeavesEveryFourthByteOnEveryTarget) {
  constexpr size_t n = 16, kTail = 16;
  std::vector<int32_t> words(n);
  std::mt19937 rng(8);
  for (int32_t& w : words) w = static_cast<int32_t>(rng());
  imagetest::ForEachVectorTarget([&] {
    std::vector<uint8_t> dst(4 * n + kTail, 0xA5);
    HWY_DYNAMIC_DISPATCH(ThreeOfFour)(words.data(), n, dst.data());
    for (size_t k = 0; k < n; ++k) {
      uint8_t want[4];
      std::memcpy(want, &words[k], 4);
      want[3] = 0xA5;
      EXPECT_EQ(std::memcmp(&dst[4 * k], want, 4), 0) << "pixel " << k;
    }
    for (size_t i = 4 * n; i < dst.size(); ++i) EXPECT_EQ(dst[i], 0xA5) << "byte " << i;
  });
}

}  // namespace
}  // namespace samplertest
#endif  // HWY_ONCE
