// The general resize driver's checks and sizes, the kernels' spot values, and the Lanczos
// sample table, weights and unclamped kernels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "primitives/resampling/ResizeEngine.h"
#include "primitives/resampling/ResizeKernels.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/resampling/LanczosCall.h"

namespace {

using imagetest::GuardedImage;
using namespace builtin::resize;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ResizeChecks, StatusesInCheckOrderWriteNothing) {
  struct Case {
    bool nullSrc, nullDst;
    IppiSize srcSize;
    IppiRect roi;
    IppiSize dst;
    double fx, fy;
    int interpolation;
    IppStatus status;
    int pixelStride = 1, channels = 1, dataType = 0;
  };
  const IppiSize s{8, 8};
  const IppiRect r{0, 0, 8, 8};
  const IppiSize d{8, 8};
  const Case cases[] = {
      {true, false, {0, 0}, {-1, 0, 0, 0}, {0, 0}, 0, 0, 3, ippStsNullPtrErr},
      {false, true, s, r, d, 1, 1, 1, ippStsNullPtrErr},
      {false, false, {0, 8}, r, {0, 0}, 0, 0, 3, ippStsSizeErr},
      {false, false, s, {-1, 0, 8, 8}, d, 1, 1, 1, ippStsSizeErr},
      {false, false, s, {0, 0, 8, 0}, d, 1, 1, 1, ippStsSizeErr},
      {false, false, s, {8, 0, 8, 8}, {0, 0}, 0, 0, 3, ippStsWrongIntersectROI},
      {false, false, s, {0, 8, 8, 8}, d, 1, 1, 1, ippStsWrongIntersectROI},
      {false, false, s, r, {0, 8}, 0, 0, 3, ippStsSizeErr},
      {false, false, s, r, {8, -1}, 1, 1, 1, ippStsSizeErr},
      {false, false, s, r, d, 0, 1, 3, ippStsResizeFactorErr},
      {false, false, s, r, d, 1, -2, 1, ippStsResizeFactorErr},
      {false, false, s, r, d, kNaN, 1, 1, ippStsResizeFactorErr},
      {false, false, s, r, d, 1, kNaN, 1, ippStsResizeFactorErr},
      {false, false, s, r, d, 1, 1, 3, ippStsInterpolationErr},
      {false, false, s, r, d, 0.5, 0.5, 8, ippStsInterpolationErr},
      {false, false, s, r, d, 1, 1, static_cast<int>(0x80000001u), ippStsInterpolationErr},
      {false, false, s, r, d, 1, 1, 16 | static_cast<int>(0x80000000u), ippStsInterpolationErr},
      {false, false, s, {0, 0, 3, 8}, d, 0.1, 1, 2, ippStsResizeNoOperationErr},
      {false, false, s, {0, 0, 8, 3}, d, 1, 0.1, 2, ippStsResizeNoOperationErr},
      // Type and channel codes that name no kernel, after the interpolation.
      {false, false, s, r, d, 1, 1, 3, ippStsInterpolationErr, 1, 2, 3},
      {false, false, s, r, d, 1, 1, 1, ippStsSizeErr, 1, 1, 3},
      {false, false, s, r, d, 1, 1, 1, ippStsSizeErr, 1, 1, -1},
      {false, false, s, r, d, 1, 1, 2, ippStsSizeErr, 1, 1, 0x40000000},
      {false, false, s, r, d, 1, 1, 1, ippStsSizeErr, 2, 2, 0},
      {false, false, s, r, d, 1, 1, 2, ippStsSizeErr, 1, 0, 0},
      {false, false, s, r, d, 1, 1, 1, ippStsSizeErr, 5, 5, 0},
      {false, false, s, r, d, 1, 1, 1, ippStsSizeErr, 1, -1, 0},
      {false, false, s, r, d, 1, 1, 1, ippStsSizeErr, 2, 3, 0},  // stride below channels
  };
  std::mt19937 rng(3);
  GuardedImage src(8, 8, 1);
  src.Randomize(rng);
  for (const Case& c : cases) {
    GuardedImage dst(8, 8, 1);
    dst.Randomize(rng);
    const auto before = dst.Region();
    const IppStatus st = builtin::fbResizeEngine(
        c.nullSrc ? nullptr : src.data(), c.srcSize, src.step(), c.roi,
        c.nullDst ? nullptr : dst.data(), dst.step(), c.dst, c.fx, c.fy, c.pixelStride,
        c.channels, c.dataType, 0, c.interpolation);
    EXPECT_EQ(st, c.status) << &c - cases;
    EXPECT_EQ(dst.Region(), before) << &c - cases;
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

// Width 5 at 0.1: 0.5000001 makes one column. A 10 x 10 request from a 4 x 4 region at 2 writes
// 8 x 8. A region past the image's edge is clipped.
TEST(ResizeChecks, DestinationSizes) {
  struct Case {
    IppiRect roi;
    double fx, fy;
    int writtenW, writtenH;
  };
  const Case cases[] = {
      {{0, 0, 5, 4}, 0.1, 1.0, 1, 4},
      {{0, 0, 4, 4}, 2.0, 2.0, 8, 8},
      {{2, 3, 4, 4}, 2.5, 2.0, 10, 8},
      {{6, 0, 9, 2}, 2.0, 1.0, 4, 2},  // 9 wide clipped to 2
  };
  std::mt19937 rng(5);
  GuardedImage src(8, 8, 1);
  src.Randomize(rng);
  for (const Case& c : cases)
    for (int method : {1, 2, 4, 16}) {
      GuardedImage dst(10, 10, 1);
      dst.FillRegion(0xEE);
      ASSERT_EQ(builtin::fbResizeEngine(src.data(), src.size(), src.step(), c.roi, dst.data(),
                                        dst.step(), IppiSize{10, 10}, c.fx, c.fy, 1, 1, 0, 0,
                                        method),
                ippStsNoErr);
      int w = 0, h = 0;  // extent of the written pixels (0xEE is no source value here? check rows)
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
          if (dst.row(y)[x] != 0xEE || (x < c.writtenW && y < c.writtenH)) {
            w = std::max(w, x + 1);
            h = std::max(h, y + 1);
          }
      EXPECT_EQ(w, c.writtenW) << &c - cases << " method " << method;
      EXPECT_EQ(h, c.writtenH) << &c - cases << " method " << method;
      EXPECT_TRUE(dst.OutsideUntouched());
    }
}

// The method follows the size of the whole image, not the region's.
TEST(ResizeChecks, MethodDowngradedByTheWholeImage) {
  auto run = [](IppiSize size, IppiRect roi, int method, const std::vector<uint8_t>& pixels) {
    GuardedImage src(size.width, size.height, 1), dst(24, 24, 1);
    for (int y = 0; y < size.height; ++y)
      std::memcpy(src.row(y), pixels.data() + y * size.width, size.width);
    dst.FillRegion(0);
    EXPECT_EQ(builtin::fbResizeEngine(src.data(), size, src.step(), roi, dst.data(), dst.step(),
                                      IppiSize{24, 24}, 2.3, 1.7, 1, 1, 0, 0, method),
              ippStsNoErr);
    return dst.Region();
  };
  std::mt19937 rng(9);
  std::vector<uint8_t> pixels(20 * 20);
  for (auto& p : pixels) p = static_cast<uint8_t>(rng());
  struct Case {
    IppiSize size;
    IppiRect roi;
    int asked, used;
    bool same;
  };
  const Case cases[] = {
      {{5, 9}, {0, 0, 5, 9}, 16, 4, true},   // 5 wide: Lanczos runs as cubic
      {{3, 9}, {0, 0, 3, 9}, 16, 2, true},   // 3 wide: linear
      {{3, 9}, {0, 0, 3, 9}, 4, 2, true},
      {{9, 1}, {0, 0, 9, 1}, 4, 1, true},    // 1 high: nearest
      {{20, 20}, {4, 4, 3, 3}, 4, 2, false}, // a small region of a large image keeps cubic
      {{20, 20}, {4, 4, 5, 5}, 16, 4, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(run(c.size, c.roi, c.asked, pixels) == run(c.size, c.roi, c.used, pixels), c.same)
        << &c - cases;
}

// Nearest with a side forced to 1 samples at 0.5 / factor, one past the region: it reads the
// region's last column or row, never the image's next one or past the image.
TEST(ResizeChecks, NearestSideForcedToOneStaysInTheRegion) {
  GuardedImage src(20, 20, 1);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) src.row(y)[x] = static_cast<uint8_t>(10 * x + y);
  struct Case {
    IppiRect roi;
    double fx, fy;
    int col, row;  // expected source pixel of destination (0, 0)
  };
  const Case cases[] = {
      {{15, 0, 5, 20}, 0.1, 1.0, 19, 0},  // region at the image's right edge
      {{10, 2, 5, 20}, 0.1, 1.0, 14, 2},  // inside the image
      {{0, 15, 20, 5}, 1.0, 0.1, 0, 19},
      {{3, 6, 20, 5}, 1.0, 0.1, 3, 10},
  };
  for (const Case& c : cases) {
    GuardedImage dst(4, 4, 1);
    dst.FillRegion(0xFF);
    ASSERT_EQ(builtin::fbResizeEngine(src.data(), src.size(), src.step(), c.roi, dst.data(),
                                      dst.step(), IppiSize{4, 4}, c.fx, c.fy, 1, 1, 0, 0,
                                      IPPI_INTER_NN),
              ippStsNoErr);
    EXPECT_EQ(dst.row(0)[0], 10 * c.col + c.row) << &c - cases;
  }
}

// A shrink whose product factor x width falls just short of 2 (within the 1e-7 that still makes
// two columns) steps (W - 1) / (W f - 1), past W - 1: for a region 1.2e7 pixels wide the second
// position lies 1.19 pixels beyond the last column. Linear and cubic sample the last column
// there, reading nothing past it.
TEST(ResizeChecks, ShrinkJustShortOfAWholeSideSamplesTheLastColumn) {
  constexpr int kWidth = 12'000'000, kHeight = 4;
  GuardedImage src(kWidth, kHeight, 1);
  src.FillRegion(10);
  for (int y = 0; y < kHeight; ++y) {
    src.row(y)[0] = static_cast<uint8_t>(50 + y);
    src.row(y)[kWidth - 1] = static_cast<uint8_t>(200 + y);
  }
  const double fx = (2.0 - 0.99e-7) / kWidth;
  for (int method : {IPPI_INTER_LINEAR, IPPI_INTER_CUBIC}) {
    GuardedImage dst(2, kHeight, 1);
    dst.FillRegion(0);
    ASSERT_EQ(builtin::fbResizeEngine(src.data(), src.size(), src.step(),
                                      IppiRect{0, 0, kWidth, kHeight}, dst.data(), dst.step(),
                                      IppiSize{2, kHeight}, fx, 1.0, 1, 1, 0, 0, method),
              ippStsNoErr);
    for (int y = 0; y < kHeight; ++y) {
      EXPECT_EQ(dst.row(y)[0], 50 + y) << method;
      EXPECT_EQ(dst.row(y)[1], 200 + y) << method;
    }
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

// Every refused allocation gives -9, writes nothing and leaves nothing allocated.
TEST(ResizeChecks, AllocationFailures) {
  std::mt19937 rng(11);
  GuardedImage src(16, 16, 3);
  src.Randomize(rng);
  for (int type : {0, 1})
    for (int method : {1, 2, 4, 16}) {
      GuardedImage dst(20, 20, 3);
      dst.Randomize(rng);
      const auto before = dst.Region();
      const int requests = allochook::ForEachFailure(
          [&] {
            return builtin::fbResizeEngine(src.data(), IppiSize{16 / (type + 1), 16}, src.step(),
                                           IppiRect{0, 0, 8, 16}, dst.data(), dst.step(),
                                           IppiSize{20 / (type + 1), 20}, 1.3, 1.2, 3, 3, type,
                                           0, method);
          },
          [&](IppStatus st, int k, int64_t leaked) {
            EXPECT_EQ(st, ippStsMemAllocErr) << method << " request " << k;
            EXPECT_EQ(leaked, 0) << method << " request " << k;
            EXPECT_EQ(dst.Region(), before) << method << " request " << k;
          });
      EXPECT_EQ(requests, method == 1 ? 2 : method == 2 ? 6 : method == 4 ? 8 : 12) << method;
    }
}

TEST(ResizeKernels, ConstantImagesStayConstant) {
  for (int type = 0; type < 3; ++type)
    for (int method : {1, 2, 4, 16}) {
      const int eb = type == 0 ? 1 : type == 1 ? 2 : 4;
      GuardedImage src(13, 11, 4 * eb), dst(30, 30, 4 * eb);
      for (int y = 0; y < 11; ++y)
        for (int i = 0; i < 13 * 4; ++i) {
          const uint8_t b8 = 200;
          const uint16_t b16 = 60000;
          const float f = 123.25f;
          if (type == 0) std::memcpy(src.row(y) + i, &b8, 1);
          if (type == 1) std::memcpy(src.row(y) + 2 * i, &b16, 2);
          if (type == 2) std::memcpy(src.row(y) + 4 * i, &f, 4);
        }
      ASSERT_EQ(builtin::fbResizeEngine(src.data(), src.size(), src.step(),
                                        IppiRect{1, 2, 12, 9}, dst.data(), dst.step(),
                                        IppiSize{30, 30}, 2.4, 0.6, 4, 4, type, 0, method),
                ippStsNoErr);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 28 * 4; ++x) {
          double v;
          if (type == 0) v = dst.row(y)[x];
          if (type == 1) {
            uint16_t u;
            std::memcpy(&u, dst.row(y) + 2 * x, 2);
            v = u;
          }
          if (type == 2) {
            float f;
            std::memcpy(&f, dst.row(y) + 4 * x, 4);
            v = f;
          }
          ASSERT_NEAR(v, type == 0 ? 200 : type == 1 ? 60000 : 123.25, type == 2 ? 1e-4 : 0)
              << type << " " << method << " " << y << " " << x;
        }
    }
}

// Spot values of the passes: the Q14 middle, the cubic through steps and bumps, the cubic's
// end node, and the rounding of the Lanczos column passes.
TEST(ResizeKernels, SpotValues) {
  {
    const int16_t upper[1] = {0}, lower[1] = {64 * 255};
    const int16_t a = 8192;
    uint8_t d = 0;
    fbLinearColumnPass<uint8_t>(&d, upper, lower, a, 1, false);
    EXPECT_EQ(d, 128);
    const int16_t q6[1] = {64 * 77};
    const int16_t zero = 0;
    fbLinearColumnPass<uint8_t>(&d, q6, lower, zero, 1, false);
    EXPECT_EQ(d, 77);
  }
  struct CubicCase {
    float nodes[4];
    float t;
    double want8u;
  };
  const CubicCase cubic[] = {
      {{0, 0, 255, 255}, 0.5f, 128}, {{0, 255, 255, 0}, 0.5f, 255}, {{3, 7, 11, 200}, 2.0f, 200},
      {{3, 7, 11, 200}, 0.0f, 7},    {{3, 7, 11, 200}, -1.0f, 3},   {{0, 0, -0.4f, -0.4f}, 2.0f, 0},
      {{-3.2f, 0, 0, 0}, -1.0f, 0},  {{9, 9, 9, 9}, 0.37f, 9},
  };
  for (const CubicCase& c : cubic) {
    const float rows[4][1] = {{c.nodes[0]}, {c.nodes[1]}, {c.nodes[2]}, {c.nodes[3]}};
    const float* const window[4] = {rows[0], rows[1], rows[2], rows[3]};
    uint8_t d = 77;
    fbCubicColumnPass<uint8_t>(&d, window, c.t, 1, false);
    EXPECT_EQ(d, c.want8u) << &c - cubic;
  }
  {  // 32f keeps the overshoot of 0, 255, 255, 0.
    const float rows[4][1] = {{0}, {255}, {255}, {0}};
    const float* const window[4] = {rows[0], rows[1], rows[2], rows[3]};
    float d = 0;
    fbCubicColumnPass<float>(reinterpret_cast<uint8_t*>(&d), window, 0.5f, 1, false);
    EXPECT_FLOAT_EQ(d, 286.875f);
  }
  struct LanczosCase {
    float value;
    int type;
    double want;
  };
  const LanczosCase lanczos[] = {
      {0.49999997f, 0, 1}, {0.4999998f, 0, 0},   {-0.3f, 0, 0},        {-300.0f, 0, 0},
      {254.5f, 0, 255},    {254.4f, 0, 254},     {70000.0f, 1, 65535}, {-1.0f, 1, 0},
      {65534.6f, 1, 65535}, {-5.5f, 2, -5.5},    {400.25f, 2, 400.25},
  };
  const float center[6] = {0, 0, 1, 0, 0, 0};
  for (const LanczosCase& c : lanczos) {
    const float row[1] = {c.value}, other[1] = {1e6f};
    const float* const window[6] = {other, other, row, other, other, other};
    uint8_t d[4] = {};
    fbLanczosColumnPass<uint8_t>(d, 1, center, window, false);  // warm the call shape
    double got = 0;
    if (c.type == 0) {
      fbLanczosColumnPass<uint8_t>(d, 1, center, window, false);
      got = d[0];
    } else if (c.type == 1) {
      uint16_t u;
      fbLanczosColumnPass<uint16_t>(reinterpret_cast<uint8_t*>(&u), 1, center, window, false);
      got = u;
    } else {
      float f;
      fbLanczosColumnPass<float>(reinterpret_cast<uint8_t*>(&f), 1, center, window, false);
      got = f;
    }
    EXPECT_EQ(got, c.want) << &c - lanczos;
  }
  {  // Three values into four-element pixels: the fourth element stays.
    const float row[6] = {1, 2, 3, 4, 5, 6};
    const float* const window[6] = {row, row, row, row, row, row};
    const float even[6] = {0.5f, 0.5f, 0, 0, 0, 0};
    uint8_t d[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    fbLanczosColumnPass<uint8_t>(d, 2, even, window, true);
    EXPECT_EQ(std::vector<uint8_t>(d, d + 8), (std::vector<uint8_t>{1, 2, 3, 9, 4, 5, 6, 9}));
  }
}

TEST(ResizeLanczos, SampleTableAndWeights) {
  struct Row {
    int k;
    float value;
  };
  const Row rows[] = {{0, 1.0f},         {1, 0.99981719f},   {50, 0.60792708f},
                      {100, 0.0f},       {150, -0.13509491f}, {199, -0.00210047f},
                      {200, 0.0f},       {250, 0.02431709f},  {299, 0.00001118f},
                      {300, 0.0f}};
  for (const Row& r : rows) EXPECT_NEAR(fbLanczos3Samples[r.k], r.value, 2e-7) << r.k;
  for (int k : {100, 200, 300}) EXPECT_EQ(fbLanczos3Samples[k], 0.0f);
  for (int k = 1; k < 300; ++k) {
    const double x = 3.14159265358979323846 * k / 100.0;
    EXPECT_NEAR(fbLanczos3Samples[k], 3 * std::sin(x) * std::sin(x / 3) / (x * x), 1e-7) << k;
  }
  struct Weights {
    float t;
    float w[6];
  };
  const Weights worked[] = {
      {0.0f, {0, 0, 1, 0, 0, 0}},
      {0.5f, {0.02445653f, -0.1358696f, 0.6114131f, 0.6114131f, -0.1358696f, 0.02445653f}},
      {0.25f, {0.03011229f, -0.1332746f, 0.8927708f, 0.2710105f, -0.06799728f, 0.007378265f}},
  };
  for (const Weights& c : worked) {
    float w[6];
    fbResizeLanczosWeights(&c.t, 1, w);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(w[j], c.w[j], 2e-7) << c.t << " " << j;
  }
  float zero[6];
  const float t0 = 0.0f;
  fbResizeLanczosWeights(&t0, 1, zero);
  EXPECT_EQ(std::vector<float>(zero, zero + 6), (std::vector<float>{0, 0, 1, 0, 0, 0}));
  // Slightly negative: tap n + 3 stays 0, tap n - 2 gets a tiny weight.
  const float tiny = -1e-7f;
  float w[6];
  fbResizeLanczosWeights(&tiny, 1, w);
  EXPECT_EQ(w[5], 0.0f);
  EXPECT_NE(w[0], 0.0f);
  for (float t : {0.1f, 0.25f, 0.37f, 0.5f, 0.83f}) {
    float a[6], b[6];
    const float u = 1.0f - t;
    fbResizeLanczosWeights(&t, 1, a);
    fbResizeLanczosWeights(&u, 1, b);
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(a[j], b[5 - j], 2e-7) << t << " " << j;
  }
  float src[3] = {1, 2, 3}, dst[3] = {};
  EXPECT_EQ(fbCopy32f(nullptr, dst, 3), ippStsNullPtrErr);
  EXPECT_EQ(fbCopy32f(src, nullptr, 3), ippStsNullPtrErr);
  EXPECT_EQ(fbCopy32f(src, dst, 0), ippStsSizeErr);
  EXPECT_EQ(fbCopy32f(src, dst, 3), ippStsNoErr);
  EXPECT_EQ(std::vector<float>(dst, dst + 3), std::vector<float>(src, src + 3));
}

// On a source with a three-pixel margin around the region, the kernels without edge handling
// agree with the clamped ones up to float rounding.
TEST(ResizeLanczos, UnclampedKernelsAgreeInsideAMargin) {
  std::mt19937 rng(13);
  for (int type = 0; type < 3; ++type)
    for (int channels : {1, 3, 4}) {
      const int eb = type == 0 ? 1 : type == 1 ? 2 : 4;
      const int W = 11, H = 9, dW = 17, dH = 6;
      GuardedImage src(W + 6, H + 6, channels * eb);
      src.Randomize(rng);
      if (type == 2)
        for (int y = 0; y < H + 6; ++y)
          for (int i = 0; i < (W + 6) * channels; ++i) {
            const float f = static_cast<float>(rng() % 1000) / 4;
            std::memcpy(src.row(y) + 4 * i, &f, 4);
          }
      resizemodel::LanczosTables tables(dW, dH);
      auto& [rowIndex, colOffsets, rowW, colW, work] = tables;
      std::vector<float> rowFrac(dH), colFrac(dW);
      for (int i = 0; i < dH; ++i) {
        const double p = i * (H - 1) / double(dH - 1);
        rowIndex[i] = static_cast<int32_t>(p);
        rowFrac[i] = static_cast<float>(p - rowIndex[i]);
      }
      for (int j = 0; j < dW; ++j) {
        const double p = j * (W - 1) / double(dW - 1);
        colOffsets[j] = static_cast<ptrdiff_t>(p) * channels;
        colFrac[j] = static_cast<float>(p - static_cast<int>(p));
      }
      fbResizeLanczosWeights(colFrac.data(), dW, colW.data());
      fbResizeLanczosWeights(rowFrac.data(), dH, rowW.data());
      std::vector<uint8_t> out[2];
      for (int unclamped = 0; unclamped < 2; ++unclamped) {
        out[unclamped].assign(static_cast<size_t>(dW) * dH * channels * eb, 0);
        const ResizeKernelArgs a =
            resizemodel::LanczosArgs(tables, src.at(3, 3), src.step(), W, H, out[unclamped].data(),
                                     dW * channels * eb, dW, dH, channels, channels);
        const int group = (unclamped ? kLanczosUnclampedGeneric : kLanczosGeneric) + (channels == 1);
        fbResizeKernelTable[3 * group + type](a);
      }
      for (size_t e = 0; e < out[0].size() / eb; ++e) {
        double v[2];
        for (int u = 0; u < 2; ++u) {
          const uint8_t* p = out[u].data() + e * eb;
          if (type == 0) v[u] = *p;
          if (type == 1) {
            uint16_t x;
            std::memcpy(&x, p, 2);
            v[u] = x;
          }
          if (type == 2) {
            float x;
            std::memcpy(&x, p, 4);
            v[u] = x;
          }
        }
        ASSERT_NEAR(v[0], v[1], type == 2 ? 1e-3 : 1.0) << type << " " << channels << " " << e;
      }
    }
}

}  // namespace

namespace {

// The vector column passes give the plain passes' bytes on every instruction set, for rows of
// every length up to a few vectors, at the fractions' ends and between.
TEST(ResizeKernels, VectorColumnPassesEqualThePlainOnes) {
  std::mt19937 rng(17);
  imagetest::ForEachVectorTarget([&] {
    for (int n = 1; n < 150; n += 7) {
      std::vector<int16_t> upper(n), lower(n);
      std::vector<float> rows[4];
      for (int i = 0; i < n; ++i) {
        upper[i] = static_cast<int16_t>(rng() % 16321);
        lower[i] = static_cast<int16_t>(rng() % 16321);
      }
      for (auto& r : rows) {
        r.resize(n);
        for (float& v : r) v = static_cast<float>(rng() % 4000) / 8.0f - 100.0f;
      }
      rows[0][0] = std::numeric_limits<float>::quiet_NaN();
      const float* const window[4] = {rows[0].data(), rows[1].data(), rows[2].data(), rows[3].data()};
      for (int16_t a : {int16_t{0}, int16_t{1}, int16_t{8192}, int16_t{12345}, int16_t{16384}}) {
        std::vector<uint8_t> plain(n), vector(n);
        fbLinearColumnPass<uint8_t>(plain.data(), upper.data(), lower.data(), a, n, false);
        fbLinearColumnPass<uint8_t>(vector.data(), upper.data(), lower.data(), a, n, false,
                                    VectorLinearColumn8u());
        ASSERT_EQ(plain, vector) << n << " " << a;
      }
      for (float t : {-0.7f, 0.0f, 0.3f, 0.5f, 1.6f, 2.0f}) {
        std::vector<uint8_t> plain(n), vector(n);
        fbCubicColumnPass<uint8_t>(plain.data(), window, t, n, false);
        fbCubicColumnPass<uint8_t>(vector.data(), window, t, n, false, VectorCubicColumn8u());
        ASSERT_EQ(plain, vector) << n << " " << t;
      }
      // Lanczos: six rows of values around and beyond 0 .. 255 (rounding at .5 from above and
      // below, clamping, the NaN in the first row), weights of mixed signs.
      std::vector<float> six[6];
      for (auto& r : six) {
        r.resize(n);
        for (float& v : r) v = static_cast<float>(static_cast<int>(rng() % 1400) - 500) / 4.0f;
      }
      six[0][0] = std::numeric_limits<float>::quiet_NaN();
      const float* const lanczosRows[6] = {six[0].data(), six[1].data(), six[2].data(),
                                           six[3].data(), six[4].data(), six[5].data()};
      const float weightSets[][6] = {{0, 0, 1, 0, 0, 0},
                                     {-0.01f, 0.1f, 0.41f, 0.6f, -0.12f, 0.02f},
                                     {0.007f, -0.05f, 0.9f, 0.2f, -0.06f, 0.003f}};
      for (const auto& w : weightSets) {
        std::vector<uint8_t> plain(n), vector(n);
        fbLanczosColumnPass<uint8_t>(plain.data(), n, w, lanczosRows, false);
        fbLanczosColumnPass<uint8_t>(vector.data(), n, w, lanczosRows, false, VectorLanczosColumn8u());
        ASSERT_EQ(plain, vector) << n << " " << w[1];
      }
    }
  });
}

}  // namespace

namespace {

// The vector row passes give the plain passes' bytes on every instruction set: one channel,
// three channels three or four elements apart and four channels; enlargements, reductions
// that still fit the vectors' windows and ones that do not, columns crowding at both ends of
// the row; rows at odd addresses whose allocation ends at the last sample a pass may read, so
// that a read past it stops the sanitizer build.
TEST(ResizeKernels, VectorRowPassesEqualThePlainOnes) {
  std::mt19937 rng(23);
  struct Layout {
    int C, n;
  };
  const Layout layouts[] = {{1, 1}, {3, 3}, {3, 4}, {4, 4}};
  const double steps[] = {0.31, 0.667, 1.0, 1.5, 2.9, 4.2, 17.0};
  const int widths[] = {1, 6, 17, 40, 131};
  imagetest::ForEachVectorTarget([&] {
    for (const Layout& l : layouts)
      for (double step : steps)
        for (int width : widths)
          for (int roiX : {0, 3}) {
            SCOPED_TRACE(testing::Message() << "C " << l.C << " n " << l.n << " step " << step
                                            << " width " << width << " left " << roiX);
            // Source pixels from the region's left edge to the row's end; roiX more on the left.
            const int pixels = static_cast<int>(width * step) + 4;
            const ptrdiff_t limit = static_cast<ptrdiff_t>(pixels) * l.n;
            std::vector<uint8_t> row(static_cast<size_t>(roiX * l.n + limit));
            for (auto& b : row) b = static_cast<uint8_t>(rng());
            const uint8_t* r = row.data() + roiX * l.n;
            // Offsets at j x step, jittered but never decreasing, the last ones on the row's
            // last pixels, within [lowest, highest] pixels.
            auto offsets = [&](int lowest, int highest) {
              std::vector<ptrdiff_t> o(width);
              for (int j = 0; j < width; ++j) {
                const int p = static_cast<int>(j * step) + static_cast<int>(rng() % 2);
                o[j] = std::clamp(j + 3 >= width ? highest : p, lowest, highest);
              }
              std::sort(o.begin(), o.end());
              for (auto& v : o) v *= l.n;
              return o;
            };
            std::vector<float> fractions(width), lanczos(6 * width);
            std::vector<WeightPair> pairs(width);
            for (int j = 0; j < width; ++j) {
              fractions[j] = static_cast<float>(rng() % 1000) / 1000.0f;
              const uint16_t a = static_cast<uint16_t>(j == 0 ? 16384 : j == 1 ? 0 : rng() % 16385);
              pairs[j] = WeightPair{static_cast<uint16_t>(16384 - a), a};
            }
            fbResizeLanczosWeights(fractions.data(), width, lanczos.data());
            const size_t values = static_cast<size_t>(width + 4) * l.C;
            // The work row's slack (four columns) may take values past the last column.
            auto same = [&](const auto& plain, const auto& vector) {
              return std::memcmp(plain.data(), vector.data(),
                                 static_cast<size_t>(width) * l.C * sizeof(plain[0])) == 0;
            };
            if (l.C == 1) {
              const auto o = offsets(0, pixels - 1);
              std::vector<uint8_t> plain(width), vector(width);
              ResizeKernelArgs a;
              a.dstWidth = width;
              a.dstHeight = 1;
              const int32_t index = 0;
              a.rowIndex = &index;
              a.colOffsets = o.data();
              a.availWidth = pixels;
              a.src = r;
              a.dst = plain.data();
              for (int k = 0; k < width; ++k) plain[k] = r[o[k]];
              a.dst = vector.data();
              fbResizeNearestRows<uint8_t, kOne>(a);
              ASSERT_EQ(plain, vector) << "nearest";
            }
            auto run = [&](auto pass, auto work, auto blocks) {
              using W = typename decltype(work)::value_type;
              std::vector<W> plain(values, W(7)), vector(values, W(7));
              pass(plain.data(), nullptr);
              pass(vector.data(), blocks);
              return same(plain, vector);
            };
            {
              const auto o = offsets(0, pixels - 2);
              auto pass = [&](int16_t* w, LinearRowBlocks8u blocks) {
                if (l.C == 1) fbLinearRowPass<uint8_t, 1>(r, o.data(), pairs.data(), w, width, l.n, blocks, limit);
                if (l.C == 3) fbLinearRowPass<uint8_t, 3>(r, o.data(), pairs.data(), w, width, l.n, blocks, limit);
                if (l.C == 4) fbLinearRowPass<uint8_t, 4>(r, o.data(), pairs.data(), w, width, l.n, blocks, limit);
              };
              ASSERT_TRUE(run(pass, std::vector<int16_t>(), VectorLinearRow8u())) << "linear";
            }
            {
              const auto o = offsets(roiX > 0 ? 0 : 1, pixels - 3);
              auto pass = [&](float* w, CubicRowBlocks8u blocks) {
                if (l.C == 1) fbCubicRowPass<uint8_t, 1>(r, o.data(), fractions.data(), w, width, l.n, blocks, limit);
                if (l.C == 3) fbCubicRowPass<uint8_t, 3>(r, o.data(), fractions.data(), w, width, l.n, blocks, limit);
                if (l.C == 4) fbCubicRowPass<uint8_t, 4>(r, o.data(), fractions.data(), w, width, l.n, blocks, limit);
              };
              ASSERT_TRUE(run(pass, std::vector<float>(), VectorCubicRow8u())) << "cubic";
            }
            {
              const auto o = offsets(0, pixels - 1);
              auto pass = [&](float* w, LanczosRowBlocks8u blocks) {
                if (l.C == 1) fbLanczosRowPass<uint8_t, 1>(r, l.n, o.data(), lanczos.data(), w, width, roiX, pixels, blocks, limit);
                if (l.C == 3) fbLanczosRowPass<uint8_t, 3>(r, l.n, o.data(), lanczos.data(), w, width, roiX, pixels, blocks, limit);
                if (l.C == 4) fbLanczosRowPass<uint8_t, 4>(r, l.n, o.data(), lanczos.data(), w, width, roiX, pixels, blocks, limit);
              };
              ASSERT_TRUE(run(pass, std::vector<float>(), VectorLanczosRow8u())) << "lanczos";
            }
          }
  });
}

// With one-hot weights each tap shows the column it reads: the image's own columns left and
// right of the region as they are, the image's first and last columns replicated beyond it.
TEST(ResizeLanczos, RowPassTapsClampToTheImage) {
  constexpr int kImage = 12;
  uint8_t image[kImage];
  for (int x = 0; x < kImage; ++x) image[x] = static_cast<uint8_t>(100 + x);
  for (int roiX : {0, 1, 2}) {
    const int avail = kImage - roiX;
    const uint8_t* row = image + roiX;
    for (int x : {0, 1, 2, avail - 3, avail - 2, avail - 1})
      for (int m = 0; m < 6; ++m) {
        const ptrdiff_t offsets[1] = {x};
        float weights[6] = {};
        weights[m] = 1.0f;
        float work[1];
        fbLanczosRowPass<uint8_t, 1>(row, 1, offsets, weights, work, 1, roiX, avail);
        const int read = std::clamp(x - 2 + m, -roiX, avail - 1);
        EXPECT_EQ(work[0], 100 + roiX + read) << roiX << " " << x << " " << m;
      }
  }
}

}  // namespace
