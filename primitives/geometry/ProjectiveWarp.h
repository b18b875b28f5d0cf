// Projective warps of images (ippiWarpPerspective*): the forward and back engines, the six
// 8-bit entries and the two row-kernel tables behind them.
//
// Both engines find the destination pixels to compute as row spans and make one kernel call
// that maps each of them back into the source through a destination-to-source matrix m (the
// adjugate of the forward coefficients, or the back coefficients themselves) and samples
// there. Checks, the first failing one deciding: a null image pointer or coefficient array
// -8; a source image side, a region side below 1 or a negative region origin -6; a row step
// below 1 -14; an unknown method -22; a type or layout the tables do not hold (only 8u and
// 32f) -6; a null plane pointer of P3 or P4 -8; coefficients whose upper-left 2 x 2 block is
// singular to a relative 1e-12, or with |c22| not above 1e-200 or not finite, -56. Then the
// method is downgraded by the whole source size, a region origin outside the source image
// gives 29 and the source region is clipped to the image.
//
// Forward: a clipped region narrower or lower than 2 gives -57; an improper quadrangle of it
// (degenerate, not convex, or with a corner on the vanishing line) -56; no destination pixel
// covered 30. Bit 31 of the interpolation then smooths the quadrangle's edges.
// Back: when the adjugate carries the clipped region onto a proper quadrangle, its spans are
// computed with the plain kernels (30 if it covers nothing); otherwise every pixel of the
// destination region is visited, 30 when the box of the region's corners mapped into the
// source misses the clipped region. The plain kernels serve that whole-region path only when
// all four mapped corners lie in the clipped region and the denominator has one strict sign at
// the four corners (so every pixel maps into their hull); otherwise the checked kernels leave
// each pixel whose source position falls outside the clipped region (or is not a number)
// untouched. Bit 31 is accepted and ignored.
// Both: -9 when the work memory cannot be had, and nothing is written on any non-zero status.
// For P3 and P4 the caller's plane-pointer arrays are only read.
#pragma once

#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

// Every destination row firstRow..lastRow in one call; backCoeffs maps destination (X, Y) to
// the source; pBuffer holds two doubles per pixel of the longest span.
using fbPerspectiveRowKernel = void (*)(const void* pSrc, void* pDstRow, int srcStep,
                                        int dstStep, int firstRow, int lastRow,
                                        const fbRowSpan* spans, const double backCoeffs[3][3],
                                        double* pBuffer, int xMax, int yMax);
// The same, computing only pixels whose source position lies in the inclusive rectangle
// roiLeft..roiRight x roiTop..roiBottom.
using fbPerspectiveCheckedRowKernel = void (*)(const void* pSrc, void* pDstRow, int srcStep,
                                               int dstStep, int firstRow, int lastRow,
                                               const fbRowSpan* spans,
                                               const double backCoeffs[3][3], double* pBuffer,
                                               int roiLeft, int roiTop, int roiRight,
                                               int roiBottom, int xMax, int yMax);

// Index (type * 6 + layout) * 3 + method / 2 for the types 8u and 32f.
inline constexpr int kPerspectiveKernelCount = 36;
extern const fbPerspectiveRowKernel fbPerspectiveKernelTable[kPerspectiveKernelCount];
extern const char* const fbPerspectiveKernelNames[kPerspectiveKernelCount];
extern const fbPerspectiveCheckedRowKernel fbPerspectiveCheckedKernelTable[kPerspectiveKernelCount];
extern const char* const fbPerspectiveCheckedKernelNames[kPerspectiveKernelCount];

// The source positions of count pixels: pBuffer[i] = Nx r, pBuffer[count + i] = Ny r with
// r = 1 / D, then Nx += dNx, Ny += dNy, D += dD.
void fbPerspectiveRowCoords(double* pBuffer, int count, double D, double dD, double Nx,
                            double dNx, double Ny, double dNy);

IppStatus fbWarpPerspectiveEngine(const void* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, void* pDst, int dstStep, IppiRect dstRoi,
                                  int typeLayout, const double coeffs[3][3], int interpolation);
IppStatus fbWarpPerspectiveBackEngine(const void* pSrc, IppiSize srcSize, int srcStep,
                                      IppiRect srcRoi, void* pDst, int dstStep, IppiRect dstRoi,
                                      int typeLayout, const double coeffs[3][3],
                                      int interpolation);

#define PF_PERSPECTIVE_DECLARE(name)                                                         \
  IppStatus name(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,          \
                 Ipp8u* pDst, int dstStep, IppiRect dstRoi, const double coeffs[3][3],       \
                 int interpolation);
PF_PERSPECTIVE_DECLARE(ippiWarpPerspective_8u_C1R)
PF_PERSPECTIVE_DECLARE(ippiWarpPerspective_8u_C3R)
PF_PERSPECTIVE_DECLARE(ippiWarpPerspective_8u_C4R)
PF_PERSPECTIVE_DECLARE(ippiWarpPerspectiveBack_8u_C1R)
PF_PERSPECTIVE_DECLARE(ippiWarpPerspectiveBack_8u_C3R)
PF_PERSPECTIVE_DECLARE(ippiWarpPerspectiveBack_8u_C4R)
#undef PF_PERSPECTIVE_DECLARE

}  // namespace builtin
