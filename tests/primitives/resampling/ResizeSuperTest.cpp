// Super-sampling resize: the worked weights, OpenCV's area resize, a sweep of factors against
// an exact box-integration model on exactly sized guarded sources, the statuses, a side forced
// to 1, and running out of memory.
#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>

#include "primitives/resampling/ResizeSuper.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

IppStatus Super8u(GuardedImage& src, IppiRect roi, GuardedImage& dst, double xf, double yf,
                  int channels) {
  return builtin::fbResizeSuperEngine(src.data(), src.size(), src.step(), roi, dst.data(),
                                      dst.step(), dst.size(), xf, yf, channels, channels, 0, 0);
}

void Fill(GuardedImage& img, const std::vector<std::vector<int>>& rows) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) img.at(x, y)[0] = static_cast<uint8_t>(rows[y][x]);
}

TEST(ResizeSuper, WorkedWeights) {
  struct Case {
    const char* what;
    std::vector<std::vector<int>> src;
    double xf, yf;
    std::vector<std::vector<int>> want;
  };
  const Case cases[] = {
      {"2 x 2 blocks, half rounds up",
       {{1, 1, 1, 2, 0, 0}, {2, 2, 2, 2, 0, 1}}, 0.5, 0.5, {{2, 2, 0}}},
      {"1 x 1 copies", {{5, 7, 9}, {11, 13, 250}}, 1.0, 1.0, {{5, 7, 9}, {11, 13, 250}}},
      // p0 + p1 + .5 p2, .5 p2 + p3 + p4, p5 + p6 + .5 p7, times 0.4
      {"column weights", {{10, 20, 30, 40, 50, 60, 70, 80}}, 0.4, 1.0, {{18, 42, 68}}},
      // rows 0..2 and a third of 3; two thirds of 3, rows 4, 5 and two thirds of 6; times 0.3
      {"row weights", {{30}, {60}, {90}, {120}, {150}, {180}, {210}}, 1.0, 0.3, {{66}, {165}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int w = static_cast<int>(c.src[0].size()), h = static_cast<int>(c.src.size());
    const int dw = static_cast<int>(c.want[0].size()), dh = static_cast<int>(c.want.size());
    GuardedImage src(w, h, 1), dst(dw + 2, dh + 2, 1);
    Fill(src, c.src);
    dst.FillRegion(77);
    ASSERT_EQ(Super8u(src, {0, 0, w, h}, dst, c.xf, c.yf, 1), ippStsNoErr);
    for (int y = 0; y < dh + 2; ++y)
      for (int x = 0; x < dw + 2; ++x)
        EXPECT_EQ(*dst.at(x, y), x < dw && y < dh ? c.want[y][x] : 77) << x << "," << y;
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

TEST(ResizeSuper, MatchesOpenCVArea) {
  std::mt19937 rng(1);
  const int w = 60, h = 36;
  struct Case {
    int divisor;
    int tolerance;
  };
  for (int type : {CV_8UC1, CV_8UC3, CV_8UC4}) {
    for (const Case c : {Case{2, 0}, Case{3, 1}, Case{4, 1}}) {
      SCOPED_TRACE(::testing::Message() << "channels " << CV_MAT_CN(type) << " 1/" << c.divisor);
      cv::Mat src(h, w, type);
      cv::randu(src, 0, 256);
      const int dw = w / c.divisor, dh = h / c.divisor;
      cv::Mat want, got(dh, dw, type, cv::Scalar::all(0));
      cv::resize(src, want, cv::Size(dw, dh), 0, 0, cv::INTER_AREA);
      const int cn = CV_MAT_CN(type);
      ASSERT_EQ(builtin::fbResizeSuperEngine(src.data, {w, h}, static_cast<int>(src.step),
                                             {0, 0, w, h}, got.data, static_cast<int>(got.step),
                                             {dw, dh}, 1.0 / c.divisor, 1.0 / c.divisor, cn, cn,
                                             0, 0),
                ippStsNoErr);
      cv::Mat diff;
      cv::absdiff(got, want, diff);
      double worst = 0;
      cv::minMaxLoc(diff.reshape(1), nullptr, &worst);
      EXPECT_LE(worst, c.tolerance);
    }
  }
}

// The exact average of the source area a destination pixel covers, clipped to the region.
double BoxAverage(const std::vector<double>& src, int w, int h, int channels, int c, int m,
                  int row, double xr, double yr) {
  const double x0 = m * xr, x1 = std::min((m + 1) * xr, static_cast<double>(w));
  const double y0 = row * yr, y1 = std::min((row + 1) * yr, static_cast<double>(h));
  double sum = 0;
  for (int y = static_cast<int>(y0); y < h && y < y1; ++y) {
    const double wy = std::min(y + 1.0, y1) - std::max<double>(y, y0);
    for (int x = static_cast<int>(x0); x < w && x < x1; ++x) {
      const double wx = std::min(x + 1.0, x1) - std::max<double>(x, x0);
      sum += wx * wy * src[(static_cast<size_t>(y) * w + x) * channels + c];
    }
  }
  return sum / ((x1 - x0) * (y1 - y0));
}

// Factors float(d / n) for n up to 64 on both axes, sources exactly n x n (a read past the
// region stops the test under AddressSanitizer), results within 1 of the exact model.
TEST(ResizeSuper, FactorSweepStaysInsideAndNearTheBoxModel) {
  std::mt19937 rng(64);
  int worst = 0;
  for (int n = 2; n <= 64; ++n) {
    GuardedImage src(n, n, 3);
    src.Randomize(rng);
    std::vector<double> values(static_cast<size_t>(n) * n * 3);
    for (int y = 0; y < n; ++y)
      for (int i = 0; i < 3 * n; ++i) values[static_cast<size_t>(y) * 3 * n + i] = src.row(y)[i];
    for (int d = 1; d < n; ++d) {
      const double f = static_cast<float>(d) / static_cast<float>(n);
      const double g = static_cast<float>(n - d) / static_cast<float>(n);
      const int dw = static_cast<int>(f * n + 1e-07), dh = static_cast<int>(g * n + 1e-07);
      if (dw < 1 || dh < 1) continue;
      {
        const int channels = 3;
        GuardedImage dst(dw, dh, channels);
        ASSERT_EQ(Super8u(src, {0, 0, n, n}, dst, f, g, channels), ippStsNoErr)
            << n << " " << d;
        for (int y = 0; y < dh; ++y)
          for (int x = 0; x < dw; ++x)
            for (int c = 0; c < channels; ++c) {
              const double want = BoxAverage(values, n, n, 3, c, x, y, 1.0 / f, 1.0 / g);
              const int diff = std::abs(dst.at(x, y)[c] - static_cast<int>(want + 0.5));
              worst = std::max(worst, diff);
              ASSERT_LE(diff, 1) << "n " << n << " d " << d << " at " << x << "," << y;
            }
        EXPECT_TRUE(dst.OutsideUntouched());
      }
      // The same factor along one axis, one channel, the region ending at the image's edges.
      GuardedImage one(n, n, 1), out(n, n, 1);
      one.Randomize(rng);
      ASSERT_EQ(Super8u(one, {0, 0, n, n}, out, f, 1.0, 1), ippStsNoErr);
      ASSERT_EQ(Super8u(one, {0, 0, n, n}, out, 1.0, f, 1), ippStsNoErr);
    }
  }
  EXPECT_LE(worst, 1);
}

TEST(ResizeSuper, FloatConstantStaysConstant) {
  const int w = 37, h = 23;
  std::vector<float> src(static_cast<size_t>(w) * h * 4, 0.7f);
  for (double f : {0.5, 0.4, 0.3, 1.0 / 3, 0.77}) {
    const int dw = static_cast<int>(f * w + 1e-07), dh = static_cast<int>(f * h + 1e-07);
    std::vector<float> dst(static_cast<size_t>(dw) * dh * 4, -1.0f);
    ASSERT_EQ(builtin::fbResizeSuperEngine(src.data(), {w, h}, w * 16, {0, 0, w, h}, dst.data(),
                                           dw * 16, {dw, dh}, f, f, 4, 4, 2, 0),
              ippStsNoErr);
    for (float v : dst) EXPECT_NEAR(v, 0.7f, 1e-5) << f;
  }
}

TEST(ResizeSuper, Statuses) {
  std::vector<uint8_t> src(100, 9), dst(100, 7);
  struct Case {
    bool nullSrc;
    IppiSize size;
    IppiRect roi;
    IppiSize dstSize;
    double xf, yf;
    IppStatus status;
  };
  const Case cases[] = {
      {true, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.5, 0.5, ippStsNullPtrErr},
      {false, {10, 10}, {-1, 0, 10, 10}, {5, 5}, 0.5, 0.5, ippStsSizeErr},
      {false, {10, 10}, {10, 0, 10, 10}, {0, 5}, 0.5, 0.5, ippStsWrongIntersectROI},
      {false, {10, 10}, {0, 0, 10, 10}, {0, 5}, 0.5, 0.5, ippStsSizeErr},
      {false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.0, 0.5, ippStsResizeFactorErr},
      {false, {10, 10}, {0, 0, 3, 10}, {5, 5}, 0.1, 0.5, ippStsResizeNoOperationErr},
      {false, {10, 10}, {0, 0, 10, 10}, {5, 5}, 0.5, 0.04, ippStsResizeNoOperationErr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(builtin::fbResizeSuperEngine(c.nullSrc ? nullptr : src.data(), c.size, 10, c.roi,
                                           dst.data(), 10, c.dstSize, c.xf, c.yf, 1, 1, 0, 0),
              c.status);
    EXPECT_EQ(dst, std::vector<uint8_t>(100, 7));
  }
}

// A side forced to 1 (side x factor in [0.5, 1)) averages what the region holds on that side;
// the request larger than the computed size leaves the rest untouched; the region is clipped.
TEST(ResizeSuper, ForcedSideAveragesTheRegion) {
  GuardedImage src(3, 4, 1), dst(3, 3, 1);
  src.FillRegion(100);
  dst.FillRegion(7);
  // 3 x 0.2 = 0.6: one column covering five, of which the region has three.
  ASSERT_EQ(Super8u(src, {0, 0, 3, 4}, dst, 0.2, 0.5, 1), ippStsNoErr);
  EXPECT_EQ(*dst.at(0, 0), 100);
  EXPECT_EQ(*dst.at(0, 1), 100);
  EXPECT_EQ(*dst.at(1, 0), 7);
  EXPECT_EQ(*dst.at(0, 2), 7);
  // The same on rows, with a region reaching past the image.
  dst.FillRegion(7);
  ASSERT_EQ(Super8u(src, {1, 1, 9, 9}, dst, 0.5, 0.2, 1), ippStsNoErr);
  EXPECT_EQ(*dst.at(0, 0), 100);
  EXPECT_EQ(*dst.at(1, 0), 7);
  EXPECT_EQ(*dst.at(0, 1), 7);
}

// Whole ratios on 8-bit samples sum in integers, in vector blocks where the target has them:
// every target gives the scalar target's bytes, on rows at odd addresses, one to four channels,
// sources whose width is not a multiple of the ratio, and bright sources near the sums' tops.
TEST(ResizeSuper, EveryVectorTargetGivesTheScalarBytes) {
  std::mt19937 rng(65);
  struct Case {
    int width, height;
    double fx, fy;
  };
  const Case cases[] = {{150, 12, 0.25, 0.25}, {151, 13, 0.5, 1.0 / 3}, {97, 9, 0.2, 0.5},
                        {64, 40, 1.0 / 16, 1.0 / 8}, {37, 7, 0.5, 0.4}};
  for (int channels : {1, 3, 4})
    for (const Case& c : cases)
      for (bool bright : {false, true}) {
        SCOPED_TRACE(testing::Message() << channels << " channels, " << c.width << "x" << c.height
                                        << " factors " << c.fx << "," << c.fy);
        GuardedImage src(c.width, c.height, channels,
                         GuardedImage::ExactStep{c.width * channels + 3, 1});
        src.Randomize(rng);
        if (bright) src.FillRegion(255);
        const IppiSize out{static_cast<int>(c.width * c.fx + 1e-7),
                           static_cast<int>(c.height * c.fy + 1e-7)};
        GuardedImage dst(out.width, out.height, channels,
                         GuardedImage::ExactStep{out.width * channels + 1, 3});
        auto run = [&] {
          dst.FillRegion(7);
          EXPECT_EQ(Super8u(src, {0, 0, c.width, c.height}, dst, c.fx, c.fy, channels), ippStsNoErr);
          EXPECT_TRUE(dst.OutsideUntouched());
          return dst.Region();
        };
        hwy::SetSupportedTargetsForTest(HWY_SCALAR);
        const std::vector<uint8_t> scalar = run();
        hwy::SetSupportedTargetsForTest(0);
        imagetest::ForEachVectorTarget([&] { ASSERT_EQ(run(), scalar); });
        if (testing::Test::HasFatalFailure()) return;
      }
}

// Every allocation failure gives -9 with nothing written and nothing left allocated, for the
// interleaved kernels and for planar images, where the last plane must not hide an earlier
// failure.
TEST(ResizeSuper, AllocationFailureWritesNothing) {
  const int w = 20, h = 10;
  std::vector<Ipp16u> planesSrc[3], planesDst[3];
  const void* srcArray[3];
  void* dstArray[3];
  for (int k = 0; k < 3; ++k) {
    planesSrc[k].assign(w * h, static_cast<Ipp16u>(1000 * (k + 1)));
    planesDst[k].assign(w * h, 5);
    srcArray[k] = planesSrc[k].data();
    dstArray[k] = planesDst[k].data();
  }
  std::vector<uint8_t> src(w * h * 4, 40), dst(w * h * 4, 5);
  for (double f : {0.5, 0.4}) {
    for (auto& p : planesDst) std::fill(p.begin(), p.end(), Ipp16u{5});
    std::fill(dst.begin(), dst.end(), uint8_t{5});
    auto planar = [&] {
      return builtin::fbResizeSuperEngine(srcArray, {w, h}, w * 2, {0, 0, w, h}, dstArray, w * 2,
                                          {w, h}, f, f, 0, 3, 1, 1);
    };
    auto interleaved = [&] {
      return builtin::fbResizeSuperEngine(src.data(), {w, h}, w * 4, {0, 0, w, h}, dst.data(),
                                          w * 4, {w, h}, f, f, 4, 4, 0, 0);
    };
    auto checkPlanar = [&](IppStatus status, int k, int64_t leaked) {
      EXPECT_EQ(status, ippStsMemAllocErr) << k;
      EXPECT_EQ(leaked, 0);
      for (int p = 0; p < 3; ++p)
        EXPECT_EQ(planesDst[p], std::vector<Ipp16u>(w * h, 5)) << "plane " << p << " k " << k;
    };
    auto checkInterleaved = [&](IppStatus status, int k, int64_t leaked) {
      EXPECT_EQ(status, ippStsMemAllocErr) << k;
      EXPECT_EQ(leaked, 0);
      EXPECT_EQ(dst, std::vector<uint8_t>(w * h * 4, 5));
    };
    EXPECT_GE(allochook::ForEachFailure(planar, checkPlanar), 1);
    EXPECT_GE(allochook::ForEachFailure(interleaved, checkInterleaved), 1);
    // Unhindered, every plane is written.
    ASSERT_EQ(planar(), ippStsNoErr);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(planesDst[p][0], 1000 * (p + 1));
  }
}

// 16-bit and float samples 1, 3 or 5 bytes past an 8-byte boundary (source and destination,
// interleaved and planar, whole and fractional ratios) give the bytes of the aligned call.
TEST(ResizeSuper, SamplesAtOddAddressesGiveTheAlignedBytes) {
  struct Form {
    int dataType, elementBytes, pixelStride, channels, planar;
  };
  const Form forms[] = {{1, 2, 1, 1, 0}, {1, 2, 3, 3, 0}, {1, 2, 4, 4, 0}, {1, 2, 4, 3, 0},
                        {1, 2, 0, 3, 1}, {2, 4, 1, 1, 0}, {2, 4, 3, 3, 0}, {2, 4, 4, 4, 0},
                        {2, 4, 4, 3, 0}, {2, 4, 0, 4, 1}};
  const double factors[][2] = {{0.5, 0.5}, {0.4, 0.7}, {1.0 / 3, 0.3}};
  constexpr int w = 17, h = 11;
  std::mt19937 rng(66);
  for (const Form& form : forms)
    for (const auto& factor : factors) {
      SCOPED_TRACE(testing::Message() << "type " << form.dataType << ", " << form.channels
                                      << " channels" << (form.planar ? " planar" : "")
                                      << ", factors " << factor[0] << "," << factor[1]);
      const int planes = form.planar ? form.channels : 1;
      const int elements = form.planar ? 1 : form.pixelStride;
      // Row steps that keep every row as aligned as the first.
      const int step = (w * elements * form.elementBytes + 15) / 16 * 16;
      const size_t bytes = static_cast<size_t>(step) * h;
      std::vector<uint8_t> source(bytes * planes);
      for (size_t i = 0; i < source.size(); i += form.elementBytes) {
        if (form.elementBytes == 2) {
          const Ipp16u v = static_cast<Ipp16u>(rng());
          std::memcpy(&source[i], &v, 2);
        } else {
          const float v = static_cast<float>(rng() % 100000) / 256.0f;
          std::memcpy(&source[i], &v, 4);
        }
      }
      // The destination bytes of every plane with the images offset bytes past aligned storage.
      const auto run = [&](size_t offset) {
        std::vector<std::vector<uint64_t>> srcStorage(planes), dstStorage(planes);
        const void* srcPlanes[4] = {};
        void* dstPlanes[4] = {};
        for (int k = 0; k < planes; ++k) {
          srcStorage[k].assign(bytes / 8 + 2, 0);
          dstStorage[k].assign(bytes / 8 + 2, 0xA5A5A5A5A5A5A5A5u);
          uint8_t* s = reinterpret_cast<uint8_t*>(srcStorage[k].data()) + offset;
          std::memcpy(s, source.data() + k * bytes, bytes);
          srcPlanes[k] = s;
          dstPlanes[k] = reinterpret_cast<uint8_t*>(dstStorage[k].data()) + offset;
        }
        EXPECT_EQ(builtin::fbResizeSuperEngine(
                      form.planar ? static_cast<const void*>(srcPlanes) : srcPlanes[0], {w, h},
                      step, {0, 0, w, h}, form.planar ? static_cast<void*>(dstPlanes) : dstPlanes[0],
                      step, {w, h}, factor[0], factor[1], form.pixelStride, form.channels,
                      form.dataType, form.planar),
                  ippStsNoErr);
        std::vector<uint8_t> out;
        for (int k = 0; k < planes; ++k) {
          const uint8_t* d = static_cast<const uint8_t*>(dstPlanes[k]);
          out.insert(out.end(), d, d + bytes);
        }
        return out;
      };
      const std::vector<uint8_t> aligned = run(0);
      ASSERT_NE(aligned, std::vector<uint8_t>(aligned.size(), 0xA5)) << "wrote nothing";
      for (const size_t offset : {1, 3, 5}) EXPECT_EQ(run(offset), aligned) << "offset " << offset;
    }
}

}  // namespace
