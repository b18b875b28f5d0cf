// Built-in bitwise operations on 8-bit images: AND, OR and XOR of two images, AND, OR and XOR
// with one constant byte per channel, the complement (NOT), and left and right shifts by one
// count per channel.
//
// Argument orders: two sources (pSrc1, src1Step, pSrc2, src2Step, pDst, dstStep, roiSize) with
// pDst <- pSrc1 op pSrc2; in place (pSrc, srcStep, pSrcDst, srcDstStep, roiSize); constants and
// shifts (pSrc, srcStep, value, pDst, dstStep, roiSize) or in place (value, pSrcDst,
// srcDstStep, roiSize). C3 pixels are three bytes, C4 four (all processed), AC4 four of which
// the fourth byte of the destination is never written.
//
// Checks: any image pointer or the value pointer null -8, any step <= 0 -14, width or height
// <= 0 -6. The two-source and in-place C3 and C4 forms and the C3 and C4 complements test the
// size first (-6 before anything else).
//
// Shifts: a count is unsigned; above 7 the byte becomes 0 (a caller's -1 counts as a large
// count), 0 keeps it, otherwise the low eight bits of the shifted byte. Where all channels
// share one constant or one count the row is worked as one run of bytes; shifts of 8 or more on
// every channel fill 0 through the Set primitives (C3, AC4), and AC4 counts (0, 0, 0) copy
// through ippiCopy_8u_AC4R, returning their statuses.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// pDst <- pSrc1 AND pSrc2; in place pSrcDst <- pSrc AND pSrcDst.
IppStatus ippiAnd_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                         Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiAnd_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                         Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiAnd_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                          Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiAnd_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);
IppStatus ippiAnd_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);
IppStatus ippiAnd_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);
IppStatus ippiAnd_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                           IppiSize roiSize);

// pDst <- pSrc1 OR pSrc2; in place pSrcDst <- pSrc OR pSrcDst.
IppStatus ippiOr_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                        Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiOr_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                        Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiOr_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                         Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiOr_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                         IppiSize roiSize);
IppStatus ippiOr_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                         IppiSize roiSize);
IppStatus ippiOr_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                         IppiSize roiSize);
IppStatus ippiOr_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);

// pDst <- pSrc1 XOR pSrc2; in place pSrcDst <- pSrc XOR pSrcDst.
IppStatus ippiXor_8u_C1R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                         Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiXor_8u_C3R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                         Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiXor_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                          Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiXor_8u_C1IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);
IppStatus ippiXor_8u_C3IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);
IppStatus ippiXor_8u_C4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                          IppiSize roiSize);
IppStatus ippiXor_8u_AC4IR(const Ipp8u* pSrc, int srcStep, Ipp8u* pSrcDst, int srcDstStep,
                           IppiSize roiSize);

// Each byte AND its channel's constant.
IppStatus ippiAndC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst,
                          int dstStep, IppiSize roiSize);
IppStatus ippiAndC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAndC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiAndC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// Each byte OR its channel's constant.
IppStatus ippiOrC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst,
                         int dstStep, IppiSize roiSize);
IppStatus ippiOrC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOrC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiOrC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// Each byte XOR its channel's constant.
IppStatus ippiXorC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp8u value[3], Ipp8u* pDst,
                          int dstStep, IppiSize roiSize);
IppStatus ippiXorC_8u_C3IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXorC_8u_C4IR(const Ipp8u value[4], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiXorC_8u_AC4IR(const Ipp8u value[3], Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

// Each byte shifted left by its channel's count.
IppStatus ippiLShiftC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst,
                             int dstStep, IppiSize roiSize);
IppStatus ippiLShiftC_8u_C3IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize);
IppStatus ippiLShiftC_8u_C4IR(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize);
IppStatus ippiLShiftC_8u_AC4IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize);

// Each byte shifted right by its channel's count.
IppStatus ippiRShiftC_8u_C3R(const Ipp8u* pSrc, int srcStep, const Ipp32u value[3], Ipp8u* pDst,
                             int dstStep, IppiSize roiSize);
IppStatus ippiRShiftC_8u_C3IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize);
IppStatus ippiRShiftC_8u_C4IR(const Ipp32u value[4], Ipp8u* pSrcDst, int srcDstStep,
                              IppiSize roiSize);
IppStatus ippiRShiftC_8u_AC4IR(const Ipp32u value[3], Ipp8u* pSrcDst, int srcDstStep,
                               IppiSize roiSize);

// Every byte complemented (the C4 form complements the fourth byte too).
IppStatus ippiNot_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                         IppiSize roiSize);
IppStatus ippiNot_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);
IppStatus ippiNot_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiNot_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);
IppStatus ippiNot_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize);

}  // namespace builtin
