// Colour conversions of the built-in image primitives against naive per-pixel models.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/ColorConversion.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;

uint8_t Clamp(int64_t x) { return static_cast<uint8_t>(std::clamp<int64_t>(x, 0, 255)); }

// Floor division by 2^16, the model of the arithmetic right shift.
int64_t Shr16(int64_t x) { return static_cast<int64_t>(std::floor(static_cast<double>(x) / 65536.0)); }

void YuvModel(int y, int u, int v, uint8_t* rgb) {
  u -= 128;
  v -= 128;
  rgb[0] = Clamp(Shr16(y * 65536LL + 74711LL * v));
  rgb[1] = Clamp(Shr16(y * 65536LL - 25821LL * u - 38076LL * v));
  rgb[2] = Clamp(Shr16(y * 65536LL + 133169LL * u));
}

// ---- Colour to gray ------------------------------------------------------------------------

// The weighted sum in 64 bits, reduced to the low eight bits of the sum >> 12.
uint8_t GrayModel(const uint8_t* p, const int64_t w[3]) {
  const int64_t sum = p[0] * w[0] + p[1] * w[1] + p[2] * w[2];
  return static_cast<uint8_t>((static_cast<uint64_t>(sum) & 0xFFFFFFFFu) >> 12);
}

TEST(ImageColorToGray, DefaultWeightsOnRandomPixels) {
  // Byte 0 weighs 1225, byte 1 2404 and byte 2 467 (red, green, blue of 4096); the sum is
  // shifted down, not rounded. AC4 reads 4-byte pixels and never looks at the fourth byte.
  const int64_t w[3] = {1225, 2404, 467};
  std::mt19937 rng(21);
  // Widths of 23 and 55 pixels run every path of the three-byte form: blocks of 32 and of 16
  // pixels and the remainder one by one.
  for (int pixel : {3, 4}) {
    for (auto [width, pad] : {std::pair{23, 9}, std::pair{23, 0}, std::pair{55, 5}}) {
      SCOPED_TRACE("pixel " + std::to_string(pixel) + " width " + std::to_string(width) +
                   " pad " + std::to_string(pad));
      GuardedImage src(width, 7, pixel, pad), dst(width, 7, 1, pad);
      src.Randomize(rng);
      const auto run = [&] {
        return pixel == 3 ? builtin::ippiColorToGray_8u_C3C1R(src.data(), src.step(), dst.data(),
                                                               dst.step(), dst.size(), nullptr)
                          : builtin::ippiColorToGray_8u_AC4C1R(src.data(), src.step(),
                                                               dst.data(), dst.step(),
                                                               dst.size(), nullptr);
      };
      ASSERT_EQ(run(), ippStsNoErr);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(dst.at(x, y)[0], GrayModel(src.at(x, y), w));
      EXPECT_TRUE(dst.OutsideUntouched());
      if (pixel == 4) {
        // Other alpha values, same gray.
        const std::vector<uint8_t> gray = dst.Region();
        for (int y = 0; y < 7; ++y)
          for (int x = 0; x < width; ++x) src.at(x, y)[3] ^= 0xFF;
        ASSERT_EQ(run(), ippStsNoErr);
        EXPECT_EQ(dst.Region(), gray);
      }
    }
  }
}

TEST(ImageColorToGray, KnownValuesAndCallerWeights) {
  const uint8_t white[3] = {255, 255, 255}, red[3] = {255, 0, 0}, blue[3] = {0, 0, 255};
  uint8_t out = 0;
  const IppiSize one{1, 1};
  ASSERT_EQ(builtin::ippiColorToGray_8u_C3C1R(white, 3, &out, 1, one, nullptr), ippStsNoErr);
  EXPECT_EQ(out, 255);
  builtin::ippiColorToGray_8u_C3C1R(red, 3, &out, 1, one, nullptr);
  EXPECT_EQ(out, 76);
  // Weights in the order of the channels: blue-green-red data takes 0.114, 0.587, 0.299.
  const Ipp32f bgr[3] = {0.114f, 0.587f, 0.299f};
  builtin::ippiColorToGray_8u_C3C1R(blue, 3, &out, 1, one, bgr);
  EXPECT_EQ(out, (255 * 1225) >> 12);
  // Weights 4096 each: the low eight bits of R + G + B, so white gives 253.
  const Ipp32f ones[3] = {1.0f, 1.0f, 1.0f};
  builtin::ippiColorToGray_8u_C3C1R(white, 3, &out, 1, one, ones);
  EXPECT_EQ(out, 253);

  // Caller weights round to 12 bits (trunc(0.5 + 4096 c)); negative, huge and NaN weights
  // wrap in 32 bits instead of being undefined (NaN and out-of-range weights are INT32_MIN).
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Ipp32f weightSets[][3] = {
      {0.114f, 0.587f, 0.299f},  // blue-green-red data: weights 467, 2404, 1225
      {0.25f, 0.5f, 0.25f}, {-0.3f, 1.2f, 0.1f}, {0.0001f, -0.0001f, 0.5f},
      {1e9f, 0.5f, 0.5f},   {nan, 0.2f, 0.2f},   {-3.0f, 7.5f, 0.33f},
      // The ends of the 16-bit weights (32767 and -32768), and just beyond (32768).
      {7.9997f, -8.0002f, 0.3f}, {8.0f, 0.1f, 0.1f}};
  std::mt19937 rng(22);
  // 37 pixels a row: whole blocks of 16 and a remainder.
  GuardedImage src(37, 4, 3), dst(37, 4, 1);
  src.Randomize(rng);
  for (const auto& c : weightSets) {
    int64_t w[3];
    for (int k = 0; k < 3; ++k) {
      const double t = std::trunc(0.5 + 4096.0 * static_cast<double>(c[k]));
      w[k] = (std::isnan(t) || t < INT32_MIN || t > INT32_MAX) ? INT32_MIN : static_cast<int64_t>(t);
    }
    if (c[0] == 0.114f) {
      EXPECT_EQ(w[0], 467);
      EXPECT_EQ(w[1], 2404);
      EXPECT_EQ(w[2], 1225);
    }
    ASSERT_EQ(builtin::ippiColorToGray_8u_C3C1R(src.data(), src.step(), dst.data(), dst.step(),
                                                dst.size(), c),
              ippStsNoErr);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 37; ++x)
        ASSERT_EQ(dst.at(x, y)[0], GrayModel(src.at(x, y), w)) << c[0] << " " << c[1] << " " << c[2];
  }
}

// ---- Packed 4:2:2 --------------------------------------------------------------------------

TEST(ImageYuv422, ToRgbMatchesTheModelForEveryWidth) {
  std::mt19937 rng(23);
  for (int w : {1, 2, 3, 5, 8, 13}) {
    SCOPED_TRACE("width " + std::to_string(w));
    GuardedImage src(w, 4, 2, 7), dst(w, 4, 3, 5);
    src.Randomize(rng);
    ASSERT_EQ(builtin::ippiYUV422ToRGB_8u_C2C3R(src.data(), src.step(), dst.data(), dst.step(),
                                                dst.size()),
              ippStsNoErr);
    for (int y = 0; y < 4; ++y) {
      const uint8_t* s = src.row(y);
      for (int x = 0; x < w; ++x) {
        int Y = s[2 * x], U, V;
        if (w == 1) {
          U = V = s[1];  // one chroma byte serves as both
        } else if (x % 2 == 0 && x == w - 1) {
          U = s[2 * x + 1];  // odd last pixel: its own U, the V of the pair before
          V = s[2 * x - 1];
        } else {
          U = s[4 * (x / 2) + 1];
          V = s[4 * (x / 2) + 3];
        }
        uint8_t rgb[3];
        YuvModel(Y, U, V, rgb);
        ASSERT_EQ(0, std::memcmp(dst.at(x, y), rgb, 3)) << "x " << x << " y " << y;
      }
    }
    EXPECT_TRUE(dst.OutsideUntouched());
  }
  const uint8_t white[4] = {255, 128, 255, 128}, black[4] = {0, 128, 0, 128};
  uint8_t rgb[6];
  builtin::ippiYUV422ToRGB_8u_C2C3R(white, 4, rgb, 6, IppiSize{2, 1});
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 6), std::vector<uint8_t>(6, 255));
  builtin::ippiYUV422ToRGB_8u_C2C3R(black, 4, rgb, 6, IppiSize{2, 1});
  EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 6), std::vector<uint8_t>(6, 0));
}

TEST(ImageYuv422, FromRgbMatchesTheModel) {
  std::mt19937 rng(24);
  for (int w : {1, 2, 3, 6, 11}) {
    SCOPED_TRACE("width " + std::to_string(w));
    GuardedImage src(w, 3, 3, 5), dst(w, 3, 2, 7);
    src.Randomize(rng);
    ASSERT_EQ(builtin::ippiRGBToYUV422_8u_C3C2R(src.data(), src.step(), dst.data(), dst.step(),
                                                dst.size()),
              ippStsNoErr);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x + 1 < w; x += 2) {
        const uint8_t* a = src.at(x, y);
        const uint8_t* b = src.at(x + 1, y);
        const int64_t ya = 19595LL * a[0] + 38470LL * a[1] + 7471LL * a[2];
        const int64_t yb = 19595LL * b[0] + 38470LL * b[1] + 7471LL * b[2];
        // Two-pixel sums of B - Y and R - Y rounded up, then halved by the extra shift.
        const int64_t du = static_cast<int64_t>(std::ceil((65536.0 * (a[2] + b[2]) - ya - yb) / 65536.0));
        const int64_t dv = static_cast<int64_t>(std::ceil((65536.0 * (a[0] + b[0]) - ya - yb) / 65536.0));
        const uint8_t want[4] = {static_cast<uint8_t>(ya >> 16),
                                 static_cast<uint8_t>(static_cast<int64_t>(std::floor(du * 32244 / 131072.0)) + 128),
                                 static_cast<uint8_t>(yb >> 16),
                                 Clamp(static_cast<int64_t>(std::floor(dv * 57475 / 131072.0)) + 128)};
        ASSERT_EQ(0, std::memcmp(dst.at(x, y), want, 4)) << "x " << x;
      }
      if (w % 2 != 0) {
        const uint8_t* p = src.at(w - 1, y);
        const int64_t ys = 19595LL * p[0] + 38470LL * p[1] + 7471LL * p[2];
        // B - Y rounded to nearest, an exact half rounding down.
        const int64_t du = static_cast<int64_t>(std::ceil((65536.0 * p[2] - ys) / 65536.0 - 0.5));
        EXPECT_EQ(dst.at(w - 1, y)[0], ys >> 16);
        EXPECT_EQ(dst.at(w - 1, y)[1],
                  static_cast<uint8_t>(static_cast<int64_t>(std::floor(du * 32244 / 65536.0)) + 128));
      }
    }
    EXPECT_TRUE(dst.OutsideUntouched());  // an odd last pixel writes two bytes only
  }
  const uint8_t white[6] = {255, 255, 255, 255, 255, 255};
  uint8_t yuv[4];
  builtin::ippiRGBToYUV422_8u_C3C2R(white, 6, yuv, 4, IppiSize{2, 1});
  EXPECT_EQ(std::vector<uint8_t>(yuv, yuv + 4), (std::vector<uint8_t>{255, 128, 255, 128}));
}

TEST(ImageYuv422, GrayRoundTripsExactly) {
  // Every gray level, on even and odd widths: RGB -> 4:2:2 -> RGB gives the same pixels.
  for (int w : {256, 255, 1}) {
    GuardedImage rgb(w, 2, 3, 5), yuv(w, 2, 2, 3), back(w, 2, 3, 1);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < w; ++x) std::memset(rgb.at(x, y), (x * 7 + y * 101) % 256, 3);
    ASSERT_EQ(builtin::ippiRGBToYUV422_8u_C3C2R(rgb.data(), rgb.step(), yuv.data(), yuv.step(),
                                                rgb.size()),
              ippStsNoErr);
    ASSERT_EQ(builtin::ippiYUV422ToRGB_8u_C2C3R(yuv.data(), yuv.step(), back.data(), back.step(),
                                                rgb.size()),
              ippStsNoErr);
    EXPECT_EQ(back.Region(), rgb.Region()) << "width " << w;
  }
}

// ---- Planar 4:2:0 --------------------------------------------------------------------------

TEST(ImageYuv420, BothFormsMatchTheModelOnOddSizes) {
  std::mt19937 rng(25);
  for (bool studio : {false, true}) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{5, 3}, std::pair{8, 7}, std::pair{9, 6}}) {
      SCOPED_TRACE(std::string(studio ? "YCbCr" : "YUV") + " " + std::to_string(w) + "x" +
                   std::to_string(h));
      const int cw = (w + 1) / 2, ch = (h + 1) / 2;
      GuardedImage luma(w, h, 1, 3), cb(cw, ch, 1, 5), cr(cw, ch, 1, 9), dst(w, h, 3, 7);
      luma.Randomize(rng);
      cb.Randomize(rng);
      cr.Randomize(rng);
      const Ipp8u* planes[3] = {luma.data(), cb.data(), cr.data()};
      int steps[3] = {luma.step(), cb.step(), cr.step()};
      const IppStatus st =
          studio ? builtin::ippiYCbCr420ToRGB_8u_P3C3R(planes, steps, dst.data(), dst.step(), dst.size())
                 : builtin::ippiYUV420ToRGB_8u_P3C3R(planes, steps, dst.data(), dst.step(), dst.size());
      ASSERT_EQ(st, ippStsNoErr);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int Y = luma.at(x, y)[0], U = cb.at(x / 2, y / 2)[0], V = cr.at(x / 2, y / 2)[0];
          uint8_t rgb[3];
          if (studio) {
            const int64_t c = 76284LL * (Y - 16);
            rgb[0] = Clamp(Shr16(c + 104595LL * (V - 128)));
            rgb[1] = Clamp(Shr16(c - 25690LL * (U - 128) - 53281LL * (V - 128)));
            rgb[2] = Clamp(Shr16(c + 132186LL * (U - 128)));
          } else {
            YuvModel(Y, U, V, rgb);
          }
          ASSERT_EQ(0, std::memcmp(dst.at(x, y), rgb, 3)) << "x " << x << " y " << y;
        }
      EXPECT_TRUE(dst.OutsideUntouched());
    }
  }
}

// ---- Channel swaps -------------------------------------------------------------------------

TEST(ImageSwapChannels, InPlaceOrders) {
  std::mt19937 rng(26);
  const int orders[][3] = {{2, 1, 0}, {0, 0, 0}, {1, 2, 0}, {2, 2, 1}};
  for (const auto& order : orders) {
    for (int pad : {5, 0}) {
      GuardedImage img(7, 3, 3, pad);
      img.Randomize(rng);
      std::vector<uint8_t> expected = img.Region();
      for (size_t i = 0; i < expected.size(); i += 3) {
        const uint8_t c[3] = {expected[i], expected[i + 1], expected[i + 2]};
        for (int k = 0; k < 3; ++k) expected[i + k] = c[order[k]];
      }
      ASSERT_EQ(builtin::ippiSwapChannels_8u_C3IR(img.data(), img.step(), img.size(), order),
                ippStsNoErr);
      EXPECT_EQ(img.Region(), expected) << order[0] << order[1] << order[2] << " pad " << pad;
      EXPECT_TRUE(img.OutsideUntouched());
    }
  }
}

TEST(ImageSwapChannels, IntoAnotherImageKeepsAlpha) {
  std::mt19937 rng(27);
  const int orders[][3] = {{2, 1, 0}, {1, 1, 1}, {0, 2, 1}};
  for (int pixel : {3, 4}) {
    for (const auto& order : orders) {
      for (int pad : {3, 0}) {
        GuardedImage src(9, 4, pixel, pad), dst(9, 4, pixel, pad);
        src.Randomize(rng);
        dst.Randomize(rng);
        std::vector<uint8_t> expected = dst.Region();
        for (int y = 0; y < 4; ++y)
          for (int x = 0; x < 9; ++x)
            for (int k = 0; k < 3; ++k)
              expected[y * dst.rowBytes() + x * pixel + k] = src.at(x, y)[order[k]];
        const IppStatus st =
            pixel == 3 ? builtin::ippiSwapChannels_8u_C3R(src.data(), src.step(), dst.data(),
                                                          dst.step(), dst.size(), order)
                       : builtin::ippiSwapChannels_8u_AC4R(src.data(), src.step(), dst.data(),
                                                           dst.step(), dst.size(), order);
        ASSERT_EQ(st, ippStsNoErr);
        EXPECT_EQ(dst.Region(), expected) << "pixel " << pixel << " pad " << pad;
        EXPECT_TRUE(dst.OutsideUntouched());
      }
    }
  }
}

// ---- Argument errors -----------------------------------------------------------------------

TEST(ImageColorErrors, NullThenSizeThenStepThenOrder) {
  GuardedImage img(4, 4, 4);
  img.FillRegion(0x5A);
  Ipp8u* p = img.data();
  const int s = img.step();
  Ipp8u other[64];
  const Ipp8u* planes[3] = {p, p, p};
  const Ipp8u* noU[3] = {p, nullptr, p};
  int steps[3] = {4, 4, 4};
  const int good[3] = {2, 1, 0}, three[3] = {0, 3, 1}, minus[3] = {-1, 0, 1};
  const IppiSize ok{2, 2}, zeroW{0, 2}, negH{2, -3};
  struct Case {
    const char* name;
    IppStatus got, want;
  };
  const Case cases[] = {
      {"YUV422ToRGB null", builtin::ippiYUV422ToRGB_8u_C2C3R(nullptr, 4, other, 6, zeroW), ippStsNullPtrErr},
      {"YUV422ToRGB size", builtin::ippiYUV422ToRGB_8u_C2C3R(p, 4, other, 6, negH), ippStsSizeErr},
      {"RGBToYUV422 null", builtin::ippiRGBToYUV422_8u_C3C2R(p, 6, nullptr, 4, ok), ippStsNullPtrErr},
      {"RGBToYUV422 size", builtin::ippiRGBToYUV422_8u_C3C2R(p, 6, other, 4, zeroW), ippStsSizeErr},
      {"YUV420 array", builtin::ippiYUV420ToRGB_8u_P3C3R(nullptr, steps, other, 6, zeroW), ippStsNullPtrErr},
      {"YUV420 steps", builtin::ippiYUV420ToRGB_8u_P3C3R(planes, nullptr, other, 6, ok), ippStsNullPtrErr},
      {"YUV420 null U", builtin::ippiYUV420ToRGB_8u_P3C3R(noU, steps, other, 6, ok), ippStsNullPtrErr},
      {"YUV420 null U, zero width", builtin::ippiYUV420ToRGB_8u_P3C3R(noU, steps, other, 6, zeroW), ippStsSizeErr},
      {"YCbCr420 dst", builtin::ippiYCbCr420ToRGB_8u_P3C3R(planes, steps, nullptr, 6, zeroW), ippStsNullPtrErr},
      {"YCbCr420 null U", builtin::ippiYCbCr420ToRGB_8u_P3C3R(noU, steps, other, 6, ok), ippStsNullPtrErr},
      {"ColorToGray null", builtin::ippiColorToGray_8u_C3C1R(p, s, nullptr, 4, zeroW, nullptr), ippStsNullPtrErr},
      {"ColorToGray size", builtin::ippiColorToGray_8u_AC4C1R(p, s, other, 4, zeroW, nullptr), ippStsSizeErr},
      {"SwapC3IR order null", builtin::ippiSwapChannels_8u_C3IR(p, s, zeroW, nullptr), ippStsNullPtrErr},
      {"SwapC3IR size", builtin::ippiSwapChannels_8u_C3IR(p, 0, zeroW, three), ippStsSizeErr},
      {"SwapC3IR step", builtin::ippiSwapChannels_8u_C3IR(p, 0, ok, three), ippStsStepErr},
      {"SwapC3IR order 3", builtin::ippiSwapChannels_8u_C3IR(p, s, ok, three), ippStsChannelOrderErr},
      {"SwapC3IR order -1", builtin::ippiSwapChannels_8u_C3IR(p, s, ok, minus), ippStsChannelOrderErr},
      {"SwapC3R null", builtin::ippiSwapChannels_8u_C3R(p, s, nullptr, 6, negH, three), ippStsNullPtrErr},
      {"SwapC3R size", builtin::ippiSwapChannels_8u_C3R(other, 6, p, s, negH, three), ippStsSizeErr},
      {"SwapC3R src step", builtin::ippiSwapChannels_8u_C3R(other, -6, p, s, ok, three), ippStsStepErr},
      {"SwapAC4R dst step", builtin::ippiSwapChannels_8u_AC4R(other, 8, p, 0, ok, good), ippStsStepErr},
      {"SwapAC4R order", builtin::ippiSwapChannels_8u_AC4R(other, 8, p, s, ok, minus), ippStsChannelOrderErr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
  // None of the refused calls wrote into the image.
  EXPECT_EQ(img.Region(), std::vector<uint8_t>(64, 0x5A));
  EXPECT_TRUE(img.OutsideUntouched());
}

}  // namespace
