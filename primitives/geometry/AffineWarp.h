// The affine warp engine behind shear and rotation, its 54 row kernels and the edge smoothing
// shared by the forward warps.
//
// fbAffineWarpEngine warps the source region under forward coefficients {c00, c01, c02; c10,
// c11, c12} (source to destination) into the destination region. Checks, the first failing
// one deciding: null image pointers -8; a source image side below 1, a negative region origin
// or a region side below 1 -6; a row step below 1 -14; an unknown method -22; a type or
// layout code that names nothing -6; for P3 and P4 a null plane pointer among the first three
// or four -8; coefficients singular or nearly so -56 (with p = c00 c11: |p| > 1e-200 needs
// |(p - c01 c10) / p| > 1e-12, otherwise |c01 c10| > 1e-12). Then the method is downgraded by
// the whole source size (WarpFrame.h); a region origin outside the source image gives the
// warning 29, a clipped region narrower or lower than 2 pixels -57, an improper quadrangle of
// the clipped region -56, a quadrangle covering no destination pixel of the region (or no
// memory for its spans) the warning 30. Nothing is written on any of these.
// Otherwise every destination pixel of the region whose centre the quadrangle covers is
// computed from the source position its inverse gives (the source is read through the whole
// image, so linear and cubic windows at the region's edges see the pixels beyond them), and
// with bit 31 of the interpolation set the pixels just outside the quadrangle's slanted edges
// are then blended with their inside neighbours (fbSmoothQuadEdges).
//
// The destination region must lie inside the destination image: there is no destination size
// to check it against. For P3 and P4 the caller's array of destination plane pointers is
// advanced for the kernel call and restored before the engine returns.
#pragma once

#include <cstdint>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

// The affine row kernel: every destination row firstRow..lastRow in one call (WarpKernels.h).
using fbWarpRowKernel = void (*)(const void* pSrc, void* pDstRow, int srcStep, int dstStep,
                                 int firstRow, int lastRow, const fbRowSpan* spans,
                                 const double invCoeffs[2][3], int xMax, int yMax, int reserved);

// Index (type * 6 + layout) * 3 + method / 2, types 8u, 32f, 16u.
inline constexpr int kAffineKernelCount = 54;
extern const fbWarpRowKernel fbAffineKernelTable[kAffineKernelCount];

IppStatus fbAffineWarpEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                             void* pDst, int dstStep, IppiRect dstRoi, int typeLayout,
                             const double coeffs[2][3], int interpolation);

// Blends the pixels just outside the slanted edges of the quadrangle (clipped to the inclusive
// destination rectangle) with their neighbours inside: the outer pixel becomes
// |crossing - outer| * outer + |crossing - inner| * inner. Only pixels of the rectangle are
// read or written.
void fbSmoothQuadEdges(void* pDst, int dstStep, int typeLayout, const double quad[4][2], int x0,
                       int y0, int x1, int y1, int orientation);

// Every sample of pixel (x, y) becomes wSelf * itself + wOther * the same sample of (nx, ny);
// integer types trunc(... + 0.5), float without rounding. AC4 blends all four samples.
void fbBlendPixel(void* pDst, int dstStep, int typeLayout, int x, int y, int nx, int ny,
                  double wSelf, double wOther);

}  // namespace builtin
