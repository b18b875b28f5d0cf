// The affine warp engine: all 54 kernels against a per-pixel model on guarded images, the
// checks in order with the destination untouched, the method codes and their downgrade, the
// identity copy, edge smoothing, the planar pointer array, and transforms so near singular
// that their positions stray.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/CubicInterp.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/FloatToInt.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/geometry/WarpTestImage.h"

namespace {

using builtin::fbAffineWarpEngine;
using imagetest::GuardedImage;
namespace warp = builtin::warp;

const char* kTypeNames[] = {"8u", "32f", "16u"};
const char* kLayoutNames[] = {"C1", "C3", "AC4", "P3", "C4", "P4"};

using warptest::WarpImage;

// The model of one warp: spans and inverse from the geometry, positions added up as the
// kernels' contract says, each method written out from its rule.
void ModelWarp(WarpImage& src, IppiRect srcRoi, WarpImage& dst, IppiRect dstRoi,
               const double c[2][3], int method) {
  const IppiSize ss = src.size();
  const IppiRect clipped{srcRoi.x, srcRoi.y, std::min(ss.width - srcRoi.x, srcRoi.width),
                         std::min(ss.height - srcRoi.y, srcRoi.height)};
  double q[4][2], inv[2][3];
  int orientation = 0;
  ASSERT_EQ(builtin::fbGetAffineQuad(clipped, q, c), ippStsNoErr);
  builtin::fbAffineInverseFromQuad(clipped.x, clipped.y, clipped.x + clipped.width - 1,
                                   clipped.y + clipped.height - 1, q, inv, &orientation, 0);
  builtin::fbRowSpan* spans = nullptr;
  int first = 0, last = 0;
  if (builtin::fbQuadRowSpans(q, dstRoi.x, dstRoi.y, dstRoi.x + dstRoi.width - 1,
                              dstRoi.y + dstRoi.height - 1, orientation, &spans, &first,
                              &last) == 0)
    return;
  const int xMax = ss.width - 1, yMax = ss.height - 1;
  const int written = dst.layout() == warp::kAC4 ? 3 : dst.channels();
  double rowX = inv[0][1] * first + inv[0][2], rowY = inv[1][1] * first + inv[1][2];
  for (int y = first; y <= last; ++y, rowX += inv[0][1], rowY += inv[1][1]) {
    const builtin::fbRowSpan s = spans[y - first];
    double sx = rowX + inv[0][0] * s.xstart, sy = rowY + inv[1][0] * s.xstart;
    for (int x = s.xstart; x <= s.xend; ++x, sx += inv[0][0], sy += inv[1][0])
      for (int ch = 0; ch < written; ++ch) {
        uint8_t* out = dst.at(ch, x, y);
        double v = 0;
        if (method == 1) {
          v = src.get(ch, static_cast<int>(std::trunc(sx + 0.5)), static_cast<int>(std::trunc(sy + 0.5)));
        } else if (method == 2) {
          int ix = static_cast<int>(std::trunc(sx + 1e-07)), iy = static_cast<int>(std::trunc(sy + 1e-07));
          double fx = sx - ix, fy = sy - iy;
          if (ix >= xMax) { ix = xMax - 1; fx = 1.0; }
          if (iy >= yMax) { iy = yMax - 1; fy = 1.0; }
          const double top = src.get(ch, ix, iy) + fx * (src.get(ch, ix + 1, iy) - src.get(ch, ix, iy));
          const double bottom = src.get(ch, ix, iy + 1) + fx * (src.get(ch, ix + 1, iy + 1) - src.get(ch, ix, iy + 1));
          if (src.type() == warp::kType8u) v = std::trunc(top + 0.5 + fy * (bottom - top));
          else if (src.type() == warp::kType16u) v = std::trunc(top + fy * (bottom - top));
          else v = top + fy * (bottom - top);
        } else {
          const auto start = [](double s, int max) {
            const int n = static_cast<int>(std::trunc(s + 1e-07));
            return n >= max - 1 ? max - 3 : n <= 0 ? 0 : n - 1;
          };
          const int wx = start(sx, xMax), wy = start(sy, yMax);
          const float fx = static_cast<float>(sx - 1.0 - wx), fy = static_cast<float>(sy - 1.0 - wy);
          const uint8_t* w = src.at(ch, wx, wy);
          const int stride = src.stride();
          if (src.type() == warp::kType8u) builtin::fbCubicInterp8u(w, src.step(), stride, out, 1, fx, fy);
          else if (src.type() == warp::kType16u)
            builtin::fbCubicInterp16u(reinterpret_cast<const Ipp16u*>(w), src.step(), stride, reinterpret_cast<Ipp16u*>(out), 1, fx, fy);
          else
            builtin::fbCubicInterp32f(reinterpret_cast<const Ipp32f*>(w), src.step(), stride, reinterpret_cast<Ipp32f*>(out), 1, fx, fy);
          continue;
        }
        if (src.type() == warp::kType8u) *out = static_cast<uint8_t>(v);
        else if (src.type() == warp::kType16u) { const Ipp16u w = static_cast<Ipp16u>(v); std::memcpy(out, &w, 2); }
        else { const Ipp32f f = static_cast<Ipp32f>(v); std::memcpy(out, &f, 4); }
      }
  }
  builtin::fbAlignedFree(spans);
}

struct Transform {
  const char* name;
  double c[2][3];
};

std::vector<Transform> Transforms() {
  const double a = 30.0 * M_PI / 180.0;
  return {{"rotation", {{0.9 * std::cos(a), -0.9 * std::sin(a), 12.3}, {0.9 * std::sin(a), 0.9 * std::cos(a), -3.7}}},
          {"shear", {{1.0, 0.35, 1.5}, {-0.2, 1.0, 6.25}}},
          {"enlarge", {{1.7, 0.0, -3.0}, {0.0, 1.45, 1.0}}},
          {"mirror", {{-1.0, 0.1, 28.0}, {0.0, 1.2, 0.0}}}};
}

TEST(AffineWarp, EveryKernelMatchesTheModel) {
  std::mt19937 rng(1);
  const IppiRect srcRoi{2, 1, 19, 15}, dstRoi{1, 2, 28, 25};
  for (int type = 0; type < 3; ++type)
    for (int layout = 0; layout < 6; ++layout)
      for (int method : {1, 2, 4})
        for (const Transform& t : Transforms()) {
          const bool odd = (method + layout) % 2 == 1;
          SCOPED_TRACE(std::string(kTypeNames[type]) + " " + kLayoutNames[layout] + " method " +
                       std::to_string(method) + " " + t.name + (odd ? " odd rows" : ""));
          WarpImage src(type, layout, 23, 17, odd), dst(type, layout, 31, 29, odd),
              model(type, layout, 31, 29, odd);
          src.Randomize(rng);
          dst.Randomize(rng);
          std::mt19937 same(99);
          dst.Randomize(same);
          std::mt19937 again(99);
          model.Randomize(again);
          const std::vector<uint8_t> before = dst.Bytes();
          ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(),
                                       dst.step(), dstRoi, warp::TypeLayout(type, layout), t.c,
                                       method),
                    ippStsNoErr);
          ModelWarp(src, srcRoi, model, dstRoi, t.c, method);
          EXPECT_TRUE(dst.OutsideUntouched());
          const std::vector<uint8_t> got = dst.Bytes(), want = model.Bytes();
          ASSERT_EQ(got.size(), want.size());
          EXPECT_NE(got, before);
          for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], want[i]) << "byte " << i;
        }
}

// A destination larger than one band of rows and one tile of columns: each row's positions
// go on across the tiles as one chain.
TEST(AffineWarp, LargeDestinationsMatchTheModelAcrossTiles) {
  std::mt19937 rng(14);
  struct Case { int type, layout, method; };
  const Case cases[] = {{0, warp::kC1, 2}, {0, warp::kC3, 1}, {0, warp::kC4, 4},
                        {1, warp::kP3, 2}, {2, warp::kAC4, 4}};
  const double a = 0.3;
  const double c[2][3] = {{1.1 * std::cos(a), -1.1 * std::sin(a), 40.25},
                          {1.1 * std::sin(a), 1.1 * std::cos(a), -3.5}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << kTypeNames[k.type] << " " << kLayoutNames[k.layout] << " method " << k.method);
    WarpImage src(k.type, k.layout, 230, 70), dst(k.type, k.layout, 300, 110),
        model(k.type, k.layout, 300, 110);
    src.Randomize(rng);
    std::mt19937 r1(5), r2(5);
    dst.Randomize(r1);
    model.Randomize(r2);
    const IppiRect srcRoi{3, 2, 220, 66}, dstRoi{0, 1, 299, 108};
    ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(), dst.step(),
                                 dstRoi, warp::TypeLayout(k.type, k.layout), c, k.method),
              ippStsNoErr);
    ModelWarp(src, srcRoi, model, dstRoi, c, k.method);
    EXPECT_TRUE(dst.Bytes() == model.Bytes());
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

// The 8-bit interleaved kernels (vector samplers, positions made four rows at a time) on every
// vector target, against the model: whole sources rotated and sheared so that windows reach
// the last column and row, rows at odd addresses included.
TEST(AffineWarp, VectorSpansMatchTheModelOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    std::mt19937 rng(15);
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR, IPPI_INTER_CUBIC})
    for (int layout : {warp::kC1, warp::kC3, warp::kAC4, warp::kC4})
      for (const Transform& t : Transforms())
        for (bool odd : {false, true}) {
          SCOPED_TRACE(testing::Message() << kLayoutNames[layout] << " method " << method << " " << t.name << (odd ? " odd rows" : ""));
          WarpImage src(0, layout, 23, 17, odd), dst(0, layout, 160, 40, odd),
              model(0, layout, 160, 40, odd);
          src.Randomize(rng);
          std::mt19937 r1(3), r2(3);
          dst.Randomize(r1);
          model.Randomize(r2);
          const IppiRect srcRoi{0, 0, 23, 17}, dstRoi{0, 0, 160, 40};
          ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(), dst.step(), dstRoi, layout, t.c, method), ippStsNoErr);
          ModelWarp(src, srcRoi, model, dstRoi, t.c, method);
          ASSERT_TRUE(dst.Bytes() == model.Bytes());
          EXPECT_TRUE(dst.OutsideUntouched());
        }
  });
}

// Runs an 8u C1 warp of a 10 x 10 image on guarded images and says what came back.
struct Call {
  const void* src;
  IppiSize srcSize{10, 10};
  int srcStep = 16;
  IppiRect srcRoi{0, 0, 10, 10};
  void* dst;
  int dstStep = 16;
  IppiRect dstRoi{0, 0, 10, 10};
  int typeLayout = 0;
  double c[2][3] = {{1, 0, 0}, {0, 1, 0}};
  int interpolation = IPPI_INTER_LINEAR;
  IppStatus Run() const {
    return fbAffineWarpEngine(src, srcSize, srcStep, srcRoi, dst, dstStep, dstRoi, typeLayout, c,
                              interpolation);
  }
};

TEST(AffineWarp, ChecksInOrderWriteNothing) {
  GuardedImage src(10, 10, 1, GuardedImage::ExactStep{16}), dst(10, 10, 1, GuardedImage::ExactStep{16});
  std::mt19937 rng(2);
  src.Randomize(rng);
  dst.FillRegion(0x33);
  struct Case {
    const char* name;
    void (*change)(Call&);
    IppStatus expected;
  };
  const Case cases[] = {
      {"null source", [](Call& c) { c.src = nullptr; c.srcStep = 0; }, ippStsNullPtrErr},
      {"null destination", [](Call& c) { c.dst = nullptr; c.srcSize.width = 0; }, ippStsNullPtrErr},
      {"source width 0", [](Call& c) { c.srcSize.width = 0; c.srcStep = 0; }, ippStsSizeErr},
      {"negative source origin", [](Call& c) { c.srcRoi.y = -1; c.dstStep = 0; }, ippStsSizeErr},
      {"destination height 0", [](Call& c) { c.dstRoi.height = 0; c.interpolation = 3; }, ippStsSizeErr},
      {"negative destination origin", [](Call& c) { c.dstRoi.x = -2; }, ippStsSizeErr},
      {"source step 0", [](Call& c) { c.srcStep = 0; c.interpolation = 0; }, ippStsStepErr},
      {"negative destination step", [](Call& c) { c.dstStep = -16; }, ippStsStepErr},
      {"method 3", [](Call& c) { c.interpolation = 3; c.c[0][0] = 0; c.c[1][1] = 0; c.c[0][1] = 0; }, ippStsInterpolationErr},
      {"method 0", [](Call& c) { c.interpolation = 0; }, ippStsInterpolationErr},
      {"smoothing bit alone", [](Call& c) { c.interpolation = IPPI_SMOOTH_EDGE; }, ippStsInterpolationErr},
      {"off-diagonal product 1e-14", [](Call& c) { c.c[0][0] = 0; c.c[1][1] = 0; c.c[0][1] = 1e-7; c.c[1][0] = 1e-7; c.srcRoi.x = 20; }, ippStsCoeffErr},
      {"relative determinant 0", [](Call& c) { c.c[0][1] = 1; c.c[1][0] = 1; }, ippStsCoeffErr},
      {"region origin beside the image", [](Call& c) { c.srcRoi.x = 10; c.srcRoi.width = 1; }, ippStsWrongIntersectROI},
      {"clipped region 1 wide", [](Call& c) { c.srcRoi = IppiRect{0, 0, 1, 5}; }, ippStsRectErr},
      {"clipped region 1 high", [](Call& c) { c.srcRoi = IppiRect{3, 9, 4, 5}; }, ippStsRectErr},
      {"quadrangle beside the destination", [](Call& c) { c.c[0][2] = 40; }, ippStsWrongIntersectQuad},
      {"quadrangle between two rows", [](Call& c) { c.c[1][1] = 0.01; c.c[1][2] = 0.2; }, ippStsWrongIntersectQuad},
  };
  const std::vector<uint8_t> before = dst.Region();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Call call{src.data(), {10, 10}, 16, {0, 0, 10, 10}, dst.data()};
    k.change(call);
    EXPECT_EQ(call.Run(), k.expected);
    EXPECT_EQ(dst.Region(), before);
    EXPECT_TRUE(dst.OutsideUntouched());
  }
  // No memory for the spans: 30, nothing written, nothing left allocated.
  allochook::ForEachFailure([&] { return Call{src.data(), {10, 10}, 16, {0, 0, 10, 10}, dst.data()}.Run(); },
                            [&](IppStatus s, int, std::int64_t leaked) {
                              EXPECT_EQ(s, ippStsWrongIntersectQuad);
                              EXPECT_EQ(leaked, 0);
                              EXPECT_EQ(dst.Region(), before);
                            });
}

TEST(AffineWarp, TransposeAndSmoothingCodesPass) {
  GuardedImage src(10, 10, 1, GuardedImage::ExactStep{16}), dst(10, 10, 1, GuardedImage::ExactStep{16});
  std::mt19937 rng(3);
  src.Randomize(rng);
  Call call{src.data(), {10, 10}, 16, {0, 0, 10, 10}, dst.data()};
  call.c[0][0] = 0; call.c[0][1] = 1; call.c[1][0] = 1; call.c[1][1] = 0;
  call.interpolation = static_cast<int>(0x80000001u);
  ASSERT_EQ(call.Run(), ippStsNoErr);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(*dst.at(x, y), *src.at(y, x));
  call.interpolation = static_cast<int>(0x80000002u);
  EXPECT_EQ(call.Run(), ippStsNoErr);
}

// The method used by an image of this whole size equals the explicitly downgraded one.
TEST(AffineWarp, SmallSourcesDowngradeTheMethod) {
  struct Case { IppiSize size; int asked, used; };
  const Case cases[] = {{{1, 10}, 4, 1}, {{10, 1}, 2, 1}, {{3, 10}, 4, 2}, {{10, 2}, 4, 2}, {{4, 4}, 4, 4}};
  std::mt19937 rng(4);
  const double c[2][3] = {{0.93, 0.21, 1.3}, {-0.17, 1.1, 0.6}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.size.width << "x" << k.size.height << " asked " << k.asked);
    GuardedImage src(k.size.width, k.size.height, 1), a(12, 12, 1), b(12, 12, 1);
    src.Randomize(rng);
    a.FillRegion(0);
    b.FillRegion(0);
    // A region of at least 2 x 2 after clipping is needed; a 1-pixel side gives -57 for both.
    const IppiRect roi{0, 0, k.size.width, k.size.height};
    const IppStatus sa = fbAffineWarpEngine(src.data(), src.size(), src.step(), roi, a.data(), a.step(), IppiRect{0, 0, 12, 12}, 0, c, k.asked);
    const IppStatus sb = fbAffineWarpEngine(src.data(), src.size(), src.step(), roi, b.data(), b.step(), IppiRect{0, 0, 12, 12}, 0, c, k.used);
    EXPECT_EQ(sa, sb);
    EXPECT_EQ(a.Region(), b.Region());
    if (k.size.width >= 2 && k.size.height >= 2) {
      EXPECT_EQ(sa, ippStsNoErr);
    }
  }
  // A cubic warp that kept cubic differs from linear somewhere on random data.
  GuardedImage src(8, 8, 1), a(12, 12, 1), b(12, 12, 1);
  src.Randomize(rng);
  a.FillRegion(0);
  b.FillRegion(0);
  fbAffineWarpEngine(src.data(), src.size(), src.step(), IppiRect{0, 0, 8, 8}, a.data(), a.step(), IppiRect{0, 0, 12, 12}, 0, c, 4);
  fbAffineWarpEngine(src.data(), src.size(), src.step(), IppiRect{0, 0, 8, 8}, b.data(), b.step(), IppiRect{0, 0, 12, 12}, 0, c, 2);
  EXPECT_NE(a.Region(), b.Region());
}

TEST(AffineWarp, IdentityCopiesTheOverlapAndLeavesTheFourthSample) {
  std::mt19937 rng(5);
  for (int layout : {warp::kC1, warp::kC3, warp::kAC4, warp::kC4})
    for (int method : {1, 2, 4}) {
      SCOPED_TRACE(testing::Message() << kLayoutNames[layout] << " method " << method);
      WarpImage src(0, layout, 20, 16), dst(0, layout, 20, 16);
      src.Randomize(rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Bytes();
      const double id[2][3] = {{1, 0, 0}, {0, 1, 0}};
      const IppiRect srcRoi{2, 3, 12, 10}, dstRoi{5, 1, 14, 9};
      ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(), dst.step(), dstRoi, layout, id, method), ippStsNoErr);
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x) {
          const bool in = x >= 5 && x <= 13 && y >= 3 && y <= 9;
          for (int ch = 0; ch < dst.channels(); ++ch) {
            const double want = in && ch < (layout == warp::kAC4 ? 3 : 4) ? src.get(ch, x, y)
                                                                         : before[static_cast<size_t>(y) * 20 * dst.stride() + x * dst.stride() + ch];
            ASSERT_EQ(dst.get(ch, x, y), want) << x << "," << y << " channel " << ch;
          }
        }
      EXPECT_TRUE(dst.OutsideUntouched());
    }
}

TEST(AffineWarp, MethodsAtTheEdgesOfTheirRules) {
  // A 6 x 4 source whose columns hold 100, 101, 40, 41, 42, 250 in every row; destination
  // column x reads source x + shift of row 1.
  struct Case { double shift; int method, type, column; double expected; };
  const Case cases[] = {
      {0.5, 2, warp::kType8u, 0, 101},   // halfway between 100 and 101: 100.5 rounds up
      {0.5, 2, warp::kType16u, 0, 100},  // 16-bit linear truncates
      {0.5, 1, warp::kType8u, 0, 101},   // nearest at 0.5 reads column 1
      {0.4999, 1, warp::kType8u, 0, 100},
      {0.0, 2, warp::kType8u, 5, 250},   // linear at xMax: the last window with fraction 1
      {0.0, 4, warp::kType8u, 5, 250},   // cubic at xMax: fraction 2 of the last window
      {0.0, 4, warp::kType8u, 0, 100},   // cubic at 0: fraction -1 of the first window
      {0.0, 4, warp::kType16u, 2, 40},
  };
  const double cols[6] = {100, 101, 40, 41, 42, 250};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "shift " << k.shift << " method " << k.method << " column " << k.column);
    WarpImage src(k.type, warp::kC1, 6, 4), dst(k.type, warp::kC1, 6, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        if (k.type == warp::kType8u) *src.at(0, x, y) = static_cast<uint8_t>(cols[x]);
        else { const Ipp16u v = static_cast<Ipp16u>(cols[x]); std::memcpy(src.at(0, x, y), &v, 2); }
      }
    std::mt19937 rng(6);
    dst.Randomize(rng);
    const double c[2][3] = {{1, 0, -k.shift}, {0, 1, 0}};
    ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), IppiRect{0, 0, 6, 4}, dst.arg(), dst.step(), IppiRect{0, 0, 6, 4}, warp::TypeLayout(k.type, 0), c, k.method), ippStsNoErr);
    EXPECT_EQ(dst.get(0, k.column, 1), k.expected);
  }
}

// A span array with an empty row in the middle: that row stays as it was, the next ones are
// computed (the kernel contract, called through the table directly).
TEST(AffineWarp, EmptySpanLeavesItsRowAndTheNextRowsAreDone) {
  GuardedImage src(8, 8, 1), dst(8, 4, 1);
  std::mt19937 rng(8);
  src.Randomize(rng);
  dst.FillRegion(0x77);
  const builtin::fbRowSpan spans[3] = {{1, 5}, {4, 3}, {0, 7}};
  const double id[2][3] = {{1, 0, 0}, {0, 1, 0}};
  builtin::fbAffineKernelTable[0](src.data(), dst.row(1), src.step(), dst.step(), 1, 3, spans, id, 7, 7, 0);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(*dst.at(x, 0), 0x77);
    EXPECT_EQ(*dst.at(x, 1), x >= 1 && x <= 5 ? *src.at(x, 1) : 0x77);
    EXPECT_EQ(*dst.at(x, 2), 0x77);
    EXPECT_EQ(*dst.at(x, 3), *src.at(x, 3));
  }
  EXPECT_TRUE(dst.OutsideUntouched());
}

TEST(AffineWarp, PlanarPointersAreCheckedAndPutBack) {
  std::mt19937 rng(9);
  const double rot[2][3] = {{0.8, -0.6, 8}, {0.6, 0.8, -2}};
  for (int layout : {warp::kP3, warp::kP4}) {
    WarpImage src(0, layout, 16, 16), dst(0, layout, 16, 16);
    src.Randomize(rng);
    void** planes = dst.planeArray();
    void* saved[4] = {planes[0], planes[1], planes[2], planes[3]};
    EXPECT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), IppiRect{0, 0, 16, 16}, dst.arg(), dst.step(), IppiRect{0, 0, 16, 16}, layout, rot, 2 | IPPI_SMOOTH_EDGE), ippStsNoErr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(planes[i], saved[i]);
    // A null third plane: -8 for both; a null fourth: accepted for P3 only.
    for (int missing : {2, 3}) {
      void* keep = planes[missing];
      planes[missing] = nullptr;
      const IppStatus s = fbAffineWarpEngine(src.arg(), src.size(), src.step(), IppiRect{0, 0, 16, 16}, dst.arg(), dst.step(), IppiRect{0, 0, 16, 16}, layout, rot, 1);
      EXPECT_EQ(s, missing == 3 && layout == warp::kP3 ? ippStsNoErr : ippStsNullPtrErr) << "plane " << missing;
      planes[missing] = keep;
    }
  }
}

TEST(AffineWarp, SmoothingBlendsOnlyJustOutsideSlantedEdges) {
  std::mt19937 rng(10);
  const double a = 30.0 * M_PI / 180.0;
  const double rot[2][3] = {{std::cos(a), -std::sin(a), 14}, {std::sin(a), std::cos(a), 2}};
  const double shift[2][3] = {{1, 0, 3.5}, {0, 1, 2.25}};
  for (int layout : {warp::kC1, warp::kC3, warp::kC4}) {
    for (const auto* c : {rot, shift}) {
      WarpImage src(0, layout, 20, 16), plain(0, layout, 32, 30), smooth(0, layout, 32, 30);
      src.Randomize(rng);
      std::mt19937 r1(77), r2(77);
      plain.Randomize(r1);
      smooth.Randomize(r2);
      const IppiRect sr{0, 0, 20, 16}, dr{1, 1, 30, 28};
      ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), sr, plain.arg(), plain.step(), dr, layout, c, 2), ippStsNoErr);
      ASSERT_EQ(fbAffineWarpEngine(src.arg(), src.size(), src.step(), sr, smooth.arg(), smooth.step(), dr, layout, c, 2 | IPPI_SMOOTH_EDGE), ippStsNoErr);
      EXPECT_TRUE(smooth.OutsideUntouched());
      if (c == shift) {
        EXPECT_EQ(smooth.Bytes(), plain.Bytes()) << "axis-aligned edges are left alone";
        continue;
      }
      // Changed pixels lie outside the spans, next to a covered pixel.
      double q[4][2];
      ASSERT_EQ(builtin::fbGetAffineQuad(sr, q, c), ippStsNoErr);
      const auto covered = [&](int x, int y) {
        for (int i = 0; i < 4; ++i) {
          const double* p = q[i];
          const double* n = q[(i + 1) % 4];
          if ((n[0] - p[0]) * (y - p[1]) - (n[1] - p[1]) * (x - p[0]) < -1e-9) return false;
        }
        return x >= dr.x && y >= dr.y;
      };
      int changed = 0;
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 32; ++x)
          for (int ch = 0; ch < plain.channels(); ++ch)
            if (plain.get(ch, x, y) != smooth.get(ch, x, y)) {
              ++changed;
              EXPECT_FALSE(covered(x, y)) << x << "," << y;
              EXPECT_TRUE(covered(x - 1, y) || covered(x + 1, y) || covered(x, y - 1) || covered(x, y + 1)) << x << "," << y;
            }
      EXPECT_GT(changed, 20);
    }
  }
}

// Quadrangles larger than the destination region, whose clipped edges end on its borders:
// the smoothing's crossings there may round a hair beyond the border, and the pixels beyond
// are not the region's. The destination image is exactly the region, so any such write shows.
TEST(AffineWarp, SmoothingStaysInsideTheDestinationRegion) {
  std::mt19937 rng(13);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  GuardedImage src(64, 64, 3);
  src.Randomize(rng);
  for (int trial = 0; trial < 400; ++trial) {
    const double a = u(rng) * 6.283185307179586, s = 0.6 + u(rng);
    const double c[2][3] = {{s * std::cos(a), -s * std::sin(a), 10 + 20 * u(rng)},
                            {s * std::sin(a), s * std::cos(a), 10 + 20 * u(rng)}};
    GuardedImage dst(17 + trial % 13, 15 + trial % 7, 3);
    dst.FillRegion(0);
    const IppStatus st = fbAffineWarpEngine(src.data(), src.size(), src.step(), IppiRect{0, 0, 64, 64}, dst.data(), dst.step(), IppiRect{0, 0, dst.width(), dst.height()}, warp::kC3, c, 1 | IPPI_SMOOTH_EDGE);
    ASSERT_TRUE(st == ippStsNoErr || st == ippStsWrongIntersectQuad) << st;
    ASSERT_TRUE(dst.OutsideUntouched()) << "trial " << trial;
  }
}

TEST(AffineWarp, BlendPixelWeighsBothPixels) {
  Ipp8u px[2] = {200, 100};
  builtin::fbBlendPixel(px, 2, 0, 0, 0, 1, 0, 0.25, 0.75);
  EXPECT_EQ(px[0], 125);
  EXPECT_EQ(px[1], 100);
  // AC4 blends all four samples; float without rounding.
  Ipp8u ac4[8] = {200, 0, 10, 255, 100, 100, 30, 55};
  builtin::fbBlendPixel(ac4, 8, warp::kAC4, 0, 0, 1, 0, 0.5, 0.5);
  EXPECT_EQ(ac4[0], 150);
  EXPECT_EQ(ac4[1], 50);
  EXPECT_EQ(ac4[2], 20);
  EXPECT_EQ(ac4[3], 155);
  Ipp32f f[2] = {1.0f, 2.0f};
  builtin::fbBlendPixel(f, 8, warp::TypeLayout(warp::kType32f, warp::kC1), 0, 0, 1, 0, 0.3, 0.7);
  EXPECT_EQ(f[0], static_cast<Ipp32f>(0.3 * 1.0 + 0.7 * 2.0));
}

// A transform that passes the coefficient test but is so near singular that the positions of
// its covered pixels carry large rounding errors: the kernels still read only the source image
// (the sanitizer build stops at any read beyond it) and write only the destination region.
// A 40 x 40 source in the middle of a wide poisoned moat, so that under the address
// sanitizer any read outside the image, however far, stops the test.
class MoatedSource {
 public:
  static constexpr int kSide = 40, kMoat = 160, kStep = kSide + 2 * kMoat;
  MoatedSource() : buffer_(static_cast<size_t>(kStep) * kStep, 0) {
    PF_TEST_POISON(buffer_.data(), buffer_.size());
    for (int y = 0; y < kSide; ++y) PF_TEST_UNPOISON(row(y), kSide);
  }
  ~MoatedSource() { PF_TEST_UNPOISON(buffer_.data(), buffer_.size()); }
  uint8_t* row(int y) { return buffer_.data() + static_cast<size_t>(kMoat + y) * kStep + kMoat; }

 private:
  std::vector<uint8_t> buffer_;
};

TEST(AffineWarp, NearSingularTransformsReadOnlyTheSource) {
  // The covered pixels lie 1e5 columns to the right, so the positions are the small
  // differences of large row terms: some land tens of pixels outside the source.
  MoatedSource src;
  for (int y = 0; y < MoatedSource::kSide; ++y)
    for (int x = 0; x < MoatedSource::kSide; ++x) src.row(y)[x] = static_cast<uint8_t>(x * 7 + y);
  GuardedImage dst(100080, 80, 1, 0);
  const IppiRect dstRoi{100000, 0, 80, 80};
  for (int method : {1, 2, 4})
    for (double eps : {3e-12, 1e-11, 3e-11}) {
      SCOPED_TRACE(testing::Message() << "method " << method << " eps " << eps);
      const double c[2][3] = {{1.0, 1.0, 1e5 + 0.3}, {1.0 - eps, 1.0, 0.3}};
      EXPECT_EQ(fbAffineWarpEngine(src.row(0), IppiSize{40, 40}, MoatedSource::kStep,
                                   IppiRect{0, 0, 40, 40}, dst.data(), dst.step(), dstRoi, 0, c,
                                   method),
                ippStsNoErr);
    }
  EXPECT_TRUE(dst.OutsideUntouched());
}

}  // namespace
