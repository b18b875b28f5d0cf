// Vector blocks of erosion and dilation (MorphologyKernels.h), compiled once per instruction
// set and chosen at run time. Each vector of outputs keeps its running extreme in a register
// while the cells are loaded one after the other; byte minima and maxima are exact, so every
// target gives the plain loop's bytes. Vectors are capped at 256 bits, as in the minimum and
// maximum filters, whose kernels are the same shifted unaligned loads.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "primitives/filters/MorphologyHwy.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>
#include <hwy/targets.h>

#include "primitives/support/HwyDispatch.h"
#include "primitives/filters/MorphologyKernels.h"

HWY_BEFORE_NAMESPACE();
namespace builtin::morphology {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <bool kMax, class V>
HWY_INLINE V Extreme(V a, V b) {
  if constexpr (kMax) {
    return hn::Max(a, b);
  } else {
    return hn::Min(a, b);
  }
}

template <bool kMax>
HWY_INLINE size_t CellsLoop(const uint8_t* const* cells, int64_t count, bool first,
                            uint8_t* HWY_RESTRICT out, size_t n) {
  const hn::CappedTag<uint8_t, 32> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  // Two vectors a step: two chains of extremes side by side.
  for (; i + 2 * lanes <= n; i += 2 * lanes) {
    auto a = first ? hn::LoadU(d, cells[0] + i) : hn::LoadU(d, out + i);
    auto b = first ? hn::LoadU(d, cells[0] + i + lanes) : hn::LoadU(d, out + i + lanes);
    for (int64_t k = first ? 1 : 0; k < count; ++k) {
      a = Extreme<kMax>(a, hn::LoadU(d, cells[k] + i));
      b = Extreme<kMax>(b, hn::LoadU(d, cells[k] + i + lanes));
    }
    hn::StoreU(a, d, out + i);
    hn::StoreU(b, d, out + i + lanes);
  }
  for (; i + lanes <= n; i += lanes) {
    auto a = first ? hn::LoadU(d, cells[0] + i) : hn::LoadU(d, out + i);
    for (int64_t k = first ? 1 : 0; k < count; ++k)
      a = Extreme<kMax>(a, hn::LoadU(d, cells[k] + i));
    hn::StoreU(a, d, out + i);
  }
  return i;
}

size_t MinCellsBlocks(const uint8_t* const* cells, int64_t count, bool first, uint8_t* out,
                      size_t n) {
  return CellsLoop<false>(cells, count, first, out, n);
}
size_t MaxCellsBlocks(const uint8_t* const* cells, int64_t count, bool first, uint8_t* out,
                      size_t n) {
  return CellsLoop<true>(cells, count, first, out, n);
}

}  // namespace HWY_NAMESPACE
}  // namespace builtin::morphology
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace builtin::morphology {

HWY_EXPORT(MinCellsBlocks);
HWY_EXPORT(MaxCellsBlocks);

TCellsBlocks VectorCells() {
  if (!hwy::GetChosenTarget().IsInitialized())
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
  return TCellsBlocks{PF_HWY_DISPATCHED(MinCellsBlocks), PF_HWY_DISPATCHED(MaxCellsBlocks)};
}

}  // namespace builtin::morphology
#endif  // HWY_ONCE
