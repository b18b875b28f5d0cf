// The vector row of the 32-bit integral images, compiled for every instruction set that
// Highway targets and chosen at run time. A vector of pixels gets its running sums in steps:
// within each 128-bit block by two shifted additions, then across blocks by adding the totals
// of the blocks before (whole-block lane shifts), and finally the sum carried from the pixels
// before the vector. All additions wrap modulo 2^32 like the reference.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/vision/IntegralImagesHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstring>

#include "primitives/vision/IntegralImagesKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::integral {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void Row32s(const uint8_t* HWY_RESTRICT s, const uint8_t* above, uint8_t* d, int64_t w, uint32_t val) {
#if HWY_TARGET == HWY_SCALAR
  Row32sScalar(s, above, d, w, val);
#else
  const hn::ScalableTag<uint32_t> d32;
  const hn::Rebind<uint8_t, decltype(d32)> d8;
  constexpr size_t n = HWY_LANES(uint32_t);
  // Lane shifts by 4, 8, ... lanes (whole blocks) to carry block totals upwards, and the
  // broadcast of the last lane.
  constexpr size_t kSteps = n <= 4 ? 0 : n <= 8 ? 1 : n <= 16 ? 2 : 3;
  static_assert(n <= 32);
  using Indices = decltype(hn::SetTableIndices(d32, static_cast<const int32_t*>(nullptr)));
  using Mask = decltype(hn::FirstN(d32, 0));
  Indices shift[kSteps + 1];
  Mask below[kSteps + 1];
  HWY_ALIGN int32_t idx[n];
  for (size_t j = 0; j < kSteps; ++j) {
    const size_t k = size_t{4} << j;
    for (size_t i = 0; i < n; ++i) idx[i] = static_cast<int32_t>(i >= k ? i - k : 0);
    shift[j] = hn::SetTableIndices(d32, idx);
    below[j] = hn::FirstN(d32, k);
  }
  for (size_t i = 0; i < n; ++i) idx[i] = static_cast<int32_t>(n - 1);
  const Indices last = hn::SetTableIndices(d32, idx);

  std::memcpy(d, &val, 4);
  auto* out = reinterpret_cast<uint32_t*>(d + 4);
  const auto* up = reinterpret_cast<const uint32_t*>(above + 4);
  auto carry = hn::Zero(d32);  // the running sum before the vector, in every lane
  int64_t x = 0;
  for (; x + static_cast<int64_t>(n) <= w; x += static_cast<int64_t>(n)) {
    auto v = hn::PromoteTo(d32, hn::LoadU(d8, s + x));
    v = hn::Add(v, hn::ShiftLeftLanes<1>(d32, v));
    v = hn::Add(v, hn::ShiftLeftLanes<2>(d32, v));
    // Each block's total in all its lanes, summed over the blocks before it.
    const auto totals = hn::Broadcast<3>(v);
    auto before = totals;
    for (size_t j = 0; j < kSteps; ++j)
      before = hn::Add(before, hn::IfThenZeroElse(below[j], hn::TableLookupLanes(before, shift[j])));
    v = hn::Add(v, hn::Sub(before, totals));
    // The carry chain is one addition per vector; the broadcast of the vector's own total
    // stays off it.
    const auto sums = hn::Add(v, carry);
    carry = hn::Add(carry, hn::TableLookupLanes(v, last));
    hn::StoreU(hn::Add(hn::LoadU(d32, up + x), sums), d32, out + x);
  }
  uint32_t sum = hn::GetLane(carry);
  for (; x < w; ++x) {
    sum += s[x];
    uint32_t a;
    std::memcpy(&a, above + 4 * (x + 1), 4);
    a += sum;
    std::memcpy(d + 4 * (x + 1), &a, 4);
  }
#endif
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::integral
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::integral {

HWY_EXPORT(Row32s);

Row32sFn Row32sVector() { return &HWY_DYNAMIC_DISPATCH(Row32s); }

}  // namespace builtin::integral
#endif  // HWY_ONCE
