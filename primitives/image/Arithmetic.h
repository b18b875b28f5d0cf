// Built-in arithmetic of two images with a scale factor: addition, subtraction, multiplication
// and division of 8-bit images (one channel and three channels in place, alpha-four in place,
// and two sources into a destination with one, three, four and alpha-four channels) and of
// 16-bit one-channel images in place.
//
// In-place forms write pSrcDst <- pSrcDst op pSrc; two-source forms write pDst <- pSrc2 op pSrc1:
// the subtrahend and the divisor are always the first image argument. Results follow the
// scale-factor rule of primitives/support/ScaleFactor.h and saturate to the element type; an
// 8-bit difference below 0 is 0 before it is scaled. Factors at which every result is 0 fill
// the destination through the Set primitive and return its status (a step below 1 gives -14
// there). In the alpha-four layout (AC4) only the first three bytes of each pixel are computed;
// the fourth byte of the destination is never written.
//
// Checks, the first failing one decides: C1 and AC4 forms test their pointers (-8), then the
// size (-6); C3 and C4 forms test the width first (-6) and then work as C1 over width * channels
// bytes a row. Divisions then test every step (below 1: -14); the alpha-four divisions take a
// work row (-9 when it cannot be had).
//
// Division: the quotient pSrcDst * 2^(-sf) / pSrc rounded half to even and saturated. A zero
// divisor gives 255 (16-bit: 32767 or -32768 by the dividend's sign) and 0 for a zero dividend;
// every pixel is still computed and the call returns the warning 6. The alpha divisor of the
// alpha-four forms is 1 and never reports a zero.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiAdd_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_C1IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_16s_C1IRSfs(const Ipp16s* pSrc, int srcStep, Ipp16s* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_C3IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                             IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_AC4IRSfs(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_C1RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_C3RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_8u_C4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                            Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);

IppStatus ippiAdd_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                             Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSub_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                             Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMul_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                             Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDiv_8u_AC4RSfs(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                             Ipp8u* pDst, int dstStep, IppiSize roiSize, int scaleFactor);

// The division of one row of len elements, dst = dividend * 2^(-sf) / divisor: any pointer
// null -8, len below 1 -6; 6 when a divisor was 0, else 0. dst may be either source.
IppStatus fbDivRow8u(const Ipp8u* pDivisor, const Ipp8u* pDividend, Ipp8u* pDst, int len,
                     int scaleFactor);
IppStatus fbDivRow16s(const Ipp16s* pDivisor, const Ipp16s* pDividend, Ipp16s* pDst, int len,
                      int scaleFactor);

// The same over a region of roiSize.width elements in each of roiSize.height rows, the rows
// reached by their steps (a divisor step of 0 repeats one divisor row): 6 when any divisor of
// the region was 0.
IppStatus fbDivRegion8u(const Ipp8u* pDivisor, int divisorStep, const Ipp8u* pDividend,
                        int dividendStep, Ipp8u* pDst, int dstStep, IppiSize roiSize,
                        int scaleFactor);
IppStatus fbDivRegion16s(const Ipp16s* pDivisor, int divisorStep, const Ipp16s* pDividend,
                         int dividendStep, Ipp16s* pDst, int dstStep, IppiSize roiSize,
                         int scaleFactor);

}  // namespace builtin
