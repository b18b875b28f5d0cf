// Uniform and Gaussian noise added in place to 8-bit images.
//
// The noise comes from a stream of 32-bit draws seeded by *pSeed: a subtract-with-borrow
// sequence (lags of 1, 2 and 3 draws, correction 18) plus a linear congruential sequence
// v * 69069 + 1013904243 that starts from 1131199209 on every call. The seed is read at the
// start and overwritten with the last subtract-with-borrow value at the end, so consecutive
// calls continue one stream and equal seeds give equal noise. Each noise value is truncated
// toward zero and added to its byte with saturation to 0..255.
//
// Uniform: a draw w gives trunc(w * ((high - low) * 2.3283064365387e-10) + (low + high) / 2),
// in extended precision: low .. high - 1, and low - 1 for the single draw -2^31 when low > 0.
// Gaussian (polar method): pairs of draws scaled into [-1, 1) until their squared length s is
// in (0, 1); r = sqrt(-2 ln s / s) gives trunc(mean + u * stdDev * r) for each of the pair.
// The pair's second value goes to the next byte, the first byte of the next row when a row
// ends between them; one left over at the end of the image is dropped.
//
// Layouts: C1 every byte; C3 and C4 every byte of every pixel (the fourth channel of C4
// included); AC4 the three colour bytes of each pixel, the fourth skipped without a draw.
// Checks: C1 and AC4: -8 pSrcDst or pSeed null, -6 width or height < 1, -14 srcDstStep < 1.
// C3 and C4: -6 width < 1 first, then the C1 checks on width * channels bytes.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiAddRandUniform_Direct_8u_C1IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u low,
                                            Ipp8u high, unsigned int* pSeed);
IppStatus ippiAddRandUniform_Direct_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u low,
                                            Ipp8u high, unsigned int* pSeed);
IppStatus ippiAddRandUniform_Direct_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u low,
                                            Ipp8u high, unsigned int* pSeed);
IppStatus ippiAddRandUniform_Direct_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u low,
                                             Ipp8u high, unsigned int* pSeed);

IppStatus ippiAddRandGauss_Direct_8u_C1IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u mean,
                                          Ipp8u stdDev, unsigned int* pSeed);
IppStatus ippiAddRandGauss_Direct_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u mean,
                                          Ipp8u stdDev, unsigned int* pSeed);
IppStatus ippiAddRandGauss_Direct_8u_C4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u mean,
                                          Ipp8u stdDev, unsigned int* pSeed);
IppStatus ippiAddRandGauss_Direct_8u_AC4IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize, Ipp8u mean,
                                           Ipp8u stdDev, unsigned int* pSeed);

}  // namespace builtin
