// Vector spans of the 8-bit linear and cubic affine kernels of three and four interleaved
// channels, and the same samplers over positions a warp listed beforehand, compiled for every
// instruction set that Highway targets and chosen at run time. A pixel's channels are the lanes of one vector of four doubles: the positions, indexes,
// fractions and weights are the plain kernel's scalar steps, and each lane does exactly the
// plain sampler's operations on its channel in the same order (no fused multiply-add), so the
// bytes are the same.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/WarpHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstring>

#include "primitives/geometry/WarpKernels.h"
#include "primitives/geometry/WarpPixelsHwy-inl.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// One pixel at dst from the window at (ix, iy) with fractions fx, fy.
template <int kChannels, int kStride>
HWY_INLINE void LinearAt(int32_t ix, int32_t iy, double fx, double fy, const LinearSource8& src,
                         uint8_t* dst) {
  const hn::CappedTag<double, 4> df;
  using VF = hn::Vec<decltype(df)>;
  const VF half = hn::Set(df, 0.5);
  const ptrdiff_t down = src.step;
  const uint8_t* p =
      src.base + static_cast<ptrdiff_t>(iy) * down + static_cast<ptrdiff_t>(ix) * kStride;
  if (kStride == 3 && ix + 2 > src.xMax) {
    LinearSampler::Pixel8<kChannels, kStride>(p, down, fx, fy, dst);
    return;
  }
  const VF p00 = LoadPixel(df, p), p01 = LoadPixel(df, p + kStride);
  const VF p10 = LoadPixel(df, p + down), p11 = LoadPixel(df, p + down + kStride);
  const VF vfx = hn::Set(df, fx), vfy = hn::Set(df, fy);
  const VF top = hn::Add(p00, hn::Mul(vfx, hn::Sub(p01, p00)));
  const VF bottom = hn::Add(p10, hn::Mul(vfx, hn::Sub(p11, p10)));
  // Within a hair of 0..255.5, as in the plain code.
  StorePixel<kChannels>(df, hn::Add(hn::Add(top, half), hn::Mul(vfy, hn::Sub(bottom, top))), dst);
}

// kChannels written of kStride bytes per pixel (3 of 3, 3 of 4, 4 of 4). Every corner reads
// four bytes; with three-byte pixels the fourth is the next pixel's, which exists unless the
// window ends at the last column, where the plain code does the pixel.
template <int kChannels, int kStride>
void Linear(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
            uint8_t* dst, ptrdiff_t n) {
#if HWY_TARGET == HWY_SCALAR
  // One lane: never chosen (FourDoubleLanes), the plain kernel serves.
  (void)state, (void)step, (void)src, (void)dst, (void)n;
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
    LinearAt<kChannels, kStride>(ix, iy, fx, fy, src, dst);
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
  double sx = state.sx, sy = state.sy;
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    const double px = sx, py = sy;
    sx += step.dx;
    sy += step.dy;
    CubicAt<kChannels, kStride>(px, py, src, dst);
  }
  state.sx = sx;
  state.sy = sy;
}

// One 8-bit pixel of one channel: the window's four rows are loaded as vectors and turned so
// that each lane holds one row; the rows' sums then take the plain order lane by lane, and the
// column weights close in the plain order too.
HWY_INLINE void CubicAtC1(double px, double py, const LinearSource8& src, uint8_t* dst) {
#if HWY_TARGET == HWY_SCALAR
  (void)px, (void)py, (void)src, (void)dst;
#else
  const hn::CappedTag<double, 4> df;
  const int32_t wx0 = CubicSampler::WindowStart(px, src.xMax);
  const int32_t wy0 = CubicSampler::WindowStart(py, src.yMax);
  const cubic::Weights wx = cubic::WeightsOf(static_cast<float>((px - 1.0) - wx0));
  const cubic::Weights wy = cubic::WeightsOf(static_cast<float>((py - 1.0) - wy0));
  const ptrdiff_t down = src.step;
  const uint8_t* p = src.base + static_cast<ptrdiff_t>(wy0) * down + wx0;
  const auto r0 = LoadPixel(df, p), r1 = LoadPixel(df, p + down);
  const auto r2 = LoadPixel(df, p + 2 * down), r3 = LoadPixel(df, p + 3 * down);
  const auto t0 = hn::InterleaveLower(df, r0, r1), t1 = hn::InterleaveLower(df, r2, r3);
  const auto t2 = hn::InterleaveUpper(df, r0, r1), t3 = hn::InterleaveUpper(df, r2, r3);
  // Column k of the window, one row per lane.
  const auto c0 = hn::ConcatLowerLower(df, t1, t0), c2 = hn::ConcatUpperUpper(df, t1, t0);
  const auto c1 = hn::ConcatLowerLower(df, t3, t2), c3 = hn::ConcatUpperUpper(df, t3, t2);
  const auto h =
      hn::Add(hn::Add(hn::Add(hn::Mul(hn::Set(df, wx.w0), c0), hn::Mul(hn::Set(df, wx.w1), c1)),
                      hn::Mul(hn::Set(df, wx.w2), c2)),
              hn::Mul(hn::Set(df, wx.w3), c3));
  HWY_ALIGN const double weights[4] = {wy.w0, wy.w1, wy.w2, wy.w3};
  HWY_ALIGN double terms[4] = {};  // (fewer lanes: never chosen, see FourDoubleLanes)
  hn::Store(hn::Mul(hn::Load(df, weights), h), df, terms);
  dst[0] = cubic::Store<uint8_t>(terms[0] + terms[1] + terms[2] + terms[3]);
#endif
}

// The same samplers over positions listed beforehand (xs[k], ys[k] for pixel k).
template <int kChannels, int kStride>
void LinearPoints(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                  ptrdiff_t n) {
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    int32_t ix, iy;
    double fx, fy;
    LinearSampler::Axis(xs[k], src.xMax, &ix, &fx);
    LinearSampler::Axis(ys[k], src.yMax, &iy, &fy);
    LinearAt<kChannels, kStride>(ix, iy, fx, fy, src, dst);
  }
}
template <int kChannels, int kStride>
void CubicPoints(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                 ptrdiff_t n) {
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    if constexpr (kStride == 1)
      CubicAtC1(xs[k], ys[k], src, dst);
    else
      CubicAt<kChannels, kStride>(xs[k], ys[k], src, dst);
  }
}
void CubicPoints8C1(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                    ptrdiff_t n) {
  CubicPoints<1, 1>(xs, ys, src, dst, n);
}

void LinearPoints8C3(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                     ptrdiff_t n) {
  LinearPoints<3, 3>(xs, ys, src, dst, n);
}
void LinearPoints8AC4(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                      ptrdiff_t n) {
  LinearPoints<3, 4>(xs, ys, src, dst, n);
}
void LinearPoints8C4(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                     ptrdiff_t n) {
  LinearPoints<4, 4>(xs, ys, src, dst, n);
}
void CubicPoints8C3(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                    ptrdiff_t n) {
  CubicPoints<3, 3>(xs, ys, src, dst, n);
}
void CubicPoints8AC4(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                     ptrdiff_t n) {
  CubicPoints<3, 4>(xs, ys, src, dst, n);
}
void CubicPoints8C4(const double* xs, const double* ys, const LinearSource8& src, uint8_t* dst,
                    ptrdiff_t n) {
  CubicPoints<4, 4>(xs, ys, src, dst, n);
}
void LinearSpan8C3(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
                   uint8_t* dst, ptrdiff_t n) {
  Linear<3, 3>(state, step, src, dst, n);
}
void LinearSpan8AC4(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
                    uint8_t* dst, ptrdiff_t n) {
  Linear<3, 4>(state, step, src, dst, n);
}
void LinearSpan8C4(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
                   uint8_t* dst, ptrdiff_t n) {
  Linear<4, 4>(state, step, src, dst, n);
}
void CubicSpan8C3(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
                  uint8_t* dst, ptrdiff_t n) {
  Cubic<3, 3>(state, step, src, dst, n);
}
void CubicSpan8AC4(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
                   uint8_t* dst, ptrdiff_t n) {
  Cubic<3, 4>(state, step, src, dst, n);
}
void CubicSpan8C4(AffineGenerator::State& state, const AffineStep& step, const LinearSource8& src,
                  uint8_t* dst, ptrdiff_t n) {
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
HWY_EXPORT(LinearPoints8C3);
HWY_EXPORT(LinearPoints8AC4);
HWY_EXPORT(LinearPoints8C4);
HWY_EXPORT(CubicPoints8C1);
HWY_EXPORT(CubicPoints8C3);
HWY_EXPORT(CubicPoints8AC4);
HWY_EXPORT(CubicPoints8C4);
HWY_EXPORT(FourDoubleLanes);

SampleSpan8Fn VectorLinearSpan8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC3:
      return PF_HWY_DISPATCHED(LinearSpan8C3);
    case kAC4:
      return PF_HWY_DISPATCHED(LinearSpan8AC4);
    case kC4:
      return PF_HWY_DISPATCHED(LinearSpan8C4);
    default:
      return nullptr;
  }
}

SampleSpan8Fn VectorCubicSpan8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC3:
      return PF_HWY_DISPATCHED(CubicSpan8C3);
    case kAC4:
      return PF_HWY_DISPATCHED(CubicSpan8AC4);
    case kC4:
      return PF_HWY_DISPATCHED(CubicSpan8C4);
    default:
      return nullptr;
  }
}

SamplePoints8Fn VectorLinearPoints8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC3:
      return PF_HWY_DISPATCHED(LinearPoints8C3);
    case kAC4:
      return PF_HWY_DISPATCHED(LinearPoints8AC4);
    case kC4:
      return PF_HWY_DISPATCHED(LinearPoints8C4);
    default:
      return nullptr;
  }
}

SamplePoints8Fn VectorCubicPoints8(int32_t layout) {
  if (!HWY_DYNAMIC_DISPATCH(FourDoubleLanes)()) return nullptr;
  switch (layout) {
    case kC1:
      return PF_HWY_DISPATCHED(CubicPoints8C1);
    case kC3:
      return PF_HWY_DISPATCHED(CubicPoints8C3);
    case kAC4:
      return PF_HWY_DISPATCHED(CubicPoints8AC4);
    case kC4:
      return PF_HWY_DISPATCHED(CubicPoints8C4);
    default:
      return nullptr;
  }
}

}  // namespace builtin::warp
#endif  // HWY_ONCE
