// Quarter-turn copies of one-byte pixels in 16 x 16 blocks, compiled for every instruction set
// that Highway targets and chosen at run time. Sixteen source rows of 16 bytes are loaded into
// 128-bit vectors; four rounds that interleave the bytes of vector k with those of vector
// k + 8 transpose the block, and its rows are stored into 16 destination rows. Only bytes are
// moved, so the result is the plain copy's on every target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/geometry/RotateCopyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <cstddef>

#include "primitives/geometry/RotateCopyKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::rotatecopy {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void QuarterBlocks8(const uint8_t* src, uint8_t* dst, int rows, int columns, int srcStep,
                    int dstStep, int direction) {
#if HWY_TARGET == HWY_SCALAR
  // One byte per vector: never chosen (SixteenByteLanes).
  (void)src, (void)dst, (void)rows, (void)columns, (void)srcStep, (void)dstStep, (void)direction;
#else
  const hn::CappedTag<uint8_t, 16> d;
  using V = hn::Vec<decltype(d)>;
  for (int i = 0; i < rows; i += 16) {
    // The first of the 16 source bytes that destination rows i .. i + 15 read in a row.
    const ptrdiff_t first = direction > 0 ? i : -static_cast<ptrdiff_t>(i) - 15;
    for (int g = 0; g < columns; g += 16) {
      V v[16];
      for (int k = 0; k < 16; ++k)
        v[k] = hn::LoadU(d, src + static_cast<ptrdiff_t>(srcStep) * (g + k) + first);
      for (int round = 0; round < 4; ++round) {
        V t[16];
        for (int k = 0; k < 8; ++k) {
          t[2 * k] = hn::InterleaveLower(d, v[k], v[k + 8]);
          t[2 * k + 1] = hn::InterleaveUpper(d, v[k], v[k + 8]);
        }
        for (int k = 0; k < 16; ++k) v[k] = t[k];
      }
      for (int k = 0; k < 16; ++k)
        hn::StoreU(v[direction > 0 ? k : 15 - k], d,
                   dst + static_cast<ptrdiff_t>(dstStep) * (i + k) + g);
    }
  }
#endif
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

QuarterBlocks8Fn VectorQuarterBlocks8() {
  if (!HWY_DYNAMIC_DISPATCH(SixteenByteLanes)()) return nullptr;
  return &HWY_DYNAMIC_DISPATCH(QuarterBlocks8);
}

}  // namespace builtin::rotatecopy
#endif  // HWY_ONCE
