// Cross median against a naive median of the plus-shaped neighbourhood; colour median against
// the brute-force definition on small-palette images full of ties, and its vector blocks against
// its plain steps on every target; the order of the checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/MedianCross.h"
#include "primitives/filters/MedianCrossKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::BorderedImage;
using imagetest::GuardedImage;
using MedianFn = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiMaskSize);

struct Form {
  const char* name;
  MedianFn fn;
  int pixel;
};
const Form kCross[] = {{"Cross C1", builtin::ippiFilterMedianCross_8u_C1R, 1},
                       {"Cross C3", builtin::ippiFilterMedianCross_8u_C3R, 3},
                       {"Cross AC4", builtin::ippiFilterMedianCross_8u_AC4R, 4}};
const Form kColour[] = {{"Colour C3", builtin::ippiFilterMedianColor_8u_C3R, 3},
                        {"Colour AC4", builtin::ippiFilterMedianColor_8u_AC4R, 4}};

int CrossModel(BorderedImage& src, int x, int y, int c, int radius) {
  std::vector<int> v{src.at(x, y)[c]};
  for (int d = 1; d <= radius; ++d)
    for (auto [dx, dy] : {std::pair{-d, 0}, std::pair{d, 0}, std::pair{0, -d}, std::pair{0, d}})
      v.push_back(src.at(x + dx, y + dy)[c]);
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The winner by the definition: every total summed afresh, the first smallest in row-major order.
const uint8_t* ColourModel(BorderedImage& src, int x, int y, int radius) {
  const uint8_t* best = nullptr;
  int bestTotal = 1 << 30;
  for (int j = -radius; j <= radius; ++j)
    for (int i = -radius; i <= radius; ++i) {
      const uint8_t* p = src.at(x + i, y + j);
      int total = 0;
      for (int q = -radius; q <= radius; ++q)
        for (int r = -radius; r <= radius; ++r) {
          const uint8_t* o = src.at(x + r, y + q);
          total += std::abs(p[0] - o[0]) + std::abs(p[1] - o[1]) + std::abs(p[2] - o[2]);
        }
      if (total < bestTotal) {
        bestTotal = total;
        best = p;
      }
    }
  return best;
}

// Runs the form on a source filled by fill and compares with the model byte by byte; the
// destination's fourth bytes (AC4) must keep their value.
template <typename Fill, typename Model>
void ExpectModel(const Form& f, int width, int height, IppiMaskSize mask, Fill fill, Model model) {
  SCOPED_TRACE(std::string(f.name) + " " + std::to_string(width) + "x" + std::to_string(height) +
               " mask " + std::to_string(mask));
  const int radius = mask == ippMskSize3x3 ? 1 : 2;
  BorderedImage src(width, height, f.pixel, radius);
  fill(src);
  GuardedImage dst(width, height, f.pixel, 5);
  dst.FillRegion(0xa5);
  ASSERT_EQ(f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(), mask), ippStsNoErr);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < f.pixel; ++c) {
        const int expected = c == 3 ? 0xa5 : model(src, x, y, c, radius);
        ASSERT_EQ(dst.at(x, y)[c], expected) << "pixel " << x << "," << y << " channel " << c;
      }
  EXPECT_TRUE(dst.OutsideUntouched());
}

TEST(MedianCross, EqualsTheMedianOfThePlusAndIgnoresDiagonals) {
  std::mt19937 rng(114);
  for (const Form& f : kCross)
    for (IppiMaskSize mask : {ippMskSize3x3, ippMskSize5x5})
      for (IppiSize size : {IppiSize{1, 1}, IppiSize{1, 6}, IppiSize{7, 1}, IppiSize{2300, 3}}) {
        ExpectModel(
            f, size.width, size.height, mask, [&](BorderedImage& s) { s.Randomize(rng); },
            CrossModel);
        // Few values: many equal bytes in each neighbourhood.
        ExpectModel(
            f, size.width, size.height, mask,
            [&](BorderedImage& s) {
              s.Randomize(rng);
              const int m = s.margins().left;
              for (int y = -m; y < s.height() + m; ++y)
                for (int x = -m; x < s.width() + m; ++x)
                  for (int c = 0; c < f.pixel; ++c) s.at(x, y)[c] &= 3;
            },
            CrossModel);
      }
  // A 3x3 plus of 10s with 200 on every diagonal: still 10.
  BorderedImage src(1, 1, 1, 1);
  for (int y = -1; y <= 1; ++y)
    for (int x = -1; x <= 1; ++x) *src.at(x, y) = (x != 0 && y != 0) ? 200 : 10;
  uint8_t out = 0;
  ASSERT_EQ(
      builtin::ippiFilterMedianCross_8u_C1R(src.data(), src.step(), &out, 1, {1, 1}, ippMskSize3x3),
      ippStsNoErr);
  EXPECT_EQ(out, 10);
}

TEST(MedianColour, EqualsTheFirstSmallestTotalOnTiePronePalettes) {
  std::mt19937 rng(115);
  const auto model = [](BorderedImage& s, int x, int y, int c, int radius) {
    return int{ColourModel(s, x, y, radius)[c]};
  };
  for (const Form& f : kColour)
    for (IppiMaskSize mask : {ippMskSize3x3, ippMskSize5x5})
      for (int colours : {2, 3, 256})
        for (IppiSize size :
             {IppiSize{1, 1}, IppiSize{1, 5}, IppiSize{9, 1}, IppiSize{61, 7}, IppiSize{260, 4}}) {
          ExpectModel(
              f, size.width, size.height, mask,
              [&](BorderedImage& s) {
                s.Randomize(rng);
                if (colours == 256) return;
                const int m = s.margins().left;
                for (int y = -m; y < s.height() + m; ++y)
                  for (int x = -m; x < s.width() + m; ++x)
                    for (int c = 0; c < 3; ++c)
                      s.at(x, y)[c] = static_cast<uint8_t>(rng() % colours * 40);
              },
              model);
        }
}

TEST(MedianColour, VectorBlocksEqualThePlainStepsOnEveryTarget) {
  // Widths around the strips' ends (a strip has 126 outputs for 3x3, 124 for 5x5) and vector
  // lengths; sources of ties and extreme values, margins included.
  struct Pattern {
    const char* name;
    uint8_t (*value)(int x, int y, int c, std::mt19937& rng);
  };
  const Pattern patterns[] = {
      {"random", [](int, int, int, std::mt19937& rng) { return static_cast<uint8_t>(rng()); }},
      {"two colours",
       [](int, int, int c, std::mt19937& rng) { return static_cast<uint8_t>(rng() % 2 * (60 + c)); }},
      {"all 0", [](int, int, int, std::mt19937&) { return uint8_t{0}; }},
      {"all 255", [](int, int, int, std::mt19937&) { return uint8_t{255}; }},
      {"checkerboard",
       [](int x, int y, int, std::mt19937&) { return static_cast<uint8_t>((x + y) & 1 ? 255 : 0); }},
      {"channel extremes",
       [](int x, int y, int c, std::mt19937&) {
         return static_cast<uint8_t>((x * 5 + y * 3 + c) % 3 == 0 ? 255 : 0);
       }},
  };
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(117);
    for (const Form& f : kColour)
      for (int side : {3, 5})
        for (const Pattern& pattern : patterns)
          for (int width : {1, 2, 33, 124, 126, 127, 131, 253, 381})
            for (int height : {1, 2, 6}) {
              SCOPED_TRACE(std::string(f.name) + " " + std::to_string(side) + "x" + std::to_string(side) +
                           " " + pattern.name + " " + std::to_string(width) + "x" + std::to_string(height));
              const int m = side / 2;
              BorderedImage src(width, height, f.pixel, m);
              for (int y = -m; y < height + m; ++y)
                for (int x = -m; x < width + m; ++x)
                  for (int c = 0; c < f.pixel; ++c) src.at(x, y)[c] = pattern.value(x, y, c, rng);
              GuardedImage plain(width, height, f.pixel, 5), vector(width, height, f.pixel, 7);
              plain.FillRegion(0x5a);
              vector.FillRegion(0x5a);
              builtin::colourmedian::ColourMedianRegion(src.data(), src.step(), plain.data(), plain.step(),
                                                        width, height, f.pixel, side, false);
              ASSERT_EQ(f.fn(src.data(), src.step(), vector.data(), vector.step(), src.size(),
                             side == 3 ? ippMskSize3x3 : ippMskSize5x5),
                        ippStsNoErr);
              ASSERT_EQ(vector.Region(), plain.Region());
              EXPECT_TRUE(plain.OutsideUntouched());
              EXPECT_TRUE(vector.OutsideUntouched());
            }
  });
}

TEST(MedianColour, TiesGoToTheEarlierPixelInRowMajorOrder) {
  // As many pixels of colour A = {10, 0, 0} as of B = {0, 10, 0}, the rest of a far C =
  // {0, 0, 100}: every A and every B has the same total, the smallest, so the first A or B in
  // row-major order wins; the last of them is of the other colour.
  struct Case {
    const char* what;
    int cells[9];  // 0 A, 1 B, 2 C, row-major
    int winner;
  };
  const Case cases[] = {
      {"top-left against centre", {0, 0, 0, 0, 1, 1, 1, 2, 1}, 0},
      {"top-right against middle-left", {2, 2, 0, 1, 0, 1, 0, 2, 1}, 2},
  };
  const uint8_t palette[3][3] = {{10, 0, 0}, {0, 10, 0}, {0, 0, 100}};
  for (const Case& c : cases) {
    BorderedImage src(1, 1, 3, 1);
    for (int i = 0; i < 9; ++i) {
      uint8_t* p = src.at(i % 3 - 1, i / 3 - 1);
      for (int ch = 0; ch < 3; ++ch) p[ch] = palette[c.cells[i]][ch];
    }
    const uint8_t* expected = ColourModel(src, 0, 0, 1);
    ASSERT_EQ(expected, src.at(c.winner % 3 - 1, c.winner / 3 - 1))
        << c.what << ": the fixture has no such tie";
    uint8_t out[3] = {};
    ASSERT_EQ(builtin::ippiFilterMedianColor_8u_C3R(src.data(), src.step(), out, 3, {1, 1},
                                                    ippMskSize3x3),
              ippStsNoErr);
    EXPECT_TRUE(std::equal(out, out + 3, expected)) << c.what;
  }
}

TEST(MedianCrossAndColour, ChecksInOrder) {
  std::vector<uint8_t> buf(256, 7), dst(256);
  const uint8_t* s = buf.data() + 100;
  struct Case {
    const Ipp8u* src;
    int srcStep, dstStep;
    IppiSize roi;
    int mask;
    IppStatus expected;
  };
  const Case cases[] = {
      {nullptr, 8, 8, {1, 1}, 3, ippStsNullPtrErr}, {s, 8, 8, {0, 1}, 3, ippStsSizeErr},
      {s, 8, 8, {1, 0}, 35, ippStsSizeErr},         {s, 0, 8, {1, 1}, 3, ippStsStepErr},
      {s, 8, 0, {1, 1}, 35, ippStsStepErr},         {s, 8, 8, {1, 1}, 3, ippStsMaskSizeErr},
      {s, 8, 8, {1, 1}, 35, ippStsMaskSizeErr},     {s, 8, 8, {1, 1}, 33, ippStsNoErr},
  };
  for (const Form& f : {kCross[0], kCross[1], kCross[2], kColour[0], kColour[1]})
    for (const Case& c : cases)
      EXPECT_EQ(
          f.fn(c.src, c.srcStep, dst.data(), c.dstStep, c.roi, static_cast<IppiMaskSize>(c.mask)),
          c.expected)
          << f.name << " mask " << c.mask;
}

}  // namespace
