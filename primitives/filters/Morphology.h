// Grey-level erosion and dilation of 8-bit images over a structuring element given as a byte
// mask.
//
// The mask holds maskSize.width x maskSize.height bytes, row after row without gaps; a cell
// belongs to the element when its byte is not 0 (1 and 255 act alike). Mask cell (i, j) (row i,
// column j) covers source pixel (x - anchor.x + j, y - anchor.y + i) for destination pixel
// (x, y). Each destination byte receives the smallest (Erode) or largest (Dilate) byte of the
// same channel over the covered cells. The source pointer addresses the pixel under
// destination pixel (0, 0); the caller supplies the pixels the mask reaches around the region.
// C1 and C3 pixels have 1 and 3 bytes; AC4 pixels have 4, of which the first three are
// filtered and the fourth byte of every destination pixel is left as it was.
//
// Checks, before anything is read or written: a null source, destination or mask -8; a
// source or destination step below 1 -14; region width or height below 1 -6; mask width or
// height below 1 -33; every mask byte 0 -59; an anchor outside the mask -34; a source step
// below (width + mask width - 1) pixels or a destination step below width pixels -37. No
// memory is allocated. Overlapping source and destination are outside the contract.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiErode_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,
                           IppiPoint anchor);
IppStatus ippiErode_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                           IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,
                           IppiPoint anchor);
IppStatus ippiErode_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,
                            IppiPoint anchor);
IppStatus ippiDilate_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,
                            IppiPoint anchor);
IppStatus ippiDilate_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,
                            IppiPoint anchor);
IppStatus ippiDilate_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize roiSize, const Ipp8u* pMask, IppiSize maskSize,
                             IppiPoint anchor);

}  // namespace builtin
