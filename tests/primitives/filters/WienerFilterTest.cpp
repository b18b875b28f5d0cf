// Wiener filter against a model that sums each window exactly and applies the float steps of
// the filter; its vector blocks against its plain path on every target; the estimation of the
// noise and its write-back; a flat image; the checks and the buffer-size query.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/filters/WienerFilter.h"
#include "primitives/filters/WienerFilterKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::BorderedImage;
using imagetest::GuardedImage;
using WienerFn = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiSize, IppiPoint,
                               Ipp32f*, Ipp8u*);

struct Form {
  const char* name;
  WienerFn fn;
  int pixel;
  int channels;
};
const Form kForms[] = {{"C1", builtin::ippiFilterWiener_8u_C1R, 1, 1},
                       {"C3", builtin::ippiFilterWiener_8u_C3R, 3, 3},
                       {"AC4", builtin::ippiFilterWiener_8u_AC4R, 4, 3}};

struct Window {
  int w, h, ax, ay;
};

// The source region with the margins the window reaches: mw - 1 - ax left, ax right,
// mh - 1 - ay above, ay below.
BorderedImage SourceFor(int width, int height, int pixel, const Window& m) {
  return BorderedImage(width, height, pixel,
                       BorderedImage::Margins{m.w - 1 - m.ax, m.h - 1 - m.ay, m.ax, m.ay});
}

// Per pixel and channel: the exact sums of the window, then the filter's float steps.
std::vector<uint8_t> Model(const Form& f, BorderedImage& src, const Window& m, const double* t) {
  const float r = 1.0f / static_cast<float>(m.w * m.h);
  std::vector<uint8_t> out;
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x)
      for (int c = 0; c < f.pixel; ++c) {
        if (c == 3) {
          out.push_back(0x3c);
          continue;
        }
        int64_t s = 0, q = 0;
        for (int j = y - (m.h - 1 - m.ay); j <= y + m.ay; ++j)
          for (int i = x - (m.w - 1 - m.ax); i <= x + m.ax; ++i) {
            const int v = src.at(i, j)[c];
            s += v;
            q += v * v;
          }
        const float fs = static_cast<float>(s), fq = static_cast<float>(q);
        const float mean = static_cast<float>(static_cast<double>(fs) * r);
        const long double tc =
            f.channels == 1 ? static_cast<long double>(t[c]) : static_cast<float>(t[c]);
        float v = static_cast<float>(static_cast<long double>(fq) -
                                     static_cast<long double>(fs) * fs * r);
        if (v < static_cast<float>(t[c])) v = static_cast<float>(t[c]);
        const int p = src.at(x, y)[c];
        const long double lm = mean, lv = v;
        out.push_back(static_cast<uint8_t>(static_cast<int>(lm + (lv - tc) / lv * (p - lm))));
      }
  return out;
}

struct Outcome {
  IppStatus status;
  std::vector<uint8_t> region;
  bool outsideUntouched;
};
Outcome RunWiener(const Form& f, BorderedImage& src, const Window& m, float* noise) {
  int size = 0;
  EXPECT_EQ(builtin::ippiFilterWienerGetBufferSize(src.size(), IppiSize{m.w, m.h}, f.pixel, &size),
            ippStsNoErr);
  imagetest::GuardedVector buffer(size, 1, 3);
  GuardedImage dst(src.width(), src.height(), f.pixel, 5);
  dst.FillRegion(0x3c);
  const IppStatus s = f.fn(src.data(), src.step(), dst.data(), dst.step(), src.size(),
                           IppiSize{m.w, m.h}, IppiPoint{m.ax, m.ay}, noise, buffer.data());
  EXPECT_TRUE(buffer.OutsideUntouched());
  return Outcome{s, dst.Region(), dst.OutsideUntouched()};
}

TEST(Wiener, EqualsExactWindowSumsWithGivenNoiseForAnchorsMasksAndLayouts) {
  std::mt19937 rng(108);
  const Window windows[] = {{3, 3, 0, 0}, {3, 3, 1, 1},   {3, 3, 2, 2}, {5, 5, 2, 2},
                            {2, 7, 1, 3}, {16, 16, 9, 4}, {9, 2, 0, 1}};
  const IppiSize regions[] = {{23, 9}, {40, 1}, {1, 5}};
  for (const Form& f : kForms)
    for (const Window& m : windows)
      for (IppiSize region : regions)
        for (float level : {0.001f, 0.02f, 0.3f}) {
          SCOPED_TRACE(std::string(f.name) + " window " + std::to_string(m.w) + "x" +
                       std::to_string(m.h) + " anchor " + std::to_string(m.ax) + "," +
                       std::to_string(m.ay) + " region " + std::to_string(region.width) + "x" +
                       std::to_string(region.height) + " noise " + std::to_string(level));
          auto src = SourceFor(region.width, region.height, f.pixel, m);
          src.Randomize(rng);
          float noise[3] = {level, level * 2, level / 2};
          double t[3];
          for (int c = 0; c < 3; ++c)
            t[c] = static_cast<double>(static_cast<long double>(noise[c]) * 65025 * m.w * m.h);
          const Outcome run = RunWiener(f, src, m, noise);
          EXPECT_EQ(run.status, ippStsNoErr);
          EXPECT_EQ(run.region, Model(f, src, m, t));
          EXPECT_TRUE(run.outsideUntouched);
          EXPECT_EQ(noise[0], level);  // given noise is left alone
        }
}

TEST(Wiener, VectorBlocksEqualThePlainPathOnEveryTarget) {
  // Sources of ties, flat windows and extreme values, margins included; widths around the vector
  // lengths; a mask wider than the vector steps take; given and estimated noise.
  struct Pattern {
    const char* name;
    uint8_t (*value)(int x, int y, int c, std::mt19937& rng);
  };
  const Pattern patterns[] = {
      {"random", [](int, int, int, std::mt19937& rng) { return static_cast<uint8_t>(rng()); }},
      {"two levels", [](int, int, int, std::mt19937& rng) { return static_cast<uint8_t>(rng() % 2 * 90 + 40); }},
      {"all 0", [](int, int, int, std::mt19937&) { return uint8_t{0}; }},
      {"all 255", [](int, int, int, std::mt19937&) { return uint8_t{255}; }},
      {"checkerboard", [](int x, int y, int c, std::mt19937&) { return static_cast<uint8_t>((x + y + c) & 1 ? 255 : 0); }},
  };
  const Window windows[] = {{2, 2, 0, 0}, {3, 3, 1, 1}, {5, 5, 2, 2}, {7, 3, 6, 0}, {65, 2, 30, 1}};
  imagetest::ForEachVectorTarget([&] {
    std::mt19937 rng(109);
    for (const Form& f : kForms)
      for (const Window& m : windows)
        for (const Pattern& pattern : patterns)
          for (int width : {1, 7, 9, 17, 33, 130})
            for (float level : {0.0f, 0.004f}) {
              SCOPED_TRACE(std::string(f.name) + " window " + std::to_string(m.w) + "x" + std::to_string(m.h) +
                           " " + pattern.name + " width " + std::to_string(width) + " noise " +
                           std::to_string(level));
              const int height = 3;
              auto src = SourceFor(width, height, f.pixel, m);
              const auto& g = src.margins();
              for (int y = -g.top; y < height + g.bottom; ++y)
                for (int x = -g.left; x < width + g.right; ++x)
                  for (int c = 0; c < f.pixel; ++c) src.at(x, y)[c] = pattern.value(x, y, c, rng);
              int size = 0;
              ASSERT_EQ(builtin::ippiFilterWienerGetBufferSize(src.size(), IppiSize{m.w, m.h}, f.pixel, &size),
                        ippStsNoErr);
              std::vector<uint8_t> results[2];
              float noises[2][3];
              for (int vector = 0; vector < 2; ++vector) {
                imagetest::GuardedVector buffer(size, 1, 5 + vector);
                GuardedImage dst(width, height, f.pixel, 3 + 2 * vector);
                dst.FillRegion(0x3c);
                float noise[3] = {level, level * 2, level};
                builtin::wiener::FilterRegion(f.pixel, src.data(), src.step(), dst.data(), dst.step(), src.size(),
                                              IppiSize{m.w, m.h}, IppiPoint{m.ax, m.ay}, noise, buffer.data(),
                                              vector == 1);
                EXPECT_TRUE(buffer.OutsideUntouched());
                EXPECT_TRUE(dst.OutsideUntouched());
                results[vector] = dst.Region();
                std::copy(noise, noise + 3, noises[vector]);
              }
              ASSERT_EQ(results[1], results[0]);
              for (int c = 0; c < f.channels; ++c) EXPECT_EQ(noises[1][c], noises[0][c]) << c;
            }
  });
}

TEST(Wiener, VectorOutputLeavesValuesNearAnIntegerToTheExtendedPrecision) {
  // One-channel rows of window statistics (sum 0, so the mean is 0; V and T = 1 chosen) whose
  // double value misses the integer the extended one truncates to: 3.75 and p = 75 give
  // 54.999999999999993 in double, 55 in extended precision; 4.5 and p = 81 give 63 in double,
  // 62.999... in extended precision. Around them, ordinary elements.
  builtin::wiener::TLanes lanes{};
  lanes.pixel = 1;
  lanes.channels = 1;
  lanes.maskWidth = 3;
  lanes.r = 1.0f / 9;
  for (int k = 0; k < builtin::wiener::TLanes::kRepeat; ++k) {
    lanes.threshold[k] = 1.0f;
    lanes.noise[k] = 1.0;
    lanes.liveFloat[k] = ~0u;
    lanes.liveDouble[k] = ~uint64_t{0};
  }
  constexpr int kN = 70;
  std::vector<float> sum(kN, 0.0f), square(kN);
  std::vector<uint8_t> src(kN);
  for (int i = 0; i < kN; ++i) {
    square[i] = 20.0f + static_cast<float>(i);
    src[i] = static_cast<uint8_t>(i * 3);
  }
  const struct {
    int at;
    float v;
    uint8_t p, expected;
  } cases[] = {{5, 3.75f, 75, 55}, {12, 4.5f, 81, 62}, {40, 3.75f, 150, 110}, {66, 4.5f, 153, 118}};
  for (const auto& c : cases) {
    square[c.at] = c.v;
    src[c.at] = c.p;
  }
  std::vector<uint8_t> plain(kN);
  builtin::wiener::OutputRow(builtin::wiener::TBlocks{}, sum.data(), square.data(), src.data(), plain.data(),
                             lanes, kN);
  for (const auto& c : cases) EXPECT_EQ(plain[c.at], c.expected) << c.at;
  imagetest::ForEachVectorTarget([&] {
    std::vector<uint8_t> vector(kN);
    builtin::wiener::OutputRow(builtin::wiener::VectorWiener(), sum.data(), square.data(), src.data(),
                               vector.data(), lanes, kN);
    EXPECT_EQ(vector, plain);
  });
}

TEST(Wiener, EstimatedNoiseIsWrittenBackAndThenUsedAsGiven) {
  std::mt19937 rng(1081);
  const Window m{3, 3, 1, 1};
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.name);
    auto src = SourceFor(31, 7, f.pixel, m);
    src.Randomize(rng);
    // C3 and AC4: one value below 2^-23 re-estimates all three.
    float noise[3] = {0.01f, 0.0f, 0.02f};
    if (f.channels == 1) noise[0] = 0.0f;
    const Outcome estimated = RunWiener(f, src, m, noise);
    ASSERT_EQ(estimated.status, ippStsNoErr);
    for (int c = 0; c < f.channels; ++c) {
      EXPECT_GT(noise[c], 0.0f) << c;
      EXPECT_LT(noise[c], 1.0f) << c;
    }
    if (f.channels == 3) {
      EXPECT_NE(noise[0], 0.01f);
      EXPECT_NE(noise[2], 0.02f);
    }
    // On another image the value is used as given: an estimate there would differ.
    auto other = SourceFor(31, 7, f.pixel, m);
    other.Randomize(rng);
    float again[3] = {noise[0], noise[1], noise[2]};
    const Outcome given = RunWiener(f, other, m, again);
    ASSERT_EQ(given.status, ippStsNoErr);
    EXPECT_EQ(again[0], noise[0]);  // not estimated a second time
    EXPECT_EQ(again[2], noise[2]);
    // The estimate is the mean of the window variances in the noise's units: recompute it.
    double total[3] = {};
    for (int y = 0; y < 7; ++y)
      for (int c = 0; c < f.channels; ++c) {
        double row = 0;
        for (int x = 0; x < 31; ++x) {
          int64_t s = 0, q = 0;
          for (int j = -1; j <= 1; ++j)
            for (int i = -1; i <= 1; ++i) {
              const int v = src.at(x + i, y + j)[c];
              s += v;
              q += v * v;
            }
          row += std::max(0.0, static_cast<double>(q) - static_cast<double>(s) * s / 9);
        }
        total[c] += row / 31;
      }
    for (int c = 0; c < f.channels; ++c) EXPECT_NEAR(noise[c], total[c] / 7 / 65025 / 9, 1e-5) << c;
  }
}

TEST(Wiener, FlatImageKeepsItsValuesWithEstimatedAndGivenNoise) {
  // Every window has zero variance, so the estimate is 0 and each window's V is 0.
  const Window m{3, 2, 1, 0};
  for (const Form& f : kForms) {
    auto src = SourceFor(12, 4, f.pixel, m);
    src.Fill(200);
    float noise[3] = {0, 0, 0};
    const Outcome run = RunWiener(f, src, m, noise);
    ASSERT_EQ(run.status, ippStsNoErr);
    for (size_t i = 0; i < run.region.size(); ++i)
      ASSERT_EQ(run.region[i], f.pixel == 4 && i % 4 == 3 ? 0x3c : 200) << f.name << " byte " << i;
    EXPECT_EQ(noise[0], 0.0f);
    // With a given noise V is raised to T, the factor is 0 and the result exactly the mean.
    float given[3] = {0.1f, 0.1f, 0.1f};
    const Outcome kept = RunWiener(f, src, m, given);
    ASSERT_EQ(kept.status, ippStsNoErr);
    EXPECT_EQ(kept.region, run.region) << f.name;
  }
}

TEST(Wiener, ChecksInOrder) {
  std::vector<uint8_t> src(4096, 9), dst(4096), buffer(4096);
  const uint8_t* s = src.data() + 1000;
  float ok[3] = {0.1f, 0.1f, 0.1f};
  float one[3] = {1.0f, 0.1f, 0.1f};
  float nan[3] = {0.1f, 0.1f, std::numeric_limits<float>::quiet_NaN()};
  float negative[3] = {-0.5f, 0.1f, 0.1f};
  float almostOne[3] = {0.999f, 0.999f, 0.999f};
  struct Case {
    const char* what;
    const Ipp8u* src;
    int srcStep;
    IppiSize roi, mask;
    IppiPoint anchor;
    float* noise;
    IppStatus expected;
  };
  const Case cases[] = {
      {"null noise", s, 64, {4, 2}, {3, 3}, {1, 1}, nullptr, ippStsNullPtrErr},
      {"zero height", s, 64, {4, 0}, {3, 3}, {1, 1}, ok, ippStsSizeErr},
      {"mask 1 wide", s, 0, {4, 2}, {1, 3}, {0, 0}, ok, ippStsMaskSizeErr},
      {"anchor before step", s, 0, {4, 2}, {3, 3}, {3, 0}, ok, ippStsAnchorErr},
      {"zero step", s, 0, {4, 2}, {3, 3}, {1, 1}, one, ippStsStepErr},
      {"noise 1", s, 64, {4, 2}, {3, 3}, {1, 1}, one, ippStsNoiseValErr},
      {"noise NaN", s, 64, {4, 2}, {3, 3}, {1, 1}, nan, ippStsNoiseValErr},
      {"negative noise", s, 64, {4, 2}, {3, 3}, {1, 1}, negative, ippStsNoiseValErr},
      {"noise 0.999", s, 64, {4, 2}, {3, 3}, {1, 1}, almostOne, ippStsNoErr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(builtin::ippiFilterWiener_8u_C3R(c.src, c.srcStep, dst.data() + 1000, 64, c.roi,
                                               c.mask, c.anchor, c.noise, buffer.data()),
              c.expected)
        << c.what;
  EXPECT_EQ(builtin::ippiFilterWiener_8u_C1R(s, 64, dst.data(), 64, {4, 2}, {3, 3}, {1, 1}, nan,
                                             buffer.data()),
            ippStsNoErr);  // the one-channel filter reads only the first value
  EXPECT_EQ(
      builtin::ippiFilterWiener_8u_C1R(s, 64, dst.data(), 64, {4, 2}, {3, 3}, {1, 1}, ok, nullptr),
      ippStsNullPtrErr);
}

TEST(Wiener, BufferSizeQuery) {
  int size = -1;
  struct Case {
    IppiSize roi, mask;
    int channels;
    IppStatus expected;
    int size;
  };
  const Case cases[] = {
      {{10, 4}, {3, 3}, 1, ippStsNoErr, 271},
      {{10, 4}, {3, 3}, 3, ippStsNoErr, 591},
      {{10, 4}, {3, 3}, 4, ippStsNoErr, 719},
      {{10, 4}, {3, 3}, 2, ippStsNumChannelsErr, -1},
      {{10, 4}, {1, 1}, 2, ippStsNumChannelsErr, -1},
      {{10, 4}, {1, 3}, 1, ippStsMaskSizeErr, -1},
      {{0, 4}, {1, 1}, 2, ippStsSizeErr, -1},
      // 4 * 4 * (3 * 200000000 + 6 rounded) + 15 does not fit 32 bits: refused, not wrapped.
      {{200000000, 1}, {3, 3}, 3, ippStsSizeErr, -1},
  };
  for (const Case& c : cases) {
    size = -1;
    EXPECT_EQ(builtin::ippiFilterWienerGetBufferSize(c.roi, c.mask, c.channels, &size), c.expected);
    EXPECT_EQ(size, c.size);
  }
  EXPECT_EQ(builtin::ippiFilterWienerGetBufferSize({10, 4}, {3, 3}, 1, nullptr), ippStsNullPtrErr);
}

TEST(Wiener, RowMeans) {
  const float row[] = {1.0f, 2.0f, 4.0f, 8.0f, 16.0f};
  float mean = 0;
  EXPECT_EQ(builtin::fbMeanRow32f(row, 5, &mean), ippStsNoErr);
  EXPECT_EQ(mean, 6.2f);
  EXPECT_EQ(builtin::fbMeanRow32f(row, 0, &mean), ippStsSizeErr);
  EXPECT_EQ(builtin::fbMeanRow32f(nullptr, 5, &mean), ippStsNullPtrErr);
  const float pixels[] = {1, 10, 100, 7, 3, 30, 300, 7};
  float means[3];
  builtin::fbChannelMeans32f(pixels, 2, 4, means);
  EXPECT_EQ(means[0], 2.0f);
  EXPECT_EQ(means[1], 20.0f);
  EXPECT_EQ(means[2], 200.0f);
}

}  // namespace
