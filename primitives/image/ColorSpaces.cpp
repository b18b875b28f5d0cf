// Conversions from RGB to other colour spaces (see ColorSpaces.h).
//
// Each conversion is one pixel routine; a row routine per conversion walks n pixels of a given
// size (3 or 4 bytes, the same step for source and destination), so the C3 and AC4 forms share
// it. The three-byte forms run vector blocks first (ColorSpacesHwy.cpp), which give the
// bytes of the pixel routines. Saturation is done with comparisons rather than clamp tables:
// the bytes are the same.
#include "primitives/image/ColorSpaces.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "primitives/image/ColorSpacesKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {

using rows::CheckImages;
using rows::ForEachRow;

const Ipp8u kLuvLightnessTable[256] = {
    0, 9, 18, 26, 33, 39, 44, 48, 52, 56, 60, 63, 66, 69, 72, 74,
    77, 79, 81, 84, 86, 88, 90, 92, 94, 96, 97, 99, 101, 103, 104, 106,
    107, 109, 110, 112, 113, 115, 116, 117, 119, 120, 121, 123, 124, 125, 126, 128,
    129, 130, 131, 132, 133, 134, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145,
    146, 147, 148, 149, 150, 151, 151, 152, 153, 154, 155, 156, 157, 158, 159, 159,
    160, 161, 162, 163, 163, 164, 165, 166, 167, 167, 168, 169, 170, 171, 171, 172,
    173, 174, 174, 175, 176, 176, 177, 178, 179, 179, 180, 181, 181, 182, 183, 183,
    184, 185, 185, 186, 187, 187, 188, 189, 189, 190, 191, 191, 192, 192, 193, 194,
    194, 195, 196, 196, 197, 197, 198, 198, 199, 200, 200, 201, 201, 202, 203, 203,
    204, 204, 205, 205, 206, 206, 207, 208, 208, 209, 209, 210, 210, 211, 211, 212,
    212, 213, 213, 214, 215, 215, 216, 216, 217, 217, 218, 218, 219, 219, 220, 220,
    221, 221, 222, 222, 223, 223, 224, 224, 225, 225, 225, 226, 226, 227, 227, 228,
    228, 229, 229, 230, 230, 231, 231, 232, 232, 232, 233, 233, 234, 234, 235, 235,
    236, 236, 236, 237, 237, 238, 238, 239, 239, 240, 240, 240, 241, 241, 242, 242,
    242, 243, 243, 244, 244, 245, 245, 245, 246, 246, 247, 247, 247, 248, 248, 249,
    249, 249, 250, 250, 251, 251, 251, 252, 252, 253, 253, 253, 254, 254, 255, 255
};

namespace {

using Ext = long double;

inline uint8_t Clamp255(int32_t x) { return static_cast<uint8_t>(std::clamp(x, 0, 255)); }

// The rounding of the floating-point conversions: trunc(x + k), k the float just below 1/2.
constexpr float kRound = 0.49999899f;
inline uint8_t TruncLow8(Ext x) { return static_cast<uint8_t>(fbTruncToInt32(x)); }

// ---- Integer conversions ------------------------------------------------------------------

// Y = Ys >> 16 with the 16.16 luma weights; U and V scale B - Y and R - Y, each rounded to
// the nearest integer (an exact half down). U stays within 0..255; V is saturated.
inline void YuvPixel(const uint8_t* s, uint8_t* d) {
  const int32_t r = s[0], g = s[1], b = s[2];
  const int32_t ys = 19595 * r + 38470 * g + 7471 * b;
  const int32_t du = (b * 65536 - ys + 32767) >> 16;
  const int32_t dv = (r * 65536 - ys + 32767) >> 16;
  d[0] = static_cast<uint8_t>(ys >> 16);
  d[1] = static_cast<uint8_t>(((du * 32244) >> 16) + 128);
  d[2] = Clamp255(((dv * 57475) >> 16) + 128);
}

// Studio range; the sums stay within 16..240 and are written unclamped.
inline void YCbCrPixel(const uint8_t* s, uint8_t* d) {
  const int32_t r = s[0], g = s[1], b = s[2];
  d[0] = static_cast<uint8_t>((16843 * r + 33030 * g + 6423 * b + 1081344) >> 16);
  d[1] = static_cast<uint8_t>((-9699 * r - 19071 * g + 28770 * b + 8421376) >> 16);
  d[2] = static_cast<uint8_t>((28770 * r - 24117 * g - 4653 * b + 8421376) >> 16);
}

// Luma in 14-bit fixed point, differences with four fraction bits, scaled by 0.7131, 0.4368
// and 0.5317 and offset into 0..255.
inline void YccPixel(const uint8_t* s, uint8_t* d) {
  const int32_t r = s[0], g = s[1], b = s[2];
  const int32_t ys = 4898 * r + 9617 * g + 1867 * b;
  const int32_t dy = ys >> 10;
  const int32_t db = (b * 16384 - ys) >> 10;
  const int32_t dr = (r * 16384 - ys) >> 10;
  d[0] = static_cast<uint8_t>((2921 * dy) >> 16);
  d[1] = static_cast<uint8_t>(((1789 * db) >> 16) + 156);
  d[2] = static_cast<uint8_t>(((2178 * dr) >> 16) + 137);
}

// X and Y never exceed 255; Z reaches 277 for white and is saturated.
inline void XyzPixel(const uint8_t* s, uint8_t* d) {
  const int32_t r = s[0], g = s[1], b = s[2];
  d[0] = static_cast<uint8_t>((27030 * r + 23434 * g + 11824 * b) >> 16);
  d[1] = static_cast<uint8_t>((13937 * r + 46868 * g + 4729 * b) >> 16);
  d[2] = Clamp255((1267 * r + 7811 * g + 62274 * b) >> 16);
}

// ---- Floating-point conversions -----------------------------------------------------------
//
// Each formula is written once, for a floating type T and a decision policy. The reference is
// T = long double with plain decisions. The pixel routines first run T = double with checked
// decisions: every truncation, and every branch whose two sides do not meet, notes when its
// value lies within kMargin of the boundary. The double and the extended results differ by
// far less than kMargin (about 1e-12 for values below 1000), so a decision outside the margin
// is the same in both; a pixel with a decision inside it is computed again in extended
// precision. The bytes are therefore always the extended computation's, as a test confirms
// over every RGB value.

constexpr double kMargin = colorspaces::kDecisionMargin;

// The extended-precision decisions.
struct ExactDecisions {
  static bool Above(Ext x, float limit) { return x > limit; }
  static uint8_t Trunc(Ext x) { return TruncLow8(x); }
  static uint8_t Round(Ext x) { return TruncLow8(x + kRound); }
};

// The double decisions, noting those too close to call.
struct CheckedDecisions {
  bool doubtful = false;
  bool Above(double x, float limit) {
    doubtful |= std::fabs(x - limit) <= kMargin;
    return x > limit;
  }
  uint8_t Trunc(double x) {
    const double fraction = x - std::floor(x);
    doubtful |= fraction <= kMargin || fraction >= 1 - kMargin;
    return TruncLow8(x);
  }
  uint8_t Round(double x) { return Trunc(x + kRound); }
};

template <typename T, typename Decide>
void Hls(const uint8_t* s, uint8_t* out, Decide& decide) {
  const T r = s[0] / T{255}, g = s[1] / T{255}, b = s[2] / T{255};
  const T mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const T delta = mx - mn;
  const T l = (mx + mn) / 2;
  T h = 0, sat = 0;
  if (delta != 0) {
    // The two saturation formulas meet where l = 0.5, so the branch needs no check.
    sat = l <= T{0.5} ? delta / (mx + mn) : delta / (2 - mx - mn);
    if (r == mx) {
      h = 60 * (g - b) / delta;
    } else if (g == mx) {
      h = 120 + 60 * (b - r) / delta;
    } else {
      h = 240 + 60 * (r - g) / delta;
    }
    if (h < 0) h += 360;  // only g < b makes it negative: exact in any precision
  }
  out[0] = decide.Round(255 * h / 360);
  out[1] = decide.Round(255 * l);
  out[2] = decide.Round(255 * sat);
}

template <typename T, typename Decide>
void Hsv(const uint8_t* s, uint8_t* out, Decide& decide) {
  const int32_t r = s[0], g = s[1], b = s[2];
  const int32_t v = std::max({r, g, b}), mn = std::min({r, g, b});
  out[0] = out[1] = 0;
  out[2] = static_cast<uint8_t>(v);
  if (v == 0 || v == mn) return;
  const T delta = v - mn;
  out[1] = decide.Round(255 * delta / v);
  const T cr = (v - r) / delta, cg = (v - g) / delta, cb = (v - b) / delta;
  // Each later test replaces the earlier result; where two channels share the maximum the
  // formulas agree.
  T sixths = 0;
  if (r == v) sixths = (g - b) / delta;
  if (g == v) sixths = 2 + cr - cb;
  if (b == v) sixths = 4 + cg - cr;
  T h = 255 * sixths / 6;
  if (h < 0) h += 255;  // only g < b makes it negative: exact in any precision
  out[0] = decide.Round(h);
}

// The colour-matching sums of R, G and B (each weight the float nearest its decimal), in the
// order the conversions add them.
template <typename T>
T SumX(T r, T g, T b) { return 0.412453f * r + 0.357580f * g + 0.180423f * b; }
template <typename T>
T SumY(T r, T g, T b) { return 0.212671f * r + 0.715160f * g + 0.072169f * b; }
template <typename T>
T SumZ(T r, T g, T b) { return 0.019334f * r + 0.119193f * g + 0.950227f * b; }

template <typename T, typename Decide>
void Luv(const uint8_t* s, uint8_t* out, Decide& decide) {
  const T r = s[0], g = s[1], b = s[2];
  const T ys = SumY(r, g, b);
  const T x = SumX(r, g, b) / 255, y = ys / 255, z = SumZ(r, g, b) / 255;
  // ys < 255 * 0.99999995 (the Y weights sum just below 1), so i lies in 0..255 and its low
  // eight bits are i itself.
  const uint8_t i = decide.Round(ys);
  const T l8 = kLuvLightnessTable[i];
  T u = 0, v = 0;
  if (i != 0) {
    const T q = x + 15 * y + 3 * z;
    u = 4 * x / q;
    v = 9 * y / q;
  }
  out[0] = static_cast<uint8_t>(kLuvLightnessTable[i]);
  out[1] = decide.Trunc(3.6723163f * l8 * (u - 0.197839f) + 97.025429f);
  out[2] = decide.Trunc(4.961832f * l8 * (v - 0.468342f) + 136.75955f);
}

constexpr float kLinearLimit = 0.008856f;
constexpr double kOneThird = 1.0f / 3.0f;  // the exponent rounded to a float

// t^(1/3): the reference through the support layer's power routine, the double pass through
// the C library's (both within an ulp or so of the exact power).
inline Ext CubeRoot(Ext t) { return LibCPow(static_cast<double>(t), kOneThird); }
inline double CubeRoot(double t) { return std::pow(t, kOneThird); }

template <typename T, typename Decide>
T LabF(T t, Decide& decide) {
  // The two sides differ by about 1e-7 at the limit, so the branch is checked.
  return decide.Above(t, kLinearLimit) ? CubeRoot(t) : 7.787f * t + 0.137931034f;
}

template <typename T, typename Decide>
void Lab(const uint8_t* s, uint8_t* out, Decide& decide) {
  const T b = s[0], g = s[1], r = s[2];
  const T x = SumX(r, g, b) / 242.366f;
  const T y = SumY(r, g, b) / 255;
  const T z = SumZ(r, g, b) / 277.632f;
  const T fy = LabF(y, decide);
  const T lightness = decide.Above(y, kLinearLimit) ? 116 * fy - 16 : 903.3f * y;
  const T a = 500 * (LabF(x, decide) - fy);
  const T bb = 200 * (fy - LabF(z, decide));
  out[0] = decide.Trunc(lightness * 255 / 100 + T{0.5});
  out[1] = decide.Trunc(a + T{128.5});
  out[2] = decide.Trunc(bb + T{128.5});
}

template <typename T, typename Decide>
using FormulaFn = void (*)(const uint8_t*, uint8_t*, Decide&);

template <FormulaFn<double, CheckedDecisions> Fast, FormulaFn<Ext, ExactDecisions> Exact>
inline void GuardedPixel(const uint8_t* s, uint8_t* d) {
  uint8_t out[3];
  CheckedDecisions checked;
  Fast(s, out, checked);
  if (checked.doubtful) {
    ExactDecisions exact;
    Exact(s, out, exact);
  }
  d[0] = out[0];
  d[1] = out[1];
  d[2] = out[2];
}

inline void HlsPixel(const uint8_t* s, uint8_t* d) {
  GuardedPixel<Hls<double, CheckedDecisions>, Hls<Ext, ExactDecisions>>(s, d);
}
inline void HsvPixel(const uint8_t* s, uint8_t* d) {
  GuardedPixel<Hsv<double, CheckedDecisions>, Hsv<Ext, ExactDecisions>>(s, d);
}
inline void LuvPixel(const uint8_t* s, uint8_t* d) {
  GuardedPixel<Luv<double, CheckedDecisions>, Luv<Ext, ExactDecisions>>(s, d);
}
inline void LabPixel(const uint8_t* s, uint8_t* d) {
  GuardedPixel<Lab<double, CheckedDecisions>, Lab<Ext, ExactDecisions>>(s, d);
}

// ---- Rows ---------------------------------------------------------------------------------

using PixelFn = void (*)(const uint8_t*, uint8_t*);
using Integer = colorspaces::IntegerConversion;
using Floating = colorspaces::FloatConversion;

// n pixels of `pixel` bytes (3 or 4) in source and destination; only the first three bytes
// of each are read or written.
template <PixelFn Fn>
inline void ConvertRow(const uint8_t* s, uint8_t* d, int32_t n, int pixel) {
  for (ptrdiff_t i = 0; i < n; ++i) Fn(s + pixel * i, d + pixel * i);
}

template <PixelFn Fn, int Pixel>
IppStatus Convert(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  ForEachRow(pSrc, srcStep, Pixel, pDst, dstStep, Pixel, size,
             [](const uint8_t* s, uint8_t* d, int32_t n) { ConvertRow<Fn>(s, d, n, Pixel); });
  return ippStsNoErr;
}

// The three-byte forms walk each row in vector blocks and finish it, and any block a floating
// conversion finds doubtful, with the pixel routine; the alpha-four forms, whose fourth byte a
// vector store would rewrite, go pixel by pixel.
template <PixelFn Fn, int Pixel, auto Conversion>
IppStatus ConvertInBlocks(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize size) {
  if constexpr (Pixel == 4) {
    return Convert<Fn, 4>(pSrc, srcStep, pDst, dstStep, size);
  } else {
    if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
    const colorspaces::BlocksFn blocks = colorspaces::VectorBlocks(Conversion);
    ForEachRow(pSrc, srcStep, 3, pDst, dstStep, 3, size,
               [blocks](const uint8_t* s, uint8_t* d, int32_t n) {
                 rows::WalkRowInBlocks(
                     n,
                     [&](ptrdiff_t i) {
                       return static_cast<ptrdiff_t>(
                           blocks(s + 3 * i, d + 3 * i, static_cast<size_t>(n - i)));
                     },
                     [&](ptrdiff_t i, ptrdiff_t end) {
                       ConvertRow<Fn>(s + 3 * i, d + 3 * i, static_cast<int32_t>(end - i), 3);
                     });
               });
    return ippStsNoErr;
  }
}

// Works under round-to-nearest with every exception masked, whatever the caller has set, and
// gives the caller's environment (modes and flags) back afterwards.
template <int Pixel>
IppStatus ConvertLuv(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize size) {
  if (IppStatus s = CheckImages(pSrc, pDst, size); s != ippStsNoErr) return s;
  std::fenv_t caller;
  std::fegetenv(&caller);
  std::fesetenv(FE_DFL_ENV);
  const IppStatus status =
      ConvertInBlocks<LuvPixel, Pixel, Floating::Luv>(pSrc, srcStep, pDst, dstStep, size);
  std::fesetenv(&caller);
  return status;
}

}  // namespace

namespace colorspaces {

const double* LuvLightnessAsDouble() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = kLuvLightnessTable[i];
    return t;
  }();
  return table.data();
}

void ExactRow(FloatConversion conversion, const uint8_t* src, uint8_t* dst, ptrdiff_t n,
              int pixel) {
  ExactDecisions exact;
  for (ptrdiff_t i = 0; i < n; ++i) {
    const uint8_t* s = src + pixel * i;
    uint8_t* d = dst + pixel * i;
    switch (conversion) {
      case FloatConversion::Hls: Hls<Ext>(s, d, exact); break;
      case FloatConversion::Hsv: Hsv<Ext>(s, d, exact); break;
      case FloatConversion::Luv: Luv<Ext>(s, d, exact); break;
      case FloatConversion::Lab: Lab<Ext>(s, d, exact); break;
    }
  }
}

}  // namespace colorspaces

// Every entry point, with the engine it runs: the conversion's pixel routine and the pixel size.
#define PF_COLOR_SPACES_FORMS(X)                                              \
  X(ippiRGBToHLS_8u_C3R, (ConvertInBlocks<HlsPixel, 3, Floating::Hls>))       \
  X(ippiRGBToHLS_8u_AC4R, (ConvertInBlocks<HlsPixel, 4, Floating::Hls>))      \
  X(ippiRGBToHSV_8u_C3R, (ConvertInBlocks<HsvPixel, 3, Floating::Hsv>))       \
  X(ippiRGBToHSV_8u_AC4R, (ConvertInBlocks<HsvPixel, 4, Floating::Hsv>))      \
  X(ippiRGBToLUV_8u_C3R, (ConvertLuv<3>))                                     \
  X(ippiRGBToLUV_8u_AC4R, (ConvertLuv<4>))                                    \
  X(ippiRGBToYCC_8u_C3R, (ConvertInBlocks<YccPixel, 3, Integer::Ycc>))        \
  X(ippiRGBToYCC_8u_AC4R, (ConvertInBlocks<YccPixel, 4, Integer::Ycc>))       \
  X(ippiRGBToYCbCr_8u_C3R, (ConvertInBlocks<YCbCrPixel, 3, Integer::YCbCr>))  \
  X(ippiRGBToYCbCr_8u_AC4R, (ConvertInBlocks<YCbCrPixel, 4, Integer::YCbCr>)) \
  X(ippiRGBToYUV_8u_C3R, (ConvertInBlocks<YuvPixel, 3, Integer::Yuv>))        \
  X(ippiRGBToYUV_8u_AC4R, (ConvertInBlocks<YuvPixel, 4, Integer::Yuv>))       \
  X(ippiRGBToXYZ_8u_C3R, (ConvertInBlocks<XyzPixel, 3, Integer::Xyz>))        \
  X(ippiRGBToXYZ_8u_AC4R, (ConvertInBlocks<XyzPixel, 4, Integer::Xyz>))       \
  X(ippiBGRToLab_8u_C3R, (ConvertInBlocks<LabPixel, 3, Floating::Lab>))

#define PF_COLOR_SPACES_DEFINE(name, engine)                                                   \
  IppStatus name(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep, IppiSize roiSize) { \
    return engine(pSrc, srcStep, pDst, dstStep, roiSize);                                      \
  }

PF_COLOR_SPACES_FORMS(PF_COLOR_SPACES_DEFINE)

#undef PF_COLOR_SPACES_DEFINE
#undef PF_COLOR_SPACES_FORMS

}  // namespace builtin
