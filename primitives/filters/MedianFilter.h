// Median filters of 8-bit images over a rectangular mask of odd sides.
//
// Each destination byte receives the median (the value of rank n / 2 + 1 in ascending order,
// n = mask width x mask height) of the same channel's bytes over the mask block whose top-left
// pixel lies anchor.x pixels left of and anchor.y rows above the pixel's own position. The
// source pointer addresses the pixel under destination pixel (0, 0); the caller supplies the
// pixels the mask reaches around the region, and no other source pixel is read. C1, C3 and C4
// pixels have 1, 3 and 4 bytes, each filtered on its own (the fourth of C4 included).
//
// Checks, before anything is read or written: a null pointer -8; region width, then height
// below 1 -6; source, then destination step below 1 -14; a mask side below 1 or even -33; an
// anchor outside the mask -34. A 1x1 mask copies the region. One-row and one-column masks of 3
// or 5, and the 3x3 and 5x5 masks, run selection networks; a one-column mask of 7 or more rows
// sorts each column partly in a block of mask-height 32-bit values (-9 when it cannot be
// obtained, nothing written); every other mask slides a histogram of 256 64-bit counts (a
// window may hold more than 2^31 - 1 bytes of one value) kept on the stack along each row. No
// other engine allocates memory. Overlapping source and destination are outside the contract.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterMedian_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMedian_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMedian_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);

}  // namespace builtin
