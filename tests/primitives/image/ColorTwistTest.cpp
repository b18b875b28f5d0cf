// Colour twists against a model written from their definition: the affine sum in extended
// precision in its fixed order, bounds 0 and 255, and ties rounded to even by the explicit
// "truncate v + 0.5, step back from an odd exact result" rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "primitives/image/ColorTwist.h"
#include "primitives/image/ColorTwistKernels.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/RgbCube.h"

namespace {

using imagetest::GuardedImage;
using Matrix = Ipp32f[3][4];

// The integer indefinite for NaN and out-of-range values, as the x87 store does.
int64_t TruncX87(long double x) {
  if (!(x > -2147483649.0L && x < 2147483648.0L)) return INT32_MIN;
  return static_cast<int64_t>(x);
}

uint8_t ModelByte(const uint8_t* px, const Ipp32f* t) {
  const long double x0 = px[0], x1 = px[1], x2 = px[2];
  const long double v = ((x0 * t[0] + t[3]) + x1 * t[1]) + x2 * t[2];
  if (v >= 255.0f) return 255;
  if (v <= 0.0f) return 0;
  const long double half = v + 0.5f;
  int64_t r = TruncX87(half);
  if (r % 2 != 0 && static_cast<long double>(r) == half) --r;
  return static_cast<uint8_t>(r);
}

enum class Form { C3IR, AC4IR, C3R, AC4R };

int PixelBytes(Form f) { return f == Form::C3IR || f == Form::C3R ? 3 : 4; }
bool InPlace(Form f) { return f == Form::C3IR || f == Form::AC4IR; }
std::string Name(Form f) {
  switch (f) {
    case Form::C3IR: return "C3IR";
    case Form::AC4IR: return "AC4IR";
    case Form::C3R: return "C3R";
    case Form::AC4R: return "AC4R";
  }
  return "";
}

IppStatus RunTwist(Form f, const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize size,
              const Matrix& m) {
  switch (f) {
    case Form::C3IR: return builtin::ippiColorTwist32f_8u_C3IR(dst, dstStep, size, m);
    case Form::AC4IR: return builtin::ippiColorTwist32f_8u_AC4IR(dst, dstStep, size, m);
    case Form::C3R: return builtin::ippiColorTwist32f_8u_C3R(src, srcStep, dst, dstStep, size, m);
    case Form::AC4R: return builtin::ippiColorTwist32f_8u_AC4R(src, srcStep, dst, dstStep, size, m);
  }
  return ippStsNotImplemented;
}

constexpr Form kForms[] = {Form::C3IR, Form::AC4IR, Form::C3R, Form::AC4R};

// Runs one form on a random guarded image (which `prepare` may then change) and compares
// every pixel with the model; the fourth byte of AC4 pixels must keep its value, and nothing
// outside the region may change. Returns the source and result regions.
struct Regions {
  std::vector<uint8_t> in, out;
};
Regions CheckAgainstModel(Form f, const Matrix& m, int width, int height, std::mt19937& rng,
                          const std::function<void(GuardedImage&)>& prepare = nullptr) {
  const int px = PixelBytes(f);
  GuardedImage src(width, height, px, 5), dst(width, height, px, 13);
  src.Randomize(rng);
  if (prepare) prepare(src);
  dst.Randomize(rng);
  if (InPlace(f)) dst.SetRegion(src.Region());
  const std::vector<uint8_t> before = dst.Region();
  EXPECT_EQ(RunTwist(f, src.data(), src.step(), dst.data(), dst.step(), dst.size(), m), ippStsNoErr);
  int failures = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t at = (static_cast<size_t>(y) * width + x) * px;
      const uint8_t* in = InPlace(f) ? &before[at] : src.at(x, y);
      for (int k = 0; k < 3; ++k)
        if (dst.at(x, y)[k] != ModelByte(in, m[k]) && failures++ < 3)
          ADD_FAILURE() << "x " << x << " y " << y << " channel " << k << ": "
                        << int{dst.at(x, y)[k]} << " not " << int{ModelByte(in, m[k])};
      if (px == 4) {
        EXPECT_EQ(dst.at(x, y)[3], before[at + 3]);
      }
    }
  EXPECT_TRUE(dst.OutsideUntouched());
  EXPECT_TRUE(src.OutsideUntouched());
  return {InPlace(f) ? before : src.Region(), dst.Region()};
}

TEST(ImageColorTwist, IdentityLeavesEveryPixelUnchanged) {
  const Matrix identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  std::mt19937 rng(1);
  for (Form f : kForms) {
    SCOPED_TRACE(Name(f));
    const Regions r = CheckAgainstModel(f, identity, 19, 5, rng);
    for (size_t i = 0; i < r.out.size(); ++i)
      if (i % PixelBytes(f) != 3) {
        ASSERT_EQ(r.out[i], r.in[i]) << "byte " << i;
      }
  }
}

TEST(ImageColorTwist, RoundingAndBoundsOfOneChannel) {
  // Weight w and offset o on channel 0 alone; channels 1 and 2 are set to 0.
  struct Case {
    float weight, offset;
    uint8_t in, out;
  };
  const Case cases[] = {
      {1, 0.5f, 0, 0},      // 0.5 rounds to the even 0
      {1, 0.5f, 1, 2},      // 1.5 rounds to 2
      {1, 0.5f, 2, 2},      // 2.5 rounds to 2
      {1, 0.5f, 254, 254},  // 254.5 to 254
      {1, 0.5f, 255, 255},  // 255.5 >= 255
      {2, 0, 127, 254},     {2, 0, 128, 255}, {2, 0, 255, 255},  // saturation
      {1, -300, 255, 0},    {1, -300, 0, 0},                     // below 0
      {0.5f, 0, 1, 0},      {0.5f, 0, 3, 2},  {0.5f, 0, 5, 2},   // 0.5, 1.5, 2.5
      {1, -0.5f, 1, 0},     {-1, 0, 200, 0},
  };
  for (const Case& c : cases) {
    const Matrix m = {{c.weight, 0, 0, c.offset}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    const uint8_t in[3] = {c.in, 77, 99};
    uint8_t out[3] = {1, 1, 1};
    ASSERT_EQ(builtin::ippiColorTwist32f_8u_C3R(in, 3, out, 3, IppiSize{1, 1}, m), ippStsNoErr);
    EXPECT_EQ(out[0], c.out) << c.weight << " * " << int{c.in} << " + " << c.offset;
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0);
  }
}

TEST(ImageColorTwist, EveryFormMatchesTheModelOnRandomMatrices) {
  std::mt19937 rng(2);
  std::uniform_real_distribution<float> weight(-2.0f, 2.0f), offset(-200.0f, 300.0f);
  for (int round = 0; round < 12; ++round) {
    Matrix m;
    for (auto& row : m) {
      for (int j = 0; j < 3; ++j) row[j] = weight(rng);
      row[3] = offset(rng);
    }
    // Every other matrix takes weights and offsets in halves and quarters, so that exact ties
    // occur.
    if (round % 2 == 1)
      for (auto& row : m)
        for (float& t : row) t = std::round(t * 4) / 4;
    for (Form f : kForms) {
      SCOPED_TRACE(Name(f) + " round " + std::to_string(round));
      CheckAgainstModel(f, m, 1 + round * 5, 4, rng);
    }
  }
}

TEST(ImageColorTwist, NonFiniteCoefficientsTakeTheConversionsResult) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // +inf saturates to 255, -inf to 0; NaN, and inf - inf, give the integer indefinite, whose
  // low byte is 0.
  const Matrix m = {{inf, 0, 0, 0}, {nan, 1, 1, 1}, {inf, 0, 0, -inf}};
  std::mt19937 rng(3);
  for (Form f : kForms) {
    SCOPED_TRACE(Name(f));
    CheckAgainstModel(f, m, 7, 3, rng);
  }
  const uint8_t in[3] = {10, 20, 30};
  uint8_t out[3];
  ASSERT_EQ(builtin::ippiColorTwist32f_8u_C3R(in, 3, out, 3, IppiSize{1, 1}, m), ippStsNoErr);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(out[2], 0);
}

TEST(ImageColorTwist, SumsOnlyExtendedPrecisionTellsFromAHalf) {
  // 0.5 x + 2^-60: for small odd x the extended sum lies just above a half-way point and
  // rounds up, while its double sum is the half-way point itself and would round to even.
  // Such pixels must take the extended computation; their neighbours the fast paths.
  const float tiny = std::ldexp(1.0f, -60);
  const Matrix m = {{0.5f, 0, 0, tiny}, {0, 0.5f, 0, -tiny}, {0.25f, 0, 0.5f, tiny}};
  std::mt19937 rng(5);
  for (Form f : kForms) {
    SCOPED_TRACE(Name(f));
    // Every value 0..255 in channel y of row y.
    CheckAgainstModel(f, m, 256, 3, rng, [](GuardedImage& src) {
      for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 3; ++y) src.at(x, y)[y] = static_cast<uint8_t>(x);
    });
  }
  const uint8_t five[3] = {5, 0, 0};
  uint8_t out[3];
  ASSERT_EQ(builtin::ippiColorTwist32f_8u_C3R(five, 3, out, 3, IppiSize{1, 1}, m), ippStsNoErr);
  EXPECT_EQ(out[0], 3);  // 2.5 + 2^-60, not 2.5
}

TEST(ImageColorTwist, FastPathsGiveTheExtendedBytesOverTheRgbCube) {
  // The vector blocks (on every instruction set), the double path and the extended reference
  // over the RGB cube (sampled unless PF_EXHAUSTIVE is set), for a matrix of general floats, one
  // of quarters and halves whose sums are exact ties, and one with sums that only extended
  // precision tells from a half.
  const float tiny = std::ldexp(1.0f, -60);
  const Matrix matrices[] = {
      {{0.299f, 0.587f, 0.114f, 0.3f}, {-0.147f, -0.289f, 0.436f, 128.5f}, {0.615f, -0.515f, -0.1f, 127.7f}},
      {{0.5f, 0.25f, -0.75f, 64.5f}, {1.5f, -0.5f, 0.25f, -10.5f}, {-0.25f, 0.75f, 0.5f, 0.5f}},
      {{0.5f, 0, 0, tiny}, {0.25f, 0.5f, 0, -tiny}, {0.5f, 0.5f, 0.5f, tiny}},
  };
  namespace tw = builtin::twist;
  for (const Matrix& m : matrices) {
    const tw::Plan plan = tw::MakePlan(m);
    int failures = 0;
    imagetest::ForRgbCube(4, [&](GuardedImage& src) {
      const int n = src.width() * src.height();
      std::vector<uint8_t> exact(3 * n), fast(3 * n), vector(3 * n);
      tw::ExactRow(src.data(), exact.data(), n, 3, plan);
      tw::FastRow(src.data(), fast.data(), n, 3, plan);
      imagetest::ForEachVectorTarget([&] {
        tw::VectorRow(src.data(), vector.data(), n, plan, tw::VectorBlocks());
        if ((fast != exact || vector != exact) && failures++ == 0)
          ADD_FAILURE() << "red " << int{src.data()[0]};
      });
    });
  }
}

TEST(ImageColorTwist, InPlaceEqualsIntoAnotherImageWithCrossTerms) {
  // Every output channel depends on all three inputs, so writing a byte before the others are
  // read would show.
  const Matrix m = {{0.2f, 0.7f, 0.1f, 3}, {0.6f, -0.3f, 0.9f, 12.5f}, {-0.5f, 0.5f, 1.2f, 40}};
  std::mt19937 rng(4);
  for (int px : {3, 4}) {
    GuardedImage src(23, 6, px), out(23, 6, px), inPlace(23, 6, px);
    src.Randomize(rng);
    out.SetRegion(src.Region());
    inPlace.SetRegion(src.Region());
    const auto twoImages = px == 3 ? builtin::ippiColorTwist32f_8u_C3R : builtin::ippiColorTwist32f_8u_AC4R;
    const auto oneImage = px == 3 ? builtin::ippiColorTwist32f_8u_C3IR : builtin::ippiColorTwist32f_8u_AC4IR;
    ASSERT_EQ(twoImages(src.data(), src.step(), out.data(), out.step(), out.size(), m), ippStsNoErr);
    ASSERT_EQ(oneImage(inPlace.data(), inPlace.step(), inPlace.size(), m), ippStsNoErr);
    EXPECT_EQ(inPlace.Region(), out.Region()) << px;
  }
}

TEST(ImageColorTwist, ChecksInOrder) {
  const Matrix m = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  uint8_t a[12] = {}, b[12] = {};
  const IppiSize one{1, 1};
  struct Case {
    const uint8_t* src;
    uint8_t* dst;
    int srcStep, dstStep;
    IppiSize size;
    bool matrix;
    IppStatus want;
  };
  const Case cases[] = {
      {nullptr, b, 3, 3, one, true, ippStsNullPtrErr},
      {a, nullptr, 3, 3, one, true, ippStsNullPtrErr},
      {a, b, 3, 3, one, false, ippStsNullPtrErr},
      {nullptr, b, 0, 0, IppiSize{0, 1}, true, ippStsNullPtrErr},  // pointers first
      {a, b, 0, 0, IppiSize{0, 1}, true, ippStsSizeErr},           // then the size
      {a, b, 3, 3, IppiSize{1, 0}, true, ippStsSizeErr},
      {a, b, 0, 3, one, true, ippStsStepErr},                      // then the steps
      {a, b, 3, -3, one, true, ippStsStepErr},
      {a, b, 3, 3, one, true, ippStsNoErr},
  };
  for (const Case& c : cases) {
    const Matrix* t = c.matrix ? &m : nullptr;
    EXPECT_EQ(builtin::ippiColorTwist32f_8u_C3R(c.src, c.srcStep, c.dst, c.dstStep, c.size,
                                                t ? *t : nullptr),
              c.want);
    EXPECT_EQ(builtin::ippiColorTwist32f_8u_AC4R(c.src, c.srcStep, c.dst, c.dstStep, c.size,
                                                 t ? *t : nullptr),
              c.want);
    // The in-place forms have one image: its pointer and step are the destination's.
    if (c.src != nullptr && c.srcStep == 3) {
      EXPECT_EQ(builtin::ippiColorTwist32f_8u_C3IR(c.dst, c.dstStep, c.size, t ? *t : nullptr),
                c.want);
      EXPECT_EQ(builtin::ippiColorTwist32f_8u_AC4IR(c.dst, c.dstStep, c.size, t ? *t : nullptr),
                c.want);
    }
  }
}

}  // namespace
