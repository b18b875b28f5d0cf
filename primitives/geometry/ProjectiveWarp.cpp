// The projective warps: row kernels, their two tables, the engines and the 8-bit entries.
#include "primitives/geometry/ProjectiveWarp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/Projective.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/support/Support.h"

namespace builtin {

void fbPerspectiveRowCoords(double* pBuffer, int count, double D, double dD, double Nx,
                            double dNx, double Ny, double dNy) {
  double* xs = pBuffer;
  double* ys = pBuffer + (count > 0 ? count : 0);
  // The running values first, a block at a time, by the same additions; then the reciprocals
  // and products of the block, which no longer depend on each other.
  constexpr int kBlock = 256;
  double d[kBlock];
  for (int start = 0; start < count; start += kBlock) {
    const int m = count - start < kBlock ? count - start : kBlock;
    for (int i = 0; i < m; ++i) {
      d[i] = D;
      xs[start + i] = Nx;
      ys[start + i] = Ny;
      Nx += dNx;
      Ny += dNy;
      D += dD;
    }
    warp::ReciprocalProducts(d, xs + start, ys + start, m);
  }
}

namespace {

using warp::Pixels;

// The row walk of every perspective kernel. The row terms m01 Y + m02, m11 Y + m12,
// m21 Y + m22 are formed at the first row and grow by m01, m11, m21 per row; each span's
// positions go into the work buffer in one pass (one division per pixel), then its pixels are
// sampled from there, those the check refuses left as they are.
// vectorPoints: the vector sampler of a plain 8-bit kernel of interleaved pixels, or null.
template <class P, class Sampler, class Check>
void PerspectiveRows(const void* pSrc, void* pDstRow, int srcStep, int dstStep, int firstRow,
                     int lastRow, const fbRowSpan* spans, const double m[3][3], double* pBuffer,
                     int xMax, int yMax, Check check,
                     warp::SamplePoints8Fn vectorPoints = nullptr) {
  if (lastRow < firstRow) return;
  const warp::SourceImage<P> src(pSrc, srcStep);
  warp::DestinationRow<P> dst(pDstRow);
  const double y = firstRow;
  double a = m[0][1] * y + m[0][2], b = m[1][1] * y + m[1][2], c = m[2][1] * y + m[2][2];
  for (int64_t row = firstRow; row <= lastRow; ++row) {
    const fbRowSpan span = spans[row - firstRow];
    if (span.xend >= span.xstart) {
      const int count = static_cast<int>(int64_t{span.xend} - span.xstart + 1);
      const double xs = span.xstart;
      fbPerspectiveRowCoords(pBuffer, count, m[2][0] * xs + c, m[2][0], m[0][0] * xs + a,
                             m[0][0], m[1][0] * xs + b, m[1][0]);
      const double* sx = pBuffer;
      const double* sy = pBuffer + count;
      bool done = false;
      if constexpr (!P::kPlanar && sizeof(typename P::Element) == 1) {
        if (vectorPoints != nullptr) {
          vectorPoints(sx, sy, count, warp::LinearSource8{src.planes[0], src.step, xMax, yMax},
                       dst.At(0, span.xstart));
          done = true;
        }
      }
      for (int j = 0; !done && j < count; ++j)
        if (check(sx[j], sy[j]))
          Sampler::Sample(src, dst, ptrdiff_t{span.xstart} + j, sx[j], sy[j], xMax, yMax);
    }
    dst.Advance(dstStep);
    a += m[0][1];
    b += m[1][1];
    c += m[2][1];
  }
}

template <class P, class Sampler>
void PlainKernel(const void* pSrc, void* pDstRow, int srcStep, int dstStep, int firstRow,
                 int lastRow, const fbRowSpan* spans, const double backCoeffs[3][3],
                 double* pBuffer, int xMax, int yMax) {
  const warp::SamplePoints8Fn vectorPoints =
      warp::VectorPointsFor<P, Sampler>(pSrc, srcStep, xMax, yMax);
  PerspectiveRows<P, Sampler>(pSrc, pDstRow, srcStep, dstStep, firstRow, lastRow, spans,
                              backCoeffs, pBuffer, xMax, yMax, warp::AllPositions{},
                              vectorPoints);
}

template <class P, class Sampler>
void CheckedKernel(const void* pSrc, void* pDstRow, int srcStep, int dstStep, int firstRow,
                   int lastRow, const fbRowSpan* spans, const double backCoeffs[3][3],
                   double* pBuffer, int roiLeft, int roiTop, int roiRight, int roiBottom,
                   int xMax, int yMax) {
  PerspectiveRows<P, Sampler>(
      pSrc, pDstRow, srcStep, dstStep, firstRow, lastRow, spans, backCoeffs, pBuffer, xMax, yMax,
      warp::InsideSource{static_cast<double>(roiLeft), static_cast<double>(roiTop),
                         static_cast<double>(roiRight), static_cast<double>(roiBottom)});
}

}  // namespace

// The kernels of one (type, layout) in method order, and their names.
#define PF_PERSPECTIVE_FORMS(X)                                                              \
  X(Ipp8u, 8u, kC1, C1) X(Ipp8u, 8u, kC3, C3) X(Ipp8u, 8u, kAC4, AC4) X(Ipp8u, 8u, kP3, P3)  \
  X(Ipp8u, 8u, kC4, C4) X(Ipp8u, 8u, kP4, P4) X(Ipp32f, 32f, kC1, C1)                       \
  X(Ipp32f, 32f, kC3, C3) X(Ipp32f, 32f, kAC4, AC4) X(Ipp32f, 32f, kP3, P3)                 \
  X(Ipp32f, 32f, kC4, C4) X(Ipp32f, 32f, kP4, P4)
#define PF_PERSPECTIVE_ROW(Kernel, T, tname, layout, lname)              \
  &Kernel<Pixels<T, warp::layout>, warp::NearestSampler>,                \
      &Kernel<Pixels<T, warp::layout>, warp::LinearSampler>,             \
      &Kernel<Pixels<T, warp::layout>, warp::CubicSampler>,
#define PF_PERSPECTIVE_PLAIN(T, tname, layout, lname) \
  PF_PERSPECTIVE_ROW(PlainKernel, T, tname, layout, lname)
#define PF_PERSPECTIVE_CHECKED(T, tname, layout, lname) \
  PF_PERSPECTIVE_ROW(CheckedKernel, T, tname, layout, lname)
#define PF_PERSPECTIVE_NAMES(T, tname, layout, lname)                                   \
  "fbPerspectiveNN" #tname #lname, "fbPerspectiveLinear" #tname #lname,                 \
      "fbPerspectiveCubic" #tname #lname,
#define PF_PERSPECTIVE_CHECKED_NAMES(T, tname, layout, lname)                           \
  "fbPerspectiveCheckedNN" #tname #lname, "fbPerspectiveCheckedLinear" #tname #lname,   \
      "fbPerspectiveCheckedCubic" #tname #lname,

const fbPerspectiveRowKernel fbPerspectiveKernelTable[kPerspectiveKernelCount] = {
    PF_PERSPECTIVE_FORMS(PF_PERSPECTIVE_PLAIN)};
const char* const fbPerspectiveKernelNames[kPerspectiveKernelCount] = {
    PF_PERSPECTIVE_FORMS(PF_PERSPECTIVE_NAMES)};
const fbPerspectiveCheckedRowKernel fbPerspectiveCheckedKernelTable[kPerspectiveKernelCount] = {
    PF_PERSPECTIVE_FORMS(PF_PERSPECTIVE_CHECKED)};
const char* const fbPerspectiveCheckedKernelNames[kPerspectiveKernelCount] = {
    PF_PERSPECTIVE_FORMS(PF_PERSPECTIVE_CHECKED_NAMES)};

#undef PF_PERSPECTIVE_CHECKED_NAMES
#undef PF_PERSPECTIVE_NAMES
#undef PF_PERSPECTIVE_CHECKED
#undef PF_PERSPECTIVE_PLAIN
#undef PF_PERSPECTIVE_ROW
#undef PF_PERSPECTIVE_FORMS

namespace {

// |(a - b) / a| > 1e-12 for |a| > 1e-200, else |b| > 1e-12.
bool NonZero(double a, double b) {
  if (std::fabs(a) > 1e-200) return std::fabs((a - b) / a) > 1e-12;
  return std::fabs(b) > 1e-12;
}

int32_t Saturate32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}


// The orientation from the cross product at point 3: 1 when positive.
int OrientationAt3(const double q[4][2]) {
  return (q[3][0] - q[2][0]) * (q[0][1] - q[3][1]) - (q[3][1] - q[2][1]) * (q[0][0] - q[3][0]) >
                 0.0
             ? 1
             : 0;
}

// What both engines establish before they part ways.
struct Frame {
  int32_t type, layout, method;
  int32_t x0, y0, x1, y1;      // the clipped source region, inclusive
  int32_t dx0, dy0, dx1, dy1;  // the destination region, inclusive
};

IppStatus Prepare(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi, void* pDst,
                  int dstStep, IppiRect dstRoi, int typeLayout, const double coeffs[3][3],
                  int interpolation, bool forward, Frame* f) {
  if (pSrc == nullptr || pDst == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (srcSize.width < 1 || srcSize.height < 1 || srcRoi.width < 1 || srcRoi.height < 1 ||
      dstRoi.width < 1 || dstRoi.height < 1 || srcRoi.x < 0 || srcRoi.y < 0 || dstRoi.x < 0 ||
      dstRoi.y < 0)
    return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (!warp::KnownMethod(interpolation)) return ippStsInterpolationErr;
  // The tables hold 8u and 32f only: other codes never index them.
  if (!warp::KnownTypeLayout(typeLayout, 2)) return ippStsSizeErr;
  f->type = warp::TypeOf(typeLayout);
  f->layout = warp::LayoutOf(typeLayout);
  if (warp::IsPlanar(f->layout) &&
      (!warp::PlanesPresent(pSrc, f->layout) || !warp::PlanesPresent(pDst, f->layout)))
    return ippStsNullPtrErr;
  if (!NonZero(coeffs[0][0] * coeffs[1][1], coeffs[0][1] * coeffs[1][0]) ||
      !NonZero(coeffs[2][2], 0.0))
    return ippStsCoeffErr;
  f->method = warp::DowngradeMethod(warp::MethodOf(interpolation), srcSize);
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;
  const int32_t w = std::min(srcSize.width - srcRoi.x, srcRoi.width);
  const int32_t h = std::min(srcSize.height - srcRoi.y, srcRoi.height);
  if (forward && (w < 2 || h < 2)) return ippStsRectErr;
  f->x0 = srcRoi.x;
  f->y0 = srcRoi.y;
  f->x1 = srcRoi.x + w - 1;
  f->y1 = srcRoi.y + h - 1;
  f->dx0 = dstRoi.x;
  f->dy0 = dstRoi.y;
  f->dx1 = Saturate32(int64_t{dstRoi.x} + dstRoi.width - 1);
  f->dy1 = Saturate32(int64_t{dstRoi.y} + dstRoi.height - 1);
  return ippStsNoErr;
}

// Allocates the work buffer (two doubles per column of the longest span, never the width of
// the destination region, which may reach far past what the quadrangle covers) and makes the
// one kernel call (checked when roi is given), then releases the buffer and the spans. -9,
// with the spans released and nothing written, when the buffer cannot be had.
IppStatus RunKernel(const void* pSrc, IppiSize srcSize, int srcStep, void* pDst, int dstStep,
                    const Frame& f, fbRowSpan* spans, int firstRow, int lastRow,
                    const double m[3][3], bool checked) {
  const int64_t columns = warp::LongestSpan(spans, int64_t{lastRow} - firstRow + 1);
  double* buffer = static_cast<double*>(fbAlignedAlloc8(int64_t{16} * columns));
  if (buffer == nullptr) {
    fbAlignedFree(spans);
    return ippStsMemAllocErr;
  }
  // The destination at row firstRow; for planar layouts a local array of advanced plane rows,
  // so the caller's array is never written.
  const ptrdiff_t offset = ptrdiff_t{firstRow} * dstStep;
  uint8_t* planes[4] = {};
  void* dstRow;
  if (warp::IsPlanar(f.layout)) {
    uint8_t* const* callers = static_cast<uint8_t* const*>(pDst);
    for (int32_t i = 0; i < warp::PlaneCount(f.layout); ++i) planes[i] = callers[i] + offset;
    dstRow = planes;
  } else {
    dstRow = static_cast<uint8_t*>(pDst) + offset;
  }
  const int32_t index = warp::KernelIndex(f.type, f.layout, f.method);
  if (checked)
    fbPerspectiveCheckedKernelTable[index](pSrc, dstRow, srcStep, dstStep, firstRow, lastRow,
                                           spans, m, buffer, f.x0, f.y0, f.x1, f.y1,
                                           srcSize.width - 1, srcSize.height - 1);
  else
    fbPerspectiveKernelTable[index](pSrc, dstRow, srcStep, dstStep, firstRow, lastRow, spans, m,
                                    buffer, srcSize.width - 1, srcSize.height - 1);
  fbAlignedFree(buffer);
  fbAlignedFree(spans);
  return ippStsNoErr;
}

}  // namespace

IppStatus fbWarpPerspectiveEngine(const void* pSrc, IppiSize srcSize, int srcStep,
                                  IppiRect srcRoi, void* pDst, int dstStep, IppiRect dstRoi,
                                  int typeLayout, const double coeffs[3][3], int interpolation) {
  Frame f;
  const IppStatus status = Prepare(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,
                                   typeLayout, coeffs, interpolation, true, &f);
  if (status != ippStsNoErr) return status;
  double quad[4][2];
  fbPerspectiveQuad(coeffs, f.x0, f.y0, f.x1, f.y1, quad);
  if (fbCheckPerspectiveQuad(quad) < 0) return ippStsCoeffErr;
  double back[3][3];
  fbPerspectiveAdjugate(coeffs, back);
  const int orientation = OrientationAt3(quad);
  fbRowSpan* spans = nullptr;
  int firstRow = 0, lastRow = 0;
  if (fbQuadRowSpans(quad, f.dx0, f.dy0, f.dx1, f.dy1, orientation, &spans, &firstRow,
                     &lastRow) == 0)
    return ippStsWrongIntersectQuad;
  const IppStatus run =
      RunKernel(pSrc, srcSize, srcStep, pDst, dstStep, f, spans, firstRow, lastRow, back, false);
  if (run != ippStsNoErr) return run;
  if (warp::SmoothEdges(interpolation))
    fbSmoothQuadEdges(pDst, dstStep, typeLayout, quad, f.dx0, f.dy0, f.dx1, f.dy1, orientation);
  return ippStsNoErr;
}

IppStatus fbWarpPerspectiveBackEngine(const void* pSrc, IppiSize srcSize, int srcStep,
                                      IppiRect srcRoi, void* pDst, int dstStep, IppiRect dstRoi,
                                      int typeLayout, const double coeffs[3][3],
                                      int interpolation) {
  Frame f;
  const IppStatus status = Prepare(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,
                                   typeLayout, coeffs, interpolation, false, &f);
  if (status != ippStsNoErr) return status;
  double forward[3][3], quad[4][2];
  fbPerspectiveAdjugate(coeffs, forward);
  fbPerspectiveQuad(forward, f.x0, f.y0, f.x1, f.y1, quad);
  fbRowSpan* spans = nullptr;
  int firstRow = 0, lastRow = 0;
  if (fbCheckPerspectiveQuad(quad) >= 0) {
    // The source region lands on a proper quadrangle: its spans, every pixel mapping inside.
    if (fbQuadRowSpans(quad, f.dx0, f.dy0, f.dx1, f.dy1, OrientationAt3(quad), &spans,
                       &firstRow, &lastRow) == 0)
      return ippStsWrongIntersectQuad;
    return RunKernel(pSrc, srcSize, srcStep, pDst, dstStep, f, spans, firstRow, lastRow, coeffs,
                     false);
  }
  // Whole region: the source positions of the destination region's corners.
  double corners[4][2];
  fbPerspectiveQuad(coeffs, f.dx0, f.dy0, f.dx1, f.dy1, corners);
  double box[2][2];
  fbQuadBoundingBox(corners, box);
  if (box[0][0] > f.x1 || box[0][1] > f.y1 || box[1][0] < f.x0 || box[1][1] < f.y0)
    return ippStsWrongIntersectQuad;
  const int64_t rows = int64_t{f.dy1} - f.dy0 + 1;
  spans = static_cast<fbRowSpan*>(fbAlignedAlloc32(2 * rows));
  if (spans == nullptr) return ippStsWrongIntersectQuad;
  for (int64_t i = 0; i < rows; ++i) spans[i] = fbRowSpan{f.dx0, f.dx1};
  // The plain kernels only when every pixel maps inside the clipped region: all four corners
  // map inside it and the denominator has one strict sign over the region (a linear function,
  // so its sign at the corners decides), which keeps every position in the corners' hull.
  bool inside = true;
  int positive = 0, negative = 0;
  const int32_t xs[4] = {f.dx0, f.dx1, f.dx1, f.dx0}, ys[4] = {f.dy0, f.dy0, f.dy1, f.dy1};
  for (int i = 0; i < 4; ++i) {
    inside = inside && corners[i][0] >= f.x0 && corners[i][0] <= f.x1 &&
             corners[i][1] >= f.y0 && corners[i][1] <= f.y1;
    const double d = coeffs[2][0] * xs[i] + coeffs[2][1] * ys[i] + coeffs[2][2];
    positive += d > 0.0;
    negative += d < 0.0;
  }
  const bool plain = inside && (positive == 4 || negative == 4);
  return RunKernel(pSrc, srcSize, srcStep, pDst, dstStep, f, spans, f.dy0, f.dy1, coeffs,
                   !plain);
}

#define PF_PERSPECTIVE_DEFINE(name, engine, layout)                                          \
  IppStatus name(const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,          \
                 Ipp8u* pDst, int dstStep, IppiRect dstRoi, const double coeffs[3][3],       \
                 int interpolation) {                                                        \
    return engine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,                     \
                  warp::TypeLayout(warp::kType8u, warp::layout), coeffs, interpolation);     \
  }
PF_PERSPECTIVE_DEFINE(ippiWarpPerspective_8u_C1R, fbWarpPerspectiveEngine, kC1)
PF_PERSPECTIVE_DEFINE(ippiWarpPerspective_8u_C3R, fbWarpPerspectiveEngine, kC3)
PF_PERSPECTIVE_DEFINE(ippiWarpPerspective_8u_C4R, fbWarpPerspectiveEngine, kC4)
PF_PERSPECTIVE_DEFINE(ippiWarpPerspectiveBack_8u_C1R, fbWarpPerspectiveBackEngine, kC1)
PF_PERSPECTIVE_DEFINE(ippiWarpPerspectiveBack_8u_C3R, fbWarpPerspectiveBackEngine, kC3)
PF_PERSPECTIVE_DEFINE(ippiWarpPerspectiveBack_8u_C4R, fbWarpPerspectiveBackEngine, kC4)
#undef PF_PERSPECTIVE_DEFINE

}  // namespace builtin
