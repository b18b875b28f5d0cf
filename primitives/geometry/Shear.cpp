// Shears through the affine warp engine.
#include "primitives/geometry/Shear.h"

#include <cstdint>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/WarpFrame.h"

namespace builtin {
namespace {

struct ShearCoeffs {
  double c[2][3];
  ShearCoeffs(double xShear, double yShear, double xShift, double yShift)
      : c{{1.0, xShear, xShift}, {yShear, 1.0, yShift}} {}
};

}  // namespace

#define PF_SHEAR_FORMS(X) X(C1, warp::kC1) X(C3, warp::kC3) X(C4, warp::kC4)
#define PF_SHEAR_DEFINE(form, layout)                                                          \
  IppStatus ippiShear_8u_##form##R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,          \
                                   IppiRect srcRoi, Ipp8u* pDst, int dstStep, IppiRect dstRoi, \
                                   double xShear, double yShear, double xShift, double yShift, \
                                   int interpolation) {                                        \
    const ShearCoeffs shear(xShear, yShear, xShift, yShift);                                   \
    return fbAffineWarpEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,           \
                              warp::TypeLayout(warp::kType8u, layout), shear.c,                \
                              interpolation);                                                  \
  }
PF_SHEAR_FORMS(PF_SHEAR_DEFINE)
#undef PF_SHEAR_DEFINE
#undef PF_SHEAR_FORMS

IppStatus fbGetShearQuad(int x, int y, int width, int height, double quad[4][2], double xShear,
                         double yShear, double xShift, double yShift) {
  if (quad == nullptr) return ippStsNullPtrErr;
  if (x < 0 || y < 0 || width < 1 || height < 1) return ippStsSizeErr;
  const ShearCoeffs shear(xShear, yShear, xShift, yShift);
  const int64_t x1 = int64_t{x} + width - 1, y1 = int64_t{y} + height - 1;
  fbAffineQuad(shear.c, x, y, x1, y1, quad);
  return fbCheckQuad(quad) < 0 ? ippStsCoeffErr : ippStsNoErr;
}

IppStatus ippiGetShearBound(IppiRect srcRoi, double bound[2][2], double xShear, double yShear,
                            double xShift, double yShift) {
  if (bound == nullptr) return ippStsNullPtrErr;
  double quad[4][2];
  const IppStatus status = fbGetShearQuad(srcRoi.x, srcRoi.y, srcRoi.width, srcRoi.height, quad,
                                          xShear, yShear, xShift, yShift);
  if (status == ippStsNoErr || status == ippStsCoeffErr) fbQuadBoundingBox(quad, bound);
  return status;
}

}  // namespace builtin
