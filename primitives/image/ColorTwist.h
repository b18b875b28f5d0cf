// Built-in colour twists of 8-bit three-channel and alpha-four images.
//
// Every pixel's three colour bytes x0, x1, x2 (in memory order) are replaced by an affine
// combination given by a 3 x 4 matrix of floats: output channel k is
//
//   v = ((x0 * t[k][0] + t[k][3]) + x1 * t[k][1]) + x2 * t[k][2]
//
// in extended precision, in that order of operations, written as 255 when v >= 255, 0 when
// v <= 0 and otherwise as v rounded to the nearest integer with ties to even. All three bytes
// are read before any is written, so the in-place forms compute from the unchanged pixel. The
// AC4 forms step four bytes per pixel and never write the fourth byte.
//
// Checks, in this order: a null image pointer or twist (-8); width or height < 1 (-6); a step
// < 1 (-14). Source and destination of the two-image forms must not overlap.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiColorTwist32f_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                    const Ipp32f twist[3][4]);
IppStatus ippiColorTwist32f_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                     const Ipp32f twist[3][4]);
IppStatus ippiColorTwist32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const Ipp32f twist[3][4]);
IppStatus ippiColorTwist32f_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize, const Ipp32f twist[3][4]);

}  // namespace builtin
