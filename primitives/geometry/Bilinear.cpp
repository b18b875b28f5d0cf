// The bilinear transform and bound, the quadrangle, the inverse set-up and its row evaluation.
#include "primitives/geometry/Bilinear.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "primitives/geometry/BilinearKernels.h"
#include "primitives/geometry/QuadGeometry.h"

namespace builtin {

IppStatus ippiGetBilinearTransform(IppiRect srcRoi, const double quad[4][2], double coeffs[2][4]) {
  if (quad == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (srcRoi.x < 0 || srcRoi.y < 0 || srcRoi.width < 1 || srcRoi.height < 1) return ippStsSizeErr;
  const int check = fbCheckQuad(quad);
  if (check == kQuadDegenerate || check == kQuadNotConvex) return ippStsQuadErr;
  const double x0 = srcRoi.x, y0 = srcRoi.y;
  const double x1 = static_cast<double>(srcRoi.x) + srcRoi.width - 1;
  const double y1 = static_cast<double>(srcRoi.y) + srcRoi.height - 1;
  if (x1 - x0 < 1.0 || y1 - y0 < 1.0) return ippStsRectErr;
  int orientation = 0;
  fbBilinearSolve(x0, y0, x1, y1, quad, coeffs, nullptr, nullptr, nullptr, &orientation, 1);
  return ippStsNoErr;
}

void fbBilinearQuad(const double coeffs[2][4], int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                    double quad[4][2]) {
  const double xs[4] = {static_cast<double>(x0), static_cast<double>(x1), static_cast<double>(x1),
                        static_cast<double>(x0)};
  const double ys[4] = {static_cast<double>(y0), static_cast<double>(y0), static_cast<double>(y1),
                        static_cast<double>(y1)};
  for (int i = 0; i < 4; ++i) {
    const double x = xs[i], y = ys[i];
    quad[i][0] = ((coeffs[0][0] * x * y + coeffs[0][1] * x) + coeffs[0][2] * y) + coeffs[0][3];
    quad[i][1] = ((coeffs[1][0] * x * y + coeffs[1][1] * x) + coeffs[1][2] * y) + coeffs[1][3];
  }
}

IppStatus fbBilinearQuadChecked(int x, int y, int width, int height, double quad[4][2],
                                const double coeffs[2][4]) {
  if (quad == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (x < 0 || y < 0 || width < 1 || height < 1) return ippStsSizeErr;
  // The far corner in 64 bits. An improper quadrangle is reported first (quad written); a
  // proper one of a region reaching past INT32_MAX is then refused as a size (quad untouched)
  // rather than wrapping round to a small coordinate.
  const int64_t x1 = int64_t{x} + width - 1;
  const int64_t y1 = int64_t{y} + height - 1;
  double mapped[4][2];
  fbBilinearQuad(coeffs, x, y, x1, y1, mapped);
  const int check = fbCheckQuad(mapped);
  const bool improper = check == kQuadDegenerate || check == kQuadNotConvex;
  if (!improper && (x1 > INT32_MAX || y1 > INT32_MAX)) return ippStsSizeErr;
  std::memcpy(quad, mapped, sizeof(mapped));
  return improper ? ippStsCoeffErr : ippStsNoErr;
}

IppStatus ippiGetBilinearBound(IppiRect srcRoi, double bound[2][2], const double coeffs[2][4]) {
  if (bound == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  double quad[4][2];
  const IppStatus status =
      fbBilinearQuadChecked(srcRoi.x, srcRoi.y, srcRoi.width, srcRoi.height, quad, coeffs);
  if (status == ippStsNoErr || status == ippStsCoeffErr) fbQuadBoundingBox(quad, bound);
  return status;
}

namespace {

// kx (or ky) of two opposite edges: b - a, or 0 when they are parallel within the relative
// tolerance.
double ParallelTerm(double a, double b) {
  const double r = std::fabs(a) > 1e-200 ? (a - b) / a : b;
  return std::fabs(r) > 1e-12 ? b - a : 0.0;
}

}  // namespace

void fbBilinearSolve(double x0, double y0, double x1, double y1, const double quad[4][2],
                     double coeffs[2][4], double inverse[11], int* inverseCase, int* rootFlag,
                     int* orientation, int mode) {
  const double q0x = quad[0][0], q0y = quad[0][1], q1x = quad[1][0], q1y = quad[1][1];
  const double q2x = quad[2][0], q2y = quad[2][1], q3x = quad[3][0], q3y = quad[3][1];
  const double W = x1 - x0, H = y1 - y0;
  const double e01x = q1x - q0x, e01y = q1y - q0y, e12x = q2x - q1x, e12y = q2y - q1y;
  const double e23x = q3x - q2x, e23y = q3y - q2y, e30x = q0x - q3x, e30y = q0y - q3y;
  *orientation = (e23x * e30y - e30x * e23y > 0.0) ? 1 : 0;

  if (mode == 1) {
    const double k = 1.0 / (W * H);
    coeffs[0][0] = (q0x - q1x + q2x - q3x) * k;
    coeffs[0][1] = (e23x * y0 + e01x * y1) * k;
    coeffs[0][2] = -(e30x * x1 + e12x * x0) * k;
    coeffs[0][3] = q0x - coeffs[0][1] * x0 - coeffs[0][2] * y0 - coeffs[0][0] * x0 * y0;
    coeffs[1][0] = (q0y - q1y + q2y - q3y) * k;
    coeffs[1][1] = (e23y * y0 + e01y * y1) * k;
    coeffs[1][2] = -(e30y * x1 + e12y * x0) * k;
    coeffs[1][3] = q0y - coeffs[1][0] * x0 * y0 - coeffs[1][1] * x0 - coeffs[1][2] * y0;
    return;
  }

  const double Ex = q0x - q1x + q2x - q3x, Ey = q0y - q1y + q2y - q3y;
  const double P = e30x * e01y - e01x * e30y;
  const double kx = ParallelTerm(e01x * e23y, e23x * e01y);
  const double ky = ParallelTerm(e30x * e12y, e12x * e30y);
  const double S = kx != 0.0 ? kx / W : 0.0;
  const double T = ky != 0.0 ? ky / H : 0.0;
  const int c = kx != 0.0 ? (ky != 0.0 ? 0 : 2) : (ky != 0.0 ? 1 : 3);
  double* k = inverse;
  switch (c) {
    case 0:
      k[0] = Ey / (2 * S);
      k[1] = -Ex / (2 * S);
      k[2] = -P / (2 * S) - q0y * k[1] - q0x * k[0];
      k[3] = -S / T;
      k[4] = e30y * W / S;
      k[5] = Ey / T;
      k[6] = -e30x * W / S;
      k[7] = -Ex / T;
      k[8] = -k[4] * q0x - k[6] * q0y;
      k[9] = y0 - k[5] * q0x - k[7] * q0y;
      k[10] = x0;
      break;
    case 1:
      k[0] = -Ey;
      k[1] = Ex;
      k[2] = P - q0y * Ex + q0x * Ey;
      k[3] = 0.0;
      k[4] = -e30y * W;
      k[5] = Ey / T;
      k[6] = e30x * W;
      k[7] = -Ex / T;
      k[8] = -k[4] * q0x - k[6] * q0y;
      k[9] = y0 - k[5] * q0x - k[7] * q0y;
      k[10] = x0;
      break;
    case 2:
      k[0] = -Ey;
      k[1] = Ex;
      k[2] = -P - q0y * Ex + q0x * Ey;
      k[3] = 0.0;
      k[4] = Ey / S;
      k[5] = e01y * H;
      k[6] = -Ex / S;
      k[7] = -e01x * H;
      k[8] = x0 - k[4] * q0x - k[6] * q0y;
      k[9] = -k[5] * q0x - k[7] * q0y;
      k[10] = y0;
      break;
    default:
      k[0] = 0.0;
      k[1] = 0.0;
      k[2] = 0.0;
      k[3] = 0.0;
      k[4] = -e30y * W / P;
      k[5] = -e01y * H / P;
      k[6] = e30x * W / P;
      k[7] = e01x * H / P;
      k[8] = x0 - k[4] * q0x - k[6] * q0y;
      k[9] = y0 - k[5] * q0x - k[7] * q0y;
      k[10] = 0.0;
      break;
  }
  *inverseCase = c;
  *rootFlag = (*orientation == 1) ? (kx > 0.0 ? 1 : 0) : (kx < 0.0 ? 1 : 0);
}

void fbBilinearInverseRow(double* pBuffer, int n, double L3, double dL3, double L2, double dL2,
                          double L1, double dL1, double k3, double k10, int inverseCase,
                          int rootFlag) {
  if (n <= 0) return;
  double* xs = pBuffer;
  double* ys = pBuffer + n;
  switch (inverseCase) {
    case 0: {
      // The running values first, a block at a time, by the same additions; then the roots of
      // the block, whose points no longer depend on each other.
      constexpr int kBlock = 64;
      double l1[kBlock], l2[kBlock], l3[kBlock];
      for (int start = 0; start < n; start += kBlock) {
        const int m = n - start < kBlock ? n - start : kBlock;
        for (int i = 0; i < m; ++i) {
          l1[i] = L1;
          l2[i] = L2;
          l3[i] = L3;
          L3 += dL3;
          L2 += dL2;
          L1 += dL1;
        }
        // Rounding can leave the discriminant a hair below zero on the quadrangle's edge,
        // where its true value is 0; it counts as 0, so no NaN reaches the sampler.
        warp::BilinearRootsOf(l1, l2, l3, m, k3, k10, rootFlag, xs + start, ys + start);
      }
      break;
    }
    case 1:
      for (int i = 0; i < n; ++i) {
        xs[i] = k10 + L2 / L1;
        ys[i] = L3;
        L3 += dL3;
        L2 += dL2;
        L1 += dL1;
      }
      break;
    case 2:
      for (int i = 0; i < n; ++i) {
        xs[i] = L2;
        ys[i] = k10 + L3 / L1;
        L3 += dL3;
        L2 += dL2;
        L1 += dL1;
      }
      break;
    case 3:
      for (int i = 0; i < n; ++i) {
        xs[i] = L2;
        ys[i] = L3;
        L3 += dL3;
        L2 += dL2;
        L1 += dL1;
      }
      break;
    default:
      break;
  }
}

}  // namespace builtin
