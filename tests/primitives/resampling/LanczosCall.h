// The arguments of a direct call of a Lanczos kernel of fbResizeKernelTable: a W x H source
// region at (3, 3) of an image with a three-pixel margin on every side (the unclamped kernels
// read that far past the region), the caller's row and column tables, and six work rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "primitives/resampling/ResizeKernels.h"

namespace resizemodel {

struct LanczosTables {
  LanczosTables(int dW, int dH)
      : rowIndex(dH), colOffsets(dW), rowWeights(6 * static_cast<size_t>(dH)),
        colWeights(6 * static_cast<size_t>(dW)), work(6 * static_cast<size_t>(dW + 4) * 4) {}
  std::vector<int32_t> rowIndex;
  std::vector<ptrdiff_t> colOffsets;
  std::vector<float> rowWeights, colWeights;  // six per destination row, column
  std::vector<float> work;                    // six rows of (dW + 4) x 4 values
};

inline builtin::resize::ResizeKernelArgs LanczosArgs(LanczosTables& t, const uint8_t* regionOrigin,
                                             ptrdiff_t srcStep, int W, int H, uint8_t* dst,
                                             ptrdiff_t dstStep, int dW, int dH, int pixelStride,
                                             int channels) {
  builtin::resize::ResizeKernelArgs a;
  a.src = regionOrigin;
  a.dst = dst;
  a.srcStep = srcStep;
  a.dstStep = dstStep;
  a.dstWidth = dW;
  a.dstHeight = dH;
  a.rowIndex = t.rowIndex.data();
  a.colOffsets = t.colOffsets.data();
  a.rowWeights = t.rowWeights.data();
  a.colWeights = t.colWeights.data();
  for (int k = 0; k < 6; ++k) a.work[k] = t.work.data() + static_cast<size_t>(k) * (dW + 4) * 4;
  a.roiX = 3;
  a.roiY = 3;
  a.availWidth = W + 3;
  a.availHeight = H + 3;
  a.pixelStride = pixelStride;
  a.channels = channels;
  return a;
}

}  // namespace resizemodel
