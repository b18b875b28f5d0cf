// Built-in resize of 8-bit images with one, three or four interleaved channels.
//
// interpolation 8 (super-sampling) with both factors at most 1.0 goes to fbResizeSuperEngine
// (ResizeSuper.h); every other request, 8 with a factor above 1.0 included (-22 there), goes
// unchanged to the general driver fbResizeEngine (ResizeEngine.h). The checks, statuses and
// results are those of the driver taking the call, with pixel stride and channel count 1, 3
// or 4, data type 0 (8u) and an interleaved image.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiResize_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation);
IppStatus ippiResize_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation);
IppStatus ippiResize_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, double xFactor,
                            double yFactor, int interpolation);

}  // namespace builtin
