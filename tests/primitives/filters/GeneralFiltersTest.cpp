// General kernel filters: the integer kernel against OpenCV's filter2D with the kernel flipped,
// the divisor modes against an extended-precision model, the float row and column filters
// against an extended-precision model of their sum order, and the checks in order.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "primitives/filters/GeneralFilters.h"
#include "primitives/filters/GeneralFiltersKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

using namespace builtin;
using imagetest::BorderedImage;
using imagetest::GuardedImage;

namespace {

// The byte of a weighted sum s divided by d, as the filter defines it, in extended precision.
uint8_t DivideModel(int32_t s, int32_t d) {
  if (d == 1) return static_cast<uint8_t>(std::clamp(s, 0, 255));
  const bool power = d > 1 && (d & (d - 1)) == 0;
  if (power) {
    if (s <= 0) return 0;
    int k = 0;
    while ((int64_t{1} << k) < d) ++k;
    return static_cast<uint8_t>(
        std::min<int64_t>(255, (int64_t{s} + (int64_t{1} << (k - 1))) >> k));
  }
  const float f = static_cast<float>(1.0L / d);
  const long double v = static_cast<long double>(s) * f;
  if (v <= 0) return 0;
  const long double t = std::trunc(v + 0.5L);
  return static_cast<uint8_t>(t > 255 ? 255 : t);
}

cv::Mat WholeMat(BorderedImage& img, int channels) {
  GuardedImage& w = img.whole();
  return cv::Mat(w.height(), w.width(), CV_8UC(channels), w.data(), w.step());
}

cv::Mat RegionMat(GuardedImage& img, int channels) {
  return cv::Mat(img.height(), img.width(), CV_8UC(channels), img.data(), img.step());
}

// The source with exactly the margins the kernel reaches, the integer kernel flipped for
// OpenCV, and the region of OpenCV's result over the whole bordered image.
struct IntegerCase {
  int kw, kh, ax, ay;
};

BorderedImage MarginsFor(int w, int h, int c, IntegerCase k) {
  return BorderedImage(w, h, c,
                       BorderedImage::Margins{k.kw - 1 - k.ax, k.kh - 1 - k.ay, k.ax, k.ay});
}

cv::Mat Flipped(const std::vector<Ipp32s>& kernel, IntegerCase k) {
  cv::Mat f(k.kh, k.kw, CV_32F);
  for (int j = 0; j < k.kh; ++j)
    for (int i = 0; i < k.kw; ++i)
      f.at<float>(k.kh - 1 - j, k.kw - 1 - i) = static_cast<float>(kernel[j * k.kw + i]);
  return f;
}

cv::Mat OpenCVRegion(BorderedImage& src, int channels, const cv::Mat& flipped, IntegerCase k,
                     int depth) {
  cv::Mat full;
  cv::filter2D(WholeMat(src, channels), full, depth, flipped,
               cv::Point(k.kw - 1 - k.ax, k.kh - 1 - k.ay), 0, cv::BORDER_REPLICATE);
  const BorderedImage::Margins& m = src.margins();
  return full(cv::Rect(m.left, m.top, src.width(), src.height()));
}

using IntegerFilter = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32s*,
                                    IppiSize, IppiPoint, int);
struct IntegerForm {
  const char* name;
  IntegerFilter fn;
  int pixel, written;
};
const IntegerForm kIntegerForms[] = {{"C1", ippiFilter_8u_C1R, 1, 1},
                                     {"C3", ippiFilter_8u_C3R, 3, 3},
                                     {"AC4", ippiFilter_8u_AC4R, 4, 3}};

const IntegerCase kIntegerCases[] = {{3, 3, 1, 1}, {5, 5, 2, 2}, {3, 3, 0, 2}, {1, 4, 0, 1},
                                     {4, 1, 3, 0}, {2, 3, 1, 0}, {7, 5, 1, 4}, {1, 1, 0, 0}};

}  // namespace

// Divisor 1: every byte equals OpenCV's filter2D with the flipped kernel (its integer sums are
// exact in float and saturate alike); other divisors: OpenCV's float sums (exact integers)
// through the divisor model. The kernels mix signs or are positive; small ones keep their sums
// in signed 16-bit lanes, positive ones up to 65535 in unsigned lanes, large ones take the
// 32-bit path. AC4 keeps the destination's fourth byte; nothing outside the region is
// written. On every vector target.
TEST(GeneralFilters, IntegerKernelsEqualFlippedFilter2D) {
  imagetest::ForEachVectorTarget([&] {
    cv::setNumThreads(1);
    std::mt19937 rng(36);
    const int divisors[] = {1, 16, 25, 2, 3, -1, -7, 1000, 1 << 30, INT32_MIN};
    const IppiSize sizes[] = {{1, 1}, {3, 2}, {17, 5}, {33, 3}, {600, 2}};
    size_t round = 0;
    for (const IntegerForm& form : kIntegerForms)
      for (IntegerCase k : kIntegerCases)
        for (int coeffRange : {3, 8, 40, 5000})
          for (bool positive : {false, true})
            for (IppiSize size : sizes) {
              const int divisor = divisors[round++ % std::size(divisors)];
              SCOPED_TRACE(testing::Message()
                           << form.name << " kernel " << k.kw << "x" << k.kh << " anchor " << k.ax
                           << "," << k.ay << " range " << coeffRange << (positive ? "+" : "")
                           << " size " << size.width << "x" << size.height << " divisor "
                           << divisor);
              std::vector<Ipp32s> kernel(size_t(k.kw) * k.kh);
              for (auto& v : kernel)
                v = positive ? static_cast<Ipp32s>(rng() % (coeffRange + 1))
                             : static_cast<Ipp32s>(rng() % (2 * coeffRange + 1)) - coeffRange;
              BorderedImage src = MarginsFor(size.width, size.height, form.pixel, k);
              src.Randomize(rng);
              GuardedImage dst(size.width, size.height, form.pixel);
              dst.Randomize(rng);
              const std::vector<uint8_t> before = dst.Region();
              ASSERT_EQ(form.fn(src.data(), src.step(), dst.data(), dst.step(), size, kernel.data(),
                                {k.kw, k.kh}, {k.ax, k.ay}, divisor),
                        ippStsNoErr);
              ASSERT_TRUE(dst.OutsideUntouched());
              const cv::Mat sums = OpenCVRegion(src, form.pixel, Flipped(kernel, k), k, CV_32F);
              for (int y = 0; y < size.height; ++y)
                for (int x = 0; x < size.width; ++x)
                  for (int ch = 0; ch < form.pixel; ++ch) {
                    const uint8_t got = dst.at(x, y)[ch];
                    if (ch >= form.written) {
                      ASSERT_EQ(got,
                                before[size_t(y) * dst.rowBytes() + size_t(x) * form.pixel + ch]);
                      continue;
                    }
                    const float s = sums.ptr<float>(y)[x * form.pixel + ch];
                    ASSERT_EQ(got, DivideModel(static_cast<int32_t>(s), divisor))
                        << "at " << x << "," << y << " ch " << ch;
                  }
              if (divisor == 1 && form.written == form.pixel) {
                const cv::Mat ref = OpenCVRegion(src, form.pixel, Flipped(kernel, k), k, CV_8U);
                ASSERT_EQ(cv::norm(ref, RegionMat(dst, form.pixel), cv::NORM_INF), 0);
              }
            }
  });
}

// Sums beyond the 32-bit range wrap modulo 2^32 before the division.
TEST(GeneralFilters, IntegerSumsWrapModulo32Bits) {
  imagetest::ForEachVectorTarget([&] {
    const Ipp32s kernel[] = {INT32_MAX, INT32_MAX, 1 << 30, -(1 << 29)};
    std::mt19937 rng(5);
    BorderedImage src(9, 3, 1, BorderedImage::Margins{3, 0, 0, 0});
    src.Randomize(rng);
    GuardedImage dst(9, 3, 1);
    for (int divisor : {1, 4, 7, -3}) {
      ASSERT_EQ(ippiFilter_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {9, 3}, kernel,
                                  {4, 1}, {0, 0}, divisor),
                ippStsNoErr);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) {
          uint32_t s = 0;
          for (int i = 0; i < 4; ++i) s += static_cast<uint32_t>(kernel[i]) * src.at(x - i, y)[0];
          ASSERT_EQ(dst.at(x, y)[0], DivideModel(static_cast<int32_t>(s), divisor))
              << x << "," << y << " d " << divisor;
        }
    }
  });
}

// The divisor's rounding on single sums (a 1x1 kernel times one pixel): shift mode rounds half
// up, scale mode multiplies by the float reciprocal, so 25/50 rounds down (the float of 0.02 lies
// below it); every non-positive quotient is 0; -2^31 is scaled (its shift count does not exist).
TEST(GeneralFilters, DivisorModesOnSingleSums) {
  struct Case {
    int32_t weight;
    uint8_t pixel;
    int32_t divisor;
    uint8_t expected;
  };
  const Case cases[] = {
      {3, 1, 2, 2},
      {1, 1, 2, 1},
      {-1, 1, 2, 0},
      {4, 1, 3, 1},
      {5, 1, 3, 2},
      {-7, 1, -1, 7},
      {25, 1, 50, 0},
      {300, 1, 1, 255},
      {-5, 1, 1, 0},
      {1000, 200, 4, 255},
      {INT32_MIN, 1, INT32_MIN, 1},
      {INT32_MIN, 2, INT32_MIN, 0},
      {INT32_MIN, 3, INT32_MIN, 1},
      {INT32_MAX, 1, 1 << 30, 2},
      {-1, 255, -2, 128},
      {7, 1, 14, 1},
      {13, 1, 26, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.weight << " * " << int(c.pixel) << " / " << c.divisor);
    const Ipp8u src = c.pixel;
    Ipp8u dst = 99;
    ASSERT_EQ(ippiFilter_8u_C1R(&src, 1, &dst, 1, {1, 1}, &c.weight, {1, 1}, {0, 0}, c.divisor),
              ippStsNoErr);
    EXPECT_EQ(dst, c.expected);
    EXPECT_EQ(dst, DivideModel(static_cast<int32_t>(static_cast<uint32_t>(c.weight) * c.pixel),
                               c.divisor));
  }
}

// The integer form of the scale mode equals the extended-precision product over sums near the
// rounding points of many divisors, negative ones and the ends of the range included.
TEST(GeneralFilters, DivideSumEqualsExtendedModel) {
  std::mt19937 rng(11);
  std::vector<int32_t> divisors = {INT32_MIN,
                                   INT32_MIN + 1,
                                   -65536,
                                   -1000,
                                   -25,
                                   -3,
                                   -2,
                                   -1,
                                   1,
                                   2,
                                   3,
                                   5,
                                   7,
                                   25,
                                   50,
                                   100,
                                   255,
                                   256,
                                   1000,
                                   65535,
                                   (1 << 30) + 1,
                                   INT32_MAX,
                                   1 << 30};
  for (int i = 0; i < 40; ++i) divisors.push_back(static_cast<int32_t>(rng()));
  for (int32_t d : divisors) {
    const general::KernelDivisor kd = general::fbKernelDivisor(d);
    std::vector<int32_t> sums = {INT32_MIN, INT32_MAX, 0, 1, -1};
    for (int q = 0; q < 300; ++q) {
      const long double centre = (q + 0.5L) * d;  // sums next to each half-way point
      for (int delta = -2; delta <= 2; ++delta) {
        const long double s = std::nearbyint(centre) + delta;
        if (s >= INT32_MIN && s <= INT32_MAX) sums.push_back(static_cast<int32_t>(s));
      }
    }
    for (int i = 0; i < 200; ++i) sums.push_back(static_cast<int32_t>(rng()));
    for (int32_t s : sums)
      ASSERT_EQ(general::DivideSum(kd, s), DivideModel(s, d)) << s << " / " << d;
  }
}

// The kernel is applied mirrored: [1 0 0] with the anchor at its centre reads the right
// neighbour, [0 0 1] the left one.
TEST(GeneralFilters, KernelIsMirrored) {
  BorderedImage src(6, 2, 1, 1);
  std::mt19937 rng(3);
  src.Randomize(rng);
  GuardedImage dst(6, 2, 1);
  const Ipp32s right[] = {1, 0, 0}, left[] = {0, 0, 1};
  ASSERT_EQ(ippiFilter_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {6, 2}, right, {3, 1},
                              {1, 0}, 1),
            0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.at(x, y)[0], src.at(x + 1, y)[0]);
  ASSERT_EQ(ippiFilter_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), {6, 2}, left, {3, 1},
                              {1, 0}, 1),
            0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.at(x, y)[0], src.at(x - 1, y)[0]);
  EXPECT_TRUE(dst.OutsideUntouched());
}

// Checks in order: pointers, sizes, divisor, steps (which count the kernel's width).
TEST(GeneralFilters, IntegerChecksInOrder) {
  Ipp8u src[64] = {}, dst[64] = {};
  const Ipp32s k[4] = {1, 1, 1, 1};
  struct Case {
    const Ipp8u* s;
    Ipp8u* d;
    const Ipp32s* k;
    IppiSize roi, ks;
    int srcStep, dstStep, divisor;
    IppStatus expected;
  };
  const Case cases[] = {
      {nullptr, dst, k, {0, 0}, {0, 0}, 0, 0, 0, ippStsNullPtrErr},
      {src, dst, nullptr, {2, 2}, {2, 2}, 8, 8, 1, ippStsNullPtrErr},
      {src, dst, k, {0, 2}, {2, 2}, 8, 8, 0, ippStsSizeErr},
      {src, dst, k, {2, 2}, {2, 0}, 8, 8, 0, ippStsSizeErr},
      {src, dst, k, {2, 2}, {2, 2}, 0, 0, 0, ippStsDivisorErr},
      {src,
       dst,
       k,
       {4, 2},
       {2, 1},
       4,
       4,
       1,
       ippStsStepErr},  // source step of the width, kernel 2 wide
      {src, dst, k, {4, 2}, {1, 2}, 4, 4, 1, ippStsNoErr},  // kernel 1 wide: the width suffices
      {src, dst, k, {4, 2}, {2, 1}, 5, 3, 1, ippStsStepErr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(
        ippiFilter_8u_C1R(c.s, c.srcStep, c.d, c.dstStep, c.roi, c.k, c.ks, {0, 1}, c.divisor),
        c.expected)
        << c.roi.width << "x" << c.roi.height << " kernel " << c.ks.width << "x" << c.ks.height;
  // Steps count bytes per pixel: C3 needs (4 + 1) * 3 for a kernel 2 wide.
  EXPECT_EQ(ippiFilter_8u_C3R(src, 14, dst, 12, {4, 1}, k, {2, 1}, {1, 0}, 1), ippStsStepErr);
  EXPECT_EQ(ippiFilter_8u_C3R(src, 15, dst, 12, {4, 1}, k, {2, 1}, {1, 0}, 1), ippStsNoErr);
  EXPECT_EQ(ippiFilter_8u_AC4R(src, 20, dst, 15, {4, 1}, k, {2, 1}, {1, 0}, 1), ippStsStepErr);
}

// ---- Float kernels ------------------------------------------------------------------------

namespace {

// The byte of a float filter from its extended sum, leftmost (topmost) pixel first.
template <typename Pixel>
uint8_t FloatModel(const std::vector<float>& k, int anchor, Pixel pixel) {
  long double s = 0;
  for (int i = static_cast<int>(k.size()) - 1; i >= 0; --i)
    s += static_cast<long double>(k[i]) * pixel(anchor - i);
  if (s > 0) s += 0.5L;
  if (s > 255) return 255;
  if (s >= 0) return static_cast<uint8_t>(static_cast<int>(s));
  return 0;
}

using FloatFilter = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp32f*, int,
                                  int);
struct FloatForm {
  const char* name;
  FloatFilter fn;
  int pixel;
  bool row;
};
const FloatForm kFloatForms[] = {
    {"Row C1", ippiFilterRow32f_8u_C1R, 1, true},
    {"Row C3", ippiFilterRow32f_8u_C3R, 3, true},
    {"Row C4", ippiFilterRow32f_8u_C4R, 4, true},
    {"Column C1", ippiFilterColumn32f_8u_C1R, 1, false},
    {"Column C3", ippiFilterColumn32f_8u_C3R, 3, false},
    {"Column C4", ippiFilterColumn32f_8u_C4R, 4, false},
};

// Kernels for each kind of sum: exact in float, exact in double, and extended only.
struct FloatKernel {
  const char* name;
  std::vector<float> k;
  general::FloatSums sums;
};
std::vector<FloatKernel> FloatKernels() {
  std::vector<FloatKernel> ks = {
      {"binomial/16",
       {1 / 16.f, 4 / 16.f, 6 / 16.f, 4 / 16.f, 1 / 16.f},
       general::FloatSums::kFloat},
      {"halves", {0.5f, -0.5f, 1.5f}, general::FloatSums::kFloat},
      {"sevenths", std::vector<float>(7, 1.f / 7), general::FloatSums::kDouble},
      {"gaussian", {}, general::FloatSums::kDouble},
      {"wide span", {0x1p-40f, 3.f, -0x1.000002p+8f, 0.1f}, general::FloatSums::kExtended},
      {"huge", {1e30f, -1e30f, 0.3f}, general::FloatSums::kExtended},
      {"single", {0.5f}, general::FloatSums::kFloat},
      // Half a byte less a little: the float sum of an odd byte falls on the tie, the exact one
      // just below it, so only the fallback from a block's float sums gives the right byte.
      {"below ties", {-0x1p-30f, 0.5f}, general::FloatSums::kDouble},
  };
  const cv::Mat g = cv::getGaussianKernel(7, 1.3, CV_32F);
  for (int i = 0; i < 7; ++i) ks[3].k.push_back(g.at<float>(i));
  return ks;
}

}  // namespace

// Row and column filters of every layout against the extended model, for kernels summed in
// float, double and extended precision; anchors at both ends and the middle; on every vector
// target.
TEST(GeneralFilters, FloatFiltersEqualExtendedModel) {
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(17);
    for (const FloatKernel& fk : FloatKernels()) {
      ASSERT_EQ(general::PlanFloatSums(fk.k.data(), static_cast<int>(fk.k.size())), fk.sums)
          << fk.name;
      const int n = static_cast<int>(fk.k.size());
      for (const FloatForm& form : kFloatForms)
        for (int anchor : {0, n / 2, n - 1})
          for (IppiSize size :
               {IppiSize{1, 1}, IppiSize{5, 3}, IppiSize{300, 2}, IppiSize{1030, 1}}) {
            SCOPED_TRACE(testing::Message() << form.name << " " << fk.name << " anchor " << anchor
                                            << " " << size.width << "x" << size.height);
            // Margins: n - 1 - anchor before, anchor after, along the filter's direction.
            const int before = n - 1 - anchor, after = anchor;
            BorderedImage src = form.row
                                    ? BorderedImage(size.width, size.height, form.pixel,
                                                    BorderedImage::Margins{before, 0, after, 0})
                                    : BorderedImage(size.width, size.height, form.pixel,
                                                    BorderedImage::Margins{0, before, 0, after});
            src.Randomize(rng);
            GuardedImage dst(size.width, size.height, form.pixel);
            ASSERT_EQ(form.fn(src.data(), src.step(), dst.data(), dst.step(), size, fk.k.data(), n,
                              anchor),
                      0);
            ASSERT_TRUE(dst.OutsideUntouched());
            for (int y = 0; y < size.height; ++y)
              for (int x = 0; x < size.width; ++x)
                for (int ch = 0; ch < form.pixel; ++ch) {
                  const uint8_t expected = FloatModel(fk.k, anchor, [&](int off) {
                    return form.row ? src.at(x + off, y)[ch] : src.at(x, y + off)[ch];
                  });
                  ASSERT_EQ(dst.at(x, y)[ch], expected) << "at " << x << "," << y << " ch " << ch;
                }
          }
    }
  });
}

// The byte rule: half rounds up, a negative kernel gives 0, a NaN sum 0, an infinite one 255
// (and infinity times a zero byte is a NaN: 0); a tiny positive sum plus one half rounds to
// one half in extended precision and truncates to 0.
TEST(GeneralFilters, FloatByteRule) {
  struct Case {
    float k;
    uint8_t pixel, expected;
  };
  const float inf = std::numeric_limits<float>::infinity(),
              nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {{0.5f, 3, 2},     {0.5f, 1, 1},    {-0.5f, 200, 0},    {-1e-30f, 1, 0},
                        {nan, 9, 0},      {inf, 1, 255},   {inf, 0, 0},        {-inf, 5, 0},
                        {1.0f, 255, 255}, {300.f, 1, 255}, {0.4999999f, 1, 0}, {0.998f, 255, 254},
                        {1e-30f, 1, 0}};
  for (const Case& c : cases)
    for (FloatFilter fn : {ippiFilterRow32f_8u_C1R, ippiFilterColumn32f_8u_C1R}) {
      const Ipp8u src = c.pixel;
      Ipp8u dst = 77;
      ASSERT_EQ(fn(&src, 1, &dst, 1, {1, 1}, &c.k, 1, 0), ippStsNoErr);
      EXPECT_EQ(dst, c.expected) << c.k << " * " << int(c.pixel);
    }
}

// The three- and four-channel column filters are the one-channel filter on a row c times wider.
TEST(GeneralFilters, ColumnFiltersOfPixelsEqualOneChannelOnWiderRows) {
  std::mt19937 rng(8);
  const std::vector<float> k = {0.25f, -0.125f, 0.6f, 0.3f};
  for (int c : {3, 4}) {
    BorderedImage src(13, 6, c, BorderedImage::Margins{0, 2, 0, 1});
    src.Randomize(rng);
    GuardedImage wide(13 * c, 6, 1), pix(13, 6, c);
    ASSERT_EQ(ippiFilterColumn32f_8u_C1R(src.data(), src.step(), wide.data(), wide.step(),
                                         {13 * c, 6}, k.data(), 4, 1),
              0);
    const auto fn = c == 3 ? ippiFilterColumn32f_8u_C3R : ippiFilterColumn32f_8u_C4R;
    ASSERT_EQ(fn(src.data(), src.step(), pix.data(), pix.step(), {13, 6}, k.data(), 4, 1), 0);
    EXPECT_EQ(wide.Region(), pix.Region());
  }
}

// Checks of the float filters in order; the column filter needs only steps of the row's bytes,
// and its pixel forms test the width before the pointers.
TEST(GeneralFilters, FloatChecksInOrder) {
  Ipp8u src[64] = {}, dst[64] = {};
  const float k[2] = {1, 1};
  EXPECT_EQ(ippiFilterRow32f_8u_C1R(nullptr, 0, dst, 0, {0, 0}, k, 0, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiFilterRow32f_8u_C3R(src, 9, dst, 9, {3, 1}, nullptr, 2, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiFilterRow32f_8u_C1R(src, 0, dst, 0, {3, 1}, k, 0, 0), ippStsSizeErr);
  EXPECT_EQ(ippiFilterRow32f_8u_C3R(src, 9, dst, 9, {3, 1}, k, 2, 0),
            ippStsStepErr);  // step w * c, kernel 2
  EXPECT_EQ(ippiFilterRow32f_8u_C3R(src, 12, dst, 9, {3, 1}, k, 2, 1), ippStsNoErr);
  EXPECT_EQ(ippiFilterRow32f_8u_C4R(src, 16, dst, 11, {3, 1}, k, 2, 1), ippStsStepErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C1R(src, 3, dst, 3, {3, 2}, k, 2, 1), ippStsNoErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C1R(src, 2, dst, 3, {3, 2}, k, 2, 1), ippStsStepErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C3R(src, 9, dst, 8, {3, 2}, k, 2, 1), ippStsStepErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C4R(src, 12, dst, 12, {3, 2}, k, 2, 1), ippStsNoErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C1R(nullptr, 3, nullptr, 3, {0, 2}, k, 2, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C3R(nullptr, 3, nullptr, 3, {0, 2}, nullptr, 2, 1),
            ippStsSizeErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C4R(nullptr, 3, nullptr, 3, {-1, 2}, nullptr, 2, 1),
            ippStsSizeErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C3R(nullptr, 9, dst, 9, {3, 2}, k, 2, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippiFilterColumn32f_8u_C1R(src, 3, dst, 3, {3, 0}, k, 2, 1), ippStsSizeErr);
  // Nothing was written by the failing calls above or by any call on this zero source.
  for (Ipp8u b : dst) EXPECT_EQ(b, 0);
}
