// Vector paths of the 8-bit linear and cubic bilinear kernels of three and four interleaved
// channels, compiled for every instruction set that Highway targets and chosen at run time. A
// pixel's channels are the lanes of one vector of four doubles; the positions come from the
// caller's arrays, and each lane does exactly the plain sampler's operations on its channel in
// the same order (no fused multiply-add), so the bytes are the same.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/BilinearHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cmath>
#include <cstring>

#include "primitives/geometry/BilinearKernels.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/geometry/WarpPixelsHwy-inl.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Every corner reads four bytes; with three-byte pixels the fourth is the next pixel's, which
// exists unless the window ends at the last column, where the plain code does the pixel.
template <int kChannels, int kStride>
void Linear(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
            uint8_t* dst) {
  const hn::CappedTag<double, 4> df;
  using VF = hn::Vec<decltype(df)>;
  const VF half = hn::Set(df, 0.5);
  const ptrdiff_t down = src.step;
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride) {
    int32_t ix, iy;
    double fx, fy;
    LinearSampler::Axis(xs[k], src.xMax, &ix, &fx);
    LinearSampler::Axis(ys[k], src.yMax, &iy, &fy);
    const uint8_t* p =
        src.base + static_cast<ptrdiff_t>(iy) * down + static_cast<ptrdiff_t>(ix) * kStride;
    if (kStride == 3 && ix + 2 > src.xMax) {
      BilinearLinearPixel8<kChannels, kStride>(p, down, fx, fy, dst);
      continue;
    }
    const VF p00 = LoadPixel(df, p), p01 = LoadPixel(df, p + kStride);
    const VF p10 = LoadPixel(df, p + down), p11 = LoadPixel(df, p + down + kStride);
    const VF vfx = hn::Set(df, fx), vfy = hn::Set(df, fy);
    const VF top = hn::Add(p00, hn::Mul(vfx, hn::Sub(p01, p00)));
    const VF bottom = hn::Add(p10, hn::Mul(vfx, hn::Sub(p11, p10)));
    // The blend first, then the half: within a hair of 0..255.5, as in the plain code.
    StorePixel<kChannels>(df, hn::Add(hn::Add(top, hn::Mul(vfy, hn::Sub(bottom, top))), half), dst);
  }
}

template <int kChannels, int kStride>
void Cubic(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
           uint8_t* dst) {
  for (ptrdiff_t k = 0; k < n; ++k, dst += kStride)
    CubicAt<kChannels, kStride>(xs[k], ys[k], src, dst);
}

void BilinearLinear8C3(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                       uint8_t* dst) {
  Linear<3, 3>(xs, ys, n, src, dst);
}
void BilinearLinear8AC4(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                        uint8_t* dst) {
  Linear<3, 4>(xs, ys, n, src, dst);
}
void BilinearLinear8C4(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                       uint8_t* dst) {
  Linear<4, 4>(xs, ys, n, src, dst);
}
void BilinearCubic8C3(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                      uint8_t* dst) {
  Cubic<3, 3>(xs, ys, n, src, dst);
}
void BilinearCubic8AC4(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                       uint8_t* dst) {
  Cubic<3, 4>(xs, ys, n, src, dst);
}
void BilinearCubic8C4(const double* xs, const double* ys, ptrdiff_t n, const LinearSource8& src,
                      uint8_t* dst) {
  Cubic<4, 4>(xs, ys, n, src, dst);
}
// The case-0 inverse of m points from their running values: exactly the plain code's
// operations per lane (the square root is correctly rounded on every target).
void BilinearRoots(const double* l1, const double* l2, const double* l3, int m, double k3,
                   double k10, int rootFlag, double* xs, double* ys) {
  const hn::ScalableTag<double> df;
  const ptrdiff_t N = static_cast<ptrdiff_t>(hn::Lanes(df));
  const auto zero = hn::Zero(df), vk3 = hn::Set(df, k3), vk10 = hn::Set(df, k10);
  ptrdiff_t i = 0;
  for (; i + N <= m; i += N) {
    const auto a = hn::LoadU(df, l1 + i);
    const auto d = hn::Sub(hn::Mul(a, a), hn::LoadU(df, l2 + i));
    const auto root = hn::IfThenElseZero(hn::Gt(d, zero), hn::Sqrt(d));
    const auto A = rootFlag != 0 ? hn::Add(a, root) : hn::Sub(a, root);
    hn::StoreU(hn::Add(vk10, A), df, xs + i);
    hn::StoreU(hn::Add(hn::LoadU(df, l3 + i), hn::Mul(vk3, A)), df, ys + i);
  }
  for (; i < m; ++i) {
    const double d = l1[i] * l1[i] - l2[i];
    const double root = d > 0.0 ? std::sqrt(d) : 0.0;
    const double A = rootFlag != 0 ? l1[i] + root : l1[i] - root;
    xs[i] = k10 + A;
    ys[i] = l3[i] + k3 * A;
  }
}

bool BilinearFourDoubleLanes() { return hn::Lanes(hn::CappedTag<double, 4>()) == 4; }

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::warp {

HWY_EXPORT(BilinearLinear8C3);
HWY_EXPORT(BilinearLinear8AC4);
HWY_EXPORT(BilinearLinear8C4);
HWY_EXPORT(BilinearCubic8C3);
HWY_EXPORT(BilinearCubic8AC4);
HWY_EXPORT(BilinearCubic8C4);
HWY_EXPORT(BilinearFourDoubleLanes);
HWY_EXPORT(BilinearRoots);

void BilinearRootsOf(const double* l1, const double* l2, const double* l3, int m, double k3,
                     double k10, int rootFlag, double* xs, double* ys) {
  HWY_DYNAMIC_DISPATCH(BilinearRoots)(l1, l2, l3, m, k3, k10, rootFlag, xs, ys);
}

PointsSample8Fn VectorBilinearPoints8(int32_t layout, int32_t method) {
  if (!HWY_DYNAMIC_DISPATCH(BilinearFourDoubleLanes)()) return nullptr;
  const bool linear = method == 2;
  switch (layout) {
    case kC3:
      return linear ? PF_HWY_DISPATCHED(BilinearLinear8C3) : PF_HWY_DISPATCHED(BilinearCubic8C3);
    case kAC4:
      return linear ? PF_HWY_DISPATCHED(BilinearLinear8AC4) : PF_HWY_DISPATCHED(BilinearCubic8AC4);
    case kC4:
      return linear ? PF_HWY_DISPATCHED(BilinearLinear8C4) : PF_HWY_DISPATCHED(BilinearCubic8C4);
    default:
      return nullptr;
  }
}

}  // namespace builtin::warp
#endif  // HWY_ONCE
