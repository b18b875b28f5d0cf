// Mirrors and byte swapping of the built-in image primitives: against a naive model, in place
// against out of place, and against OpenCV's flip.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/Mirror.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
using imagetest::GuardedVector;

struct MirrorForm {
  const char* name;
  int pixel;  // bytes per pixel
  int moved;  // bytes of each pixel that move (3 for AC4)
  std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize, IppiAxis)> to;
  std::function<IppStatus(Ipp8u*, int, IppiSize, IppiAxis)> inPlace;  // empty: none
};

std::vector<MirrorForm> Forms() {
  return {
      {"8u_C1", 1, 1, builtin::ippiMirror_8u_C1R, builtin::ippiMirror_8u_C1IR},
      {"8u_C3", 3, 3, builtin::ippiMirror_8u_C3R, builtin::ippiMirror_8u_C3IR},
      {"8u_C4", 4, 4, builtin::ippiMirror_8u_C4R, builtin::ippiMirror_8u_C4IR},
      {"8u_AC4", 4, 3, builtin::ippiMirror_8u_AC4R, builtin::ippiMirror_8u_AC4IR},
      {"16u_C1", 2, 2,
       [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize z, IppiAxis f) {
         return builtin::ippiMirror_16u_C1R(reinterpret_cast<const Ipp16u*>(s), ss,
                                            reinterpret_cast<Ipp16u*>(d), ds, z, f);
       },
       {}},
  };
}

// Source pixel (i, j) lands on destination pixel (row, column) of the model.
void Target(IppiAxis flip, int w, int h, int i, int j, int& row, int& col) {
  row = flip == ippAxsVertical ? i : h - 1 - i;
  col = flip == ippAxsHorizontal ? j : w - 1 - j;
}

struct Size2 {
  int w, h;
};
// Single pixels, rows and columns, odd and even sizes (3 x 3 and 4 x 3 have a middle row).
const Size2 kSizes[] = {{1, 1}, {1, 5}, {5, 1}, {3, 3}, {4, 3}, {6, 4}, {17, 9}};
const IppiAxis kFlips[] = {ippAxsHorizontal, ippAxsVertical, ippAxsBoth};

TEST(ImageMirror, IntoAnotherImageMatchesTheModel) {
  std::mt19937 rng(11);
  for (const MirrorForm& form : Forms()) {
    for (Size2 sz : kSizes) {
      for (IppiAxis flip : kFlips) {
        SCOPED_TRACE(std::string(form.name) + " " + std::to_string(sz.w) + "x" +
                     std::to_string(sz.h) + " flip " + std::to_string(flip));
        GuardedImage src(sz.w, sz.h, form.pixel, 5), dst(sz.w, sz.h, form.pixel, 9);
        src.Randomize(rng);
        dst.Randomize(rng);
        std::vector<uint8_t> expected = dst.Region();
        for (int i = 0; i < sz.h; ++i)
          for (int j = 0; j < sz.w; ++j) {
            int r, c;
            Target(flip, sz.w, sz.h, i, j, r, c);
            std::memcpy(expected.data() + r * dst.rowBytes() + c * form.pixel, src.at(j, i),
                        form.moved);
          }
        ASSERT_EQ(form.to(src.data(), src.step(), dst.data(), dst.step(), src.size(), flip),
                  ippStsNoErr);
        EXPECT_EQ(dst.Region(), expected);
        EXPECT_TRUE(dst.OutsideUntouched());
      }
    }
  }
}

TEST(ImageMirror, InPlaceEqualsOutOfPlace) {
  // The moved bytes end where the out-of-place mirror puts them; AC4 alpha bytes stay at their
  // own positions.
  std::mt19937 rng(12);
  for (const MirrorForm& form : Forms()) {
    if (!form.inPlace) continue;
    for (Size2 sz : kSizes) {
      for (IppiAxis flip : kFlips) {
        SCOPED_TRACE(std::string(form.name) + " " + std::to_string(sz.w) + "x" +
                     std::to_string(sz.h) + " flip " + std::to_string(flip));
        GuardedImage img(sz.w, sz.h, form.pixel, 7), ref(sz.w, sz.h, form.pixel, 7);
        img.Randomize(rng);
        ref.SetRegion(img.Region());
        ASSERT_EQ(form.to(img.data(), img.step(), ref.data(), ref.step(), img.size(), flip),
                  ippStsNoErr);
        ASSERT_EQ(form.inPlace(img.data(), img.step(), img.size(), flip), ippStsNoErr);
        EXPECT_EQ(img.Region(), ref.Region());
        EXPECT_TRUE(img.OutsideUntouched());
      }
    }
  }
}

TEST(ImageMirror, InPlaceBothAxesOnOddHeight) {
  // 4 x 3 one-byte image: rows 0 and 2 exchange reversed, row 1 is reversed within itself.
  GuardedImage img(4, 3, 1, 4);
  const uint8_t start[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  img.SetRegion(std::vector<uint8_t>(start, start + 12));
  ASSERT_EQ(builtin::ippiMirror_8u_C1IR(img.data(), img.step(), img.size(), ippAxsBoth),
            ippStsNoErr);
  EXPECT_EQ(img.Region(), (std::vector<uint8_t>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(ImageMirror, AgreesWithOpenCvFlip) {
  std::mt19937 rng(13);
  cv::Mat src(31, 45, CV_8UC3);
  cv::randu(src, 0, 256);
  // OpenCV's flip codes: 0 reverses the rows, 1 the columns, -1 both.
  const std::pair<IppiAxis, int> flips[] = {
      {ippAxsHorizontal, 0}, {ippAxsVertical, 1}, {ippAxsBoth, -1}};
  for (auto [axis, code] : flips) {
    cv::Mat expected, got(src.size(), src.type());
    cv::flip(src, expected, code);
    ASSERT_EQ(builtin::ippiMirror_8u_C3R(src.data, static_cast<int>(src.step), got.data,
                                         static_cast<int>(got.step), IppiSize{45, 31}, axis),
              ippStsNoErr);
    EXPECT_EQ(cv::norm(got, expected, cv::NORM_INF), 0.0) << "axis " << axis;
  }
}

TEST(ImageMirror, ArgumentErrorsWriteNothing) {
  GuardedImage src(4, 4, 4), dst(4, 4, 4);
  dst.FillRegion(0x3C);
  const IppiSize ok{4, 4};
  const auto bad = static_cast<IppiAxis>(3);
  struct Case {
    const char* name;
    IppStatus got, want;
  };
  const Case cases[] = {
      {"C1R flip 3", builtin::ippiMirror_8u_C1R(src.data(), src.step(), dst.data(), dst.step(), ok, bad), ippStsMirrorFlipErr},
      {"C4R flip -1", builtin::ippiMirror_8u_C4R(src.data(), src.step(), dst.data(), dst.step(), ok, static_cast<IppiAxis>(-1)), ippStsMirrorFlipErr},
      {"AC4IR flip 3", builtin::ippiMirror_8u_AC4IR(dst.data(), dst.step(), ok, bad), ippStsMirrorFlipErr},
      {"C3R null, flip 3", builtin::ippiMirror_8u_C3R(nullptr, 4, dst.data(), dst.step(), ok, bad), ippStsNullPtrErr},
      {"C3IR null, flip 3", builtin::ippiMirror_8u_C3IR(nullptr, 4, IppiSize{0, 0}, bad), ippStsNullPtrErr},
      {"C1R size, flip 3", builtin::ippiMirror_8u_C1R(src.data(), 4, dst.data(), 4, IppiSize{0, 4}, bad), ippStsSizeErr},
      {"16u_C1R size", builtin::ippiMirror_16u_C1R(reinterpret_cast<Ipp16u*>(src.data()), 8, reinterpret_cast<Ipp16u*>(dst.data()), 8, IppiSize{2, -1}, ippAxsBoth), ippStsSizeErr},
      {"C4IR size", builtin::ippiMirror_8u_C4IR(dst.data(), dst.step(), IppiSize{4, 0}, ippAxsBoth), ippStsSizeErr},
      {"SwapBytes null", builtin::ippsSwapBytes_16u_I(nullptr, 0), ippStsNullPtrErr},
      {"SwapBytes len", builtin::ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(dst.data()), 0), ippStsSizeErr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
  EXPECT_EQ(dst.Region(), std::vector<uint8_t>(64, 0x3C));
  EXPECT_TRUE(dst.OutsideUntouched());
}

TEST(ImageSwapBytes, ExchangesTheBytesOfEveryElement) {
  for (int misalign : {0, 1}) {
    GuardedVector v(9, 2, misalign);
    for (int i = 0; i < 9; ++i) {
      const uint16_t e = static_cast<uint16_t>(0x1234 + 0x0101 * i);
      std::memcpy(v.data() + 2 * i, &e, 2);
    }
    ASSERT_EQ(builtin::ippsSwapBytes_16u_I(reinterpret_cast<Ipp16u*>(v.data()), 9), ippStsNoErr);
    for (int i = 0; i < 9; ++i) {
      uint16_t e;
      std::memcpy(&e, v.data() + 2 * i, 2);
      const uint16_t before = static_cast<uint16_t>(0x1234 + 0x0101 * i);
      EXPECT_EQ(e, static_cast<uint16_t>((before << 8) | (before >> 8)));
    }
    uint16_t first;
    std::memcpy(&first, v.data(), 2);
    EXPECT_EQ(first, 0x3412);
    EXPECT_TRUE(v.OutsideUntouched());
  }
}

}  // namespace
