// The bilinear warps of 8-bit images, back (destination to source) and forward (source to
// destination), their engines and their three kernel tables. Coefficients are the bilinear
// double[2][4] of Bilinear.h. The engines also serve 32-bit float (type 1) and planar layouts
// (typeLayout codes of WarpFrame.h), which no entry passes; type 2 has no kernels and is
// rejected with -6 before a table is indexed.
//
// fbWarpBilinearBackEngine: every destination pixel (x, y) of dstRoi takes the source value at
// the image of (x, y) under coeffs. Checks, the first failing one deciding, nothing written on
// any: pSrc, pDst or coeffs null -8; a source image side below 1, a negative region origin or
// a region side below 1 -6; a row step below 1 -14; an unknown method (bit 31 cleared; it has
// no effect here) -22; an unknown type or layout -6; a null plane pointer -8; a linear part
// {c01, c02; c11, c12} singular or nearly so -56 (a = c01 c12, b = c02 c11: |a| > 1e-200 needs
// |(a - b) / a| > 1e-12, otherwise |b| > 1e-12; the cross terms do not enter). Then the method
// is downgraded by the whole source size; a region origin outside the source image gives the
// warning 29; the images of dstRoi's corners that are not a proper quadrangle (a destination
// region one pixel wide or high included) -56; their bounding box missing the clipped source
// region (touching counts as overlap) the warning 30. When all four corners map inside the
// clipped source region the plain kernel samples every pixel; otherwise the clipping kernel
// leaves each pixel whose position falls outside that region untouched. Samples are read from
// the whole source image, so linear and cubic windows may reach beyond the region.
//
// fbWarpBilinearEngine: the source region clipped to the image is mapped forward by coeffs;
// every destination pixel of dstRoi whose centre the image quadrangle covers is computed from
// the source point the inverse map gives for it, one quadratic per pixel. Checks: null
// pointers -8, sizes -6, steps -14, method -22, type or layout -6, planes -8, as above; then
// the downgrade; a region origin outside the image 29; a clipped region below 2 x 2 -57; an
// improper quadrangle -56; no destination pixel covered 30; no work memory -9 (nothing written
// on any). With bit 31 of interpolation set the quadrangle's slanted edges are then smoothed.
//
// 8-bit linear results are trunc(v + 0.5) of the blended value v = top + fy (bottom - top);
// nearest and cubic are the shared samplers'. For planar layouts the caller's array of
// destination plane pointers is advanced for the kernel call and restored before return.
#pragma once

#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiWarpBilinearBack_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                      IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                      const double coeffs[2][4], int interpolation);
IppStatus ippiWarpBilinearBack_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                      IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                      const double coeffs[2][4], int interpolation);
IppStatus ippiWarpBilinearBack_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                      IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                      const double coeffs[2][4], int interpolation);
IppStatus ippiWarpBilinear_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                  const double coeffs[2][4], int interpolation);
IppStatus ippiWarpBilinear_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                  const double coeffs[2][4], int interpolation);
IppStatus ippiWarpBilinear_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi,
                                  const double coeffs[2][4], int interpolation);

IppStatus fbWarpBilinearBackEngine(const void* pSrc, IppiSize srcSize, int srcStep,
                                   IppiRect srcRoi, void* pDst, int dstStep, IppiRect dstRoi,
                                   int typeLayout, const double coeffs[2][4], int interpolation);
IppStatus fbWarpBilinearEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                               void* pDst, int dstStep, IppiRect dstRoi, int typeLayout,
                               const double coeffs[2][4], int interpolation);

// Back kernels: all rows of the destination region in one call. pDst is the destination pixel
// (dstX, dstY), or an array of plane pointers at it; pSrc the source origin (or plane array).
// Positions start at (offX + slopeX dstX, offY + slopeY dstX) on each row and grow by the
// row's slopes per pixel; the slopes and offsets grow by c00, c02, c10, c12 per row.
using fbWarpBilinearBackKernel = void (*)(const void* pSrc, void* pDst, int srcStep, int dstStep,
                                          int dstX, int dstY, int width, int height,
                                          const double coeffs[2][4], int xMax, int yMax);
// The clipping kernels sample only positions inside the inclusive rectangle
// {roiLeft, roiTop, roiRight, roiBottom}; others (and NaN) leave the pixel untouched.
using fbWarpBilinearBackClipKernel = void (*)(const void* pSrc, void* pDst, int srcStep,
                                              int dstStep, int dstX, int dstY, int width,
                                              int height, const double coeffs[2][4], int roiLeft,
                                              int roiTop, int roiRight, int roiBottom, int xMax,
                                              int yMax);
// Forward kernels: destination rows firstRow..lastRow (pDstRow at row firstRow), the spans'
// pixels inverted a row at a time into pBuffer (2 x the longest span doubles) by
// fbBilinearInverseRow, then sampled. The caller's plane arrays are never written.
using fbWarpBilinearRowKernel = void (*)(const void* pSrc, void* pDstRow, int srcStep,
                                         int dstStep, int firstRow, int lastRow,
                                         const fbRowSpan* spans, const double inverse[11],
                                         int inverseCase, int rootFlag, double* pBuffer, int xMax,
                                         int yMax);

// Index (type * 6 + layout) * 3 + method / 2 (WarpFrame.h KernelIndex), types 8u and 32f.
inline constexpr int kBilinearKernelCount = 36;
extern const fbWarpBilinearBackKernel fbWarpBilinearBackTable[kBilinearKernelCount];
extern const fbWarpBilinearBackClipKernel fbWarpBilinearBackClipTable[kBilinearKernelCount];
extern const fbWarpBilinearRowKernel fbWarpBilinearTable[kBilinearKernelCount];
// The members' names, entry for entry.
extern const char* const fbWarpBilinearBackTableNames[kBilinearKernelCount];
extern const char* const fbWarpBilinearBackClipTableNames[kBilinearKernelCount];
extern const char* const fbWarpBilinearTableNames[kBilinearKernelCount];

}  // namespace builtin
