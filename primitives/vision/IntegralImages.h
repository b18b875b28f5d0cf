// Integral images of 8-bit regions (plain, squared and tilted) and the standard deviation of a
// window read from a plain and a squared integral image.
//
// The integral of a W x H region is (W + 1) x (H + 1) values: row 0 and column 0 hold the
// start value val, and the value at (y, x) adds the pixels of rows < y and columns < x to it.
// Every primitive checks its arguments in the order given and writes nothing when a check
// fails.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

// Each value is the one above plus the row's running sum, added in extended precision and
// rounded to float. -8 a null pointer; -6 width or height < 1; -14 srcStep < width or
// dstStep < 4 * width + 4; -108 dstStep not a multiple of 4.
IppStatus ippiIntegral_8u32f_C1R(const Ipp8u* pSrc, int srcStep, Ipp32f* pDst, int dstStep,
                                 IppiSize roiSize, Ipp32f val);
// The same in 32-bit integers, wrapping modulo 2^32.
IppStatus ippiIntegral_8u32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                                 IppiSize roiSize, Ipp32s val);

// pDst as ippiIntegral_8u32s_C1R with val; pSqr the integral of the squared pixels from valSqr,
// each value the one above plus the row's running sum of squares, added in extended precision
// and rounded to double. -8 a null pointer; -6 size; -14 srcStep < width, dstStep <
// 4 * width + 4 or sqrStep < 8 * width + 8; -108 dstStep not a multiple of 4 or sqrStep not a
// multiple of 8.
IppStatus ippiSqrIntegral_8u32s64f_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                                       Ipp64f* pSqr, int sqrStep, IppiSize roiSize, Ipp32s val,
                                       Ipp64f valSqr);

// The integral over the 45-degree rotated rectangles, (W + 2) x (H + 1) values wrapping modulo
// 2^32: rows 0 and 1 are val; for y = 1 .. H - 1, T(y + 1, 0) = T(y, 1),
// T(y + 1, x) = src(y - 1, x - 1) + src(y - 1, x) + T(y, x - 1) + T(y, x + 1) - T(y - 1, x)
// for x = 1 .. W, and T(y + 1, W + 1) = T(y, W). src(y - 1, W) is the byte just after the
// region's last column, read in every row but the last (it lies inside the image, whose step
// is at least the width); the last source row is not read.
// -8 a null pointer; -6 size; -14 srcStep < width or dstStep < 4 * width + 8; -108 dstStep
// not a multiple of 4.
IppStatus ippiTiltedIntegral_8u32s_C1R(const Ipp8u* pSrc, int srcStep, Ipp32s* pDst, int dstStep,
                                       IppiSize roiSize, Ipp32s val);

// dst(y, x) = the standard deviation of the window rect moved by (x, y), from the float
// integral pSrc and the double squared integral pSqr, computed in extended precision (a
// negative or undefined variance gives 0). The caller supplies height + rect.y + rect.height
// rows of both integrals and width + rect.x + rect.width columns.
// -8 a null pointer; -6 size; -14 srcStep < 4 * (width + rect.x + rect.width), dstStep <
// 4 * width or sqrStep < 8 * (width + rect.x + rect.width); -108 srcStep or dstStep not a
// multiple of 4 or sqrStep not a multiple of 8; -6 rect.x < 0, rect.y < 0, rect.width < 1 or
// rect.height < 1.
IppStatus ippiRectStdDev_32f_C1R(const Ipp32f* pSrc, int srcStep, const Ipp64f* pSqr, int sqrStep,
                                 Ipp32f* pDst, int dstStep, IppiSize roiSize, IppiRect rect);

}  // namespace builtin
