// Built-in rotations of 8-bit images about the image origin, with a shift, and their shift and
// bound functions.
//
// A rotation by angle degrees maps source (x, y) to (c x + s y + xShift, -s x + c y + yShift)
// with c = cos r, s = sin r, where r is the angle reduced to [0, 360): q = angle / 360
// truncated to a 32-bit integer, r = angle - 360 q, plus 360 when negative. An angle whose
// quotient does not fit 32 bits is reduced by its exact remainder instead, so every finite
// angle lands in [0, 360). At r = 90, 180 and 270 the matrix holds exact zeros and ones.
//
// fbRotateEngine takes one of two roads. When r is exactly 90, 180 or 270 and both shifts are
// whole numbers (equal to LibCFloor of themselves, so within the 32-bit range) the rotated
// region is made by pixel copies (RotateCopy.h), the interpolation code unread. Checks, the
// first failing one deciding: null image pointers -8; a source image side below 1, a negative
// region origin or a region side below 1 -6; a row step below 1 -14; for P3 and P4 a null
// pointer among the planes -8; a source region origin outside the source image 29. The source
// region is clipped to the image, rotated (in 64-bit integers, so no shift can wrap it) and
// intersected with the destination region; an empty intersection gives 29. Nothing is written
// on any of these; otherwise every destination pixel of the intersection is copied from its
// source pixel, and the rest keep their values.
// Any other angle or shift goes to fbAffineWarpEngine (AffineWarp.h) with the rotation matrix:
// its checks and statuses, among them 30 for a rotated region that misses the destination
// region, -22 for an unknown interpolation and -56 for a NaN angle.
//
// The three entries first reset the floating-point environment to its defaults (every
// exception masked, rounding to nearest) and leave it so. For planar layouts the engine reads
// the caller's plane-pointer arrays and never writes them.
//
// ippiGetRotateShift gives the shifts that turn the rotation about (xCenter, yCenter) (the
// quotient by 360 formed with the reciprocal, exact results at the right angles); null outputs
// -8. fbRotateQuad gives the quadrangle of the rotated source region (WarpFrame corner order),
// -8 for a null quad, -6 for a negative origin or a side below 1; the region is not clipped to
// any image.
// ippiGetRotateBound writes its bounding box {min x, min y}, {max x, max y}: -8 for a null
// bound, -6 as fbRotateQuad, bound written only on 0.
#pragma once

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiRotate_8u_C1R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiRect dstRoi, double angle,
                            double xShift, double yShift, int interpolation);
IppStatus ippiRotate_8u_C3R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiRect dstRoi, double angle,
                            double xShift, double yShift, int interpolation);
IppStatus ippiRotate_8u_C4R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                            Ipp8u* pDst, int dstStep, IppiRect dstRoi, double angle,
                            double xShift, double yShift, int interpolation);
IppStatus ippiGetRotateShift(double xCenter, double yCenter, double angle, double* xShift,
                             double* yShift);
IppStatus ippiGetRotateBound(IppiRect srcRoi, double bound[2][2], double angle, double xShift,
                             double yShift);

// typeLayout as in WarpFrame.h; for P3 and P4 pSrc and pDst are arrays of plane pointers.
IppStatus fbRotateEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                         void* pDst, int dstStep, IppiRect dstRoi, int typeLayout, double angle,
                         double xShift, double yShift, int interpolation);
IppStatus fbRotateQuad(IppiRect srcRoi, double quad[4][2], double angle, double xShift,
                       double yShift);

// The angle brought into [0, 360) (NaN stays NaN), by division as the engine does it.
double fbReduceRotateAngle(double angle);

}  // namespace builtin
