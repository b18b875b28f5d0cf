// Built-in 8-bit products scaled to the byte range, squares with a scale factor, absolute
// differences, the maximum of an image and the running weighted sum into a float image.
//
// MulScale and MulCScale give floor(a * b / 255), computed as (t + (t >> 8) + 1) >> 8 for the
// product t (no division). C3 pixels are three bytes, C4 four (all computed), AC4 four of which
// the fourth byte of the destination is never written. The constant forms take one byte per
// channel (C1 one byte).
//
// Sqr squares each byte by the scale-factor rule (primitives/support/ScaleFactor.h): x * x
// divided by 2^sf rounded half to even, or multiplied by 2^(-sf), saturated to 255. The AC4 forms
// square whole pixels into a work row and copy the colour bytes from it (ippiCopy_8u_AC4R).
//
// AbsDiff gives |a - b|; AbsDiffC |x - c| with c clamped to 0..255 first. Max writes the largest
// byte of a one-channel image and reads no row after the first row that holds 255.
// AddWeighted replaces each float d of the destination by d + alpha * (x - d), defined in
// extended precision (long double) and stored as float; it is computed in double where that
// provably gives the same float (ArithmeticScaledKernels.h).
//
// Checks, the first failing one decides:
//   MulScale C1IR, AC4IR; MulCScale every form: any pointer (the constant array too) null -8,
//     any step below 1 -14, width or height below 1 -6 (steps before sizes);
//   MulScale C3IR, C4IR: width or height below 1 -6 first, then the C1IR checks;
//   Sqr: pointers -8, size -6, steps below 1 -14, AC4 work row not allocated -9;
//   AbsDiff, AbsDiffC: pointers -8, size -6, any step smaller than the width -14;
//   Max: pointers -8, size -6, step below 1 -14;
//   AddWeighted: pointers -8, size -6, srcStep below width or the float step below 4 * width
//     -14, a float step not a multiple of 4 -108.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiMulScale_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize);
IppStatus ippiMulScale_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize);
IppStatus ippiMulScale_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                                IppiSize roiSize);
IppStatus ippiMulScale_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize);

IppStatus ippiMulCScale_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst,
                               int dstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst,
                               int dstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_C4R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[4], Ipp8u* pDst,
                               int dstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_C1IR(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiMulCScale_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                                IppiSize roiSize);
IppStatus ippiMulCScale_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                                 IppiSize roiSize);
IppStatus ippiMulCScale_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                                IppiSize roiSize);

IppStatus ippiSqr_8u_C3IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSqr_8u_AC4IRSfs(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSqr_8u_C3RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, int scaleFactor);
IppStatus ippiSqr_8u_AC4RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, int scaleFactor);

IppStatus ippiAbsDiff_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                             Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiAbsDiffC_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize, int value);

IppStatus ippiMax_8u_C1R(const Ipp8u* pSrc, int srcStep, IppiSize roiSize, Ipp8u* pMax);

IppStatus ippiAddWeighted_8u32f_C1IR(const Ipp8u* pSrc, int srcStep, Ipp32f* pSrcDst,
                                     int srcDstStep, IppiSize roiSize, Ipp32f alpha);

}  // namespace builtin
