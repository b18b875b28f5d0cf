// Vector blocks of the median filter (MedianFilterKernels.h), compiled once per instruction
// set and chosen at run time: the selection networks run on whole byte vectors, one output
// byte per lane, with byte minima and maxima.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/MedianFilterHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/targets.h>

#include <utility>

#include "primitives/filters/MedianFilterKernels.h"
#include "primitives/support/HwyDispatch.h"

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

size_t MedianTaps3Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t stride,
                         uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const uint8_t* p = src + i;
    hn::StoreU(Median3(hn::LoadU(d, p), hn::LoadU(d, p + stride), hn::LoadU(d, p + 2 * stride)), d,
               out + i);
  }
  return i;
}

size_t MedianTaps5Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t stride,
                         uint8_t* HWY_RESTRICT out, size_t n) {
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

// Each column is sorted once, into three rows of the lows, middles and highs of a strip kept
// on the stack; the median of nine is then the median of the largest low, the median of the
// middles and the smallest high of the three columns of each window.
size_t MedianSquare3Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t step, ptrdiff_t channels,
                           uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint8_t> d;
  using V = hn::Vec<decltype(d)>;
  const size_t lanes = hn::Lanes(d);
  constexpr size_t kStrip = 1024;
  constexpr size_t kColumns = kStrip + 8;  // a strip's columns: 2 x channels more than its outputs
  HWY_ALIGN uint8_t lows[kColumns], middles[kColumns], highs[kColumns];
  const size_t whole = n / lanes * lanes;
  for (size_t base = 0; base < whole; base += kStrip) {
    const size_t len = whole - base < kStrip ? whole - base : kStrip;
    const size_t columns = len + 2 * static_cast<size_t>(channels);
    for (size_t p = 0; p < columns; p += lanes) {
      // The last vector of columns may overlap the one before; it never reaches past them.
      const size_t q = p + lanes <= columns ? p : columns - lanes;
      const uint8_t* c = src + base + q;
      V a = hn::LoadU(d, c), b = hn::LoadU(d, c + step), e = hn::LoadU(d, c + 2 * step);
      Exchange(a, b);
      Exchange(b, e);
      Exchange(a, b);
      hn::StoreU(a, d, lows + q);
      hn::StoreU(b, d, middles + q);
      hn::StoreU(e, d, highs + q);
    }
    for (size_t i = 0; i < len; i += lanes) {
      const V maxOfLows =
          hn::Max(hn::Max(hn::LoadU(d, lows + i), hn::LoadU(d, lows + i + channels)),
                  hn::LoadU(d, lows + i + 2 * channels));
      const V minOfHighs =
          hn::Min(hn::Min(hn::LoadU(d, highs + i), hn::LoadU(d, highs + i + channels)),
                  hn::LoadU(d, highs + i + 2 * channels));
      const V mid = Median3(hn::LoadU(d, middles + i), hn::LoadU(d, middles + i + channels),
                            hn::LoadU(d, middles + i + 2 * channels));
      hn::StoreU(Median3(maxOfLows, mid, minOfHighs), d, out + base + i);
    }
  }
  return whole;
}

// The same scheme for 5x5: each column is sorted once into five rows of a strip on the stack,
// then the sorted columns of each window are merged as far as the thirteenth smallest.
size_t MedianSquare5Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t step, ptrdiff_t channels,
                           uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint8_t> d;
  using V = hn::Vec<decltype(d)>;
  const size_t lanes = hn::Lanes(d);
  constexpr size_t kStrip = 1024;
  constexpr size_t kColumns = kStrip + 16;  // a strip's columns: 4 x channels more than its outputs
  HWY_ALIGN uint8_t sorted[5][kColumns];
  const size_t whole = n / lanes * lanes;
  for (size_t base = 0; base < whole; base += kStrip) {
    const size_t len = whole - base < kStrip ? whole - base : kStrip;
    const size_t columns = len + 4 * static_cast<size_t>(channels);
    for (size_t p = 0; p < columns; p += lanes) {
      const size_t q = p + lanes <= columns ? p : columns - lanes;
      V v[5];
      for (int r = 0; r < 5; ++r) v[r] = hn::LoadU(d, src + base + q + r * step);
      RunNetwork<kSort5Net>(v, std::make_index_sequence<std::size(kSort5Net)>());
      for (int r = 0; r < 5; ++r) hn::StoreU(v[r], d, sorted[r] + q);
    }
    for (size_t i = 0; i < len; i += lanes) {
      V v[25];
      for (int j = 0; j < 5; ++j)
        for (int r = 0; r < 5; ++r) v[5 * j + r] = hn::LoadU(d, sorted[r] + i + j * channels);
      RunNetwork<kMergeSorted5Columns>(v,
                                       std::make_index_sequence<std::size(kMergeSorted5Columns)>());
      hn::StoreU(v[kMedianOf25Line], d, out + base + i);
    }
  }
  return whole;
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
  return TMedianBlocks{PF_HWY_DISPATCHED(MedianTaps3Blocks), PF_HWY_DISPATCHED(MedianTaps5Blocks),
                       PF_HWY_DISPATCHED(MedianSquare3Blocks),
                       PF_HWY_DISPATCHED(MedianSquare5Blocks)};
}

}  // namespace builtin::medianfilter
#endif  // HWY_ONCE
