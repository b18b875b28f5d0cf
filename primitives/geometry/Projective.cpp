// Projective coefficients from a quadrangle, and quadrangles and bounds from coefficients.
#include "primitives/geometry/Projective.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "primitives/geometry/QuadGeometry.h"

namespace builtin {

int fbCheckPerspectiveQuad(const double quad[4][2]) {
  for (int i = 0; i < 4; ++i)
    if (!std::isfinite(quad[i][0]) || !std::isfinite(quad[i][1])) return kQuadDegenerate;
  return fbCheckQuad(quad);
}

void fbPerspectiveQuad(const double c[3][3], int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                       double quad[4][2]) {
  const int64_t corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  for (int i = 0; i < 4; ++i) {
    const auto x = static_cast<double>(corners[i][0]), y = static_cast<double>(corners[i][1]);
    const double w = c[2][0] * x + c[2][1] * y + c[2][2];
    quad[i][0] = (c[0][0] * x + c[0][1] * y + c[0][2]) / w;
    quad[i][1] = (c[1][0] * x + c[1][1] * y + c[1][2]) / w;
  }
}

void fbPerspectiveSolve(int x0, int y0, int x1, int y1, const double q[4][2], double c[3][3]) {
  const double qx0 = q[0][0], qy0 = q[0][1], qx1 = q[1][0], qy1 = q[1][1];
  const double qx2 = q[2][0], qy2 = q[2][1], qx3 = q[3][0], qy3 = q[3][1];
  const double sx = qx0 - qx1 + qx2 - qx3, sy = qy0 - qy1 + qy2 - qy3;
  const double dx1 = qx1 - qx2, dx2 = qx3 - qx2, dy1 = qy1 - qy2, dy2 = qy3 - qy2;
  const double r = 1.0 / (dx1 * dy2 - dx2 * dy1);
  const double g = (sx * dy2 - dx2 * sy) * r;
  const double h = (dx1 * sy - sx * dy1) * r;
  // The map of the unit square, then scaled onto the rectangle.
  const double a = qx1 - qx0 + g * qx1, b = qx3 - qx0 + h * qx3;
  const double d = qy1 - qy0 + g * qy1, e = qy3 - qy0 + h * qy3;
  const double kx = 1.0 / static_cast<double>(int64_t{x1} - x0);
  const double ky = 1.0 / static_cast<double>(int64_t{y1} - y0);
  const double fx0 = x0, fy0 = y0;
  c[0][0] = a * kx;
  c[0][1] = b * ky;
  c[0][2] = qx0 - c[0][0] * fx0 - c[0][1] * fy0;
  c[1][0] = d * kx;
  c[1][1] = e * ky;
  c[1][2] = qy0 - c[1][0] * fx0 - c[1][1] * fy0;
  c[2][0] = g * kx;
  c[2][1] = h * ky;
  c[2][2] = 1.0 - c[2][0] * fx0 - c[2][1] * fy0;
}

IppStatus ippiGetPerspectiveTransform(IppiRect srcRoi, const double quad[4][2],
                                      double coeffs[3][3]) {
  if (quad == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (srcRoi.x < 0 || srcRoi.y < 0 || srcRoi.width < 1 || srcRoi.height < 1) return ippStsSizeErr;
  if (fbCheckPerspectiveQuad(quad) < 0) return ippStsQuadErr;
  if (srcRoi.width == 1 || srcRoi.height == 1) return ippStsRectErr;
  const int64_t x1 = int64_t{srcRoi.x} + srcRoi.width - 1;
  const int64_t y1 = int64_t{srcRoi.y} + srcRoi.height - 1;
  if (x1 > INT32_MAX || y1 > INT32_MAX) return ippStsSizeErr;
  fbPerspectiveSolve(srcRoi.x, srcRoi.y, static_cast<int>(x1), static_cast<int>(y1), quad, coeffs);
  return ippStsNoErr;
}

IppStatus fbGetPerspectiveQuad(IppiRect srcRoi, double quad[4][2], const double coeffs[3][3]) {
  if (quad == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (srcRoi.x < 0 || srcRoi.y < 0 || srcRoi.width < 1 || srcRoi.height < 1) return ippStsSizeErr;
  // The far corner in 64 bits. An improper quadrangle is reported first (quad written); a
  // proper one of a region reaching past INT32_MAX is then refused as a size (quad untouched).
  const int64_t x1 = int64_t{srcRoi.x} + srcRoi.width - 1;
  const int64_t y1 = int64_t{srcRoi.y} + srcRoi.height - 1;
  double mapped[4][2];
  fbPerspectiveQuad(coeffs, srcRoi.x, srcRoi.y, x1, y1, mapped);
  const bool improper = fbCheckPerspectiveQuad(mapped) < 0;
  if (!improper && (x1 > INT32_MAX || y1 > INT32_MAX)) return ippStsSizeErr;
  std::memcpy(quad, mapped, sizeof(mapped));
  return improper ? ippStsCoeffErr : ippStsNoErr;
}

IppStatus ippiGetPerspectiveBound(IppiRect srcRoi, double bound[2][2], const double coeffs[3][3]) {
  if (bound == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  double quad[4][2];
  const IppStatus status = fbGetPerspectiveQuad(srcRoi, quad, coeffs);
  if (status == ippStsNoErr || status == ippStsCoeffErr) fbQuadBoundingBox(quad, bound);
  return status;
}

void fbPerspectiveAdjugate(const double c[3][3], double a[3][3]) {
  a[0][0] = c[1][1] * c[2][2] - c[2][1] * c[1][2];
  a[0][1] = c[2][1] * c[0][2] - c[0][1] * c[2][2];
  a[0][2] = c[0][1] * c[1][2] - c[1][1] * c[0][2];
  a[1][0] = c[2][0] * c[1][2] - c[1][0] * c[2][2];
  a[1][1] = c[0][0] * c[2][2] - c[2][0] * c[0][2];
  a[1][2] = c[1][0] * c[0][2] - c[0][0] * c[1][2];
  a[2][0] = c[1][0] * c[2][1] - c[2][0] * c[1][1];
  a[2][1] = c[2][0] * c[0][1] - c[0][0] * c[2][1];
  a[2][2] = c[0][0] * c[1][1] - c[1][0] * c[0][1];
}

}  // namespace builtin
