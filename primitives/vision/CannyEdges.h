// Canny edge detection from given x and y derivatives.
//
// Magnitudes are |dx| + |dy|. A pixel is a candidate when its magnitude is above the low
// threshold and it survives non-maximum suppression along its gradient direction (one of four
// sectors split at 22.5 and 67.5 degrees); the result is 255 at every candidate that is
// 8-connected through candidates to one whose magnitude is above the high threshold, 0
// elsewhere in the region. Bytes of the destination outside the region are never written.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// The size in bytes of the work buffer that ippiCanny_16s8u_C1R needs for a region.
// -8 null pointer; -6 width or height < 1, or a size that does not fit in 32 bits.
IppStatus ippiCannyGetSize(IppiSize roiSize, int* pBufferSize);

// Edges of a region from its signed 16-bit derivatives. pBuffer holds at least the size
// ippiCannyGetSize gives; its contents are scratch.
// Checks in this order: -8 null pointer; -6 width or height < 1; -14 srcDxStep or srcDyStep
// < 2 * width or dstEdgeStep < width; -108 odd derivative step; -5 lowThresh < 0 or
// highThresh < lowThresh (or either not a number); -6 a region whose work buffer size does not
// fit in 32 bits (ippiCannyGetSize refuses it too). Rows may start at any address.
IppStatus ippiCanny_16s8u_C1R(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy,
                              int srcDyStep, Ipp8u* pDstEdges, int dstEdgeStep, IppiSize roiSize,
                              Ipp32f lowThresh, Ipp32f highThresh, Ipp8u* pBuffer);

// The same edges with the plain per-pixel suppression. ippiCanny_16s8u_C1R suppresses with
// vector code chosen for the processor; this is the reference it equals byte for byte.
IppStatus CannyScalarReference(const Ipp16s* pSrcDx, int srcDxStep, const Ipp16s* pSrcDy, int srcDyStep,
                               Ipp8u* pDstEdges, int dstEdgeStep, IppiSize roiSize, Ipp32f lowThresh,
                               Ipp32f highThresh, Ipp8u* pBuffer);

}  // namespace builtin
