// The general resize driver: its checks in order, the destination size, and every method, type
// and layout against the naive model on guarded images.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "primitives/resampling/ResizeEngine.h"
#include "primitives/resampling/ResizeKernels.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/resampling/ResizeModel.h"

namespace {

using imagetest::GuardedImage;
namespace model = resizemodel;

struct Request {
  int type = 0;      // 0 8u, 1 16u, 2 32f
  int channels = 1;
  int stride = 1;
  bool planar = false;
  int method = 1;
  IppiSize srcSize{16, 12};
  IppiRect roi{0, 0, 16, 12};
  IppiSize dst{64, 64};
  double fx = 1.0, fy = 1.0;
  int stepSign = 1;  // 1 top-down, -1 bottom-up, 0 every row the same
};

std::string Describe(const Request& s) {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "type %d ch %d stride %d planar %d method %d src %dx%d roi %d,%d %dx%d dst %dx%d "
                "f %g,%g step %d",
                s.type, s.channels, s.stride, s.planar, s.method, s.srcSize.width,
                s.srcSize.height, s.roi.x, s.roi.y, s.roi.width, s.roi.height, s.dst.width,
                s.dst.height, s.fx, s.fy, s.stepSign);
  return buf;
}

int ElementBytes(int type) { return type == 0 ? 1 : type == 1 ? 2 : 4; }

void FillSource(GuardedImage& img, int type, std::mt19937& rng) {
  if (type != 2) {
    img.Randomize(rng);
    return;
  }
  std::uniform_real_distribution<float> value(-20.0f, 300.0f);
  for (int y = 0; y < img.height(); ++y)
    for (int i = 0; i < img.rowBytes() / 4; ++i) {
      const float v = value(rng);
      std::memcpy(img.row(y) + 4 * i, &v, 4);
    }
}

double Element(const uint8_t* p, int type) {
  if (type == 0) return *p;
  if (type == 1) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  float v;
  std::memcpy(&v, p, 4);
  return v;
}

// Runs the engine on guarded images and compares every written sample with the model (exactly
// for nearest and linear; within 1 for integer cubic and Lanczos, 1e-5 of the range for float)
// and every other byte of the destination with its value before the call.
testing::AssertionResult RunAgainstModel(const Request& s, std::mt19937& rng) {
  const int eb = ElementBytes(s.type);
  const int planes = s.planar ? (s.channels == 3 ? 3 : 4) : 1;
  const int pixel = s.planar ? 1 : s.stride;
  std::vector<std::unique_ptr<GuardedImage>> src, dst;
  std::vector<const void*> srcPlanes;
  std::vector<void*> dstPlanes;
  ptrdiff_t step = 0;
  for (int k = 0; k < planes; ++k) {
    src.push_back(std::make_unique<GuardedImage>(s.srcSize.width, s.srcSize.height, pixel * eb));
    dst.push_back(std::make_unique<GuardedImage>(s.dst.width, s.dst.height, pixel * eb));
    FillSource(*src[k], s.type, rng);
    dst[k]->Randomize(rng);
    GuardedImage& img = *src[k];
    step = s.stepSign * img.step();
    srcPlanes.push_back(s.stepSign < 0 ? img.row(img.height() - 1) : img.data());
    dstPlanes.push_back(dst[k]->data());
  }
  std::vector<std::vector<uint8_t>> before;
  for (auto& d : dst) before.push_back(d->Region());

  const void* pSrc = s.planar ? static_cast<const void*>(srcPlanes.data()) : srcPlanes[0];
  void* pDst = s.planar ? static_cast<void*>(dstPlanes.data()) : dstPlanes[0];
  const IppStatus st = builtin::fbResizeEngine(
      pSrc, s.srcSize, static_cast<int32_t>(step), s.roi, pDst, dst[0]->step(), s.dst, s.fx,
      s.fy, s.stride, s.channels, s.type, s.planar, s.method);
  if (st != ippStsNoErr) return testing::AssertionFailure() << Describe(s) << ": status " << st;

  const int method = model::Method(s.method, s.srcSize);
  const int W = std::min(s.roi.width, s.srcSize.width - s.roi.x);
  const int H = std::min(s.roi.height, s.srcSize.height - s.roi.y);
  const int dW = model::Side(s.dst.width, W, s.fx), dH = model::Side(s.dst.height, H, s.fy);
  const auto cols = model::Axis(method, W, s.fx, dW, s.roi.x, s.srcSize.width);
  const auto rows = model::Axis(method, H, s.fy, dH, s.roi.y, s.srcSize.height);
  const model::Extents ext{s.roi.x, s.roi.y, s.srcSize.width - s.roi.x, s.srcSize.height - s.roi.y};
  const int written = s.planar ? 1 : s.channels;
  const bool approx = method == 4 || method == 16;
  const double tol = !approx ? 0.0 : s.type == 2 ? 1e-5 * 320 : 1.0;
  for (int k = 0; k < planes; ++k) {
    const model::View view{static_cast<const uint8_t*>(srcPlanes[k]) + s.roi.y * step +
                               static_cast<ptrdiff_t>(s.roi.x) * pixel * eb,
                           step, pixel, s.type};
    std::vector<uint8_t> expected = before[k];
    const std::vector<uint8_t> actual = dst[k]->Region();
    const int rowBytes = dst[k]->rowBytes();
    for (int i = 0; i < dH; ++i)
      for (int j = 0; j < dW; ++j)
        for (int c = 0; c < written; ++c) {
          const ptrdiff_t at = static_cast<ptrdiff_t>(i) * rowBytes + (j * pixel + c) * eb;
          const double want = model::Sample(view, method, rows[i], cols[j], c, ext);
          const double got = Element(actual.data() + at, s.type);
          const bool ok = s.type == 2 && !approx
                              ? static_cast<float>(want) == static_cast<float>(got)
                              : std::fabs(want - got) <= tol;
          if (!ok)
            return testing::AssertionFailure() << Describe(s) << ": plane " << k << " (" << i
                                               << ", " << j << ", " << c << ") is " << got
                                               << ", model " << want;
          std::memcpy(expected.data() + at, actual.data() + at, eb);
        }
    if (expected != actual)
      return testing::AssertionFailure() << Describe(s) << ": bytes outside the result changed";
    if (!dst[k]->OutsideUntouched())
      return testing::AssertionFailure() << Describe(s) << ": write outside the destination";
  }
  return testing::AssertionSuccess();
}

struct Layout {
  int channels, stride;
  bool planar;
};
constexpr Layout kLayouts[] = {{1, 1, false}, {3, 3, false}, {3, 4, false},
                               {4, 4, false}, {3, 0, true},  {4, 0, true}};

struct Geometry {
  IppiSize srcSize;
  IppiRect roi;
  double fx, fy;
};

// Regions touching the image's edges and lying inside it, enlargements up to x4 and reductions
// of up to seven source rows per destination row, about twenty factors.
const Geometry kGeometries[] = {
    {{16, 12}, {0, 0, 16, 12}, 1.0, 1.0},      {{16, 12}, {0, 0, 16, 12}, 2.0, 4.0},
    {{16, 12}, {0, 0, 16, 12}, 0.5, 0.3},      {{17, 13}, {3, 2, 9, 8}, 1.7, 0.75},
    {{17, 13}, {1, 1, 15, 11}, 0.66, 1.3},     {{20, 30}, {2, 0, 18, 30}, 0.25, 0.142857},
    {{20, 30}, {0, 5, 20, 25}, 3.3, 0.2},      {{20, 30}, {18, 28, 2, 2}, 2.5, 1.5},
    {{12, 40}, {0, 0, 12, 40}, 1.1, 0.17},     {{12, 12}, {5, 5, 7, 7}, 0.9, 2.2},
    {{12, 12}, {0, 11, 12, 1}, 1.25, 3.0},     {{30, 10}, {0, 0, 40, 40}, 0.33, 0.6},
    {{9, 9}, {2, 1, 6, 7}, 4.0, 0.4},          {{16, 12}, {1, 2, 14, 9}, 0.13, 0.75},
    {{6, 5}, {0, 0, 6, 5}, 1.5, 2.0},          {{3, 7}, {0, 0, 3, 7}, 2.0, 1.0},
    {{1, 9}, {0, 0, 1, 9}, 3.0, 0.5},          {{16, 12}, {4, 3, 6, 5}, 0.1666, 0.2},
};

TEST(ResizeEngine, EveryMethodTypeAndLayoutMatchesTheModel) {
  std::mt19937 rng(42);
  for (int type = 0; type < 3; ++type)
    for (const Layout& l : kLayouts)
      for (int method : {1, 2, 4, 16})
        for (const Geometry& g : kGeometries)
          for (int stepSign : {1, -1}) {
            Request s;
            s.type = type;
            s.channels = l.channels;
            s.stride = l.stride;
            s.planar = l.planar;
            s.method = method;
            s.srcSize = g.srcSize;
            s.roi = g.roi;
            s.fx = g.fx;
            s.fy = g.fy;
            s.dst = {70, 70};
            s.stepSign = stepSign;
            ASSERT_TRUE(RunAgainstModel(s, rng));
          }
}

// A destination request smaller than the computed size is kept; rows then stop early.
TEST(ResizeEngine, SmallerRequestsAndRepeatedRows) {
  std::mt19937 rng(7);
  for (int method : {1, 2, 4, 16})
    for (int type = 0; type < 3; ++type) {
      Request s;
      s.type = type;
      s.method = method;
      s.channels = 3;
      s.stride = 3;
      s.srcSize = {20, 14};
      s.roi = {0, 0, 20, 14};
      s.fx = 2.0;
      s.fy = 0.5;
      s.dst = {15, 3};
      ASSERT_TRUE(RunAgainstModel(s, rng));
      // A row step of 0: every row is the same source row, and nothing divides by it.
      s.stepSign = 0;
      s.dst = {70, 70};
      s.fy = 1.7;
      ASSERT_TRUE(RunAgainstModel(s, rng));
    }
}

// The vector blocks inside the kernels (from a row's start or, Lanczos, from its first column
// whose taps lie inside, the plain code before and after them, the work rows' slack) give the
// bytes of the scalar target, where the row passes' blocks do nothing: 8-bit images of every
// layout on rows at odd addresses, every method, enlargements and reductions, regions inside
// the image and at its edges.
TEST(ResizeEngine, EveryVectorTargetGivesTheScalarBytes) {
  std::mt19937 rng(5);
  struct Case {
    IppiSize srcSize;
    IppiRect roi;
    double fx, fy;
  };
  const Case cases[] = {{{150, 23}, {0, 0, 150, 23}, 1.7, 1.3},
                        {{150, 23}, {5, 2, 140, 19}, 0.55, 0.8},
                        {{150, 23}, {9, 0, 141, 23}, 0.3, 2.2},
                        {{150, 23}, {0, 3, 61, 20}, 2.9, 0.45}};
  for (const Layout& l : kLayouts)
    for (int method : {1, 2, 4, 16})
      for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "channels " << l.channels << " stride " << l.stride
                                        << " planar " << l.planar << " method " << method
                                        << " factors " << c.fx << "," << c.fy);
        const int planes = l.planar ? (l.channels == 3 ? 3 : 4) : 1;
        const int pixel = l.planar ? 1 : l.stride;
        const IppiSize dstSize{480, 60};
        std::vector<std::unique_ptr<GuardedImage>> src, dst;
        std::vector<const void*> srcPlanes;
        std::vector<void*> dstPlanes;
        for (int k = 0; k < planes; ++k) {
          src.push_back(std::make_unique<GuardedImage>(
              c.srcSize.width, c.srcSize.height, pixel,
              GuardedImage::ExactStep{c.srcSize.width * pixel + 3, 1 + k}));
          dst.push_back(std::make_unique<GuardedImage>(
              dstSize.width, dstSize.height, pixel,
              GuardedImage::ExactStep{dstSize.width * pixel + 5, 3 - k}));
          src[k]->Randomize(rng);
          srcPlanes.push_back(src[k]->data());
          dstPlanes.push_back(dst[k]->data());
        }
        auto run = [&] {
          for (auto& d : dst) d->FillRegion(0x5A);
          const IppStatus st = builtin::fbResizeEngine(
              l.planar ? static_cast<const void*>(srcPlanes.data()) : srcPlanes[0], c.srcSize,
              src[0]->step(), c.roi, l.planar ? static_cast<void*>(dstPlanes.data()) : dstPlanes[0],
              dst[0]->step(), dstSize, c.fx, c.fy, l.stride, l.channels, 0, l.planar, method);
          EXPECT_EQ(st, ippStsNoErr);
          std::vector<uint8_t> bytes;
          for (auto& d : dst) {
            EXPECT_TRUE(d->OutsideUntouched());
            const auto r = d->Region();
            bytes.insert(bytes.end(), r.begin(), r.end());
          }
          return bytes;
        };
        hwy::SetSupportedTargetsForTest(HWY_SCALAR);
        const std::vector<uint8_t> scalar = run();
        hwy::SetSupportedTargetsForTest(0);
        imagetest::ForEachVectorTarget([&] { ASSERT_EQ(run(), scalar); });
        if (testing::Test::HasFatalFailure()) return;
      }
}

}  // namespace
