// Point operations of the vision set: absolute difference and thresholds of float images, a
// pixel count in a range of byte values, Cartesian-to-polar conversion and the dot product of
// float vectors.
//
// Every primitive checks its arguments in a fixed order (given with each one) and writes
// nothing when a check fails.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// dst = |src1 - src2|, rounded once to float.
// -8 a null pointer; -6 width or height < 1; -14 a step < 4 * width; -108 a step not a
// multiple of 4.
IppStatus ippiAbsDiff_32f_C1R(const Ipp32f* pSrc1, int src1Step, const Ipp32f* pSrc2, int src2Step,
                              Ipp32f* pDst, int dstStep, IppiSize roiSize);

// cmpOp ippCmpGreater: dst = value where src > threshold, else src; ippCmpLess: dst = value
// where src < threshold, else src. The comparison is made on the float bit patterns read as
// sign-magnitude integers, so -0.0 is below +0.0 and a NaN is above (positive sign) or below
// (negative sign) every number. The steps are used rounded down to multiples of 4.
// -9999 cmpOp neither less nor greater (before any other check); -8 a null pointer; -6 width
// or height < 1; -14 a step < 1.
IppStatus ippiThreshold_Val_32f_C1R(const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                    IppiSize roiSize, Ipp32f threshold, Ipp32f value, IppCmpOp cmpOp);
// The same with value = threshold.
IppStatus ippiThreshold_32f_C1R(const Ipp32f* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                IppiSize roiSize, Ipp32f threshold, IppCmpOp cmpOp);

// *pCounts = the number of pixels v with lowerBound <= v <= upperBound.
// -8 pSrc or pCounts null; -14 srcStep < 1; -6 width or height < 1; -7 upperBound < lowerBound;
// -6 (after counting, *pCounts untouched) a count beyond the range of an int.
IppStatus ippiCountInRange_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, int* pCounts,
                                  Ipp8u lowerBound, Ipp8u upperBound);

// Two independent passes that both run: the magnitudes sqrt(im^2 + re^2) into pDstMagn
// (checks pSrcRe, pSrcIm, pDstMagn: -8 null, -6 len < 1) and the phases atan2(im, re) into
// pDstPhase (the same checks with pDstPhase). The result is the magnitude pass's status when
// that is not 0, otherwise the phase pass's: a failed magnitude pass still lets the phases be
// written.
IppStatus ippsCartToPolar_32f(const Ipp32f* pSrcRe, const Ipp32f* pSrcIm, Ipp32f* pDstMagn,
                              Ipp32f* pDstPhase, int len);

// *pDp = the sum of pSrc1[i] * pSrc2[i] in index order, in extended precision from 0, rounded
// once to float. -8 a null pointer; -6 len < 1.
IppStatus ippsDotProd_32f(const Ipp32f* pSrc1, const Ipp32f* pSrc2, int len, Ipp32f* pDp);

}  // namespace builtin
