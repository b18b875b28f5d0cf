// Integral images against OpenCV's integral and against models in extended precision, the
// tilted integral against a model of its recurrence, and the window standard deviation.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/vision/IntegralImages.h"
#include "primitives/vision/IntegralImagesKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

template <typename T>
T Get(GuardedImage& img, int x, int y) {
  T v;
  std::memcpy(&v, img.row(y) + sizeof(T) * x, sizeof(T));
  return v;
}
template <typename T>
void Set(GuardedImage& img, int x, int y, T v) {
  std::memcpy(img.row(y) + sizeof(T) * x, &v, sizeof(T));
}
template <typename T>
T* As(GuardedImage& img) {
  return reinterpret_cast<T*>(img.data());
}

cv::Mat AsMat(GuardedImage& img) { return cv::Mat(img.height(), img.width(), CV_8UC1, img.data(), img.step()); }

struct Size2 {
  int w, h;
};
const Size2 kSizes[] = {{1, 1}, {2, 3}, {17, 5}, {64, 33}, {3, 70}};

TEST(VisionIntegral, TheTwoByTwoExample) {
  const Ipp8u src[4] = {1, 2, 3, 4};
  Ipp32s dst[9];
  ASSERT_EQ(builtin::ippiIntegral_8u32s_C1R(src, 2, dst, 12, {2, 2}, 0), ippStsNoErr);
  EXPECT_EQ(std::vector<Ipp32s>(dst, dst + 9), (std::vector<Ipp32s>{0, 0, 0, 0, 1, 3, 0, 4, 10}));
}

TEST(VisionIntegral, IntegerAndSquaredIntegralsEqualOpenCVsShiftedByTheStartValues) {
  std::mt19937 rng(21);
  // Start values; the largest wraps the 32-bit sums; the squared start values are integers,
  // the last one just inside the range where every value is an integer below 2^53.
  const struct {
    Ipp32s val;
    double valSqr;
  } starts[] = {{0, 0.0}, {-17, 5.0}, {INT32_MAX - 1000, -3.0}, {INT32_MIN, 4503599627370496.0}};
  for (Size2 sz : kSizes)
    for (auto start : starts) {
      SCOPED_TRACE(std::to_string(sz.w) + "x" + std::to_string(sz.h) + " val " + std::to_string(start.val));
      GuardedImage src(sz.w, sz.h, 1, 3);
      src.Randomize(rng);
      cv::Mat sum, sqsum;
      cv::integral(AsMat(src), sum, sqsum, CV_32S, CV_64F);
      GuardedImage dst(sz.w + 1, sz.h + 1, 4, 4), dst2(sz.w + 1, sz.h + 1, 4, 12), sqr(sz.w + 1, sz.h + 1, 8, 8);
      ASSERT_EQ(builtin::ippiIntegral_8u32s_C1R(src.data(), src.step(), As<Ipp32s>(dst), dst.step(), src.size(),
                                                start.val),
                ippStsNoErr);
      ASSERT_EQ(builtin::ippiSqrIntegral_8u32s64f_C1R(src.data(), src.step(), As<Ipp32s>(dst2), dst2.step(),
                                                      As<Ipp64f>(sqr), sqr.step(), src.size(), start.val,
                                                      start.valSqr),
                ippStsNoErr);
      for (int y = 0; y <= sz.h; ++y)
        for (int x = 0; x <= sz.w; ++x) {
          const auto expected = static_cast<Ipp32s>(static_cast<uint32_t>(sum.at<int32_t>(y, x)) +
                                                    static_cast<uint32_t>(start.val));
          ASSERT_EQ(Get<Ipp32s>(dst, x, y), expected) << x << "," << y;
          ASSERT_EQ(Get<Ipp32s>(dst2, x, y), expected) << x << "," << y;
          ASSERT_EQ(Get<double>(sqr, x, y), sqsum.at<double>(y, x) + start.valSqr) << x << "," << y;
        }
      EXPECT_TRUE(dst.OutsideUntouched());
      EXPECT_TRUE(dst2.OutsideUntouched());
      EXPECT_TRUE(sqr.OutsideUntouched());
    }
}

TEST(VisionIntegral, TheVectorRowEqualsThePlainRowOnEveryInstructionSet) {
  std::mt19937 rng(20);
  std::uniform_int_distribution<int> byte(0, 255);
  imagetest::ForEachVectorTarget([&] {
    const builtin::integral::Row32sBlocksFn blocks = builtin::integral::VectorRow32sBlocks();
    // Every width up to a few steps and some long rows, each at every 4-byte offset within a
    // 64-byte line (the rows start their vector stores at a line) and at odd addresses.
    std::vector<int> widths;
    for (int w = 0; w <= 80; ++w) widths.push_back(w);
    for (int w : {127, 200, 1023, 1920}) widths.push_back(w);
    for (int w : widths)
      for (int misalign = 0; misalign < 68; misalign += misalign < 4 ? 1 : 4) {
        SCOPED_TRACE("width " + std::to_string(w) + " misaligned by " +
                     std::to_string(misalign));
        // Bytes near 255 and an upper row near 2^32 make the sums wrap.
        std::vector<uint8_t> src(w + 1), above(4 * (w + 1) + 72), plain(4 * (w + 1) + 72, 0xAB), vec = plain;
        for (uint8_t& b : src) b = static_cast<uint8_t>(w % 2 ? byte(rng) : 255 - byte(rng) % 4);
        for (uint8_t& b : above) b = static_cast<uint8_t>(byte(rng) | (w % 3 ? 0 : 0xF0));
        const uint32_t val = rng();
        builtin::integral::Row32sScalar(src.data(), above.data() + misalign, plain.data() + misalign, w, val);
        builtin::integral::Row32s(src.data(), above.data() + misalign, vec.data() + misalign, w, val, blocks);
        ASSERT_EQ(vec, plain);
        // The blocks alone: they stop less than one step (32 pixels) before the end, give the
        // plain values up to there and write nothing past them (nor the first value).
        if (w == 0) continue;
        std::vector<uint8_t> part(plain.size(), 0xAB);
        const size_t done = blocks(src.data(), above.data() + misalign, part.data() + misalign, w);
        ASSERT_LE(done, static_cast<size_t>(w));
        ASSERT_LT(static_cast<size_t>(w) - done, 32u);
        const size_t first = misalign + 4, end = misalign + 4 * (done + 1);
        for (size_t i = 0; i < part.size(); ++i)
          ASSERT_EQ(part[i], i >= first && i < end ? plain[i] : uint8_t{0xAB}) << "byte " << i;
      }
  });
}

// The squared integral's model: each value the one above plus the row's running sum of
// squares, added in extended precision and rounded to double.
std::vector<double> SquaredModel(GuardedImage& src, double valSqr) {
  const int w = src.width(), h = src.height();
  std::vector<double> q(static_cast<size_t>(w + 1) * (h + 1), valSqr);
  for (int y = 0; y < h; ++y) {
    long double row = 0;
    for (int x = 0; x < w; ++x) {
      row += static_cast<long double>(src.row(y)[x]) * src.row(y)[x];
      q[(y + 1) * (w + 1) + x + 1] = static_cast<double>(q[y * (w + 1) + x + 1] + row);
    }
  }
  return q;
}

TEST(VisionIntegral, SquaredIntegralEqualsTheExtendedPrecisionModelForEveryStartValue) {
  std::mt19937 rng(22);
  // Fractional and huge start values take the extended-precision path; integers below 2^53
  // (the 2^53 boundary included) the exact double one; both must give the model's values.
  const int w = 23, h = 9;
  const double bound = 9007199254740992.0 - 65025.0 * w * h;
  const double starts[] = {0.1, -1e-7, 1e300, 3.0, bound - 1, bound, 9007199254740992.0, 1e17 + 1,
                           std::numeric_limits<double>::infinity()};
  for (double valSqr : starts) {
    SCOPED_TRACE(valSqr);
    GuardedImage src(w, h, 1, 3);
    src.Randomize(rng);
    GuardedImage dst(w + 1, h + 1, 4, 4), sqr(w + 1, h + 1, 8, 8);
    ASSERT_EQ(builtin::ippiSqrIntegral_8u32s64f_C1R(src.data(), src.step(), As<Ipp32s>(dst), dst.step(),
                                                    As<Ipp64f>(sqr), sqr.step(), src.size(), 0, valSqr),
              ippStsNoErr);
    const std::vector<double> model = SquaredModel(src, valSqr);
    for (int y = 0; y <= h; ++y)
      for (int x = 0; x <= w; ++x) ASSERT_EQ(Get<double>(sqr, x, y), model[y * (w + 1) + x]) << x << "," << y;
  }
}

TEST(VisionIntegral, FloatIntegralEqualsOpenCVsAndRoundsEachSumInExtendedPrecision) {
  std::mt19937 rng(23);
  for (Size2 sz : kSizes) {
    SCOPED_TRACE(std::to_string(sz.w) + "x" + std::to_string(sz.h));
    GuardedImage src(sz.w, sz.h, 1, 5);
    src.Randomize(rng);  // at most 64 x 33 x 255 < 2^24: every sum is exact in float
    cv::Mat sum;
    cv::integral(AsMat(src), sum, CV_32F);
    GuardedImage dst(sz.w + 1, sz.h + 1, 4, 4);
    ASSERT_EQ(builtin::ippiIntegral_8u32f_C1R(src.data(), src.step(), As<Ipp32f>(dst), dst.step(), src.size(), 3.0f),
              ippStsNoErr);
    for (int y = 0; y <= sz.h; ++y)
      for (int x = 0; x <= sz.w; ++x) ASSERT_EQ(Get<float>(dst, x, y), sum.at<float>(y, x) + 3.0f) << x << "," << y;
    EXPECT_TRUE(dst.OutsideUntouched());

    // A fractional start value: each value is above + row sum, rounded once from extended.
    ASSERT_EQ(builtin::ippiIntegral_8u32f_C1R(src.data(), src.step(), As<Ipp32f>(dst), dst.step(), src.size(), 0.1f),
              ippStsNoErr);
    std::vector<float> above(sz.w + 1, 0.1f);
    for (int y = 0; y < sz.h; ++y) {
      int64_t row = 0;
      std::vector<float> next(sz.w + 1, 0.1f);
      for (int x = 0; x < sz.w; ++x) {
        row += src.row(y)[x];
        next[x + 1] = static_cast<float>(static_cast<long double>(above[x + 1]) + row);
        ASSERT_EQ(Get<float>(dst, x + 1, y + 1), next[x + 1]);
      }
      above = next;
    }
  }
}

// The tilted integral's recurrence, reading src(y - 1, W) from the column after the region.
std::vector<uint32_t> TiltedModel(GuardedImage& src, int w, int h, uint32_t val) {
  const int cols = w + 2;
  std::vector<uint32_t> t(static_cast<size_t>(cols) * (h + 1), val);
  const auto T = [&](int y, int x) -> uint32_t& { return t[static_cast<size_t>(y) * cols + x]; };
  for (int y = 1; y < h; ++y) {
    const uint8_t* s = src.row(y - 1);
    T(y + 1, 0) = T(y, 1);
    for (int x = 1; x <= w; ++x) T(y + 1, x) = s[x - 1] + s[x] + T(y, x - 1) + T(y, x + 1) - T(y - 1, x);
    T(y + 1, w + 1) = T(y, w);
  }
  return t;
}

TEST(VisionIntegral, TiltedIntegralFollowsItsRecurrenceAndReadsTheByteAfterTheRegion) {
  std::mt19937 rng(24);
  for (Size2 sz : kSizes) {
    SCOPED_TRACE(std::to_string(sz.w) + "x" + std::to_string(sz.h));
    // The region is one column narrower than the image: the byte after each of its rows is
    // the image's last column (any other read outside is caught by the guards).
    GuardedImage src(sz.w + 1, sz.h, 1, 3);
    src.Randomize(rng);
    for (uint32_t val : {0u, 7u, 0xFFFFFF00u}) {
      GuardedImage dst(sz.w + 2, sz.h + 1, 4, 4);
      ASSERT_EQ(builtin::ippiTiltedIntegral_8u32s_C1R(src.data(), src.step(), As<Ipp32s>(dst), dst.step(),
                                                      {sz.w, sz.h}, static_cast<Ipp32s>(val)),
                ippStsNoErr);
      const std::vector<uint32_t> model = TiltedModel(src, sz.w, sz.h, val);
      for (int y = 0; y <= sz.h; ++y)
        for (int x = 0; x < sz.w + 2; ++x)
          ASSERT_EQ(static_cast<uint32_t>(Get<Ipp32s>(dst, x, y)), model[y * (sz.w + 2) + x]) << x << "," << y;
      EXPECT_TRUE(dst.OutsideUntouched());
    }
  }
}

TEST(VisionIntegral, TiltedIntegralUsesTheColumnAfterTheRegionButNotTheLastRow) {
  // 3 x 3 region of a 4 x 3 image; a contiguous source, so the byte after row 0 is what
  // the image's column 3 holds.
  GuardedImage src(4, 3, 1, 0);
  src.FillRegion(1);
  const auto run = [&] {
    GuardedImage dst(5, 4, 4, 4);
    EXPECT_EQ(builtin::ippiTiltedIntegral_8u32s_C1R(src.data(), src.step(), As<Ipp32s>(dst), dst.step(), {3, 3}, 0),
              ippStsNoErr);
    std::vector<Ipp32s> out;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) out.push_back(Get<Ipp32s>(dst, x, y));
    return out;
  };
  const std::vector<Ipp32s> base = run();
  src.row(0)[3] = 101;  // after row 0 of the region
  std::vector<Ipp32s> changed = run();
  EXPECT_NE(changed, base);
  EXPECT_EQ(changed[2 * 5 + 3], base[2 * 5 + 3] + 100);  // T(2, 3) = src(0, 2) + src(0, 3) + ...
  src.row(0)[3] = 1;
  for (int x = 0; x < 4; ++x) src.row(2)[x] = 200;  // the last source row
  EXPECT_EQ(run(), base);
}

TEST(VisionIntegral, ChecksComeInTheirOrderAndWriteNothing) {
  GuardedImage src(4, 2, 1, 4);
  src.FillRegion(9);
  std::vector<Ipp32s> dst(64, -1);
  std::vector<Ipp64f> sqr(64, -1);
  Ipp32s* d = dst.data();
  Ipp64f* q = sqr.data();
  const Ipp8u* s = src.data();
  const struct {
    const char* what;
    const Ipp8u* src;
    int srcStep;
    bool nullDst;
    int dstStep, sqrStep;
    IppiSize size;
    IppStatus plain, squared, tilted;
  } cases[] = {
      {"null source", nullptr, 0, false, 0, 0, {0, 0}, ippStsNullPtrErr, ippStsNullPtrErr, ippStsNullPtrErr},
      {"null destination", s, 0, true, 0, 0, {0, 0}, ippStsNullPtrErr, ippStsNullPtrErr, ippStsNullPtrErr},
      {"size", s, 0, false, 0, 0, {4, 0}, ippStsSizeErr, ippStsSizeErr, ippStsSizeErr},
      {"source step", s, 3, false, 24, 40, {4, 2}, ippStsStepErr, ippStsStepErr, ippStsStepErr},
      {"dst step 4w+4", s, 4, false, 20, 40, {4, 2}, ippStsNoErr, ippStsNoErr, ippStsStepErr},
      {"dst step too small", s, 4, false, 16, 40, {4, 2}, ippStsStepErr, ippStsStepErr, ippStsStepErr},
      {"sqr step too small", s, 4, false, 24, 32, {4, 2}, ippStsNoErr, ippStsStepErr, ippStsNoErr},
      {"small before uneven", s, 4, false, 22, 36, {4, 2}, ippStsNotEvenStepErr, ippStsStepErr,
       ippStsStepErr},
      {"uneven dst step", s, 4, false, 26, 40, {4, 2}, ippStsNotEvenStepErr, ippStsNotEvenStepErr,
       ippStsNotEvenStepErr},
      {"uneven sqr step", s, 4, false, 24, 44, {4, 2}, ippStsNoErr, ippStsNotEvenStepErr, ippStsNoErr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Ipp32s* dp = c.nullDst ? nullptr : d;
    const bool fails[3] = {c.plain != ippStsNoErr, c.squared != ippStsNoErr, c.tilted != ippStsNoErr};
    if (fails[0]) {
      EXPECT_EQ(builtin::ippiIntegral_8u32s_C1R(c.src, c.srcStep, dp, c.dstStep, c.size, 0), c.plain);
      EXPECT_EQ(builtin::ippiIntegral_8u32f_C1R(c.src, c.srcStep, reinterpret_cast<Ipp32f*>(dp), c.dstStep, c.size,
                                                0),
                c.plain);
    }
    if (fails[1]) {
      EXPECT_EQ(builtin::ippiSqrIntegral_8u32s64f_C1R(c.src, c.srcStep, dp, c.dstStep, q, c.sqrStep, c.size, 0, 0),
                c.squared);
    }
    if (fails[2]) {
      EXPECT_EQ(builtin::ippiTiltedIntegral_8u32s_C1R(c.src, c.srcStep, dp, c.dstStep, c.size, 0), c.tilted);
    }
    EXPECT_EQ(dst, std::vector<Ipp32s>(64, -1));
    EXPECT_EQ(sqr, std::vector<Ipp64f>(64, -1));
  }
  EXPECT_EQ(builtin::ippiSqrIntegral_8u32s64f_C1R(s, 4, d, 20, nullptr, 40, {4, 2}, 0, 0), ippStsNullPtrErr);
}

// ---- Window standard deviation ----------------------------------------------------------------

struct Integrals {
  GuardedImage sum, sqr;
  explicit Integrals(GuardedImage& src)
      : sum(src.width() + 1, src.height() + 1, 4, 4), sqr(src.width() + 1, src.height() + 1, 8, 8) {
    std::vector<Ipp32s> scratch(static_cast<size_t>(src.width() + 1) * (src.height() + 1));
    EXPECT_EQ(builtin::ippiIntegral_8u32f_C1R(src.data(), src.step(), As<Ipp32f>(sum), sum.step(), src.size(), 0),
              ippStsNoErr);
    EXPECT_EQ(builtin::ippiSqrIntegral_8u32s64f_C1R(src.data(), src.step(), scratch.data(), 4 * (src.width() + 1),
                                                    As<Ipp64f>(sqr), sqr.step(), src.size(), 0, 0),
              ippStsNoErr);
  }
};

TEST(VisionRectStdDev, EqualsTheWindowsDeviationInExtendedPrecision) {
  std::mt19937 rng(25);
  const IppiRect rects[] = {{0, 0, 1, 1}, {1, 2, 3, 4}, {0, 3, 5, 2}, {4, 0, 2, 7}};
  for (IppiRect r : rects) {
    SCOPED_TRACE(std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
                 std::to_string(r.height));
    const int w = 13, h = 6;
    GuardedImage src(w + r.x + r.width - 1, h + r.y + r.height - 1, 1, 3);
    src.Randomize(rng);
    Integrals in(src);
    GuardedImage dst(w, h, 4, 4);
    ASSERT_EQ(builtin::ippiRectStdDev_32f_C1R(As<Ipp32f>(in.sum), in.sum.step(), As<Ipp64f>(in.sqr), in.sqr.step(),
                                              As<Ipp32f>(dst), dst.step(), {w, h}, r),
              ippStsNoErr);
    const long double n = r.width * r.height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        long double s = 0, q = 0;
        for (int j = 0; j < r.height; ++j)
          for (int i = 0; i < r.width; ++i) {
            const int v = src.row(y + r.y + j)[x + r.x + i];
            s += v;
            q += v * v;
          }
        const long double mean = s / n;
        long double var = q / n - mean * mean;
        if (var < 0) var = 0;
        ASSERT_EQ(Get<float>(dst, x, y), static_cast<float>(std::sqrt(var))) << x << "," << y;
      }
    EXPECT_TRUE(dst.OutsideUntouched());
  }
}

TEST(VisionRectStdDev, IsZeroOnAConstantImageAndForNegativeOrUndefinedVariances) {
  GuardedImage src(12, 9, 1, 3);
  src.FillRegion(173);
  Integrals in(src);
  GuardedImage dst(8, 5, 4, 4);
  ASSERT_EQ(builtin::ippiRectStdDev_32f_C1R(As<Ipp32f>(in.sum), in.sum.step(), As<Ipp64f>(in.sqr), in.sqr.step(),
                                            As<Ipp32f>(dst), dst.step(), {8, 5}, {1, 1, 3, 3}),
            ippStsNoErr);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Get<float>(dst, x, y), 0.0f);

  // Hand-made integrals of one window: sums whose squares exceed the squared sum, and a NaN.
  const float sums[4] = {0, 0, 0, 10};
  for (double corner : {50.0, std::numeric_limits<double>::quiet_NaN()}) {
    const double sqrs[4] = {0, 0, 0, corner};  // var = corner / 1 - 100
    float out = -1;
    ASSERT_EQ(builtin::ippiRectStdDev_32f_C1R(sums, 8, sqrs, 16, &out, 4, {1, 1}, {0, 0, 1, 1}), ippStsNoErr);
    EXPECT_EQ(out, 0.0f) << corner;
  }
}

TEST(VisionRectStdDev, ChecksComeInTheirOrderAndWriteNothing) {
  float s[64] = {};
  double q[64] = {};
  float d[16];
  std::fill(std::begin(d), std::end(d), -1.0f);
  const IppiRect ok{1, 1, 2, 2}, bad{-1, 0, 2, 2};
  const struct {
    const char* what;
    bool nullSrc;
    int srcStep, sqrStep, dstStep;
    IppiSize size;
    IppiRect rect;
    IppStatus expected;
  } cases[] = {
      {"null", true, 0, 0, 0, {0, 0}, bad, ippStsNullPtrErr},
      {"size", false, 0, 0, 0, {0, 2}, bad, ippStsSizeErr},
      {"src step below 4 * (w + x + width)", false, 16, 64, 8, {2, 2}, ok, ippStsStepErr},
      {"sqr step", false, 20, 32, 8, {2, 2}, ok, ippStsStepErr},
      {"dst step", false, 20, 40, 4, {2, 2}, ok, ippStsStepErr},
      {"step before rect", false, 4, 40, 8, {2, 2}, bad, ippStsStepErr},
      {"uneven src step", false, 22, 40, 8, {2, 2}, ok, ippStsNotEvenStepErr},
      {"uneven sqr step", false, 20, 44, 8, {2, 2}, ok, ippStsNotEvenStepErr},
      {"rect x", false, 20, 40, 8, {2, 2}, {-1, 0, 2, 2}, ippStsSizeErr},
      {"rect y", false, 20, 40, 8, {2, 2}, {0, -1, 2, 2}, ippStsSizeErr},
      {"rect width", false, 20, 40, 8, {2, 2}, {0, 0, 0, 2}, ippStsSizeErr},
      {"rect height", false, 20, 40, 8, {2, 2}, {0, 0, 2, 0}, ippStsSizeErr},
  };
  for (const auto& c : cases)
    EXPECT_EQ(builtin::ippiRectStdDev_32f_C1R(c.nullSrc ? nullptr : s, c.srcStep, q, c.sqrStep, d, c.dstStep, c.size,
                                              c.rect),
              c.expected)
        << c.what;
  EXPECT_EQ(builtin::ippiRectStdDev_32f_C1R(s, 20, nullptr, 40, d, 8, {2, 2}, ok), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiRectStdDev_32f_C1R(s, 20, q, 40, nullptr, 8, {2, 2}, ok), ippStsNullPtrErr);
  for (float v : d) EXPECT_EQ(v, -1.0f);
}

}  // namespace
