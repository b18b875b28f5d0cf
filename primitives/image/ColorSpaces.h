// Built-in conversions of 8-bit RGB images into other colour spaces: HLS, HSV, LUV, Lab (from
// BGR), Photo YCC, YCbCr, YUV and XYZ.
//
// Sources are three bytes R, G, B per pixel (B, G, R for Lab); destinations are written in the
// order the target space names its channels. The AC4 forms step four bytes per pixel; they
// neither read the fourth source byte nor write the fourth destination byte.
//
// YUV, YCbCr, YCC and XYZ are integer fixed point (16.16 weights, arithmetic right shifts,
// bytes written as their low eight bits unless saturated). HLS, HSV, LUV and Lab compute in
// extended precision with single-precision constants and round with trunc(x + 0.49999899f)
// (Lab: trunc(x + 0.5)). The LUV conversions compute under round-to-nearest with every
// floating-point exception masked and give the caller's floating-point environment back
// before they return.
//
// Checks, in this order: pSrc or pDst null (-8); width or height <= 0 (-6). Steps are not
// checked.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiRGBToHLS_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiRGBToHLS_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiRGBToHSV_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiRGBToHSV_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiRGBToLUV_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiRGBToLUV_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiRGBToYCC_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiRGBToYCC_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiRGBToYCbCr_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize);
IppStatus ippiRGBToYCbCr_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize);
IppStatus ippiRGBToYUV_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiRGBToYUV_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiRGBToXYZ_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiRGBToXYZ_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                               IppiSize roiSize);
IppStatus ippiBGRToLab_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize);

// The lightness table of the LUV conversion: entry i is trunc(2.55 * L*(i / 255) + 0.5), L*
// being the lightness rule of the Lab conversion.
extern const Ipp8u kLuvLightnessTable[256];

}  // namespace builtin
