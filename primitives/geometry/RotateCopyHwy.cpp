// Quarter-turn copies of one-byte pixels in 16 x 16 blocks of one 128-bit vector a row,
// compiled for every instruction set that Highway targets and chosen at run time. The block's
// source rows are loaded into vectors; rounds that interleave the pixels of vector k with
// those of vector k + n / 2 transpose it, and its rows are stored into the destination rows.
// Only bit patterns move, so the result is the plain copy's on every target. (Pixels of 4
// bytes measured faster in the plain 64-bit word blocks, so only one-byte pixels come here.)
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/RotateCopyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>

#include "primitives/support/HwyDispatch.h"
#include "primitives/geometry/RotateCopyKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::rotatecopy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Pixels of sizeof(T) bytes, n = 16 / sizeof(T) to a block: n source rows of n pixels in n
// vectors, log2(n) rounds that interleave vector k with vector k + n / 2, n destination rows.
template <typename T>
HWY_INLINE void QuarterBlocks(const uint8_t* src, uint8_t* dst, int rows, int columns,
                              int srcStep, int dstStep, int direction) {
#if HWY_TARGET == HWY_SCALAR
  // One lane per vector: never chosen (SixteenByteLanes).
  (void)src, (void)dst, (void)rows, (void)columns, (void)srcStep, (void)dstStep, (void)direction;
#else
  constexpr int n = 16 / sizeof(T);
  const hn::CappedTag<T, n> d;
  const hn::Repartition<uint8_t, decltype(d)> d8;
  using V = hn::Vec<decltype(d)>;
  for (int i = 0; i < rows; i += n) {
    // The first of the n source pixels that destination rows i .. i + n - 1 read in a row.
    const ptrdiff_t first =
        (direction > 0 ? i : -static_cast<ptrdiff_t>(i) - (n - 1)) * static_cast<ptrdiff_t>(sizeof(T));
    for (int g = 0; g < columns; g += n) {
      V v[n];
      for (int k = 0; k < n; ++k)
        v[k] = hn::BitCast(d, hn::LoadU(d8, src + static_cast<ptrdiff_t>(srcStep) * (g + k) + first));
      for (int round = 1; round < n; round *= 2) {
        V t[n];
        for (int k = 0; k < n / 2; ++k) {
          t[2 * k] = hn::InterleaveLower(d, v[k], v[k + n / 2]);
          t[2 * k + 1] = hn::InterleaveUpper(d, v[k], v[k + n / 2]);
        }
        for (int k = 0; k < n; ++k) v[k] = t[k];
      }
      for (int k = 0; k < n; ++k)
        hn::StoreU(hn::BitCast(d8, v[direction > 0 ? k : n - 1 - k]), d8,
                   dst + static_cast<ptrdiff_t>(dstStep) * (i + k) + g * static_cast<ptrdiff_t>(sizeof(T)));
    }
  }
#endif
}

void QuarterBlocks8(const uint8_t* src, uint8_t* dst, int rows, int columns, int srcStep,
                    int dstStep, int direction) {
  QuarterBlocks<uint8_t>(src, dst, rows, columns, srcStep, dstStep, direction);
}

// Whether this target holds 16 bytes in one vector (otherwise the plain code serves).
bool SixteenByteLanes() { return hn::Lanes(hn::CappedTag<uint8_t, 16>()) == 16; }

}  // namespace HWY_NAMESPACE
}  // namespace builtin::rotatecopy
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::rotatecopy {

HWY_EXPORT(QuarterBlocks8);
HWY_EXPORT(SixteenByteLanes);

QuarterBlocksFn VectorQuarterBlocks(int pixelBytes) {
  if (!HWY_DYNAMIC_DISPATCH(SixteenByteLanes)()) return nullptr;
  switch (pixelBytes) {
    case 1: return PF_HWY_DISPATCHED(QuarterBlocks8);
    default: return nullptr;
  }
}

}  // namespace builtin::rotatecopy
#endif  // HWY_ONCE
