// Box filters against OpenCV's unnormalised window sums (exact, anchors included) put through a
// model of the means: the fixed-point reciprocal for areas up to 8100, the single-precision
// factor in extended precision above; the reciprocal itself over every area it serves; the
// argument checks (steps before sizes) and the work block's failure.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/BoxFilter.h"
#include "primitives/filters/BoxFilterKernels.h"
#include "tests/primitives/AllocationHook.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/filters/MaskedFilterTestTools.h"

namespace {

using maskedfilter::FilterFn;
using maskedfilter::Mask;

struct Form {
  const char* name;
  FilterFn fn;
  int channels;
};
const Form kForms[] = {{"C1", builtin::ippiFilterBox_8u_C1R, 1},
                       {"C3", builtin::ippiFilterBox_8u_C3R, 3},
                       {"C4", builtin::ippiFilterBox_8u_C4R, 4}};

// The mean of a window sum: the fixed-point reciprocal up to area 8100, which must give the
// truncated mean or one more; above, the truncation of s * f + 9.0e-6 in extended precision,
// f = 1 / area in single precision.
int ModelMean(int64_t sum, int64_t area) {
  if (area <= 8100) {
    const builtin::TBoxMulShift r = builtin::fbBoxMulShift(static_cast<int32_t>(area));
    const auto mean = static_cast<int64_t>((static_cast<uint32_t>(sum) * r.multiplier) >> r.shift);
    EXPECT_TRUE(mean == sum / area || mean == sum / area + 1) << sum << " / " << area;
    return static_cast<int>(mean);
  }
  const auto f = static_cast<float>(1.0L / static_cast<long double>(area));
  return static_cast<int>(static_cast<long double>(sum) * f + static_cast<long double>(9.0e-6f));
}

// OpenCV's window sums over the whole bordered source, cut to the region, through the model.
std::vector<uint8_t> ModelFromOpenCVSums(imagetest::BorderedImage& src, int channels, const Mask& m) {
  cv::Mat sums;
  cv::boxFilter(maskedfilter::AsMat(src.whole(), channels), sums, CV_32S, cv::Size(m.w, m.h),
                cv::Point(m.ax, m.ay), false, cv::BORDER_REPLICATE);
  std::vector<uint8_t> r;
  const auto& mg = src.margins();
  for (int y = 0; y < src.height(); ++y) {
    const int32_t* row = sums.ptr<int32_t>(y + mg.top) + mg.left * channels;
    for (int i = 0; i < src.width() * channels; ++i)
      r.push_back(static_cast<uint8_t>(ModelMean(row[i], int64_t{m.w} * m.h)));
  }
  return r;
}

void ExpectModel(const Form& f, int width, int height, const Mask& m, std::mt19937& rng) {
  SCOPED_TRACE(std::string(f.name) + " " + std::to_string(width) + "x" + std::to_string(height) + " mask " +
               m.Name());
  auto src = maskedfilter::SourceFor(width, height, f.channels, m);
  src.Randomize(rng);
  const std::vector<uint8_t> expected = ModelFromOpenCVSums(src, f.channels, m);
  const maskedfilter::Run run = maskedfilter::RunFilter(f.fn, src, f.channels, m);
  EXPECT_EQ(run.status, ippStsNoErr);
  EXPECT_EQ(run.region, expected);
  EXPECT_TRUE(run.outsideUntouched);
}

TEST(BoxFilter, ReciprocalOfTheMaskArea) {
  const struct {
    int32_t area;
    uint32_t multiplier;
    int32_t shift;
  } cases[] = {{1, 256, 8}, {2, 2049, 12}, {3, 2731, 13}, {9, 3641, 15}, {25, 2622, 16}, {8100, 2072, 24}};
  for (const auto& c : cases) {
    const builtin::TBoxMulShift r = builtin::fbBoxMulShift(c.area);
    EXPECT_EQ(r.multiplier, c.multiplier) << c.area;
    EXPECT_EQ(r.shift, c.shift) << c.area;
  }
}

// For every area the integer engine serves, a uniform window of any value keeps it (so no mean
// exceeds 255), every mean is the truncated one or one more, and the product stays in 32 bits.
TEST(BoxFilter, EveryAreaKeepsUniformValuesAndMeansStayWithinOneOfTheTruncatedMean) {
  for (int32_t area = 1; area <= 8100; ++area) {
    const builtin::TBoxMulShift r = builtin::fbBoxMulShift(area);
    ASSERT_LT(uint64_t{255} * area * r.multiplier, uint64_t{1} << 32) << area;
    for (uint32_t v = 0; v <= 255; ++v)
      ASSERT_EQ((v * area * r.multiplier) >> r.shift, v) << "area " << area << " value " << v;
    for (uint32_t s = 0; s <= 255u * area; s += 1 + area / 7) {
      const uint32_t mean = (s * r.multiplier) >> r.shift;
      ASSERT_TRUE(mean == s / area || mean == s / area + 1) << "area " << area << " sum " << s;
    }
  }
  const builtin::TBoxMulShift nine = builtin::fbBoxMulShift(9);
  for (uint32_t s = 0; s <= 2295; ++s) ASSERT_EQ((s * nine.multiplier) >> nine.shift, s / 9) << s;
}

TEST(BoxFilter, EqualsTheModelOfOpenCVsWindowSumsForEveryMaskAnchorAndLayoutOnEveryTarget) {
  // 17 and 40 columns carry the window sum along the row instead of summing it afresh.
  const std::vector<Mask> masks = maskedfilter::WithAnchors(
      {{1, 1}, {3, 3}, {4, 4}, {5, 2}, {1, 7}, {7, 1}, {17, 3}, {2, 9}, {40, 1}});
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(103);
    for (const Form& f : kForms)
      for (const Mask& m : masks) {
        ExpectModel(f, 37, 5, m, rng);
        ExpectModel(f, 1, 3, m, rng);
        ExpectModel(f, 6, 1, m, rng);
      }
  });
}

// The largest area of the integer engine, and the floating-point engine just above it.
TEST(BoxFilter, LargestIntegerAreaAndTheFloatingPointEngineEqualTheModel) {
  std::mt19937 rng(104);
  const Mask masks[] = {{90, 90, 45, 45}, {8101, 1, 4000, 0}, {91, 91, 0, 90}, {1, 8200, 0, 8199}};
  for (const Form& f : kForms)
    for (const Mask& m : masks) ExpectModel(f, 5, 2, m, rng);
}

TEST(BoxFilter, UniformRegionsKeepTheirValueInEveryEngine) {
  const Mask masks[] = {{3, 3, 1, 1}, {7, 11, 0, 0}, {90, 90, 89, 0}, {31, 1, 15, 0}, {8101, 1, 0, 0}, {91, 91, 5, 5}};
  for (const Form& f : kForms)
    for (const Mask& m : masks)
      for (uint8_t v : {uint8_t{0}, uint8_t{1}, uint8_t{128}, uint8_t{254}, uint8_t{255}}) {
        SCOPED_TRACE(std::string(f.name) + " " + m.Name() + " value " + std::to_string(v));
        auto src = maskedfilter::SourceFor(3, 2, f.channels, m);
        src.Fill(v);
        const maskedfilter::Run run = maskedfilter::RunFilter(f.fn, src, f.channels, m);
        EXPECT_EQ(run.status, ippStsNoErr);
        EXPECT_EQ(run.region, std::vector<uint8_t>(run.region.size(), v));
      }
}

// A 4x4 window of fifteen 255s and one 254 sums to 4079: the truncated mean is 254, the
// fixed-point one 255.
TEST(BoxFilter, FourByFourSumOf4079Gives255) {
  const Mask m{4, 4, 0, 0};
  auto src = maskedfilter::SourceFor(1, 1, 1, m);
  src.Fill(255);
  *src.at(2, 1) = 254;
  const maskedfilter::Run run = maskedfilter::RunFilter(builtin::ippiFilterBox_8u_C1R, src, 1, m);
  EXPECT_EQ(run.status, ippStsNoErr);
  EXPECT_EQ(run.region, std::vector<uint8_t>{255});
}

// The direct three-channel 3x3 engine gives each channel what the one-channel integer engine
// gives it.
TEST(BoxFilter, ThreeChannel3x3EqualsOneChannel3x3PerChannel) {
  std::mt19937 rng(105);
  const Mask m{3, 3, 2, 0};
  auto src = maskedfilter::SourceFor(45, 4, 3, m);
  src.Randomize(rng);
  const maskedfilter::Run colour = maskedfilter::RunFilter(builtin::ippiFilterBox_8u_C3R, src, 3, m);
  ASSERT_EQ(colour.status, ippStsNoErr);
  for (int ch = 0; ch < 3; ++ch) {
    auto plane = maskedfilter::SourceFor(45, 4, 1, m);
    for (int y = -m.ay; y < 4 + m.h - 1 - m.ay; ++y)
      for (int x = -m.ax; x < 45 + m.w - 1 - m.ax; ++x) *plane.at(x, y) = src.at(x, y)[ch];
    const maskedfilter::Run gray = maskedfilter::RunFilter(builtin::ippiFilterBox_8u_C1R, plane, 1, m);
    for (size_t i = 0; i < gray.region.size(); ++i) ASSERT_EQ(colour.region[3 * i + ch], gray.region[i]) << i;
  }
}

TEST(BoxFilter, StatusesInCheckOrder) {
  Ipp8u src[64] = {}, dst[64] = {};
  const maskedfilter::StatusCase cases[] = {
      {"null source", nullptr, 0, dst, 8, {0, 2}, {1, 1}, {0, 0}, ippStsNullPtrErr},
      {"null destination", src, 8, nullptr, 8, {2, 2}, {1, 1}, {0, 0}, ippStsNullPtrErr},
      {"zero step before zero width", src, 0, dst, 8, {0, 2}, {1, 1}, {0, 0}, ippStsStepErr},
      {"negative destination step", src, 8, dst, -8, {2, 0}, {1, 1}, {0, 0}, ippStsStepErr},
      {"zero width", src, 8, dst, 8, {0, 2}, {0, 1}, {0, 0}, ippStsSizeErr},
      {"zero height", src, 8, dst, 8, {2, 0}, {1, 1}, {0, 0}, ippStsSizeErr},
      {"zero mask width", src, 8, dst, 8, {2, 2}, {0, 1}, {3, 3}, ippStsMaskSizeErr},
      {"negative mask height", src, 8, dst, 8, {2, 2}, {1, -2}, {0, 0}, ippStsMaskSizeErr},
      {"negative anchor x", src, 8, dst, 8, {2, 2}, {2, 2}, {-1, 0}, ippStsAnchorErr},
      {"anchor x equal to the mask width", src, 8, dst, 8, {2, 2}, {2, 2}, {2, 0}, ippStsAnchorErr},
      {"anchor y equal to the mask height", src, 8, dst, 8, {2, 2}, {4, 2}, {0, 2}, ippStsAnchorErr},
  };
  maskedfilter::ExpectStatuses(kForms, cases, dst);
}

// The column-sum block is the only heap request, in the integer and the floating-point
// engines alike; its failure is -9 with nothing written. The three-channel 3x3 engine makes
// none.
TEST(BoxFilter, TheColumnSumBlockIsTheOnlyRequestAndItsFailureWritesNothing) {
  std::mt19937 rng(106);
  const Mask masks[] = {{3, 3, 1, 1}, {1, 1, 0, 0}, {20, 2, 3, 1}, {8101, 1, 0, 0}};
  for (const Form& f : kForms)
    for (const Mask& m : masks) {
      SCOPED_TRACE(std::string(f.name) + " " + m.Name());
      auto src = maskedfilter::SourceFor(7, 3, f.channels, m);
      src.Randomize(rng);
      imagetest::GuardedImage dst(7, 3, f.channels, 5);
      const std::vector<uint8_t> before = dst.Region();
      const int requests = allochook::ForEachFailure(
          [&] { return f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), m.size(), m.anchor()); },
          [&](IppStatus s, int, std::int64_t leaked) {
            EXPECT_EQ(s, ippStsMemAllocErr);
            EXPECT_EQ(leaked, 0);
            EXPECT_EQ(dst.Region(), before);
          });
      EXPECT_EQ(requests, f.channels == 3 && m.w == 3 && m.h == 3 ? 0 : 1);
    }
}

}  // namespace
