// Sobel derivatives of a one-channel 8-bit image into a 16-bit signed image of the same size,
// the image extended beyond its edges by a border rule, so that nothing outside the region is
// read. The caller supplies the work buffer, of the size its query gives.
//
// Horizontal edges (across rows): row kernel 1 2 1 (3x3) or 1 4 6 4 1 (5x5), column kernel
// -1 0 1 or -1 -2 0 2 1, so the lower rows minus the upper ones. Vertical edges (across
// columns): row kernel 1 0 -1 or 1 2 0 -2 -1, column kernel 1 2 1 or 1 4 6 4 1, so the left
// columns minus the right ones. With half h (1 or 2) and n = 2h + 1 taps,
//   D(x, y) = sum_i col[i] * sum_j row[j] * P(x + j - h, y + i - h),
// P the source inside the region and the border rule outside; the results are exact (at most
// 1020 in magnitude for 3x3, 24480 for 5x5).
//
// Border codes: 0 constant (the border value wherever either coordinate is outside);
// 1 replicate (the nearest edge pixel); 2 wrap (the coordinate modulo the size); 3 mirror
// about the edge pixel, which is not repeated (-1 -> 1, size -> size - 2); 4 mirror repeating
// the edge pixel (-1 -> 0, size -> size - 1). Rules 1 to 4 act on x and y independently;
// mirrors still outside are reflected again at the other edge, and a size of 1 maps every
// position to 0.
//
// Filter checks, in order: a null source, destination or buffer -8; width or height below 1
// -6; source step below the width or destination step below twice the width -14; odd
// destination step -108; border code outside 0..4 -5; mask other than 33 or 55 -33. The buffer
// must hold the query's size. Queries: null size pointer -8; width or height below 1 -6; mask
// -33; a size beyond the 32-bit range -6 (nothing is written on failure). The size is
// 42 * W16 + 372 bytes for 3x3 and 50 * W16 + 412 for 5x5, W16 the width rounded up to a
// multiple of 16; the height does not enter it.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterSobelHorizBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst,
                                               int dstStep, IppiSize roiSize, IppiMaskSize mask,
                                               IppiBorderType borderType, Ipp8u borderValue,
                                               Ipp8u* pBuffer);
IppStatus ippiFilterSobelVertBorder_8u16s_C1R(const Ipp8u* pSrc, int srcStep, Ipp16s* pDst,
                                              int dstStep, IppiSize roiSize, IppiMaskSize mask,
                                              IppiBorderType borderType, Ipp8u borderValue,
                                              Ipp8u* pBuffer);

IppStatus ippiFilterSobelHorizGetBufferSize_8u16s_C1R(IppiSize roiSize, IppiMaskSize mask,
                                                      int* pBufferSize);
IppStatus ippiFilterSobelVertGetBufferSize_8u16s_C1R(IppiSize roiSize, IppiMaskSize mask,
                                                     int* pBufferSize);

}  // namespace builtin
