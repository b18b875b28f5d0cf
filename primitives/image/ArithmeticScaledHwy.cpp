// Vector blocks of the weighted sum into a float image, compiled for every instruction set that
// Highway targets and chosen at run time. They compute the double path of
// ArithmeticScaled.cpp, one pixel per double lane, under the exact-range and window tests and,
// where those fail, the same guard (ArithmeticScaledKernels.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/image/ArithmeticScaledHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/image/ArithmeticScaledKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::weighted {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The two tests of ArithmeticScaledKernels.h on one vector of pixels.
template <class DF>
struct Tests {
  using VF = hn::Vec<DF>;
  using MF = hn::Mask<DF>;
  DF df;
  hn::RebindToUnsigned<DF> du;
  hn::Rebind<float, DF> d32;
  VF reach, largest, exactLow, exactHigh;
  hn::Vec<hn::RebindToUnsigned<DF>> fitMask;

  // All three operations exact: D = x - v (v = 0, x = 0, or 2^-20 <= |v| < 2^51, where the
  // bits of a byte and of v span at most 53), alpha * D (D's low fraction bits) and
  // r = v + t (checked from both sides).
  HWY_INLINE MF Exact(VF x, VF v, VF dx, VF t, VF r) const {
    const VF av = hn::Abs(v);
    const MF dxExact = hn::Or(hn::And(hn::Ge(av, exactLow), hn::Lt(av, exactHigh)),
                              hn::Or(hn::Eq(x, hn::Zero(df)), hn::Eq(v, hn::Zero(df))));
    const MF tExact =
        hn::RebindMask(df, hn::Eq(hn::And(hn::BitCast(du, dx), fitMask), hn::Zero(du)));
    const MF rExact = hn::And(hn::Eq(hn::Sub(r, v), t), hn::Eq(hn::Sub(r, t), v));
    return hn::And(hn::And(dxExact, tExact), hn::And(rExact, hn::Lt(hn::Abs(r), largest)));
  }

  // r +- reach round to the same float bits (-0 apart from +0); a NaN sum fails the first
  // comparison. Per lane (compared widened), or for the whole vector at once.
  HWY_INLINE MF Near(VF v, VF t, VF r) const {
    const VF s = hn::Add(hn::Abs(v), hn::Abs(t));
    const VF e = hn::Mul(s, reach);
    const auto lo = hn::PromoteTo(df, hn::DemoteTo(d32, hn::Sub(r, e)));
    const auto hi = hn::PromoteTo(df, hn::DemoteTo(d32, hn::Add(r, e)));
    return hn::And(hn::Lt(s, largest),
                   hn::RebindMask(df, hn::Eq(hn::BitCast(du, lo), hn::BitCast(du, hi))));
  }
  HWY_INLINE bool AllNear(VF v, VF t, VF r) const {
    const VF s = hn::Add(hn::Abs(v), hn::Abs(t));
    const VF e = hn::Mul(s, reach);
    const hn::RebindToUnsigned<decltype(d32)> du32;
    const auto lo = hn::BitCast(du32, hn::DemoteTo(d32, hn::Sub(r, e)));
    const auto hi = hn::BitCast(du32, hn::DemoteTo(d32, hn::Add(r, e)));
    return hn::AllTrue(df, hn::Lt(s, largest)) && hn::AllTrue(du32, hn::Eq(lo, hi));
  }
};

size_t WeightedBlocks(const uint8_t* src, uint8_t* acc, size_t pixels, const Plan& plan) {
  const hn::ScalableTag<double> df;
  const hn::Rebind<float, decltype(df)> d32;
  const hn::Rebind<int32_t, decltype(df)> di;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  using VF = hn::Vec<decltype(df)>;
  const size_t n = hn::Lanes(df);
  const VF a = hn::Set(df, static_cast<double>(plan.alpha));
  Tests<hn::ScalableTag<double>> tests;
  tests.reach = hn::Set(df, kReach);
  tests.largest = hn::Set(df, kLargestSum);
  tests.exactLow = hn::Set(df, kExactLow);
  tests.exactHigh = hn::Set(df, kExactHigh);
  tests.fitMask = hn::Set(tests.du, plan.fitMask);
  // The guard of the tests above, for one vector of pixels whose sums are computed.
  const auto vouched = [&](VF x, VF v, VF dx, VF t, VF r) {
    // The test likelier to vouch for every lane first; the other only where it does not.
    if (plan.exactFirst) {
      const auto exact = tests.Exact(x, v, dx, t, r);
      return hn::AllTrue(df, exact) || hn::AllTrue(df, hn::Or(exact, tests.Near(v, t, r)));
    }
    return tests.AllNear(v, t, r) ||
           hn::AllTrue(df, hn::Or(tests.Near(v, t, r), tests.Exact(x, v, dx, t, r)));
  };
  size_t i = 0;
#if HWY_TARGET != HWY_SCALAR
  // Steps of two vectors under the cheaper tests (ArithmeticScaledKernels.h), decided on the
  // floats' bits in 32-bit lanes: every sum exact (no test), or every accumulator in the window
  // test's range and no sum near a tie of two floats. Sums near a tie must be exact; a vector
  // that fails that goes through the tests above with r computed in two roundings.
  if (plan.window != 0) {
    const hn::RebindToUnsigned<decltype(df)> du;
    const hn::Twice<decltype(d32)> d32x2;
    const hn::RebindToUnsigned<decltype(d32x2)> du32x2;
    const hn::Rebind<uint8_t, decltype(d32x2)> d8x2;
    const auto exactLow = hn::Set(du32x2, plan.exactLow);
    const auto exactSpan = hn::Set(du32x2, plan.exactHigh - plan.exactLow);
    const auto testedLow = hn::Set(du32x2, plan.testedLow);
    const auto testedSpan = hn::Set(du32x2, kWindowFloatHigh - plan.testedLow);
    const auto windowStart = hn::Set(du, kTieBits - plan.window);
    const auto windowBits = hn::Set(du, kLowBits & ~(plan.windowSpan - 1));
    const auto windowStartLow = hn::Set(du32x2, static_cast<uint32_t>(kTieBits - plan.window));
    const auto windowBitsLow =
        hn::Set(du32x2, static_cast<uint32_t>(kLowBits & ~(plan.windowSpan - 1)));
    const auto nearTie = [&](VF r) {
      return hn::Eq(hn::And(hn::Sub(hn::BitCast(du, r), windowStart), windowBits), hn::Zero(du));
    };
    // One vector of a step that failed: the sums near a tie exact, or the tests above with r
    // in two roundings (then r is replaced); false where neither vouches.
    const auto vouchedStep = [&](bool tested, VF x, VF v, VF dx, VF& r) {
      const VF t = hn::Mul(a, dx);
      if (tested) {
        const auto near = nearTie(r);
        if (hn::AllFalse(du, near) ||
            hn::AllTrue(df, hn::Or(hn::RebindMask(df, hn::Not(near)), tests.Exact(x, v, dx, t, r))))
          return true;
      }
      r = hn::Add(v, t);
      return vouched(x, v, dx, t, r);
    };
    for (; i + 2 * n <= pixels; i += 2 * n) {
      float* row = reinterpret_cast<float*>(acc + 4 * i);
      const auto fbits = hn::BitCast(du32x2, hn::LoadU(d32x2, row));
      const VF v0 = hn::PromoteTo(df, hn::LoadU(d32, row));
      const VF v1 = hn::PromoteTo(df, hn::LoadU(d32, row + n));
      const VF x0 = hn::PromoteTo(df, hn::PromoteTo(di, hn::LoadU(d8, src + i)));
      const VF x1 = hn::PromoteTo(df, hn::PromoteTo(di, hn::LoadU(d8, src + i + n)));
      const VF dx0 = hn::Sub(x0, v0), dx1 = hn::Sub(x1, v1);
      // One rounding where the instruction set fuses, two elsewhere: the bounds cover both.
      VF r0 = hn::MulAdd(a, dx0, v0), r1 = hn::MulAdd(a, dx1, v1);
      bool done = false;
      if (plan.exactSteps) {
        // A byte 0 makes any finite sum exact: its accumulator counts as the range's foot.
        const auto zeroByte =
            hn::Eq(hn::PromoteTo(du32x2, hn::LoadU(d8x2, src + i)), hn::Zero(du32x2));
        const auto key = hn::Max(fbits, hn::IfThenElseZero(zeroByte, exactLow));
        done = hn::AllTrue(du32x2, hn::Lt(hn::Sub(key, exactLow), exactSpan));
      }
      if (!done) {
        // The window looks at the 29 low bits only: the low halves of the sums, side by side.
        const auto testedLanes = hn::Lt(hn::Sub(fbits, testedLow), testedSpan);
        const auto lows = hn::ConcatEven(du32x2, hn::BitCast(du32x2, r1), hn::BitCast(du32x2, r0));
        const auto near =
            hn::Eq(hn::And(hn::Sub(lows, windowStartLow), windowBitsLow), hn::Zero(du32x2));
        if (!hn::AllTrue(du32x2, hn::AndNot(near, testedLanes))) {
          const bool tested = hn::AllTrue(du32x2, testedLanes);
          if (!vouchedStep(tested, x0, v0, dx0, r0) || !vouchedStep(tested, x1, v1, dx1, r1))
            return i;
        }
      }
      hn::StoreU(hn::DemoteTo(d32, r0), d32, row);
      hn::StoreU(hn::DemoteTo(d32, r1), d32, row + n);
    }
  }
#endif
  for (; i + n <= pixels; i += n) {
    float* row = reinterpret_cast<float*>(acc + 4 * i);
    const VF v = hn::PromoteTo(df, hn::LoadU(d32, row));
    const VF x = hn::PromoteTo(df, hn::PromoteTo(di, hn::LoadU(d8, src + i)));
    const VF dx = hn::Sub(x, v);
    const VF t = hn::Mul(a, dx);
    const VF r = hn::Add(v, t);
    if (!vouched(x, v, dx, t, r)) break;
    // Where only the exact test holds, r is the value itself.
    hn::StoreU(hn::DemoteTo(d32, r), d32, row);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::weighted
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::weighted {

HWY_EXPORT(WeightedBlocks);

BlocksFn VectorBlocks() { return PF_HWY_DISPATCHED(WeightedBlocks); }

}  // namespace builtin::weighted
#endif  // HWY_ONCE
