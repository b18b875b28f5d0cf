// The per-pixel vector body of the 8-bit cubic warp sampler of three and four channels where
// vectors hold four doubles (AVX2): a pixel's channels are the lanes of one vector, each lane
// doing exactly the plain sampler's operations on its channel (no fused multiply-add).
// Included once per Highway target by WarpHwy.cpp.
#if defined(PF_GEOMETRY_WARP_PIXELS_HWY_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PF_GEOMETRY_WARP_PIXELS_HWY_INL_H_
#undef PF_GEOMETRY_WARP_PIXELS_HWY_INL_H_
#else
#define PF_GEOMETRY_WARP_PIXELS_HWY_INL_H_
#endif

#include <hwy/highway.h>

#include <cstring>

#include "primitives/geometry/WarpKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class DF>
HWY_INLINE hn::Vec<DF> LoadPixel(DF df, const uint8_t* q) {
  const hn::Rebind<int32_t, DF> di;
  const hn::Rebind<uint8_t, DF> d8;
  return hn::PromoteTo(df, hn::PromoteTo(di, hn::LoadU(d8, q)));
}

// Stores the first kChannels lanes, each within int32 and, once truncated, within 0..255.
template <int kChannels, class DF>
HWY_INLINE void StorePixel(DF df, hn::Vec<DF> v, uint8_t* dst) {
  const hn::Rebind<int32_t, DF> di;
  const hn::Rebind<uint8_t, DF> d8;
  (void)df;
  const hn::Rebind<uint32_t, DF> du;
  const auto bytes = hn::TruncateTo(d8, hn::BitCast(du, hn::DemoteTo(di, v)));
  if constexpr (kChannels == 4) {
    hn::StoreU(bytes, d8, dst);
  } else {
    HWY_ALIGN uint8_t out[4] = {};
    hn::StoreU(bytes, d8, out);
    std::memcpy(dst, out, kChannels);
  }
}

// One pixel at dst from source position (px, py).
template <int kChannels, int kStride>
HWY_INLINE void CubicAt(double px, double py, const LinearSource8& src, uint8_t* dst) {
  const hn::CappedTag<double, 4> df;
  using VF = hn::Vec<decltype(df)>;
  const VF half = hn::Set(df, 0.5), zero = hn::Zero(df), top = hn::Set(df, 255.0);
  const ptrdiff_t down = src.step;
  const int32_t wx0 = CubicSampler::WindowStart(px, src.xMax);
  const int32_t wy0 = CubicSampler::WindowStart(py, src.yMax);
  const cubic::Weights wx = cubic::WeightsOf(static_cast<float>((px - 1.0) - wx0));
  const cubic::Weights wy = cubic::WeightsOf(static_cast<float>((py - 1.0) - wy0));
  const uint8_t* p =
      src.base + static_cast<ptrdiff_t>(wy0) * down + static_cast<ptrdiff_t>(wx0) * kStride;
  if (kStride == 3 && wx0 + 4 > src.xMax) {
    for (int c = 0; c < kChannels; ++c)
      dst[c] = cubic::InterleavedOne<uint8_t>(p + c, down, kStride, wx, wy);
    return;
  }
  const VF x0 = hn::Set(df, wx.w0), x1 = hn::Set(df, wx.w1), x2 = hn::Set(df, wx.w2),
           x3 = hn::Set(df, wx.w3);
  VF h[4];
  for (int r = 0; r < 4; ++r) {
    const uint8_t* q = p + down * r;
    h[r] = hn::Add(
        hn::Add(hn::Add(hn::Mul(x0, LoadPixel(df, q)), hn::Mul(x1, LoadPixel(df, q + kStride))),
                hn::Mul(x2, LoadPixel(df, q + 2 * kStride))),
        hn::Mul(x3, LoadPixel(df, q + 3 * kStride)));
  }
  const VF v =
      hn::Add(hn::Add(hn::Add(hn::Mul(hn::Set(df, wy.w0), h[0]), hn::Mul(hn::Set(df, wy.w1), h[1])),
                      hn::Mul(hn::Set(df, wy.w2), h[2])),
              hn::Mul(hn::Set(df, wy.w3), h[3]));
  // cubic::Store on each lane: above 255 gives 255, from 0 trunc(v + 0.5), else (NaN too) 0.
  const VF stored =
      hn::IfThenElse(hn::Gt(v, top), top, hn::IfThenElseZero(hn::Ge(v, zero), hn::Add(v, half)));
  StorePixel<kChannels>(df, stored, dst);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#endif  // PF_GEOMETRY_WARP_PIXELS_HWY_INL_H_
