// Vector blocks of the box filter (BoxFilterKernels.h), compiled once per instruction set and
// chosen at run time. Column sums and window sums are 32-bit lanes; the product with the
// multiplier wraps modulo 2^32 like the plain code (it never exceeds 2^32 for the areas the
// integer engine serves). The 3x3 mean works 16-bit lanes: a sum of nine bytes is at most
// 2295, and (s * 29128) >> 18 is the high half of the 16-bit product shifted right by 2.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/BoxFilterHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/targets.h>

#include "primitives/filters/BoxFilterKernels.h"
#include "primitives/support/HwyDispatch.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::boxfilter {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

size_t ColumnAddBlocks(int32_t* HWY_RESTRICT col, const uint8_t* HWY_RESTRICT row, size_t n) {
  const hn::ScalableTag<int32_t> d32;
  const hn::Rebind<uint8_t, decltype(d32)> d8;
  const size_t lanes = hn::Lanes(d32);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes)
    hn::StoreU(hn::Add(hn::LoadU(d32, col + i), hn::PromoteTo(d32, hn::LoadU(d8, row + i))), d32,
               col + i);
  return i;
}

size_t ColumnMoveBlocks(int32_t* HWY_RESTRICT col, const uint8_t* HWY_RESTRICT enter,
                        const uint8_t* HWY_RESTRICT leave, size_t n) {
  const hn::ScalableTag<int32_t> d32;
  const hn::Rebind<uint8_t, decltype(d32)> d8;
  const size_t lanes = hn::Lanes(d32);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const auto in = hn::PromoteTo(d32, hn::LoadU(d8, enter + i));
    const auto out = hn::PromoteTo(d32, hn::LoadU(d8, leave + i));
    hn::StoreU(hn::Add(hn::LoadU(d32, col + i), hn::Sub(in, out)), d32, col + i);
  }
  return i;
}

size_t WindowMeansBlocks(const int32_t* HWY_RESTRICT col, ptrdiff_t channels, int64_t taps,
                         uint32_t multiplier, int32_t shift, uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint32_t> du;
  const hn::Rebind<uint8_t, decltype(du)> d8;
  const hn::RebindToSigned<decltype(du)> di;
  const size_t lanes = hn::Lanes(du);
  const auto m = hn::Set(du, multiplier);
  const auto* c = reinterpret_cast<const uint32_t*>(col);
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    const uint32_t* p = c + i;
    auto s = hn::LoadU(du, p);
    for (int64_t k = 1; k < taps; ++k) {
      p += channels;
      s = hn::Add(s, hn::LoadU(du, p));
    }
    const auto mean = hn::ShiftRightSame(hn::Mul(s, m), shift);  // at most 255
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, mean)), d8, out + i);
  }
  return i;
}

// Window sums carried along the row, one or four channels, in 128-bit vectors of four 32-bit
// lanes. Four channels: a vector is one pixel's sums, moved on by the columns that enter and
// leave. One channel: a vector is four pixels; the column differences of the four are summed
// by a lane scan and added to the running sum of the pixel before them.
size_t WindowRunBlocks(const int32_t* HWY_RESTRICT col, ptrdiff_t channels, int64_t taps,
                       uint32_t multiplier, int32_t shift, uint32_t* HWY_RESTRICT sums,
                       uint8_t* HWY_RESTRICT out, size_t n) {
#if HWY_TARGET == HWY_SCALAR
  (void)col, (void)channels, (void)taps, (void)multiplier, (void)shift, (void)sums, (void)out,
      (void)n;
  return 0;  // no 128-bit vectors: the plain loop carries the sums
#else
  const hn::Full128<uint32_t> du;
  const hn::RebindToSigned<decltype(du)> di;
  const hn::Rebind<uint8_t, decltype(du)> d8;
  const auto m = hn::Set(du, multiplier);
  const auto* c = reinterpret_cast<const uint32_t*>(col);
  const auto mean = [&](hn::Vec<decltype(du)> s, uint8_t* to) {
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRightSame(hn::Mul(s, m), shift))), d8, to);
  };
  size_t i = 0;
  if (channels == 4) {
    const uint32_t* enter = c + taps * 4;
    auto s = hn::LoadU(du, sums);
    for (; i + 4 <= n; i += 4) {
      mean(s, out + i);
      s = hn::Add(s, hn::Sub(hn::LoadU(du, enter + i), hn::LoadU(du, c + i)));
    }
    hn::StoreU(s, du, sums);
  } else if (channels == 1) {
    const uint32_t* enter = c + taps;
    auto s = hn::Set(du, sums[0]);  // the sum of the pixel before the next four, in every lane
    for (; i + 4 <= n; i += 4) {
      auto diff = hn::Sub(hn::LoadU(du, enter + i), hn::LoadU(du, c + i));
      diff = hn::Add(diff, hn::ShiftLeftLanes<1>(du, diff));
      diff = hn::Add(diff, hn::ShiftLeftLanes<2>(du, diff));  // inclusive sums of the differences
      mean(hn::Add(s, hn::ShiftLeftLanes<1>(du, diff)), out + i);
      s = hn::Add(s, hn::Broadcast<3>(diff));
    }
    sums[0] = hn::GetLane(s);
  }
  return i;
#endif
}

size_t Box3x3Blocks(const uint8_t* HWY_RESTRICT src, ptrdiff_t step, ptrdiff_t channels,
                    uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::ScalableTag<uint16_t> d16;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const hn::RebindToSigned<decltype(d16)> di;
  const size_t lanes = hn::Lanes(d16);
  const auto k = hn::Set(d16, uint16_t{29128});
  size_t i = 0;
  for (; i + lanes <= n; i += lanes) {
    auto s = hn::Zero(d16);
    for (int r = 0; r < 3; ++r)
      for (int j = 0; j < 3; ++j)
        s = hn::Add(s, hn::PromoteTo(d16, hn::LoadU(d8, src + i + j * channels + r * step)));
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(di, hn::ShiftRight<2>(hn::MulHigh(s, k)))), d8,
               out + i);
  }
  return i;
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::boxfilter
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::boxfilter {

HWY_EXPORT(ColumnAddBlocks);
HWY_EXPORT(ColumnMoveBlocks);
HWY_EXPORT(WindowMeansBlocks);
HWY_EXPORT(Box3x3Blocks);
HWY_EXPORT(WindowRunBlocks);

TBoxBlocks VectorBox() {
  return TBoxBlocks{PF_HWY_DISPATCHED(ColumnAddBlocks), PF_HWY_DISPATCHED(ColumnMoveBlocks),
                    PF_HWY_DISPATCHED(WindowMeansBlocks), PF_HWY_DISPATCHED(Box3x3Blocks),
                    PF_HWY_DISPATCHED(WindowRunBlocks)};
}

}  // namespace builtin::boxfilter
#endif  // HWY_ONCE
