// Built-in colour conversions of unsigned 8-bit images: packed 4:2:2 YUV to and from RGB,
// planar 4:2:0 YUV and YCbCr to RGB, weighted colour-to-gray and channel swaps.
//
// RGB pixels are three bytes R, G, B (AC4: four bytes, the fourth never written). Packed 4:2:2
// rows hold Y0, U, Y1, V per pair of pixels; an odd last pixel holds Y, U. The 4:2:0 chroma
// planes have one sample per 2 x 2 block of luma. Every conversion is integer fixed point:
// 16.16 weights for YUV, 12-bit weights for gray.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// Checks: pSrc or pDst null (-8); width or height <= 0 (-6). Steps are not checked.
IppStatus ippiYUV422ToRGB_8u_C2C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize);
IppStatus ippiRGBToYUV422_8u_C3C2R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize);

// Checks: pSrc array or pDst null (-8); width or height <= 0 (-6); a plane pointer null (-8).
IppStatus ippiYUV420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst,
                                   int dstStep, IppiSize roiSize);
IppStatus ippiYCbCr420ToRGB_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep[3], Ipp8u* pDst,
                                     int dstStep, IppiSize roiSize);

// dst = (src0 * w0 + src1 * w1 + src2 * w2) >> 12, written as its low eight bits. A null coeffs
// selects the weights 1225, 2404, 467; otherwise w_i = trunc(0.5 + 4096 * coeffs[i]).
// Checks: pSrc or pDst null (-8); width or height < 1 (-6).
IppStatus ippiColorToGray_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const Ipp32f coeffs[3]);
IppStatus ippiColorToGray_8u_AC4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize, const Ipp32f coeffs[3]);

// Destination channel k <- source channel dstOrder[k]. Checks: pointers or dstOrder null (-8);
// width or height <= 0 (-6); a step <= 0 (-14); a dstOrder element outside 0..2
// (ippStsChannelOrderErr, -60).
IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* pSrcDst, int srcDstStep, IppiSize roiSize,
                                   const int dstOrder[3]);
IppStatus ippiSwapChannels_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize, const int dstOrder[3]);
IppStatus ippiSwapChannels_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, const int dstOrder[3]);

}  // namespace builtin
