// Built-in fixed-kernel neighbourhood filters of 8-bit images: Prewitt, Sobel and Roberts edge
// filters, sharpening, and the Laplace, high-pass, low-pass and Gauss filters.
//
// There is no border handling and no in-place form: pSrc addresses the source pixel under
// destination pixel (0, 0) and the caller supplies every pixel the kernel reaches around the
// region: rows -1 .. height and columns -1 .. width for a 3x3 kernel, -2 .. height + 1 and
// -2 .. width + 1 for 5x5, rows -1 .. height - 1 and columns -1 .. width - 1 (down) or
// 0 .. width (up) for Roberts. The AC4 forms neither read nor write the fourth byte of a pixel;
// the C4 Gauss filters all four alike. Exactly the region of the destination is written.
//
// Results, with c the centre sample, kernels applied without a flip (rows top to bottom):
// - PrewittHoriz: clamp(sum of the row below - sum of the row above); PrewittVert: clamp(sum of
//   the left column - sum of the right column); SobelHoriz and SobelVert the same with [1 2 1]
//   weights. No absolute value: a negative response is 0, one above 255 is 255.
// - RobertsDown: max(0, p(x, y) - p(x - 1, y - 1)); RobertsUp: max(0, p(x, y) - p(x + 1, y - 1)).
// - Sharpen: (16c - the eight neighbours) / 8, rounded half to even, clamped.
// - Laplace and Hipass 3x3: clamp(8c - the eight neighbours). Lowpass 3x3: the window mean
//   rounded to nearest. Gauss 3x3: [1 2 1] x [1 2 1] / 16 rounded half to even.
// - Laplace 5x5: clamp of the kernel with rows [-1 -3 -4 -3 -1], [-3 0 6 0 -3],
//   [-4 6 20 6 -4], [-3 0 6 0 -3], [-1 -3 -4 -3 -1]. Gauss 5x5: rows [2 7 12 7 2],
//   [7 31 52 31 7], [12 52 127 52 12], [7 31 52 31 7], [2 7 12 7 2], divided by 571 and rounded
//   to nearest (never a half). Hipass 5x5: clamp(25c - the window sum). Lowpass 5x5: the window
//   mean rounded to nearest (never a half).
//
// Checks, in order, before anything is read or written: a null pointer (-8), width or height
// below 1 (-6), a step below 1 (-14; steps are not compared with the row length), and for the
// filters with a mask argument a mask other than ippMskSize3x3 and ippMskSize5x5 (-33). A work
// block that cannot be had gives -9 with the destination untouched; Roberts takes none.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiFilterPrewittHoriz_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize roiSize);
IppStatus ippiFilterPrewittHoriz_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize roiSize);
IppStatus ippiFilterPrewittHoriz_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                         IppiSize roiSize);

IppStatus ippiFilterPrewittVert_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize roiSize);
IppStatus ippiFilterPrewittVert_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize roiSize);
IppStatus ippiFilterPrewittVert_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize roiSize);

IppStatus ippiFilterSobelHoriz_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize);
IppStatus ippiFilterSobelHoriz_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize);
IppStatus ippiFilterSobelHoriz_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize roiSize);

IppStatus ippiFilterSobelVert_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);
IppStatus ippiFilterSobelVert_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);
IppStatus ippiFilterSobelVert_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize);

IppStatus ippiFilterRobertsDown_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize roiSize);
IppStatus ippiFilterRobertsDown_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                       IppiSize roiSize);
IppStatus ippiFilterRobertsDown_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                        IppiSize roiSize);

IppStatus ippiFilterRobertsUp_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);
IppStatus ippiFilterRobertsUp_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                     IppiSize roiSize);
IppStatus ippiFilterRobertsUp_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                      IppiSize roiSize);

IppStatus ippiFilterSharpen_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize);
IppStatus ippiFilterSharpen_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize);
IppStatus ippiFilterSharpen_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize);

IppStatus ippiFilterLaplace_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterLaplace_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterLaplace_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize, IppiMaskSize mask);

IppStatus ippiFilterHipass_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterHipass_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterHipass_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, IppiMaskSize mask);

IppStatus ippiFilterLowpass_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterLowpass_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                   IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterLowpass_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                    IppiSize roiSize, IppiMaskSize mask);

IppStatus ippiFilterGauss_8u_C1R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterGauss_8u_C3R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterGauss_8u_AC4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                  IppiSize roiSize, IppiMaskSize mask);
IppStatus ippiFilterGauss_8u_C4R(const Ipp8u* pSrc, int srcStep, Ipp8u* pDst, int dstStep,
                                 IppiSize roiSize, IppiMaskSize mask);
}  // namespace builtin
