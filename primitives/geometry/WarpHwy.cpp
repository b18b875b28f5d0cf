// Vector spans of the 8-bit linear affine kernels of three and four interleaved channels,
// compiled for every instruction set that Highway targets and chosen at run time. A pixel's
// channels are the lanes of one vector of four doubles: the positions, indexes and fractions
// are the plain kernel's scalar steps, and each lane does exactly the plain LinearSampler's
// operations on its channel (no fused multiply-add), so the bytes are the same.
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

// kChannels written of kStride bytes per pixel (3 of 3, 3 of 4, 4 of 4).
template <int kChannels, int kStride>
void Span(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
          uint8_t* dst, ptrdiff_t n) {
  const hn::CappedTag<double, 4> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  using VF = hn::Vec<decltype(df)>;
  const VF half = hn::Set(df, 0.5);
  const ptrdiff_t down = src.step;
  double sx = state.sx, sy = state.sy;
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    const double px = sx, py = sy;
    sx += step.dx;
    sy += step.dy;
    int32_t ix, iy;
    double fx, fy;
    LinearSampler::Axis(px, src.xMax, &ix, &fx);
    LinearSampler::Axis(py, src.yMax, &iy, &fy);
    const uint8_t* p = src.base + static_cast<ptrdiff_t>(iy) * down + static_cast<ptrdiff_t>(ix) * kStride;
    // Four bytes from each corner; with three-byte pixels the right corner's fourth byte is
    // the next pixel's, which exists unless the window ends at the last column.
    if (kStride == 3 && ix + 2 > src.xMax) {
      LinearSampler::Pixel8<kChannels, kStride>(p, down, fx, fy, dst);
      continue;
    }
    const auto load = [&](const uint8_t* q) {
      return hn::PromoteTo(df, hn::PromoteTo(di, hn::LoadU(d8, q)));
    };
    const VF p00 = load(p), p01 = load(p + kStride), p10 = load(p + down),
             p11 = load(p + down + kStride);
    const VF vfx = hn::Set(df, fx), vfy = hn::Set(df, fy);
    const VF top = hn::Add(p00, hn::Mul(vfx, hn::Sub(p01, p00)));
    const VF bottom = hn::Add(p10, hn::Mul(vfx, hn::Sub(p11, p10)));
    const VF v = hn::Add(hn::Add(top, half), hn::Mul(vfy, hn::Sub(bottom, top)));
    // Each lane lies within a hair of 0..255.5: truncated, then narrowed without change.
    const auto bytes = hn::DemoteTo(d8, hn::DemoteTo(di, v));
    if constexpr (kChannels == 4) {
      hn::StoreU(bytes, d8, dst);
    } else {
      HWY_ALIGN uint8_t out[4] = {};
      hn::StoreU(bytes, d8, out);
      std::memcpy(dst, out, kChannels);
    }
  }
  state.sx = sx;
  state.sy = sy;
}

void LinearSpan8C3(AffineGenerator::State& state, const AffineStep& step,
                   const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Span<3, 3>(state, step, src, dst, n);
}
void LinearSpan8AC4(AffineGenerator::State& state, const AffineStep& step,
                    const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Span<3, 4>(state, step, src, dst, n);
}
void LinearSpan8C4(AffineGenerator::State& state, const AffineStep& step,
                   const LinearSource8& src, uint8_t* dst, ptrdiff_t n) {
  Span<4, 4>(state, step, src, dst, n);
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
HWY_EXPORT(FourDoubleLanes);

LinearSpan8Fn VectorLinearSpan8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC3: return &HWY_DYNAMIC_DISPATCH(LinearSpan8C3);
    case kAC4: return &HWY_DYNAMIC_DISPATCH(LinearSpan8AC4);
    case kC4: return &HWY_DYNAMIC_DISPATCH(LinearSpan8C4);
    default: return nullptr;
  }
}

}  // namespace builtin::warp
#endif  // HWY_ONCE
