// Sobel derivatives against OpenCV's Sobel with a replicated border.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cstring>
#include <random>
#include <vector>

#include "primitives/vision/SobelDerivatives.h"

using namespace builtin;

namespace {

constexpr Ipp16s kSentinel = 0x5A5A;

// An 8-bit region inside a larger block of random guard bytes, so that reading outside the
// region would change the result (and trips AddressSanitizer past the block).
struct GuardedSource {
  int width, height, step;
  std::vector<Ipp8u> block;
  GuardedSource(int w, int h, std::mt19937& rng) : width(w), height(h), step(w + 5), block(size_t(step) * h) {
    cv::setNumThreads(1);  // OpenCV's thread pool is not instrumented for the sanitizers
    for (auto& v : block) v = static_cast<Ipp8u>(rng() & 0xFF);
  }
  Ipp8u* data() { return block.data(); }
  cv::Mat Mat() { return cv::Mat(height, width, CV_8U, data(), step); }
};

struct GuardedDeriv {
  int width, height, step;  // step in bytes
  std::vector<Ipp16s> block;
  GuardedDeriv(int w, int h) : width(w), height(h), step(2 * (w + 3)), block(size_t(w + 3) * h, kSentinel) {}
  Ipp16s* data() { return block.data(); }
  Ipp16s at(int y, int x) const { return block[size_t(y) * (width + 3) + x]; }
  bool PaddingUntouched() const {
    for (int y = 0; y < height; ++y)
      for (int x = width; x < width + 3; ++x)
        if (at(y, x) != kSentinel) return false;
    return true;
  }
};

void ExpectEqualsReference(const GuardedDeriv& got, const cv::Mat& ref) {
  ASSERT_TRUE(got.PaddingUntouched());
  for (int y = 0; y < got.height; ++y)
    for (int x = 0; x < got.width; ++x)
      ASSERT_EQ(got.at(y, x), ref.at<int16_t>(y, x)) << "at (" << x << ", " << y << ")";
}

const IppiSize kSizes[] = {{1, 2}, {2, 2}, {1, 7}, {3, 2}, {2, 9}, {5, 7},
                           {16, 3}, {17, 9}, {18, 18}, {33, 20}, {47, 5}, {64, 48}};

}  // namespace

// OpenCV's Sobel with dx = 1 is right minus left and with dy = 1 lower minus upper, the same
// orientation as the x derivative and the y derivative with sign 0; sign 1 is its negation.
TEST(VisionSobel, DerivativesEqualOpenCVWithReplicatedBorder) {
  std::mt19937 rng(7);
  for (IppiSize size : kSizes) {
    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
    GuardedSource src(size.width, size.height, rng);
    cv::Mat refDx, refDy;
    cv::Sobel(src.Mat(), refDx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Sobel(src.Mat(), refDy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);

    GuardedDeriv dx(size.width, size.height), dy(size.width, size.height), dyUp(size.width, size.height);
    ASSERT_EQ(ippiSobel3x3_Dx_8u16s_C1R(src.data(), src.step, dx.data(), dx.step, size), ippStsNoErr);
    ASSERT_EQ(ippiSobel3x3_Dy_8u16s_C1R(src.data(), src.step, dy.data(), dy.step, 0, size), ippStsNoErr);
    ASSERT_EQ(ippiSobel3x3_Dy_8u16s_C1R(src.data(), src.step, dyUp.data(), dyUp.step, 1, size), ippStsNoErr);
    ExpectEqualsReference(dx, refDx);
    ExpectEqualsReference(dy, refDy);
    ExpectEqualsReference(dyUp, -refDy);
  }
}

TEST(VisionSobel, ConstantImageGivesZeroEverywhere) {
  std::vector<Ipp8u> src(20 * 6, 77);
  GuardedDeriv dx(20, 6), dy(20, 6);
  ASSERT_EQ(ippiSobel3x3_Dx_8u16s_C1R(src.data(), 20, dx.data(), dx.step, {20, 6}), ippStsNoErr);
  ASSERT_EQ(ippiSobel3x3_Dy_8u16s_C1R(src.data(), 20, dy.data(), dy.step, 0, {20, 6}), ippStsNoErr);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 20; ++x) {
      EXPECT_EQ(dx.at(y, x), 0);
      EXPECT_EQ(dy.at(y, x), 0);
    }
}

TEST(VisionSobel, Sobel3x3ArgumentChecksInOrder) {
  Ipp8u src[16] = {};
  Ipp16s dst[16] = {};
  struct Case {
    const Ipp8u* s;
    int srcStep;
    Ipp16s* d;
    int dstStep;
    IppiSize size;
    int sign;
    IppStatus dx, dy;
  } cases[] = {
      {nullptr, 4, dst, 8, {4, 2}, 0, ippStsNullPtrErr, ippStsNullPtrErr},
      {src, 4, nullptr, 8, {0, 0}, 5, ippStsNullPtrErr, ippStsNullPtrErr},
      {src, 0, dst, 8, {4, 1}, 0, ippStsStepErr, ippStsStepErr},  // step before size
      {src, 4, dst, -2, {0, 2}, 0, ippStsStepErr, ippStsStepErr},
      {src, 4, dst, 8, {4, 1}, 0, ippStsSizeErr, ippStsSizeErr},  // height 1
      {src, 4, dst, 8, {0, 2}, 0, ippStsSizeErr, ippStsSizeErr},
      {src, 4, dst, 7, {3, 2}, 0, ippStsNotEvenStepErr, ippStsNotEvenStepErr},
      {src, 4, dst, 8, {4, 2}, 2, ippStsNoErr, ippStsBadArgErr},
      {src, 4, dst, 8, {4, 2}, -1, ippStsNoErr, ippStsBadArgErr},
  };
  for (const Case& c : cases) {
    std::fill(std::begin(dst), std::end(dst), kSentinel);
    EXPECT_EQ(ippiSobel3x3_Dx_8u16s_C1R(c.s, c.srcStep, c.d, c.dstStep, c.size), c.dx);
    if (c.dx != ippStsNoErr) {
      EXPECT_EQ(dst[0], kSentinel);
    }
    std::fill(std::begin(dst), std::end(dst), kSentinel);
    EXPECT_EQ(ippiSobel3x3_Dy_8u16s_C1R(c.s, c.srcStep, c.d, c.dstStep, c.sign, c.size), c.dy);
    if (c.dy != ippStsNoErr) {
      EXPECT_EQ(dst[0], kSentinel);
    }
  }
}

// The bordered filters read the caller's pixels around the region: their results equal
// OpenCV's Sobel on the enclosing image, restricted to the region (vertical-edge filter =
// minus the x derivative, horizontal-edge filter = the y derivative).
TEST(VisionSobel, BorderedFiltersEqualOpenCVInsideALargerImage) {
  std::mt19937 rng(11);
  cv::setNumThreads(1);
  for (int ksize : {3, 5}) {
    const IppiMaskSize mask = ksize == 3 ? ippMskSize3x3 : ippMskSize5x5;
    const int border = ksize / 2;
    for (IppiSize size : {IppiSize{1, 1}, IppiSize{7, 3}, IppiSize{40, 21}}) {
      SCOPED_TRACE(testing::Message() << "mask " << ksize << " " << size.width << "x" << size.height);
      const int W = size.width + 2 * border, H = size.height + 2 * border;
      cv::Mat whole(H, W, CV_8U);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) whole.at<uint8_t>(y, x) = static_cast<uint8_t>(rng());
      cv::Mat refX, refY;
      cv::Sobel(whole, refX, CV_16S, 1, 0, ksize, 1, 0, cv::BORDER_REPLICATE);
      cv::Sobel(whole, refY, CV_16S, 0, 1, ksize, 1, 0, cv::BORDER_REPLICATE);
      const Ipp8u* region = whole.ptr<uint8_t>(border) + border;
      const int step = static_cast<int>(whole.step);
      GuardedDeriv vert(size.width, size.height), horiz(size.width, size.height);
      ASSERT_EQ(ippiFilterSobelVert_8u16s_C1R(region, step, vert.data(), vert.step, size, mask), ippStsNoErr);
      ASSERT_EQ(ippiFilterSobelHoriz_8u16s_C1R(region, step, horiz.data(), horiz.step, size, mask), ippStsNoErr);
      ExpectEqualsReference(vert, -refX(cv::Rect(border, border, size.width, size.height)));
      ExpectEqualsReference(horiz, refY(cv::Rect(border, border, size.width, size.height)));
    }
  }
}

TEST(VisionSobel, BorderedFilterArgumentChecksInOrder) {
  Ipp8u src[64] = {};
  Ipp16s dst[16] = {};
  for (auto f : {ippiFilterSobelVert_8u16s_C1R, ippiFilterSobelHoriz_8u16s_C1R}) {
    EXPECT_EQ(f(nullptr, 8, dst, 8, {2, 2}, ippMskSize3x3), ippStsNullPtrErr);
    EXPECT_EQ(f(src + 9, 0, dst, 8, {0, 2}, ippMskSize3x3), ippStsSizeErr);  // size before step
    EXPECT_EQ(f(src + 9, 8, dst, 0, {2, 2}, ippMskSize3x3), ippStsStepErr);
    EXPECT_EQ(f(src + 9, 8, dst, 8, {2, 2}, ippMskSize5x1), ippStsMaskSizeErr);
  }
}

// A region INT32_MAX pixels wide: the work rows' size is computed in 64 bits and lies beyond
// the aligned allocator's 32-bit range, so the filters report -9 before reading a pixel.
TEST(VisionSobel, BorderedFiltersRefuseWorkRowsBeyondTheAllocatorsRange) {
  Ipp8u src[64] = {};
  Ipp16s dst[8];
  std::fill(std::begin(dst), std::end(dst), kSentinel);
  for (auto f : {ippiFilterSobelVert_8u16s_C1R, ippiFilterSobelHoriz_8u16s_C1R})
    for (IppiMaskSize mask : {ippMskSize3x3, ippMskSize5x5})
      for (int width : {INT32_MAX, INT32_MAX - 7, 1 << 28}) {
        SCOPED_TRACE(testing::Message() << "mask " << mask << ", width " << width);
        EXPECT_EQ(f(src + 20, 8, dst, 16, {width, 1}, mask), ippStsMemAllocErr);
        EXPECT_EQ(f(src + 20, 8, dst, 16, {width, INT32_MAX}, mask), ippStsMemAllocErr);
      }
  for (Ipp16s v : dst) EXPECT_EQ(v, kSentinel);
}
