// The vector arithmetic of the 8-bit linear and cubic samplers, shared by the warps' samplers
// (WarpHwy.cpp, WarpPixelsHwy-inl.h) and the remap's (RemapHwy.cpp): one lane per pixel or per
// channel, each lane doing exactly the plain sampler's operations (cubic::WeightsOf,
// cubic::Interpolate and cubic::Store in CubicInterp.h, the linear blend of LinearSampler) in
// the same order, in doubles and without fused multiply-adds, so every lane gives the plain
// bytes. Each caller works out its own window starts and fractions (its positions are bounded
// differently) and hands them here. Every function takes vectors of any width, and compiles on
// every Highway target.
// Included once per Highway target by the units that use it.
#if defined(PF_GEOMETRY_WARP_SAMPLERS_HWY_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PF_GEOMETRY_WARP_SAMPLERS_HWY_INL_H_
#undef PF_GEOMETRY_WARP_SAMPLERS_HWY_INL_H_
#else
#define PF_GEOMETRY_WARP_SAMPLERS_HWY_INL_H_
#endif

#include <hwy/highway.h>

#include <cstdint>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace builtin::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The 32-bit integers of a vector of doubles, lane for lane.
template <class VF>
using Int32Of = hn::Vec<hn::Rebind<int32_t, hn::DFromV<VF>>>;

// The truncation of values that lie inside int32. Highway's DemoteTo first clamps each lane,
// which these values never need; x86 converts them in one instruction on every vector target
// (named by what they are not: which x86 targets exist differs between Highway versions).
template <class VF>
HWY_INLINE Int32Of<VF> TruncInside(VF v) {
  const hn::DFromV<VF> df;
  const hn::Rebind<int32_t, decltype(df)> di;
#if HWY_ARCH_X86 && HWY_TARGET != HWY_SCALAR && HWY_TARGET != HWY_EMU128
  constexpr size_t kBytes = hn::MaxLanes(df) * sizeof(double);
#if HWY_TARGET <= HWY_AVX3
  if constexpr (kBytes == 64) return Int32Of<VF>{_mm512_cvttpd_epi32(v.raw)};
#endif
#if HWY_TARGET <= HWY_AVX2
  if constexpr (kBytes == 32) return Int32Of<VF>{_mm256_cvttpd_epi32(v.raw)};
#endif
  if constexpr (kBytes == 16) return Int32Of<VF>{_mm_cvttpd_epi32(v.raw)};
#endif
  return hn::DemoteTo(di, v);
}

// ---- Cubic ---------------------------------------------------------------------------------

// The four weights of a cubic window along one axis, a vector each.
template <class VF>
struct WeightsV {
  VF w[4];
};

// The cubic fraction of each lane, (s - 1) - start rounded to float, where start is the
// window's first index.
template <class VF>
HWY_INLINE VF CubicFraction(VF s, VF start) {
  const hn::DFromV<VF> df;
  const hn::Rebind<float, decltype(df)> d32;
  return hn::PromoteTo(df, hn::DemoteTo(d32, hn::Sub(hn::Sub(s, hn::Set(df, 1.0)), start)));
}

// cubic::WeightsOf on each lane's fraction t (a float's value), term by term.
template <class VF>
HWY_INLINE WeightsV<VF> CubicWeightsOf(VF t) {
  const hn::DFromV<VF> df;
  constexpr double kMinusSixth = -1.0 / 6.0, kHalf = 0.5, kThird = 1.0 / 3.0, kOne = 1.0,
                   kMinusHalf = -0.5, kSixth = 1.0 / 6.0;
  const VF t2 = hn::Mul(t, t);
  const VF t3 = hn::Mul(t2, t);
  const auto c = [&](double v) { return hn::Set(df, v); };
  return WeightsV<VF>{
      {hn::Sub(hn::Add(hn::Mul(t2, c(kHalf)), hn::Mul(t3, c(kMinusSixth))), hn::Mul(t, c(kThird))),
       hn::Add(hn::Sub(hn::Add(hn::Mul(t3, c(kHalf)), c(kOne)), t2), hn::Mul(t, c(kMinusHalf))),
       hn::Add(hn::Add(t, hn::Mul(t2, c(kHalf))), hn::Mul(t3, c(kMinusHalf))),
       hn::Sub(hn::Mul(t3, c(kSixth)), hn::Mul(t, c(kSixth)))}};
}

// ((w0 a + w1 b) + w2 c) + w3 d, as cubic::Interpolate sums a window row and then the rows.
template <class VF>
HWY_INLINE VF Weigh(const WeightsV<VF>& w, VF a, VF b, VF c, VF d) {
  return hn::Add(hn::Add(hn::Add(hn::Mul(w.w[0], a), hn::Mul(w.w[1], b)), hn::Mul(w.w[2], c)),
                 hn::Mul(w.w[3], d));
}

// The value cubic::Store<uint8_t> truncates: above 255 gives 255, from 0 v + 0.5, else (NaN
// too) 0.
template <class VF>
HWY_INLINE VF CubicRounded(VF v) {
  const hn::DFromV<VF> df;
  const VF top = hn::Set(df, 255.0);
  return hn::IfThenElse(hn::Gt(v, top), top,
                        hn::IfThenElseZero(hn::Ge(v, hn::Zero(df)), hn::Add(v, hn::Set(df, 0.5))));
}

// cubic::Store<uint8_t> on each lane: the byte in the lane's 32 bits.
template <class VF>
HWY_INLINE Int32Of<VF> CubicStore(VF v) {
  return TruncInside(CubicRounded(v));
}

// ---- Linear --------------------------------------------------------------------------------

// The blend of a 2 x 2 window: top = p00 + fx d0 and bottom = p10 + fx d1, where d0 and d1
// are the differences p01 - p00 and p11 - p10 along the rows; kHalfLast: the bilinear warps'
// rounding, trunc((top + fy (bottom - top)) + 0.5), else the LinearSampler's
// trunc((top + 0.5) + fy (bottom - top)). The fractions lie within a hair of -1..1, so with
// samples of bytes the value lies well inside int32.
template <bool kHalfLast, class VF>
HWY_INLINE Int32Of<VF> Blend(VF p00, VF d0, VF p10, VF d1, VF fx, VF fy) {
  const hn::DFromV<VF> df;
  const VF half = hn::Set(df, 0.5);
  const VF top = hn::Add(p00, hn::Mul(fx, d0));
  const VF bottom = hn::Add(p10, hn::Mul(fx, d1));
  const VF down = hn::Mul(fy, hn::Sub(bottom, top));
  return TruncInside(kHalfLast ? hn::Add(hn::Add(top, down), half)
                               : hn::Add(hn::Add(top, half), down));
}

// ---- Bytes out -----------------------------------------------------------------------------

// Writes the first three bytes (memory order) of each 32-bit lane of w to the four-byte pixels
// from dst on, one pixel per lane; the fourth byte of each pixel is not written at all.
template <class V>
HWY_INLINE void StoreThreeOfFour(V w, uint8_t* dst) {
  const hn::DFromV<V> d;
  static_assert(sizeof(hn::TFromV<V>) == 4, "one four-byte pixel per lane");
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX3
  // A masked store of bytes.
  const hn::Repartition<uint8_t, decltype(d)> d8;
  const auto written =
      hn::MaskFromVec(hn::BitCast(d8, hn::Set(d, static_cast<hn::TFromV<V>>(0x00FFFFFF))));
  hn::BlendedStore(hn::BitCast(d8, w), written, d8, dst);
#else
  HWY_ALIGN hn::TFromV<V> words[hn::MaxLanes(d)];
  hn::Store(w, d, words);
  for (size_t k = 0; k < hn::Lanes(d); ++k) std::memcpy(dst + 4 * k, &words[k], 3);
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#endif  // PF_GEOMETRY_WARP_SAMPLERS_HWY_INL_H_
