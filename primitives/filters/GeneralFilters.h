// Built-in filters of 8-bit images with a kernel that the caller supplies: a two-dimensional
// kernel of 32-bit integers with an integer divisor, and a one-dimensional float kernel along
// the rows or down the columns.
//
// Every form is a convolution: the kernel is applied mirrored, its last element meeting the
// leftmost (topmost) pixel of the neighbourhood. Destination pixel (x, y) of the
// two-dimensional filter reads source pixel (x + anchor.x - i, y + anchor.y - j) with kernel
// element (i, j) (index j * kernel width + i); the row filter reads (x + anchor - i, y) with
// element i, the column filter (x, y + anchor - i). The image is never extended: the caller
// supplies every pixel the kernel reaches around the region, and the anchor is not tested.
// Pixels are interleaved; C3 and C4 filter every byte alike, AC4 the first three bytes of each
// pixel, leaving the fourth byte of the destination as it was. No work memory is taken.
//
// Integer kernel: the weighted sum of each channel wraps modulo 2^32 and is read as a signed
// 32-bit value s, then divided by the divisor d, in one of three modes chosen once per call:
// - d = 1: s clamped to 0..255;
// - d = 2^k (k = 1..30): 0 for s <= 0, else (s + 2^(k-1)) >> k clamped to 255;
// - any other d (negative ones and -2^31 included): with f = 1/d rounded to float, v = s * f
//   in extended precision, 0 for v <= 0, else trunc(v + 0.5) clamped to 255.
// So positive quotients round half up and every non-positive quotient gives 0.
//
// Float kernels: the sum of kernel element times byte accumulates from 0 in extended precision,
// leftmost (topmost) pixel first; then a sum above 0 gets + 0.5, and the byte is 255 for a sum
// above 255, its truncation for a sum of 0 or above, else 0 (so a NaN sum gives 0 and +inf
// 255). Kernels whose sums are provably exact in float or double are summed there: an exact sum
// is the extended one.
//
// Checks, in order; nothing is read or written when one fails:
// - two-dimensional: a null source, destination or kernel -8; region width or height, kernel
//   width or height below 1 -6; divisor 0 -51; source step below (width + kernel width - 1) x
//   bytes per pixel, or destination step below width x bytes per pixel -14;
// - row: a null pointer -8; width, height or kernel size below 1 -6; source step below
//   (width + kernel size - 1) x bytes per pixel or destination step below width x bytes per
//   pixel -14;
// - column, one channel: a null pointer -8; width, height or kernel size below 1 -6; either
//   step below the width -14. The C3 and C4 forms first test the width (below 1 -6, before the
//   pointers) and then run the one-channel form on a region 3 or 4 times as wide.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilter_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize dstRoiSize, const Ipp32s* pKernel, IppiSize kernelSize,
                            IppiPoint anchor, int divisor);
IppStatus ippiFilter_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                            IppiSize dstRoiSize, const Ipp32s* pKernel, IppiSize kernelSize,
                            IppiPoint anchor, int divisor);
IppStatus ippiFilter_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                             IppiSize dstRoiSize, const Ipp32s* pKernel, IppiSize kernelSize,
                             IppiPoint anchor, int divisor);

IppStatus ippiFilterRow32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                  int xAnchor);
IppStatus ippiFilterRow32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                  int xAnchor);
IppStatus ippiFilterRow32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                  int xAnchor);

IppStatus ippiFilterColumn32f_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                     int yAnchor);
IppStatus ippiFilterColumn32f_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                     int yAnchor);
IppStatus ippiFilterColumn32f_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize dstRoiSize, const Ipp32f* pKernel, int kernelSize,
                                     int yAnchor);

}  // namespace builtin
