// Built-in shears of 8-bit images and their bound.
//
// A shear with shifts maps source (x, y) to x' = x + xShear y + xShift,
// y' = yShear x + y + yShift, in absolute pixel coordinates of the two images. The C1, C3 and
// C4 forms hand the work to the affine warp engine (AffineWarp.h) with the coefficients
// {1, xShear, xShift; yShear, 1, yShift}: every check, status and the edge smoothing (bit 31
// of interpolation) are the engine's. Among them -56 for a shear whose xShear * yShear is 1
// or within the engine's relative tolerance of 1.
//
// ippiGetShearBound writes {min x, min y}, {max x, max y} of the sheared source region's
// corners, the far corner x + width - 1, y + height - 1 taken in 64 bits (it may lie past
// INT32_MAX). It returns -8 for a null bound and -6 for a negative region origin or a side
// below 1 (bound untouched on both), -56 for a degenerate shear (bound still written), else 0.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiShear_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           Ipp8u* pDst, int dstStep, IppiRect dstRoi, double xShear,
                           double yShear, double xShift, double yShift, int interpolation);
IppStatus ippiShear_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           Ipp8u* pDst, int dstStep, IppiRect dstRoi, double xShear,
                           double yShear, double xShift, double yShift, int interpolation);
IppStatus ippiShear_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           Ipp8u* pDst, int dstStep, IppiRect dstRoi, double xShear,
                           double yShear, double xShift, double yShift, int interpolation);
IppStatus ippiGetShearBound(IppiRect srcRoi, double bound[2][2], double xShear, double yShear,
                            double xShift, double yShift);

// The quadrangle of the region {x, y, width, height} under the shear: -8 for a null quad, -6
// for a negative origin or a side below 1 (quad untouched), -56 for an improper quadrangle
// (quad written), else 0.
IppStatus fbGetShearQuad(int x, int y, int width, int height, double quad[4][2], double xShear,
                         double yShear, double xShift, double yShift);

}  // namespace builtin
