// The affine warp: its kernel table, the engine and the edge smoothing.
#include "primitives/geometry/AffineWarp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using warp::Pixels;

template <class P, class Sampler>
void AffineKernel(const void* pSrc, void* pDstRow, int srcStep, int dstStep, int firstRow,
                  int lastRow, const fbRowSpan* spans, const double invCoeffs[2][3], int xMax,
                  int yMax, int /*reserved*/) {
  // The 8-bit interleaved kernels sample through vectors.
  const warp::SamplePoints8Fn points = warp::VectorPointsFor<P, Sampler>(pSrc, srcStep, xMax, yMax);
  warp::WarpSpans<P, Sampler>(
      warp::KernelFrame{pSrc, pDstRow, srcStep, dstStep, firstRow, lastRow, spans, xMax, yMax},
      warp::AffineGenerator(invCoeffs), warp::AllPositions{}, points);
}

}  // namespace

// One row per (type, layout): nearest, linear, cubic.
#define PF_AFFINE_ROW(T, layout)                                             \
  &AffineKernel<Pixels<T, warp::layout>, warp::NearestSampler>,              \
      &AffineKernel<Pixels<T, warp::layout>, warp::LinearSampler>,           \
      &AffineKernel<Pixels<T, warp::layout>, warp::CubicSampler>,
#define PF_AFFINE_TYPE(T)                                                                    \
  PF_AFFINE_ROW(T, kC1) PF_AFFINE_ROW(T, kC3) PF_AFFINE_ROW(T, kAC4) PF_AFFINE_ROW(T, kP3) \
  PF_AFFINE_ROW(T, kC4) PF_AFFINE_ROW(T, kP4)
const fbWarpRowKernel fbAffineKernelTable[kAffineKernelCount] = {
    PF_AFFINE_TYPE(Ipp8u) PF_AFFINE_TYPE(Ipp32f) PF_AFFINE_TYPE(Ipp16u)};
#undef PF_AFFINE_TYPE
#undef PF_AFFINE_ROW

namespace {

// The coefficient test: singular or nearly so fails.
bool CoefficientsPass(const double c[2][3]) {
  const double p = c[0][0] * c[1][1];
  if (std::fabs(p) > 1e-200) return std::fabs((p - c[0][1] * c[1][0]) / p) > 1e-12;
  return std::fabs(c[0][1] * c[1][0]) > 1e-12;
}

int32_t Saturate32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

IppStatus fbAffineWarpEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                             void* pDst, int dstStep, IppiRect dstRoi, int typeLayout,
                             const double coeffs[2][3], int interpolation) {
  if (pSrc == nullptr || pDst == nullptr) return ippStsNullPtrErr;
  if (srcSize.width < 1 || srcSize.height < 1 || srcRoi.x < 0 || srcRoi.y < 0 ||
      srcRoi.width < 1 || srcRoi.height < 1 || dstRoi.x < 0 || dstRoi.y < 0 ||
      dstRoi.width < 1 || dstRoi.height < 1)
    return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (!warp::KnownMethod(interpolation)) return ippStsInterpolationErr;
  // Codes that name no type or layout never reach the table.
  if (!warp::KnownTypeLayout(typeLayout, 3)) return ippStsSizeErr;
  const int32_t type = warp::TypeOf(typeLayout), layout = warp::LayoutOf(typeLayout);
  if (warp::IsPlanar(layout) &&
      (!warp::PlanesPresent(pSrc, layout) || !warp::PlanesPresent(pDst, layout)))
    return ippStsNullPtrErr;
  if (!CoefficientsPass(coeffs)) return ippStsCoeffErr;
  const int32_t method = warp::DowngradeMethod(warp::MethodOf(interpolation), srcSize);
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;

  const IppiRect clipped{srcRoi.x, srcRoi.y, std::min(srcSize.width - srcRoi.x, srcRoi.width),
                         std::min(srcSize.height - srcRoi.y, srcRoi.height)};
  if (clipped.width < 2 || clipped.height < 2) return ippStsRectErr;
  double quad[4][2];
  if (fbGetAffineQuad(clipped, quad, coeffs) != ippStsNoErr) return ippStsCoeffErr;
  double inv[2][3];
  int orientation = 0;
  fbAffineInverseFromQuad(clipped.x, clipped.y, clipped.x + clipped.width - 1,
                          clipped.y + clipped.height - 1, quad, inv, &orientation, 0);

  const int32_t x0 = dstRoi.x, y0 = dstRoi.y;
  const int32_t x1 = Saturate32(int64_t{dstRoi.x} + dstRoi.width - 1);
  const int32_t y1 = Saturate32(int64_t{dstRoi.y} + dstRoi.height - 1);
  fbRowSpan* spans = nullptr;
  int firstRow = 0, lastRow = 0;
  if (fbQuadRowSpans(quad, x0, y0, x1, y1, orientation, &spans, &firstRow, &lastRow) == 0)
    return ippStsWrongIntersectQuad;
  {
    const warp::PlaneRowsAdvance rows(pDst, layout, dstStep, firstRow);
    fbAffineKernelTable[warp::KernelIndex(type, layout, method)](
        pSrc, rows.KernelDestination(), srcStep, dstStep, firstRow, lastRow, spans, inv,
        srcSize.width - 1, srcSize.height - 1, 0);
  }
  fbAlignedFree(spans);
  if (warp::SmoothEdges(interpolation))
    fbSmoothQuadEdges(pDst, dstStep, typeLayout, quad, x0, y0, x1, y1, orientation);
  return ippStsNoErr;
}

// ---- Edge smoothing ------------------------------------------------------------------------

namespace {

template <typename T>
void BlendSamples(uint8_t* self, const uint8_t* other, int32_t channels, ptrdiff_t planeGap,
                  double wSelf, double wOther) {
  for (int32_t c = 0; c < channels; ++c) {
    const ptrdiff_t at = c * planeGap;
    const double s = rows::Load<T>(self + at, 0), t = rows::Load<T>(other + at, 0);
    const double v = wSelf * s + wOther * t;
    if constexpr (sizeof(T) == 4)
      rows::Store<T>(self + at, 0, static_cast<T>(v));
    else
      rows::Store<T>(self + at, 0, static_cast<T>(fbTruncToInt32(v + 0.5)));
  }
}

}  // namespace

void fbBlendPixel(void* pDst, int dstStep, int typeLayout, int x, int y, int nx, int ny,
                  double wSelf, double wOther) {
  const int32_t type = warp::TypeOf(typeLayout), layout = warp::LayoutOf(typeLayout);
  const int32_t channels = warp::BlendChannels(layout);
  const ptrdiff_t size = warp::ElementBytes(type);
  // count samples of self and other, gap bytes apart.
  const auto blend = [&](uint8_t* self, const uint8_t* other, int32_t count, ptrdiff_t gap) {
    if (type == warp::kType8u) BlendSamples<Ipp8u>(self, other, count, gap, wSelf, wOther);
    else if (type == warp::kType32f) BlendSamples<Ipp32f>(self, other, count, gap, wSelf, wOther);
    else BlendSamples<Ipp16u>(self, other, count, gap, wSelf, wOther);
  };
  if (warp::IsPlanar(layout)) {
    uint8_t* const* planes = static_cast<uint8_t* const*>(pDst);
    for (int32_t p = 0; p < channels; ++p)
      blend(rows::Row(planes[p], dstStep, y) + x * size,
            rows::Row(planes[p], dstStep, ny) + nx * size, 1, 0);
    return;
  }
  const ptrdiff_t pixel = channels * size;
  blend(rows::Row(pDst, dstStep, y) + x * pixel, rows::Row(pDst, dstStep, ny) + nx * pixel,
        channels, size);
}

void fbSmoothQuadEdges(void* pDst, int dstStep, int typeLayout, const double quad[4][2], int x0,
                       int y0, int x1, int y1, int orientation) {
  fbPoint poly[kClipCapacity], work[kClipCapacity];
  for (int i = 0; i < 4; ++i) poly[i] = fbPoint{quad[i][0], quad[i][1]};
  int count = 4;
  fbClipPolygonToRect(poly, work, &count, x0, y0, x1, y1);
  if (count < 3) return;
  // Rounding can place a crossing a hair beyond the rectangle's border, where the outer pixel
  // would lie outside the region: such steps are skipped, so nothing outside it is touched.
  const auto inside = [&](int64_t x, int64_t y) {
    return x >= x0 && x <= x1 && y >= y0 && y <= y1;
  };
  for (int i = 0; i < count; ++i) {
    const fbPoint a = poly[i], b = poly[(i + 1) % count];
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0.0 || dy == 0.0) continue;
    if (std::fabs(dx) < std::fabs(dy)) {
      // Steep: one crossing per row.
      const double slope = dx / dy;
      const bool outerRight = (dy > 0.0) == (orientation == 1);
      const int64_t from = warp::GeomCeil(std::min(a.y, b.y)), to = warp::GeomFloor(std::max(a.y, b.y));
      for (int64_t y = from; y <= to; ++y) {
        const double x = a.x + (static_cast<double>(y) - a.y) * slope;
        const int64_t c = warp::GeomCeil(x), f = warp::GeomFloor(x);
        if (c == f || static_cast<double>(f) == x) continue;
        const int64_t outer = outerRight ? c : f, inner = outerRight ? f : c;
        if (!inside(outer, y) || !inside(inner, y)) continue;
        fbBlendPixel(pDst, dstStep, typeLayout, static_cast<int>(outer), static_cast<int>(y),
                     static_cast<int>(inner), static_cast<int>(y),
                     std::fabs(x - static_cast<double>(outer)),
                     std::fabs(x - static_cast<double>(inner)));
      }
    } else {
      // Shallow: one crossing per column.
      const double slope = dy / dx;
      const bool outerAbove = (dx > 0.0) == (orientation == 1);
      const int64_t from = warp::GeomCeil(std::min(a.x, b.x)), to = warp::GeomFloor(std::max(a.x, b.x));
      for (int64_t x = from; x <= to; ++x) {
        const double y = a.y + (static_cast<double>(x) - a.x) * slope;
        const int64_t c = warp::GeomCeil(y), f = warp::GeomFloor(y);
        if (c == f || static_cast<double>(f) == y) continue;
        const int64_t outer = outerAbove ? f : c, inner = outerAbove ? c : f;
        if (!inside(x, outer) || !inside(x, inner)) continue;
        fbBlendPixel(pDst, dstStep, typeLayout, static_cast<int>(x), static_cast<int>(outer),
                     static_cast<int>(x), static_cast<int>(inner),
                     std::fabs(y - static_cast<double>(outer)),
                     std::fabs(y - static_cast<double>(inner)));
      }
    }
  }
}

}  // namespace builtin
