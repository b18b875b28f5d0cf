// Minimum and maximum filters of 8-bit images over a rectangular mask.
//
// Each destination byte receives the smallest (FilterMin) or largest (FilterMax) byte of the
// same channel over the maskSize.width x maskSize.height block of source pixels whose top-left
// pixel lies anchor.x pixels left of and anchor.y rows above the pixel's own position. The
// source pointer addresses the pixel under destination pixel (0, 0); the caller supplies the
// pixels the mask reaches around the region, and no other source pixel is read. C1, C3 and C4
// pixels have 1, 3 and 4 bytes, every byte filtered on its own (the fourth of C4 included).
// The maximum is the minimum with every comparison reversed.
//
// Checks, before anything is read or written: a null pointer -8; region width, then height
// below 1 -6; source, then destination step below 1 -14 (steps are not compared with the
// width); mask width, then height below 1 -33; an anchor outside the mask -34. A 1x1 mask
// copies the region. Otherwise the one- and three-channel forms take a ring of mask-height
// rows of horizontal extremes (rows of the region's bytes rounded up to 32) and a window ring
// of channels x mask width 32-bit values, the four-channel forms a ring of 4 x mask width
// 32-bit values when both mask sides exceed 1 (none otherwise): -9 when work memory cannot be
// obtained, nothing written and nothing left allocated. Overlapping source and destination
// are outside the contract.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterMin_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMin_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMin_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMax_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMax_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);
IppStatus ippiFilterMax_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize dstRoiSize, IppiSize maskSize, IppiPoint anchor);

}  // namespace builtin
