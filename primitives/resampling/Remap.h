// Built-in remap of 8-bit images through two coordinate maps, and the kernel table behind it.
//
// For the destination pixel in column j of row i, pxMap row i value j is the source x and pyMap
// row i value j the source y (32-bit floats, absolute source coordinates, pixel centres at the
// integers; map rows xMapStep and yMapStep bytes apart). Only positions inside the source
// region, clipped to the image, are sampled: roiLeft <= x <= roiRight and roiTop <= y <=
// roiBottom, both ends included, x tested first, NaN outside. A destination pixel whose position
// fails keeps its samples.
//
// Methods: 1 nearest (column trunc(x + 0.5), row trunc(y + 0.5); reads only the clipped
// region), 2 linear, 4 cubic (the four-point Lagrange cubic of CubicInterp.h). Linear and cubic
// place their neighbours by the image bounds xMax = width - 1 and yMax = height - 1, not by the
// region: linear takes xi = trunc(x + 1e-7) with fraction x - xi, or xMax - 1 with fraction 1
// from xMax on; 8-bit results are trunc((top + 0.5) + fy (bottom - top)), float results the
// double stored as float. Cubic's 4 x 4 window starts at xi - 1, at 0 when xi <= 0 and at
// xMax - 3 when xi >= xMax - 1, with the fraction x - xs - 1 as a float; 8-bit results are
// clamped and rounded half up.
//
// Entry checks, first failure returned, nothing written on any: pSrc, pDst, pxMap, pyMap null
// -8; source width, height, region x, y (negative), region width, height, destination width,
// height not positive -6; interpolation not exactly 1, 2 or 4 (bit 31 included) -22; srcStep,
// dstStep, xMapStep, yMapStep not positive -14; region origin at or beyond the image's last
// column or row: warning 29. The method then falls to nearest for an image one pixel wide or
// high and from cubic to linear below 4 pixels (the whole image decides, not the region). The
// entries allocate nothing and make one kernel call; they return 0 also when no position was
// inside.
//
// AC4: the fourth sample of a destination pixel is never written, and the source's fourth
// samples never enter a result.
//
// The 8-bit interleaved kernels (C1, C3, AC4, C4) sample whole vectors of pixels, one per lane
// (RemapKernels.h), with the bytes of the plain per-pixel code; they read only the source rows'
// pixels (AC4 windows with their fourth samples).
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiRemap_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           const Ipp32f* pxMap, int xMapStep, const Ipp32f* pyMap, int yMapStep,
                           Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, int interpolation);
IppStatus ippiRemap_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           const Ipp32f* pxMap, int xMapStep, const Ipp32f* pyMap, int yMapStep,
                           Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, int interpolation);
IppStatus ippiRemap_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           const Ipp32f* pxMap, int xMapStep, const Ipp32f* pyMap, int yMapStep,
                           Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, int interpolation);
IppStatus ippiRemap_8u_AC4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            const Ipp32f* pxMap, int xMapStep, const Ipp32f* pyMap, int yMapStep,
                            Ipp8u* pDst, int dstStep, IppiSize dstRoiSize, int interpolation);

// A remap kernel computes a whole destination region in one call. pSrc and pDst are the first
// source pixel and first destination pixel, or for the planar rows arrays of 3 or 4 plane
// pointers sharing srcStep and dstStep. Steps are in bytes. roiLeft..roiRight and
// roiTop..roiBottom are the inclusive clipped region; xMax and yMax the image's last column and
// row (linear needs both >= 1, cubic >= 3; nearest ignores them).
using fbRemapKernel = void (*)(const void* pSrc, int srcStep, void* pDst, int dstStep,
                               const Ipp32f* pxMap, int xMapStep, const Ipp32f* pyMap,
                               int yMapStep, int width, int height, int roiLeft, int roiTop,
                               int roiRight, int roiBottom, int xMax, int yMax);

// 12 rows of (nearest, linear, cubic); the entry is row * 3 + interpolation / 2. Rows: 8u C1,
// C3, AC4, P3; 32f C1, C3, AC4, P3; 8u C4, P4; 32f C4, P4.
inline constexpr int32_t kRemapRowCount = 12;
inline constexpr int32_t kRemapKernelCount = kRemapRowCount * 3;
extern const fbRemapKernel fbRemapKernelTable[kRemapKernelCount];
// The kernels' names, entry for entry ("fbRemapNN8uC1", "fbRemapLinear8uC1", ...).
extern const char* const fbRemapKernelNames[kRemapKernelCount];

// The warp type-and-layout code (WarpFrame.h: type << 3 | layout) of a remap table row, and
// the row of a type-and-layout code (-1 for one the table has no row for).
int32_t fbRemapRowTypeLayout(int32_t row);
int32_t fbRemapRowOf(int32_t typeLayout);

}  // namespace builtin
