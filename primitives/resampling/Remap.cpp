// Remap: the entries, and the kernel table: the 8-bit interleaved kernels walk the destination
// in tiles and sample through the block kernels of RemapKernels.h; the others are the warp
// kernel template with a generator that reads each position from the caller's maps.
#include "primitives/resampling/Remap.h"

#include <algorithm>
#include <cstddef>

#include "primitives/geometry/WarpFrame.h"
#include "primitives/geometry/WarpKernels.h"
#include "primitives/resampling/RemapKernels.h"
#include "primitives/support/RowAccess.h"
#include "primitives/support/SupportElements.h"

namespace builtin {
namespace {

using warp::Pixels;

// Positions read from two float maps: row r of a map starts r steps (bytes) after its origin,
// and a span's positions are the map values at its columns.
class MapGenerator {
 public:
  MapGenerator(const Ipp32f* pxMap, int32_t xMapStep, const Ipp32f* pyMap, int32_t yMapStep)
      : xMap_(reinterpret_cast<const uint8_t*>(pxMap)),
        yMap_(reinterpret_cast<const uint8_t*>(pyMap)), xStep_(xMapStep), yStep_(yMapStep) {}
  void BeginRows(int32_t firstRow) {
    rowX_ = xMap_ + xStep_ * firstRow;
    rowY_ = yMap_ + yStep_ * firstRow;
  }
  void Span(int32_t /*row*/, int32_t xstart, int32_t /*xend*/) {
    x_ = rowX_ + ptrdiff_t{4} * xstart;
    y_ = rowY_ + ptrdiff_t{4} * xstart;
  }
  void Next(double* sx, double* sy) {
    *sx = rows::Load<float>(x_, 0);
    *sy = rows::Load<float>(y_, 0);
    x_ += 4;
    y_ += 4;
  }
  void NextRow() {
    rowX_ += xStep_;
    rowY_ += yStep_;
  }
  struct State {
    const uint8_t* x;
    const uint8_t* y;
  };
  State Save() const { return State{x_, y_}; }
  void Resume(const State& s) {
    x_ = s.x;
    y_ = s.y;
  }

 private:
  const uint8_t* xMap_;
  const uint8_t* yMap_;
  ptrdiff_t xStep_, yStep_;
  const uint8_t* rowX_ = nullptr;
  const uint8_t* rowY_ = nullptr;
  const uint8_t* x_ = nullptr;
  const uint8_t* y_ = nullptr;
};

// Whole rows, in chunks whose spans sit on the stack (the kernels allocate nothing).
inline constexpr int32_t kChunkRows = 256;

template <class P, class Sampler>
void RemapKernel(const void* pSrc, int srcStep, void* pDst, int dstStep, const Ipp32f* pxMap,
                 int xMapStep, const Ipp32f* pyMap, int yMapStep, int width, int height,
                 int roiLeft, int roiTop, int roiRight, int roiBottom, int xMax, int yMax) {
  if (width < 1 || height < 1) return;
  fbRowSpan spans[kChunkRows];
  for (fbRowSpan& s : spans) s = fbRowSpan{0, width - 1};
  const warp::InsideSource inside{static_cast<double>(roiLeft), static_cast<double>(roiTop),
                                  static_cast<double>(roiRight), static_cast<double>(roiBottom)};
  const MapGenerator gen(pxMap, xMapStep, pyMap, yMapStep);
  for (int32_t first = 0; first < height; first += kChunkRows) {
    const int32_t last = std::min(height - 1, first + kChunkRows - 1);
    const ptrdiff_t offset = static_cast<ptrdiff_t>(dstStep) * first;
    uint8_t* planes[P::kPlanes];
    void* dstRow;
    if constexpr (P::kPlanar) {
      uint8_t* const* array = static_cast<uint8_t* const*>(pDst);
      for (int32_t k = 0; k < P::kPlanes; ++k) planes[k] = array[k] + offset;
      dstRow = planes;
    } else {
      dstRow = static_cast<uint8_t*>(pDst) + offset;
    }
    warp::WarpSpans<P, Sampler>(
        warp::KernelFrame{pSrc, dstRow, srcStep, dstStep, first, last, spans, xMax, yMax}, gen,
        inside);
  }
}

// The 8-bit interleaved kernels: the destination in tiles of kTileRows rows by kTileColumns
// columns, so that the source pixels a tile reads stay in the cache where the maps turn a
// destination row into a long slanted source line. While a row of a tile is worked, the same
// row of the next tile (its maps and destination) is fetched: the tile's rows are more streams
// than the processor follows by itself. Each stretch of a row goes to the vector block kernel
// where there is one (RemapKernels.h), the plain bodies doing what it leaves.
inline constexpr int32_t kTileRows = 32;
inline constexpr ptrdiff_t kTileColumns = 128;

template <int32_t kLayout, int32_t kMethod>
void RemapKernel8(const void* pSrc, int srcStep, void* pDst, int dstStep, const Ipp32f* pxMap,
                  int xMapStep, const Ipp32f* pyMap, int yMapStep, int width, int height,
                  int roiLeft, int roiTop, int roiRight, int roiBottom, int xMax, int yMax) {
  using P = Pixels<Ipp8u, kLayout>;
  constexpr int32_t kChannels = P::kChannels, kStride = P::kStride;
  if (width < 1 || height < 1) return;
  const remap::Source8 s{static_cast<const uint8_t*>(pSrc), srcStep, xMax, yMax,
                         static_cast<double>(roiLeft), static_cast<double>(roiTop),
                         static_cast<double>(roiRight), static_cast<double>(roiBottom)};
  const remap::BlockKernel blocks = remap::VectorBlockKernel(kLayout, kMethod, s);
  const uint8_t* xMap = reinterpret_cast<const uint8_t*>(pxMap);
  const uint8_t* yMap = reinterpret_cast<const uint8_t*>(pyMap);
  uint8_t* dstImage = static_cast<uint8_t*>(pDst);
  for (int32_t band = 0; band < height; band += kTileRows) {
    const int32_t bandEnd = std::min(height, band + kTileRows);
    for (ptrdiff_t tile = 0; tile < width; tile += kTileColumns) {
      const ptrdiff_t n = std::min<ptrdiff_t>(kTileColumns, width - tile);
      const ptrdiff_t nextTile = std::min<ptrdiff_t>(kTileColumns, width - tile - n);
      for (int32_t row = band; row < bandEnd; ++row) {
        const uint8_t* xs = rows::Row(xMap, xMapStep, row) + 4 * tile;
        const uint8_t* ys = rows::Row(yMap, yMapStep, row) + 4 * tile;
        uint8_t* dst = rows::Row(dstImage, dstStep, row) + kStride * tile;
        if (nextTile > 0) {
          for (ptrdiff_t b = 0; b < 4 * nextTile; b += 64) {
            __builtin_prefetch(xs + 4 * kTileColumns + b);
            __builtin_prefetch(ys + 4 * kTileColumns + b);
          }
          for (ptrdiff_t b = 0; b < kStride * nextTile; b += 64)
            __builtin_prefetch(dst + kStride * kTileColumns + b, 1);
        }
        const ptrdiff_t done = blocks != nullptr ? blocks(s, xs, ys, dst, n) : 0;
        remap::PlainPixels<kChannels, kStride, kMethod>(s, xs, ys, dst, done, n);
      }
    }
  }
}

// The kernel of a type, layout and method: the 8-bit interleaved ones above, the others the
// warp kernel template with its samplers.
template <typename T, int32_t kLayout, int32_t kMethod>
constexpr fbRemapKernel KernelOf() {
  if constexpr (sizeof(T) == 1 && !warp::IsPlanar(kLayout))
    return &RemapKernel8<kLayout, kMethod>;
  else if constexpr (kMethod == remap::kNearest)
    return &RemapKernel<Pixels<T, kLayout>, warp::NearestSampler>;
  else if constexpr (kMethod == remap::kLinear)
    return &RemapKernel<Pixels<T, kLayout>, warp::LinearSampler>;
  else
    return &RemapKernel<Pixels<T, kLayout>, warp::CubicSampler>;
}

}  // namespace

// One row per (type, layout) in the table's order, with its name stems.
#define PF_REMAP_ROWS(X)                                                                     \
  X(Ipp8u, kC1, 8uC1) X(Ipp8u, kC3, 8uC3) X(Ipp8u, kAC4, 8uAC4) X(Ipp8u, kP3, 8uP3)          \
  X(Ipp32f, kC1, 32fC1) X(Ipp32f, kC3, 32fC3) X(Ipp32f, kAC4, 32fAC4) X(Ipp32f, kP3, 32fP3)  \
  X(Ipp8u, kC4, 8uC4) X(Ipp8u, kP4, 8uP4) X(Ipp32f, kC4, 32fC4) X(Ipp32f, kP4, 32fP4)
#define PF_REMAP_KERNELS(T, layout, stem)                                                    \
  KernelOf<T, warp::layout, remap::kNearest>(), KernelOf<T, warp::layout, remap::kLinear>(), \
      KernelOf<T, warp::layout, remap::kCubic>(),
#define PF_REMAP_NAMES(T, layout, stem) \
  "fbRemapNN" #stem, "fbRemapLinear" #stem, "fbRemapCubic" #stem,
#define PF_REMAP_TYPE_LAYOUT(T, layout, stem) \
  warp::TypeLayout(sizeof(T) == 1 ? warp::kType8u : warp::kType32f, warp::layout),
const fbRemapKernel fbRemapKernelTable[kRemapKernelCount] = {PF_REMAP_ROWS(PF_REMAP_KERNELS)};
const char* const fbRemapKernelNames[kRemapKernelCount] = {PF_REMAP_ROWS(PF_REMAP_NAMES)};
namespace {
constexpr int32_t kRowTypeLayouts[kRemapRowCount] = {PF_REMAP_ROWS(PF_REMAP_TYPE_LAYOUT)};
}  // namespace
#undef PF_REMAP_TYPE_LAYOUT
#undef PF_REMAP_NAMES
#undef PF_REMAP_KERNELS
#undef PF_REMAP_ROWS

int32_t fbRemapRowTypeLayout(int32_t row) {
  return row >= 0 && row < kRemapRowCount ? kRowTypeLayouts[row] : -1;
}

int32_t fbRemapRowOf(int32_t typeLayout) {
  for (int32_t row = 0; row < kRemapRowCount; ++row)
    if (kRowTypeLayouts[row] == typeLayout) return row;
  return -1;
}

namespace {

IppStatus RemapEntry(int32_t row, const Ipp8u* pSrc, IppiSize srcSize, int srcStep,
                     IppiRect srcRoi, const Ipp32f* pxMap, int xMapStep, const Ipp32f* pyMap,
                     int yMapStep, Ipp8u* pDst, int dstStep, IppiSize dstRoiSize,
                     int interpolation) {
  if (pSrc == nullptr || pDst == nullptr || pxMap == nullptr || pyMap == nullptr)
    return ippStsNullPtrErr;
  if (srcSize.width <= 0 || srcSize.height <= 0 || srcRoi.x < 0 || srcRoi.y < 0 ||
      srcRoi.width <= 0 || srcRoi.height <= 0 || dstRoiSize.width <= 0 || dstRoiSize.height <= 0)
    return ippStsSizeErr;
  if (interpolation != IPPI_INTER_NN && interpolation != IPPI_INTER_LINEAR &&
      interpolation != IPPI_INTER_CUBIC)
    return ippStsInterpolationErr;
  if (srcStep <= 0 || dstStep <= 0 || xMapStep <= 0 || yMapStep <= 0) return ippStsStepErr;
  if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return ippStsWrongIntersectROI;
  const int32_t roiRight = srcRoi.x + std::min(srcSize.width - srcRoi.x, srcRoi.width) - 1;
  const int32_t roiBottom = srcRoi.y + std::min(srcSize.height - srcRoi.y, srcRoi.height) - 1;
  const int32_t method = warp::DowngradeMethod(interpolation, srcSize);
  fbRemapKernelTable[row * 3 + method / 2](pSrc, srcStep, pDst, dstStep, pxMap, xMapStep, pyMap,
                                           yMapStep, dstRoiSize.width, dstRoiSize.height,
                                           srcRoi.x, srcRoi.y, roiRight, roiBottom,
                                           srcSize.width - 1, srcSize.height - 1);
  return ippStsNoErr;
}

}  // namespace

#define PF_REMAP_FORMS(X) X(C1, 0) X(C3, 1) X(AC4, 2) X(C4, 8)
#define PF_REMAP_DEFINE(layout, row)                                                         \
  IppStatus ippiRemap_8u_##layout##R(const Ipp8u* pSrc, IppiSize srcSize, int srcStep,       \
                                     IppiRect srcRoi, const Ipp32f* pxMap, int xMapStep,     \
                                     const Ipp32f* pyMap, int yMapStep, Ipp8u* pDst,         \
                                     int dstStep, IppiSize dstRoiSize, int interpolation) {  \
    return RemapEntry(row, pSrc, srcSize, srcStep, srcRoi, pxMap, xMapStep, pyMap, yMapStep, \
                      pDst, dstStep, dstRoiSize, interpolation);                             \
  }
PF_REMAP_FORMS(PF_REMAP_DEFINE)
#undef PF_REMAP_DEFINE
#undef PF_REMAP_FORMS

}  // namespace builtin
