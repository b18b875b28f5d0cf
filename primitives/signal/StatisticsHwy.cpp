// Vector blocks of the real float64 thresholds, compiled for every instruction set that Highway
// targets and chosen at run time. Each lane makes the plain loop's comparison (an ordered one,
// false for a NaN) and selects the level or the element's own bits.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/signal/StatisticsHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

#include "primitives/signal/StatisticsKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::statistics {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<double>;
using VF = hn::Vec<DF>;

template <TThreshold kRule>
HWY_INLINE size_t Loop(const uint8_t* s, uint8_t* d, size_t n, double level) {
  const DF df;
  const size_t N = hn::Lanes(df);
  const VF l = hn::Set(df, level);
  size_t i = 0;
  for (; i + N <= n; i += N) {
    const VF x = hn::LoadU(df, reinterpret_cast<const double*>(s + 8 * i));
    VF r;
    if constexpr (kRule == TThreshold::LimitInPlace) r = hn::IfThenElse(hn::Ge(l, x), x, l);
    if constexpr (kRule == TThreshold::RaiseInPlace) r = hn::IfThenElse(hn::Gt(l, x), l, x);
    if constexpr (kRule == TThreshold::LimitTo) r = hn::IfThenElse(hn::Gt(x, l), l, x);
    if constexpr (kRule == TThreshold::RaiseTo) r = hn::IfThenElse(hn::Ge(x, l), x, l);
    hn::StoreU(r, df, reinterpret_cast<double*>(d + 8 * i));
  }
  return i;
}

size_t Threshold64fBlocks(const uint8_t* s, uint8_t* d, size_t n, double level, TThreshold rule) {
  switch (rule) {
    case TThreshold::LimitInPlace:
      return Loop<TThreshold::LimitInPlace>(s, d, n, level);
    case TThreshold::RaiseInPlace:
      return Loop<TThreshold::RaiseInPlace>(s, d, n, level);
    case TThreshold::LimitTo:
      return Loop<TThreshold::LimitTo>(s, d, n, level);
    case TThreshold::RaiseTo:
      return Loop<TThreshold::RaiseTo>(s, d, n, level);
  }
  return 0;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::statistics
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::statistics {

HWY_EXPORT(Threshold64fBlocks);

Threshold64fBlocksFn VectorThreshold64fBlocks() { return PF_HWY_DISPATCHED(Threshold64fBlocks); }

}  // namespace builtin::statistics
#endif  // HWY_ONCE
