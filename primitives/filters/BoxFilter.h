// Box filters of 8-bit images: the mean over a rectangular mask.
//
// Each destination byte receives, channel by channel, the mean of the same channel's bytes over
// the maskSize.width x maskSize.height block of source pixels whose top-left pixel lies
// anchor.x pixels left of and anchor.y rows above the pixel's own position. The source pointer
// addresses the pixel under destination pixel (0, 0); the caller supplies the pixels the mask
// reaches around the region, and no other source pixel is read. C1, C3 and C4 pixels have 1,
// 3 and 4 bytes, all filtered alike (the fourth of C4 included).
//
// The mean of a window sum s over an area of up to 8100 is (s * multiplier) >> shift with the
// fixed-point reciprocal of fbBoxMulShift (BoxFilterKernels.h): floor(s / area) or one more,
// never above 255; for a 3x3 mask exactly floor(s / 9). Above 8100 it is the truncation of
// s * f + 9.0e-6 in extended precision, f being 1 / area rounded to single precision and s the
// sum of single-precision column sums.
//
// Checks, before anything is read or written (steps before sizes): a null pointer -8; source,
// then destination step below 1 -14 (steps are not compared with the width); region width,
// then height below 1 -6; mask width, then height below 1 -33; anchor.x, then anchor.y below 0,
// then anchor.x, then anchor.y not below the mask side -34. Every form but the three-channel
// 3x3 one keeps running column sums in a work block (channels x (width + mask width + 2)
// 32-bit values): -9 when it cannot be obtained, nothing written. Overlapping source and
// destination are outside the contract.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterBox_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterBox_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterBox_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);

}  // namespace builtin
