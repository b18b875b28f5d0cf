// Built-in fills, copies and element-type conversions of image regions and vectors.
//
// Layouts: C1, C3, C4 (1, 3 or 4 interleaved bytes per pixel), AC4 (4 bytes of which only the
// first three are written), CR (the pointer addresses the chosen channel of the first pixel;
// only that byte of each pixel is read or written) and P3/P4 (an array of plane pointers
// sharing one row step). Steps are in bytes. Arguments are checked before any data is touched:
// null pointers (-8), then the size (-6), then the steps where a form checks them (-14).
// The region copies do not check their steps: 0 repeats a row, a negative step walks upwards.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// Fills.
IppStatus ippiSet_8u_C1R(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_16s_C1R(Ipp16s value, Ipp16s* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_32s_C1R(Ipp32s value, Ipp32s* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C3R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C4R(const Ipp8u value[4], Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_AC4R(const Ipp8u value[3], Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C3CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippiSet_8u_C4CR(Ipp8u value, Ipp8u* pDst, int dstStep, IppiSize roiSize);
IppStatus ippsSet_8u(Ipp8u val, Ipp8u* pDst, int len);
IppStatus ippsSet_16s(Ipp16s val, Ipp16s* pDst, int len);

// Copies of whole pixels.
IppStatus ippiCopy_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);
IppStatus ippiCopy_16s_C1R(const Ipp16s* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                           IppiSize roiSize);
IppStatus ippiCopy_32s_C1R(const Ipp32s* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                           IppiSize roiSize);
IppStatus ippiCopy_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);
IppStatus ippiCopy_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                          IppiSize roiSize);

// Copies between channel layouts.
IppStatus ippiCopy_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roiSize);
IppStatus ippiCopy_8u_C4CR(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roiSize);
IppStatus ippiCopy_8u_C1C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize);
IppStatus ippiCopy_8u_C1C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize);
IppStatus ippiCopy_8u_C3C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize);
IppStatus ippiCopy_8u_C4C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize);
IppStatus ippiCopy_8u_C3AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize);
IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize);
IppStatus ippiCopy_8u_C3P3R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[3], int dstStep,
                            IppiSize roiSize);
IppStatus ippiCopy_8u_C4P4R(const Ipp8u* pSrc, int srcStep, Ipp8u* const pDst[4], int dstStep,
                            IppiSize roiSize);
IppStatus ippiCopy_8u_P3C3R(const Ipp8u* const pSrc[3], int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize);

// Conversions between element types.
IppStatus ippiConvert_8u16u_C1R(const Ipp8u* pSrc, int srcStep, Ipp16u* pDst, int dstStep,
                                IppiSize roiSize);
IppStatus ippiConvert_8u32f_C1R(const Ipp8u* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                IppiSize roiSize);
// Saturates (>= 255 gives 255, <= 0 gives 0) and rounds half to even with ippRndNear,
// truncates with any other mode. NaN gives 0.
IppStatus ippiConvert_32f8u_C1R(const Ipp32f* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                IppiSize roiSize, IppRoundMode roundMode);
IppStatus ippsConvert_8s16s(const Ipp8s* pSrc, Ipp16s* pDst, int len);

// Full-range scaling: 0..255 onto the whole range of the wider type and back.
IppStatus ippiScale_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiScale_8u32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                              IppiSize roiSize);
IppStatus ippiScale_16s8u_C1R(const Ipp16s* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize, IppHintAlgorithm hint);
IppStatus ippiScale_32s8u_C1R(const Ipp32s* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                              IppiSize roiSize, IppHintAlgorithm hint);

}  // namespace builtin
