// Vector blocks of the RGB conversions on three-byte pixels, compiled for every instruction set
// that Highway targets and chosen at run time.
//
// The integer conversions (YUV, YCbCr, YCC, XYZ) run the fixed-point formulas of the pixel
// routines in ColorSpaces.cpp on 32-bit lanes, where every product and sum fits; they give
// the same bytes. The floating conversions (HLS, HSV, LUV, Lab) run the double pass of those
// routines, one pixel per lane, with the same checks: a block in which a decision lies within
// the margin of its boundary is left to the plain routines, which compute such pixels in
// extended precision. Their double values may differ from the plain pass's in the last bits
// (reciprocals, the power through logarithm and exponential), far less than the margin.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/ColorSpacesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include "primitives/image/ColorSpacesKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::colorspaces {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D32 = hn::ScalableTag<int32_t>;
using V32 = hn::Vec<D32>;
using M32 = hn::Mask<D32>;

template <int Shift>
HWY_INLINE V32 Shr(V32 x) {
  return hn::ShiftRight<Shift>(x);  // arithmetic: rounds toward minus infinity
}

HWY_INLINE V32 K(int32_t c) { return hn::Set(D32(), c); }

HWY_INLINE V32 Clamp255(V32 x) { return hn::Min(hn::Max(x, K(0)), K(255)); }

struct Yuv {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2, M32&) {
    const V32 ys = r * K(19595) + g * K(38470) + b * K(7471);
    const V32 du = Shr<16>(hn::ShiftLeft<16>(b) - ys + K(32767));
    const V32 dv = Shr<16>(hn::ShiftLeft<16>(r) - ys + K(32767));
    c0 = Shr<16>(ys);
    c1 = Shr<16>(du * K(32244)) + K(128);
    c2 = Clamp255(Shr<16>(dv * K(57475)) + K(128));
  }
};

struct YCbCr {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2, M32&) {
    c0 = Shr<16>(r * K(16843) + g * K(33030) + b * K(6423) + K(1081344));
    c1 = Shr<16>(b * K(28770) - r * K(9699) - g * K(19071) + K(8421376));
    c2 = Shr<16>(r * K(28770) - g * K(24117) - b * K(4653) + K(8421376));
  }
};

struct Ycc {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2, M32&) {
    const V32 ys = r * K(4898) + g * K(9617) + b * K(1867);
    c0 = Shr<16>(Shr<10>(ys) * K(2921));
    c1 = Shr<16>(Shr<10>(hn::ShiftLeft<14>(b) - ys) * K(1789)) + K(156);
    c2 = Shr<16>(Shr<10>(hn::ShiftLeft<14>(r) - ys) * K(2178)) + K(137);
  }
};

struct Xyz {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2, M32&) {
    c0 = Shr<16>(r * K(27030) + g * K(23434) + b * K(11824));
    c1 = Shr<16>(r * K(13937) + g * K(46868) + b * K(4729));
    c2 = Clamp255(Shr<16>(r * K(1267) + g * K(7811) + b * K(62274)));
  }
};

// ---- Floating conversions ------------------------------------------------------------------

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;
using MF = hn::Mask<DF>;

HWY_INLINE VF F(double c) { return hn::Set(DF(), c); }

constexpr float kRound = 0.49999899f;

// The checked decisions: trunc(x), noting in `certain` whether x lies at least the margin from
// an integer; t > limit, noting whether t lies at least the margin from the limit.
HWY_INLINE VF CheckedTrunc(VF x, MF& certain) {
  const VF fraction = hn::Sub(x, hn::Floor(x));
  certain = hn::And(certain, hn::And(hn::Gt(fraction, F(kDecisionMargin)),
                                     hn::Lt(fraction, F(1 - kDecisionMargin))));
  return hn::Trunc(x);
}
HWY_INLINE MF CheckedAbove(VF t, float limit, MF& certain) {
  certain = hn::And(certain, hn::Gt(hn::Abs(hn::Sub(t, F(limit))), F(kDecisionMargin)));
  return hn::Gt(t, F(limit));
}

struct Hls {
  static HWY_INLINE void Pixel(VF rb, VF gb, VF bb, VF& c0, VF& c1, VF& c2, MF& certain) {
    const VF r = hn::Div(rb, F(255)), g = hn::Div(gb, F(255)), b = hn::Div(bb, F(255));
    const VF mx = hn::Max(r, hn::Max(g, b)), mn = hn::Min(r, hn::Min(g, b));
    const VF delta = hn::Sub(mx, mn), sum = hn::Add(mx, mn);
    const VF l = hn::Mul(sum, F(0.5));
    const MF grey = hn::Eq(delta, F(0));
    const VF sat = hn::Div(delta, hn::IfThenElse(hn::Le(l, F(0.5)), sum, hn::Sub(F(2), sum)));
    const VF scale = hn::Div(F(60), delta);
    VF h = hn::Add(hn::Mul(hn::Sub(r, g), scale), F(240));
    h = hn::IfThenElse(hn::Eq(g, mx), hn::Add(hn::Mul(hn::Sub(b, r), scale), F(120)), h);
    h = hn::IfThenElse(hn::Eq(r, mx), hn::Mul(hn::Sub(g, b), scale), h);
    h = hn::IfThenElse(hn::Lt(h, F(0)), hn::Add(h, F(360)), h);
    c0 = CheckedTrunc(hn::Add(hn::IfThenZeroElse(grey, hn::Mul(h, F(255.0 / 360))), F(kRound)),
                      certain);
    c1 = CheckedTrunc(hn::Add(hn::Mul(l, F(255)), F(kRound)), certain);
    c2 = CheckedTrunc(hn::Add(hn::IfThenZeroElse(grey, hn::Mul(sat, F(255))), F(kRound)), certain);
  }
};

struct Hsv {
  static HWY_INLINE void Pixel(VF r, VF g, VF b, VF& c0, VF& c1, VF& c2, MF& certain) {
    const VF v = hn::Max(r, hn::Max(g, b)), mn = hn::Min(r, hn::Min(g, b));
    const MF flat = hn::Eq(v, mn);  // also black
    const VF delta = hn::Sub(v, mn);
    const VF inv = hn::Div(F(1), delta);
    const VF cr = hn::Mul(hn::Sub(v, r), inv), cg = hn::Mul(hn::Sub(v, g), inv),
             cb = hn::Mul(hn::Sub(v, b), inv);
    VF sixths = hn::Mul(hn::Sub(g, b), inv);
    sixths = hn::IfThenElse(hn::Eq(g, v), hn::Sub(hn::Add(F(2), cr), cb), sixths);
    sixths = hn::IfThenElse(hn::Eq(b, v), hn::Sub(hn::Add(F(4), cg), cr), sixths);
    VF h = hn::Mul(sixths, F(255.0 / 6));
    h = hn::IfThenElse(hn::Lt(h, F(0)), hn::Add(h, F(255)), h);
    c0 = CheckedTrunc(hn::Add(hn::IfThenZeroElse(flat, h), F(kRound)), certain);
    c1 = CheckedTrunc(
        hn::Add(hn::IfThenZeroElse(flat, hn::Div(hn::Mul(delta, F(255)), v)), F(kRound)), certain);
    c2 = v;
  }
};

// The colour-matching sums with the single-precision weights.
HWY_INLINE VF Sum(VF r, VF g, VF b, float wr, float wg, float wb) {
  return hn::Add(hn::Add(hn::Mul(r, F(wr)), hn::Mul(g, F(wg))), hn::Mul(b, F(wb)));
}
HWY_INLINE VF SumX(VF r, VF g, VF b) { return Sum(r, g, b, 0.412453f, 0.357580f, 0.180423f); }
HWY_INLINE VF SumY(VF r, VF g, VF b) { return Sum(r, g, b, 0.212671f, 0.715160f, 0.072169f); }
HWY_INLINE VF SumZ(VF r, VF g, VF b) { return Sum(r, g, b, 0.019334f, 0.119193f, 0.950227f); }

struct Luv {
  static HWY_INLINE void Pixel(VF r, VF g, VF b, VF& c0, VF& c1, VF& c2, MF& certain) {
    const DF df;
    const hn::Rebind<int64_t, DF> di64;
    const VF ys = SumY(r, g, b);
    const VF x = hn::Div(SumX(r, g, b), F(255)), y = hn::Div(ys, F(255)),
             z = hn::Div(SumZ(r, g, b), F(255));
    const VF i = CheckedTrunc(hn::Add(ys, F(kRound)), certain);  // 0..255
    const VF l8 = hn::GatherIndex(df, LuvLightnessAsDouble(), hn::ConvertTo(di64, i));
    const VF q = hn::Add(hn::Add(x, hn::Mul(y, F(15))), hn::Mul(z, F(3)));
    const MF black = hn::Eq(i, F(0));
    const VF inv = hn::Div(F(1), q);
    const VF u = hn::IfThenZeroElse(black, hn::Mul(hn::Mul(x, F(4)), inv));
    const VF v = hn::IfThenZeroElse(black, hn::Mul(hn::Mul(y, F(9)), inv));
    c0 = l8;
    c1 = CheckedTrunc(
        hn::Add(hn::Mul(hn::Mul(l8, F(3.6723163f)), hn::Sub(u, F(0.197839f))), F(97.025429f)),
        certain);
    c2 = CheckedTrunc(
        hn::Add(hn::Mul(hn::Mul(l8, F(4.961832f)), hn::Sub(v, F(0.468342f))), F(136.75955f)),
        certain);
  }
};

struct Lab {
  static HWY_INLINE VF LabF(VF t, MF& certain) {
    const DF df;
    // t^(1/3 rounded to a float) as exp(e * log t); t = 0 takes the linear side.
    const VF root = hn::Exp(df, hn::Mul(hn::Log(df, hn::Max(t, F(1e-300))), F(1.0f / 3.0f)));
    const VF linear = hn::Add(hn::Mul(t, F(7.787f)), F(0.137931034f));
    return hn::IfThenElse(CheckedAbove(t, 0.008856f, certain), root, linear);
  }
  static HWY_INLINE void Pixel(VF bb, VF g, VF r, VF& c0, VF& c1, VF& c2, MF& certain) {
    const VF x = hn::Div(SumX(r, g, bb), F(242.366f));
    const VF y = hn::Div(SumY(r, g, bb), F(255));
    const VF z = hn::Div(SumZ(r, g, bb), F(277.632f));
    const VF fy = LabF(y, certain);
    const VF lightness = hn::IfThenElse(hn::Gt(y, F(0.008856f)),
                                        hn::Sub(hn::Mul(fy, F(116)), F(16)), hn::Mul(y, F(903.3f)));
    const VF a = hn::Mul(hn::Sub(LabF(x, certain), fy), F(500));
    const VF b = hn::Mul(hn::Sub(fy, LabF(z, certain)), F(200));
    c0 = CheckedTrunc(hn::Add(hn::Mul(lightness, F(2.55)), F(0.5)), certain);
    c1 = CheckedTrunc(hn::Add(a, F(128.5)), certain);
    c2 = CheckedTrunc(hn::Add(b, F(128.5)), certain);
  }
};

// ---- Blocks --------------------------------------------------------------------------------

// Bytes widened to the lanes of a conversion: 32-bit integers, or doubles through them.
HWY_INLINE V32 Widen(D32, V32 v) { return v; }
HWY_INLINE VF Widen(DF df, hn::Vec<hn::Rebind<int32_t, DF>> v) { return hn::PromoteTo(df, v); }
HWY_INLINE V32 ToInt32(D32, V32 v) { return v; }
HWY_INLINE hn::Vec<hn::Rebind<int32_t, DF>> ToInt32(hn::Rebind<int32_t, DF> di, VF v) {
  return hn::DemoteTo(di, v);  // integral values of a few hundred at most
}

// One pixel per lane of D: the bytes are loaded de-interleaved, widened, converted, reduced to
// the low eight bits of their integer results and stored interleaved again. The blocks stop
// before a block in which a floating conversion has an uncertain decision.
template <class D, class Conversion>
HWY_INLINE size_t Blocks(const uint8_t* src, uint8_t* dst, size_t pixels) {
  const D d;
  const hn::Rebind<int32_t, D> di;
  const hn::Rebind<uint8_t, D> d8;
  const size_t n = hn::Lanes(d);
  const auto low8 = hn::Set(di, 255);
  const auto bytes = [&](hn::Vec<decltype(d8)> v) { return Widen(d, hn::PromoteTo(di, v)); };
  const auto store = [&](hn::Vec<D> v) { return hn::DemoteTo(d8, hn::And(ToInt32(di, v), low8)); };
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d8)> b0, b1, b2;
    hn::LoadInterleaved3(d8, src + 3 * i, b0, b1, b2);
    hn::Vec<D> c0, c1, c2;
    hn::Mask<D> certain = hn::FirstN(d, n);
    Conversion::Pixel(bytes(b0), bytes(b1), bytes(b2), c0, c1, c2, certain);
    if (!hn::AllTrue(d, certain)) break;
    hn::StoreInterleaved3(store(c0), store(c1), store(c2), d8, dst + 3 * i);
  }
  return i;
}

// The kernels, named after their conversion: NameBlocks runs Blocks<lanes, Name>.
#define PF_COLOR_SPACES_BLOCKS(X) \
  X(Yuv, D32) X(YCbCr, D32) X(Ycc, D32) X(Xyz, D32) X(Hls, DF) X(Hsv, DF) X(Luv, DF) X(Lab, DF)

#define PF_COLOR_SPACES_DEFINE_BLOCKS(name, lanes)                       \
  size_t name##Blocks(const uint8_t* src, uint8_t* dst, size_t pixels) { \
    return Blocks<lanes, name>(src, dst, pixels);                        \
  }
PF_COLOR_SPACES_BLOCKS(PF_COLOR_SPACES_DEFINE_BLOCKS)
#undef PF_COLOR_SPACES_DEFINE_BLOCKS

}  // namespace HWY_NAMESPACE
}  // namespace builtin::colorspaces
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::colorspaces {

#define PF_COLOR_SPACES_EXPORT_BLOCKS(name, lanes) HWY_EXPORT(name##Blocks);
PF_COLOR_SPACES_BLOCKS(PF_COLOR_SPACES_EXPORT_BLOCKS)
#undef PF_COLOR_SPACES_EXPORT_BLOCKS

BlocksFn VectorBlocks(IntegerConversion conversion) {
  switch (conversion) {
    case IntegerConversion::Yuv:
      return PF_HWY_DISPATCHED(YuvBlocks);
    case IntegerConversion::YCbCr:
      return PF_HWY_DISPATCHED(YCbCrBlocks);
    case IntegerConversion::Ycc:
      return PF_HWY_DISPATCHED(YccBlocks);
    case IntegerConversion::Xyz:
      return PF_HWY_DISPATCHED(XyzBlocks);
  }
  return nullptr;
}

BlocksFn VectorBlocks(FloatConversion conversion) {
  switch (conversion) {
    case FloatConversion::Hls:
      return PF_HWY_DISPATCHED(HlsBlocks);
    case FloatConversion::Hsv:
      return PF_HWY_DISPATCHED(HsvBlocks);
    case FloatConversion::Luv:
      return PF_HWY_DISPATCHED(LuvBlocks);
    case FloatConversion::Lab:
      return PF_HWY_DISPATCHED(LabBlocks);
  }
  return nullptr;
}

}  // namespace builtin::colorspaces
#endif  // HWY_ONCE
