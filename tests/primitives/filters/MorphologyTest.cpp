// Erosion and dilation against OpenCV's with the mask as kernel and the same anchor, on sources
// with exactly the margins the mask reaches; AC4 against a four-channel reference with the
// fourth bytes kept; the order of the checks.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/Morphology.h"
#include "primitives/filters/MorphologyKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/filters/MaskedFilterTestTools.h"

namespace {

using maskedfilter::Mask;
using MorphFn = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, const Ipp8u*, IppiSize,
                              IppiPoint);

struct Form {
  const char* name;
  MorphFn fn;
  int pixel;
  bool dilate;
};
const Form kForms[] = {
    {"Erode C1", builtin::ippiErode_8u_C1R, 1, false},
    {"Erode C3", builtin::ippiErode_8u_C3R, 3, false},
    {"Erode AC4", builtin::ippiErode_8u_AC4R, 4, false},
    {"Dilate C1", builtin::ippiDilate_8u_C1R, 1, true},
    {"Dilate C3", builtin::ippiDilate_8u_C3R, 3, true},
    {"Dilate AC4", builtin::ippiDilate_8u_AC4R, 4, true},
};

// Compares one call with OpenCV over the whole bordered source; for AC4 the reference is the
// four-channel result and the destination's fourth bytes must keep their fill value.
void ExpectLikeOpenCV(const Form& f, int width, int height, const Mask& m,
                      const std::vector<uint8_t>& mask, std::mt19937& rng) {
  SCOPED_TRACE(std::string(f.name) + " " + std::to_string(width) + "x" + std::to_string(height) +
               " mask " + m.Name());
  auto src = maskedfilter::SourceFor(width, height, f.pixel, m);
  src.Randomize(rng);
  cv::Mat kernel(m.h, m.w, CV_8U, const_cast<uint8_t*>(mask.data()));
  const cv::Mat whole = maskedfilter::AsMat(src.whole(), f.pixel);
  cv::Mat out;
  if (f.dilate)
    cv::dilate(whole, out, kernel, cv::Point(m.ax, m.ay), 1, cv::BORDER_REPLICATE);
  else
    cv::erode(whole, out, kernel, cv::Point(m.ax, m.ay), 1, cv::BORDER_REPLICATE);
  std::vector<uint8_t> expected = maskedfilter::RegionOf(out, src, f.pixel);
  imagetest::GuardedImage dst(width, height, f.pixel, 5);
  dst.FillRegion(0x5a);
  if (f.pixel == 4)
    for (size_t i = 3; i < expected.size(); i += 4) expected[i] = 0x5a;
  EXPECT_EQ(f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), mask.data(), m.size(),
                 m.anchor()),
            ippStsNoErr);
  EXPECT_EQ(dst.Region(), expected);
  EXPECT_TRUE(dst.OutsideUntouched());
}

std::vector<uint8_t> RandomMask(int w, int h, std::mt19937& rng) {
  std::vector<uint8_t> mask(static_cast<size_t>(w) * h);
  const uint8_t values[] = {0, 1, 255};
  for (auto& b : mask) b = values[rng() % 3];
  if (std::all_of(mask.begin(), mask.end(), [](uint8_t b) { return b == 0; }))
    mask[rng() % mask.size()] = 1;
  return mask;
}

TEST(Morphology, EqualsOpenCVForMasksOfZerosOnesAnd255AndEveryAnchorOnEveryTarget) {
  imagetest::ForEachVectorTarget([] {
    std::mt19937 rng(109);
    for (const Form& f : kForms) {
      for (int w = 1; w <= 5; ++w)
        for (int h = 1; h <= 4; ++h)
          for (int trial = 0; trial < 3; ++trial) {
            const Mask m{w, h, static_cast<int>(rng() % w), static_cast<int>(rng() % h)};
            ExpectLikeOpenCV(f, 29, 5, m, RandomMask(w, h, rng), rng);
          }
      for (int ay = 0; ay < 3; ++ay)
        for (int ax = 0; ax < 3; ++ax)
          ExpectLikeOpenCV(f, 17, 4, Mask{3, 3, ax, ay}, RandomMask(3, 3, rng), rng);
    }
  });
}

TEST(Morphology, SolidRectanglesCrossesAndEllipsesOnLongRowsOnEveryTarget) {
  // Rows longer than one working stretch, solid rectangles (worked column first) inside a larger
  // mask and alone, and the usual shapes of a structuring element.
  std::mt19937 rng(110);
  std::vector<std::pair<Mask, cv::Mat>> shapes;
  shapes.push_back({Mask{3, 3, 1, 1}, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3))});
  shapes.push_back({Mask{5, 5, 2, 2}, cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(5, 5))});
  shapes.push_back(
      {Mask{5, 5, 1, 3}, cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(5, 5))});
  shapes.push_back({Mask{7, 2, 6, 0}, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 2))});
  cv::Mat inner = cv::Mat::zeros(5, 6, CV_8U);
  inner(cv::Rect(1, 2, 4, 3)).setTo(1);
  shapes.push_back({Mask{6, 5, 0, 4}, inner});
  // A mask of more cells than the kernel takes at a time, and a rectangle of more rows.
  cv::Mat many = cv::Mat::ones(9, 9, CV_8U);
  many.at<uint8_t>(4, 4) = 0;
  shapes.push_back({Mask{9, 9, 4, 4}, many});
  shapes.push_back({Mask{2, 70, 1, 35}, cv::Mat::ones(70, 2, CV_8U)});
  imagetest::ForEachVectorTarget([&] {
    for (const Form& f : kForms)
      for (auto& [m, k] : shapes) {
        const std::vector<uint8_t> mask(k.datastart, k.dataend);
        ExpectLikeOpenCV(f, 1001, 3, m, mask, rng);
        ExpectLikeOpenCV(f, 1, 2, m, mask, rng);
      }
  });
}

TEST(Morphology, ACornerCellShiftsBothOperationsAlike) {
  std::mt19937 rng(111);
  const std::vector<uint8_t> corner = {7, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const Form& f : {kForms[0], kForms[5]}) {
    const Mask m{3, 3, 1, 1};
    auto src = maskedfilter::SourceFor(9, 4, f.pixel, m);
    src.Randomize(rng);
    imagetest::GuardedImage dst(9, 4, f.pixel, 5);
    ASSERT_EQ(f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), corner.data(),
                   m.size(), m.anchor()),
              ippStsNoErr);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 9; ++x)
        for (int c = 0; c < 3 && c < f.pixel; ++c)
          ASSERT_EQ(dst.at(x, y)[c], src.at(x - 1, y - 1)[c]);
  }
}

TEST(Morphology, ChecksInOrder) {
  std::vector<uint8_t> src(4096, 1), dst(4096);
  const uint8_t ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  const uint8_t zeros[9] = {};
  const uint8_t* s = src.data() + 200;
  struct Case {
    const char* what;
    const Ipp8u* src;
    int srcStep;
    int dstStep;
    IppiSize roi;
    const Ipp8u* mask;
    IppiSize ms;
    IppiPoint anchor;
    IppStatus expected;
  };
  // C3, width 10, 3x3 mask: the source row read is 12 pixels, 36 bytes.
  const Case cases[] = {
      {"null mask", s, 36, 30, {10, 2}, nullptr, {3, 3}, {1, 1}, ippStsNullPtrErr},
      {"zero step before zero width", s, 0, 30, {0, 2}, ones, {3, 3}, {1, 1}, ippStsStepErr},
      {"zero width", s, 36, 30, {0, 2}, ones, {3, 3}, {1, 1}, ippStsSizeErr},
      {"mask height 0", s, 36, 30, {10, 2}, ones, {3, 0}, {1, 1}, ippStsMaskSizeErr},
      {"zero mask before anchor",
       s,
       36,
       30,
       {10, 2},
       zeros,
       {3, 3},
       {5, -1},
       ippStsZeroMaskValuesErr},
      {"anchor outside", s, 36, 30, {10, 2}, ones, {3, 3}, {3, 1}, ippStsAnchorErr},
      {"exact source step", s, 36, 30, {10, 2}, ones, {3, 3}, {1, 1}, ippStsNoErr},
      {"source step one byte short", s, 35, 30, {10, 2}, ones, {3, 3}, {1, 1}, ippStsStrideErr},
      {"destination step one byte short",
       s,
       36,
       29,
       {10, 2},
       ones,
       {3, 3},
       {1, 1},
       ippStsStrideErr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(builtin::ippiErode_8u_C3R(c.src, c.srcStep, dst.data(), c.dstStep, c.roi, c.mask,
                                        c.ms, c.anchor),
              c.expected)
        << c.what;
  EXPECT_EQ(builtin::ippiDilate_8u_C1R(nullptr, 1, dst.data(), 1, {1, 1}, ones, {1, 1}, {0, 0}),
            ippStsNullPtrErr);
}

TEST(Morphology, MaskMaximumStopsAtTheFirstRowHolding255) {
  const uint8_t m[] = {3, 255, 1, 9, 0, 0};
  Ipp8u r = 0;
  EXPECT_EQ(builtin::fbMaskMax8u(m, 3, 3, 2, &r), ippStsNoErr);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(builtin::fbMaskMax8u(m + 3, 3, 3, 1, &r), ippStsNoErr);
  EXPECT_EQ(r, 9);
  EXPECT_EQ(builtin::fbMaskMax8u(m, 0, 3, 1, &r), ippStsStepErr);
  EXPECT_EQ(builtin::fbMaskMax8u(m, 3, 0, 1, &r), ippStsSizeErr);
  EXPECT_EQ(builtin::fbMaskMax8u(m, 3, 3, 1, nullptr), ippStsNullPtrErr);
}

// The row engines by name (one call per destination row, window origin moved by the anchor)
// give the entries' bytes: widths of one pixel, odd widths and rows longer than one working
// stretch; solid rectangles, sparse masks and a single cell; every instruction set.
TEST(Morphology, RowEnginesGiveTheEntriesBytes) {
  using RowFn = void (*)(const uint8_t*, int, uint8_t*, int, const uint8_t*, IppiSize);
  struct Engine {
    const Form& entry;
    RowFn row;
  };
  const Engine engines[] = {
      {kForms[0], builtin::fbErodeRow8uC1},  {kForms[1], builtin::fbErodeRow8uC3},
      {kForms[2], builtin::fbErodeRow8uAC4}, {kForms[3], builtin::fbDilateRow8uC1},
      {kForms[4], builtin::fbDilateRow8uC3}, {kForms[5], builtin::fbDilateRow8uAC4},
  };
  // solid: every cell set; otherwise a random mask of 0, 1 and 255.
  struct Case {
    int width, height;
    Mask m;
    bool solid;
  };
  const Case cases[] = {
      {1, 3, {1, 1, 0, 0}, true},    {7, 4, {3, 3, 1, 1}, true},   {33, 3, {5, 4, 4, 0}, false},
      {29, 5, {9, 9, 4, 4}, false},  {701, 2, {3, 2, 0, 1}, true}, {703, 2, {4, 3, 2, 2}, false},
      {13, 3, {2, 70, 1, 35}, true},
  };
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(112);
    for (const Engine& e : engines)
      for (const Case& c : cases) {
        const int px = e.entry.pixel;
        SCOPED_TRACE(std::string(e.entry.name) + " " + std::to_string(c.width) + "x" +
                     std::to_string(c.height) + " mask " + c.m.Name());
        const std::vector<uint8_t> mask =
            c.solid ? std::vector<uint8_t>(static_cast<size_t>(c.m.w) * c.m.h, 1)
                    : RandomMask(c.m.w, c.m.h, rng);
        auto src = maskedfilter::SourceFor(c.width, c.height, px, c.m);
        src.Randomize(rng);
        imagetest::GuardedImage byEntry(c.width, c.height, px, 5), byRows(c.width, c.height, px, 5);
        byEntry.FillRegion(0x5a);
        byRows.FillRegion(0x5a);
        ASSERT_EQ(e.entry.fn(src.data(), src.step(), byEntry.data(), byEntry.step(), src.size(),
                             mask.data(), c.m.size(), c.m.anchor()),
                  ippStsNoErr);
        for (int y = 0; y < c.height; ++y)
          e.row(src.at(-c.m.ax, y - c.m.ay), src.step(), byRows.row(y), c.width, mask.data(),
                c.m.size());
        EXPECT_EQ(byRows.Region(), byEntry.Region());
        EXPECT_TRUE(byRows.OutsideUntouched());
      }
  });
}

}  // namespace
