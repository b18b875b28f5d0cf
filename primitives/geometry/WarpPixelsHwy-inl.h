// The per-pixel vector body of the 8-bit cubic warp sampler of three and four channels where
// vectors hold four doubles (AVX2): a pixel's channels are the lanes of one vector, each lane
// doing exactly the plain sampler's operations on its channel (no fused multiply-add), with the
// arithmetic of WarpSamplersHwy-inl.h.
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
#include "primitives/geometry/WarpSamplersHwy-inl.h"

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

// Stores the low bytes of the first kChannels lanes of v.
template <int kChannels, class VI>
HWY_INLINE void StorePixel(VI v, uint8_t* dst) {
  const hn::DFromV<VI> di;
  const hn::Rebind<uint8_t, decltype(di)> d8;
  const hn::RebindToUnsigned<decltype(di)> du;
  const auto bytes = hn::TruncateTo(d8, hn::BitCast(du, v));
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
  const WeightsV<VF> x{
      {hn::Set(df, wx.w0), hn::Set(df, wx.w1), hn::Set(df, wx.w2), hn::Set(df, wx.w3)}};
  const WeightsV<VF> y{
      {hn::Set(df, wy.w0), hn::Set(df, wy.w1), hn::Set(df, wy.w2), hn::Set(df, wy.w3)}};
  VF h[4];
  for (int r = 0; r < 4; ++r) {
    const uint8_t* q = p + down * r;
    h[r] = Weigh(x, LoadPixel(df, q), LoadPixel(df, q + kStride), LoadPixel(df, q + 2 * kStride),
                 LoadPixel(df, q + 3 * kStride));
  }
  StorePixel<kChannels>(CubicStore(Weigh(y, h[0], h[1], h[2], h[3])), dst);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#endif  // PF_GEOMETRY_WARP_PIXELS_HWY_INL_H_
