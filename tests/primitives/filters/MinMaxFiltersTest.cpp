// Minimum and maximum filters against OpenCV's erosion and dilation with a rectangle (whose
// anchor places the window the same way), run on sources with exactly the margins the mask
// reaches; the argument checks; the out-of-memory paths of both work blocks.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/MinMaxFilters.h"
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
  bool max;
};
const Form kForms[] = {
    {"Min C1", builtin::ippiFilterMin_8u_C1R, 1, false}, {"Min C3", builtin::ippiFilterMin_8u_C3R, 3, false},
    {"Min C4", builtin::ippiFilterMin_8u_C4R, 4, false}, {"Max C1", builtin::ippiFilterMax_8u_C1R, 1, true},
    {"Max C3", builtin::ippiFilterMax_8u_C3R, 3, true},  {"Max C4", builtin::ippiFilterMax_8u_C4R, 4, true},
};

// OpenCV's erosion or dilation of the whole bordered source, cut to the region.
std::vector<uint8_t> OpenCVResult(const Form& f, imagetest::BorderedImage& src, const Mask& m) {
  const cv::Mat whole = maskedfilter::AsMat(src.whole(), f.channels);
  const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(m.w, m.h));
  cv::Mat out;
  if (f.max)
    cv::dilate(whole, out, kernel, cv::Point(m.ax, m.ay), 1, cv::BORDER_REPLICATE);
  else
    cv::erode(whole, out, kernel, cv::Point(m.ax, m.ay), 1, cv::BORDER_REPLICATE);
  return maskedfilter::RegionOf(out, src, f.channels);
}

void ExpectLikeOpenCV(const Form& f, int width, int height, const Mask& m, std::mt19937& rng) {
  SCOPED_TRACE(std::string(f.name) + " " + std::to_string(width) + "x" + std::to_string(height) + " mask " +
               m.Name());
  auto src = maskedfilter::SourceFor(width, height, f.channels, m);
  src.Randomize(rng);
  const std::vector<uint8_t> expected = OpenCVResult(f, src, m);
  const maskedfilter::Run run = maskedfilter::RunFilter(f.fn, src, f.channels, m);
  EXPECT_EQ(run.status, ippStsNoErr);
  EXPECT_EQ(run.region, expected);
  EXPECT_TRUE(run.outsideUntouched);
}

TEST(ExtremeFilters, EqualErosionAndDilationForEveryMaskAnchorAndLayoutOnEveryTarget) {
  const std::vector<Mask> masks = maskedfilter::WithAnchors(
      {{1, 1}, {1, 5}, {6, 1}, {3, 3}, {4, 2}, {7, 5}, {2, 9}});
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(35);
    for (const Form& f : kForms)
      for (const Mask& m : masks) {
        ExpectLikeOpenCV(f, 37, 6, m, rng);   // narrower than a vector in the smaller layouts
        ExpectLikeOpenCV(f, 131, 3, m, rng);  // whole vectors and a tail
      }
  });
}

TEST(ExtremeFilters, OneRowAndOneColumnRegionsAndMasksWiderThanTheRegion) {
  std::mt19937 rng(36);
  const Mask masks[] = {{9, 3, 4, 1}, {3, 11, 0, 10}, {40, 2, 39, 0}};
  for (const Form& f : kForms)
    for (const Mask& m : masks) {
      ExpectLikeOpenCV(f, 1, 7, m, rng);
      ExpectLikeOpenCV(f, 5, 1, m, rng);
    }
}

// Rows longer than the strips the one- and three-channel engines work at a time (tall masks
// make the strips narrow), four-channel rows longer than the stretch of column extremes kept
// on the stack, and a four-channel mask wide enough that they are kept in the window ring.
TEST(ExtremeFilters, RowsLongerThanAStripAndVeryWideMasks) {
  std::mt19937 rng(37);
  for (const Form& f : kForms) {
    if (f.channels == 4) {
      ExpectLikeOpenCV(f, 4500, 2, {3, 3, 1, 1}, rng);
      ExpectLikeOpenCV(f, 50, 2, {4200, 2, 2100, 1}, rng);
    } else {
      ExpectLikeOpenCV(f, 1000, 3, {3, 11, 1, 5}, rng);
      ExpectLikeOpenCV(f, 700, 2, {2, 120, 0, 119}, rng);
    }
  }
}

TEST(ExtremeFilters, StatusesInCheckOrder) {
  Ipp8u src[64] = {}, dst[64] = {};
  const maskedfilter::StatusCase cases[] = {
      {"null source", nullptr, 8, dst, 8, {2, 2}, {1, 1}, {0, 0}, ippStsNullPtrErr},
      {"null destination", src, 8, nullptr, 8, {2, 2}, {1, 1}, {0, 0}, ippStsNullPtrErr},
      {"zero width before zero step", src, 0, dst, 0, {0, 2}, {1, 1}, {0, 0}, ippStsSizeErr},
      {"zero height", src, 8, dst, 8, {2, 0}, {1, 1}, {0, 0}, ippStsSizeErr},
      {"zero source step", src, 0, dst, 8, {2, 2}, {0, 1}, {0, 0}, ippStsStepErr},
      {"negative destination step", src, 8, dst, -8, {2, 2}, {1, 1}, {0, 0}, ippStsStepErr},
      {"zero mask width", src, 8, dst, 8, {2, 2}, {0, 1}, {5, 5}, ippStsMaskSizeErr},
      {"zero mask height", src, 8, dst, 8, {2, 2}, {1, 0}, {0, 0}, ippStsMaskSizeErr},
      {"anchor x equal to the mask width", src, 8, dst, 8, {2, 2}, {2, 2}, {2, 0}, ippStsAnchorErr},
      {"negative anchor y", src, 8, dst, 8, {2, 2}, {2, 2}, {0, -1}, ippStsAnchorErr},
      {"anchor y equal to the mask height", src, 8, dst, 8, {2, 2}, {2, 2}, {0, 2}, ippStsAnchorErr},
  };
  maskedfilter::ExpectStatuses(kForms, cases, dst);
}

// Every heap request of a call fails in turn: -9, nothing written, nothing left allocated.
// The one- and three-channel forms take two blocks, the four-channel ones one block, and the
// four-channel one-row and one-column masks none.
TEST(ExtremeFilters, OutOfMemoryAtEachBlockWritesNothingAndLeaksNothing) {
  std::mt19937 rng(38);
  const Mask m{3, 5, 1, 2};
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.name);
    auto src = maskedfilter::SourceFor(20, 4, f.channels, m);
    src.Randomize(rng);
    imagetest::GuardedImage dst(20, 4, f.channels, 5);
    const std::vector<uint8_t> before = dst.Region();
    const int requests = allochook::ForEachFailure(
        [&] { return f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), m.size(), m.anchor()); },
        [&](IppStatus s, int k, std::int64_t leaked) {
          SCOPED_TRACE("request " + std::to_string(k));
          EXPECT_EQ(s, ippStsMemAllocErr);
          EXPECT_EQ(leaked, 0);
          EXPECT_EQ(dst.Region(), before);
        });
    EXPECT_EQ(requests, f.channels == 4 ? 1 : 2);
    for (const Mask& direct : {Mask{1, 5, 0, 2}, Mask{5, 1, 2, 0}}) {
      auto s2 = maskedfilter::SourceFor(20, 4, f.channels, direct);
      const int n = allochook::ForEachFailure(
          [&] {
            return f.fn(s2.data(), s2.step(), dst.data(), dst.step(), s2.size(), direct.size(),
                        direct.anchor());
          },
          [](IppStatus, int, std::int64_t) {});
      EXPECT_EQ(n, f.channels == 4 ? 0 : 2) << direct.Name();
    }
  }
}

}  // namespace
