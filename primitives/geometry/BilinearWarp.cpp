// The bilinear back and forward warps: their generators, samplers, kernel tables and engines.
#include "primitives/geometry/BilinearWarp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "primitives/geometry/AffineWarp.h"
#include "primitives/geometry/Bilinear.h"
#include "primitives/geometry/BilinearKernels.h"
#include "primitives/geometry/QuadGeometry.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/support/Support.h"

namespace builtin {
namespace {

using warp::Pixels;

// Linear sampling with the bilinear warps' rounding: the blend v = top + fy (bottom - top) is
// formed first and an integer result is trunc(v + 0.5); floats are stored unrounded. The window
// and fractions are the shared LinearSampler's (indexes kept inside the image).
struct BilinearLinearSampler {
  static constexpr warp::PointRule kRule = warp::PointRule::kLinearHalfLast;
  template <class P>
  static void Sample(const warp::SourceImage<P>& src, const warp::DestinationRow<P>& dst,
                     ptrdiff_t x, double sx, double sy, int32_t xMax, int32_t yMax) {
    using T = typename P::Element;
    int32_t ix, iy;
    double fx, fy;
    warp::LinearSampler::Axis(sx, xMax, &ix, &fx);
    warp::LinearSampler::Axis(sy, yMax, &iy, &fy);
    constexpr ptrdiff_t kRight = warp::SourceImage<P>::kPixelBytes;
    const ptrdiff_t down = src.step;
    if constexpr (sizeof(T) == 1 && !P::kPlanar) {
      // 8-bit interleaved: all written channels from one window address.
      warp::BilinearLinearPixel8<P::kChannels, P::kStride>(src.At(0, ix, iy), down, fx, fy,
                                                           dst.At(0, x));
      return;
    }
#pragma GCC unroll 4
    for (int32_t c = 0; c < P::kChannels; ++c) {
      const uint8_t* p = src.At(c, ix, iy);
      const double p00 = cubic::SampleAsDouble<T>(p, 0);
      const double p01 = cubic::SampleAsDouble<T>(p + kRight, 0);
      const double p10 = cubic::SampleAsDouble<T>(p + down, 0);
      const double p11 = cubic::SampleAsDouble<T>(p + down + kRight, 0);
      const double top = p00 + fx * (p01 - p00);
      const double bottom = p10 + fx * (p11 - p10);
      const double v = top + fy * (bottom - top);
      if constexpr (sizeof(T) == 1)
        dst.Put(c, x, static_cast<T>(fbTruncToInt32(v + 0.5)));
      else
        dst.Put(c, x, static_cast<T>(v));
    }
  }
};

// Destination (x, y) -> source ((c00 y + c01) x + (c02 y + c03), (c10 y + c11) x + (c12 y +
// c13)): the row's slopes and offsets grow by c00, c02, c10, c12 from row to row, and along a
// row the position grows by the slopes. Spans are relative to the region's first column dstX.
class BilinearBackGenerator {
 public:
  BilinearBackGenerator(const double c[2][4], int32_t dstX, int32_t dstY)
      : c00_(c[0][0]), c02_(c[0][2]), c10_(c[1][0]), c12_(c[1][2]), dstX_(dstX) {
    const double y = dstY;
    slopeX_ = c[0][0] * y + c[0][1];
    offX_ = c[0][2] * y + c[0][3];
    slopeY_ = c[1][0] * y + c[1][1];
    offY_ = c[1][2] * y + c[1][3];
  }
  // The row terms are carried by the caller from block to block: nothing to do here.
  void BeginRows(int32_t /*firstRow*/) {}
  void Span(int32_t /*row*/, int32_t /*xstart*/, int32_t /*xend*/) {
    sx_ = offX_ + slopeX_ * dstX_;
    sy_ = offY_ + slopeY_ * dstX_;
    stepX_ = slopeX_;
    stepY_ = slopeY_;
  }
  void Next(double* sx, double* sy) {
    *sx = sx_;
    *sy = sy_;
    sx_ += stepX_;
    sy_ += stepY_;
  }
  void NextRow() {
    slopeX_ += c00_;
    offX_ += c02_;
    slopeY_ += c10_;
    offY_ += c12_;
  }
  // A span's walk: the position and its row's slopes (the row terms move on before a paused
  // span is resumed).
  struct State {
    double sx, sy, stepX, stepY;
  };
  State Save() const { return State{sx_, sy_, stepX_, stepY_}; }
  void Resume(const State& s) {
    sx_ = s.sx;
    sy_ = s.sy;
    stepX_ = s.stepX;
    stepY_ = s.stepY;
  }

 private:
  double c00_, c02_, c10_, c12_;
  int32_t dstX_;
  double slopeX_, offX_, slopeY_, offY_;
  double sx_ = 0.0, sy_ = 0.0, stepX_ = 0.0, stepY_ = 0.0;
};

// The destination pointer the row walk wants (column 0 of the region's first row, spans being
// relative to dstX): the interleaved pointer itself, or a local copy of the plane array.
template <class P>
struct LocalPlanes {
  uint8_t* planes[P::kPlanes];
  explicit LocalPlanes(void* pDst) {
    if constexpr (P::kPlanar) {
      uint8_t* const* array = static_cast<uint8_t* const*>(pDst);
      for (int32_t i = 0; i < P::kPlanes; ++i) planes[i] = array[i];
    } else {
      planes[0] = static_cast<uint8_t*>(pDst);
    }
  }
  void Advance(ptrdiff_t bytes) {
    for (int32_t i = 0; i < P::kPlanes; ++i) planes[i] += bytes;
  }
  void* Pointer() {
    if constexpr (P::kPlanar) return planes;
    else return planes[0];
  }
};

// All rows of the destination region, in blocks of kBandRows rows whose row terms follow one
// chain of additions from dstY.
template <class P, class Sampler, class Check>
void BackRows(const void* pSrc, void* pDst, int srcStep, int dstStep, int dstX, int dstY,
              int width, int height, const double coeffs[2][4], int xMax, int yMax,
              Check check) {
  if (width < 1 || height < 1) return;
  if constexpr (std::is_same_v<Check, warp::AllPositions>) {
    if (const warp::SamplePoints8Fn vector =
            warp::VectorPointsFor<P, Sampler>(pSrc, srcStep, xMax, yMax)) {
      // The positions of each row by the same additions, made for kChainRows rows together a
      // tile at a time (the rows' chains overlap), then sampled row by row.
      constexpr int32_t G = warp::kChainRows;
      alignas(64) double xs[G][warp::kTileColumns], ys[G][warp::kTileColumns];
      const warp::LinearSource8 source{static_cast<const uint8_t*>(pSrc), srcStep, xMax, yMax};
      const double y = dstY;
      double slopeX = coeffs[0][0] * y + coeffs[0][1], offX = coeffs[0][2] * y + coeffs[0][3];
      double slopeY = coeffs[1][0] * y + coeffs[1][1], offY = coeffs[1][2] * y + coeffs[1][3];
      uint8_t* row = static_cast<uint8_t*>(pDst);
      for (int32_t first = 0; first < height; first += G, row += ptrdiff_t{G} * dstStep) {
        double sx[G] = {}, sy[G] = {}, dx[G] = {}, dy[G] = {};
        const int32_t rows = std::min(G, height - first);
        for (int32_t r = 0; r < rows; ++r) {
          sx[r] = offX + slopeX * dstX;
          sy[r] = offY + slopeY * dstX;
          dx[r] = slopeX;
          dy[r] = slopeY;
          slopeX += coeffs[0][0];
          offX += coeffs[0][2];
          slopeY += coeffs[1][0];
          offY += coeffs[1][2];
        }
        for (ptrdiff_t done = 0; done < width; done += warp::kTileColumns) {
          const ptrdiff_t n = std::min<ptrdiff_t>(warp::kTileColumns, width - done);
          ptrdiff_t count[G] = {};
          for (int32_t r = 0; r < rows; ++r) count[r] = n;
          warp::ChainPositions(dx, dy, sx, sy, count, xs, ys);
          for (int32_t r = 0; r < rows; ++r)
            vector(xs[r], ys[r], n, source, row + r * ptrdiff_t{dstStep} + done * P::kStride);
        }
      }
      return;
    }
  }
  BilinearBackGenerator gen(coeffs, dstX, dstY);
  LocalPlanes<P> dst(pDst);
  fbRowSpan spans[warp::kBandRows];
  for (int32_t i = 0; i < warp::kBandRows; ++i) spans[i] = fbRowSpan{0, width - 1};
  for (int32_t done = 0; done < height; done += warp::kBandRows) {
    const int32_t rows = std::min(warp::kBandRows, height - done);
    warp::WarpSpans<P, Sampler>(
        warp::KernelFrame{pSrc, dst.Pointer(), srcStep, dstStep, 0, rows - 1, spans, xMax, yMax},
        gen, check);
    for (int32_t i = 0; i < rows; ++i) gen.NextRow();
    dst.Advance(static_cast<ptrdiff_t>(dstStep) * rows);
  }
}

template <class P, class Sampler>
void BackKernel(const void* pSrc, void* pDst, int srcStep, int dstStep, int dstX, int dstY,
                int width, int height, const double coeffs[2][4], int xMax, int yMax) {
  BackRows<P, Sampler>(pSrc, pDst, srcStep, dstStep, dstX, dstY, width, height, coeffs, xMax,
                       yMax, warp::AllPositions{});
}

template <class P, class Sampler>
void BackClipKernel(const void* pSrc, void* pDst, int srcStep, int dstStep, int dstX, int dstY,
                    int width, int height, const double coeffs[2][4], int roiLeft, int roiTop,
                    int roiRight, int roiBottom, int xMax, int yMax) {
  BackRows<P, Sampler>(pSrc, pDst, srcStep, dstStep, dstX, dstY, width, height, coeffs, xMax,
                       yMax,
                       warp::InsideSource{static_cast<double>(roiLeft),
                                          static_cast<double>(roiTop),
                                          static_cast<double>(roiRight),
                                          static_cast<double>(roiBottom)});
}

// Forward rows: each span's source points are made in one pass into pBuffer, then sampled.
// The row term k1 Y + k2 is formed afresh per row; k6 Y + k8 and k7 Y + k9 are carried by
// additions from firstRow, through empty rows too.
template <class P, class Sampler>
void ForwardKernel(const void* pSrc, void* pDstRow, int srcStep, int dstStep, int firstRow,
                   int lastRow, const fbRowSpan* spans, const double k[11], int inverseCase,
                   int rootFlag, double* pBuffer, int xMax, int yMax) {
  const warp::SourceImage<P> src(pSrc, srcStep);
  warp::DestinationRow<P> dst(pDstRow);
  const warp::SamplePoints8Fn vector = warp::VectorPointsFor<P, Sampler>(pSrc, srcStep, xMax, yMax);
  double R2 = k[6] * firstRow + k[8];
  double R3 = k[7] * firstRow + k[9];
  for (int64_t row = firstRow; row <= lastRow; ++row) {
    const fbRowSpan span = spans[row - firstRow];
    const int32_t n = span.xend - span.xstart + 1;
    if (n >= 1) {
      const double Y = static_cast<double>(row), xs = span.xstart;
      const double L1 = (k[1] * Y + k[2]) + k[0] * xs;
      const double L2 = R2 + k[4] * xs;
      const double L3 = R3 + k[5] * xs;
      fbBilinearInverseRow(pBuffer, n, L3, k[5], L2, k[4], L1, k[0], k[3], k[10], inverseCase,
                           rootFlag);
      const double* px = pBuffer;
      const double* py = pBuffer + n;
      if (vector != nullptr)
        vector(px, py, n,
               warp::LinearSource8{src.planes[0], src.step, xMax, yMax}, dst.At(0, span.xstart));
      else
        for (int32_t i = 0; i < n; ++i)
          Sampler::Sample(src, dst, span.xstart + i, px[i], py[i], xMax, yMax);
    }
    R2 += k[6];
    R3 += k[7];
    dst.Advance(dstStep);
  }
}

}  // namespace

// One row per (type, layout): nearest, linear, cubic.
#define PF_BILINEAR_ROW(kernel, T, layout)                          \
  &kernel<Pixels<T, warp::layout>, warp::NearestSampler>,           \
      &kernel<Pixels<T, warp::layout>, BilinearLinearSampler>,      \
      &kernel<Pixels<T, warp::layout>, warp::CubicSampler>,
#define PF_BILINEAR_TYPE(kernel, T)                                                        \
  PF_BILINEAR_ROW(kernel, T, kC1) PF_BILINEAR_ROW(kernel, T, kC3)                          \
  PF_BILINEAR_ROW(kernel, T, kAC4) PF_BILINEAR_ROW(kernel, T, kP3)                         \
  PF_BILINEAR_ROW(kernel, T, kC4) PF_BILINEAR_ROW(kernel, T, kP4)
const fbWarpBilinearBackKernel fbWarpBilinearBackTable[kBilinearKernelCount] = {
    PF_BILINEAR_TYPE(BackKernel, Ipp8u) PF_BILINEAR_TYPE(BackKernel, Ipp32f)};
const fbWarpBilinearBackClipKernel fbWarpBilinearBackClipTable[kBilinearKernelCount] = {
    PF_BILINEAR_TYPE(BackClipKernel, Ipp8u) PF_BILINEAR_TYPE(BackClipKernel, Ipp32f)};
const fbWarpBilinearRowKernel fbWarpBilinearTable[kBilinearKernelCount] = {
    PF_BILINEAR_TYPE(ForwardKernel, Ipp8u) PF_BILINEAR_TYPE(ForwardKernel, Ipp32f)};
#undef PF_BILINEAR_TYPE
#undef PF_BILINEAR_ROW

#define PF_BILINEAR_NAME_ROW(stem, type, layout) \
  stem "NN" #type #layout, stem "Linear" #type #layout, stem "Cubic" #type #layout,
#define PF_BILINEAR_NAME_TYPE(stem, type)                                                 \
  PF_BILINEAR_NAME_ROW(stem, type, C1) PF_BILINEAR_NAME_ROW(stem, type, C3)               \
  PF_BILINEAR_NAME_ROW(stem, type, AC4) PF_BILINEAR_NAME_ROW(stem, type, P3)              \
  PF_BILINEAR_NAME_ROW(stem, type, C4) PF_BILINEAR_NAME_ROW(stem, type, P4)
const char* const fbWarpBilinearBackTableNames[kBilinearKernelCount] = {
    PF_BILINEAR_NAME_TYPE("fbWarpBilinearBack", 8u)
        PF_BILINEAR_NAME_TYPE("fbWarpBilinearBack", 32f)};
const char* const fbWarpBilinearBackClipTableNames[kBilinearKernelCount] = {
    PF_BILINEAR_NAME_TYPE("fbWarpBilinearBackClip", 8u)
        PF_BILINEAR_NAME_TYPE("fbWarpBilinearBackClip", 32f)};
const char* const fbWarpBilinearTableNames[kBilinearKernelCount] = {
    PF_BILINEAR_NAME_TYPE("fbWarpBilinear", 8u) PF_BILINEAR_NAME_TYPE("fbWarpBilinear", 32f)};
#undef PF_BILINEAR_NAME_TYPE
#undef PF_BILINEAR_NAME_ROW

namespace {

// The first checks both engines share, in their order; 0 when all pass.
IppStatus CommonChecks(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                       const void* pDst, int dstStep, IppiRect dstRoi, int typeLayout,
                       const double coeffs[2][4], int interpolation) {
  if (pSrc == nullptr || pDst == nullptr || coeffs == nullptr) return ippStsNullPtrErr;
  if (srcSize.width < 1 || srcSize.height < 1 || srcRoi.x < 0 || srcRoi.y < 0 ||
      srcRoi.width < 1 || srcRoi.height < 1 || dstRoi.x < 0 || dstRoi.y < 0 ||
      dstRoi.width < 1 || dstRoi.height < 1)
    return ippStsSizeErr;
  if (srcStep < 1 || dstStep < 1) return ippStsStepErr;
  if (!warp::KnownMethod(interpolation)) return ippStsInterpolationErr;
  // Only 8u and 32f have kernels: other codes never reach a table.
  if (!warp::KnownTypeLayout(typeLayout, 2)) return ippStsSizeErr;
  const int32_t layout = warp::LayoutOf(typeLayout);
  if (warp::IsPlanar(layout) &&
      (!warp::PlanesPresent(pSrc, layout) || !warp::PlanesPresent(pDst, layout)))
    return ippStsNullPtrErr;
  return ippStsNoErr;
}

// The linear part {c01, c02; c11, c12} is singular or nearly so.
bool LinearPartPasses(const double c[2][4]) {
  const double a = c[0][1] * c[1][2], b = c[0][2] * c[1][1];
  if (std::fabs(a) > 1e-200) return std::fabs((a - b) / a) > 1e-12;
  return std::fabs(b) > 1e-12;
}

int32_t LastOf(int32_t start, int32_t length) {
  return static_cast<int32_t>(std::min<int64_t>(int64_t{start} + length - 1, INT32_MAX));
}

// The destination plane pointers moved to the region's first pixel for a kernel call, put back
// afterwards; for interleaved layouts only the moved pointer.
class RegionOrigin {
 public:
  RegionOrigin(void* pDst, int32_t typeLayout, int32_t dstStep, IppiRect roi) {
    const int32_t layout = warp::LayoutOf(typeLayout);
    const ptrdiff_t size = warp::ElementBytes(warp::TypeOf(typeLayout));
    const ptrdiff_t rowOffset = static_cast<ptrdiff_t>(dstStep) * roi.y;
    if (!warp::IsPlanar(layout)) {
      const ptrdiff_t elements = layout == warp::kC1 ? 1 : layout == warp::kC3 ? 3 : 4;
      pointer_ = static_cast<uint8_t*>(pDst) + rowOffset + roi.x * elements * size;
      return;
    }
    planes_ = static_cast<uint8_t**>(pDst);
    count_ = warp::PlaneCount(layout);
    for (int32_t i = 0; i < count_; ++i) {
      saved_[i] = planes_[i];
      planes_[i] += rowOffset + roi.x * size;
    }
    pointer_ = pDst;
  }
  ~RegionOrigin() {
    for (int32_t i = 0; i < count_; ++i) planes_[i] = saved_[i];
  }
  RegionOrigin(const RegionOrigin&) = delete;
  RegionOrigin& operator=(const RegionOrigin&) = delete;
  void* Pointer() const { return pointer_; }

 private:
  uint8_t** planes_ = nullptr;
  uint8_t* saved_[4] = {};
  int32_t count_ = 0;
  void* pointer_ = nullptr;
};

}  // namespace

IppStatus fbWarpBilinearBackEngine(const void* pSrc, IppiSize srcSize, int srcStep,
                                   IppiRect srcRoi, void* pDst, int dstStep, IppiRect dstRoi,
                                   int typeLayout, const double coeffs[2][4], int interpolation) {
  const IppStatus first = CommonChecks(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,
                                       typeLayout, coeffs, interpolation);
  if (first != ippStsNoErr) return first;
  if (!LinearPartPasses(coeffs)) return ippStsCoeffErr;
  const int32_t type = warp::TypeOf(typeLayout), layout = warp::LayoutOf(typeLayout);
  const int32_t method = warp::DowngradeMethod(warp::MethodOf(interpolation), srcSize);
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;

  const int32_t roiLeft = srcRoi.x, roiTop = srcRoi.y;
  const int32_t roiRight = srcRoi.x + std::min(srcSize.width - srcRoi.x, srcRoi.width) - 1;
  const int32_t roiBottom = srcRoi.y + std::min(srcSize.height - srcRoi.y, srcRoi.height) - 1;

  // A region one pixel wide or high maps its corners onto each other: no quadrangle.
  if (dstRoi.width == 1 || dstRoi.height == 1) return ippStsCoeffErr;
  double quad[4][2];
  fbBilinearQuad(coeffs, dstRoi.x, dstRoi.y, LastOf(dstRoi.x, dstRoi.width),
                 LastOf(dstRoi.y, dstRoi.height), quad);
  const int check = fbCheckQuad(quad);
  if (check == kQuadDegenerate || check == kQuadNotConvex) return ippStsCoeffErr;
  double box[2][2];
  fbQuadBoundingBox(quad, box);
  if (box[0][0] > roiRight || box[0][1] > roiBottom || box[1][0] < roiLeft || box[1][1] < roiTop)
    return ippStsWrongIntersectQuad;

  bool inside = true;
  for (int i = 0; i < 4; ++i)
    inside = inside && quad[i][0] >= roiLeft && quad[i][0] <= roiRight && quad[i][1] >= roiTop &&
             quad[i][1] <= roiBottom;
  const int index = warp::KernelIndex(type, layout, method);
  const RegionOrigin origin(pDst, typeLayout, dstStep, dstRoi);
  if (inside)
    fbWarpBilinearBackTable[index](pSrc, origin.Pointer(), srcStep, dstStep, dstRoi.x, dstRoi.y,
                                   dstRoi.width, dstRoi.height, coeffs, srcSize.width - 1,
                                   srcSize.height - 1);
  else
    fbWarpBilinearBackClipTable[index](pSrc, origin.Pointer(), srcStep, dstStep, dstRoi.x,
                                       dstRoi.y, dstRoi.width, dstRoi.height, coeffs, roiLeft,
                                       roiTop, roiRight, roiBottom, srcSize.width - 1,
                                       srcSize.height - 1);
  return ippStsNoErr;
}

IppStatus fbWarpBilinearEngine(const void* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi,
                               void* pDst, int dstStep, IppiRect dstRoi, int typeLayout,
                               const double coeffs[2][4], int interpolation) {
  const IppStatus first = CommonChecks(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,
                                       typeLayout, coeffs, interpolation);
  if (first != ippStsNoErr) return first;
  const int32_t type = warp::TypeOf(typeLayout), layout = warp::LayoutOf(typeLayout);
  const int32_t method = warp::DowngradeMethod(warp::MethodOf(interpolation), srcSize);
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;
  const int32_t w = std::min(srcSize.width - srcRoi.x, srcRoi.width);
  const int32_t h = std::min(srcSize.height - srcRoi.y, srcRoi.height);
  if (w < 2 || h < 2) return ippStsRectErr;
  const int32_t x0 = srcRoi.x, y0 = srcRoi.y, x1 = x0 + w - 1, y1 = y0 + h - 1;

  double quad[4][2];
  fbBilinearQuadChecked(x0, y0, w, h, quad, coeffs);
  const int check = fbCheckQuad(quad);
  if (check == kQuadDegenerate || check == kQuadNotConvex) return ippStsCoeffErr;
  double inverse[11];
  int inverseCase = 0, rootFlag = 0, orientation = 0;
  fbBilinearSolve(x0, y0, x1, y1, quad, nullptr, inverse, &inverseCase, &rootFlag, &orientation,
                  0);

  const int32_t dx0 = dstRoi.x, dy0 = dstRoi.y;
  const int32_t dx1 = LastOf(dstRoi.x, dstRoi.width), dy1 = LastOf(dstRoi.y, dstRoi.height);
  fbRowSpan* spans = nullptr;
  int firstRow = 0, lastRow = 0;
  if (fbQuadRowSpans(quad, dx0, dy0, dx1, dy1, orientation, &spans, &firstRow, &lastRow) == 0)
    return ippStsWrongIntersectQuad;
  // Two doubles per column of the longest span: the spans cover only what the quadrangle
  // reaches, however far the destination region runs.
  const int64_t columns = warp::LongestSpan(spans, int64_t{lastRow} - firstRow + 1);
  double* buffer = static_cast<double*>(fbAlignedAlloc8(int64_t{16} * columns));
  if (buffer == nullptr) {
    fbAlignedFree(spans);
    return ippStsMemAllocErr;
  }
  {
    const warp::PlaneRowsAdvance rows(pDst, layout, dstStep, firstRow);
    fbWarpBilinearTable[warp::KernelIndex(type, layout, method)](
        pSrc, rows.KernelDestination(), srcStep, dstStep, firstRow, lastRow, spans, inverse,
        inverseCase, rootFlag, buffer, srcSize.width - 1, srcSize.height - 1);
  }
  fbAlignedFree(buffer);
  fbAlignedFree(spans);
  if (warp::SmoothEdges(interpolation))
    fbSmoothQuadEdges(pDst, dstStep, typeLayout, quad, dx0, dy0, dx1, dy1, orientation);
  return ippStsNoErr;
}

#define PF_BILINEAR_FORMS(X) X(C1, 0) X(C3, 1) X(C4, 4)
#define PF_BILINEAR_DEFINE(layout, code)                                                       \
  IppStatus ippiWarpBilinearBack_8u_##layout##R(                                               \
      const Ipp8u* pSrc, IppiSize srcSize, int srcStep, IppiRect srcRoi, Ipp8u* pDst,          \
      int dstStep, IppiRect dstRoi, const double coeffs[2][4], int interpolation) {            \
    return fbWarpBilinearBackEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi,     \
                                    code, coeffs, interpolation);                              \
  }                                                                                            \
  IppStatus ippiWarpBilinear_8u_##layout##R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,  \
                                            IppiRect srcRoi, Ipp8u* pDst, int dstStep,         \
                                            IppiRect dstRoi, const double coeffs[2][4],        \
                                            int interpolation) {                               \
    return fbWarpBilinearEngine(pSrc, srcSize, srcStep, srcRoi, pDst, dstStep, dstRoi, code,   \
                                coeffs, interpolation);                                        \
  }
PF_BILINEAR_FORMS(PF_BILINEAR_DEFINE)
#undef PF_BILINEAR_DEFINE
#undef PF_BILINEAR_FORMS

}  // namespace builtin
