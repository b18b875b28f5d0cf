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
#include "primitives/support/HwyDispatch.h"

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

template <bool kMax>
HWY_INLINE size_t SharedPairLoop(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb,
                                 ptrdiff_t stride, const uint8_t* first, uint8_t* out0,
                                 uint8_t* out1, size_t n) {
  const hn::CappedTag<uint8_t, 32> d;
  using V = hn::Vec<decltype(d)>;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + 2 * lanes <= n; i += 2 * lanes) {
    // The first row of the two segments starts the extremes.
    const uint8_t* seed = (na > 0 ? a : b) + i;
    V x = hn::LoadU(d, seed), y = hn::LoadU(d, seed + lanes);
    for (int64_t j = 1; j < na; ++j) {
      const uint8_t* p = a + i + j * stride;
      x = Extreme<kMax, decltype(d)>(x, hn::LoadU(d, p));
      y = Extreme<kMax, decltype(d)>(y, hn::LoadU(d, p + lanes));
    }
    for (int64_t j = na > 0 ? 0 : 1; j < nb; ++j) {
      const uint8_t* p = b + i + j * stride;
      x = Extreme<kMax, decltype(d)>(x, hn::LoadU(d, p));
      y = Extreme<kMax, decltype(d)>(y, hn::LoadU(d, p + lanes));
    }
    hn::StoreU(x, d, out1 + i);
    hn::StoreU(y, d, out1 + i + lanes);
    hn::StoreU(Extreme<kMax, decltype(d)>(x, hn::LoadU(d, first + i)), d, out0 + i);
    hn::StoreU(Extreme<kMax, decltype(d)>(y, hn::LoadU(d, first + i + lanes)), d, out0 + i + lanes);
  }
  return i;
}

template <bool kMax>
HWY_INLINE size_t MergeLoop(const uint8_t* src, uint8_t* out, size_t n) {
  const hn::CappedTag<uint8_t, 32> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes)
    hn::StoreU(Extreme<kMax, decltype(d)>(hn::LoadU(d, out + i), hn::LoadU(d, src + i)), d,
               out + i);
  return i;
}

size_t MinSharedPairBlocks(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb,
                           ptrdiff_t stride, const uint8_t* first, uint8_t* out0, uint8_t* out1,
                           size_t n) {
  return SharedPairLoop<false>(a, na, b, nb, stride, first, out0, out1, n);
}
size_t MaxSharedPairBlocks(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb,
                           ptrdiff_t stride, const uint8_t* first, uint8_t* out0, uint8_t* out1,
                           size_t n) {
  return SharedPairLoop<true>(a, na, b, nb, stride, first, out0, out1, n);
}
size_t MinMergeBlocks(const uint8_t* src, uint8_t* out, size_t n) {
  return MergeLoop<false>(src, out, n);
}
size_t MaxMergeBlocks(const uint8_t* src, uint8_t* out, size_t n) {
  return MergeLoop<true>(src, out, n);
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
HWY_EXPORT(MinSharedPairBlocks);
HWY_EXPORT(MaxSharedPairBlocks);
HWY_EXPORT(MinMergeBlocks);
HWY_EXPORT(MaxMergeBlocks);

TTapsBlocks VectorTaps() {
  return TTapsBlocks{{PF_HWY_DISPATCHED(MinTapsBlocks), PF_HWY_DISPATCHED(MinSharedPairBlocks),
                      PF_HWY_DISPATCHED(MinMergeBlocks)},
                     {PF_HWY_DISPATCHED(MaxTapsBlocks), PF_HWY_DISPATCHED(MaxSharedPairBlocks),
                      PF_HWY_DISPATCHED(MaxMergeBlocks)}};
}

}  // namespace builtin::extremefilter
#endif  // HWY_ONCE
