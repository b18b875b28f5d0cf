// Vector blocks of the minimum and maximum filters (MinMaxFiltersKernels.h), compiled once per
// instruction set and chosen at run time. Each vector of outputs keeps its running extreme in
// a register while the taps are loaded one after the other; byte minima and maxima are exact,
// so every target gives the plain loop's bytes. Vectors are capped at 256 bits: the kernels
// are mostly unaligned loads of shifted rows, which 512-bit vectors made slower, not faster,
// on the machines measured.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/MinMaxFiltersHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/targets.h>

#include "primitives/filters/MinMaxFiltersKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::extremefilter {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <bool kMax, class D>
HWY_INLINE hn::Vec<D> Extreme(hn::Vec<D> a, hn::Vec<D> b) {
  if constexpr (kMax) {
    return hn::Max(a, b);
  } else {
    return hn::Min(a, b);
  }
}

template <bool kMax>
HWY_INLINE size_t TapsLoop(const uint8_t* HWY_RESTRICT src, ptrdiff_t stride, int64_t taps,
                           uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::CappedTag<uint8_t, 32> d;  // wider vectors were slower here: see the top
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  // Four vectors a step, so that four chains of extremes run side by side and the loop over
  // the taps costs little per vector.
  for (; i + 4 * lanes <= n; i += 4 * lanes) {
    const uint8_t* p = src + i;
    auto a = hn::LoadU(d, p);
    auto b = hn::LoadU(d, p + lanes);
    auto c = hn::LoadU(d, p + 2 * lanes);
    auto e = hn::LoadU(d, p + 3 * lanes);
    for (int64_t j = 1; j < taps; ++j) {
      p += stride;
      a = Extreme<kMax, decltype(d)>(a, hn::LoadU(d, p));
      b = Extreme<kMax, decltype(d)>(b, hn::LoadU(d, p + lanes));
      c = Extreme<kMax, decltype(d)>(c, hn::LoadU(d, p + 2 * lanes));
      e = Extreme<kMax, decltype(d)>(e, hn::LoadU(d, p + 3 * lanes));
    }
    hn::StoreU(a, d, out + i);
    hn::StoreU(b, d, out + i + lanes);
    hn::StoreU(c, d, out + i + 2 * lanes);
    hn::StoreU(e, d, out + i + 3 * lanes);
  }
  for (; i + 2 * lanes <= n; i += 2 * lanes) {
    const uint8_t* p = src + i;
    auto a = hn::LoadU(d, p);
    auto b = hn::LoadU(d, p + lanes);
    for (int64_t j = 1; j < taps; ++j) {
      p += stride;
      a = Extreme<kMax, decltype(d)>(a, hn::LoadU(d, p));
      b = Extreme<kMax, decltype(d)>(b, hn::LoadU(d, p + lanes));
    }
    hn::StoreU(a, d, out + i);
    hn::StoreU(b, d, out + i + lanes);
  }
  for (; i + lanes <= n; i += lanes) {
    const uint8_t* p = src + i;
    auto a = hn::LoadU(d, p);
    for (int64_t j = 1; j < taps; ++j) {
      p += stride;
      a = Extreme<kMax, decltype(d)>(a, hn::LoadU(d, p));
    }
    hn::StoreU(a, d, out + i);
  }
  return i;
}

size_t MinTapsBlocks(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out, size_t n) {
  return TapsLoop<false>(src, stride, taps, out, n);
}
size_t MaxTapsBlocks(const uint8_t* src, ptrdiff_t stride, int64_t taps, uint8_t* out, size_t n) {
  return TapsLoop<true>(src, stride, taps, out, n);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::extremefilter
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::extremefilter {

HWY_EXPORT(MinTapsBlocks);
HWY_EXPORT(MaxTapsBlocks);

TTapsBlocks VectorTaps() {
  // Choose the target first: before any dispatch the table holds the choosing entry, which
  // asks the processor again on every call (slow where that traps to a hypervisor).
  if (!hwy::GetChosenTarget().IsInitialized()) hwy::GetChosenTarget().Update(hwy::SupportedTargets());
  return TTapsBlocks{&HWY_DYNAMIC_DISPATCH(MinTapsBlocks), &HWY_DYNAMIC_DISPATCH(MaxTapsBlocks)};
}

}  // namespace builtin::extremefilter
#endif  // HWY_ONCE
