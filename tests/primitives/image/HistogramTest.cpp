// Histograms over even and given levels against naive counting and OpenCV, and the float sum
// with its two accumulators.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/Histogram.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

// Bin k of channel c: pixels whose channel-c byte v has levels[k] <= v < levels[k + 1].
std::vector<Ipp32s> NaiveBins(GuardedImage& img, int pixel, int c, const std::vector<Ipp32s>& levels) {
  std::vector<Ipp32s> bins(levels.size() - 1, 0);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const int v = img.row(y)[x * pixel + c];
      for (size_t k = 0; k + 1 < levels.size(); ++k)
        if (levels[k] <= v && v < levels[k + 1]) ++bins[k];
    }
  return bins;
}

// One image holding every byte value once: 16 x 16, value = 16 * y + x.
void FillAllValues(GuardedImage& img) {
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) img.row(y)[x] = static_cast<uint8_t>(16 * y + x);
}

TEST(ImageHistogram, EvenLevelsAndBinsOfTheKnownExamples) {
  GuardedImage img(16, 16, 1, 5);
  FillAllValues(img);
  const struct {
    int n;
    Ipp32s lower, upper;
    std::vector<Ipp32s> levels, bins;
  } cases[] = {
      {5, 0, 256, {0, 64, 128, 192, 256}, {64, 64, 64, 64}},
      {4, 0, 10, {0, 4, 7, 10}, {4, 3, 3}},
      {3, 0, 255, {0, 128, 255}, {128, 127}},  // 255 is in no bin
      {3, 10, 0, {10, 5, 0}, {0, 0}},
      {2, -100, 400, {-100, 400}, {256}},  // clamped to 0..256
      {4, 5, 3, {5, 5, 5, 5}, {0, 0, 0}},  // q = 0 and r < 0: every level is the lower one
      {4, 3, 5, {3, 4, 5, 5}, {1, 1, 0}},
      {4, 5, -2, {5, 2, 0, -2}, {0, 0, 0}},  // q < 0: the first -r steps are one longer
      // The difference needs 33 bits.
      {3, INT32_MIN, INT32_MAX, {INT32_MIN, 0, INT32_MAX}, {0, 256}},
      {3, INT32_MAX, INT32_MIN, {INT32_MAX, -1, INT32_MIN}, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.n) + " levels " + std::to_string(c.lower) + ".." + std::to_string(c.upper));
    std::vector<Ipp32s> levels(c.n, -7), hist(c.n - 1, -7);
    ASSERT_EQ(builtin::ippiHistogramEven_8u_C1R(img.data(), img.step(), img.size(), hist.data(), levels.data(),
                                                c.n, c.lower, c.upper),
              ippStsNoErr);
    EXPECT_EQ(levels, c.levels);
    EXPECT_EQ(hist, c.bins);
  }
}

// Every layout, even and given levels, against naive counting per channel.
struct Layout {
  const char* name;
  int pixel, channels;
  IppStatus (*even)(const Ipp8u*, int, IppiSize, Ipp32s**, Ipp32s**, int*, Ipp32s*, Ipp32s*);
  IppStatus (*range)(const Ipp8u*, int, IppiSize, Ipp32s* const*, const Ipp32s* const*, const int*);
};
const Layout kLayouts[] = {
    {"C3", 3, 3, builtin::ippiHistogramEven_8u_C3R, builtin::ippiHistogramRange_8u_C3R},
    {"C4", 4, 4, builtin::ippiHistogramEven_8u_C4R, builtin::ippiHistogramRange_8u_C4R},
    {"AC4", 4, 3, builtin::ippiHistogramEven_8u_AC4R, builtin::ippiHistogramRange_8u_AC4R},
};

TEST(ImageHistogram, EveryLayoutCountsEachChannelLikeNaiveCounting) {
  std::mt19937 rng(8);
  const int sizes[][2] = {{1, 1}, {7, 5}, {64, 3}, {3, 40}};
  for (auto [w, h] : sizes) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    for (int pad : {0, 9}) {
      // One channel.
      GuardedImage one(w, h, 1, pad);
      one.Randomize(rng);
      std::vector<Ipp32s> levels(17), hist(16);
      ASSERT_EQ(builtin::ippiHistogramEven_8u_C1R(one.data(), one.step(), one.size(), hist.data(), levels.data(),
                                                  17, -20, 300),
                ippStsNoErr);
      EXPECT_EQ(hist, NaiveBins(one, 1, 0, levels));
      const std::vector<Ipp32s> given = {-5, 0, 1, 1, 100, 99, 200, 255, 256, 1000};
      std::vector<Ipp32s> hist2(given.size() - 1);
      ASSERT_EQ(builtin::ippiHistogramRange_8u_C1R(one.data(), one.step(), one.size(), hist2.data(), given.data(),
                                                   int(given.size())),
                ippStsNoErr);
      EXPECT_EQ(hist2, NaiveBins(one, 1, 0, given));

      for (const Layout& l : kLayouts) {
        SCOPED_TRACE(l.name);
        GuardedImage img(w, h, l.pixel, pad);
        img.Randomize(rng);
        std::vector<std::vector<Ipp32s>> lv(4), hs(4);
        Ipp32s* levelPtrs[4];
        Ipp32s* histPtrs[4];
        int n[4] = {2, 9, 257, 5};
        Ipp32s lower[4] = {0, 17, 0, 250}, upper[4] = {256, 200, 256, 20};
        for (int c = 0; c < 4; ++c) {
          lv[c].assign(n[c], 0);
          hs[c].assign(n[c] - 1, -1);
          levelPtrs[c] = lv[c].data();
          histPtrs[c] = hs[c].data();
        }
        ASSERT_EQ(l.even(img.data(), img.step(), img.size(), histPtrs, levelPtrs, n, lower, upper), ippStsNoErr);
        for (int c = 0; c < 4; ++c) {
          if (c < l.channels) {
            EXPECT_EQ(hs[c], NaiveBins(img, l.pixel, c, lv[c])) << "channel " << c;
          } else {
            EXPECT_EQ(hs[c], std::vector<Ipp32s>(n[c] - 1, -1)) << "an uncounted channel is not written";
          }
        }
        const Ipp32s* constLevels[4] = {given.data(), given.data(), given.data(), given.data()};
        int givenN[4] = {int(given.size()), int(given.size()), int(given.size()), int(given.size())};
        for (int c = 0; c < 4; ++c) hs[c].assign(given.size() - 1, -1), histPtrs[c] = hs[c].data();
        ASSERT_EQ(l.range(img.data(), img.step(), img.size(), histPtrs, constLevels, givenN), ippStsNoErr);
        for (int c = 0; c < l.channels; ++c) EXPECT_EQ(hs[c], NaiveBins(img, l.pixel, c, given)) << "channel " << c;
        EXPECT_TRUE(img.OutsideUntouched());
      }
    }
  }
}

TEST(ImageHistogram, TwoHundredFiftySevenLevelsMatchOpenCVsHistogram) {
  cv::Mat img(123, 301, CV_8UC1);
  cv::RNG rng(3);
  rng.fill(img, cv::RNG::NORMAL, 128, 50);
  std::vector<Ipp32s> levels(257), hist(256);
  ASSERT_EQ(builtin::ippiHistogramEven_8u_C1R(img.ptr(), int(img.step), {img.cols, img.rows}, hist.data(),
                                              levels.data(), 257, 0, 256),
            ippStsNoErr);
  cv::Mat cvHist;
  const int channels[] = {0}, histSize[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  cv::calcHist(&img, 1, channels, cv::Mat(), cvHist, 1, histSize, ranges);
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(levels[v], v);
    EXPECT_EQ(hist[v], static_cast<Ipp32s>(cvHist.at<float>(v))) << v;
  }
}

TEST(ImageHistogram, OneChannelChecksComeInTheirOrderAndWriteNothing) {
  GuardedImage img(4, 4, 1, 5);
  img.FillRegion(1);
  std::vector<Ipp32s> levels(3, -7), hist(2, -7);
  const struct {
    const Ipp8u* src;
    int step;
    IppiSize size;
    Ipp32s* hist;
    Ipp32s* levels;
    int n;
    IppStatus expected;
  } cases[] = {
      {nullptr, 0, {0, 0}, hist.data(), levels.data(), 1, ippStsNullPtrErr},
      {img.data(), img.step(), {4, 4}, nullptr, levels.data(), 3, ippStsNullPtrErr},
      {img.data(), img.step(), {4, 4}, hist.data(), nullptr, 3, ippStsNullPtrErr},
      {img.data(), 0, {0, 4}, hist.data(), levels.data(), 1, ippStsSizeErr},
      {img.data(), 0, {4, -1}, hist.data(), levels.data(), 1, ippStsSizeErr},
      {img.data(), 0, {4, 4}, hist.data(), levels.data(), 1, ippStsStepErr},
      {img.data(), img.step(), {4, 4}, hist.data(), levels.data(), 1, ippStsHistoNofLevelsErr},
      {img.data(), img.step(), {4, 4}, hist.data(), levels.data(), -3, ippStsHistoNofLevelsErr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(builtin::ippiHistogramEven_8u_C1R(c.src, c.step, c.size, c.hist, c.levels, c.n, 0, 256), c.expected);
    EXPECT_EQ(builtin::ippiHistogramRange_8u_C1R(c.src, c.step, c.size, c.hist, c.levels, c.n), c.expected);
    EXPECT_EQ(levels, std::vector<Ipp32s>(3, -7));
    EXPECT_EQ(hist, std::vector<Ipp32s>(2, -7));
  }
}

TEST(ImageHistogram, ChannelChecksComeInChannelOrderBeforeSizeAndStep) {
  GuardedImage img(4, 4, 3, 5);
  img.FillRegion(1);
  std::vector<Ipp32s> levels[3], hist[3];
  for (int c = 0; c < 3; ++c) levels[c].assign(3, -7), hist[c].assign(2, -7);
  Ipp32s* h[3] = {hist[0].data(), hist[1].data(), hist[2].data()};
  Ipp32s* lv[3] = {levels[0].data(), levels[1].data(), levels[2].data()};
  int n[3] = {3, 3, 3};
  Ipp32s lower[3] = {0, 0, 0}, upper[3] = {256, 256, 256};
  const auto call = [&](const Ipp8u* src, int step, IppiSize size) {
    return builtin::ippiHistogramEven_8u_C3R(src, step, size, h, lv, n, lower, upper);
  };
  EXPECT_EQ(builtin::ippiHistogramEven_8u_C3R(img.data(), img.step(), img.size(), nullptr, lv, n, lower, upper),
            ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiHistogramEven_8u_C3R(img.data(), img.step(), img.size(), h, lv, n, nullptr, upper),
            ippStsNullPtrErr);
  EXPECT_EQ(call(nullptr, img.step(), img.size()), ippStsNullPtrErr);
  // Channel 1's null histogram is found before channel 2's single level is looked at...
  h[1] = nullptr;
  n[2] = 1;
  EXPECT_EQ(call(img.data(), 0, {0, 0}), ippStsNullPtrErr);
  // ... and channel 0's single level before channel 1's null histogram.
  n[0] = 1;
  EXPECT_EQ(call(img.data(), 0, {0, 0}), ippStsHistoNofLevelsErr);
  n[0] = 3;
  h[1] = hist[1].data();
  EXPECT_EQ(call(img.data(), 0, {0, 0}), ippStsHistoNofLevelsErr);  // channel 2, before the size
  n[2] = 3;
  EXPECT_EQ(call(img.data(), 0, {0, 4}), ippStsSizeErr);
  EXPECT_EQ(call(img.data(), 0, {4, 4}), ippStsStepErr);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(levels[c], std::vector<Ipp32s>(3, -7));
    EXPECT_EQ(hist[c], std::vector<Ipp32s>(2, -7));
  }
}

TEST(ImageSum, EvenAndOddColumnsOfEachRowGoToTwoSums) {
  const float big = 18446744073709551616.0f;  // 2^64: adding 1 to it is lost even in extended precision
  const struct {
    const char* what;
    int w, h;
    std::vector<float> values;
    double sum;
  } cases[] = {
      {"one element", 1, 1, {2.5f}, 2.5},
      {"width 3: elements 0 and 2 in one sum", 3, 1, {big, 1.0f, -big}, 1.0},
      {"width 4", 4, 1, {big, 1.0f, -big, 2.0f}, 3.0},
      {"each row starts at an even position", 3, 2, {big, 1.0f, 0.0f, -big, 0.0f, 0.0f}, 1.0},
      {"two rows of two", 2, 2, {big, 1.0f, -big, 0.0f}, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GuardedImage img(c.w, c.h, 4, 6);
    for (int y = 0; y < c.h; ++y) std::memcpy(img.row(y), c.values.data() + y * c.w, 4 * c.w);
    double sum = -1;
    ASSERT_EQ(builtin::ippiSum_32f_C1R(reinterpret_cast<const Ipp32f*>(img.data()), img.step(), img.size(), &sum,
                                       ippAlgHintNone),
              ippStsNoErr);
    EXPECT_EQ(sum, c.sum);
  }
}

TEST(ImageSum, MatchesTwoExtendedPrecisionSumsAndChecksItsArguments) {
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
  GuardedImage img(37, 11, 4, 8);
  long double even = 0, odd = 0;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 37; ++x) {
      const float v = value(rng) * (x % 5 == 0 ? 1e6f : 1.0f);
      std::memcpy(img.at(x, y), &v, 4);
      (x % 2 == 0 ? even : odd) += v;
    }
  double sum = 0;
  const auto* src = reinterpret_cast<const Ipp32f*>(img.data());
  ASSERT_EQ(builtin::ippiSum_32f_C1R(src, img.step(), img.size(), &sum, ippAlgHintAccurate), ippStsNoErr);
  EXPECT_EQ(sum, static_cast<double>(even + odd));

  sum = 7;
  EXPECT_EQ(builtin::ippiSum_32f_C1R(nullptr, 0, {0, 0}, &sum, ippAlgHintNone), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiSum_32f_C1R(src, 0, {1, 1}, nullptr, ippAlgHintNone), ippStsNullPtrErr);
  EXPECT_EQ(builtin::ippiSum_32f_C1R(src, 0, {0, 1}, &sum, ippAlgHintNone), ippStsSizeErr);
  EXPECT_EQ(builtin::ippiSum_32f_C1R(src, 0, {1, 1}, &sum, ippAlgHintNone), ippStsStepErr);
  EXPECT_EQ(sum, 7);
}

}  // namespace
