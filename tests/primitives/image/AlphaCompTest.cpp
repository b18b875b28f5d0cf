#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "primitives/image/AlphaComp.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using namespace builtin;
using imagetest::GuardedImage;

// The operators with plain integer division: a product of two bytes divided by 255 rounded
// down, sums of the non-premultiplied forms kept to their low eight bits, of the premultiplied
// ones saturated.
int ColourModel(int code, int x, int y, int a, int b) {
  const bool pre = code >= 6;
  const int xp = pre ? x : x * a / 255, yp = pre ? y : y * b / 255;
  const auto sum = [pre](int v) { return pre ? std::min(v, 255) : v & 255; };
  switch (code % 6) {
    case 0:
      return sum(xp + yp * (255 - a) / 255);
    case 1:
      return xp * b / 255;
    case 2:
      return xp * (255 - b) / 255;
    case 3:
      return sum(xp * b / 255 + yp * (255 - a) / 255);
    case 4:
      return sum(xp * (255 - b) / 255 + yp * (255 - a) / 255);
  }
  return std::min(xp + yp, 255);
}

int AlphaModel(int code, int a, int b) {
  switch (code % 6) {
    case 0:
      return (a + b * (255 - a) / 255) & 255;
    case 1:
      return b * a / 255;
    case 2:
      return a * (255 - b) / 255;
    case 3:
      return b;
    case 4:
      return (a * (255 - b) / 255 + b * (255 - a) / 255) & 255;
  }
  return std::min(a + b, 255);
}

// Random pixels, with the extreme alphas 0 and 255 often.
void Randomize(GuardedImage& img, std::mt19937& rng) {
  img.Randomize(rng);
  std::uniform_int_distribution<int> pick(0, 5);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const int p = pick(rng);
      if (p == 0) img.at(x, y)[3] = 0;
      if (p == 1) img.at(x, y)[3] = 255;
    }
}

TEST(ImageAlphaComp, TheTwelveCodesAgreeWithTheModelOnRandomPixels) {
  std::mt19937 rng(116);
  for (int code = 0; code < 12; ++code) {
    GuardedImage a(61, 9, 4), b(61, 9, 4), d(61, 9, 4);
    Randomize(a, rng), Randomize(b, rng);
    const std::vector<uint8_t> a0 = a.Region(), b0 = b.Region();
    ASSERT_EQ(ippiAlphaComp_8u_AC4R(a.data(), a.step(), b.data(), b.step(), d.data(), d.step(),
                                    d.size(), static_cast<IppiAlphaType>(code)),
              ippStsNoErr);
    const std::vector<uint8_t> got = d.Region();
    for (size_t p = 0; p < got.size(); p += 4) {
      const int alphaA = a0[p + 3], alphaB = b0[p + 3];
      for (int k = 0; k < 3; ++k)
        ASSERT_EQ(got[p + k], ColourModel(code, a0[p + k], b0[p + k], alphaA, alphaB))
            << "code " << code << " pixel " << p / 4 << " byte " << k;
      ASSERT_EQ(got[p + 3], AlphaModel(code, alphaA, alphaB)) << "code " << code;
    }
    EXPECT_EQ(a.Region(), a0);
    EXPECT_EQ(b.Region(), b0);
    EXPECT_TRUE(a.OutsideUntouched() && b.OutsideUntouched() && d.OutsideUntouched());
    // Into the second source itself, as the image buffer composes: the same bytes.
    ASSERT_EQ(ippiAlphaComp_8u_AC4R(a.data(), a.step(), b.data(), b.step(), b.data(), b.step(),
                                    b.size(), static_cast<IppiAlphaType>(code)),
              ippStsNoErr);
    EXPECT_EQ(b.Region(), got) << "code " << code;
  }
}

TEST(ImageAlphaComp, ConstantFormsCompositeEveryByteWithTheTwoAlphas) {
  std::mt19937 rng(6);
  using Form = IppStatus (*)(const Ipp8u*, int, Ipp8u, const Ipp8u*, int, Ipp8u, Ipp8u*, int,
                             IppiSize, IppiAlphaType);
  const std::array<std::pair<Form, int>, 3> forms = {
      {{ippiAlphaCompC_8u_C1R, 1}, {ippiAlphaCompC_8u_C3R, 3}, {ippiAlphaCompC_8u_C4R, 4}}};
  const std::array<std::pair<int, int>, 5> alphas = {
      {{0, 255}, {255, 0}, {128, 255}, {77, 190}, {255, 255}}};
  for (const auto& [form, channels] : forms) {
    for (const auto& [alpha1, alpha2] : alphas) {
      for (int code = 0; code < 12; ++code) {
        GuardedImage a(23, 4, channels), b(23, 4, channels), d(23, 4, channels);
        a.Randomize(rng), b.Randomize(rng);
        ASSERT_EQ(form(a.data(), a.step(), static_cast<Ipp8u>(alpha1), b.data(), b.step(),
                       static_cast<Ipp8u>(alpha2), d.data(), d.step(), d.size(),
                       static_cast<IppiAlphaType>(code)),
                  ippStsNoErr);
        const std::vector<uint8_t> x = a.Region(), y = b.Region(), got = d.Region();
        // Every byte alike: the fourth byte of C4 is composited like a colour.
        for (size_t i = 0; i < got.size(); ++i)
          ASSERT_EQ(got[i], ColourModel(code, x[i], y[i], alpha1, alpha2))
              << "channels " << channels << " code " << code << " alphas " << alpha1 << ", "
              << alpha2 << " byte " << i;
        EXPECT_TRUE(d.OutsideUntouched());
      }
    }
  }
}

// One pixel of A over B by a code: the four destination bytes.
std::array<int, 4> Composite(std::array<Ipp8u, 4> a, std::array<Ipp8u, 4> b, int code) {
  std::array<Ipp8u, 4> d{};
  EXPECT_EQ(ippiAlphaComp_8u_AC4R(a.data(), 4, b.data(), 4, d.data(), 4, IppiSize{1, 1},
                                  static_cast<IppiAlphaType>(code)),
            ippStsNoErr);
  return {d[0], d[1], d[2], d[3]};
}

TEST(ImageAlphaComp, ThePartsPixels) {
  // Over with an opaque A: A's colour and an opaque result, whatever B holds.
  EXPECT_EQ(Composite({10, 20, 30, 255}, {200, 100, 50, 77}, ippAlphaOver),
            (std::array<int, 4>{10, 20, 30, 255}));
  // Over, a = 128, x = y = 255, b = 255: 128 + 127.
  EXPECT_EQ(Composite({255, 255, 255, 128}, {255, 255, 255, 255}, ippAlphaOver),
            (std::array<int, 4>{255, 255, 255, 255}));
  // In with a transparent B: 0 in every byte, alpha included.
  EXPECT_EQ(Composite({90, 180, 255, 200}, {1, 2, 3, 0}, ippAlphaIn),
            (std::array<int, 4>{0, 0, 0, 0}));
  // ATop keeps B's alpha.
  EXPECT_EQ(Composite({90, 180, 255, 200}, {1, 2, 3, 99}, ippAlphaATop)[3], 99);
  // Plus of two opaque whites saturates every byte.
  EXPECT_EQ(Composite({255, 255, 255, 255}, {255, 255, 255, 255}, ippAlphaPlus),
            (std::array<int, 4>{255, 255, 255, 255}));
  // Premultiplied Over with colours above their alpha saturates instead of wrapping:
  // 200 + M(200 * 155) = 321.
  EXPECT_EQ(Composite({200, 200, 200, 100}, {200, 200, 200, 100}, ippAlphaOverPremul),
            (std::array<int, 4>{255, 255, 255, 100 + 100 * 155 / 255}));
}

TEST(ImageAlphaComp, ChecksPointersThenSizeThenTheCode) {
  GuardedImage a(3, 2, 4), d(3, 2, 4);
  const std::vector<uint8_t> before = d.Region();
  for (int code : {12, -1, 1000}) {
    const auto type = static_cast<IppiAlphaType>(code);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a.data(), a.step(), a.data(), a.step(), d.data(), d.step(),
                                    d.size(), type),
              ippStsAlphaTypeErr);
    EXPECT_EQ(ippiAlphaCompC_8u_C3R(a.data(), a.step(), 1, a.data(), a.step(), 2, d.data(),
                                    d.step(), d.size(), type),
              ippStsAlphaTypeErr);
    EXPECT_EQ(ippiAlphaComp_8u_AC4R(a.data(), 4, nullptr, 4, d.data(), 4, IppiSize{0, 0}, type),
              ippStsNullPtrErr);
    EXPECT_EQ(
        ippiAlphaCompC_8u_C1R(a.data(), 4, 1, a.data(), 4, 2, nullptr, 4, IppiSize{1, 1}, type),
        ippStsNullPtrErr);
    EXPECT_EQ(
        ippiAlphaCompC_8u_C4R(a.data(), 4, 1, a.data(), 4, 2, d.data(), 4, IppiSize{1, 0}, type),
        ippStsSizeErr);
  }
  EXPECT_EQ(d.Region(), before);  // nothing written by a refused call
  // Steps are not checked: a zero step repeats one row.
  EXPECT_EQ(
      ippiAlphaComp_8u_AC4R(a.data(), 0, a.data(), 0, d.data(), d.step(), d.size(), ippAlphaPlus),
      ippStsNoErr);
}

}  // namespace
