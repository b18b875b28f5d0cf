// Built-in arithmetic of a vector or an image with a constant and a scale factor: add,
// subtract (element minus constant), multiply and divide (element divided by constant) on 8-bit
// and 16-bit elements, in vector forms, one-channel image forms and in-place three-channel,
// four-channel and alpha-four image forms with one constant per channel.
//
// Add, Sub and Mul follow the scale-factor rule of primitives/support/ScaleFactor.h; an 8-bit
// difference below 0 is 0 before it is scaled. Short cuts give the same values and decide which
// fill or copy adds its status: factors whose results are all 0 and a multiplier 0 fill 0 (the
// image forms through their Set primitive, which tests the step: -14); an 8-bit sum with a
// non-zero constant at sf < -7 fills 255; an additive 0 or a multiplier 1 at sf 0 leaves an
// in-place operand untouched and copies an out-of-place one (the image forms through their Copy
// primitive). The multi-channel forms only have the fill of 0.
//
// Checks: the pointers (-8), then the length or size (-6); divisions then test the steps of the
// image forms (-14) and a zero constant (-10), and nothing is written when a check fails.
//
// Division by a constant:
//  - 8-bit vector and one-channel forms multiply by the reciprocal table R (1/i rounded half up
//    to six decimals, then to float), scaled by 2^(-sf), and round half to even; so 3 / 6 gives 1;
//  - 16-bit forms divide 2^(-sf) by the constant and round the element times that half to even,
//    saturated;
//  - three- and four-channel forms divide by a row of the constants with the rule of the image
//    division (Arithmetic.h), alpha-four forms with alpha divisor 1 (alpha untouched);
//    they take work rows (-9 when they cannot be had) and report a zero constant with -10
//    before anything is written.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippsAddC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsAddC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor);
IppStatus ippsSubC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsSubC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor);
IppStatus ippsMulC_8u_ISfs(Ipp8u val, Ipp8u* pSrcDst, int len, int scaleFactor);
IppStatus ippsMulC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor);
IppStatus ippsDivC_8u_Sfs(const Ipp8u* pSrc, Ipp8u val, Ipp8u* pDst, int len, int scaleFactor);

IppStatus ippsAddC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor);
IppStatus ippsAddC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor);
IppStatus ippsSubC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor);
IppStatus ippsSubC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor);
IppStatus ippsMulC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor);
IppStatus ippsMulC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor);
IppStatus ippsDivC_16s_ISfs(Ipp16s val, Ipp16s* pSrcDst, int len, int scaleFactor);
IppStatus ippsDivC_16s_Sfs(const Ipp16s* pSrc, Ipp16s val, Ipp16s* pDst, int len, int scaleFactor);

IppStatus ippiAddC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiAddC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiSubC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiSubC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiMulC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_C1IRSfs(Ipp8u value, Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                              int scaleFactor);
IppStatus ippiDivC_8u_C1RSfs(const Ipp8u* pSrc, int srcStep, Ipp8u value, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, int scaleFactor);

IppStatus ippiAddC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor);
IppStatus ippiAddC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst,
                              int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiSubC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor);
IppStatus ippiSubC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst,
                              int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor);
IppStatus ippiMulC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst,
                              int dstStep, IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_16s_C1IRSfs(Ipp16s value, Ipp16s* pSrcDst, int srcDstStep, IppiSize roiSize,
                               int scaleFactor);
IppStatus ippiDivC_16s_C1RSfs(const Ipp16s* pSrc, int srcStep, Ipp16s value, Ipp16s* pDst,
                              int dstStep, IppiSize roiSize, int scaleFactor);

// One constant per channel, read in channel order: three for C3 and AC4, four for C4.
IppStatus ippiAddC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiAddC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize, int scaleFactor);
IppStatus ippiAddC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiSubC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiSubC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize, int scaleFactor);
IppStatus ippiMulC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_C3IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_C4IRSfs(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize, int scaleFactor);
IppStatus ippiDivC_8u_AC4IRSfs(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize, int scaleFactor);

// The reciprocal table R of the 8-bit division by a constant (R[0] is never used).
extern const Ipp32f fbReciprocalTable[256];

}  // namespace builtin
