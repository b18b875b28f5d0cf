// Vector spans of the 8-bit linear and cubic affine kernels of three and four interleaved
// channels, compiled for every instruction set that Highway targets and chosen at run time. A
// pixel's channels are the lanes of one vector of four doubles: the positions, indexes,
// fractions and weights are the plain kernel's scalar steps, and each lane does exactly the
// plain sampler's operations on its channel in the same order (no fused multiply-add), so the
// bytes are the same.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/WarpHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

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

// kChannels written of kStride bytes per pixel (3 of 3, 3 of 4, 4 of 4). Every corner reads
// four bytes; with three-byte pixels the fourth is the next pixel's, which exists unless the
// window ends at the last column, where the plain code does the pixel.
template <int kChannels, int kStride>
void Linear(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
            uint8_t* dst, ptrdiff_t n) {
  const hn::CappedTag<double, 4> df;
  using VF = hn::Vec<decltype(df)>;
  const VF half = hn::Set(df, 0.5);
  const ptrdiff_t down = src.step;
#if HWY_TARGET == HWY_SCALAR
  // One lane: never chosen (FourDoubleLanes), the plain kernel serves.
  (void)state, (void)step, (void)dst, (void)n, (void)half, (void)down;
#else
  // The position (x, y) as the two lanes of one vector, advanced lane by lane as the plain
  // generator advances each; indexes and fractions from both lanes at once where both lie in
  // the usual range (0 <= t < max, so the truncation needs no range test), else the plain
  // rule on each.
  const hn::FixedTag<double, 2> d2;
  const hn::Rebind<int32_t, decltype(d2)> di2;
  HWY_ALIGN const double start[2] = {state.sx, state.sy};
  HWY_ALIGN const double inc[2] = {step.dx, step.dy};
  HWY_ALIGN const double limit[2] = {static_cast<double>(src.xMax), static_cast<double>(src.yMax)};
  auto pos = hn::Load(d2, start);
  const auto stepV = hn::Load(d2, inc), limitV = hn::Load(d2, limit);
  const auto hair = hn::Set(d2, 1e-07), zero2 = hn::Zero(d2);
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    const auto cur = pos;
    pos = hn::Add(pos, stepV);
    const auto t = hn::Add(cur, hair);
    int32_t ix, iy;
    double fx, fy;
    if (hn::AllTrue(d2, hn::And(hn::Ge(t, zero2), hn::Lt(t, limitV)))) {
      const auto i = hn::DemoteTo(di2, t);
      const auto frac = hn::Sub(cur, hn::PromoteTo(d2, i));
      ix = hn::GetLane(i);
      iy = hn::ExtractLane(i, 1);
      fx = hn::GetLane(frac);
      fy = hn::ExtractLane(frac, 1);
    } else {
      LinearSampler::Axis(hn::GetLane(cur), src.xMax, &ix, &fx);
      LinearSampler::Axis(hn::ExtractLane(cur, 1), src.yMax, &iy, &fy);
    }
    const uint8_t* p = src.base + static_cast<ptrdiff_t>(iy) * down + static_cast<ptrdiff_t>(ix) * kStride;
    if (kStride == 3 && ix + 2 > src.xMax) {
      LinearSampler::Pixel8<kChannels, kStride>(p, down, fx, fy, dst);
      continue;
    }
    const VF p00 = LoadPixel(df, p), p01 = LoadPixel(df, p + kStride);
    const VF p10 = LoadPixel(df, p + down), p11 = LoadPixel(df, p + down + kStride);
    const VF vfx = hn::Set(df, fx), vfy = hn::Set(df, fy);
    const VF top = hn::Add(p00, hn::Mul(vfx, hn::Sub(p01, p00)));
    const VF bottom = hn::Add(p10, hn::Mul(vfx, hn::Sub(p11, p10)));
    // Within a hair of 0..255.5, as in the plain code.
    StorePixel<kChannels>(df, hn::Add(hn::Add(top, half), hn::Mul(vfy, hn::Sub(bottom, top))), dst);
  }
  HWY_ALIGN double end[2];
  hn::Store(pos, d2, end);
  state.sx = end[0];
  state.sy = end[1];
#endif
}

template <int kChannels, int kStride>
void Cubic(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
           uint8_t* dst, ptrdiff_t n) {
  const hn::CappedTag<double, 4> df;
  using VF = hn::Vec<decltype(df)>;
  const VF half = hn::Set(df, 0.5), zero = hn::Zero(df), top = hn::Set(df, 255.0);
  const ptrdiff_t down = src.step;
  double sx = state.sx, sy = state.sy;
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    const double px = sx, py = sy;
    sx += step.dx;
    sy += step.dy;
    const int32_t wx0 = CubicSampler::WindowStart(px, src.xMax);
    const int32_t wy0 = CubicSampler::WindowStart(py, src.yMax);
    const cubic::Weights wx = cubic::WeightsOf(static_cast<float>((px - 1.0) - wx0));
    const cubic::Weights wy = cubic::WeightsOf(static_cast<float>((py - 1.0) - wy0));
    const uint8_t* p = src.base + static_cast<ptrdiff_t>(wy0) * down + static_cast<ptrdiff_t>(wx0) * kStride;
    if (kStride == 3 && wx0 + 4 > src.xMax) {
      for (int c = 0; c < kChannels; ++c)
        dst[c] = cubic::InterleavedOne<uint8_t>(p + c, down, kStride, wx, wy);
      continue;
    }
    const VF x0 = hn::Set(df, wx.w0), x1 = hn::Set(df, wx.w1), x2 = hn::Set(df, wx.w2),
             x3 = hn::Set(df, wx.w3);
    VF h[4];
    for (int r = 0; r < 4; ++r) {
      const uint8_t* q = p + down * r;
      h[r] = hn::Add(hn::Add(hn::Add(hn::Mul(x0, LoadPixel(df, q)),
                                     hn::Mul(x1, LoadPixel(df, q + kStride))),
                             hn::Mul(x2, LoadPixel(df, q + 2 * kStride))),
                     hn::Mul(x3, LoadPixel(df, q + 3 * kStride)));
    }
    const VF v = hn::Add(hn::Add(hn::Add(hn::Mul(hn::Set(df, wy.w0), h[0]),
                                         hn::Mul(hn::Set(df, wy.w1), h[1])),
                                 hn::Mul(hn::Set(df, wy.w2), h[2])),
                         hn::Mul(hn::Set(df, wy.w3), h[3]));
    // cubic::Store on each lane: above 255 gives 255, from 0 trunc(v + 0.5), else (NaN too) 0.
    const VF stored = hn::IfThenElse(hn::Gt(v, top), top,
                                     hn::IfThenElseZero(hn::Ge(v, zero), hn::Add(v, half)));
    StorePixel<kChannels>(df, stored, dst);
  }
  state.sx = sx;
  state.sy = sy;
}

void LinearSpan8C3(AffineGenerator::State& state, const AffineStep& step,
                   const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Linear<3, 3>(state, step, src, dst, n);
}
void LinearSpan8AC4(AffineGenerator::State& state, const AffineStep& step,
                    const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Linear<3, 4>(state, step, src, dst, n);
}
void LinearSpan8C4(AffineGenerator::State& state, const AffineStep& step,
                   const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Linear<4, 4>(state, step, src, dst, n);
}
void CubicSpan8C3(AffineGenerator::State& state, const AffineStep& step,
                  const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Cubic<3, 3>(state, step, src, dst, n);
}
void CubicSpan8AC4(AffineGenerator::State& state, const AffineStep& step,
                   const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Cubic<3, 4>(state, step, src, dst, n);
}
void CubicSpan8C4(AffineGenerator::State& state, const AffineStep& step,
                  const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Cubic<4, 4>(state, step, src, dst, n);
}
// Whether this target holds four doubles in one vector (otherwise the plain code serves).
bool FourDoubleLanes() { return hn::Lanes(hn::CappedTag<double, 4>()) == 4; }

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::warp {

HWY_EXPORT(LinearSpan8C3);
HWY_EXPORT(LinearSpan8AC4);
HWY_EXPORT(LinearSpan8C4);
HWY_EXPORT(CubicSpan8C3);
HWY_EXPORT(CubicSpan8AC4);
HWY_EXPORT(CubicSpan8C4);
HWY_EXPORT(FourDoubleLanes);

SampleSpan8Fn VectorLinearSpan8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC3: return &HWY_DYNAMIC_DISPATCH(LinearSpan8C3);
    case kAC4: return &HWY_DYNAMIC_DISPATCH(LinearSpan8AC4);
    case kC4: return &HWY_DYNAMIC_DISPATCH(LinearSpan8C4);
    default: return nullptr;
  }
}

SampleSpan8Fn VectorCubicSpan8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC3: return &HWY_DYNAMIC_DISPATCH(CubicSpan8C3);
    case kAC4: return &HWY_DYNAMIC_DISPATCH(CubicSpan8AC4);
    case kC4: return &HWY_DYNAMIC_DISPATCH(CubicSpan8C4);
    default: return nullptr;
  }
}

}  // namespace builtin::warp
#endif  // HWY_ONCE
