// Vector blocks of the super-sampling resize with whole ratios and 8-bit samples, compiled for
// every instruction set that Highway targets and chosen at run time. Integer sums, then the
// plain code's double arithmetic lane by lane, so every target gives the plain bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/resampling/ResizeSuperHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/support/HwyDispatch.h"
#include "primitives/resampling/ResizeSuperKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::resizesuper {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

size_t Accumulate8u(const uint8_t* src, uint32_t* acc, size_t n) {
  const hn::ScalableTag<uint32_t> du;
  const hn::Rebind<uint8_t, decltype(du)> d8;
  const size_t N = hn::Lanes(du);
  size_t i = 0;
  for (; i + N <= n; i += N)
    hn::StoreU(hn::Add(hn::LoadU(du, acc + i), hn::PromoteTo(du, hn::LoadU(d8, src + i))), du, acc + i);
  return i;
}

// One destination pixel a vector of four lanes: the sum of its accumulator pixels, in double
// 0.5 + scale x sum, at most 255, truncated.
size_t WholeFour8u(const uint32_t* acc, uint8_t* dst, size_t count, size_t pixels, double scale) {
  const hn::CappedTag<double, 4> dd;
  if (hn::Lanes(dd) < 4) return 0;  // targets without four doubles in a vector
  const hn::Rebind<uint32_t, decltype(dd)> du;
  const hn::Rebind<int32_t, decltype(dd)> di;
  const hn::Rebind<uint8_t, decltype(dd)> d8;
  const auto half = hn::Set(dd, 0.5), factor = hn::Set(dd, scale), top = hn::Set(dd, 255.0);
  for (size_t m = 0; m < count; ++m) {
    const uint32_t* p = acc + 4 * m * pixels;
    auto sum = hn::LoadU(du, p);
    for (size_t k = 1; k < pixels; ++k) sum = hn::Add(sum, hn::LoadU(du, p + 4 * k));
    const auto v = hn::PromoteTo(dd, hn::BitCast(di, sum));
    const auto x = hn::Min(hn::Add(half, hn::Mul(factor, v)), top);
    hn::StoreU(hn::DemoteTo(d8, hn::DemoteTo(di, x)), d8, dst + 4 * m);
  }
  return count;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::resizesuper
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::resizesuper {
HWY_EXPORT(Accumulate8u);
HWY_EXPORT(WholeFour8u);
AccumulateBlocks8u VectorAccumulate8u() { return PF_HWY_DISPATCHED(Accumulate8u); }
WholeFourBlocks8u VectorWholeFour8u() { return PF_HWY_DISPATCHED(WholeFour8u); }
}  // namespace builtin::resizesuper
#endif
