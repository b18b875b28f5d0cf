// Vector blocks of the median filter (MedianFilterKernels.h), compiled once per instruction
// set and chosen at run time: the selection networks run on whole byte vectors, one output
// byte per lane, with byte minima and maxima.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/MedianFilterHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <utility>

#include "primitives/filters/MedianFilterKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::medianfilter {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <class V>
HWY_INLINE void Exchange(V& lo, V& hi) {
  const V smaller = hn::Min(lo, hi);
  hi = hn::Max(lo, hi);
  lo = smaller;
}

template <class V>
HWY_INLINE V Median3(V a, V b, V c) {
  return hn::Max(hn::Min(a, b), hn::Min(hn::Max(a, b), c));
}

// Runs the exchanges of net in order, unrolled at compile time.
template <const auto& kNet, class V, size_t... I>
HWY_INLINE void RunNetwork(V* v, std::index_sequence<I...>) {
  (Exchange(v[kNet[I].lo], v[kNet[I].hi]), ...);
}

size_t MedianTaps3Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t stride, uint8_t* HWY_RESTRICT out,
                         size_t n) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const uint8_t* p = src + i;
    hn::StoreU(Median3(hn::LoadU(d, p), hn::LoadU(d, p + stride), hn::LoadU(d, p + 2 * stride)), d, out + i);
  }
  return i;
}

size_t MedianTaps5Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t stride, uint8_t* HWY_RESTRICT out,
                         size_t n) {
  const hn::ScalableTag<uint8_t> d;
  using V = hn::Vec<decltype(d)>;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const uint8_t* p = src + i;
    V v[5];
    for (int k = 0; k < 5; ++k) v[k] = hn::LoadU(d, p + k * stride);
    RunNetwork<kMedianOf5Net>(v, std::make_index_sequence<std::size(kMedianOf5Net)>());
    hn::StoreU(v[kMedianOf5Line], d, out + i);
  }
  return i;
}

// Each column is sorted, then the median of nine is the median of the largest minimum, the
// median of the middles and the smallest maximum.
size_t MedianSquare3Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t step, ptrdiff_t channels,
                           uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint8_t> d;
  using V = hn::Vec<decltype(d)>;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    V lo[3], mid[3], hi[3];
    for (int j = 0; j < 3; ++j) {
      const uint8_t* p = src + i + j * channels;
      V a = hn::LoadU(d, p), b = hn::LoadU(d, p + step), c = hn::LoadU(d, p + 2 * step);
      Exchange(a, b);
      Exchange(b, c);
      Exchange(a, b);
      lo[j] = a, mid[j] = b, hi[j] = c;
    }
    const V maxOfLows = hn::Max(hn::Max(lo[0], lo[1]), lo[2]);
    const V minOfHighs = hn::Min(hn::Min(hi[0], hi[1]), hi[2]);
    hn::StoreU(Median3(maxOfLows, Median3(mid[0], mid[1], mid[2]), minOfHighs), d, out + i);
  }
  return i;
}

size_t MedianSquare5Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t step, ptrdiff_t channels,
                           uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint8_t> d;
  using V = hn::Vec<decltype(d)>;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    V v[25];
    for (int j = 0; j < 5; ++j)
      for (int r = 0; r < 5; ++r) v[5 * j + r] = hn::LoadU(d, src + i + j * channels + r * step);
    RunNetwork<kMedianOf25Net>(v, std::make_index_sequence<std::size(kMedianOf25Net)>());
    hn::StoreU(v[kMedianOf25Line], d, out + i);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::medianfilter
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::medianfilter {

HWY_EXPORT(MedianTaps3Blocks);
HWY_EXPORT(MedianTaps5Blocks);
HWY_EXPORT(MedianSquare3Blocks);
HWY_EXPORT(MedianSquare5Blocks);

TMedianBlocks VectorMedian() {
  return TMedianBlocks{&HWY_DYNAMIC_DISPATCH(MedianTaps3Blocks), &HWY_DYNAMIC_DISPATCH(MedianTaps5Blocks),
                       &HWY_DYNAMIC_DISPATCH(MedianSquare3Blocks), &HWY_DYNAMIC_DISPATCH(MedianSquare5Blocks)};
}

}  // namespace builtin::medianfilter
#endif  // HWY_ONCE
