// The warp frame's out-of-line helpers: plane-pointer tests and the first-row advance.
#include "primitives/geometry/WarpFrame.h"

#include <cstddef>

namespace builtin::warp {

PlaneRowsAdvance::PlaneRowsAdvance(void* pDst, int32_t layout, int32_t dstStep, int32_t firstRow) {
  const ptrdiff_t offset = static_cast<ptrdiff_t>(dstStep) * firstRow;
  if (!IsPlanar(layout)) {
    destination_ = static_cast<uint8_t*>(pDst) + offset;
    return;
  }
  planes_ = static_cast<uint8_t**>(pDst);
  count_ = PlaneCount(layout);
  for (int32_t i = 0; i < count_; ++i) {
    saved_[i] = planes_[i];
    planes_[i] += offset;
  }
  destination_ = pDst;
}

PlaneRowsAdvance::~PlaneRowsAdvance() {
  for (int32_t i = 0; i < count_; ++i) planes_[i] = saved_[i];
}

bool PlanesPresent(const void* planeArray, int32_t layout) {
  const void* const* planes = static_cast<const void* const*>(planeArray);
  for (int32_t i = 0; i < PlaneCount(layout); ++i)
    if (planes[i] == nullptr) return false;
  return true;
}

}  // namespace builtin::warp
