// Conversions from RGB to other colour spaces against models written from their definitions
// (integer forms over every RGB value, floating forms on random pixels), spot values, and,
// within a stated tolerance, against OpenCV's conversions of the same name.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "primitives/image/ColorSpaces.h"
#include "primitives/image/ColorSpacesKernels.h"
#include "primitives/support/Support.h"
#include "tests/primitives/HwyTargets.h"
#include "tests/primitives/ImageTestGuard.h"
#include "tests/primitives/RgbCube.h"

namespace {

using imagetest::GuardedImage;
using Convert = IppStatus (*)(const Ipp8u*, int, Ipp8u*, int, IppiSize);

// ---- Integer models ------------------------------------------------------------------------

// A stored clamp table of the rule CLAMP[i] (or CLAMP128[i] = CLAMP[i + 128]) over lo..hi; an
// index outside the stored range fails the test.
struct ClampTable {
  int lo, hi, bias;
  uint8_t operator()(int64_t i) const {
    EXPECT_TRUE(i >= lo && i <= hi) << "clamp index " << i << " outside " << lo << ".." << hi;
    return static_cast<uint8_t>(std::clamp<int64_t>(i + bias, 0, 255));
  }
};
const ClampTable kClampZ{-598, 629, 0};
const ClampTable kClamp128YuvC3{-702, 501, 128};
const ClampTable kClamp128YuvAC4{-666, 501, 128};

void YuvModel(int64_t r, int64_t g, int64_t b, const ClampTable& clamp128, uint8_t* out) {
  const int64_t ys = 19595 * r + 38470 * g + 7471 * b;
  out[0] = static_cast<uint8_t>(ys >> 16);
  out[1] = static_cast<uint8_t>(((((b * 65536 - ys + 32767) >> 16) * 32244) >> 16) + 128);
  out[2] = clamp128((((r * 65536 - ys + 32767) >> 16) * 57475) >> 16);
}

void YCbCrModel(int64_t r, int64_t g, int64_t b, uint8_t* out) {
  out[0] = static_cast<uint8_t>((16843 * r + 33030 * g + 6423 * b + 1081344) >> 16);
  out[1] = static_cast<uint8_t>((-9699 * r - 19071 * g + 28770 * b + 8421376) >> 16);
  out[2] = static_cast<uint8_t>((28770 * r - 24117 * g - 4653 * b + 8421376) >> 16);
}

void YccModel(int64_t r, int64_t g, int64_t b, uint8_t* out) {
  const int64_t ys = 4898 * r + 9617 * g + 1867 * b;
  out[0] = static_cast<uint8_t>((2921 * (ys >> 10)) >> 16);
  out[1] = static_cast<uint8_t>(((1789 * ((b * 16384 - ys) >> 10)) >> 16) + 156);
  out[2] = static_cast<uint8_t>(((2178 * ((r * 16384 - ys) >> 10)) >> 16) + 137);
}

void XyzModel(int64_t r, int64_t g, int64_t b, uint8_t* out) {
  out[0] = static_cast<uint8_t>((27030 * r + 23434 * g + 11824 * b) >> 16);
  out[1] = static_cast<uint8_t>((13937 * r + 46868 * g + 4729 * b) >> 16);
  out[2] = kClampZ((1267 * r + 7811 * g + 62274 * b) >> 16);
}

TEST(ImageColorSpaces, IntegerConversionsOverEveryRgbValue) {
  // One 256 x 256 image per red value: green down the rows, blue along them.
  GuardedImage src(256, 256, 3, 0);
  GuardedImage yuv(256, 256, 3, 0), ycbcr(256, 256, 3, 0), ycc(256, 256, 3, 0), xyz(256, 256, 3, 0);
  const struct {
    const char* name;
    Convert fn;
    GuardedImage* dst;
  } forms[] = {{"YUV", builtin::ippiRGBToYUV_8u_C3R, &yuv},
               {"YCbCr", builtin::ippiRGBToYCbCr_8u_C3R, &ycbcr},
               {"YCC", builtin::ippiRGBToYCC_8u_C3R, &ycc},
               {"XYZ", builtin::ippiRGBToXYZ_8u_C3R, &xyz}};
  int failures = 0;
  for (int r = 0; r < 256 && failures < 5; ++r) {
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        uint8_t* p = src.at(b, g);
        p[0] = static_cast<uint8_t>(r);
        p[1] = static_cast<uint8_t>(g);
        p[2] = static_cast<uint8_t>(b);
      }
    for (const auto& f : forms)
      ASSERT_EQ(f.fn(src.data(), src.step(), f.dst->data(), f.dst->step(), src.size()), ippStsNoErr);
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        uint8_t want[4][3];
        YuvModel(r, g, b, kClamp128YuvC3, want[0]);
        YCbCrModel(r, g, b, want[1]);
        YccModel(r, g, b, want[2]);
        XyzModel(r, g, b, want[3]);
        for (int k = 0; k < 4; ++k)
          if (std::memcmp(forms[k].dst->at(b, g), want[k], 3) != 0 && failures++ < 5)
            ADD_FAILURE() << forms[k].name << " of " << r << " " << g << " " << b;
      }
  }
  // The alpha-four YUV table is narrower: every index must still lie within it.
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; ++b) {
        uint8_t out[3];
        YuvModel(r, g, b, kClamp128YuvAC4, out);
      }
}

// ---- Floating-point models -----------------------------------------------------------------

using Ext = long double;
constexpr float kK = 0.49999899f;

uint8_t Low8(Ext x) {
  // The x87 store: NaN and out-of-range values give INT32_MIN, whose low byte is 0.
  if (!(x > -2147483649.0L && x < 2147483648.0L)) return 0;
  return static_cast<uint8_t>(static_cast<int64_t>(x));
}
uint8_t RoundK(Ext x) { return Low8(x + kK); }

void HlsModel(const uint8_t* p, uint8_t* out) {
  const Ext r = p[0] / Ext{255}, g = p[1] / Ext{255}, b = p[2] / Ext{255};
  const Ext M = std::max(r, std::max(g, b)), m = std::min(r, std::min(g, b));
  const Ext D = M - m, L = (M + m) / 2;
  Ext H = 0, S = 0;
  if (D != 0) {
    S = L <= 0.5 ? D / (M + m) : D / (2 - M - m);
    if (r == M) H = 60 * (g - b) / D;
    else if (g == M) H = 120 + 60 * (b - r) / D;
    else H = 240 + 60 * (r - g) / D;
    if (H < 0) H += 360;
  }
  out[0] = RoundK(255 * H / 360);
  out[1] = RoundK(255 * L);
  out[2] = RoundK(255 * S);
}

void HsvModel(const uint8_t* p, uint8_t* out) {
  const int R = p[0], G = p[1], B = p[2];
  const int V = std::max(R, std::max(G, B)), mn = std::min(R, std::min(G, B));
  out[0] = out[1] = 0;
  out[2] = static_cast<uint8_t>(V);
  if (V == 0 || V == mn) return;
  const Ext d = V - mn;
  out[1] = RoundK(255 * d / V);
  const Ext cr = (V - R) / d, cg = (V - G) / d, cb = (V - B) / d;
  Ext hue = 0;
  if (R == V) hue = (G - B) / d;
  if (G == V) hue = 2 + cr - cb;
  if (B == V) hue = 4 + cg - cr;
  Ext h = 255 * hue / 6;
  if (h < 0) h += 255;
  out[0] = RoundK(h);
}

Ext CubeRoot(Ext t) { return builtin::LibCPow(static_cast<double>(t), static_cast<double>(1.0f / 3)); }

Ext Lightness(Ext y) { return y > 0.008856f ? 116 * CubeRoot(y) - 16 : 903.3f * y; }

Ext SumX(Ext r, Ext g, Ext b) { return 0.412453f * r + 0.357580f * g + 0.180423f * b; }
Ext SumY(Ext r, Ext g, Ext b) { return 0.212671f * r + 0.715160f * g + 0.072169f * b; }
Ext SumZ(Ext r, Ext g, Ext b) { return 0.019334f * r + 0.119193f * g + 0.950227f * b; }

std::array<int, 256> LightnessRule() {
  std::array<int, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<int>(2.55L * Lightness(i / Ext{255}) + 0.5L);
  return t;
}

void LuvModel(const uint8_t* p, uint8_t* out) {
  static const std::array<int, 256> ltab = LightnessRule();
  const Ext R = p[0], G = p[1], B = p[2];
  const Ext xs = SumX(R, G, B), ys = SumY(R, G, B), zs = SumZ(R, G, B);
  const Ext X = xs / 255, Y = ys / 255, Z = zs / 255;
  const int i = static_cast<int>(ys + kK);
  EXPECT_TRUE(i >= 0 && i <= 255);
  const Ext L8 = ltab[std::clamp(i, 0, 255)];
  Ext u = 0, v = 0;
  if (i != 0) {
    const Ext q = X + 15 * Y + 3 * Z;
    u = 4 * X / q;
    v = 9 * Y / q;
  }
  out[0] = static_cast<uint8_t>(L8);
  out[1] = Low8(3.6723163f * L8 * (u - 0.197839f) + 97.025429f);
  out[2] = Low8(4.961832f * L8 * (v - 0.468342f) + 136.75955f);
}

void LabModel(const uint8_t* bgr, uint8_t* out) {
  const Ext B = bgr[0], G = bgr[1], R = bgr[2];
  const Ext X = SumX(R, G, B) / 242.366f, Y = SumY(R, G, B) / 255, Z = SumZ(R, G, B) / 277.632f;
  const auto f = [](Ext t) { return t > 0.008856f ? CubeRoot(t) : 7.787f * t + 0.137931034f; };
  const Ext a = 500 * (f(X) - f(Y)), b = 200 * (f(Y) - f(Z));
  out[0] = Low8(Lightness(Y) * 255 / 100 + 0.5L);
  out[1] = Low8(a + 128.5L);
  out[2] = Low8(b + 128.5L);
}

using Model = void (*)(const uint8_t*, uint8_t*);

using builtin::colorspaces::FloatConversion;

struct FloatForm {
  const char* name;
  Convert c3, ac4;
  Model model;
  FloatConversion conversion;
  int cubeRows;  // green values per red value in the default run's sample of the RGB cube
};

const FloatForm kFloatForms[] = {
    {"HLS", builtin::ippiRGBToHLS_8u_C3R, builtin::ippiRGBToHLS_8u_AC4R, HlsModel, FloatConversion::Hls, 4},
    {"HSV", builtin::ippiRGBToHSV_8u_C3R, builtin::ippiRGBToHSV_8u_AC4R, HsvModel, FloatConversion::Hsv, 4},
    {"LUV", builtin::ippiRGBToLUV_8u_C3R, builtin::ippiRGBToLUV_8u_AC4R, LuvModel, FloatConversion::Luv, 4},
    {"Lab", builtin::ippiBGRToLab_8u_C3R, nullptr, LabModel, FloatConversion::Lab, 1},
};

// Random pixels, with grays, primaries and the corners of the cube mixed in.
void FillTestPixels(GuardedImage& img, std::mt19937& rng) {
  img.Randomize(rng);
  const uint8_t special[][3] = {{0, 0, 0},     {255, 255, 255}, {128, 128, 128}, {1, 1, 1},
                                {255, 0, 0},   {0, 255, 0},     {0, 0, 255},     {255, 255, 0},
                                {0, 255, 255}, {255, 0, 255},   {254, 255, 255}, {2, 1, 0},
                                {10, 10, 9},   {200, 200, 201}, {7, 200, 7},     {99, 3, 99}};
  int i = 0;
  for (const auto& s : special) {
    std::memcpy(img.at(i % img.width(), i / img.width()), s, 3);
    ++i;
  }
}

TEST(ImageColorSpaces, FloatingConversionsMatchTheirModels) {
  std::mt19937 rng(41);
  for (const FloatForm& f : kFloatForms) {
    for (int pixel : {3, 4}) {
      const Convert fn = pixel == 3 ? f.c3 : f.ac4;
      if (fn == nullptr) continue;
      SCOPED_TRACE(std::string(f.name) + (pixel == 3 ? "_C3R" : "_AC4R"));
      GuardedImage src(61, 40, pixel, 5), dst(61, 40, pixel, 7);
      FillTestPixels(src, rng);
      dst.Randomize(rng);
      const std::vector<uint8_t> before = dst.Region();
      ASSERT_EQ(fn(src.data(), src.step(), dst.data(), dst.step(), dst.size()), ippStsNoErr);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 61; ++x) {
          uint8_t want[3];
          f.model(src.at(x, y), want);
          ASSERT_EQ(0, std::memcmp(dst.at(x, y), want, 3))
              << int{src.at(x, y)[0]} << " " << int{src.at(x, y)[1]} << " " << int{src.at(x, y)[2]}
              << " gives " << int{dst.at(x, y)[0]} << " " << int{dst.at(x, y)[1]} << " "
              << int{dst.at(x, y)[2]} << " not " << int{want[0]} << " " << int{want[1]} << " "
              << int{want[2]};
          if (pixel == 4) {
            ASSERT_EQ(dst.at(x, y)[3], before[(static_cast<size_t>(y) * 61 + x) * 4 + 3]);
          }
        }
      EXPECT_TRUE(dst.OutsideUntouched());
    }
  }
}

TEST(ImageColorSpaces, FloatingConversionsGiveTheExtendedBytesOverTheRgbCube) {
  // The conversions compute in double (the three-byte forms in vector blocks, on every
  // instruction set) and redo doubtful pixels in extended precision; over the RGB cube (sampled
  // unless PF_EXHAUSTIVE is set) their bytes are those of the models.
  for (const FloatForm& f : kFloatForms) {
    SCOPED_TRACE(f.name);
    int failures = 0;
    imagetest::ForRgbCube(f.cubeRows, [&](GuardedImage& src) {
      std::vector<uint8_t> want(static_cast<size_t>(3) * src.width() * src.height());
      for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
          f.model(src.at(x, y), &want[3 * (static_cast<size_t>(y) * src.width() + x)]);
      imagetest::ForEachVectorTarget([&] {
        GuardedImage dst(src.width(), src.height(), 3, 0);
        ASSERT_EQ(f.c3(src.data(), src.step(), dst.data(), dst.step(), src.size()), ippStsNoErr);
        const std::vector<uint8_t> got = dst.Region();
        const auto at = std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin();
        if (at != static_cast<ptrdiff_t>(got.size()) && failures++ < 3) {
          const uint8_t* p = src.data() + at / 3 * 3;  // contiguous rows: pixel at / 3
          ADD_FAILURE() << int{p[0]} << " " << int{p[1]} << " " << int{p[2]} << ": byte "
                        << at % 3 << " is " << int{got[at]} << ", not " << int{want[at]};
        }
      });
    });
  }
}

TEST(ImageColorSpaces, ExtendedReferenceMatchesTheModels) {
  // The reference the conversions fall back on, on its own: random pixels and the specials.
  std::mt19937 rng(46);
  for (const FloatForm& f : kFloatForms) {
    SCOPED_TRACE(f.name);
    GuardedImage src(64, 16, 3, 0), dst(64, 16, 3, 0);
    FillTestPixels(src, rng);
    builtin::colorspaces::ExactRow(f.conversion, src.data(), dst.data(), 64 * 16, 3);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 64; ++x) {
        uint8_t want[3];
        f.model(src.at(x, y), want);
        ASSERT_EQ(0, std::memcmp(dst.at(x, y), want, 3)) << x << " " << y;
      }
  }
}

TEST(ImageColorSpaces, LightnessTableFollowsTheLabRule) {
  const std::array<int, 256> rule = LightnessRule();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(builtin::kLuvLightnessTable[i], rule[i]) << i;
}

// ---- Spot values ---------------------------------------------------------------------------

std::array<int, 3> One(Convert fn, std::array<uint8_t, 3> in) {
  uint8_t out[3] = {};
  EXPECT_EQ(fn(in.data(), 3, out, 3, IppiSize{1, 1}), ippStsNoErr);
  return {out[0], out[1], out[2]};
}

TEST(ImageColorSpaces, SpotValues) {
  using namespace builtin;
  using V = std::array<int, 3>;
  EXPECT_EQ(One(ippiRGBToYCbCr_8u_C3R, {0, 0, 0}), (V{16, 128, 128}));
  EXPECT_EQ(One(ippiRGBToYCbCr_8u_C3R, {255, 255, 255}), (V{235, 128, 128}));
  EXPECT_EQ(One(ippiRGBToYUV_8u_C3R, {255, 255, 255}), (V{255, 128, 128}));
  EXPECT_EQ(One(ippiRGBToYUV_8u_C3R, {255, 0, 0}), (V{76, 90, 255}));  // V clamped from 284
  EXPECT_EQ(One(ippiRGBToXYZ_8u_C3R, {255, 255, 255}), (V{242, 254, 255}));  // Z from 277
  EXPECT_EQ(One(ippiRGBToHSV_8u_C3R, {0, 0, 255}), (V{170, 255, 255}));
  EXPECT_EQ(One(ippiRGBToHSV_8u_C3R, {0, 0, 0}), (V{0, 0, 0}));
  for (uint8_t gray : {1, 77, 128, 255})
    EXPECT_EQ(One(ippiRGBToHSV_8u_C3R, {gray, gray, gray}), (V{0, 0, gray}));
  EXPECT_EQ(One(ippiRGBToHLS_8u_C3R, {128, 128, 128}), (V{0, 128, 0}));
  EXPECT_EQ(One(ippiRGBToHLS_8u_C3R, {255, 0, 0}), (V{0, 127, 255}));  // 127.5 + k truncates
  EXPECT_EQ(One(ippiRGBToLUV_8u_C3R, {0, 0, 0}), (V{0, 97, 136}));
  EXPECT_EQ(One(ippiBGRToLab_8u_C3R, {255, 255, 255}), (V{255, 128, 128}));
  // Lab reads blue first: the blue primary in B, G, R order is (255, 0, 0).
  uint8_t blue[3];
  LabModel(std::array<uint8_t, 3>{255, 0, 0}.data(), blue);
  EXPECT_EQ(One(ippiBGRToLab_8u_C3R, {255, 0, 0}), (V{blue[0], blue[1], blue[2]}));
  EXPECT_NE(One(ippiBGRToLab_8u_C3R, {255, 0, 0}), One(ippiBGRToLab_8u_C3R, {0, 0, 255}));
  EXPECT_GT(One(ippiBGRToLab_8u_C3R, {0, 0, 255})[1], 200);  // red: a far above 128
}

// ---- Layout, alpha and checks --------------------------------------------------------------

struct AnyForm {
  const char* name;
  Convert fn;
  int pixel;
};

const AnyForm kAllForms[] = {
    {"HLS_C3R", builtin::ippiRGBToHLS_8u_C3R, 3},     {"HLS_AC4R", builtin::ippiRGBToHLS_8u_AC4R, 4},
    {"HSV_C3R", builtin::ippiRGBToHSV_8u_C3R, 3},     {"HSV_AC4R", builtin::ippiRGBToHSV_8u_AC4R, 4},
    {"LUV_C3R", builtin::ippiRGBToLUV_8u_C3R, 3},     {"LUV_AC4R", builtin::ippiRGBToLUV_8u_AC4R, 4},
    {"YCC_C3R", builtin::ippiRGBToYCC_8u_C3R, 3},     {"YCC_AC4R", builtin::ippiRGBToYCC_8u_AC4R, 4},
    {"YCbCr_C3R", builtin::ippiRGBToYCbCr_8u_C3R, 3}, {"YCbCr_AC4R", builtin::ippiRGBToYCbCr_8u_AC4R, 4},
    {"YUV_C3R", builtin::ippiRGBToYUV_8u_C3R, 3},     {"YUV_AC4R", builtin::ippiRGBToYUV_8u_AC4R, 4},
    {"XYZ_C3R", builtin::ippiRGBToXYZ_8u_C3R, 3},     {"XYZ_AC4R", builtin::ippiRGBToXYZ_8u_AC4R, 4},
    {"Lab_C3R", builtin::ippiBGRToLab_8u_C3R, 3},
};

const AnyForm& FindForm(const std::string& name) {
  for (const AnyForm& f : kAllForms)
    if (name == f.name) return f;
  throw std::invalid_argument(name);
}

TEST(ImageColorSpaces, AlphaFourFormsEqualThreeByteFormsAndKeepAlpha) {
  // The colour bytes of an AC4 conversion are those of the C3 conversion of the same pixels;
  // the fourth source byte is not read (changing it changes nothing) and the fourth destination
  // byte is not written.
  std::mt19937 rng(42);
  for (size_t i = 0; i + 1 < std::size(kAllForms); i += 2) {
    const AnyForm& c3 = kAllForms[i];
    const AnyForm& ac4 = kAllForms[i + 1];
    SCOPED_TRACE(ac4.name);
    GuardedImage src4(33, 9, 4), dst4(33, 9, 4), src3(33, 9, 3), dst3(33, 9, 3);
    src4.Randomize(rng);
    dst4.Randomize(rng);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 33; ++x) std::memcpy(src3.at(x, y), src4.at(x, y), 3);
    const std::vector<uint8_t> before = dst4.Region();
    ASSERT_EQ(c3.fn(src3.data(), src3.step(), dst3.data(), dst3.step(), dst3.size()), ippStsNoErr);
    ASSERT_EQ(ac4.fn(src4.data(), src4.step(), dst4.data(), dst4.step(), dst4.size()), ippStsNoErr);
    const std::vector<uint8_t> first = dst4.Region();
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 33; ++x) {
        ASSERT_EQ(0, std::memcmp(dst4.at(x, y), dst3.at(x, y), 3)) << x << " " << y;
        ASSERT_EQ(dst4.at(x, y)[3], before[(y * 33 + x) * 4 + 3]);
        src4.at(x, y)[3] ^= 0x5A;
      }
    ASSERT_EQ(ac4.fn(src4.data(), src4.step(), dst4.data(), dst4.step(), dst4.size()), ippStsNoErr);
    EXPECT_EQ(dst4.Region(), first);
    EXPECT_TRUE(dst4.OutsideUntouched());
  }
}

TEST(ImageColorSpaces, IntegerVectorBlocksEqualThePixelFormulasOnEveryTarget) {
  // The three-byte forms of the integer conversions run vector blocks, the alpha-four forms the
  // plain pixel formulas; rows of every length up to a few blocks, on every instruction set.
  imagetest::ForEachVectorTarget([] {
    std::mt19937 rng(45);
    for (const std::string stem : {"YCC", "YCbCr", "YUV", "XYZ"}) {
      const AnyForm& c3 = FindForm(stem + "_C3R");
      const AnyForm& ac4 = FindForm(stem + "_AC4R");
      SCOPED_TRACE(c3.name);
      for (int width = 1; width <= 70; width += 3) {
        GuardedImage src3(width, 3, 3), dst3(width, 3, 3), src4(width, 3, 4), dst4(width, 3, 4);
        src3.Randomize(rng);
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < width; ++x) std::memcpy(src4.at(x, y), src3.at(x, y), 3);
        ASSERT_EQ(c3.fn(src3.data(), src3.step(), dst3.data(), dst3.step(), dst3.size()), ippStsNoErr);
        ASSERT_EQ(ac4.fn(src4.data(), src4.step(), dst4.data(), dst4.step(), dst4.size()), ippStsNoErr);
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < width; ++x)
            ASSERT_EQ(0, std::memcmp(dst3.at(x, y), dst4.at(x, y), 3)) << "width " << width << " x " << x;
        EXPECT_TRUE(dst3.OutsideUntouched());
      }
    }
  });
}

TEST(ImageColorSpaces, ChecksInOrder) {
  uint8_t a[8] = {}, b[8] = {};
  for (const AnyForm& f : kAllForms) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(f.fn(nullptr, 4, b, 4, IppiSize{0, 0}), ippStsNullPtrErr);
    EXPECT_EQ(f.fn(a, 4, nullptr, 4, IppiSize{1, 1}), ippStsNullPtrErr);
    EXPECT_EQ(f.fn(a, 4, b, 4, IppiSize{0, 1}), ippStsSizeErr);
    EXPECT_EQ(f.fn(a, 4, b, 4, IppiSize{1, -1}), ippStsSizeErr);
    // Steps are not checked: a zero step repeats the first row.
    EXPECT_EQ(f.fn(a, 0, b, 0, IppiSize{1, 2}), ippStsNoErr);
  }
}

TEST(ImageColorSpaces, LuvLeavesTheCallersFloatingPointEnvironment) {
  // Under another rounding mode the bytes are the same, and that mode (and the cleared
  // exception flags) are what the caller finds afterwards.
  std::mt19937 rng(43);
  for (int pixel : {3, 4}) {
    const Convert fn = pixel == 3 ? builtin::ippiRGBToLUV_8u_C3R : builtin::ippiRGBToLUV_8u_AC4R;
    GuardedImage src(47, 11, pixel), nearest(47, 11, pixel), other(47, 11, pixel);
    FillTestPixels(src, rng);
    ASSERT_EQ(fn(src.data(), src.step(), nearest.data(), nearest.step(), src.size()), ippStsNoErr);
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
      SCOPED_TRACE(mode);
      ASSERT_EQ(std::fesetround(mode), 0);
      other.SetRegion(nearest.Region());  // the same fourth bytes
      std::feclearexcept(FE_ALL_EXCEPT);
      const IppStatus status = fn(src.data(), src.step(), other.data(), other.step(), src.size());
      const int modeAfter = std::fegetround();
      const int flagsAfter = std::fetestexcept(FE_ALL_EXCEPT);
      std::fesetround(FE_TONEAREST);
      ASSERT_EQ(status, ippStsNoErr);
      EXPECT_EQ(modeAfter, mode);
      EXPECT_EQ(flagsAfter, 0);
      EXPECT_EQ(other.Region(), nearest.Region());
    }
  }
}

// ---- Against OpenCV ------------------------------------------------------------------------

// The largest difference per channel between our conversion and OpenCV's on random pixels.
// OpenCV rounds and scales hue slightly differently (and uses its own fixed point), so the
// results agree within a few steps; a swapped channel or a wrong weight would not.
std::array<int, 3> MaxDifference(Convert fn, int code, bool hueWraps) {
  std::mt19937 rng(44);
  cv::Mat src(64, 64, CV_8UC3), ours(64, 64, CV_8UC3), theirs;
  cv::randu(src, 0, 256);
  EXPECT_EQ(fn(src.data, static_cast<int>(src.step), ours.data, static_cast<int>(ours.step),
               IppiSize{64, 64}),
            ippStsNoErr);
  cv::cvtColor(src, theirs, code);
  std::array<int, 3> worst{};
  for (int i = 0; i < 64 * 64 * 3; ++i) {
    int d = std::abs(int{ours.data[i]} - int{theirs.data[i]});
    if (hueWraps && i % 3 == 0) d = std::min(d, 256 - d);
    worst[i % 3] = std::max(worst[i % 3], d);
  }
  return worst;
}

TEST(ImageColorSpaces, CloseToOpenCV) {
  using namespace builtin;
  const auto within = [](std::array<int, 3> d, std::array<int, 3> limit) {
    for (int k = 0; k < 3; ++k)
      if (d[k] > limit[k]) return false;
    return true;
  };
  const auto show = [](std::array<int, 3> d) {
    return std::to_string(d[0]) + " " + std::to_string(d[1]) + " " + std::to_string(d[2]);
  };
  std::array<int, 3> d = MaxDifference(ippiRGBToHSV_8u_C3R, cv::COLOR_RGB2HSV_FULL, true);
  EXPECT_TRUE(within(d, {2, 1, 0})) << "HSV " << show(d);
  d = MaxDifference(ippiRGBToHLS_8u_C3R, cv::COLOR_RGB2HLS_FULL, true);
  EXPECT_TRUE(within(d, {2, 1, 1})) << "HLS " << show(d);
  d = MaxDifference(ippiRGBToXYZ_8u_C3R, cv::COLOR_RGB2XYZ, false);
  EXPECT_TRUE(within(d, {1, 1, 1})) << "XYZ " << show(d);
  d = MaxDifference(ippiRGBToLUV_8u_C3R, cv::COLOR_LRGB2Luv, false);
  EXPECT_TRUE(within(d, {2, 2, 2})) << "LUV " << show(d);
  d = MaxDifference(ippiBGRToLab_8u_C3R, cv::COLOR_LBGR2Lab, false);
  EXPECT_TRUE(within(d, {2, 2, 2})) << "Lab " << show(d);
}

}  // namespace
