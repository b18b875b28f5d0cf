// Vector blocks of the bordered Sobel engine's row and column passes, compiled for every
// instruction set that Highway targets and chosen at run time. Both work in 16-bit lanes with
// wrap-around products and sums, which give the plain passes' values (SobelBorder.cpp finishes
// what the blocks leave).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/SobelBorderHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "primitives/filters/SobelBorderKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::sepborder {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <int N>
size_t RowTaps(const uint8_t* w, uint8_t* out, size_t len, const int16_t* k) {
  const hn::ScalableTag<int16_t> d16;
  const hn::RebindToUnsigned<decltype(d16)> du16;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const size_t lanes = hn::Lanes(d16);
  hn::Vec<decltype(d16)> c[N];
  for (int t = 0; t < N; ++t) c[t] = hn::Set(d16, k[t]);
  int16_t* o = reinterpret_cast<int16_t*>(out);
  size_t i = 0;
  for (; i + lanes <= len; i += lanes) {
    auto v = hn::Mul(hn::BitCast(d16, hn::PromoteTo(du16, hn::LoadU(d8, w + i))), c[0]);
    for (int t = 1; t < N; ++t)
      v = hn::Add(v,
                  hn::Mul(hn::BitCast(d16, hn::PromoteTo(du16, hn::LoadU(d8, w + i + t))), c[t]));
    hn::StoreU(v, d16, o + i);
  }
  return i;
}

size_t RowBlocks(const uint8_t* w, uint8_t* out, size_t len, const int16_t* k, int taps) {
  return taps == 3 ? RowTaps<3>(w, out, len, k) : RowTaps<5>(w, out, len, k);
}

template <int N>
size_t ColTaps(const uint8_t* const* rows, const int16_t* k, bool accumulate, uint8_t* dst,
               size_t width) {
  const hn::ScalableTag<int16_t> d16;
  const size_t lanes = hn::Lanes(d16);
  hn::Vec<decltype(d16)> c[N];
  const int16_t* r[N];
  for (int t = 0; t < N; ++t) {
    c[t] = hn::Set(d16, k[t]);
    r[t] = reinterpret_cast<const int16_t*>(rows[t]);
  }
  int16_t* d = reinterpret_cast<int16_t*>(dst);
  size_t i = 0;
  for (; i + lanes <= width; i += lanes) {
    auto v = accumulate ? hn::LoadU(d16, d + i) : hn::Zero(d16);
    for (int t = 0; t < N; ++t) v = hn::Add(v, hn::Mul(hn::LoadU(d16, r[t] + i), c[t]));
    hn::StoreU(v, d16, d + i);
  }
  return i;
}

size_t ColBlocks(const uint8_t* const* rows, const int16_t* k, int taps, bool accumulate,
                 uint8_t* dst, size_t width) {
  return taps == 3 ? ColTaps<3>(rows, k, accumulate, dst, width)
                   : ColTaps<5>(rows, k, accumulate, dst, width);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::sepborder
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::sepborder {

HWY_EXPORT(RowBlocks);
HWY_EXPORT(ColBlocks);

RowBlocksFn VectorRowBlocks() { return PF_HWY_DISPATCHED(RowBlocks); }
ColBlocksFn VectorColBlocks() { return PF_HWY_DISPATCHED(ColBlocks); }

}  // namespace builtin::sepborder
#endif  // HWY_ONCE
