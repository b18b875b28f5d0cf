// Built-in Porter-Duff compositing of two 8-bit images: ippiAlphaComp_8u_AC4R takes each
// pixel's alpha from the fourth byte of both sources, the AlphaCompC forms one constant alpha
// for each source.
//
// The first source is A (pSrc1, alpha a), the second B (pSrc2, alpha b). The operation codes
// are 0 Over, 1 In, 2 Out, 3 ATop, 4 Xor, 5 Plus, and 6..11 the same operators on sources
// that are already premultiplied by their alpha. The non-premultiplied codes premultiply each
// colour byte first; no form divides by the resulting alpha, so its colours are premultiplied.
// Every product of two bytes divided by 255 is M(t) = (t + (t >> 8) + 1) >> 8 with no division,
// and sums saturate without a branch where the operator asks for it. ippiAlphaComp_8u_AC4R
// writes all four destination bytes (the alpha by the operator's rule); the constant forms
// treat every byte of a row alike (C4: the fourth byte is composited like a colour).
//
// Checks: pSrc1, pSrc2 or pDst null -8; width or height below 1 -6; a code outside 0..11 -50.
// Steps are not checked. The destination may be either source.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiAlphaComp_8u_AC4R(const Ipp8u* pSrc1, int src1Step, const Ipp8u* pSrc2, int src2Step,
                                Ipp8u* pDst, int dstStep, IppiSize roiSize,
                                IppiAlphaType alphaType);

IppStatus ippiAlphaCompC_8u_C1R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2,
                                int src2Step, Ipp8u alpha2, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, IppiAlphaType alphaType);
IppStatus ippiAlphaCompC_8u_C3R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2,
                                int src2Step, Ipp8u alpha2, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, IppiAlphaType alphaType);
IppStatus ippiAlphaCompC_8u_C4R(const Ipp8u* pSrc1, int src1Step, Ipp8u alpha1, const Ipp8u* pSrc2,
                                int src2Step, Ipp8u alpha2, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, IppiAlphaType alphaType);

}  // namespace builtin
