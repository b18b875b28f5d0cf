// The bilinear back and forward warps: all 108 kernels through their engines against a
// per-pixel model on guarded images, the identity copy, the clipping kernels' region, the
// checks in order with the destination untouched, the forward inverse against Newton's
// method, and both warps beside cv::remap.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/Bilinear.h"
#include "primitives/geometry/BilinearWarp.h"
#include "primitives/geometry/CubicInterp.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/Support.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
namespace warp = builtin::warp;

const char* kTypeNames[] = {"8u", "32f"};
const char* kLayoutNames[] = {"C1", "C3", "AC4", "P3", "C4", "P4"};

// An 8u or 32f image of any layout on guarded buffers (one per plane for P3 and P4).
class WarpImage {
 public:
  WarpImage(int type, int layout, int width, int height)
      : type_(type), layout_(layout), size_(warp::ElementBytes(type)),
        planar_(warp::IsPlanar(layout)) {
    planes_ = planar_ ? warp::PlaneCount(layout) : 1;
    stride_ = planar_ ? 1 : layout == warp::kC1 ? 1 : layout == warp::kC3 ? 3 : 4;
    for (int p = 0; p < planes_; ++p) {
      images_.push_back(std::make_unique<GuardedImage>(width, height, stride_ * size_));
      pointers_[p] = images_.back()->data();
    }
  }
  int channels() const { return planar_ ? planes_ : stride_; }
  int written() const { return layout_ == warp::kAC4 ? 3 : channels(); }
  int step() const { return images_[0]->step(); }
  IppiSize size() const { return images_[0]->size(); }
  void* arg() { return planar_ ? static_cast<void*>(pointers_) : pointers_[0]; }
  uint8_t* at(int c, int x, int y) {
    if (planar_) return images_[c]->row(y) + static_cast<ptrdiff_t>(x) * size_;
    return images_[0]->row(y) + (static_cast<ptrdiff_t>(x) * stride_ + c) * size_;
  }
  double get(int c, int x, int y) {
    if (type_ == warp::kType8u) return *at(c, x, y);
    Ipp32f v;
    std::memcpy(&v, at(c, x, y), 4);
    return v;
  }
  void put(int c, int x, int y, double v) {
    if (type_ == warp::kType8u) {
      *at(c, x, y) = static_cast<uint8_t>(v);
    } else {
      const Ipp32f f = static_cast<Ipp32f>(v);
      std::memcpy(at(c, x, y), &f, 4);
    }
  }
  void Fill(const std::function<double(int c, int x, int y)>& f) {
    for (int y = 0; y < size().height; ++y)
      for (int x = 0; x < size().width; ++x)
        for (int c = 0; c < channels(); ++c) put(c, x, y, f(c, x, y));
  }
  void Randomize(std::mt19937& rng) {
    std::uniform_int_distribution<int> value(0, 255);
    Fill([&](int, int, int) { return type_ == warp::kType8u ? value(rng) : value(rng) * 0.37 - 20; });
  }
  std::vector<uint8_t> Bytes() {
    std::vector<uint8_t> all;
    for (auto& im : images_) {
      const auto r = im->Region();
      all.insert(all.end(), r.begin(), r.end());
    }
    return all;
  }
  bool OutsideUntouched() {
    for (auto& im : images_)
      if (!im->OutsideUntouched()) return false;
    return true;
  }
  int type() const { return type_; }
  int stride() const { return stride_; }

 private:
  int type_, layout_, size_;
  bool planar_;
  int planes_ = 1, stride_ = 1;
  std::vector<std::unique_ptr<GuardedImage>> images_;
  uint8_t* pointers_[4] = {};
};

// Writes destination pixel (x, y) from source position (sx, sy) by the method's rule.
void ModelSample(WarpImage& src, WarpImage& dst, int x, int y, double sx, double sy,
                 int method) {
  const int xMax = src.size().width - 1, yMax = src.size().height - 1;
  for (int ch = 0; ch < dst.written(); ++ch) {
    if (method == 1) {
      dst.put(ch, x, y, src.get(ch, static_cast<int>(std::trunc(sx + 0.5)),
                                static_cast<int>(std::trunc(sy + 0.5))));
    } else if (method == 2) {
      int ix = static_cast<int>(std::trunc(sx + 1e-07)), iy = static_cast<int>(std::trunc(sy + 1e-07));
      double fx = sx - ix, fy = sy - iy;
      if (ix >= xMax) { ix = xMax - 1; fx = 1.0; }
      if (iy >= yMax) { iy = yMax - 1; fy = 1.0; }
      const double top = src.get(ch, ix, iy) + fx * (src.get(ch, ix + 1, iy) - src.get(ch, ix, iy));
      const double bottom =
          src.get(ch, ix, iy + 1) + fx * (src.get(ch, ix + 1, iy + 1) - src.get(ch, ix, iy + 1));
      const double v = top + fy * (bottom - top);
      dst.put(ch, x, y, src.type() == warp::kType8u ? std::trunc(v + 0.5) : v);
    } else {
      const auto start = [](double s, int max) {
        const int n = static_cast<int>(std::trunc(s + 1e-07));
        return n >= max - 1 ? max - 3 : n <= 0 ? 0 : n - 1;
      };
      const int wx = start(sx, xMax), wy = start(sy, yMax);
      const float fx = static_cast<float>(sx - 1.0 - wx), fy = static_cast<float>(sy - 1.0 - wy);
      if (src.type() == warp::kType8u)
        builtin::fbCubicInterp8u(src.at(ch, wx, wy), src.step(), src.stride(), dst.at(ch, x, y), 1, fx, fy);
      else
        builtin::fbCubicInterp32f(reinterpret_cast<const Ipp32f*>(src.at(ch, wx, wy)), src.step(),
                                  src.stride(), reinterpret_cast<Ipp32f*>(dst.at(ch, x, y)), 1, fx, fy);
    }
  }
}

// The back warp's model: row terms and positions by the kernels' additions, the clipping test
// when a corner maps outside the clipped source region.
void ModelBack(WarpImage& src, IppiRect srcRoi, WarpImage& dst, IppiRect dstRoi,
               const double c[2][4], int method) {
  const IppiSize ss = src.size();
  const double left = srcRoi.x, top = srcRoi.y;
  const double right = srcRoi.x + std::min(ss.width - srcRoi.x, srcRoi.width) - 1;
  const double bottom = srcRoi.y + std::min(ss.height - srcRoi.y, srcRoi.height) - 1;
  double q[4][2];
  builtin::fbBilinearQuad(c, dstRoi.x, dstRoi.y, dstRoi.x + dstRoi.width - 1,
                          dstRoi.y + dstRoi.height - 1, q);
  bool clip = false;
  for (auto& p : q) clip = clip || p[0] < left || p[0] > right || p[1] < top || p[1] > bottom;
  const double y0 = dstRoi.y;
  double slopeX = c[0][0] * y0 + c[0][1], offX = c[0][2] * y0 + c[0][3];
  double slopeY = c[1][0] * y0 + c[1][1], offY = c[1][2] * y0 + c[1][3];
  for (int y = dstRoi.y; y < dstRoi.y + dstRoi.height; ++y) {
    double sx = offX + slopeX * dstRoi.x, sy = offY + slopeY * dstRoi.x;
    for (int x = dstRoi.x; x < dstRoi.x + dstRoi.width; ++x, sx += slopeX, sy += slopeY)
      if (!clip || (sx >= left && sx <= right && sy >= top && sy <= bottom))
        ModelSample(src, dst, x, y, sx, sy, method);
    slopeX += c[0][0];
    offX += c[0][2];
    slopeY += c[1][0];
    offY += c[1][2];
  }
}

// The forward warp's model: quadrangle, spans and inverse record from the geometry, the
// inverse evaluated with running sums as the kernels' contract says.
void ModelForward(WarpImage& src, IppiRect srcRoi, WarpImage& dst, IppiRect dstRoi,
                  const double c[2][4], int method) {
  const IppiSize ss = src.size();
  const int w = std::min(ss.width - srcRoi.x, srcRoi.width), h = std::min(ss.height - srcRoi.y, srcRoi.height);
  double q[4][2], k[11];
  ASSERT_EQ(builtin::fbBilinearQuadChecked(srcRoi.x, srcRoi.y, w, h, q, c), ippStsNoErr);
  int inverseCase, rootFlag, orientation;
  builtin::fbBilinearSolve(srcRoi.x, srcRoi.y, srcRoi.x + w - 1, srcRoi.y + h - 1, q, nullptr, k,
                           &inverseCase, &rootFlag, &orientation, 0);
  builtin::fbRowSpan* spans = nullptr;
  int first = 0, last = 0;
  if (builtin::fbQuadRowSpans(q, dstRoi.x, dstRoi.y, dstRoi.x + dstRoi.width - 1,
                              dstRoi.y + dstRoi.height - 1, orientation, &spans, &first, &last) == 0)
    return;
  double R2 = k[6] * first + k[8], R3 = k[7] * first + k[9];
  for (int y = first; y <= last; ++y, R2 += k[6], R3 += k[7]) {
    const builtin::fbRowSpan s = spans[y - first];
    double L1 = (k[1] * y + k[2]) + k[0] * s.xstart, L2 = R2 + k[4] * s.xstart, L3 = R3 + k[5] * s.xstart;
    for (int x = s.xstart; x <= s.xend; ++x, L3 += k[5], L2 += k[4], L1 += k[0]) {
      double sx = L2, sy = L3;
      if (inverseCase == 0) {
        const double d = std::max(L1 * L1 - L2, 0.0);
        const double A = rootFlag ? L1 + std::sqrt(d) : L1 - std::sqrt(d);
        sx = k[10] + A;
        sy = L3 + k[3] * A;
      } else if (inverseCase == 1) {
        sx = k[10] + L2 / L1;
      } else if (inverseCase == 2) {
        sy = k[10] + L3 / L1;
      }
      ModelSample(src, dst, x, y, sx, sy, method);
    }
  }
  builtin::fbAlignedFree(spans);
}

struct Map {
  const char* name;
  double c[2][4];
};

// Mild bilinear maps with no two edges parallel, a case of each kind, and one reaching past
// the source so that the back warp clips.
std::vector<Map> BackMaps() {
  return {{"inside", {{0.001, 0.7, 0.03, 2.5}, {-0.001, 0.04, 0.6, 3.0}}},
          {"mild", {{0.002, 0.93, 0.08, 1.3}, {-0.003, 0.05, 1.08, 0.6}}},
          {"mirror", {{0.001, -0.8, 0.1, 24.5}, {0.002, 0.04, 0.9, 1.2}}},
          {"reaching out", {{0.004, 1.1, -0.05, -3.2}, {0.001, 0.1, 1.2, -1.7}}}};
}
std::vector<Map> ForwardMaps() {
  return {{"general", {{0.002, 0.93, 0.08, 1.3}, {-0.003, 0.05, 1.08, 0.6}}},
          {"case 1", {{0.01, 1.1, 0.02, 0.5}, {0.0, 0.1, 1.2, 1.5}}},
          {"case 2", {{0.0, 1.1, 0.2, 0.5}, {0.01, 0.0, 1.2, 1.5}}},
          {"parallelogram", {{0.0, 1.1, 0.2, 0.5}, {0.0, -0.1, 0.95, 4.0}}},
          {"mirror", {{-0.004, -1.05, 0.1, 30.5}, {0.003, 0.04, 0.9, 1.2}}}};
}

using EngineFn = IppStatus (*)(const void*, IppiSize, int, IppiRect, void*, int, IppiRect, int,
                               const double[2][4], int);

TEST(BilinearWarpForward, EdgeThroughPixelCentres) {
  imagetest::ForEachVectorTarget([&] {
  // A general (case 0) quadrangle whose top edge runs through the centres of every second
  // column: there the inverse lands on the source's first row, where rounding may take the
  // discriminant below zero. The source is exactly the warped region, its guards poisoned.
  std::mt19937 rng(11);
  const double c[2][4] = {{0.004, 1, 0.5, 2}, {0, 0.5, 1, 1}};
  const IppiRect srcRoi{0, 0, 24, 20}, dstRoi{0, 0, 40, 40};
  for (int type = 0; type < 2; ++type)
    for (int layout = 0; layout < 6; ++layout)
      for (int method : {1, 2, 4}) {
        SCOPED_TRACE(std::string(kTypeNames[type]) + " " + kLayoutNames[layout] + " method " +
                     std::to_string(method));
        WarpImage src(type, layout, 24, 20), dst(type, layout, 40, 40), expected(type, layout, 40, 40);
        src.Randomize(rng);
        dst.Randomize(rng);
        expected.Fill([&](int ch, int x, int y) { return dst.get(ch, x, y); });
        ModelForward(src, srcRoi, expected, dstRoi, c, method);
        ASSERT_EQ(builtin::fbWarpBilinearEngine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(),
                                                dst.step(), dstRoi, warp::TypeLayout(type, layout),
                                                c, method),
                  ippStsNoErr);
        EXPECT_EQ(dst.Bytes(), expected.Bytes());
        // The centres on the edge took the source's first row.
        for (int x = 2; x <= 24; x += 2)
          for (int ch = 0; ch < dst.written(); ++ch)
            ASSERT_EQ(dst.get(ch, x, x / 2), src.get(ch, x - 2, 0)) << x;
        EXPECT_TRUE(dst.OutsideUntouched());
      }
  });
}

TEST(BilinearWarp, EveryKernelMatchesTheModel) {
  imagetest::ForEachVectorTarget([&] {
  std::mt19937 rng(5);
  struct Direction {
    const char* name;
    EngineFn engine;
    std::vector<Map> maps;
    void (*model)(WarpImage&, IppiRect, WarpImage&, IppiRect, const double[2][4], int);
  } directions[] = {{"back", builtin::fbWarpBilinearBackEngine, BackMaps(), ModelBack},
                    {"forward", builtin::fbWarpBilinearEngine, ForwardMaps(), ModelForward}};
  const IppiRect srcRoi{1, 2, 22, 17}, dstRoi{2, 1, 25, 22};
  for (const Direction& d : directions)
    for (int type = 0; type < 2; ++type)
      for (int layout = 0; layout < 6; ++layout)
        for (int method : {1, 2, 4})
          for (const Map& m : d.maps) {
            SCOPED_TRACE(std::string(d.name) + " " + kTypeNames[type] + " " + kLayoutNames[layout] +
                         " method " + std::to_string(method) + " " + m.name);
            WarpImage src(type, layout, 24, 20), dst(type, layout, 29, 25), expected(type, layout, 29, 25);
            src.Randomize(rng);
            dst.Randomize(rng);
            const std::vector<uint8_t> before = dst.Bytes();
            // The expected image starts from the same bytes as the destination.
            expected.Fill([&](int c, int x, int y) { return dst.get(c, x, y); });
            d.model(src, srcRoi, expected, dstRoi, m.c, method);
            ASSERT_EQ(d.engine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(), dst.step(),
                               dstRoi, warp::TypeLayout(type, layout), m.c, method),
                      ippStsNoErr);
            EXPECT_EQ(dst.Bytes(), expected.Bytes());
            EXPECT_NE(dst.Bytes(), before);
            EXPECT_TRUE(dst.OutsideUntouched());
            EXPECT_TRUE(src.OutsideUntouched());
          }
  });
}

// The identity over a 9 x 7 image through both tables of the back kernels and the forward
// table: every method reproduces the source (the last column and row through linear fraction
// 1 and cubic fraction 2), and AC4 keeps every fourth sample.
TEST(BilinearWarp, IdentityReproducesTheSourceWithEveryKernel) {
  imagetest::ForEachVectorTarget([&] {
  std::mt19937 rng(9);
  const double identity[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
  double q[4][2], k[11];
  int inverseCase, rootFlag, orientation;
  builtin::fbBilinearQuad(identity, 0, 0, 8, 6, q);
  builtin::fbBilinearSolve(0, 0, 8, 6, q, nullptr, k, &inverseCase, &rootFlag, &orientation, 0);
  builtin::fbRowSpan spans[7];
  for (auto& s : spans) s = builtin::fbRowSpan{0, 8};
  double buffer[18];
  for (int type = 0; type < 2; ++type)
    for (int layout = 0; layout < 6; ++layout)
      for (int method : {1, 2, 4})
        for (int table = 0; table < 3; ++table) {
          SCOPED_TRACE(std::string(kTypeNames[type]) + " " + kLayoutNames[layout] + " method " +
                       std::to_string(method) + " table " + std::to_string(table));
          WarpImage src(type, layout, 9, 7), dst(type, layout, 9, 7);
          src.Randomize(rng);
          dst.Randomize(rng);
          std::vector<double> fourth;
          if (layout == warp::kAC4)
            for (int y = 0; y < 7; ++y)
              for (int x = 0; x < 9; ++x) fourth.push_back(dst.get(3, x, y));
          const int index = warp::KernelIndex(type, layout, method);
          if (table == 0)
            builtin::fbWarpBilinearBackTable[index](src.arg(), dst.arg(), src.step(), dst.step(), 0,
                                                    0, 9, 7, identity, 8, 6);
          else if (table == 1)
            builtin::fbWarpBilinearBackClipTable[index](src.arg(), dst.arg(), src.step(), dst.step(),
                                                        0, 0, 9, 7, identity, 0, 0, 8, 6, 8, 6);
          else
            builtin::fbWarpBilinearTable[index](src.arg(), dst.arg(), src.step(), dst.step(), 0, 6,
                                                spans, k, inverseCase, rootFlag, buffer, 8, 6);
          for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x) {
              for (int c = 0; c < (layout == warp::kAC4 ? 3 : src.channels()); ++c)
                ASSERT_EQ(dst.get(c, x, y), src.get(c, x, y)) << x << ", " << y << " channel " << c;
              if (layout == warp::kAC4) {
                ASSERT_EQ(dst.get(3, x, y), fourth[y * 9 + x]);
              }
            }
          EXPECT_TRUE(dst.OutsideUntouched());
        }
  });
}

// Rows longer than the vector paths' runs of positions, both directions.
TEST(BilinearWarp, LongRowsMatchTheModel) {
  std::mt19937 rng(8);
  const double c[2][4] = {{0.0001, 0.985, 0.02, 1.6}, {0.0001, 0.002, 0.8, 0.3}};
  imagetest::ForEachVectorTarget([&] {
    for (bool back : {true, false})
      for (int layout : {warp::kC3, warp::kAC4, warp::kC4})
        for (int method : {2, 4}) {
          SCOPED_TRACE(std::string(back ? "back " : "forward ") + kLayoutNames[layout] +
                       " method " + std::to_string(method));
          WarpImage src(0, layout, 600, 8), dst(0, layout, 600, 8), expected(0, layout, 600, 8);
          src.Randomize(rng);
          dst.Randomize(rng);
          expected.Fill([&](int ch, int x, int y) { return dst.get(ch, x, y); });
          const IppiRect srcRoi{0, 0, 600, 8}, dstRoi{0, 0, 590, 7};
          if (back) ModelBack(src, srcRoi, expected, dstRoi, c, method);
          else ModelForward(src, srcRoi, expected, dstRoi, c, method);
          const EngineFn engine = back ? builtin::fbWarpBilinearBackEngine : builtin::fbWarpBilinearEngine;
          ASSERT_EQ(engine(src.arg(), src.size(), src.step(), srcRoi, dst.arg(), dst.step(), dstRoi,
                           warp::TypeLayout(0, layout), c, method),
                    ippStsNoErr);
          EXPECT_EQ(dst.Bytes(), expected.Bytes());
        }
  });
}

TEST(BilinearWarp, ClipKernelWritesExactlyItsRegion) {
  std::mt19937 rng(4);
  const double identity[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
  for (int type = 0; type < 2; ++type)
    for (int layout = 0; layout < 6; ++layout)
      for (int method : {1, 2, 4}) {
        SCOPED_TRACE(std::string(kTypeNames[type]) + " " + kLayoutNames[layout] + " method " +
                     std::to_string(method));
        WarpImage src(type, layout, 9, 7), dst(type, layout, 9, 7);
        src.Randomize(rng);
        dst.Randomize(rng);
        WarpImage old(type, layout, 9, 7);
        old.Fill([&](int c, int x, int y) { return dst.get(c, x, y); });
        builtin::fbWarpBilinearBackClipTable[warp::KernelIndex(type, layout, method)](
            src.arg(), dst.arg(), src.step(), dst.step(), 0, 0, 9, 7, identity, 2, 2, 6, 4, 8, 6);
        for (int y = 0; y < 7; ++y)
          for (int x = 0; x < 9; ++x) {
            const bool inside = x >= 2 && x <= 6 && y >= 2 && y <= 4;
            for (int c = 0; c < src.channels(); ++c) {
              const bool written = inside && !(layout == warp::kAC4 && c == 3);
              ASSERT_EQ(dst.get(c, x, y), written ? src.get(c, x, y) : old.get(c, x, y))
                  << x << ", " << y << " channel " << c;
            }
          }
      }
}

TEST(BilinearWarp, FloatLinearReproducesABilinearFunction) {
  // a + b x + c y + d x y is bilinear in every cell, so linear sampling is exact.
  const auto f = [](double x, double y) { return 3.0 + 0.5 * x - 0.75 * y + 0.125 * x * y; };
  WarpImage src(warp::kType32f, warp::kC1, 30, 24), dst(warp::kType32f, warp::kC1, 30, 24);
  src.Fill([&](int, int x, int y) { return f(x, y); });
  const double c[2][4] = {{0.003, 0.9, 0.05, 1.7}, {-0.002, 0.08, 0.85, 2.1}};
  ASSERT_EQ(builtin::fbWarpBilinearBackEngine(src.arg(), src.size(), src.step(), IppiRect{0, 0, 30, 24},
                                              dst.arg(), dst.step(), IppiRect{0, 0, 28, 22},
                                              warp::TypeLayout(1, warp::kC1), c, IPPI_INTER_LINEAR),
            ippStsNoErr);
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 28; ++x) {
      const double sx = ((c[0][0] * x * y + c[0][1] * x) + c[0][2] * y) + c[0][3];
      const double sy = ((c[1][0] * x * y + c[1][1] * x) + c[1][2] * y) + c[1][3];
      ASSERT_NEAR(dst.get(0, x, y), f(sx, sy), 2e-5 * std::fabs(f(sx, sy)) + 1e-5) << x << ", " << y;
    }
}

// ---- Checks and statuses -------------------------------------------------------------------

// One warp call on a 100 x 80 8-bit C1 source, its parts open to change.
struct Call {
  EngineFn engine;
  IppiSize srcSize{100, 80};
  IppiRect srcRoi{0, 0, 100, 80};
  IppiRect dstRoi{0, 0, 50, 40};
  int srcStep = 100, dstStep = 100;
  double c[2][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}};
  int interpolation = IPPI_INTER_LINEAR;
  bool nullSrc = false, nullDst = false;
};

// Runs the call on a ramp source into a destination of 0xEE; returns the status and, in out,
// the destination.
IppStatus RunCall(const Call& call, GuardedImage* out) {
  static std::vector<uint8_t> source = [] {
    std::vector<uint8_t> s(100 * 80);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) s[y * 100 + x] = static_cast<uint8_t>(x + 2 * y);
    return s;
  }();
  out->FillRegion(0xEE);
  return call.engine(call.nullSrc ? nullptr : source.data(), call.srcSize, call.srcStep,
                     call.srcRoi, call.nullDst ? nullptr : out->data(), out->step(),
                     call.dstRoi, 0, call.c,
                     call.interpolation);
}

bool Untouched(GuardedImage& im) {
  for (uint8_t b : im.Region())
    if (b != 0xEE) return false;
  return true;
}

TEST(BilinearWarpBack, ChecksInOrderWriteNothing) {
  const double singular[2][4] = {{0, 1, 1, 0}, {0, 1, 1, 0}};
  struct Case {
    const char* name;
    std::function<void(Call&)> change;
    IppStatus status;
  } cases[] = {
      {"null source", [](Call& c) { c.nullSrc = true; c.srcSize.width = 0; }, ippStsNullPtrErr},
      {"null destination", [](Call& c) { c.nullDst = true; }, ippStsNullPtrErr},
      {"source width 0", [](Call& c) { c.srcSize.width = 0; c.srcStep = 0; }, ippStsSizeErr},
      {"negative srcRoi.y", [](Call& c) { c.srcRoi.y = -1; }, ippStsSizeErr},
      {"dstRoi height 0", [](Call& c) { c.dstRoi.height = 0; c.interpolation = 3; }, ippStsSizeErr},
      {"srcStep 0", [](Call& c) { c.srcStep = 0; c.interpolation = 3; }, ippStsStepErr},
      {"method 3 before coefficients", [&](Call& c) { c.interpolation = 3; std::memcpy(c.c, singular, sizeof singular); }, ippStsInterpolationErr},
      {"bit 31 alone", [](Call& c) { c.interpolation = static_cast<int>(0x80000000u); }, ippStsInterpolationErr},
      {"singular linear part", [&](Call& c) { std::memcpy(c.c, singular, sizeof singular); }, ippStsCoeffErr},
      {"relative 1e-13", [](Call& c) { c.c[0][1] = 1.0; c.c[1][2] = 1.0 + 1e-13; c.c[0][2] = 1.0; c.c[1][1] = 1.0; }, ippStsCoeffErr},
      {"srcRoi outside before a thin region", [](Call& c) { c.srcRoi.x = 100; c.dstRoi.width = 1; }, ippStsWrongIntersectROI},
      {"destination one pixel wide", [](Call& c) { c.dstRoi.width = 1; }, ippStsCoeffErr},
      {"destination one pixel high", [](Call& c) { c.dstRoi.height = 1; }, ippStsCoeffErr},
      {"fold", [](Call& c) { c.c[0][0] = 1; c.c[0][1] = 0; c.c[0][2] = 0.5; }, ippStsCoeffErr},
      {"shift 99.0001", [](Call& c) { c.c[0][3] = 99.0001; }, ippStsWrongIntersectQuad},
      {"shift -49.0001", [](Call& c) { c.c[0][3] = -49.0001; }, ippStsWrongIntersectQuad},
      {"shift below", [](Call& c) { c.c[1][3] = 80; }, ippStsWrongIntersectQuad},
  };
  for (const Case& t : cases) {
    Call call{builtin::fbWarpBilinearBackEngine};
    t.change(call);
    GuardedImage out(100, 80, 1);
    EXPECT_EQ(RunCall(call, &out), t.status) << t.name;
    EXPECT_TRUE(Untouched(out)) << t.name;
    EXPECT_TRUE(out.OutsideUntouched()) << t.name;
  }
  GuardedImage out(100, 80, 1);
  out.FillRegion(0xEE);
  EXPECT_EQ(builtin::ippiWarpBilinearBack_8u_C1R(out.data(), IppiSize{100, 80}, out.step(),
                                                 IppiRect{0, 0, 100, 80}, out.data(), out.step(),
                                                 IppiRect{0, 0, 50, 40}, nullptr, 1),
            ippStsNullPtrErr);
  EXPECT_TRUE(Untouched(out));
}

TEST(BilinearWarpBack, LinearPartTestAndTranslationsAtTheEdges) {
  struct Case {
    const char* name;
    double c[2][4];
    int sourceColumnAtZero;  // what destination column 0 (or 49) samples; -1: untouched
    int probe;
  } cases[] = {
      {"relative 1e-11 passes", {{0, 1, 1, 0}, {0, 1, 1 + 1e-11, 0}}, -2, 0},
      {"transposition", {{0, 0, 1, 0}, {0, 1, 0, 0}}, -2, 0},
      {"shift 99: column 99 through the clip kernel", {{0, 1, 0, 99}, {0, 0, 1, 0}}, 99, 0},
      {"shift -49: column 0", {{0, 1, 0, -49}, {0, 0, 1, 0}}, 0, 49},
  };
  for (const Case& t : cases) {
    Call call{builtin::fbWarpBilinearBackEngine};
    std::memcpy(call.c, t.c, sizeof t.c);
    call.interpolation = IPPI_INTER_NN;
    GuardedImage out(100, 80, 1);
    EXPECT_EQ(RunCall(call, &out), ippStsNoErr) << t.name;
    if (t.sourceColumnAtZero >= 0) {
      EXPECT_EQ(*out.at(t.probe, 3), t.sourceColumnAtZero + 6) << t.name;
      // The clip kernel left the pixels whose positions fall outside untouched.
      const int outside = t.probe == 0 ? 1 : 48;
      EXPECT_EQ(*out.at(outside, 3), 0xEE) << t.name;
    }
  }
}

TEST(BilinearWarpBack, BitThirtyOneChangesNothing) {
  for (int method : {1, 2, 4}) {
    Call call{builtin::fbWarpBilinearBackEngine};
    call.c[0][0] = 0.003;
    call.c[0][3] = 1.3;
    call.c[1][1] = 0.1;
    call.interpolation = method;
    GuardedImage a(100, 80, 1), b(100, 80, 1);
    ASSERT_EQ(RunCall(call, &a), ippStsNoErr);
    call.interpolation = static_cast<int>(method | 0x80000000u);
    ASSERT_EQ(RunCall(call, &b), ippStsNoErr);
    EXPECT_EQ(a.Region(), b.Region()) << method;
  }
}

TEST(BilinearWarpForward, ChecksInOrderWriteNothing) {
  struct Case {
    const char* name;
    std::function<void(Call&)> change;
    IppStatus status;
  } cases[] = {
      {"null source", [](Call& c) { c.nullSrc = true; c.srcSize.width = 0; }, ippStsNullPtrErr},
      {"null destination", [](Call& c) { c.nullDst = true; }, ippStsNullPtrErr},
      {"dstRoi.x negative", [](Call& c) { c.dstRoi.x = -1; c.dstStep = 0; }, ippStsSizeErr},
      {"dstStep 0", [](Call& c) { c.dstStep = 0; c.srcStep = 0; c.interpolation = 3; }, ippStsStepErr},
      {"bit 31 alone", [](Call& c) { c.interpolation = static_cast<int>(0x80000000u); }, ippStsInterpolationErr},
      {"srcRoi outside", [](Call& c) { c.srcRoi.y = 80; c.srcSize.width = 1; }, ippStsWrongIntersectROI},
      {"source one pixel wide", [](Call& c) { c.srcSize.width = 1; }, ippStsRectErr},
      {"clipped region one pixel high", [](Call& c) { c.srcRoi.y = 79; }, ippStsRectErr},
      {"fold", [](Call& c) { c.c[0][0] = 1; c.c[0][1] = 0; }, ippStsCoeffErr},
      {"region moved off", [](Call& c) { c.c[0][3] = 60; }, ippStsWrongIntersectQuad},
  };
  for (const Case& t : cases) {
    Call call{builtin::fbWarpBilinearEngine};
    t.change(call);
    GuardedImage out(100, 80, 1);
    EXPECT_EQ(RunCall(call, &out), t.status) << t.name;
    EXPECT_TRUE(Untouched(out)) << t.name;
  }
  GuardedImage out(100, 80, 1);
  out.FillRegion(0xEE);
  EXPECT_EQ(builtin::ippiWarpBilinear_8u_C1R(out.data(), IppiSize{100, 80}, out.step(),
                                             IppiRect{0, 0, 100, 80}, out.data(), out.step(),
                                             IppiRect{0, 0, 50, 40}, nullptr, 1),
            ippStsNullPtrErr);
  EXPECT_TRUE(Untouched(out));
}

TEST(BilinearWarpForward, NoWorkMemoryGivesMinusNineAndLeavesNothing) {
  // The span block is the first request (its failure reads as nothing covered, 30) and the
  // work buffer the second (-9).
  Call call{builtin::fbWarpBilinearEngine};
  call.c[0][0] = 0.001;
  GuardedImage out(100, 80, 1);
  std::vector<IppStatus> seen;
  const int requests = allochook::ForEachFailure(
      [&] { return RunCall(call, &out); },
      [&](IppStatus status, int k, std::int64_t leaked) {
        seen.push_back(status);
        EXPECT_TRUE(Untouched(out)) << k;
        EXPECT_EQ(leaked, 0) << k;
      });
  EXPECT_EQ(requests, 2);
  EXPECT_EQ(seen, (std::vector<IppStatus>{ippStsWrongIntersectQuad, ippStsMemAllocErr}));
}

TEST(BilinearWarpForward, IdentityCopiesTheRegionAndSmoothingFollowsTheWarp) {
  for (int method : {1, 2, 4}) {
    Call call{builtin::fbWarpBilinearEngine};
    call.interpolation = method;
    call.srcRoi = IppiRect{3, 5, 40, 30};
    call.dstRoi = IppiRect{0, 0, 100, 80};
    GuardedImage out(100, 80, 1);
    ASSERT_EQ(RunCall(call, &out), ippStsNoErr);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) {
        const bool inside = x >= 3 && x < 43 && y >= 5 && y < 35;
        ASSERT_EQ(*out.at(x, y), inside ? (x + 2 * y) & 255 : 0xEE) << method << " " << x << ", " << y;
      }
  }
  // 0x80000001: the nearest warp, then the quadrangle's slanted edges smoothed.
  Call call{builtin::fbWarpBilinearEngine};
  const double c[2][4] = {{0.002, 0.9, 0.2, 5.5}, {-0.001, -0.15, 1.05, 9.3}};
  std::memcpy(call.c, c, sizeof c);
  call.dstRoi = IppiRect{0, 0, 100, 80};
  call.interpolation = IPPI_INTER_NN;
  GuardedImage plain(100, 80, 1), smoothed(100, 80, 1);
  ASSERT_EQ(RunCall(call, &plain), ippStsNoErr);
  call.interpolation = static_cast<int>(0x80000001u);
  ASSERT_EQ(RunCall(call, &smoothed), ippStsNoErr);
  double q[4][2];
  ASSERT_EQ(builtin::fbBilinearQuadChecked(0, 0, 100, 80, q, c), ippStsNoErr);
  builtin::fbSmoothQuadEdges(plain.data(), plain.step(), 0, q, 0, 0, 99, 79,
                             builtin::fbCheckQuad(q));
  EXPECT_EQ(plain.Region(), smoothed.Region());
  GuardedImage unsmoothed(100, 80, 1);
  call.interpolation = IPPI_INTER_NN;
  ASSERT_EQ(RunCall(call, &unsmoothed), ippStsNoErr);
  EXPECT_NE(unsmoothed.Region(), smoothed.Region());
}

// The source point of (X, Y) by Newton's method on the forward map, from the rectangle's centre.
void NewtonInverse(const double c[2][4], double X, double Y, double u0, double v0, double* u,
                   double* v) {
  double x = u0, y = v0;
  for (int i = 0; i < 60; ++i) {
    const double fx = c[0][0] * x * y + c[0][1] * x + c[0][2] * y + c[0][3] - X;
    const double fy = c[1][0] * x * y + c[1][1] * x + c[1][2] * y + c[1][3] - Y;
    const double a = c[0][0] * y + c[0][1], b = c[0][0] * x + c[0][2];
    const double d = c[1][0] * y + c[1][1], e = c[1][0] * x + c[1][2];
    const double det = a * e - b * d;
    x -= (fx * e - fy * b) / det;
    y -= (fy * a - fx * d) / det;
  }
  *u = x;
  *v = y;
}

TEST(BilinearWarpForward, SourcePointsMatchNewtonInEveryCase) {
  // The engine's path: quadrangle, record, spans, row set-up with carried sums, row inverse.
  const IppiRect srcRoi{3, 2, 60, 45};
  const int x0 = 3, y0 = 2, x1 = 62, y1 = 46;
  for (const Map& m : ForwardMaps()) {
    for (int flip = 0; flip < 2; ++flip) {
      double c[2][4];
      std::memcpy(c, m.c, sizeof c);
      if (flip == 1)  // mirror the destination vertically: the other orientation
        for (int k = 0; k < 4; ++k) c[1][k] = -c[1][k] + (k == 3 ? 120.0 : 0.0);
      double q[4][2], k[11];
      ASSERT_EQ(builtin::fbBilinearQuadChecked(srcRoi.x, srcRoi.y, srcRoi.width, srcRoi.height, q, c), ippStsNoErr);
      int inverseCase, rootFlag, orientation;
      builtin::fbBilinearSolve(x0, y0, x1, y1, q, nullptr, k, &inverseCase, &rootFlag, &orientation, 0);
      builtin::fbRowSpan* spans = nullptr;
      int first, last;
      ASSERT_EQ(builtin::fbQuadRowSpans(q, 0, 0, 199, 199, orientation, &spans, &first, &last), 1);
      std::vector<double> buffer(400);
      double R2 = k[6] * first + k[8], R3 = k[7] * first + k[9];
      int checked = 0;
      for (int y = first; y <= last; ++y, R2 += k[6], R3 += k[7]) {
        const builtin::fbRowSpan s = spans[y - first];
        const int n = s.xend - s.xstart + 1;
        if (n < 1) continue;
        builtin::fbBilinearInverseRow(buffer.data(), n, R3 + k[5] * s.xstart, k[5], R2 + k[4] * s.xstart, k[4],
                                      (k[1] * y + k[2]) + k[0] * s.xstart, k[0], k[3], k[10], inverseCase, rootFlag);
        for (int i = 0; i < n; ++i) {
          double u, v;
          NewtonInverse(c, s.xstart + i, y, (x0 + x1) / 2.0, (y0 + y1) / 2.0, &u, &v);
          ASSERT_NEAR(buffer[i], u, 1e-8) << m.name << " flip " << flip << " at " << s.xstart + i << ", " << y;
          ASSERT_NEAR(buffer[n + i], v, 1e-8) << m.name << " flip " << flip << " at " << s.xstart + i << ", " << y;
          ++checked;
        }
      }
      EXPECT_GT(checked, 1000);
      builtin::fbAlignedFree(spans);
    }
  }
}

// ---- Beside cv::remap -------------------------------------------------------------------

// Both warps on a smooth 8-bit C3 image beside cv::remap with float maps of the same mapping,
// compared two pixels inside the covered area: linear within 1, nearest equal except where a
// position lies within a hair of a half (the maps hold floats).
TEST(BilinearWarp, AgreesWithRemap) {
  const int w = 120, h = 90;
  cv::Mat src(h, w, CV_8UC3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      src.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uint8_t>(128 + 100 * std::sin(x * 0.07 + y * 0.03)),
                                          static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 2 + x / 3));
  const double c[2][4] = {{0.0004, 0.97, 0.03, 2.2}, {-0.0003, 0.02, 1.03, -1.4}};
  const IppiRect whole{0, 0, w, h};
  for (bool back : {true, false})
    for (int method : {IPPI_INTER_NN, IPPI_INTER_LINEAR}) {
      SCOPED_TRACE(std::string(back ? "back" : "forward") + " method " + std::to_string(method));
      cv::Mat dst(h, w, CV_8UC3, cv::Scalar(7, 7, 7)), ref = dst.clone();
      cv::Mat mapX(h, w, CV_32FC1), mapY(h, w, CV_32FC1);
      cv::Mat posX(h, w, CV_64FC1), posY(h, w, CV_64FC1);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          double u = ((c[0][0] * x * y + c[0][1] * x) + c[0][2] * y) + c[0][3];
          double v = ((c[1][0] * x * y + c[1][1] * x) + c[1][2] * y) + c[1][3];
          if (!back) NewtonInverse(c, x, y, w / 2.0, h / 2.0, &u, &v);
          posX.at<double>(y, x) = u;
          posY.at<double>(y, x) = v;
          mapX.at<float>(y, x) = static_cast<float>(u);
          mapY.at<float>(y, x) = static_cast<float>(v);
        }
      const auto fn = back ? builtin::ippiWarpBilinearBack_8u_C3R : builtin::ippiWarpBilinear_8u_C3R;
      ASSERT_EQ(fn(src.data, IppiSize{w, h}, static_cast<int>(src.step), whole, dst.data,
                   static_cast<int>(dst.step), whole, c, method),
                ippStsNoErr);
      cv::remap(src, ref, mapX, mapY, method == IPPI_INTER_NN ? cv::INTER_NEAREST : cv::INTER_LINEAR,
                cv::BORDER_TRANSPARENT);
      int compared = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const double u = posX.at<double>(y, x), v = posY.at<double>(y, x);
          if (u < 2 || v < 2 || u > w - 3 || v > h - 3) continue;
          if (method == IPPI_INTER_NN &&
              (std::fabs(u - std::floor(u) - 0.5) < 1e-3 || std::fabs(v - std::floor(v) - 0.5) < 1e-3))
            continue;
          ++compared;
          for (int ch = 0; ch < 3; ++ch) {
            const int a = dst.at<cv::Vec3b>(y, x)[ch], b = ref.at<cv::Vec3b>(y, x)[ch];
            ASSERT_LE(std::abs(a - b), method == IPPI_INTER_NN ? 0 : 1) << x << ", " << y << " channel " << ch;
          }
        }
      EXPECT_GT(compared, w * h / 2);
    }
}

}  // namespace
