// Vector blocks of the integer RGB conversions (YUV, YCbCr, YCC, XYZ) on three-byte pixels,
// compiled for every instruction set that Highway targets and chosen at run time. The
// fixed-point formulas are those of the pixel routines in PXColorSpaces.cpp, on 32-bit lanes,
// where every product and sum fits; they give the same bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/PXColorSpacesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/PXColorSpacesRows.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::colorspaces {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D32 = hn::ScalableTag<int32_t>;
using V32 = hn::Vec<D32>;

template <int Shift>
HWY_INLINE V32 Shr(V32 x) {
  return hn::ShiftRight<Shift>(x);  // arithmetic: rounds toward minus infinity
}

HWY_INLINE V32 K(int32_t c) { return hn::Set(D32(), c); }

HWY_INLINE V32 Clamp255(V32 x) { return hn::Min(hn::Max(x, K(0)), K(255)); }

struct Yuv {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2) {
    const V32 ys = r * K(19595) + g * K(38470) + b * K(7471);
    const V32 du = Shr<16>(hn::ShiftLeft<16>(b) - ys + K(32767));
    const V32 dv = Shr<16>(hn::ShiftLeft<16>(r) - ys + K(32767));
    c0 = Shr<16>(ys);
    c1 = Shr<16>(du * K(32244)) + K(128);
    c2 = Clamp255(Shr<16>(dv * K(57475)) + K(128));
  }
};

struct YCbCr {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2) {
    c0 = Shr<16>(r * K(16843) + g * K(33030) + b * K(6423) + K(1081344));
    c1 = Shr<16>(b * K(28770) - r * K(9699) - g * K(19071) + K(8421376));
    c2 = Shr<16>(r * K(28770) - g * K(24117) - b * K(4653) + K(8421376));
  }
};

struct Ycc {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2) {
    const V32 ys = r * K(4898) + g * K(9617) + b * K(1867);
    c0 = Shr<16>(Shr<10>(ys) * K(2921));
    c1 = Shr<16>(Shr<10>(hn::ShiftLeft<14>(b) - ys) * K(1789)) + K(156);
    c2 = Shr<16>(Shr<10>(hn::ShiftLeft<14>(r) - ys) * K(2178)) + K(137);
  }
};

struct Xyz {
  static HWY_INLINE void Pixel(V32 r, V32 g, V32 b, V32& c0, V32& c1, V32& c2) {
    c0 = Shr<16>(r * K(27030) + g * K(23434) + b * K(11824));
    c1 = Shr<16>(r * K(13937) + g * K(46868) + b * K(4729));
    c2 = Clamp255(Shr<16>(r * K(1267) + g * K(7811) + b * K(62274)));
  }
};

// As many pixels as 32-bit lanes per step: the bytes are loaded de-interleaved, widened,
// converted, reduced to their low eight bits and stored interleaved again.
template <class Conversion>
HWY_INLINE size_t Blocks(const uint8_t* src, uint8_t* dst, size_t pixels) {
  const D32 d32;
  const hn::Rebind<uint8_t, D32> d8;
  const size_t n = hn::Lanes(d32);
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d8)> r8, g8, b8;
    hn::LoadInterleaved3(d8, src + 3 * i, r8, g8, b8);
    V32 c0, c1, c2;
    Conversion::Pixel(hn::PromoteTo(d32, r8), hn::PromoteTo(d32, g8), hn::PromoteTo(d32, b8), c0,
                      c1, c2);
    const V32 low8 = K(255);
    hn::StoreInterleaved3(hn::DemoteTo(d8, hn::And(c0, low8)), hn::DemoteTo(d8, hn::And(c1, low8)),
                          hn::DemoteTo(d8, hn::And(c2, low8)), d8, dst + 3 * i);
  }
  return i;
}

size_t YuvBlocks(const uint8_t* src, uint8_t* dst, size_t pixels) {
  return Blocks<Yuv>(src, dst, pixels);
}
size_t YCbCrBlocks(const uint8_t* src, uint8_t* dst, size_t pixels) {
  return Blocks<YCbCr>(src, dst, pixels);
}
size_t YccBlocks(const uint8_t* src, uint8_t* dst, size_t pixels) {
  return Blocks<Ycc>(src, dst, pixels);
}
size_t XyzBlocks(const uint8_t* src, uint8_t* dst, size_t pixels) {
  return Blocks<Xyz>(src, dst, pixels);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::colorspaces
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::colorspaces {

HWY_EXPORT(YuvBlocks);
HWY_EXPORT(YCbCrBlocks);
HWY_EXPORT(YccBlocks);
HWY_EXPORT(XyzBlocks);

BlocksFn VectorBlocks(IntegerConversion conversion) {
  switch (conversion) {
    case IntegerConversion::Yuv: return &HWY_DYNAMIC_DISPATCH(YuvBlocks);
    case IntegerConversion::YCbCr: return &HWY_DYNAMIC_DISPATCH(YCbCrBlocks);
    case IntegerConversion::Ycc: return &HWY_DYNAMIC_DISPATCH(YccBlocks);
    case IntegerConversion::Xyz: return &HWY_DYNAMIC_DISPATCH(XyzBlocks);
  }
  return nullptr;
}

}  // namespace builtin::colorspaces
#endif  // HWY_ONCE
