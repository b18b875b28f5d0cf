// Fills, copies and element-type conversions of the built-in image primitives, against naive
// per-pixel models on guarded images with padded rows and on contiguous ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/Copy.h"
#include "tests/primitives/ImageTestGuard.h"

namespace {

using imagetest::GuardedImage;
using imagetest::GuardedVector;

// Region sizes worth walking: a single pixel, single rows and columns, odd sizes, and the
// padded (pad > 0) and contiguous (pad 0, merged into one row) layouts of each.
struct Shape {
  int width, height, pad;
};
const Shape kShapes[] = {{1, 1, 5}, {1, 7, 3}, {9, 1, 0}, {7, 5, 11}, {33, 4, 0}, {20, 3, 1}};

// ---- Fills ---------------------------------------------------------------------------------

struct SetCase {
  const char* name;
  int pixelBytes;
  std::function<IppStatus(Ipp8u* dst, int step, IppiSize size)> run;
  std::vector<int> value;  // per byte of a pixel; -1: byte untouched
};

TEST(ImageSet, FormsWriteTheirBytesAndNothingElse) {
  static const Ipp8u v3[3] = {0x11, 0x22, 0x33};
  static const Ipp8u v4[4] = {0x11, 0x22, 0x33, 0x44};
  const std::vector<SetCase> cases = {
      {"8u_C1R", 1, [](Ipp8u* d, int s, IppiSize z) { return builtin::ippiSet_8u_C1R(0x5C, d, s, z); }, {0x5C}},
      {"16s_C1R", 2,
       [](Ipp8u* d, int s, IppiSize z) {
         return builtin::ippiSet_16s_C1R(-2, reinterpret_cast<Ipp16s*>(d), s, z);
       },
       {0xFE, 0xFF}},
      {"32s_C1R", 4,
       [](Ipp8u* d, int s, IppiSize z) {
         return builtin::ippiSet_32s_C1R(0x01020304, reinterpret_cast<Ipp32s*>(d), s, z);
       },
       {4, 3, 2, 1}},
      {"8u_C3R", 3, [](Ipp8u* d, int s, IppiSize z) { return builtin::ippiSet_8u_C3R(v3, d, s, z); }, {0x11, 0x22, 0x33}},
      {"8u_C4R", 4, [](Ipp8u* d, int s, IppiSize z) { return builtin::ippiSet_8u_C4R(v4, d, s, z); }, {0x11, 0x22, 0x33, 0x44}},
      {"8u_AC4R", 4, [](Ipp8u* d, int s, IppiSize z) { return builtin::ippiSet_8u_AC4R(v3, d, s, z); }, {0x11, 0x22, 0x33, -1}},
      // The channel forms get a pointer at the second byte of the first pixel.
      {"8u_C3CR", 3, [](Ipp8u* d, int s, IppiSize z) { return builtin::ippiSet_8u_C3CR(0x77, d + 1, s, z); }, {-1, 0x77, -1}},
      {"8u_C4CR", 4, [](Ipp8u* d, int s, IppiSize z) { return builtin::ippiSet_8u_C4CR(0x77, d + 3, s, z); }, {-1, -1, -1, 0x77}},
  };
  std::mt19937 rng(1);
  for (const SetCase& c : cases) {
    for (const Shape& shape : kShapes) {
      SCOPED_TRACE(std::string(c.name) + " " + std::to_string(shape.width) + "x" +
                   std::to_string(shape.height) + " pad " + std::to_string(shape.pad));
      GuardedImage img(shape.width, shape.height, c.pixelBytes, shape.pad);
      img.Randomize(rng);
      std::vector<uint8_t> expected = img.Region();
      for (size_t i = 0; i < expected.size(); ++i) {
        const int v = c.value[i % c.pixelBytes];
        if (v >= 0) expected[i] = static_cast<uint8_t>(v);
      }
      ASSERT_EQ(c.run(img.data(), img.step(), img.size()), ippStsNoErr);
      EXPECT_EQ(img.Region(), expected);
      EXPECT_TRUE(img.OutsideUntouched());
    }
  }
}

TEST(ImageSet, VectorFillsAtEveryAlignment) {
  for (int misalign = 0; misalign < 4; ++misalign) {
    for (int len : {1, 2, 3, 5, 31, 32, 33, 70}) {
      SCOPED_TRACE("misalign " + std::to_string(misalign) + " len " + std::to_string(len));
      GuardedVector bytes(len, 1, misalign);
      ASSERT_EQ(builtin::ippsSet_8u(0x3C, bytes.data(), len), ippStsNoErr);
      for (int i = 0; i < len; ++i) EXPECT_EQ(bytes.data()[i], 0x3C);
      EXPECT_TRUE(bytes.OutsideUntouched());

      GuardedVector words(len, 2, 2 * misalign);
      ASSERT_EQ(builtin::ippsSet_16s(-300, reinterpret_cast<Ipp16s*>(words.data()), len),
                ippStsNoErr);
      for (int i = 0; i < len; ++i) {
        Ipp16s w;
        std::memcpy(&w, words.data() + 2 * i, 2);
        EXPECT_EQ(w, -300);
      }
      EXPECT_TRUE(words.OutsideUntouched());
    }
  }
}

// ---- Copies --------------------------------------------------------------------------------

struct CopyCase {
  const char* name;
  int srcPixel, dstPixel;
  std::function<IppStatus(const Ipp8u*, int, Ipp8u*, int, IppiSize)> run;
  // Expected destination pixel from the source pixel; the destination starts as it was.
  std::function<void(const uint8_t* s, uint8_t* d)> model;
};

std::vector<CopyCase> CopyCases() {
  auto whole = [](int n) { return [n](const uint8_t* s, uint8_t* d) { std::memcpy(d, s, n); }; };
  auto colour = [](const uint8_t* s, uint8_t* d) { std::memcpy(d, s, 3); };
  auto first = [](const uint8_t* s, uint8_t* d) { d[0] = s[0]; };
  return {
      {"8u_C1R", 1, 1, builtin::ippiCopy_8u_C1R, whole(1)},
      {"16s_C1R", 2, 2,
       [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize z) {
         return builtin::ippiCopy_16s_C1R(reinterpret_cast<const Ipp16s*>(s), ss,
                                          reinterpret_cast<Ipp16s*>(d), ds, z);
       },
       whole(2)},
      {"32s_C1R", 4, 4,
       [](const Ipp8u* s, int ss, Ipp8u* d, int ds, IppiSize z) {
         return builtin::ippiCopy_32s_C1R(reinterpret_cast<const Ipp32s*>(s), ss,
                                          reinterpret_cast<Ipp32s*>(d), ds, z);
       },
       whole(4)},
      {"8u_C3R", 3, 3, builtin::ippiCopy_8u_C3R, whole(3)},
      {"8u_C4R", 4, 4, builtin::ippiCopy_8u_C4R, whole(4)},
      {"8u_AC4R", 4, 4, builtin::ippiCopy_8u_AC4R, colour},
      {"8u_C3AC4R", 3, 4, builtin::ippiCopy_8u_C3AC4R, colour},
      {"8u_AC4C3R", 4, 3, builtin::ippiCopy_8u_AC4C3R, colour},
      {"8u_C1C3R", 1, 3, builtin::ippiCopy_8u_C1C3R, first},
      {"8u_C1C4R", 1, 4, builtin::ippiCopy_8u_C1C4R, first},
      {"8u_C3C1R", 3, 1, builtin::ippiCopy_8u_C3C1R, first},
      {"8u_C4C1R", 4, 1, builtin::ippiCopy_8u_C4C1R, first},
      {"8u_C4CR", 4, 4, builtin::ippiCopy_8u_C4CR, first},
  };
}

TEST(ImageCopy, FormsMatchTheModelOnPaddedAndContiguousImages) {
  std::mt19937 rng(2);
  for (const CopyCase& c : CopyCases()) {
    for (const Shape& shape : kShapes) {
      // The channel forms are also run on the second channel.
      const bool channel = c.srcPixel == 1 || c.dstPixel == 1 || std::string(c.name) == "8u_C4CR";
      for (int channelOffset : channel ? std::vector<int>{0, 1} : std::vector<int>{0}) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(shape.width) + "x" +
                     std::to_string(shape.height) + " pad " + std::to_string(shape.pad) +
                     " channel " + std::to_string(channelOffset));
        GuardedImage src(shape.width, shape.height, c.srcPixel, shape.pad);
        GuardedImage dst(shape.width, shape.height, c.dstPixel, shape.pad);
        src.Randomize(rng);
        dst.Randomize(rng);
        const int srcOff = c.srcPixel > 1 ? channelOffset : 0;
        const int dstOff = c.dstPixel > 1 ? channelOffset : 0;
        std::vector<uint8_t> expected = dst.Region();
        for (int y = 0; y < shape.height; ++y)
          for (int x = 0; x < shape.width; ++x)
            c.model(src.at(x, y) + srcOff,
                    expected.data() + y * dst.rowBytes() + x * c.dstPixel + dstOff);
        const std::vector<uint8_t> srcBefore = src.Region();
        ASSERT_EQ(c.run(src.data() + srcOff, src.step(), dst.data() + dstOff, dst.step(),
                        dst.size()),
                  ippStsNoErr);
        EXPECT_EQ(dst.Region(), expected);
        EXPECT_EQ(src.Region(), srcBefore);
        EXPECT_TRUE(dst.OutsideUntouched());
      }
    }
  }
}

TEST(ImageCopy, AcceptsZeroAndNegativeSteps) {
  std::mt19937 rng(3);
  GuardedImage src(6, 4, 1);
  src.Randomize(rng);
  // A negative step walks a bottom-up image: the region starts at the last row.
  GuardedImage flipped(6, 4, 1);
  ASSERT_EQ(builtin::ippiCopy_8u_C1R(src.row(3), -src.step(), flipped.data(), flipped.step(),
                                     src.size()),
            ippStsNoErr);
  for (int y = 0; y < 4; ++y)
    EXPECT_EQ(0, std::memcmp(flipped.row(y), src.row(3 - y), 6)) << "row " << y;
  // A source step of 0 repeats the first row.
  GuardedImage repeated(6, 4, 1);
  ASSERT_EQ(builtin::ippiCopy_8u_C1R(src.data(), 0, repeated.data(), repeated.step(), src.size()),
            ippStsNoErr);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(repeated.row(y), src.row(0), 6));
  EXPECT_TRUE(flipped.OutsideUntouched());
  EXPECT_TRUE(repeated.OutsideUntouched());
}

TEST(ImageCopy, PlanarCopiesSplitAndJoinPlanes) {
  std::mt19937 rng(4);
  // Padded, merged (100 x 100 contiguous) and row-by-row contiguous (200 x 300) images.
  for (const Shape& shape : {Shape{7, 5, 9}, Shape{100, 100, 0}, Shape{200, 300, 0}}) {
    SCOPED_TRACE(std::to_string(shape.width) + "x" + std::to_string(shape.height));
    for (int n : {3, 4}) {
      GuardedImage src(shape.width, shape.height, n, shape.pad);
      src.Randomize(rng);
      std::vector<std::unique_ptr<GuardedImage>> planes;
      Ipp8u* ptrs[4];
      for (int k = 0; k < n; ++k) {
        planes.push_back(std::make_unique<GuardedImage>(shape.width, shape.height, 1, shape.pad));
        ptrs[k] = planes.back()->data();
      }
      const int planeStep = planes[0]->step();
      const IppStatus st =
          n == 3 ? builtin::ippiCopy_8u_C3P3R(src.data(), src.step(), ptrs, planeStep, src.size())
                 : builtin::ippiCopy_8u_C4P4R(src.data(), src.step(), ptrs, planeStep, src.size());
      ASSERT_EQ(st, ippStsNoErr);
      bool same = true;
      for (int k = 0; k < n; ++k) {
        for (int y = 0; y < shape.height; ++y)
          for (int x = 0; x < shape.width; ++x) same &= planes[k]->row(y)[x] == src.at(x, y)[k];
        EXPECT_TRUE(planes[k]->OutsideUntouched());
      }
      EXPECT_TRUE(same) << n << " planes";

      if (n == 3) {
        GuardedImage back(shape.width, shape.height, 3, shape.pad);
        const Ipp8u* const cptrs[3] = {ptrs[0], ptrs[1], ptrs[2]};
        ASSERT_EQ(builtin::ippiCopy_8u_P3C3R(cptrs, planeStep, back.data(), back.step(),
                                             back.size()),
                  ippStsNoErr);
        EXPECT_EQ(back.Region(), src.Region());
        EXPECT_TRUE(back.OutsideUntouched());
      }
    }
  }
}

// ---- Conversions ---------------------------------------------------------------------------

TEST(ImageConvert, WideningIsExactForEveryByte) {
  // Every byte value, on a padded 16 x 16 image and with an odd destination step (the 16-bit
  // and float rows then sit at odd addresses, which the primitives accept).
  GuardedImage src(16, 16, 1, 3);
  for (int i = 0; i < 256; ++i) src.at(i % 16, i / 16)[0] = static_cast<uint8_t>(i);
  GuardedImage wide16(16, 16, 2, 3), wide32(16, 16, 4, 3), s16(16, 16, 2, 3), s32(16, 16, 4, 3);
  ASSERT_EQ(builtin::ippiConvert_8u16u_C1R(src.data(), src.step(),
                                           reinterpret_cast<Ipp16u*>(wide16.data() + 1),
                                           wide16.step(), IppiSize{15, 16}),
            ippStsNoErr);
  ASSERT_EQ(builtin::ippiConvert_8u32f_C1R(src.data(), src.step(),
                                           reinterpret_cast<Ipp32f*>(wide32.data()),
                                           wide32.step(), src.size()),
            ippStsNoErr);
  ASSERT_EQ(builtin::ippiScale_8u16s_C1R(src.data(), src.step(),
                                         reinterpret_cast<Ipp16s*>(s16.data()), s16.step(),
                                         src.size()),
            ippStsNoErr);
  ASSERT_EQ(builtin::ippiScale_8u32s_C1R(src.data(), src.step(),
                                         reinterpret_cast<Ipp32s*>(s32.data()), s32.step(),
                                         src.size()),
            ippStsNoErr);
  for (int i = 0; i < 256; ++i) {
    const int x = i % 16, y = i / 16;
    if (x < 15) {
      uint16_t u;
      std::memcpy(&u, wide16.at(x, y) + 1, 2);
      EXPECT_EQ(u, i);
    }
    float f;
    std::memcpy(&f, wide32.at(x, y), 4);
    EXPECT_EQ(f, static_cast<float>(i));
    int16_t h;
    std::memcpy(&h, s16.at(x, y), 2);
    EXPECT_EQ(h, i * 257 - 32768);
    int32_t w;
    std::memcpy(&w, s32.at(x, y), 4);
    EXPECT_EQ(w, static_cast<int64_t>(i) * 16843009 - 2147483648LL);
  }
  for (GuardedImage* img : {&wide16, &wide32, &s16, &s32}) EXPECT_TRUE(img->OutsideUntouched());
}

TEST(ImageConvert, FloatToByteSaturatesAndRounds) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float in;
    uint8_t nearest, truncated;
  };
  const Case cases[] = {
      {2.5f, 2, 2},     {3.5f, 4, 3},      {-0.7f, 0, 0},   {300.0f, 255, 255}, {254.5f, 254, 254},
      {2.9f, 3, 2},     {0.5f, 0, 0},      {1.5f, 2, 1},    {254.99f, 255, 254}, {255.0f, 255, 255},
      {0.0f, 0, 0},     {1e-30f, 0, 0},    {1e10f, 255, 255}, {-1e10f, 0, 0},    {inf, 255, 255},
      {-inf, 0, 0},     {nan, 0, 0},       {127.49999f, 127, 127}, {0.50000006f, 1, 0},
  };
  const int n = static_cast<int>(std::size(cases));
  // Padded rows, then contiguous ones (merged into one row).
  for (int pad : {5, 0}) {
    GuardedImage src(n, 1, 4, pad), dst(n, 1, 1, pad);
    for (int i = 0; i < n; ++i) std::memcpy(src.at(i, 0), &cases[i].in, 4);
    for (IppRoundMode mode : {ippRndNear, ippRndZero}) {
      ASSERT_EQ(builtin::ippiConvert_32f8u_C1R(reinterpret_cast<const Ipp32f*>(src.data()),
                                               src.step(), dst.data(), dst.step(), dst.size(),
                                               mode),
                ippStsNoErr);
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(dst.at(i, 0)[0], mode == ippRndNear ? cases[i].nearest : cases[i].truncated)
            << "value " << cases[i].in << " mode " << mode;
      EXPECT_TRUE(dst.OutsideUntouched());
    }
  }
}

TEST(ImageConvert, FloatToByteMatchesRoundingModelOnRandomValues) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> value(-20.0f, 275.0f);
  GuardedImage src(37, 9, 4, 7), dst(37, 9, 1, 7);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 37; ++x) {
      // A quarter of the values are exact halves, the ties of the rounding.
      float v = value(rng);
      if (x % 4 == 0) v = std::floor(v) + 0.5f;
      std::memcpy(src.at(x, y), &v, 4);
    }
  for (IppRoundMode mode : {ippRndNear, ippRndZero}) {
    ASSERT_EQ(builtin::ippiConvert_32f8u_C1R(reinterpret_cast<const Ipp32f*>(src.data()),
                                             src.step(), dst.data(), dst.step(), dst.size(), mode),
              ippStsNoErr);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 37; ++x) {
        float v;
        std::memcpy(&v, src.at(x, y), 4);
        const double r = mode == ippRndNear ? std::nearbyint(v) : std::trunc(v);
        EXPECT_EQ(dst.at(x, y)[0], static_cast<uint8_t>(std::clamp(r, 0.0, 255.0))) << v;
      }
  }
}

TEST(ImageScale, NarrowingRoundTripsAndKeepsEndpoints) {
  // Every 16-bit value: both hints map the ends to 0 and 255, are monotonic and differ by at
  // most one; the accurate hint inverts the widening exactly.
  std::vector<Ipp16s> all(65536);
  for (int i = 0; i < 65536; ++i) all[i] = static_cast<Ipp16s>(i - 32768);
  std::vector<Ipp8u> fast(65536), accurate(65536);
  const IppiSize row{65536, 1};
  ASSERT_EQ(builtin::ippiScale_16s8u_C1R(all.data(), 2 * 65536, fast.data(), 65536, row,
                                         ippAlgHintFast),
            ippStsNoErr);
  ASSERT_EQ(builtin::ippiScale_16s8u_C1R(all.data(), 2 * 65536, accurate.data(), 65536, row,
                                         ippAlgHintAccurate),
            ippStsNoErr);
  EXPECT_EQ(fast.front(), 0);
  EXPECT_EQ(fast.back(), 255);
  EXPECT_EQ(accurate.front(), 0);
  EXPECT_EQ(accurate.back(), 255);
  for (int i = 1; i < 65536; ++i) {
    ASSERT_GE(fast[i], fast[i - 1]) << i;
    ASSERT_GE(accurate[i], accurate[i - 1]) << i;
    ASSERT_LE(std::abs(fast[i] - accurate[i]), 1) << i;
  }
  for (int b = 0; b < 256; ++b) EXPECT_EQ(accurate[b * 257], b);

  // 32-bit: the bytes widened and narrowed again with the accurate hint, the ends with both.
  std::vector<Ipp8u> bytes(256), back(256);
  std::vector<Ipp32s> wide(256);
  for (int b = 0; b < 256; ++b) bytes[b] = static_cast<Ipp8u>(b);
  ASSERT_EQ(builtin::ippiScale_8u32s_C1R(bytes.data(), 16, wide.data(), 64, IppiSize{16, 16}),
            ippStsNoErr);
  ASSERT_EQ(builtin::ippiScale_32s8u_C1R(wide.data(), 64, back.data(), 16, IppiSize{16, 16},
                                         ippAlgHintAccurate),
            ippStsNoErr);
  EXPECT_EQ(back, bytes);
  const Ipp32s ends[2] = {INT32_MIN, INT32_MAX};
  for (IppHintAlgorithm hint : {ippAlgHintNone, ippAlgHintAccurate}) {
    Ipp8u out[2] = {7, 7};
    ASSERT_EQ(builtin::ippiScale_32s8u_C1R(ends, 8, out, 2, IppiSize{2, 1}, hint), ippStsNoErr);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 255);
  }
}

TEST(ImageConvert, SignExtension) {
  GuardedVector src(256, 1), dst(256, 2, 1);
  for (int i = 0; i < 256; ++i) src.data()[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(builtin::ippsConvert_8s16s(reinterpret_cast<const Ipp8s*>(src.data()),
                                       reinterpret_cast<Ipp16s*>(dst.data()), 256),
            ippStsNoErr);
  for (int i = 0; i < 256; ++i) {
    int16_t v;
    std::memcpy(&v, dst.data() + 2 * i, 2);
    EXPECT_EQ(v, static_cast<int8_t>(i));
  }
  EXPECT_TRUE(dst.OutsideUntouched());
}

// ---- Argument errors -----------------------------------------------------------------------

TEST(ImageCopyErrors, NullThenSizeThenStep) {
  Ipp8u buf[64] = {};
  Ipp8u* p = buf;
  const Ipp8u v[4] = {1, 2, 3, 4};
  auto* p16 = reinterpret_cast<Ipp16s*>(buf);
  auto* p32 = reinterpret_cast<Ipp32s*>(buf);
  auto* pf = reinterpret_cast<Ipp32f*>(buf);
  Ipp8u* planes[4] = {p, p, p, p};
  Ipp8u* holed[4] = {p, nullptr, p, p};
  const Ipp8u* cplanes[3] = {p, p, p};
  const Ipp8u* choled[3] = {p, p, nullptr};
  const IppiSize ok{2, 2}, zeroW{0, 2}, negH{2, -1};
  struct Case {
    const char* name;
    IppStatus got, want;
  };
  const Case cases[] = {
      // Fills: null before size before step; step 0 refused.
      {"Set_8u_C1R null", builtin::ippiSet_8u_C1R(1, nullptr, 0, zeroW), ippStsNullPtrErr},
      {"Set_8u_C1R size", builtin::ippiSet_8u_C1R(1, p, 0, negH), ippStsSizeErr},
      {"Set_8u_C1R step", builtin::ippiSet_8u_C1R(1, p, 0, ok), ippStsStepErr},
      {"Set_16s_C1R step", builtin::ippiSet_16s_C1R(1, p16, -4, ok), ippStsStepErr},
      {"Set_32s_C1R size", builtin::ippiSet_32s_C1R(1, p32, 0, zeroW), ippStsSizeErr},
      {"Set_8u_C3R value", builtin::ippiSet_8u_C3R(nullptr, p, 0, zeroW), ippStsNullPtrErr},
      {"Set_8u_C4R step", builtin::ippiSet_8u_C4R(v, p, 0, ok), ippStsStepErr},
      {"Set_8u_AC4R value", builtin::ippiSet_8u_AC4R(nullptr, p, 8, ok), ippStsNullPtrErr},
      {"Set_8u_C3CR size", builtin::ippiSet_8u_C3CR(1, p, 0, zeroW), ippStsSizeErr},
      {"Set_8u_C4CR step", builtin::ippiSet_8u_C4CR(1, p, 0, ok), ippStsStepErr},
      {"ippsSet_8u null", builtin::ippsSet_8u(1, nullptr, 0), ippStsNullPtrErr},
      {"ippsSet_8u len", builtin::ippsSet_8u(1, p, 0), ippStsSizeErr},
      {"ippsSet_16s len", builtin::ippsSet_16s(1, p16, -3), ippStsSizeErr},
      {"ippsConvert_8s16s null", builtin::ippsConvert_8s16s(nullptr, p16, 0), ippStsNullPtrErr},
      {"ippsConvert_8s16s len", builtin::ippsConvert_8s16s(reinterpret_cast<Ipp8s*>(p), p16, 0), ippStsSizeErr},
      // Copies: null before size; steps are not checked (0 and negative work).
      {"Copy_8u_C1R src", builtin::ippiCopy_8u_C1R(nullptr, 4, p, 4, zeroW), ippStsNullPtrErr},
      {"Copy_8u_C1R dst", builtin::ippiCopy_8u_C1R(p, 4, nullptr, 4, ok), ippStsNullPtrErr},
      {"Copy_8u_C1R size", builtin::ippiCopy_8u_C1R(p, 4, p + 32, 4, negH), ippStsSizeErr},
      {"Copy_8u_C1R step 0", builtin::ippiCopy_8u_C1R(p, 0, p + 32, 0, ok), ippStsNoErr},
      {"Copy_8u_C3R step -3", builtin::ippiCopy_8u_C3R(p + 12, -6, p + 32, 6, ok), ippStsNoErr},
      {"Copy_16s_C1R size", builtin::ippiCopy_16s_C1R(p16, 4, p16 + 16, 4, zeroW), ippStsSizeErr},
      {"Copy_32s_C1R null", builtin::ippiCopy_32s_C1R(p32, 8, nullptr, 8, zeroW), ippStsNullPtrErr},
      {"Copy_8u_AC4R size", builtin::ippiCopy_8u_AC4R(p, 8, p + 32, 8, zeroW), ippStsSizeErr},
      {"Copy_8u_C1C3R null", builtin::ippiCopy_8u_C1C3R(nullptr, 2, p, 6, ok), ippStsNullPtrErr},
      {"Copy_8u_C3P3R plane", builtin::ippiCopy_8u_C3P3R(p, 6, holed, 2, zeroW), ippStsNullPtrErr},
      {"Copy_8u_C3P3R array", builtin::ippiCopy_8u_C3P3R(p, 6, nullptr, 2, ok), ippStsNullPtrErr},
      {"Copy_8u_C4P4R plane", builtin::ippiCopy_8u_C4P4R(p, 8, holed, 2, ok), ippStsNullPtrErr},
      {"Copy_8u_C4P4R size", builtin::ippiCopy_8u_C4P4R(p, 8, planes, 2, zeroW), ippStsSizeErr},
      {"Copy_8u_P3C3R plane", builtin::ippiCopy_8u_P3C3R(choled, 2, p, 6, zeroW), ippStsNullPtrErr},
      {"Copy_8u_P3C3R size", builtin::ippiCopy_8u_P3C3R(cplanes, 2, p + 8, 6, negH), ippStsSizeErr},
      // Conversions: null, size, then both steps.
      {"Convert_8u16u null", builtin::ippiConvert_8u16u_C1R(p, 0, nullptr, 0, zeroW), ippStsNullPtrErr},
      {"Convert_8u16u size", builtin::ippiConvert_8u16u_C1R(p, 0, reinterpret_cast<Ipp16u*>(p16), 0, zeroW), ippStsSizeErr},
      {"Convert_8u16u step", builtin::ippiConvert_8u16u_C1R(p, 2, reinterpret_cast<Ipp16u*>(p16), 0, ok), ippStsStepErr},
      {"Convert_8u32f step", builtin::ippiConvert_8u32f_C1R(p, 0, pf, 8, ok), ippStsStepErr},
      {"Convert_32f8u step", builtin::ippiConvert_32f8u_C1R(pf, 8, p, -2, ok, ippRndNear), ippStsStepErr},
      {"Convert_32f8u size", builtin::ippiConvert_32f8u_C1R(pf, 0, p, 0, negH, ippRndNear), ippStsSizeErr},
      {"Scale_8u16s step", builtin::ippiScale_8u16s_C1R(p, 0, p16, 4, ok), ippStsStepErr},
      {"Scale_8u32s null", builtin::ippiScale_8u32s_C1R(nullptr, 0, p32, 0, zeroW), ippStsNullPtrErr},
      {"Scale_16s8u step", builtin::ippiScale_16s8u_C1R(p16, 4, p, 0, ok, ippAlgHintFast), ippStsStepErr},
      {"Scale_32s8u size", builtin::ippiScale_32s8u_C1R(p32, 0, p, 0, zeroW, ippAlgHintAccurate), ippStsSizeErr},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

}  // namespace
