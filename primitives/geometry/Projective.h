// Projective transforms of rectangles (the ippiGetPerspective* entries): the coefficients that
// carry a rectangle onto a quadrangle, the quadrangle and bounding box of a rectangle under
// given coefficients.
//
// Coefficients are 3 x 3 doubles, row-major: (x, y) maps to
// x' = (c00 x + c01 y + c02) / w, y' = (c10 x + c11 y + c12) / w, w = c20 x + c21 y + c22.
// They are never normalised (c22 need not be 1). Rectangles are inclusive integer corners
// {x0, y0, x1, y1}; a region {x, y, width, height} has x1 = x + width - 1,
// y1 = y + height - 1. Quadrangle point i is the image of corner i in the order (x0, y0),
// (x1, y0), (x1, y1), (x0, y1).
//
// A quadrangle with a corner that is not finite (a corner on the line where w vanishes) is
// taken as degenerate, like one whose corner cross products vanish.
#pragma once

#include <cstdint>

#include "primitives/support/IppTypes.h"

namespace builtin {

// The coefficients carrying the corners of srcRoi onto quad. -8 for a null quad or coeffs;
// -6 for a negative origin or a side below 1; -58 for a degenerate or non-convex quad; -57
// for a side of exactly 1 (the quad test comes first); -6 for a far corner x + width - 1 or
// y + height - 1 past INT32_MAX. coeffs is written only on success.
IppStatus ippiGetPerspectiveTransform(IppiRect srcRoi, const double quad[4][2],
                                      double coeffs[3][3]);
// {min x, min y}, {max x, max y} of srcRoi's corners under coeffs. -8 for a null pointer, -6
// for a negative origin or a side below 1 (bound untouched), -56 when the mapped quadrangle is
// improper (bound written), then -6 for a far corner past INT32_MAX (bound untouched).
IppStatus ippiGetPerspectiveBound(IppiRect srcRoi, double bound[2][2], const double coeffs[3][3]);

// The quadrangle of srcRoi under coeffs: -8 for a null quad or coeffs, -6 for a negative
// origin or a side below 1 (quad untouched), -56 for an improper quadrangle (quad written),
// -6 for a proper quadrangle whose far corner lies past INT32_MAX (quad untouched), else 0.
IppStatus fbGetPerspectiveQuad(IppiRect srcRoi, double quad[4][2], const double coeffs[3][3]);
// The four corners of the rectangle mapped through coeffs, each with its own denominator. The
// corners are 64-bit: a region's far corner may lie past INT32_MAX (each is exact as a double).
void fbPerspectiveQuad(const double coeffs[3][3], int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                       double quad[4][2]);
// The coefficients mapping the rectangle's corners onto the quadrangle (which must be
// proper, and x1 > x0, y1 > y0); a parallelogram gives c20 = c21 = 0, c22 = 1.
void fbPerspectiveSolve(int x0, int y0, int x1, int y1, const double quad[4][2],
                        double coeffs[3][3]);
// fbCheckQuad with a corner that is not finite counted as degenerate (-5).
int fbCheckPerspectiveQuad(const double quad[4][2]);

// The adjugate of a 3x3 coefficient matrix (its inverse up to the determinant's factor), each
// entry one difference of two products: the map between destination and source directions.
void fbPerspectiveAdjugate(const double c[3][3], double a[3][3]);

}  // namespace builtin
