// Sobel derivatives of 8-bit images into signed 16-bit images.
//
// The Sobel3x3 pair computes the derivatives of a whole region with a replicated border
// (every coordinate outside the region is replaced by the nearest one inside it), so it reads
// nothing outside the region. The two FilterSobel forms read one (3x3) or two (5x5) pixels
// beyond every edge of the region, which the caller supplies. Destination rows may start at any
// address (the step must still be even where a form checks it).
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// x derivative, right minus left: mask rows (-1 0 1), (-2 0 2), (-1 0 1).
// -8 null pointer; -14 a step below 1; -6 width < 1 or height < 2; -108 odd dstStep.
IppStatus ippiSobel3x3_Dx_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                    IppiSize roiSize);

// y derivative; sign 0 gives lower minus upper (mask rows (-1 -2 -1), (0 0 0), (1 2 1)),
// sign 1 upper minus lower. Checks as the x form, then -5 for a sign other than 0 or 1.
IppStatus ippiSobel3x3_Dy_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                    int sign, IppiSize roiSize);

// Vertical-edge filter, left minus right, mask ippMskSize3x3 or ippMskSize5x5.
// -8 null pointer; -6 width or height < 1; -14 a step below 1; -33 other mask; -9 no work memory
// (also for a region so wide that its work rows exceed the aligned allocator's 32-bit range).
IppStatus ippiFilterSobelVert_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                        IppiSize roiSize, IppiMaskSize mask);

// Horizontal-edge filter, lower minus upper; checks as the vertical filter.
IppStatus ippiFilterSobelHoriz_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                                         IppiSize roiSize, IppiMaskSize mask);

}  // namespace builtin
