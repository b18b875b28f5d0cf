// Rotations: angle reduction, the rotation matrix, the right-angle copy path and the hand-off
// to the affine warp engine, and the shift, quadrangle and bound functions.
#include "primitives/geometry/Rotate.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/RotateCopy.h"
#include "primitives/geometry/WarpFrame.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

constexpr double kTwoTo31 = 2147483648.0;

// r = angle - 360 q with q the quotient truncated to 32 bits, into [0, 360). A quotient beyond
// the 32-bit range has no such q: the exact remainder takes its place. NaN stays NaN.
double ReduceWithQuotient(double angle, double quotient) {
  double r;
  if (std::fabs(quotient) < kTwoTo31)
    r = angle - 360.0 * static_cast<double>(static_cast<int32_t>(quotient));
  else
    r = std::fmod(angle, 360.0);
  if (r < 0) r += 360.0;
  return r;
}

// 90, 180 or 270 for an exact right angle, else 0.
int RightAngleOf(double r) {
  if (r == 90.0) return 90;
  if (r == 180.0) return 180;
  if (r == 270.0) return 270;
  return 0;
}

// The rotation matrix of the reduced angle r: exact zeros and ones at the right angles.
void RotationMatrix(double r, double xShift, double yShift, double c[2][3]) {
  double cs, sn;
  switch (RightAngleOf(r)) {
    case 90: cs = 0.0, sn = 1.0; break;
    case 180: cs = -1.0, sn = 0.0; break;
    case 270: cs = 0.0, sn = -1.0; break;
    default: cs = LibCCosDeg(r), sn = LibCSinDeg(r); break;
  }
  c[0][0] = cs, c[0][1] = sn, c[0][2] = xShift;
  c[1][0] = -sn, c[1][1] = cs, c[1][2] = yShift;
}

bool Whole(double v) { return v == LibCFloor(v); }

// The right-angle road: checks, the rotated rectangle of the clipped source region met with
// the destination region (64-bit integers throughout), then one copy routine.
IppStatus RightAngleRotate(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                           void* pDst, int dstStep, IppiRect dstRoi, int typeLayout, int degrees,
                           int64_t xs, int64_t ys) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (srcSize.width < 1 || srcSize.height < 1 || srcRoi.x < 0 || srcRoi.y < 0 ||
      srcRoi.width < 1 || srcRoi.height < 1 || dstRoi.x < 0 || dstRoi.y < 0 ||
      dstRoi.width < 1 || dstRoi.height < 1)
    return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  // Codes that name no type or layout never reach the tables.
  if (!warp::KnownTypeLayout(typeLayout, 3)) return ippStsSizeErr;
  const int32_t type = warp::TypeOf(typeLayout), layout = warp::LayoutOf(typeLayout);
  if (warp::IsPlanar(layout) &&
      (!warp::PlanesPresent(pSrc, layout) || !warp::PlanesPresent(pDst, layout)))
    return ippStsNullPtrErr;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;

  const int64_t x0 = srcRoi.x, y0 = srcRoi.y;
  const int64_t x1 = x0 + std::min<int64_t>(srcSize.width - x0, srcRoi.width) - 1;
  const int64_t y1 = y0 + std::min<int64_t>(srcSize.height - y0, srcRoi.height) - 1;
  int64_t X0, X1, Y0, Y1;
  switch (degrees) {
    case 90: X0 = y0 + xs, X1 = y1 + xs, Y0 = ys - x1, Y1 = ys - x0; break;
    case 180: X0 = xs - x1, X1 = xs - x0, Y0 = ys - y1, Y1 = ys - y0; break;
    default: X0 = xs - y1, X1 = xs - y0, Y0 = x0 + ys, Y1 = x1 + ys; break;
  }
  X0 = std::max<int64_t>(X0, dstRoi.x);
  X1 = std::min<int64_t>(X1, int64_t{dstRoi.x} + dstRoi.width - 1);
  Y0 = std::max<int64_t>(Y0, dstRoi.y);
  Y1 = std::min<int64_t>(Y1, int64_t{dstRoi.y} + dstRoi.height - 1);
  if (X0 > X1 || Y0 > Y1) return ippStsWrongIntersectROI;

  // The source pixel landing on (X0, Y0); the walk's direction and source step.
  int64_t sx, sy;
  int direction = 0, copyStep = srcStep;
  switch (degrees) {
    case 90: sx = ys - Y0, sy = X0 - xs, direction = -1; break;
    case 180: sx = xs - X0, sy = ys - Y0; break;
    default: sx = Y0 - ys, sy = xs - X0, direction = 1, copyStep = -srcStep; break;
  }

  const int64_t elementBytes = warp::ElementBytes(type);
  const ptrdiff_t srcOffset = static_cast<ptrdiff_t>(sy * srcStep);
  const ptrdiff_t dstOffset = static_cast<ptrdiff_t>(Y0 * dstStep);
  const void* src;
  void* dst;
  // Planar images: local plane arrays moved to the first pixels; the caller's stay as given.
  const uint8_t* srcPlanes[4] = {};
  uint8_t* dstPlanes[4] = {};
  if (warp::IsPlanar(layout)) {
    const auto* callerSrc = static_cast<const uint8_t* const*>(pSrc);
    auto* const* callerDst = static_cast<uint8_t* const*>(pDst);
    for (int32_t p = 0; p < warp::PlaneCount(layout); ++p) {
      srcPlanes[p] = callerSrc[p] + srcOffset + sx * elementBytes;
      dstPlanes[p] = callerDst[p] + dstOffset + X0 * elementBytes;
    }
    src = srcPlanes;
    dst = dstPlanes;
  } else {
    const int64_t pixelBytes = warp::BlendChannels(layout) * elementBytes;
    src = static_cast<const uint8_t*>(pSrc) + srcOffset + sx * pixelBytes;
    dst = static_cast<uint8_t*>(pDst) + dstOffset + X0 * pixelBytes;
  }
  const int width = static_cast<int>(X1 - X0 + 1), height = static_cast<int>(Y1 - Y0 + 1);
  const int index = type * warp::kLayoutCount + layout;
  if (degrees == 180)
    fbRotate180CopyTable[index](src, dst, height, width, srcStep, dstStep, 0);
  else
    fbRotate90CopyTable[index](src, dst, height, width, copyStep, dstStep, direction);
  return ippStsNoErr;
}

}  // namespace

double fbReduceRotateAngle(double angle) { return ReduceWithQuotient(angle, angle / 360.0); }

IppStatus fbRotateEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                         void* pDst, int dstStep, IppiRect dstRoi, int typeLayout, double angle,
                         double xShift, double yShift, int interpolation) {
  const double r = fbReduceRotateAngle(angle);
  const int degrees = RightAngleOf(r);
  if (degrees != 0 && Whole(xShift) && Whole(yShift))
    return RightAngleRotate(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi, typeLayout,
                            degrees, static_cast<int64_t>(xShift),
                            static_cast<int64_t>(yShift));
  double coeffs[2][3];
  RotationMatrix(r, xShift, yShift, coeffs);
  return fbAffineWarpEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi, typeLayout,
                            coeffs, interpolation);
}

#define PF_ROTATE_FORMS(X) X(C1, warp::kC1) X(C3, warp::kC3) X(C4, warp::kC4)
#define PF_ROTATE_DEFINE(form, layout)                                                         \
  IppStatus ippiRotate_8u_##form##R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,         \
                                    IppiRect srcRoi, Ipp8u* pDst, int dstStep,                \
                                    IppiRect dstRoi, double angle, double xShift,             \
                                    double yShift, int interpolation) {                       \
    std::fesetenv(FE_DFL_ENV);                                                                 \
    return fbRotateEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,               \
                          warp::TypeLayout(warp::kType8u, layout), angle, xShift, yShift,      \
                          interpolation);                                                      \
  }
PF_ROTATE_FORMS(PF_ROTATE_DEFINE)
#undef PF_ROTATE_DEFINE
#undef PF_ROTATE_FORMS

IppStatus ippiGetRotateShift(double xCenter, double yCenter, double angle, double* xShift,
                             double* yShift) {
  if (xShift == nullptr || yShift == nullptr) return ippStsNullPtrErr;
  const double r = ReduceWithQuotient(angle, angle * 0.002777777777777778);
  if (r == 0.0) {
    *xShift = 0.0, *yShift = 0.0;
  } else if (r == 90.0) {
    *xShift = xCenter - yCenter, *yShift = xCenter + yCenter;
  } else if (r == 180.0) {
    *xShift = 2.0 * xCenter, *yShift = 2.0 * yCenter;
  } else if (r == 270.0) {
    *xShift = xCenter + yCenter, *yShift = yCenter - xCenter;
  } else {
    const double theta = r * 0.005555555555555556 * 3.141592653589793;
    const double cs = std::cos(theta), sn = std::sin(theta);
    *xShift = xCenter - xCenter * cs - yCenter * sn;
    *yShift = yCenter - yCenter * cs + xCenter * sn;
  }
  return ippStsNoErr;
}

IppStatus fbRotateQuad(IppiRect srcRoi, double quad[4][2], double angle, double xShift,
                       double yShift) {
  if (quad == nullptr) return ippStsNullPtrErr;
  if (srcRoi.x < 0 || srcRoi.y < 0 || srcRoi.width < 1 || srcRoi.height < 1)
    return ippStsSizeErr;
  double c[2][3];
  RotationMatrix(fbReduceRotateAngle(angle), xShift, yShift, c);
  // The corners in 64 bits (a region may reach past the 32-bit range); each is exact as a
  // double, mapped as fbAffineQuad maps them.
  const double x0 = srcRoi.x, y0 = srcRoi.y;
  const double x1 = static_cast<double>(int64_t{srcRoi.x} + srcRoi.width - 1);
  const double y1 = static_cast<double>(int64_t{srcRoi.y} + srcRoi.height - 1);
  const double xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
  for (int i = 0; i < 4; ++i) {
    quad[i][0] = c[0][0] * xs[i] + c[0][1] * ys[i] + c[0][2];
    quad[i][1] = c[1][0] * xs[i] + c[1][1] * ys[i] + c[1][2];
  }
  return ippStsNoErr;
}

IppStatus ippiGetRotateBound(IppiRect srcRoi, double bound[2][2], double angle, double xShift,
                             double yShift) {
  if (bound == nullptr) return ippStsNullPtrErr;
  double quad[4][2];
  const IppStatus status = fbRotateQuad(srcRoi, quad, angle, xShift, yShift);
  if (status == ippStsNoErr) fbQuadBoundingBox(quad, bound);
  return status;
}

}  // namespace builtin
