// The bilinear transform: its coefficients from four corner points, the bound of a rectangle's
// image, the quadrangle of a rectangle, and the inverse set-up and row evaluation that the
// forward bilinear warp uses.
//
// Coefficients are double[2][4]: a point (x, y) maps to
//   x' = ((c00 x y + c01 x) + c02 y) + c03,  y' = ((c10 x y + c11 x) + c12 y) + c13,
// evaluated in that order. A quadrangle holds the images of the corners (x0, y0), (x1, y0),
// (x1, y1), (x0, y1) of an inclusive rectangle, in that order.
//
// ippiGetBilinearTransform(srcRoi, quad, coeffs): the coefficients taking the corners of srcRoi
// (x1 = x + width - 1, y1 = y + height - 1) onto the quadrangle. Checks, first failing one
// decides, coeffs untouched on all: quad or coeffs null -8; a negative origin or a side below
// 1 -6; a degenerate or non-convex quadrangle -58; a side of one pixel -57.
//
// ippiGetBilinearBound(srcRoi, bound, coeffs): {min x, min y}, {max x, max y} of the images of
// srcRoi's corners. Null bound or coeffs -8 and a negative origin or a side below 1 -6 leave
// bound untouched; a degenerate or folded image still writes its box and gives -56; then a
// far corner past INT32_MAX gives -6, bound untouched.
//
// The inverse record (fbBilinearSolve, mode 0) is eleven doubles k0..k10 with a case 0..3 and
// a root flag. For a destination point (X, Y) with L1 = k0 X + k1 Y + k2, L2 = k4 X + k6 Y + k8
// and L3 = k5 X + k7 Y + k9 the source point is
//   case 0: A = L1 +/- sqrt(L1^2 - L2) (+ with the root flag), x = k10 + A, y = L3 + k3 A;
//   case 1 (q0q1 parallel to q2q3): x = k10 + L2 / L1, y = L3;
//   case 2 (q1q2 parallel to q3q0): x = L2, y = k10 + L3 / L1;
//   case 3 (a parallelogram): x = L2, y = L3.
// Two edges count as parallel when their cross product relative to one of its terms is at most
// 1e-12. A discriminant that rounding pushes below zero at the quadrangle's edge is taken as 0.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

IppStatus ippiGetBilinearTransform(IppiRect srcRoi, const double quad[4][2], double coeffs[2][4]);
IppStatus ippiGetBilinearBound(IppiRect srcRoi, double bound[2][2], const double coeffs[2][4]);

// The images of (x0, y0), (x1, y0), (x1, y1), (x0, y1), in that order.
// The corners are 64-bit: a region's far corner may lie past INT32_MAX (each is exact as a
// double).
void fbBilinearQuad(const double coeffs[2][4], int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                    double quad[4][2]);

// The quadrangle of {x, y, width, height}: -8 for a null quad or coeffs, -6 for a negative
// origin or a side below 1 (quad untouched), -56 for a degenerate or non-convex quadrangle
// (quad written), -6 for a proper quadrangle whose far corner lies past INT32_MAX (quad
// untouched), else 0.
IppStatus fbBilinearQuadChecked(int x, int y, int width, int height, double quad[4][2],
                                const double coeffs[2][4]);

// Mode 1: the forward coefficients taking (x0, y0), (x1, y0), (x1, y1), (x0, y1) to the quad
// into coeffs (inverse, inverseCase and rootFlag untouched). Mode 0: the inverse record into
// inverse[11], *inverseCase and *rootFlag (coeffs untouched). Both write *orientation: 1 when
// the cross product at point 3 is positive. The caller guarantees x1 - x0 >= 1,
// y1 - y0 >= 1 and a proper quadrangle.
void fbBilinearSolve(double x0, double y0, double x1, double y1, const double quad[4][2],
                     double coeffs[2][4], double inverse[11], int* inverseCase, int* rootFlag,
                     int* orientation, int mode);

// The source points of n consecutive destination points of one row into pBuffer (n x values,
// then n y values), from the running values L1, L2, L3 at the first point, advanced by dL1,
// dL2, dL3 from point to point. Nothing for n <= 0 or an unknown case.
void fbBilinearInverseRow(double* pBuffer, int n, double L3, double dL3, double L2, double dL2,
                          double L1, double dL1, double k3, double k10, int inverseCase,
                          int rootFlag);

}  // namespace builtin
