// Median filters against OpenCV's median blur for centred squares and against a model built
// on nth_element for every engine with corner and inner anchors; the two selection routines
// over every ordering of small values; the argument checks and the one engine that allocates.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/MedianFilter.h"
#include "primitives/filters/MedianSelect.h"
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
const Form kForms[] = {{"C1", builtin::ippiFilterMedian_8u_C1R, 1},
                       {"C3", builtin::ippiFilterMedian_8u_C3R, 3},
                       {"C4", builtin::ippiFilterMedian_8u_C4R, 4}};

int NthElementMedian(std::vector<int>& w) {
  const auto mid = w.begin() + static_cast<std::ptrdiff_t>(w.size() / 2);
  std::nth_element(w.begin(), mid, w.end());
  return *mid;
}

TEST(MedianFilter, SortThreeSortsEveryTripleOfSmallValuesInPlaceAtItsIndex) {
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b)
      for (int c = 0; c < 3; ++c) {
        std::int32_t v[5] = {9, a, b, c, -9};
        builtin::fbSort3(v, 1);
        std::vector<std::int32_t> expected = {a, b, c};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(std::vector<std::int32_t>(v + 1, v + 4), expected) << a << b << c;
        EXPECT_EQ(v[0], 9);
        EXPECT_EQ(v[4], -9);
      }
}

TEST(MedianFilter, MedianOfNineIsTheFifthSmallestOfEveryThreeSortedTriples) {
  std::int32_t v[9];
  for (int code = 0; code < 19683; ++code) {  // 3^9: values 0, 1, 2 in every position
    int rest = code;
    for (int i = 0; i < 9; ++i, rest /= 3) v[i] = rest % 3;
    std::vector<int> all(v, v + 9);
    for (int t = 0; t < 9; t += 3) builtin::fbSort3(v, t);
    ASSERT_EQ(builtin::fbMedianOf9(v), NthElementMedian(all)) << "code " << code;
  }
}

void ExpectMedians(const Form& f, int width, int height, const Mask& m, std::mt19937& rng, bool binary) {
  SCOPED_TRACE(std::string(f.name) + " " + std::to_string(width) + "x" + std::to_string(height) + " mask " +
               m.Name() + (binary ? " (0 and 255)" : ""));
  auto src = maskedfilter::SourceFor(width, height, f.channels, m);
  src.Randomize(rng);
  if (binary) {
    // Each byte 0 or 255: the median is 255 exactly when more than half the window is 255.
    auto& whole = src.whole();
    for (int y = 0; y < whole.height(); ++y)
      for (int i = 0; i < whole.rowBytes(); ++i) whole.row(y)[i] = whole.row(y)[i] < 128 ? 0 : 255;
  }
  const std::vector<uint8_t> expected =
      binary ? maskedfilter::ModelResult(src, f.channels, m,
                                         [](std::vector<int>& w) {
                                           const auto high = std::count(w.begin(), w.end(), 255);
                                           return 2 * static_cast<size_t>(high) > w.size() ? 255 : 0;
                                         })
             : maskedfilter::ModelResult(src, f.channels, m, NthElementMedian);
  const maskedfilter::Run run = maskedfilter::RunFilter(f.fn, src, f.channels, m);
  EXPECT_EQ(run.status, ippStsNoErr);
  EXPECT_EQ(run.region, expected);
  EXPECT_TRUE(run.outsideUntouched);
}

TEST(MedianFilter, EveryEngineGivesTheExactMedianWithEveryAnchorOnEveryTarget) {
  const std::vector<Mask> masks = maskedfilter::WithAnchors(
      {{1, 1}, {3, 1}, {5, 1}, {1, 3}, {1, 5}, {3, 3}, {5, 5}, {1, 7}, {1, 9}, {3, 5}, {5, 3}, {7, 7}, {9, 1}});
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(105);
    for (const Form& f : kForms)
      for (const Mask& m : masks) {
        ExpectMedians(f, 71, 3, m, rng, false);  // whole vectors and a tail in every layout
        ExpectMedians(f, 1, 4, m, rng, false);
        ExpectMedians(f, 9, 1, m, rng, true);
        ExpectMedians(f, 40, 2, m, rng, true);
      }
  });
}

TEST(MedianFilter, CentredSquaresEqualOpenCVsMedianBlur) {
  std::mt19937 rng(106);
  for (const Form& f : kForms)
    for (int side : {3, 5, 7}) {
      const Mask m{side, side, side / 2, side / 2};
      SCOPED_TRACE(std::string(f.name) + " " + m.Name());
      auto src = maskedfilter::SourceFor(1100, 5, f.channels, m);  // rows of several strips
      src.Randomize(rng);
      cv::Mat out;
      cv::medianBlur(maskedfilter::AsMat(src.whole(), f.channels), out, side);
      const maskedfilter::Run run = maskedfilter::RunFilter(f.fn, src, f.channels, m);
      EXPECT_EQ(run.status, ippStsNoErr);
      EXPECT_EQ(run.region, maskedfilter::RegionOf(out, src, f.channels));
      EXPECT_TRUE(run.outsideUntouched);
    }
}

TEST(MedianFilter, StatusesInCheckOrder) {
  Ipp8u src[64] = {}, dst[64] = {};
  const maskedfilter::StatusCase cases[] = {
      {"null source", nullptr, 8, dst, 8, {2, 2}, {1, 1}, {0, 0}, ippStsNullPtrErr},
      {"null destination", src, 8, nullptr, 8, {2, 2}, {1, 1}, {0, 0}, ippStsNullPtrErr},
      {"zero width before zero step", src, 0, dst, 0, {0, 2}, {1, 1}, {0, 0}, ippStsSizeErr},
      {"zero height", src, 8, dst, 8, {2, 0}, {1, 1}, {0, 0}, ippStsSizeErr},
      {"zero source step before an even mask", src, 0, dst, 8, {2, 2}, {2, 2}, {0, 0}, ippStsStepErr},
      {"negative destination step", src, 8, dst, -1, {2, 2}, {1, 1}, {0, 0}, ippStsStepErr},
      {"even mask width", src, 8, dst, 8, {2, 2}, {2, 3}, {0, 0}, ippStsMaskSizeErr},
      {"even mask sides", src, 8, dst, 8, {2, 2}, {4, 4}, {9, 9}, ippStsMaskSizeErr},
      {"zero mask height", src, 8, dst, 8, {2, 2}, {1, 0}, {0, 0}, ippStsMaskSizeErr},
      {"negative mask width", src, 8, dst, 8, {2, 2}, {-3, 3}, {0, 0}, ippStsMaskSizeErr},
      {"anchor x equal to the mask width", src, 8, dst, 8, {2, 2}, {3, 3}, {3, 0}, ippStsAnchorErr},
      {"negative anchor x", src, 8, dst, 8, {2, 2}, {3, 3}, {-1, 0}, ippStsAnchorErr},
      {"anchor y equal to the mask height", src, 8, dst, 8, {2, 2}, {3, 3}, {0, 3}, ippStsAnchorErr},
  };
  maskedfilter::ExpectStatuses(kForms, cases, dst);
}

// Only the tall one-column masks take memory: one block, whose failure is -9 with nothing
// written; every other engine makes no heap request.
TEST(MedianFilter, OnlyTheTallOneColumnMaskAllocatesAndItsFailureWritesNothing) {
  std::mt19937 rng(107);
  const Mask masks[] = {{1, 7, 0, 3}, {1, 1, 0, 0}, {3, 1, 1, 0}, {1, 5, 0, 2}, {3, 3, 1, 1},
                        {5, 5, 2, 2}, {3, 5, 1, 2}, {7, 7, 3, 3}};
  for (const Form& f : kForms)
    for (const Mask& m : masks) {
      SCOPED_TRACE(std::string(f.name) + " " + m.Name());
      auto src = maskedfilter::SourceFor(33, 3, f.channels, m);
      src.Randomize(rng);
      imagetest::GuardedImage dst(33, 3, f.channels, 5);
      const std::vector<uint8_t> before = dst.Region();
      const int requests = allochook::ForEachFailure(
          [&] { return f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), m.size(), m.anchor()); },
          [&](IppStatus s, int, std::int64_t leaked) {
            EXPECT_EQ(s, ippStsMemAllocErr);
            EXPECT_EQ(leaked, 0);
            EXPECT_EQ(dst.Region(), before);
          });
      EXPECT_EQ(requests, m.w == 1 && m.h >= 7 ? 1 : 0);
    }
}

}  // namespace
