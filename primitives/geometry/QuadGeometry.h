// Quadrangle geometry shared by the warp engines: the quadrangle of a rectangle under an affine
// transform, the test that a quadrangle is proper (not degenerate, convex) with its
// orientation, the affine inverse from a rectangle and its quadrangle, the clipping of a
// convex polygon to a rectangle, its scan conversion into one row span per destination row,
// and the bounding box.
//
// Coordinates are double with pixel centres at integers. Rectangles are inclusive integer
// corners {x0, y0, x1, y1}. A quadrangle is the four images of the corners (x0, y0), (x1, y0),
// (x1, y1), (x0, y1), in that order. Orientation 1: the corner cross products are positive
// (clockwise on the screen with y down; the identity gives 1); 0: negative. Affine
// coefficients are {c00, c01, c02; c10, c11, c12}: x' = c00 x + c01 y + c02,
// y' = c10 x + c11 y + c12.
#pragma once

#include <cstdint>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/IppTypes.h"

namespace builtin {

// fbCheckQuad's results beside the orientations 1 and 0.
inline constexpr int kQuadDegenerate = -5;
inline constexpr int kQuadNotConvex = -4;

// The most vertices a clipping stage may hold, its closing copy of the first vertex included.
// A convex quadrangle clipped by four half-planes keeps at most eight; the arrays are sized
// for the worst any input can reach (each stage at most doubles the count), so that a
// polygon bent by rounding can never run past them.
inline constexpr int kClipCapacity = 72;

struct fbPoint {
  double x;
  double y;
};

// The corners are 64-bit: a region's far corner may lie past INT32_MAX (each is exact as a
// double).
void fbAffineQuad(const double coeffs[2][3], int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                  double quad[4][2]);
// -8 for a null quad or coeffs, -6 for a negative origin or a side below 1 (quad untouched),
// -56 for an improper quadrangle (quad written), else 0.
IppStatus fbGetAffineQuad(IppiRect srcRoi, double quad[4][2], const double coeffs[2][3]);
// -5 degenerate (a corner cross product 0 or NaN), -4 not convex, else the orientation.
int fbCheckQuad(const double quad[4][2]);
// The transform mapping the quadrangle (from P0, P1, P2) back onto the rectangle; mode 0 only.
void fbAffineInverseFromQuad(int x0, int y0, int x1, int y1, const double quad[4][2],
                             double invCoeffs[2][3], int* orientation, int mode);
// The row spans of the destination rectangle that the quadrangle covers: 1 with *spans a block
// of lastRow - firstRow + 1 spans from fbAlignedAlloc32 (the caller frees it), or 0 with
// nothing allocated (nothing covered, or no memory). Spans never leave the rectangle.
int fbQuadRowSpans(const double quad[4][2], int x0, int y0, int x1, int y1, int orientation,
                   fbRowSpan** spans, int* firstRow, int* lastRow);
// Clips the polygon of *count vertices (poly, kClipCapacity points; work the same) to the
// rectangle, the result in poly.
void fbClipPolygonToRect(fbPoint* poly, fbPoint* work, int* count, int x0, int y0, int x1,
                         int y1);
// One clipping stage against the edge coordinate edge, keeping y >= edge (top), y <= edge
// (bottom), x >= edge (left) or x <= edge (right). extreme is the input's own extreme on that
// side; when it already lies inside, the input is copied unchanged.
void fbClipPolygonTop(fbPoint* in, fbPoint* out, int* count, double extreme, int edge);
void fbClipPolygonBottom(fbPoint* in, fbPoint* out, int* count, double extreme, int edge);
void fbClipPolygonLeft(fbPoint* in, fbPoint* out, int* count, double extreme, int edge);
void fbClipPolygonRight(fbPoint* in, fbPoint* out, int* count, double extreme, int edge);
// Writes span i for row ceil(min y) + i of the convex polygon; the caller sized spans for
// rows ceil(min y) .. floor(max y). Rows the scan does not reach stay empty.
void fbScanConvexPolygon(const fbPoint* poly, int count, int orientation, fbRowSpan* spans,
                         int rowCount);
void fbQuadBoundingBox(const double quad[4][2], double bound[2][2]);

}  // namespace builtin
