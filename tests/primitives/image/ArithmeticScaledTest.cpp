#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <opencv2/core.hpp>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/ArithmeticScaled.h"
#include "primitives/image/ArithmeticScaledKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/ScaleFactorModel.h"

namespace {

using namespace builtin;
using imagetest::GuardedImage;

int MulScaleModel(int a, int b) { return a * b / 255; }

// ---- Products scaled by 255
// ----------------------------------------------------------------------

TEST(ImageMulScale, EveryPairOfBytesGivesTheFlooredQuotient) {
  // a = i & 255 in the destination, b = i >> 8 in the source.
  std::vector<Ipp8u> a(65536), b(65536);
  for (int i = 0; i < 65536; ++i) a[i] = static_cast<Ipp8u>(i), b[i] = static_cast<Ipp8u>(i >> 8);
  std::vector<Ipp8u> product = a;
  ASSERT_EQ(ippiMulScale_8u_C1IR(b.data(), 256, product.data(), 256, IppiSize{256, 256}),
            ippStsNoErr);
  for (int i = 0; i < 65536; ++i)
    ASSERT_EQ(product[i], MulScaleModel(a[i], b[i])) << int(a[i]) << " * " << int(b[i]);
  // The same pairs through the constant forms, one constant at a time.
  std::vector<Ipp8u> x(256), out(256);
  for (int v = 0; v < 256; ++v) x[v] = static_cast<Ipp8u>(v);
  for (int c = 0; c < 256; ++c) {
    ASSERT_EQ(
        ippiMulCScale_8u_C1R(x.data(), 16, static_cast<Ipp8u>(c), out.data(), 16, IppiSize{16, 16}),
        ippStsNoErr);
    std::vector<Ipp8u> inPlace = x;
    ASSERT_EQ(ippiMulCScale_8u_C1IR(static_cast<Ipp8u>(c), inPlace.data(), 256, IppiSize{256, 1}),
              ippStsNoErr);
    for (int v = 0; v < 256; ++v) {
      ASSERT_EQ(out[v], MulScaleModel(v, c)) << v << " * " << c;
      ASSERT_EQ(inPlace[v], MulScaleModel(v, c));
    }
  }
  EXPECT_EQ(MulScaleModel(255, 255), 255);
  EXPECT_EQ(MulScaleModel(128, 2), 1);
  EXPECT_EQ(MulScaleModel(1, 254), 0);
}

// The multi-channel forms on guarded images: per byte, with the constant of its channel; the
// fourth byte of an AC4 pixel keeps its value.
TEST(ImageMulScale, ChannelFormsPerByteOnGuardedImages) {
  const Ipp8u values[4] = {7, 200, 255, 31};
  struct Form {
    const char* Name;
    int Channels;
    bool Alpha4;
    bool Constant;
    std::function<IppStatus(GuardedImage&, GuardedImage&, GuardedImage&)> Run;
  } forms[] = {
      {"MulScale_C3IR", 3, false, false,
       [](GuardedImage& s, GuardedImage&, GuardedImage& d) {
         return ippiMulScale_8u_C3IR(s.data(), s.step(), d.data(), d.step(), d.size());
       }},
      {"MulScale_C4IR", 4, false, false,
       [](GuardedImage& s, GuardedImage&, GuardedImage& d) {
         return ippiMulScale_8u_C4IR(s.data(), s.step(), d.data(), d.step(), d.size());
       }},
      {"MulScale_AC4IR", 4, true, false,
       [](GuardedImage& s, GuardedImage&, GuardedImage& d) {
         return ippiMulScale_8u_AC4IR(s.data(), s.step(), d.data(), d.step(), d.size());
       }},
      {"MulCScale_C3R", 3, false, true,
       [&](GuardedImage&, GuardedImage& out, GuardedImage& d) {
         // Out of place into out, then copied back so that one check serves all forms.
         IppStatus st =
             ippiMulCScale_8u_C3R(d.data(), d.step(), values, out.data(), out.step(), out.size());
         d.SetRegion(out.Region());
         return st;
       }},
      {"MulCScale_C4R", 4, false, true,
       [&](GuardedImage&, GuardedImage& out, GuardedImage& d) {
         IppStatus st =
             ippiMulCScale_8u_C4R(d.data(), d.step(), values, out.data(), out.step(), out.size());
         d.SetRegion(out.Region());
         return st;
       }},
      {"MulCScale_C3IR", 3, false, true,
       [&](GuardedImage&, GuardedImage&, GuardedImage& d) {
         return ippiMulCScale_8u_C3IR(values, d.data(), d.step(), d.size());
       }},
      {"MulCScale_C4IR", 4, false, true,
       [&](GuardedImage&, GuardedImage&, GuardedImage& d) {
         return ippiMulCScale_8u_C4IR(values, d.data(), d.step(), d.size());
       }},
      {"MulCScale_AC4IR", 4, true, true,
       [&](GuardedImage&, GuardedImage&, GuardedImage& d) {
         return ippiMulCScale_8u_AC4IR(values, d.data(), d.step(), d.size());
       }},
  };
  std::mt19937 rng(109);
  for (const Form& f : forms) {
    for (int pad : {9, 0}) {
      GuardedImage s(37, 4, f.Channels, pad), out(37, 4, f.Channels, pad),
          d(37, 4, f.Channels, pad);
      s.Randomize(rng), d.Randomize(rng);
      const std::vector<uint8_t> s0 = s.Region(), d0 = d.Region();
      ASSERT_EQ(f.Run(s, out, d), ippStsNoErr) << f.Name;
      const std::vector<uint8_t> got = d.Region();
      for (size_t i = 0; i < got.size(); ++i) {
        const int k = static_cast<int>(i % f.Channels);
        const int expected =
            f.Alpha4 && k == 3 ? d0[i] : MulScaleModel(d0[i], f.Constant ? values[k] : s0[i]);
        ASSERT_EQ(got[i], expected) << f.Name << " byte " << i << " pad " << pad;
      }
      EXPECT_TRUE(s.OutsideUntouched() && out.OutsideUntouched() && d.OutsideUntouched()) << f.Name;
    }
  }
}

TEST(ImageMulScale, EqualConstantsGiveTheBytesOfTheOneChannelForm) {
  GuardedImage src(23, 3, 3), perChannel(23, 3, 3), oneChannel(69, 3, 1);
  std::mt19937 rng(777);
  src.Randomize(rng);
  const Ipp8u sevens[3] = {7, 7, 7};
  ASSERT_EQ(ippiMulCScale_8u_C3R(src.data(), src.step(), sevens, perChannel.data(),
                                 perChannel.step(), src.size()),
            ippStsNoErr);
  ASSERT_EQ(ippiMulCScale_8u_C1R(src.data(), src.step(), 7, oneChannel.data(), oneChannel.step(),
                                 oneChannel.size()),
            ippStsNoErr);
  EXPECT_EQ(perChannel.Region(), oneChannel.Region());
}

TEST(ImageMulScale, StepsAreCheckedBeforeSizes) {
  Ipp8u px[16] = {};
  const Ipp8u v[4] = {1, 2, 3, 4};
  const IppiSize empty{0, 1}, one{1, 1};
  // C1IR, AC4IR and every MulCScale form: pointers, steps, size.
  EXPECT_EQ(ippiMulScale_8u_C1IR(nullptr, 0, px, 0, empty), ippStsNullPtrErr);
  EXPECT_EQ(ippiMulScale_8u_C1IR(px, 0, px, 4, empty), ippStsStepErr);
  EXPECT_EQ(ippiMulScale_8u_AC4IR(px, 4, px, 0, empty), ippStsStepErr);
  EXPECT_EQ(ippiMulScale_8u_AC4IR(px, 4, px, 4, IppiSize{1, 0}), ippStsSizeErr);
  EXPECT_EQ(ippiMulCScale_8u_C1R(px, 1, 3, px, -1, empty), ippStsStepErr);
  EXPECT_EQ(ippiMulCScale_8u_C3R(px, 3, nullptr, px, 3, one), ippStsNullPtrErr);
  EXPECT_EQ(ippiMulCScale_8u_C4R(px, 0, v, px, 4, empty), ippStsStepErr);
  EXPECT_EQ(ippiMulCScale_8u_C1IR(3, nullptr, 1, one), ippStsNullPtrErr);
  EXPECT_EQ(ippiMulCScale_8u_C3IR(v, px, 0, empty), ippStsStepErr);
  EXPECT_EQ(ippiMulCScale_8u_AC4IR(nullptr, px, 4, one), ippStsNullPtrErr);
  EXPECT_EQ(ippiMulCScale_8u_C4IR(v, px, 4, IppiSize{1, -3}), ippStsSizeErr);
  // C3IR and C4IR test the size first.
  EXPECT_EQ(ippiMulScale_8u_C3IR(nullptr, 0, nullptr, 0, empty), ippStsSizeErr);
  EXPECT_EQ(ippiMulScale_8u_C4IR(px, 0, px, 0, IppiSize{1, 0}), ippStsSizeErr);
  EXPECT_EQ(ippiMulScale_8u_C3IR(nullptr, 3, px, 3, one), ippStsNullPtrErr);
  EXPECT_EQ(ippiMulScale_8u_C4IR(px, 0, px, 4, one), ippStsStepErr);
}

// ---- Squares
// ---------------------------------------------------------------------------------------

int SquareModel(int x, int sf) { return static_cast<int>(sfmodel::Scaled(x * x, sf, 0, 255)); }

TEST(ImageSqr, EveryByteAndFactorAgreesWithTheScaleFactorRule) {
  // A few values worked by hand, so that the model itself is pinned down.
  EXPECT_EQ(SquareModel(15, 0), 225);
  EXPECT_EQ(SquareModel(16, 0), 255);
  EXPECT_EQ(SquareModel(2, 3), 0);  // 4 / 8 = 0.5, tie to even
  EXPECT_EQ(SquareModel(6, 3), 4);  // 36 / 8 = 4.5, tie to even
  EXPECT_EQ(SquareModel(255, 17), 0);
  EXPECT_EQ(SquareModel(1, -8), 255);
  EXPECT_EQ(SquareModel(0, -8), 0);
  // 64 pixels of four bytes hold every byte value once; the three-byte forms see them as 85
  // pixels and one more byte.
  std::mt19937 rng(2);
  for (int sf = -9; sf <= 18; ++sf) {
    for (int channels : {3, 4}) {
      const int width = channels == 3 ? 86 : 64;
      for (bool inPlace : {true, false}) {
        GuardedImage src(width, 2, channels), dst(width, 2, channels);
        for (int y = 0; y < 2; ++y)
          for (int i = 0; i < width * channels; ++i) src.row(y)[i] = static_cast<uint8_t>(i + y);
        dst.Randomize(rng);
        const std::vector<uint8_t> s0 = src.Region(), d0 = dst.Region();
        IppStatus st;
        GuardedImage& out = inPlace ? src : dst;
        if (channels == 3)
          st = inPlace ? ippiSqr_8u_C3IRSfs(src.data(), src.step(), src.size(), sf)
                       : ippiSqr_8u_C3RSfs(src.data(), src.step(), dst.data(), dst.step(),
                                           src.size(), sf);
        else
          st = inPlace ? ippiSqr_8u_AC4IRSfs(src.data(), src.step(), src.size(), sf)
                       : ippiSqr_8u_AC4RSfs(src.data(), src.step(), dst.data(), dst.step(),
                                            src.size(), sf);
        ASSERT_EQ(st, ippStsNoErr);
        const std::vector<uint8_t> got = out.Region();
        const std::vector<uint8_t>& before = inPlace ? s0 : d0;
        for (size_t i = 0; i < got.size(); ++i) {
          const bool alpha = channels == 4 && i % 4 == 3;
          ASSERT_EQ(got[i], alpha ? before[i] : SquareModel(s0[i], sf))
              << "x " << int(s0[i]) << " sf " << sf << " channels " << channels;
        }
        if (!inPlace) {
          EXPECT_EQ(src.Region(), s0);
        }
        EXPECT_TRUE(src.OutsideUntouched() && dst.OutsideUntouched());
      }
    }
  }
}

TEST(ImageSqr, ChecksPointersThenSizeThenSteps) {
  Ipp8u px[8] = {};
  EXPECT_EQ(ippiSqr_8u_C3IRSfs(nullptr, 0, IppiSize{0, 0}, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiSqr_8u_AC4IRSfs(px, 0, IppiSize{0, 1}, 0), ippStsSizeErr);
  EXPECT_EQ(ippiSqr_8u_AC4IRSfs(px, 0, IppiSize{1, 1}, 0), ippStsStepErr);
  EXPECT_EQ(ippiSqr_8u_C3RSfs(px, 3, nullptr, 3, IppiSize{1, 1}, 0), ippStsNullPtrErr);
  EXPECT_EQ(ippiSqr_8u_C3RSfs(px, 0, px, 0, IppiSize{1, -1}, 0), ippStsSizeErr);
  EXPECT_EQ(ippiSqr_8u_AC4RSfs(px, 4, px, -4, IppiSize{1, 1}, 0), ippStsStepErr);
}

// ---- Absolute differences
// ------------------------------------------------------------------------

TEST(ImageAbsDiff, EqualsOpenCVOnGuardedImages) {
  std::mt19937 rng(87);
  for (int pad : {13, 0}) {
    GuardedImage a(301, 7, 1, pad), b(301, 7, 1, pad), d(301, 7, 1, pad);
    a.Randomize(rng), b.Randomize(rng);
    ASSERT_EQ(
        ippiAbsDiff_8u_C1R(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(), d.size()),
        ippStsNoErr);
    cv::Mat ca(7, 301, CV_8UC1, a.data(), a.step()), cb(7, 301, CV_8UC1, b.data(), b.step()),
        expected;
    cv::absdiff(ca, cb, expected);
    for (int y = 0; y < 7; ++y)
      ASSERT_EQ(0, std::memcmp(d.row(y), expected.ptr(y), 301)) << "row " << y << " pad " << pad;
    EXPECT_TRUE(a.OutsideUntouched() && b.OutsideUntouched() && d.OutsideUntouched());
    // In place, over either source.
    std::vector<uint8_t> bytes(d.Region());
    ASSERT_EQ(
        ippiAbsDiff_8u_C1R(a.data(), a.step(), b.data(), b.step(), b.data(), b.step(), b.size()),
        ippStsNoErr);
    EXPECT_EQ(b.Region(), bytes);
  }
}

TEST(ImageAbsDiff, ConstantIsClampedToTheByteRange) {
  std::vector<Ipp8u> x(256), out(256), at(256);
  for (int v = 0; v < 256; ++v) x[v] = static_cast<Ipp8u>(v);
  for (int c : {-5, 0, 1, 128, 254, 255, 300}) {
    ASSERT_EQ(ippiAbsDiffC_8u_C1R(x.data(), 32, out.data(), 32, IppiSize{32, 8}, c), ippStsNoErr);
    const int clamped = c < 0 ? 0 : (c > 255 ? 255 : c);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(out[v], std::abs(v - clamped)) << v << " - " << c;
  }
}

TEST(ImageAbsDiff, ChecksPointersThenSizeThenStepsAgainstTheWidth) {
  Ipp8u px[16] = {};
  const IppiSize four{4, 2};
  EXPECT_EQ(ippiAbsDiff_8u_C1R(px, 0, nullptr, 0, px, 0, IppiSize{0, 0}), ippStsNullPtrErr);
  EXPECT_EQ(ippiAbsDiff_8u_C1R(px, 0, px, 0, px, 0, IppiSize{0, 2}), ippStsSizeErr);
  EXPECT_EQ(ippiAbsDiff_8u_C1R(px, 4, px, 3, px, 4, four), ippStsStepErr);
  EXPECT_EQ(ippiAbsDiff_8u_C1R(px, 4, px, 4, px, 4, four), ippStsNoErr);
  EXPECT_EQ(ippiAbsDiffC_8u_C1R(nullptr, 4, px, 4, four, 1), ippStsNullPtrErr);
  EXPECT_EQ(ippiAbsDiffC_8u_C1R(px, 4, px, 4, IppiSize{4, 0}, 1), ippStsSizeErr);
  EXPECT_EQ(ippiAbsDiffC_8u_C1R(px, 3, px, 4, four, 1), ippStsStepErr);
}

// ---- Maximum -----------------------------------------------------------------------------------

// Rows of `width` bytes back to back, the first one ending where a page that cannot be read
// begins: reading any later row faults.
class LastReadablePage {
 public:
  explicit LastReadablePage(int width) : page_(sysconf(_SC_PAGESIZE)), width_(width) {
    memory_ = static_cast<uint8_t*>(
        mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(memory_ + page_, page_, PROT_NONE);
  }
  ~LastReadablePage() { munmap(memory_, 2 * page_); }
  uint8_t* FirstRow() { return memory_ + page_ - width_; }

 private:
  size_t page_;
  int width_;
  uint8_t* memory_;
};

TEST(ImageMax, ReadsNoRowAfterOneThatReachesTheTop) {
  LastReadablePage pages(64);
  uint8_t* row = pages.FirstRow();
  for (int i = 0; i < 64; ++i) row[i] = static_cast<uint8_t>(i);
  row[17] = 255;
  Ipp8u max = 0;
  ASSERT_EQ(ippiMax_8u_C1R(row, 64, IppiSize{64, 40}, &max), ippStsNoErr);
  EXPECT_EQ(max, 255);
}

TEST(ImageMax, ScansEveryRowOfAnImageWithoutTheTop) {
  std::mt19937 rng(3);
  GuardedImage img(45, 9, 1);
  std::uniform_int_distribution<int> low(0, 200);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 45; ++x) *img.at(x, y) = static_cast<uint8_t>(low(rng));
  *img.at(44, 8) = 254;  // the last byte read
  Ipp8u max = 0;
  ASSERT_EQ(ippiMax_8u_C1R(img.data(), img.step(), img.size(), &max), ippStsNoErr);
  EXPECT_EQ(max, 254);
  EXPECT_EQ(ippiMax_8u_C1R(img.data(), img.step(), IppiSize{1, 1}, &max), ippStsNoErr);
  EXPECT_EQ(max, *img.at(0, 0));
  // Checks: pointers, size, step.
  EXPECT_EQ(ippiMax_8u_C1R(img.data(), 0, IppiSize{0, 1}, nullptr), ippStsNullPtrErr);
  EXPECT_EQ(ippiMax_8u_C1R(img.data(), 0, IppiSize{0, 1}, &max), ippStsSizeErr);
  EXPECT_EQ(ippiMax_8u_C1R(img.data(), 0, IppiSize{1, 1}, &max), ippStsStepErr);
}

// ---- Weighted sum
// --------------------------------------------------------------------------------

TEST(ImageAddWeighted, AlphaZeroKeepsAndAlphaOneCopies) {
  const int width = 5, height = 3, floatStep = 4 * width + 8;  // padded float rows
  std::vector<Ipp8u> src(width * height);
  std::vector<uint8_t> acc(floatStep * height);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> value(-1e6f, 1e6f);
  for (auto& s : src) s = static_cast<Ipp8u>(rng());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float v = value(rng);
      std::memcpy(&acc[y * floatStep + 4 * x], &v, 4);
    }
  std::vector<uint8_t> kept = acc;
  auto* floats = reinterpret_cast<Ipp32f*>(kept.data());
  ASSERT_EQ(ippiAddWeighted_8u32f_C1IR(src.data(), width, floats, floatStep,
                                       IppiSize{width, height}, 0.0f),
            ippStsNoErr);
  EXPECT_EQ(kept, acc);
  ASSERT_EQ(ippiAddWeighted_8u32f_C1IR(src.data(), width, floats, floatStep,
                                       IppiSize{width, height}, 1.0f),
            ippStsNoErr);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      float v;
      std::memcpy(&v, &kept[y * floatStep + 4 * x], 4);
      ASSERT_EQ(v, static_cast<float>(src[y * width + x]));
    }
  // The padding between the float rows is not written.
  for (int y = 0; y < height; ++y)
    EXPECT_EQ(0, std::memcmp(&kept[y * floatStep + 4 * width], &acc[y * floatStep + 4 * width], 8));
  // Halfway: 1 towards 4 is 2.5.
  Ipp8u four = 4;
  Ipp32f one = 1.0f;
  ASSERT_EQ(ippiAddWeighted_8u32f_C1IR(&four, 1, &one, 4, IppiSize{1, 1}, 0.5f), ippStsNoErr);
  EXPECT_EQ(one, 2.5f);
}

TEST(ImageAddWeighted, ChecksStepsAgainstTheWidthThenTheFloatStepsMultiple) {
  Ipp8u src[8] = {};
  Ipp32f acc[16] = {};
  const IppiSize size{3, 2};
  EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(nullptr, 0, acc, 0, IppiSize{0, 0}, 0.5f), ippStsNullPtrErr);
  EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(src, 0, acc, 0, IppiSize{3, 0}, 0.5f), ippStsSizeErr);
  EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(src, 2, acc, 12, size, 0.5f), ippStsStepErr);
  EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(src, 3, acc, 11, size, 0.5f), ippStsStepErr);
  EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(src, 3, acc, 4 * 3 + 2, size, 0.5f), ippStsNotEvenStepErr);
  EXPECT_EQ(ippiAddWeighted_8u32f_C1IR(src, 3, acc, 12, size, 0.5f), ippStsNoErr);
}

// Pixels for the weighted sums with alpha: random accumulators and bytes, and the hard ones:
// sums within a few double steps of a tie between two floats (solved for d, then its float
// neighbours), ties made exact by a weight of few bits, settled averages (d next to x), tiny,
// huge, negative and signed-zero accumulators, and random bit patterns (subnormals, infinities,
// NaNs).
struct WeightedPixels {
  std::vector<uint8_t> x;
  std::vector<float> d;
};

WeightedPixels MakeWeightedPixels(float alpha, std::mt19937& rng) {
  WeightedPixels p;
  auto add = [&p](int x, float d) {
    p.x.push_back(static_cast<uint8_t>(x));
    p.d.push_back(d);
  };
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<float> range(0.0f, 255.0f);
  for (int i = 0; i < 3000; ++i) add(byte(rng), range(rng));
  // Near ties: d + alpha (x - d) = m for the midpoint m above a float f.
  const double a = alpha;
  for (int i = 0; i < 3000 && std::isfinite(alpha) && a != 1.0; ++i) {
    const int x = byte(rng);
    const float f = (i % 3 == 0) ? std::ldexp(range(rng), -(i % 40)) : range(rng);
    const double m = (static_cast<double>(f) + std::nextafter(f, 1e30f)) / 2;
    float d = static_cast<float>((m - a * x) / (1.0 - a));
    for (int k = 0; k < 3; ++k) d = std::nextafter(d, -1e30f);
    for (int k = 0; k < 7; ++k, d = std::nextafter(d, 1e30f)) add(x, d);
  }
  // Sums whose double value rounds to another float than the extended one: ties above a
  // float f next to alpha * x, reached through a small d (the smaller d, the closer to the tie
  // the sum comes), kept where a plain double computation misses.
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  int kept = 0;
  for (int i = 0; i < 400000 && kept < 400 && std::isfinite(alpha) && a != 1.0 && a != 0.0; ++i) {
    const int x = byte(rng);
    const float f = static_cast<float>(a * x * (1 + unit(rng) * std::ldexp(1.0, -(i % 30))));
    const double m = (static_cast<double>(f) + std::nextafter(f, 1e30f)) / 2;
    const float d = static_cast<float>((m - a * x) / (1.0 - a));
    const long double ld = d;
    const float exact = static_cast<float>(ld + static_cast<long double>(alpha) * (x - ld));
    const double dd = d;
    const float plain = static_cast<float>(dd + a * (x - dd));
    if (std::bit_cast<uint32_t>(plain) != std::bit_cast<uint32_t>(exact)) add(x, d), ++kept;
  }
  // Settled averages: d a few float steps from x, and x = 0 with d decaying towards 0.
  for (int i = 0; i < 2000; ++i) {
    const int x = byte(rng);
    float d = static_cast<float>(x);
    for (int k = i % 9; k > 0; --k) d = std::nextafter(d, (i & 1) ? 1e30f : -1e30f);
    add(x, d);
    add(0, std::ldexp(range(rng) + 1.0f, -(i % 160)));
  }
  // Every binade from the subnormals up to 2^60 (where the vector blocks' exact and window
  // ranges begin and end): its foot, the floats next to it and random ones in it, beside
  // bytes 0 (which make a sum exact), 1, 255 and random ones.
  std::uniform_int_distribution<uint32_t> fraction(0, (1u << 23) - 1);
  for (int e = -149; e <= 60; ++e)
    for (int k = 0; k < 12; ++k) {
      const float foot = std::ldexp(1.0f, e);
      const float d = k < 3    ? foot
                      : k < 5  ? std::nextafter(foot, k == 3 ? 0.0f : 1e30f)
                      : e < -126 ? std::ldexp(static_cast<float>(fraction(rng) % (1u << (e + 149 + 1))), -149)
                                 : std::ldexp(1.0f + std::ldexp(static_cast<float>(fraction(rng)), -23), e);
      const int x = k % 4 == 0 ? 0 : k % 4 == 1 ? 1 : k % 4 == 2 ? 255 : byte(rng);
      add(x, d);
    }
  // In every binade, sums where double, with one rounding or two, gives another float than the
  // extended value (a weight of few bits puts them at the top of the range where a double still
  // holds every sum exactly), each 16 times in a row, so that whole vectors of the blocks hold
  // nothing else.
  std::uniform_int_distribution<int> smallByte(0, 3);
  for (int e = -149; e <= 60 && std::isfinite(alpha); ++e) {
    int found = 0;
    for (int k = 0; k < 600 && found < 4; ++k) {
      const float d = e < -126 ? std::ldexp(static_cast<float>(fraction(rng) % (1u << (e + 149 + 1))), -149)
                               : std::ldexp(1.0f + std::ldexp(static_cast<float>(fraction(rng)), -23), e);
      const int x = k % 2 == 0 ? smallByte(rng) : byte(rng);
      const long double ld = d;
      const float exact = static_cast<float>(ld + static_cast<long double>(alpha) * (x - ld));
      const double dd = d;
      const float plain = static_cast<float>(dd + a * (x - dd));
      const float fused = static_cast<float>(std::fma(a, x - dd, dd));
      if (std::bit_cast<uint32_t>(plain) != std::bit_cast<uint32_t>(exact) ||
          std::bit_cast<uint32_t>(fused) != std::bit_cast<uint32_t>(exact)) {
        for (int copy = 0; copy < 16; ++copy) add(x, d);
        ++found;
      }
    }
  }
  const float specials[] = {0.0f, -0.0f, -1.0f, -255.0f, 1e-40f, -1e-45f, 3e38f, -3e38f,
                            std::numeric_limits<float>::max(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                            1e20f, 0x1p51f, 0x1p-20f};
  for (float f : specials)
    for (int x : {0, 1, 128, 255}) add(x, f);
  std::uniform_int_distribution<uint32_t> bits;
  for (int i = 0; i < 2000; ++i) add(byte(rng), std::bit_cast<float>(bits(rng)));
  return p;
}

TEST(ImageAddWeighted, FastPathsGiveTheExtendedFloats) {
  namespace w = builtin::weighted;
  // Beside common weights, the edges of the vector blocks' plans: a wide window (near 1), no
  // window (nearer 1, or below 2^-100), 12 and 13 fraction bits (exact steps or not), 29 and 30
  // (exact sums for some accumulators or none).
  const float weights[] = {0.25f, 0.5f, 0.1f, 1.0f / 3, 0.75f, 0.01f, 0.9999f, 1e-7f, 0.0f,
                           -0.0f, 1.0f, -0.5f, 3.0f, 1.5e-45f, 1e30f, 0x1.8p-3f, 0.999f,
                           0.9999999f, 0x1p-100f, 0x1.8p-101f, 0x1.8p-11f, 0x1.8p-12f,
                           0x1.4p-27f, 0x1.4p-28f,
                           std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
  std::mt19937 rng(24);
  int doubleAloneDiffers = 0;
  for (float alpha : weights) {
    SCOPED_TRACE(alpha);
    const w::Plan plan = w::MakePlan(alpha);
    const WeightedPixels p = MakeWeightedPixels(alpha, rng);
    const ptrdiff_t n = static_cast<ptrdiff_t>(p.x.size());
    const auto bytes = [](std::vector<float>& v) { return reinterpret_cast<uint8_t*>(v.data()); };
    std::vector<float> exact = p.d, fast = p.d;
    w::ExactRow(p.x.data(), bytes(exact), n, plan);
    w::FastRow(p.x.data(), bytes(fast), n, plan);
    for (ptrdiff_t i = 0; i < n; ++i) {
      const double v = p.d[i];
      const float plain = static_cast<float>(v + double{alpha} * (p.x[i] - v));
      doubleAloneDiffers += std::bit_cast<uint32_t>(plain) != std::bit_cast<uint32_t>(exact[i]);
    }
    const auto firstDifference = [&](const std::vector<float>& got) -> std::string {
      for (ptrdiff_t i = 0; i < n; ++i)
        if (std::bit_cast<uint32_t>(got[i]) != std::bit_cast<uint32_t>(exact[i]))
          return "pixel " + std::to_string(i) + ": x " + std::to_string(p.x[i]) + " d " +
                 std::to_string(p.d[i]);
      return "";
    };
    EXPECT_EQ(firstDifference(fast), "") << "plain double path";
    // The vector blocks from every start (every alignment of the float row) and with the row
    // cut at every length of a block.
    imagetest::ForEachVectorTarget([&] {
      const w::BlocksFn blocks = w::VectorBlocks();
      for (ptrdiff_t start : {0, 1, 2, 3, 5, 7}) {
        std::vector<float> vec = p.d;
        w::ExactRow(p.x.data(), bytes(vec), start, plan);
        w::VectorRow(p.x.data() + start, bytes(vec) + 4 * start, n - start, plan, blocks);
        EXPECT_EQ(firstDifference(vec), "") << "vector row from " << start;
      }
    });
  }
  // The sample reaches values where double alone rounds to another float.
  EXPECT_GT(doubleAloneDiffers, 100);
}

TEST(ImageAddWeighted, RunningAverageSettlesOnTheExtendedFloats) {
  // A picture averaged into itself many times, as a background model does: the accumulator
  // settles next to the bytes, where the sums fall on ties of two floats. Misaligned rows with
  // padding, compared with the reference applied row by row.
  namespace w = builtin::weighted;
  const int width = 67, height = 5, floatStep = 4 * width + 12;
  std::mt19937 rng(7);
  std::vector<Ipp8u> src(width * height);
  for (auto& s : src) s = static_cast<Ipp8u>(rng() % 4 == 0 ? 0 : rng());
  std::vector<uint8_t> acc(1 + floatStep * height), model;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float v = static_cast<float>(rng() % 25600) / 100;
      std::memcpy(&acc[1 + y * floatStep + 4 * x], &v, 4);
    }
  model = acc;
  for (float alpha : {0.25f, 0.05f, 0.5f}) {
    const w::Plan plan = w::MakePlan(alpha);
    for (int round = 0; round < 200; ++round) {
      ASSERT_EQ(ippiAddWeighted_8u32f_C1IR(src.data(), width, reinterpret_cast<Ipp32f*>(&acc[1]), floatStep,
                                           IppiSize{width, height}, alpha),
                ippStsNoErr);
      for (int y = 0; y < height; ++y) w::ExactRow(&src[y * width], &model[1 + y * floatStep], width, plan);
      ASSERT_EQ(acc, model) << alpha << " round " << round;
    }
  }
}

}  // namespace
