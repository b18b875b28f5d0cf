// The vector roots of the forward bilinear warp's inverse, compiled for every instruction set
// that Highway targets and chosen at run time (its samplers are the warps' own, WarpHwy.cpp).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/BilinearHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cmath>

#include "primitives/geometry/BilinearKernels.h"
#include "primitives/geometry/WarpKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::warp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

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

}  // namespace HWY_NAMESPACE
}  // namespace builtin::warp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::warp {

HWY_EXPORT(BilinearRoots);

void BilinearRootsOf(const double* l1, const double* l2, const double* l3, int m, double k3,
                     double k10, int rootFlag, double* xs, double* ys) {
  HWY_DYNAMIC_DISPATCH(BilinearRoots)(l1, l2, l3, m, k3, k10, rootFlag, xs, ys);
}

}  // namespace builtin::warp
#endif  // HWY_ONCE
