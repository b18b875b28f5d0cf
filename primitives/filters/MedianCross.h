// Cross median and colour median filters of 8-bit images with a centred 3x3 or 5x5 mask.
//
// Cross median: each destination byte is the median of the same channel's bytes at the pixel,
// its horizontal neighbours and its vertical neighbours: 1 on each side for mask 33 (five
// values), 2 for mask 55 (nine values); diagonal neighbours never count. C1, C3 and AC4 pixels
// have 1, 3 and 4 bytes; AC4 filters the first three and keeps the destination's fourth byte.
//
// Colour median: each destination pixel receives the first three bytes of the one source
// pixel of its 3x3 (mask 33) or 5x5 (mask 55) window whose summed distance to every window
// pixel, a distance being the sum of the absolute differences of the first three bytes, is
// smallest; on a tie the first such pixel in row-major order wins (top row first, each row
// from the left). Channels are never mixed. AC4 keeps the destination's fourth byte and never
// reads the source's.
//
// The source pointer addresses the pixel under destination pixel (0, 0); the caller supplies
// the 1 (mask 33) or 2 (mask 55) pixels around the region that the mask reaches. Checks, before
// anything is read or written: a null pointer -8; region width, then height below 1 -6; source,
// then destination step below 1 -14; a mask code other than 33 and 55 -33. No memory is
// allocated. Overlapping source and destination are outside the contract.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterMedianCross_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize dstRoiSize, IppiMaskSize mask);
IppStatus ippiFilterMedianCross_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize dstRoiSize, IppiMaskSize mask);
IppStatus ippiFilterMedianCross_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize dstRoiSize, IppiMaskSize mask);
IppStatus ippiFilterMedianColor_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize dstRoiSize, IppiMaskSize mask);
IppStatus ippiFilterMedianColor_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize dstRoiSize, IppiMaskSize mask);

}  // namespace builtin
