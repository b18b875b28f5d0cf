// The four-point cubic routines: nodes reproduce their samples, the 8-bit and 16-bit stores
// round and clamp, the interleaved forms write exactly count outputs, the planar forms agree
// with the interleaved ones, and random windows agree with a product-form model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "primitives/geometry/CubicInterp.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using builtin::fbCubicInterp16u;
using builtin::fbCubicInterp32f;
using builtin::fbCubicInterp8u;

// A 4 x 4 window of one channel, rows 4 samples apart.
template <typename T>
struct Window {
  T s[4][4];
  int step() const { return 4 * sizeof(T); }
};

// The Lagrange weights in their product form, in long double: an independent model.
long double Lagrange(int k, long double t) {
  switch (k) {
    case 0: return -t * (t - 1) * (t - 2) / 6;
    case 1: return (t + 1) * (t - 1) * (t - 2) / 2;
    case 2: return -(t + 1) * t * (t - 2) / 2;
    default: return (t + 1) * t * (t - 1) / 6;
  }
}
template <typename T>
long double Model(const Window<T>& w, float fx, float fy) {
  long double v = 0;
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 4; ++k) v += Lagrange(r, fy) * Lagrange(k, fx) * w.s[r][k];
  return v;
}

TEST(CubicInterp, NodesReturnTheirSampleInEveryType) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> byte(0, 255);
  struct Node { float fx, fy; int row, col; };
  const Node nodes[] = {{0, 0, 1, 1}, {2, 2, 3, 3}, {-1, 0, 1, 0}, {1, 1, 2, 2}, {-1, -1, 0, 0},
                        {2, -1, 0, 3}};
  for (const Node& n : nodes) {
    Window<Ipp8u> w8;
    Window<Ipp16u> w16;
    Window<Ipp32f> w32;
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) {
        w8.s[r][k] = static_cast<Ipp8u>(byte(rng));
        w16.s[r][k] = static_cast<Ipp16u>(byte(rng) * 257);
        w32.s[r][k] = static_cast<Ipp32f>(byte(rng)) * 0.37f - 20.0f;
      }
    Ipp8u d8 = 0;
    Ipp16u d16 = 0;
    Ipp32f d32 = 0;
    fbCubicInterp8u(&w8.s[0][0], w8.step(), 1, &d8, 1, n.fx, n.fy);
    fbCubicInterp16u(&w16.s[0][0], w16.step(), 1, &d16, 1, n.fx, n.fy);
    fbCubicInterp32f(&w32.s[0][0], w32.step(), 1, &d32, 1, n.fx, n.fy);
    SCOPED_TRACE(testing::Message() << "fx " << n.fx << " fy " << n.fy);
    EXPECT_EQ(d8, w8.s[n.row][n.col]);
    EXPECT_EQ(d16, w16.s[n.row][n.col]);
    EXPECT_EQ(d32, w32.s[n.row][n.col]);
  }
}

TEST(CubicInterp, EightBitStoreRoundsAndClamps) {
  // Every row holds the same four samples, so fy = 0 leaves the row interpolation alone.
  struct Case { Ipp8u row[4]; float fx, fy; Ipp8u expected; };
  const Case cases[] = {
      {{0, 255, 255, 0}, 0.5f, 0.0f, 255},      // 286.9: above the range
      {{255, 0, 0, 255}, 0.5f, 0.0f, 0},        // -31.9: below it
      {{127, 127, 128, 128}, 0.5f, 0.0f, 128},  // exactly 127.5 rounds up
  };
  for (const Case& c : cases) {
    Window<Ipp8u> w;
    for (auto& r : w.s) std::memcpy(r, c.row, 4);
    Ipp8u d = 7;
    fbCubicInterp8u(&w.s[0][0], w.step(), 1, &d, 1, c.fx, c.fy);
    EXPECT_EQ(d, c.expected);
  }
  // One 255 at (1, 1) in zeros, at the middle: trunc(255 * 0.5625^2 + 0.5).
  Window<Ipp8u> spike{};
  spike.s[1][1] = 255;
  Ipp8u d = 0;
  fbCubicInterp8u(&spike.s[0][0], spike.step(), 1, &d, 1, 0.5f, 0.5f);
  EXPECT_EQ(d, 81);
  // 16-bit: the same shapes scaled to the 16-bit range.
  Window<Ipp16u> over, under;
  const Ipp16u up[4] = {0, 65535, 65535, 0}, down[4] = {65535, 0, 0, 65535};
  for (int r = 0; r < 4; ++r) {
    std::memcpy(over.s[r], up, sizeof up);
    std::memcpy(under.s[r], down, sizeof down);
  }
  Ipp16u o = 1, u = 1;
  fbCubicInterp16u(&over.s[0][0], over.step(), 1, &o, 1, 0.5f, 0.0f);
  fbCubicInterp16u(&under.s[0][0], under.step(), 1, &u, 1, 0.5f, 0.0f);
  EXPECT_EQ(o, 65535);
  EXPECT_EQ(u, 0);
  // Float results are not clamped.
  Window<Ipp32f> flat;
  for (auto& r : flat.s)
    for (auto& v : r) v = -1000.0f;
  Ipp32f f = 0;
  fbCubicInterp32f(&flat.s[0][0], flat.step(), 1, &f, 1, 0.3f, 0.7f);
  EXPECT_EQ(f, -1000.0f);
}

TEST(CubicInterp, RandomWindowsAgreeWithTheProductForm) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<float> frac(-1.0f, 2.0f);
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    Window<Ipp8u> w;
    Window<Ipp32f> wf;
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) {
        w.s[r][k] = static_cast<Ipp8u>(byte(rng));
        wf.s[r][k] = static_cast<Ipp32f>(w.s[r][k]);
      }
    const float fx = frac(rng), fy = frac(rng);
    const long double v = Model(w, fx, fy);
    Ipp8u d = 0;
    Ipp32f df = 0;
    fbCubicInterp8u(&w.s[0][0], w.step(), 1, &d, 1, fx, fy);
    fbCubicInterp32f(&wf.s[0][0], wf.step(), 1, &df, 1, fx, fy);
    EXPECT_NEAR(df, static_cast<double>(v), 1e-9 * 4096 + 1e-3);
    // Skip the values whose rounding the two evaluations may see differently.
    const long double shifted = v + 0.5L;
    if (std::fabs(shifted - std::round(shifted)) < 1e-9L) continue;
    const long double clamped = v > 255 ? 255 : v < 0 ? 0 : std::floor(shifted);
    ASSERT_EQ(d, static_cast<int>(clamped)) << "fx " << fx << " fy " << fy;
    ++compared;
  }
  EXPECT_GT(compared, 19000);
}

TEST(CubicInterp, InterleavedFormsWriteCountOutputsAndPlanarFormsAgree) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> byte(0, 255);
  // A 4 x 4 window of AC4 pixels: 16 bytes per row.
  std::vector<Ipp8u> src(4 * 16);
  for (auto& b : src) b = static_cast<Ipp8u>(byte(rng));
  for (int count = 3; count <= 4; ++count) {
    imagetest::GuardedVector dst(count, 1);
    std::memset(dst.data(), 0xEE, count);
    fbCubicInterp8u(src.data(), 16, 4, dst.data(), count, 0.25f, 0.75f);
    EXPECT_TRUE(dst.OutsideUntouched()) << "count " << count;
    // Channel c equals a planar call on that channel's samples.
    for (int c = 0; c < count; ++c) {
      std::vector<Ipp8u> plane(16);
      for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) plane[r * 4 + k] = src[r * 16 + k * 4 + c];
      const Ipp8u* planes[1] = {plane.data()};
      Ipp8u out = 0;
      Ipp8u* outs[1] = {&out};
      builtin::fbCubicInterp8uPlanar(planes, 4, 0, outs, 0, 1, 0.25f, 0.75f);
      EXPECT_EQ(dst.data()[c], out) << "channel " << c;
    }
  }
  // A count below 1 writes nothing.
  imagetest::GuardedVector none(1, 1);
  none.data()[0] = 0x5A;
  fbCubicInterp8u(src.data(), 16, 4, none.data(), 0, 0.5f, 0.5f);
  EXPECT_EQ(none.data()[0], 0x5A);
}

}  // namespace
