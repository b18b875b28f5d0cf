// Super-sampling resize: shrinking by area averaging.
//
// Every destination pixel is the average of the source area it covers, xRatio = 1 / xFactor
// source columns by yRatio = 1 / yFactor source rows, partly covered rows and columns weighted
// by the covered part. fbResizeSuperEngine checks its arguments in this order, first failure
// returned and nothing written: pSrc or pDst null (or, planar, one of their 3 or 4 plane
// pointers) -8; a source side or region side not positive or a region origin negative -6;
// region origin at or beyond the right or bottom edge +29; a destination side not positive
// -6; a factor not above 0 -23. The region is clipped to the image; the destination side is
// min(request, trunc(factor * side + 1e-7)), or 1 when that is 0 and factor * side + 1e-7 >=
// 0.5, else -201 (width first). The accumulator is allocated once, before anything is
// written: -9 when that fails, nothing written, also for planar images.
//
// Rows: with yRatio whole, each destination row adds that many source rows. Otherwise the
// first destination row adds floor(yRatio) rows and the next row times w = yRatio -
// floor(yRatio); each later row a = 1 - w, n = floor(yRatio - a + 1e-7), w = yRatio - a - n
// adds the shared row times a (only when a > 1e-7, but always moves past it), n whole rows,
// and the next row times w (when w > 1e-7). Columns follow the same rule inside the accumulator row,
// the partial weight restarting on every row. No row or column at or beyond the clipped
// region's side is ever gathered: its partial term is dropped.
//
// Arithmetic: with both ratios whole and 8u or 16u samples the sums are unsigned 32-bit
// integers. Otherwise the accumulator is float32, every vertical addition rounded to float32
// (acc = float(acc + sample * weight), the product in double), the horizontal sums formed in
// double and rounded to float32. Integer results are trunc(0.5 + scale * value) (at most the
// type's maximum), float results float(scale * value), where scale = xFactor * yFactor. A side
// forced to 1 divides by the area the region actually has on that side (1 / side in place of
// its factor).
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// dataType: 0 8u, 1 16u, 2 32f. Interleaved images (planar 0): channels 1 and 4 use the
// one-channel and four-channel kernels, any other count the generic kernel of three channels
// pixelStride elements apart. Planar images (planar != 0): pSrc and pDst are arrays of 3
// (channels 3) or 4 plane pointers sharing srcStep and dstStep.
IppStatus fbResizeSuperEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                              void* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                              double yFactor, int pixelStride, int channels, int dataType,
                              int planar);

// The row kernels, one call per image or plane: S0 the region's first pixel, D0 the
// destination's, steps in bytes, sourceColumns the accumulator's width in pixels (at most the
// region's width), sourceRows the region's height, ratioMode = 2 (xRatio not whole) + (yRatio
// not whole). Each allocates its accumulator: 0, or -9 with nothing written.
#define PF_SUPER_ROWS_ARGS(T)                                                                  \
  const T *S0, T *D0, int srcStep, int dstStep, int sourceColumns, int sourceRows, int dstWidth, \
      int dstHeight, double xRatio, double yRatio, double scale
IppStatus fbResizeSuperRowsGeneric8u(PF_SUPER_ROWS_ARGS(Ipp8u), int pixelStride, int ratioMode);
IppStatus fbResizeSuperRowsGeneric16u(PF_SUPER_ROWS_ARGS(Ipp16u), int pixelStride,
                                      int ratioMode);
IppStatus fbResizeSuperRowsGeneric32f(PF_SUPER_ROWS_ARGS(Ipp32f), int pixelStride,
                                      int ratioMode);
IppStatus fbResizeSuperRowsPlane8u(PF_SUPER_ROWS_ARGS(Ipp8u), int ratioMode);
IppStatus fbResizeSuperRowsPlane16u(PF_SUPER_ROWS_ARGS(Ipp16u), int ratioMode);
IppStatus fbResizeSuperRowsPlane32f(PF_SUPER_ROWS_ARGS(Ipp32f), int ratioMode);
IppStatus fbResizeSuperRowsFour8u(PF_SUPER_ROWS_ARGS(Ipp8u), int ratioMode);
IppStatus fbResizeSuperRowsFour16u(PF_SUPER_ROWS_ARGS(Ipp16u), int ratioMode);
IppStatus fbResizeSuperRowsFour32f(PF_SUPER_ROWS_ARGS(Ipp32f), int ratioMode);
#undef PF_SUPER_ROWS_ARGS

}  // namespace builtin
