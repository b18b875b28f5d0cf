// The four-point cubic routines: nodes reproduce their samples, the 8-bit and 16-bit stores
// round and clamp, the interleaved forms write exactly count outputs, the planar forms agree
// with the interleaved ones, random windows agree with a product-form model, and the 16-bit
// and float planar forms give the bytes of the cubic warp and remap kernels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/CubicInterp.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/resampling/Remap.h"
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

// The planar 16-bit and float routines, given what the cubic kernels of the planar layouts
// compute for a destination pixel (window start and fractions from the source position, the
// whole image's last column and row bounding the window), give the bytes those kernels
// write: the affine warp engine (16u and 32f, P3 and P4) and the remap kernels (32f P3 and
// P4). The affine coefficients are chosen so that every source position is exact in double
// (powers of two over region sides of a power of two plus one), so the position of a pixel
// is its inverse image; the remap positions are the maps' random floats.
TEST(CubicInterp, PlanarFormsGiveTheBytesOfTheCubicWarpAndRemapKernels) {
  using namespace builtin::warp;
  enum Path { kAffine, kRemap };
  struct Case {
    Path path;
    int type, planes;
    IppiSize src;
    IppiRect dst;              // the destination region; the image reaches its far corner
    const double (*f)[3] = {};  // the forward affine coefficients
  };
  const double scaleShear[2][3] = {{2, 0.5, 0.25}, {0, 4, -1.5}};
  const double shear[2][3] = {{1, 0.5, 1.25}, {0, 1, 0.75}};
  const double flip[2][3] = {{-1, 0, 16.5}, {0.25, 1, 0.5}};
  const Case cases[] = {
      {kAffine, kType16u, 3, {17, 9}, {0, 0, 37, 35}, scaleShear},
      {kAffine, kType16u, 4, {9, 5}, {3, 1, 9, 7}, shear},
      {kAffine, kType16u, 3, {17, 5}, {0, 0, 19, 6}, flip},
      {kAffine, kType32f, 3, {9, 5}, {1, 2, 11, 6}, shear},
      {kAffine, kType32f, 4, {17, 9}, {2, 0, 35, 37}, scaleShear},
      {kAffine, kType32f, 4, {17, 5}, {1, 4, 1, 5}, flip},
      {kRemap, kType32f, 3, {13, 7}, {0, 0, 23, 9}},
      {kRemap, kType32f, 4, {5, 9}, {0, 0, 1, 7}},
  };
  std::mt19937 rng(29);
  for (size_t n = 0; n < std::size(cases); ++n) {
    const Case& c = cases[n];
    const bool f32 = c.type == kType32f;
    const int e = f32 ? 4 : 2;
    const int layout = c.planes == 3 ? kP3 : kP4;
    const int dw = c.dst.x + c.dst.width, dh = c.dst.y + c.dst.height;
    SCOPED_TRACE(testing::Message() << "case " << n);
    imagetest::GuardedPlanes src(c.planes, c.src.width, c.src.height, e);
    for (int k = 0; k < src.count(); ++k)
      for (int y = 0; y < c.src.height; ++y)
        for (int x = 0; x < c.src.width; ++x) {
          if (f32) {
            const float v = static_cast<float>(rng() % 100000) / 64.0f - 500.0f;
            std::memcpy(src[k].at(x, y), &v, 4);
          } else {
            const uint16_t v = static_cast<uint16_t>(rng());
            std::memcpy(src[k].at(x, y), &v, 2);
          }
        }
    const int xMax = c.src.width - 1, yMax = c.src.height - 1;
    // The source positions: the inverse of the affine coefficients, or the maps.
    double inv[2][3] = {};
    std::vector<float> mapX, mapY;
    if (c.path == kAffine) {
      const double (*f)[3] = c.f;
      const double det = f[0][0] * f[1][1] - f[0][1] * f[1][0];
      inv[0][0] = f[1][1] / det;
      inv[0][1] = -f[0][1] / det;
      inv[1][0] = -f[1][0] / det;
      inv[1][1] = f[0][0] / det;
      inv[0][2] = -(inv[0][0] * f[0][2] + inv[0][1] * f[1][2]);
      inv[1][2] = -(inv[1][0] * f[0][2] + inv[1][1] * f[1][2]);
    } else {
      std::uniform_real_distribution<float> pos(-0.5f, c.src.width + 0.5f);
      for (int i = 0; i < dw * dh; ++i) {
        mapX.push_back(pos(rng));
        mapY.push_back(pos(rng) * static_cast<float>(c.src.height) / c.src.width);
      }
      mapX[0] = static_cast<float>(xMax);  // the last column and row, both ends included
      mapY[0] = static_cast<float>(yMax);
    }
    const auto position = [&](int x, int y, double* sx, double* sy) {
      if (c.path == kAffine) {
        *sx = inv[0][0] * x + inv[0][1] * y + inv[0][2];
        *sy = inv[1][0] * x + inv[1][1] * y + inv[1][2];
      } else {
        *sx = mapX[static_cast<size_t>(y) * dw + x];
        *sy = mapY[static_cast<size_t>(y) * dw + x];
      }
    };
    // The path's output over two fills: the pixels it writes are those equal in both.
    imagetest::GuardedPlanes out[2] = {imagetest::GuardedPlanes(c.planes, dw, dh, e),
                                       imagetest::GuardedPlanes(c.planes, dw, dh, e)};
    for (int k = 0; k < 2; ++k) {
      out[k].FillRegion(k == 0 ? 0x00 : 0xff);
      if (c.path == kAffine) {
        ASSERT_EQ(builtin::fbAffineWarpEngine(src.pointers(), c.src, src.step(),
                                              IppiRect{0, 0, c.src.width, c.src.height},
                                              out[k].pointers(), out[k].step(), c.dst,
                                              TypeLayout(c.type, layout), c.f, IPPI_INTER_CUBIC),
                  ippStsNoErr);
      } else {
        const int row = builtin::fbRemapRowOf(TypeLayout(c.type, layout));
        ASSERT_GE(row, 0);
        builtin::fbRemapKernelTable[row * 3 + 2](
            src.pointers(), src.step(), out[k].pointers(), out[k].step(),
            mapX.data(), dw * 4, mapY.data(), dw * 4, dw, dh, 0, 0, xMax, yMax, xMax, yMax);
      }
      EXPECT_TRUE(out[k].OutsideUntouched());
    }
    // The routine, called for every pixel the path wrote, into the first fill.
    imagetest::GuardedPlanes byRoutine(c.planes, dw, dh, e);
    byRoutine.FillRegion(0x00);
    const auto start = [](double s, int max) {
      const int i = static_cast<int>(s + 1e-07);
      return i >= max - 1 ? max - 3 : i <= 0 ? 0 : i - 1;
    };
    int written = 0, inside = 0;
    for (int y = 0; y < dh; ++y) {
      std::vector<uint8_t*> rowsOut;
      for (int k = 0; k < c.planes; ++k) rowsOut.push_back(byRoutine[k].row(y));
      for (int x = 0; x < dw; ++x) {
        bool same = true;
        for (int k = 0; k < c.planes; ++k)
          same = same && std::memcmp(out[0][k].at(x, y), out[1][k].at(x, y), e) == 0;
        double sx, sy;
        position(x, y, &sx, &sy);
        if (c.path == kRemap) {
          const bool in = sx >= 0 && sx <= xMax && sy >= 0 && sy <= yMax;
          ASSERT_EQ(same, in) << x << "," << y;
          inside += in;
        }
        if (!same) continue;
        ++written;
        const int xs = start(sx, xMax), ys = start(sy, yMax);
        const float fx = static_cast<float>((sx - 1.0) - xs), fy = static_cast<float>((sy - 1.0) - ys);
        const int offset = ys * src.step() + xs * e;
        if (f32)
          builtin::fbCubicInterp32fPlanar(reinterpret_cast<const Ipp32f* const*>(src.pointers()),
                                          src.step(), offset,
                                          reinterpret_cast<Ipp32f* const*>(rowsOut.data()), x,
                                          c.planes, fx, fy);
        else
          builtin::fbCubicInterp16uPlanar(reinterpret_cast<const Ipp16u* const*>(src.pointers()),
                                          src.step(), offset,
                                          reinterpret_cast<Ipp16u* const*>(rowsOut.data()), x,
                                          c.planes, fx, fy);
      }
    }
    EXPECT_GT(written, c.dst.width * c.dst.height / 4);
    EXPECT_EQ(byRoutine.Region(), out[0].Region());
    EXPECT_TRUE(byRoutine.OutsideUntouched());
  }
}

}  // namespace
