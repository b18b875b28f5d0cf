// Vector blocks of the colour twist on three-byte pixels, compiled for every instruction set
// that Highway targets and chosen at run time. They compute the double sums of the plain
// double path in ColorTwist.cpp, in the same order, one pixel per lane.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/ColorTwistHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/ColorTwistKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::twist {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

size_t TwistBlocks(const uint8_t* src, uint8_t* dst, size_t pixels, const Plan& plan) {
  const hn::ScalableTag<double> df;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  using VF = hn::Vec<decltype(df)>;
  const size_t n = hn::Lanes(df);
  VF t[3][4], limit[3];
  for (int k = 0; k < 3; ++k) {
    for (int j = 0; j < 4; ++j) t[k][j] = hn::Set(df, plan.t[k][j]);
    limit[k] = hn::Set(df, plan.limit[k]);
  }
  const VF zero = hn::Zero(df), top = hn::Set(df, 255.0);
  size_t i = 0;
  for (; i + n <= pixels; i += n) {
    hn::Vec<decltype(d8)> b0, b1, b2;
    hn::LoadInterleaved3(d8, src + 3 * i, b0, b1, b2);
    const VF x0 = hn::PromoteTo(df, hn::PromoteTo(di, b0));
    const VF x1 = hn::PromoteTo(df, hn::PromoteTo(di, b1));
    const VF x2 = hn::PromoteTo(df, hn::PromoteTo(di, b2));
    hn::Vec<decltype(d8)> out[3];
    auto certain = hn::Eq(zero, zero);
    for (int k = 0; k < 3; ++k) {
      const VF v = hn::Add(hn::Add(hn::Add(hn::Mul(x0, t[k][0]), t[k][3]), hn::Mul(x1, t[k][1])),
                           hn::Mul(x2, t[k][2]));
      const VF r = hn::Round(v);  // half to even
      // A NaN distance fails the comparison too.
      certain = hn::And(certain, hn::Lt(hn::Abs(hn::Sub(v, r)), limit[k]));
      const VF clamped = hn::Min(hn::Max(r, zero), top);
      out[k] = hn::DemoteTo(d8, hn::DemoteTo(di, hn::IfThenElseZero(certain, clamped)));
    }
    if (!hn::AllTrue(df, certain)) break;
    hn::StoreInterleaved3(out[0], out[1], out[2], d8, dst + 3 * i);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::twist
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::twist {

HWY_EXPORT(TwistBlocks);

BlocksFn VectorBlocks() { return PF_HWY_DISPATCHED(TwistBlocks); }

}  // namespace builtin::twist
#endif  // HWY_ONCE
