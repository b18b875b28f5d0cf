// Built-in mirrors of image regions and the in-place byte swap of 16-bit vectors.
//
// flip: ippAxsHorizontal (0) reverses the row order, ippAxsVertical (1) the pixels within each
// row, ippAxsBoth (2) both (a rotation by 180 degrees). Any other value returns
// ippStsMirrorFlipErr and writes nothing. Checks: null pointers (-8), size (-6), flip (-21);
// steps are not checked. The AC4 forms move the first three bytes of each pixel and leave every
// fourth byte where it is. Source and destination of the forms with a separate destination
// must not overlap.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiMirror_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_16u_C1R(const Ipp16u* pSrc, int srcStep, Ipp16u* pDst, int dstStep,
                             IppiSize roiSize, IppiAxis flip);

IppStatus ippiMirror_8u_C1IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip);
IppStatus ippiMirror_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, IppiAxis flip);

// Exchanges the two bytes of each of len 16-bit elements. Checks: null (-8), len < 1 (-6).
IppStatus ippsSwapBytes_16u_I(Ipp16u* pSrcDst, int len);

}  // namespace builtin
